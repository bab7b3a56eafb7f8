"""Readers for the packaged texts the lexicon is counted from."""

import gzip
import html
import re
import struct


def read_mo(path):
    """(msgid, msgstr) pairs of a compiled gettext catalog; plural forms are
    joined with a newline so that each one is read as text."""
    with open(path, "rb") as f:
        data = f.read()
    magic = struct.unpack("<I", data[:4])[0]
    order = "<" if magic == 0x950412DE else ">"
    _, count, ids_at, strs_at = struct.unpack(order + "4I", data[4:20])
    pairs = []
    for i in range(count):
        id_len, id_off = struct.unpack(order + "2I", data[ids_at + 8 * i:ids_at + 8 * i + 8])
        st_len, st_off = struct.unpack(order + "2I", data[strs_at + 8 * i:strs_at + 8 * i + 8])
        msgid = data[id_off:id_off + id_len].decode("utf-8", "replace")
        msgstr = data[st_off:st_off + st_len].decode("utf-8", "replace")
        if msgid:  # the empty msgid holds the catalog header
            pairs.append((msgid.replace("\0", "\n"), msgstr.replace("\0", "\n")))
    return pairs


_ROFF_ESCAPE = re.compile(r"\\(f[BIRP]|f\(..|\(..|\*\(..|\*.|[-&/,|^ e]|s[-+]?\d)")


def read_man(path):
    """Running text of a gzip-compressed roff page, without requests and fonts."""
    with gzip.open(path, "rt", encoding="utf-8", errors="replace") as f:
        lines = f.read().splitlines()
    out = []
    for line in lines:
        if line.startswith((".\\\"", "'\\\"")):
            continue
        if line.startswith("."):
            parts = line.split(None, 1)
            if parts[0] in (".SH", ".SS", ".B", ".I", ".BR", ".IR", ".BI", ".IB", ".RB") and len(parts) > 1:
                line = parts[1].replace('"', " ")
            else:
                continue
        out.append(_ROFF_ESCAPE.sub(lambda m: "-" if m.group(1) == "-" else "", line))
    return "\n".join(out)


def read_html(path):
    """Visible text of an HTML page, without preformatted blocks."""
    with open(path, encoding="utf-8", errors="replace") as f:
        text = f.read()
    text = re.sub(r"(?is)<(pre|script|style|head)\b.*?</\1>", " ", text)
    text = re.sub(r"(?s)<[^>]+>", " ", text)
    return html.unescape(text)


_FORMAT = re.compile(r"%(\d+\$)?[-+ #0']*(\d+|\*)?(\.(\d+|\*))?(hh|h|ll|l|L|q|j|z|t)?[a-zA-Z%]")
_EDGE = "\"'“”‘’`«»()[]{}<>,.;:!?…*"


def chunks(text):
    """Whitespace-separated pieces of a text with edge punctuation removed;
    a piece that is not made of letters only (code, paths, numbers, options)
    comes back as None, so that callers can tell words from their neighbours."""
    text = _FORMAT.sub(" ", text)
    for piece in text.split():
        piece = piece.strip(_EDGE).lstrip("_&")
        yield piece if piece and piece.isalpha() else None


def ascii_words(text):
    """ASCII letter runs of a text, also inside paths and options
    (/usr/share, --no-pager), where English terms of software live."""
    return re.findall(r"[A-Za-z]+", _FORMAT.sub(" ", text))
