#!/usr/bin/env python3
"""Writes corpus.txt for miradot-quality: Vietnamese sentences with English
terms mixed in, taken from the Vietnamese Debian New Maintainers' Guide
(package maint-guide-vi) and from translation catalogs that make_lexicon.py
leaves out. No lexicon file is counted from these texts, so the figures
measure text the lexicon was not made from.

Usage: tools/quality/make_corpus.py [output, default corpus.txt beside this file]
"""

import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "lexicon"))

import textsources  # noqa: E402

GUIDE = "/usr/share/doc/maint-guide-vi/html"
CATALOGS = "/usr/share/locale/vi/LC_MESSAGES"
HELD_OUT_DOMAINS = ["adduser", "apt", "diffutils", "findutils", "grep", "libapt-pkg6.0",
                    "man-db", "psmisc", "sed", "xz"]
MIN_WORDS = 4
MAX_BYTES = 400


def sentences(text):
    text = re.sub(r"\[\d+\]", " ", text)
    for block in re.split(r"\n\s*\n", text):
        flat = " ".join(block.split())
        for sentence in re.split(r"(?<=[.!?])\s+", flat):
            yield sentence.strip()


def usable(sentence):
    """Enough words, some Vietnamese, no format placeholders, markup or identifiers, and
    short enough for one line of typing. Commands and file names stay: users
    type them between Vietnamese words too."""
    words = [p for p in textsources.chunks(sentence) if p is not None]
    return (len(words) >= MIN_WORDS and not sentence.isascii()
            and len(sentence.encode("utf-8")) <= MAX_BYTES
            and not any(c in sentence for c in "%\\$<>{}|=_"))


def texts():
    for name in sorted(os.listdir(GUIDE)):
        if name.endswith(".vi.html"):
            yield textsources.read_html(os.path.join(GUIDE, name))
    for domain in HELD_OUT_DOMAINS:
        for msgid, msgstr in textsources.read_mo(os.path.join(CATALOGS, domain + ".mo")):
            if msgstr != msgid:
                yield msgstr.replace("\n", "\n\n")


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus.txt")
    seen, lines = set(), []
    for text in texts():
        for sentence in sentences(text):
            if sentence not in seen and usable(sentence):
                seen.add(sentence)
                lines.append(sentence)
    with open(out, "w", encoding="utf-8", newline="\n") as f:
        f.write("".join(line + "\n" for line in lines))
    print("%d sentences, %d words" % (len(lines), sum(len(line.split()) for line in lines)))


if __name__ == "__main__":
    main()
