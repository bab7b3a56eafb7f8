#!/usr/bin/env python3
"""Generates the shipped lexicon files of data/ from packaged word lists and
texts (see data/README.md). The same inputs always give the same bytes.

Usage: tools/make_lexicon.py [output directory, default data/]
"""

import collections
import math
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "lexicon"))

import curated  # noqa: E402
import syllable  # noqa: E402
import textsources  # noqa: E402

HUNSPELL_VI = "/usr/share/hunspell/vi_VN.dic"
VI_CATALOGS = "/usr/share/locale/vi/LC_MESSAGES"
VI_MAN_PAGES = "/usr/share/man/vi"
SCOWL = "/usr/share/dict/scowl"
FORTUNES = "/usr/share/games/fortunes"
INPUT_EVENT_CODES = "/usr/include/linux/input-event-codes.h"

# Translation domains counted for Vietnamese (msgstr) and English (msgid).
# The quality corpus (tools/quality/make_corpus.py) is made from other
# catalogs and another package, so that it measures unseen text.
CATALOG_DOMAINS = [
    "bash", "bfd", "binutils", "coreutils", "dpkg", "gettext-tools", "git",
    "glib20", "gold", "gprof", "gtk20", "gtk20-properties", "ld", "libc",
    "libexif-12", "libgphoto2-6", "make", "opcodes", "procps-ng", "shadow",
    "tar", "wget",
]
SCOWL_LEVELS = (10, 20, 35, 40, 50)
SCOWL_SPELLINGS = ("english", "american", "british")
SCOWL_NAME_LEVELS = (10, 35, 40, 50)
# The rarer words, names and variant spellings of the list that double s,
# f, r or a later d where Telex reads a key typed twice as escaped (toff,
# missus, russ, diss, diddy): without them these words would lose a letter.
# No Vietnamese keys double these.
SCOWL_DOUBLE_LEVELS = (35, 40, 50, 55, 60, 70, 80, 95)
SCOWL_DOUBLE_SPELLINGS = SCOWL_SPELLINGS + ("variant_1", "variant_2")
# Where the engine reads a key typed twice as escaped: after letters that
# begin a syllable, two keys at most before the word's end.
DOUBLE_AFTER_SYLLABLE = re.compile(r"(ngh|ng|nh|ch|gh|gi|kh|ph|qu|th|tr|[bcdghklmnpqrstvx])?[aeiouy]+"
                                   r"(ch|ng|nh|[cmnpt])?(ss|ff|rr|dd)[a-z]{0,2}")

# Counts are per million words of their corpus; these totals turn them into
# probabilities. Words a list knows but the corpus never showed get a small
# floor that grows with how common the English list says they are.
TOTAL = 1_000_000
ENGLISH_FLOOR = {10: 20, 20: 6, 35: 2, 40: 1, 50: 1}
VIETNAMESE_FLOOR = 5
MIN_CORPUS_SYLLABLE = 2     # corpus syllables hunspell lacks need this many
MIN_VI_ASCII_WORD = 3       # English words seen inside Vietnamese text
MIN_LOAN_WORD = 3           # non-syllable words in Vietnamese letters
MIN_TECH_WORD = 4           # English words the word lists lack
LAST_PC_KEY = 83            # KEY_KPDOT: the keys of the classic PC keyboard


def per_million(count, total):
    return max(1, math.ceil(count * TOTAL / total)) if total else 1


def vietnamese_texts():
    for domain in CATALOG_DOMAINS:
        for msgid, msgstr in textsources.read_mo(os.path.join(VI_CATALOGS, domain + ".mo")):
            if msgstr != msgid and not msgstr.isascii():
                yield msgstr
    for section in sorted(os.listdir(VI_MAN_PAGES)):
        folder = os.path.join(VI_MAN_PAGES, section)
        for name in sorted(os.listdir(folder)):
            yield textsources.read_man(os.path.join(folder, name))


def software_english():
    for domain in CATALOG_DOMAINS:
        for msgid, _ in textsources.read_mo(os.path.join(VI_CATALOGS, domain + ".mo")):
            yield from textsources.ascii_words(msgid)


def everyday_english():
    for name in sorted(os.listdir(FORTUNES)):
        path = os.path.join(FORTUNES, name)
        if "." not in name and not os.path.islink(path):
            with open(path, encoding="utf-8", errors="replace") as f:
                yield from (p for p in textsources.chunks(f.read()) if p is not None and p.isascii())


def is_english_looking(word):
    return word is not None and word.isascii() and syllable.canonical(word.lower()) is None


def count_vietnamese():
    """Syllables (new placement), ASCII non-syllables and loan words of the
    Vietnamese texts, and the number of words counted."""
    syllables, ascii_words, loans = (collections.Counter() for _ in range(3))
    total = 0
    for text in vietnamese_texts():
        pieces = list(textsources.chunks(text))
        for i, piece in enumerate(pieces):
            if piece is None:
                continue
            word = piece.lower()
            canon = syllable.canonical(word)
            if canon and word.isascii():
                # an untranslated English phrase: "the", "an", "to" are not Vietnamese there
                neighbours = pieces[max(0, i - 1):i] + pieces[i + 1:i + 2]
                if any(is_english_looking(n) for n in neighbours):
                    continue
            total += 1
            if canon:
                syllables[canon] += 1
            elif syllable.parses(word) and not word.isascii():
                loans[word] += 1
        # English inside Vietnamese text, paths and options included (/usr/share)
        for word in textsources.ascii_words(text):
            word = word.lower()
            if syllable.canonical(word) is None:
                ascii_words[word] += 1
    return syllables, ascii_words, loans, total


def hunspell_words():
    with open(HUNSPELL_VI, encoding="utf-8") as f:
        lines = f.read().splitlines()[1:]
    return {line.split("/")[0].strip().lower() for line in lines if line.strip()}


def scowl_levels():
    levels = {}
    for level in SCOWL_LEVELS:
        for spelling in SCOWL_SPELLINGS:
            path = os.path.join(SCOWL, "%s-words.%d" % (spelling, level))
            with open(path, encoding="utf-8", errors="replace") as f:
                for word in f.read().split():
                    if word.isascii() and word.isalpha() and word.islower():
                        levels.setdefault(word, level)
    return levels


def scowl_doubled_words():
    words = set()
    for level in SCOWL_DOUBLE_LEVELS:
        for kind in ("words", "proper-names", "upper"):
            for spelling in SCOWL_DOUBLE_SPELLINGS:
                path = os.path.join(SCOWL, "%s-%s.%d" % (spelling, kind, level))
                if not os.path.exists(path):
                    continue
                with open(path, encoding="utf-8", errors="replace") as f:
                    for word in f.read().split():
                        if word.isascii() and word.isalpha() and word[1:].islower():
                            words.add(word.lower())
    return words


def escaped_by_repeat(word, english):
    """Whether Telex would read the word's doubled s, f, r or d as a key
    escaped (russ as rus): after letters that begin a syllable near the end,
    or when the word with the key once is an English word (kriss, kris)."""
    double = re.search(r"ss|ff|rr|(?<=.)dd", word)
    if not double:
        return False
    once = word[:double.start()] + word[double.start() + 1:]
    return DOUBLE_AFTER_SYLLABLE.fullmatch(word) is not None or once in english


def scowl_names():
    """Common English names (paris, dora, rosa), lower-cased: keys that spell a
    name are an English word too, not a syllable no text showed."""
    names = set()
    for level in SCOWL_NAME_LEVELS:
        for kind in ("proper-names", "upper"):
            path = os.path.join(SCOWL, "english-%s.%d" % (kind, level))
            if not os.path.exists(path):
                continue
            with open(path, encoding="utf-8", errors="replace") as f:
                for word in f.read().split():
                    if word.isascii() and word.isalpha() and word[0].isupper() and word[1:].islower():
                        names.add(word.lower())
    # a name spelled like a syllable as typed (Lan, Nam) is the syllable
    return {n for n in names if len(n) >= 2 and syllable.canonical(n) is None}


def english_per_million():
    """The mean of the per-million frequencies in software messages and in
    everyday prose: mixed typing has both."""
    sources = [collections.Counter(w.lower() for w in words) for words in (software_english(), everyday_english())]
    totals = [sum(c.values()) for c in sources]
    words = set().union(*sources)
    return {w: sum(c[w] * TOTAL / t for c, t in zip(sources, totals)) / len(sources) for w in words}, sources[0]


def both_placements(counts):
    out = {}
    for canon, count in counts.items():
        for form in syllable.placements(canon):
            out[form] = count
    return out


# Initials after which a lone i and y spell the same syllable, the older
# and the newer spelling side by side (quý and quí, lý and lí, kỳ and kì).
I_Y_INITIALS = ("h", "k", "l", "m", "qu", "s", "t", "v")


def i_y_spellings(canon):
    """The other spelling of every syllable of a lone i or y after those
    initials, which the dictionary often lists in one form only (quì)."""
    out = set()
    for word in canon:
        letters, tone = syllable.parse(word)
        start, end, _ = syllable.split(letters)
        initial = "".join(l[0] for l in letters[:start])
        if end - start == 1 and end == len(letters) and initial in I_Y_INITIALS and letters[start] in (("i", 0), ("y", 0)):
            other = list(letters)
            other[start] = ("y" if letters[start][0] == "i" else "i", 0)
            if syllable.is_valid(other, tone):
                out.add(syllable.render(other, tone))
    return out - canon


def build_vietnamese():
    syllables, ascii_words, loans, total = count_vietnamese()
    known = hunspell_words()
    v_canon = {syllable.canonical(w) for w in known} - {None}
    v_canon |= {s for s, c in syllables.items() if c >= MIN_CORPUS_SYLLABLE}
    v_canon |= i_y_spellings(v_canon)
    # software text undercounts everyday words (môn, bên, quên): every known
    # syllable gets a floor so that a chance English reading of its keys needs
    # real evidence
    f = both_placements({s: max(VIETNAMESE_FLOOR, math.ceil(syllables[s] * TOTAL / total)) for s in v_canon})
    # l: words in Vietnamese letters that are no single syllable (HĐND, loans)
    l_words = {w for w in known if not w.isascii() and syllable.parses(w) and syllable.canonical(w) is None}
    l_words |= {w for w, c in loans.items() if c >= MIN_LOAN_WORD}
    r = {w: per_million(c, total) for w, c in ascii_words.items()
         if c >= MIN_VI_ASCII_WORD and len(w) >= 2}
    return l_words, f, r


def build_english(in_vietnamese):
    """in_vietnamese: per-million frequencies of English words inside
    Vietnamese text, the words a Vietnamese typist mixes in."""
    frequency, software = english_per_million()
    for word, count in in_vietnamese.items():
        frequency[word] = max(frequency.get(word, 0), count)
    e = {}
    for word, level in scowl_levels().items():
        e[word] = max(ENGLISH_FLOOR[level], math.ceil(frequency.get(word, 0)))
    for word, count in software.items():
        if word not in e and count >= MIN_TECH_WORD and len(word) >= 3:
            e[word] = math.ceil(frequency[word])
    # a key is named as often as the commonest words of the English list
    for name in key_names():
        e.setdefault(name, max(ENGLISH_FLOOR[SCOWL_LEVELS[0]], math.ceil(frequency.get(name, 0))))
    for name in scowl_names():
        e.setdefault(name, max(ENGLISH_FLOOR[SCOWL_NAME_LEVELS[-1]], math.ceil(frequency.get(name, 0))))
    for code in curated.KNOWN_CODES:
        e.setdefault(code, ENGLISH_FLOOR[SCOWL_LEVELS[0]])
    for word in {w for w in scowl_doubled_words() if escaped_by_repeat(w, e)}:
        e.setdefault(word, max(ENGLISH_FLOOR[SCOWL_LEVELS[-1]], math.ceil(frequency.get(word, 0))))
    return e


def key_names():
    """The names of the keys of a PC keyboard (esc, alt, backspace), which help
    text puts among Vietnamese words (bấm phím Esc); the left and right and the
    keypad copies of a key share its name."""
    with open(INPUT_EVENT_CODES, encoding="utf-8") as f:
        codes = re.findall(r"^#define KEY_([A-Z]+)\s+(\d+)\b", f.read(), flags=re.M)
    names = {re.sub(r"^(left|right|kp)", "", name.lower()) for name, code in codes if 0 < int(code) <= LAST_PC_KEY}
    return {n for n in names if len(n) >= 2 and syllable.canonical(n) is None}


def by_count(table):
    return sorted(table.items(), key=lambda kv: (-kv[1], kv[0]))


def write(path, lines):
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        for line in lines:
            f.write(line + "\n")


def checked_curated(v, e):
    """The hand-made lists, refusing entries that would fight the word lists:
    a replacement must be Vietnamese, and a wrong word must not be English."""
    def vietnamese(text):
        return all(w in v for w in text.split())

    problems = []
    corrections = {}
    for wrong, right in curated.CORRECTIONS.items():
        if not vietnamese(right) or wrong in v or wrong in e:
            problems.append("correction %s -> %s" % (wrong, right))
        corrections[wrong] = right
    context = {}
    for (p, c), (np, nc) in curated.CONTEXT_CORRECTIONS.items():
        if not vietnamese(" ".join((p, c, np, nc))) or (p, c) == (np, nc):
            problems.append("context correction %s %s" % (p, c))
        context[p + " " + c] = np + " " + nc
    keep = {}
    for a, b in curated.KEEP_PAIRS:
        if not vietnamese(a + " " + b):
            problems.append("kept pair %s %s" % (a, b))
        keep[a + " " + b] = 1
    shorthand = {}
    for abbr, (expansion, after_english_blocked) in curated.SHORTHAND.items():
        if not vietnamese(expansion) or (abbr in e and not after_english_blocked):
            problems.append("shorthand %s" % abbr)
        shorthand[abbr] = expansion + ("\tB" if after_english_blocked else "")
    if problems:
        sys.exit("make_lexicon: bad hand-made entries:\n  " + "\n  ".join(problems))
    return corrections, context, keep, shorthand


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data")
    os.makedirs(out, exist_ok=True)
    l_words, f, r = build_vietnamese()
    e = build_english(r)
    corrections, context, keep, shorthand = checked_curated(f, e)

    # vi.tsv repeats the frequencies of vi_freq.tsv, which the engine reads them from
    write(os.path.join(out, "vi.tsv"),
          ["%s\t%d" % kv for kv in by_count(f)] + sorted(l_words))
    write(os.path.join(out, "vi_freq.tsv"),
          ["#total\t%d" % TOTAL] + ["%s\t%d" % kv for kv in by_count(f)] + ["%s\t%d" % kv for kv in by_count(r)])
    write(os.path.join(out, "en.tsv"), ["#total\t%d" % TOTAL] + ["%s\t%d" % kv for kv in by_count(e)])
    write(os.path.join(out, "corrections.tsv"), ["%s\t%s" % kv for kv in sorted(corrections.items())])
    write(os.path.join(out, "corrections_ctx.tsv"), ["%s\t%s" % kv for kv in sorted(context.items())])
    write(os.path.join(out, "corrections_keep.tsv"), ["%s\t%d" % kv for kv in sorted(keep.items())])
    write(os.path.join(out, "shorthand.tsv"), ["%s\t%s" % kv for kv in sorted(shorthand.items())])
    print("vi %d (+%d loan words), vi_freq %d (+%d English in Vietnamese text), en %d, "
          "corrections %d, context %d, keep %d, shorthand %d"
          % (len(f), len(l_words), len(f), len(r), len(e), len(corrections), len(context), len(keep), len(shorthand)))


if __name__ == "__main__":
    main()
