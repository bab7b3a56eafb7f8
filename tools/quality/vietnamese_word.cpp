#include "vietnamese_word.h"

#include <cstdint>

namespace {

struct Letter {
    char base;  // lower-case ASCII letter
    char mark;  // 0, or the Telex key that adds the mark: a e o (circumflex), w, d
    int tone;   // 0..5: none, acute, grave, hook, tilde, dot
    bool upper;
};

struct VowelRow {
    char base;
    char markKey;
    const char* lower;  // six UTF-8 letters, tones 0..5
    const char* upper;
};

const VowelRow kRows[] = {
    {'a', 0, "aáàảãạ", "AÁÀẢÃẠ"}, {'a', 'w', "ăắằẳẵặ", "ĂẮẰẲẴẶ"}, {'a', 'a', "âấầẩẫậ", "ÂẤẦẨẪẬ"},
    {'e', 0, "eéèẻẽẹ", "EÉÈẺẼẸ"}, {'e', 'e', "êếềểễệ", "ÊẾỀỂỄỆ"}, {'i', 0, "iíìỉĩị", "IÍÌỈĨỊ"},
    {'o', 0, "oóòỏõọ", "OÓÒỎÕỌ"}, {'o', 'o', "ôốồổỗộ", "ÔỐỒỔỖỘ"}, {'o', 'w', "ơớờởỡợ", "ƠỚỜỞỠỢ"},
    {'u', 0, "uúùủũụ", "UÚÙỦŨỤ"}, {'u', 'w', "ưứừửữự", "ƯỨỪỬỮỰ"}, {'y', 0, "yýỳỷỹỵ", "YÝỲỶỸỴ"},
};

const char kTelexToneKeys[] = " sfrxj";
const char kVniToneKeys[] = " 12345";

// The VNI digit of a mark written as its Telex key.
char vni_mark(const Letter& l)
{
    if (l.mark == 'd')
        return '9';
    if (l.mark == 'w')
        return l.base == 'a' ? '8' : '7';
    return '6';
}

uint32_t decode(const std::string& s, size_t& i)
{
    unsigned char c = static_cast<unsigned char>(s[i]);
    int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
    uint32_t cp = extra == 0 ? c : c & (0x3F >> extra);
    ++i;
    for (int k = 0; k < extra && i < s.size(); ++k, ++i)
        cp = (cp << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
    return cp;
}

bool lookup(uint32_t cp, Letter& out)
{
    if (cp < 0x80) {
        bool upper = cp >= 'A' && cp <= 'Z';
        if (!upper && !(cp >= 'a' && cp <= 'z'))
            return false;
        out = {static_cast<char>(upper ? cp + 32 : cp), 0, 0, upper};
        return true;
    }
    if (cp == 0x111 || cp == 0x110) {
        out = {'d', 'd', 0, cp == 0x110};
        return true;
    }
    for (const VowelRow& row : kRows) {
        for (int pass = 0; pass < 2; ++pass) {
            std::string cells = pass ? row.upper : row.lower;
            size_t i = 0;
            for (int tone = 0; tone < 6; ++tone) {
                if (decode(cells, i) == cp) {
                    out = {row.base, row.markKey, tone, pass == 1};
                    return true;
                }
            }
        }
    }
    return false;
}

// Letters of a word; false when some character is no letter.
bool letters_of(const std::string& word, std::vector<Letter>& letters)
{
    letters.clear();
    for (size_t i = 0; i < word.size();) {
        Letter l;
        if (!lookup(decode(word, i), l))
            return false;
        letters.push_back(l);
    }
    return true;
}

char cased(char key, bool upper) { return upper ? static_cast<char>(key - 32) : key; }

bool is_plain(const Letter& l, char base) { return l.base == base && l.mark == 0; }

// The second o of xoong, coóc: oo would type ô, so a third o undoes the mark.
bool plain_oo_before_final(const std::vector<Letter>& letters, size_t i)
{
    if (i == 0 || !is_plain(letters[i], 'o') || !is_plain(letters[i - 1], 'o'))
        return false;
    size_t rest = letters.size() - i - 1;
    return (rest == 1 && is_plain(letters[i + 1], 'c'))
           || (rest == 2 && is_plain(letters[i + 1], 'n') && is_plain(letters[i + 2], 'g'));
}

}  // namespace

std::string typing_keys(const std::string& word, Method method, ToneKey toneKey)
{
    std::vector<Letter> letters;
    if (!letters_of(word, letters) || letters.empty())
        return word;
    bool vni = method == Method::Vni;
    // a lone capital (Ồ, Ý) is typed with Shift on the letter only
    bool allUpper = letters.size() > 1;
    for (const Letter& l : letters)
        allUpper = allUpper && l.upper;
    std::string keys, toneAtEnd;
    for (size_t i = 0; i < letters.size(); ++i) {
        const Letter& l = letters[i];
        keys += cased(l.base, l.upper);
        if (l.mark)
            keys += vni ? vni_mark(l) : cased(l.mark, allUpper);
        if (!vni && plain_oo_before_final(letters, i))
            keys += cased('o', l.upper);
        if (!l.tone)
            continue;
        std::string& to = toneKey == ToneKey::AfterVowel ? keys : toneAtEnd;
        to += vni ? kVniToneKeys[l.tone] : cased(kTelexToneKeys[l.tone], allUpper);
    }
    return keys + toneAtEnd;
}

std::string telex_keys(const std::string& word, ToneKey toneKey) { return typing_keys(word, Method::Telex, toneKey); }

std::string spelling_key(const std::string& word)
{
    std::vector<Letter> letters;
    if (!letters_of(word, letters))
        return word;
    std::string key;
    int tone = 0;
    for (const Letter& l : letters) {
        key += l.base;
        if (l.mark)
            key += l.mark == l.base ? '^' : l.mark;
        if (l.tone)
            tone = tone ? -1 : l.tone;
    }
    return key + '|' + std::to_string(tone);
}

bool has_vietnamese_letter(const std::string& word)
{
    for (char c : word)
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    return false;
}

namespace {

// Calls onWord for each run of letters and onOther for each other character.
template <typename WordFn, typename OtherFn> void scan_words(const std::string& text, WordFn onWord, OtherFn onOther)
{
    std::string current;
    for (size_t i = 0; i < text.size();) {
        size_t start = i;
        Letter l;
        bool letter = lookup(decode(text, i), l);
        if (letter) {
            current.append(text, start, i - start);
            continue;
        }
        if (!current.empty())
            onWord(current);
        current.clear();
        onOther(text.substr(start, i - start));
    }
    if (!current.empty())
        onWord(current);
}

}  // namespace

std::vector<std::string> split_words(const std::string& text)
{
    std::vector<std::string> words;
    scan_words(
        text, [&](const std::string& w) { words.push_back(w); }, [](const std::string&) {});
    return words;
}

std::vector<bool> words_before_digit(const std::string& text)
{
    std::vector<bool> before;
    bool open = false;  // a word just ended and nothing followed it yet
    scan_words(
        text,
        [&](const std::string&) {
            before.push_back(false);
            open = true;
        },
        [&](const std::string& other) {
            if (open && other[0] >= '0' && other[0] <= '9')
                before.back() = true;
            open = false;
        });
    return before;
}

std::string typing_text(const std::string& text, Method method, ToneKey tone)
{
    std::string keys;
    scan_words(
        text, [&](const std::string& w) { keys += typing_keys(w, method, tone); },
        [&](const std::string& other) { keys += other; });
    return keys;
}

std::string telex_text(const std::string& text, ToneKey tone) { return typing_text(text, Method::Telex, tone); }
