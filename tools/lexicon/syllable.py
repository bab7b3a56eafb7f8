"""Vietnamese letters and syllable spelling, as the typing engine sees them.

A word is parsed into letters (base, mark) plus one tone for the whole word,
so that tone placement variants (hoà / hòa) count as the same syllable.
Marks: 0 none, 1 circumflex, 2 breve, 3 horn, 4 stroke.
"""

VOWEL_ROWS = [
    ("a", 0, "aáàảãạ"), ("a", 2, "ăắằẳẵặ"), ("a", 1, "âấầẩẫậ"),
    ("e", 0, "eéèẻẽẹ"), ("e", 1, "êếềểễệ"), ("i", 0, "iíìỉĩị"),
    ("o", 0, "oóòỏõọ"), ("o", 1, "ôốồổỗộ"), ("o", 3, "ơớờởỡợ"),
    ("u", 0, "uúùủũụ"), ("u", 3, "ưứừửữự"), ("y", 0, "yýỳỷỹỵ"),
]

# Tone columns: 0 none, 1 acute, 2 grave, 3 hook, 4 tilde, 5 dot.
_CHAR_TO_LETTER = {}
for _base, _mark, _cells in VOWEL_ROWS:
    for _tone, _ch in enumerate(_cells):
        _CHAR_TO_LETTER[_ch] = (_base, _mark, _tone)
_ROW_OF = {(b, m): cells for b, m, cells in VOWEL_ROWS}

INITIALS = {"", "b", "c", "ch", "d", "đ", "g", "gh", "gi", "h", "k", "kh", "l",
            "m", "n", "ng", "ngh", "nh", "p", "ph", "qu", "r", "s", "t", "th",
            "tr", "v", "x"}
FINALS = {"", "c", "ch", "m", "n", "ng", "nh", "p", "t"}
NUCLEI_B = {"a", "e", "ê", "i", "o", "ô", "ơ", "u", "ư", "y", "oa", "oe", "uê", "uy"}
NUCLEI_C = {"ă", "â", "iê", "oă", "oo", "uâ", "uô", "ươ", "yê", "uyê", "ôô"}
NUCLEI_N = {"ai", "ao", "au", "ay", "âu", "ây", "eo", "êu", "ia", "iu", "oi", "ôi",
            "ơi", "ua", "ui", "uơ", "ưa", "ưi", "ưu", "iêu", "yêu", "oai", "oay",
            "oeo", "uây", "uôi", "ươi", "ươu", "uya", "uyu"}


def parse(word):
    """Lower-case word -> (letters, tone) or None. letters: list of (base, mark)."""
    letters, tone = [], 0
    for ch in word:
        if "a" <= ch <= "z":
            letters.append((ch, 0))
        elif ch == "đ":
            letters.append(("d", 4))
        elif ch in _CHAR_TO_LETTER:
            base, mark, t = _CHAR_TO_LETTER[ch]
            if t:
                if tone:
                    return None
                tone = t
            letters.append((base, mark))
        else:
            return None
    if not letters or len(letters) > 32:
        return None
    return letters, tone


def _is_vowel(letter):
    return letter[0] in "aeiouy" and letter[1] != 4


def _plain(letter):
    if letter[1] == 4:
        return "đ"
    if _is_vowel(letter):
        cells = _ROW_OF.get((letter[0], letter[1])) or _ROW_OF[(letter[0], 0)]
        return cells[0]
    return letter[0]


def split(letters):
    """(nucleusStart, nucleusEnd, valid) as the engine splits a syllable."""
    n = len(letters)
    start = next((i for i, l in enumerate(letters) if _is_vowel(l)), n)
    if start == n:
        return n, n, False
    end = start
    while end < n and _is_vowel(letters[end]):
        end += 1
    valid = not any(_is_vowel(l) for l in letters[end:])
    if start == 1 and end - start >= 2 and (
            (letters[0] == ("q", 0) and letters[1] == ("u", 0)) or
            (letters[0] == ("g", 0) and letters[1] == ("i", 0))):
        start = 2
    return start, end, valid


def is_valid(letters, tone):
    start, end, valid = split(letters)
    if not valid or any(l[0] in "fjwz" for l in letters):
        return False
    if any(l[1] == 4 and l[0] != "d" for l in letters):
        return False
    initial = "".join(_plain(l) for l in letters[:start])
    nucleus = "".join(_plain(l) for l in letters[start:end])
    final = "".join(_plain(l) for l in letters[end:])
    if initial not in INITIALS or final not in FINALS:
        return False
    if nucleus in NUCLEI_C:
        if not final:
            return False
    elif nucleus in NUCLEI_N:
        if final:
            return False
    elif nucleus not in NUCLEI_B:
        return False
    if final in ("c", "ch", "p", "t") and tone not in (0, 1, 5):
        return False
    if final in ("ch", "nh") and nucleus not in ("a", "ê", "i", "y", "oa", "uê", "uy"):
        return False
    # After gi the ê stands for iê (giếng, giếc), which takes c and ng.
    if final in ("c", "ng") and nucleus in ("i", "y", "ê") and not (initial == "gi" and nucleus == "ê"):
        return False
    front = nucleus[0] in "ieêy"
    if initial == "k" and not front:
        return False
    if initial == "c" and front:
        return False
    if initial in ("gh", "ngh") and nucleus[0] not in "ieê":
        return False
    if initial == "g" and front and nucleus[0] not in "iy":
        return False
    if initial == "ng" and front and nucleus[0] != "y":
        return False
    if initial == "qu" and nucleus[0] in "uư":
        return False
    return True


def tone_position(letters, tone, old_style):
    start, end, _ = split(letters)
    if start == end:
        vowels = [i for i, l in enumerate(letters) if _is_vowel(l)]
        return vowels[-1] if vowels else -1
    if end - start == 1:
        return start
    for i in range(start + 1, end):
        if letters[i - 1] == ("u", 3) and letters[i] == ("o", 3):
            return i
    for i in range(end - 1, start - 1, -1):
        if letters[i][1] in (1, 2, 3):
            return i
    if end - start > 2 or end < len(letters):
        return start + 1
    pair = letters[start][0] + letters[start + 1][0]
    if not old_style and pair in ("oa", "oe", "uy"):
        return start + 1
    return start


def render(letters, tone, old_style=False):
    pos = tone_position(letters, tone, old_style) if tone else -1
    out = []
    for i, letter in enumerate(letters):
        if _is_vowel(letter):
            cells = _ROW_OF.get((letter[0], letter[1])) or _ROW_OF[(letter[0], 0)]
            out.append(cells[tone if i == pos else 0])
        else:
            out.append(_plain(letter))
    return "".join(out)


def placements(word):
    """The word in new and old tone placement (one entry when they agree),
    or an empty list when it is not a valid syllable."""
    parsed = parse(word)
    if parsed is None or not is_valid(*parsed):
        return []
    forms = [render(*parsed, False), render(*parsed, True)]
    return forms[:1] if forms[0] == forms[1] else forms


def canonical(word):
    """New-placement spelling of a valid syllable, else None."""
    forms = placements(word)
    return forms[0] if forms else None


def parses(word):
    return parse(word) is not None
