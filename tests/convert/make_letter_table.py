#!/usr/bin/env python3
"""Writes letters.tsv: every Vietnamese letter with a mark and how each
encoding writes it, from sources apart from the converter: Python's Unicode
data for NFD, glibc's iconv tables for TCVN 5712:1993 and VISCII, and the
published VNI and VIQR (RFC 1456) schemes.

    python3 tests/convert/make_letter_table.py > tests/convert/letters.tsv
"""
import subprocess
import unicodedata

ROWS = [("a", ""), ("a", "\u0306"), ("a", "\u0302"), ("e", ""), ("e", "\u0302"), ("i", ""), ("o", ""),
        ("o", "\u0302"), ("o", "\u031b"), ("u", ""), ("u", "\u031b"), ("y", "")]
TONES = ["", "\u0301", "\u0300", "\u0309", "\u0303", "\u0323"]

# VNI: mark bytes by shape and tone (lower case; capitals 0x20 below), and
# the letters of a byte of their own.
VNI_TONE = {"": None, "\u0301": 0xF9, "\u0300": 0xF8, "\u0309": 0xFB, "\u0303": 0xF5, "\u0323": 0xEF}
VNI_CIRCUMFLEX = {"": 0xE2, "\u0301": 0xE1, "\u0300": 0xE0, "\u0309": 0xE5, "\u0303": 0xE3, "\u0323": 0xE4}
VNI_BREVE = {"": 0xEA, "\u0301": 0xE9, "\u0300": 0xE8, "\u0309": 0xFA, "\u0303": 0xFC, "\u0323": 0xEB}
VNI_SINGLE = {"ơ": 0xF4, "ư": 0xF6, "đ": 0xF1, "í": 0xED, "ì": 0xEC, "ỉ": 0xE6, "ĩ": 0xF3, "ị": 0xF2, "ỵ": 0xEE}
VIQR_SHAPE = {"": "", "\u0306": "(", "\u0302": "^", "\u031b": "+"}
VIQR_TONE = {"": "", "\u0301": "'", "\u0300": "`", "\u0309": "?", "\u0303": "~", "\u0323": "."}


def iconv_hex(letter, charset):
    out = subprocess.run(["iconv", "-f", "UTF-8", "-t", charset], input=letter.encode(), capture_output=True,
                         check=True).stdout
    return out.hex().upper()


def vni_hex(letter, base, shape, tone, upper):
    lower = letter.lower()
    if lower in VNI_SINGLE or unicodedata.normalize("NFC", base + shape) in VNI_SINGLE:
        single = VNI_SINGLE.get(lower)
        if single is not None:
            data = [single]
        else:
            data = [VNI_SINGLE[unicodedata.normalize("NFC", base + shape)], VNI_TONE[tone]]
    else:
        table = VNI_CIRCUMFLEX if shape == "\u0302" else VNI_BREVE if shape == "\u0306" else VNI_TONE
        data = [ord(base), table[tone]]
    if upper:
        data = [ord(chr(data[0]).upper()) if data[0] < 0x80 else data[0] - 0x20] + [b - 0x20 for b in data[1:]]
    return bytes(data).hex().upper()


def rows():
    for base, shape in ROWS:
        for tone in TONES:
            if not shape and not tone:
                continue
            yield base, shape, tone
    yield "d", "stroke", ""


def main():
    print("# letter\tnfd\ttcvn3\tvni-windows\tviscii\tviqr\tncr\tnomarks")
    for base, shape, tone in rows():
        for upper in (False, True):
            if shape == "stroke":
                letter = "Đ" if upper else "đ"
                nfd, vni, viqr, plain = letter, "D1" if upper else "F1", "DD" if upper else "dd", "D" if upper else "d"
            else:
                letter = unicodedata.normalize("NFC", base + shape + tone)
                letter = letter.upper() if upper else letter
                nfd = unicodedata.normalize("NFD", letter)
                vni = vni_hex(letter, base, shape, tone, upper)
                b = base.upper() if upper else base
                viqr = b + VIQR_SHAPE[shape] + VIQR_TONE[tone]
                plain = b
            print("\t".join([letter, nfd, iconv_hex(letter, "TCVN5712-1"), vni, iconv_hex(letter, "VISCII"), viqr,
                             "&#%d;" % ord(letter), plain]))


main()
