#include "composer.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string_view>

#include "engine.h"
#include "lexicon.h"

namespace miradot {

namespace {

constexpr std::string_view INITIALS[]
    = {"",  "b",  "c",   "ch", "d", "đ",  "g",  "gh", "gi", "h", "k",  "kh", "l", "m",
       "n", "ng", "ngh", "nh", "p", "ph", "qu", "r",  "s",  "t", "th", "tr", "v", "x"};
constexpr std::string_view FINALS[] = {"", "c", "ch", "m", "n", "ng", "nh", "p", "t"};

enum NucleusKind { ANY_FINAL, NEEDS_FINAL, NO_FINAL };
struct Nucleus {
    std::string_view text;
    NucleusKind kind;
};
constexpr Nucleus NUCLEI[] = {
    {"a", ANY_FINAL},    {"ă", NEEDS_FINAL},  {"â", NEEDS_FINAL},   {"e", ANY_FINAL},  {"ê", ANY_FINAL},
    {"i", ANY_FINAL},    {"o", ANY_FINAL},    {"ô", ANY_FINAL},     {"ơ", ANY_FINAL},  {"u", ANY_FINAL},
    {"ư", ANY_FINAL},    {"y", ANY_FINAL},    {"ai", NO_FINAL},     {"ao", NO_FINAL},  {"au", NO_FINAL},
    {"ay", NO_FINAL},    {"âu", NO_FINAL},    {"ây", NO_FINAL},     {"eo", NO_FINAL},  {"êu", NO_FINAL},
    {"ia", NO_FINAL},    {"iê", NEEDS_FINAL}, {"iu", NO_FINAL},     {"oa", ANY_FINAL}, {"oă", NEEDS_FINAL},
    {"oe", ANY_FINAL},   {"oi", NO_FINAL},    {"ôi", NO_FINAL},     {"ơi", NO_FINAL},  {"oo", NEEDS_FINAL},
    {"ua", NO_FINAL},    {"uâ", NEEDS_FINAL}, {"uê", ANY_FINAL},    {"ui", NO_FINAL},  {"uô", NEEDS_FINAL},
    {"uơ", NO_FINAL},    {"uy", ANY_FINAL},   {"ưa", NO_FINAL},     {"ưi", NO_FINAL},  {"ưu", NO_FINAL},
    {"ươ", NEEDS_FINAL}, {"yê", NEEDS_FINAL}, {"iêu", NO_FINAL},    {"yêu", NO_FINAL}, {"oai", NO_FINAL},
    {"oay", NO_FINAL},   {"oeo", NO_FINAL},   {"uây", NO_FINAL},    {"uôi", NO_FINAL}, {"ươi", NO_FINAL},
    {"ươu", NO_FINAL},   {"uya", NO_FINAL},   {"uyê", NEEDS_FINAL}, {"uyu", NO_FINAL}, {"ôô", NEEDS_FINAL},
};

template <size_t N> bool in_list(const std::string_view (&list)[N], std::string_view text)
{
    for (std::string_view entry : list) {
        if (entry == text)
            return true;
    }
    return false;
}

const Nucleus* find_nucleus(std::string_view text)
{
    for (const Nucleus& n : NUCLEI) {
        if (n.text == text)
            return &n;
    }
    return nullptr;
}

bool begins_nucleus(std::string_view text)
{
    for (const Nucleus& n : NUCLEI) {
        if (n.text.starts_with(text))
            return true;
    }
    return false;
}

bool text_is_one_of(std::string_view text, std::initializer_list<std::string_view> options)
{
    for (std::string_view option : options) {
        if (text == option)
            return true;
    }
    return false;
}

bool begins_with_any(std::string_view text, std::initializer_list<std::string_view> prefixes)
{
    for (std::string_view prefix : prefixes) {
        if (text.starts_with(prefix))
            return true;
    }
    return false;
}

bool is_plain(const Letter& letter, char base) { return letter.base == base && letter.mark == MARK_NONE; }

bool has_vowel(const Syllable& s)
{
    for (int i = 0; i < s.count; ++i) {
        if (is_vowel_letter(s.letters[i]))
            return true;
    }
    return false;
}

bool has_forbidden_letter(const Syllable& s)
{
    for (int i = 0; i < s.count; ++i) {
        char b = static_cast<char>(s.letters[i].base);
        if (b == 'f' || b == 'j' || b == 'w' || b == 'z')
            return true;
    }
    return false;
}

// The composition of one key string, with the steps of both methods.
class Composer {
public:
    Composer(uint32_t method, int strict, Syllable* out, ComposeStats* stats) : method_(method), s_(*out), st_(*stats)
    {
        s_.count = 0;
        s_.tone = 0;
        st_ = ComposeStats{};
        st_.wIndex = -1;
        st_.strict = strict;
    }

    void feed(char key)
    {
        if (st_.undoByRepeat)
            ++st_.keysAfterUndo;
        char lower = ascii_lower(key);
        key_ = key;
        lowerKey_ = lower;
        if (method_ == VNI)
            feed_vni(lower);
        else
            feed_telex(lower);
        st_.previousKey = static_cast<unsigned char>(lower);
    }

    void finish()
    {
        pair_u_o();
        drop_horn_before_final_o_horn();
    }

private:
    void append_literal()
    {
        bool upper = is_ascii_upper(static_cast<unsigned char>(key_));
        syllable_append(&s_, Letter{static_cast<uint8_t>(lowerKey_), MARK_NONE, upper});
    }

    void record_undo()
    {
        if (st_.previousKey == static_cast<unsigned char>(lowerKey_))
            st_.undoByRepeat = 1;
        else
            st_.undoLater = 1;
    }

    void record_mark(char markedBase)
    {
        if (st_.previousKey == static_cast<unsigned char>(markedBase))
            st_.markByRepeat = 1;
        else
            st_.markLater = 1;
    }

    int last_index() const { return s_.count - 1; }

    // After a key undid its mark (exxpe, a66) the word is typed as letters:
    // a later mark key marks only the letter it follows, as in the strict
    // composition, never a vowel back across consonants.
    bool marks_last_letter_only() const { return st_.strict || st_.undoByRepeat || st_.undoLater; }

    void feed_telex(char k)
    {
        switch (k) {
        case 'a':
        case 'e':
        case 'o':
            if (!circumflex_step(k))
                append_literal();
            return;
        case 'd':
            telex_stroke();
            return;
        case 's':
            tone_step(TONE_ACUTE);
            return;
        case 'f':
            tone_step(TONE_GRAVE);
            return;
        case 'r':
            tone_step(TONE_HOOK);
            return;
        case 'x':
            tone_step(TONE_TILDE);
            return;
        case 'j':
            tone_step(TONE_DOT);
            return;
        case 'w':
            telex_w();
            return;
        case 'z':
            remove_tone_or_literal();
            return;
        default:
            append_literal();
        }
    }

    void feed_vni(char k)
    {
        switch (k) {
        case '0':
            remove_tone_or_literal();
            return;
        case '1':
        case '2':
        case '3':
        case '4':
        case '5':
            tone_step(k - '0');
            return;
        case '6':
            if (!circumflex_step(0))
                append_literal();
            return;
        case '7':
        case '8':
            if (!horn_step(k))
                append_literal();
            return;
        case '9':
            vni_stroke();
            return;
        default:
            append_literal();
        }
    }

    void remove_tone_or_literal()
    {
        if (s_.tone != 0 && !st_.toneUndone)
            s_.tone = 0;
        else
            append_literal();
    }

    void toggle_stroke(Letter& letter)
    {
        if (letter.mark != MARK_STROKE) {
            letter.mark = MARK_STROKE;
            record_mark('d');
            return;
        }
        letter.mark = MARK_NONE;
        st_.strokeUndone = 1;
        record_undo();
        append_literal();
    }

    void telex_stroke()
    {
        if (st_.strokeUndone || s_.count == 0)
            return append_literal();
        if (s_.letters[last_index()].base == 'd')
            return toggle_stroke(s_.letters[last_index()]);
        // No syllable ends in d, so a d after the vowel marks the initial
        // (dadi, duocwdj), as the VNI stroke key may come later too.
        if (!marks_last_letter_only() && s_.letters[0].base == 'd' && has_vowel(s_))
            return toggle_stroke(s_.letters[0]);
        append_literal();
    }

    void vni_stroke()
    {
        int d = -1;
        for (int i = s_.count - 1; i >= 0; --i) {
            if (s_.letters[i].base == 'd') {
                d = i;
                break;
            }
        }
        if (d >= 0 && !st_.strokeUndone && (!marks_last_letter_only() || d == last_index()))
            toggle_stroke(s_.letters[d]);
        else
            append_literal();
    }

    void telex_w()
    {
        if (horn_step('w'))
            return;
        bool afterGi = s_.count == 2 && is_plain(s_.letters[0], 'g') && is_plain(s_.letters[1], 'i');
        if (st_.hornUndone || (has_vowel(s_) && !afterGi)) {
            append_literal();
            return;
        }
        bool upper = is_ascii_upper(static_cast<unsigned char>(key_));
        if (syllable_append(&s_, Letter{'u', MARK_HORN, upper}))
            st_.wIndex = hornTypedOnU_ = last_index();
    }

    void tone_step(int tone)
    {
        if (!has_vowel(s_) || st_.toneUndone) {
            append_literal();
        } else if (s_.tone != tone) {
            s_.tone = tone;
            ++st_.toneCount;
        } else if (st_.previousKey != static_cast<unsigned char>(lowerKey_)) {
            // The tone key typed again after other keys (muwjowjn): the user
            // places the tone anew, which it already is; only a repeat undoes.
        } else {
            s_.tone = 0;
            st_.toneUndone = 1;
            record_undo();
            append_literal();
        }
    }

    // The run of vowel letters ending at the last vowel: [start, last].
    bool vowel_run(int* start, int* last) const
    {
        int L = -1;
        for (int i = s_.count - 1; i >= 0; --i) {
            if (is_vowel_letter(s_.letters[i])) {
                L = i;
                break;
            }
        }
        if (L < 0)
            return false;
        int S = L;
        while (S > 0 && is_vowel_letter(s_.letters[S - 1]))
            --S;
        // The u of "qu" belongs to the initial.
        if (S == 1 && L >= 2 && s_.letters[0].base == 'q' && s_.letters[1].base == 'u')
            S = 2;
        *start = S;
        *last = L;
        return true;
    }

    // match 0 means any of a, e, o (VNI 6).
    bool circumflex_step(char match)
    {
        if (st_.circumflexUndone)
            return false;
        int S, L;
        if (!vowel_run(&S, &L))
            return false;
        int j = -1;
        for (int i = L; i >= S; --i) {
            char b = static_cast<char>(s_.letters[i].base);
            if (match ? b == match : (b == 'a' || b == 'e' || b == 'o')) {
                j = i;
                break;
            }
        }
        if (j < 0)
            return false;
        bool jIsLast = j == last_index();
        if (marks_last_letter_only() && !jIsLast)
            return false;
        Letter& target = s_.letters[j];
        if (!jIsLast && L == last_index() && target.mark != MARK_CIRCUMFLEX && run_reads_as_vowels(S, L))
            return false;
        if (target.mark == MARK_CIRCUMFLEX) {
            target.mark = MARK_NONE;
            st_.circumflexUndone = 1;
            record_undo();
            append_literal();
        } else {
            target.mark = MARK_CIRCUMFLEX;
            record_mark(static_cast<char>(target.base));
        }
        return true;
    }

    // Whether the vowels S..L followed by the key already spell a syllable
    // (ngoe + o stays ngoeo rather than becoming ngôe).
    bool run_reads_as_vowels(int S, int L) const
    {
        Syllable test{};
        for (int i = S; i <= L && test.count < 30; ++i)
            syllable_append(&test, s_.letters[i]);
        syllable_append(&test, Letter{static_cast<uint8_t>(lowerKey_), MARK_NONE, 0});
        if (is_valid_syllable(test))
            return true;
        syllable_append(&test, Letter{'n', MARK_NONE, 0});
        return is_valid_syllable(test);
    }

    bool horn_step(char key)
    {
        if (st_.hornUndone)
            return false;
        int S, L;
        if (!vowel_run(&S, &L))
            return false;
        int target = -1, partner = -1;
        uint8_t mark = MARK_HORN;
        bool longRun = L - S + 1 >= 2;
        if (key != '8' && longRun) {
            for (int i = S; i < L; ++i) {
                if (s_.letters[i].base == 'u' && s_.letters[i + 1].base == 'o') {
                    target = i;
                    partner = i + 1;
                    break;
                }
            }
        }
        if (key == 'w' && target < 0 && longRun) {
            for (int i = S; i < L; ++i) {
                if (s_.letters[i].base == 'u' && s_.letters[i + 1].base == 'a') {
                    target = i;
                    break;
                }
            }
        }
        if (key != '7' && target < 0) {
            target = last_in_run('a', S, L);
            if (target >= 0)
                mark = MARK_BREVE;
        }
        if (key != '8' && target < 0) {
            target = last_in_run('o', S, L);
            if (target < 0)
                target = last_in_run('u', S, L);
        }
        if (target < 0)
            return false;
        if (marks_last_letter_only() && (partner >= 0 ? partner : target) != last_index())
            return false;
        bool swapped = false;
        if (!marks_last_letter_only() && s_.letters[target].mark != mark
            && !marked_run_is_nucleus(S, L, target, partner, mark)) {
            swapped = retarget_horn(key, S, L, &target, &partner, &mark);
        }

        Letter& t = s_.letters[target];
        bool partnerHas = partner < 0 || s_.letters[partner].mark == mark;
        if (t.mark == mark && partnerHas && partner == last_index() && shows_uo_without_horn(target) && !keepUoHorn_) {
            // thuow shows thuơ; w again asks for the horn the u lost (thươ).
            keepUoHorn_ = true;
            record_mark(static_cast<char>(s_.letters[partner].base));
            return true;
        }
        if (t.mark == mark && partnerHas) {
            st_.hornUndone = 1;
            record_undo();
            if (partner < 0 && target == st_.wIndex) {
                t.base = 'w';
                t.mark = MARK_NONE;
            } else {
                t.mark = MARK_NONE;
                if (partner >= 0)
                    s_.letters[partner].mark = MARK_NONE;
                append_literal();
            }
            return true;
        }
        if (t.mark == mark) {
            s_.letters[partner].mark = mark;
        } else {
            t.mark = mark;
            if (partner >= 0)
                s_.letters[partner].mark = mark;
            else if (t.base == 'u')
                hornTypedOnU_ = target;
        }
        // After a swap the key follows the u it marks, as in a plain uw.
        record_mark(static_cast<char>(partner >= 0 && !swapped ? s_.letters[partner].base : t.base));
        return true;
    }

    // Whether the vowel run S..L, with the mark given to target (and
    // partner), still begins a nucleus.
    bool marked_run_is_nucleus(int S, int L, int target, int partner, uint8_t mark) const
    {
        Syllable run{};
        for (int i = S; i <= L; ++i) {
            Letter l = s_.letters[i];
            if (i == target || i == partner)
                l.mark = mark;
            syllable_append(&run, l);
        }
        char text[128];
        int length = render_segment(run, 0, run.count, text, sizeof text);
        return begins_nucleus(std::string_view(text, length));
    }

    // A horn that would make no nucleus goes where it makes one: huuw is
    // hưu, not huư; houw is the ươ of hươu typed in the wrong order.
    // Returns whether the letters were swapped.
    bool retarget_horn(char key, int S, int L, int* target, int* partner, uint8_t* mark)
    {
        for (int i = L; i >= S; --i) {
            char b = static_cast<char>(s_.letters[i].base);
            uint8_t m = b == 'a' ? MARK_BREVE : MARK_HORN;
            bool fits = b == 'a' ? key != '7' : (b == 'o' || b == 'u') && key != '8';
            if (fits && marked_run_is_nucleus(S, L, i, -1, m)) {
                *target = i;
                *partner = -1;
                *mark = m;
                return false;
            }
        }
        if (key != '8' && L > S && is_plain(s_.letters[L - 1], 'o') && is_plain(s_.letters[L], 'u')) {
            std::swap(s_.letters[L - 1], s_.letters[L]);
            std::swap(s_.letters[L - 1].upper, s_.letters[L].upper);
            *target = L - 1;
            *partner = L;
            *mark = MARK_HORN;
            return true;
        }
        return false;
    }

    // ươ at the end of the word after a consonant, which shows as uơ.
    bool shows_uo_without_horn(int u) const { return u >= 1 && !is_vowel_letter(s_.letters[u - 1]); }

    int last_in_run(char base, int S, int L) const
    {
        for (int i = L; i >= S; --i) {
            if (s_.letters[i].base == base)
                return i;
        }
        return -1;
    }

    // tuwon and tuown both read tươn; a word ending in ưo or uơ keeps it.
    void pair_u_o()
    {
        SyllableSplit split = split_syllable(s_);
        for (int i = split.nucleusStart; i + 1 < split.nucleusEnd; ++i) {
            Letter& u = s_.letters[i];
            Letter& o = s_.letters[i + 1];
            if (u.base != 'u' || o.base != 'o' || i + 1 == last_index())
                continue;
            if (u.mark == MARK_HORN && o.mark == MARK_NONE)
                o.mark = MARK_HORN;
            else if (u.mark == MARK_NONE && o.mark == MARK_HORN)
                u.mark = MARK_HORN;
        }
    }

    // thươ reads thuơ (as in thuở); a bare ươ is kept, and so is an ư whose
    // own key gave it the horn (uwow).
    void drop_horn_before_final_o_horn()
    {
        int n = s_.count;
        if (n < 2 || keepUoHorn_ || hornTypedOnU_ == n - 2)
            return;
        Letter& u = s_.letters[n - 2];
        const Letter& o = s_.letters[n - 1];
        if (u.base == 'u' && u.mark == MARK_HORN && o.base == 'o' && o.mark == MARK_HORN
            && (n == 2 || !is_vowel_letter(s_.letters[n - 3]))) {
            u.mark = MARK_NONE;
        }
    }

    uint32_t method_;
    Syllable& s_;
    ComposeStats& st_;
    char key_ = 0;
    char lowerKey_ = 0;
    bool keepUoHorn_ = false;
    int hornTypedOnU_ = -1;  // the u that a w (or 7) right on it horned
};

// The three parts of a syllable as lower-case text without tone.
struct SplitText {
    SyllableSplit split;
    char text[192];
    std::string_view initial, nucleus, final_;
};

void split_text(const Syllable& s, SplitText* t)
{
    t->split = split_syllable(s);
    int a = render_segment(s, 0, t->split.nucleusStart, t->text, 64);
    int b = render_segment(s, t->split.nucleusStart, t->split.nucleusEnd, t->text + 64, 64);
    int c = render_segment(s, t->split.nucleusEnd, s.count, t->text + 128, 64);
    t->initial = std::string_view(t->text, a);
    t->nucleus = std::string_view(t->text + 64, b);
    t->final_ = std::string_view(t->text + 128, c);
}

bool is_initial_prefix(std::string_view text)
{
    for (std::string_view initial : INITIALS) {
        if (initial.starts_with(text))
            return true;
    }
    return false;
}

bool lower_form_in_v(const Syllable& s, bool oldStyle)
{
    char word[128];
    render_syllable(s, oldStyle, true, word, sizeof word);
    return lex_contains(Table::Syllables, word);
}

// A hook/tilde switch needs a form seen in text, or it would turn rare
// standard words (hễ, nhỡn, đũi) into dictionary oddities.
bool seen_in_text(const Syllable& s)
{
    char word[128];
    for (bool oldStyle : {false, true}) {
        render_syllable(s, oldStyle, true, word, sizeof word);
        if (lex_count(Table::Syllables, word) > DICTIONARY_ONLY_COUNT)
            return true;
    }
    return false;
}

bool insert_letter(Syllable* s, int at, Letter letter)
{
    if (s->count >= MAX_LETTERS)
        return false;
    std::memmove(&s->letters[at + 1], &s->letters[at], (s->count - at) * sizeof(Letter));
    s->letters[at] = letter;
    ++s->count;
    return true;
}

void remove_letter(Syllable* s, int at)
{
    std::memmove(&s->letters[at], &s->letters[at + 1], (s->count - at - 1) * sizeof(Letter));
    --s->count;
}

}  // namespace

void compose(const char* keys, int length, uint32_t method, int strict, Syllable* out, ComposeStats* stats)
{
    ComposeStats local;
    Composer composer(method, strict, out, stats ? stats : &local);
    for (int i = 0; i < length; ++i)
        composer.feed(keys[i]);
    composer.finish();
}

bool is_valid_syllable(const Syllable& s)
{
    if (s.count == 0 || has_forbidden_letter(s))
        return false;
    for (int i = 0; i < s.count; ++i) {
        if (s.letters[i].mark == MARK_STROKE && s.letters[i].base != 'd')
            return false;
    }
    SplitText t;
    split_text(s, &t);
    if (!t.split.valid)
        return false;
    if (!in_list(INITIALS, t.initial) || !in_list(FINALS, t.final_))
        return false;
    const Nucleus* nucleus = find_nucleus(t.nucleus);
    if (!nucleus)
        return false;
    bool hasFinal = !t.final_.empty();
    if (nucleus->kind == NEEDS_FINAL && !hasFinal)
        return false;
    if (nucleus->kind == NO_FINAL && hasFinal)
        return false;

    if (text_is_one_of(t.final_, {"c", "ch", "p", "t"})
        && !(s.tone == TONE_NONE || s.tone == TONE_ACUTE || s.tone == TONE_DOT)) {
        return false;
    }
    if (text_is_one_of(t.final_, {"ch", "nh"}) && !text_is_one_of(t.nucleus, {"a", "ê", "i", "y", "oa", "uê", "uy"})) {
        return false;
    }
    // After gi the ê stands for iê (giếng, giếc), which takes c and ng.
    bool giE = t.initial == "gi" && t.nucleus == "ê";
    if (text_is_one_of(t.final_, {"c", "ng"}) && text_is_one_of(t.nucleus, {"i", "y", "ê"}) && !giE)
        return false;

    bool front = begins_with_any(t.nucleus, {"i", "e", "ê", "y"});
    std::string_view initial = t.initial;
    if (initial == "k" && !front)
        return false;
    if (initial == "c" && front)
        return false;
    if (text_is_one_of(initial, {"gh", "ngh"}) && !begins_with_any(t.nucleus, {"i", "e", "ê"}))
        return false;
    if (initial == "g" && front && !begins_with_any(t.nucleus, {"i", "y"}))
        return false;
    if (initial == "ng" && front && !begins_with_any(t.nucleus, {"y"}))
        return false;
    if (initial == "qu" && begins_with_any(t.nucleus, {"u", "ư"}))
        return false;
    return true;
}

int for_each_allowed_syllable(void (*visit)(const Syllable& syllable, void* user), void* user)
{
    int calls = 0;
    for (std::string_view initial : INITIALS) {
        for (const Nucleus& nucleus : NUCLEI) {
            for (std::string_view final_ : FINALS) {
                char text[32];
                std::snprintf(text, sizeof text, "%.*s%.*s%.*s", int(initial.size()), initial.data(),
                              int(nucleus.text.size()), nucleus.text.data(), int(final_.size()), final_.data());
                Syllable s;
                if (!parse_word(text, &s))
                    continue;
                for (int tone = TONE_NONE; tone <= TONE_DOT; ++tone) {
                    s.tone = tone;
                    if (is_valid_syllable(s)) {
                        visit(s, user);
                        ++calls;
                    }
                }
            }
        }
    }
    return calls;
}

bool is_valid_prefix(const Syllable& s)
{
    if (has_forbidden_letter(s))
        return false;
    if (!has_vowel(s)) {
        char typed[128];
        int length = render_segment(s, 0, s.count, typed, sizeof typed);
        return is_initial_prefix(std::string_view(typed, length));
    }
    SplitText t;
    split_text(s, &t);
    if (!t.split.valid || !in_list(INITIALS, t.initial) || !in_list(FINALS, t.final_))
        return false;
    // aaa shows aa only while more keys could still make a word of it
    if (t.final_.empty())
        return begins_nucleus(t.nucleus);
    const Nucleus* nucleus = find_nucleus(t.nucleus);
    return nucleus && nucleus->kind != NO_FINAL;
}

bool has_diacritic(const Syllable& s)
{
    if (s.tone != TONE_NONE)
        return true;
    for (int i = 0; i < s.count; ++i) {
        if (s.letters[i].mark != MARK_NONE)
            return true;
    }
    return false;
}

bool is_known_syllable(const Syllable& s) { return lower_form_in_v(s, false) || lower_form_in_v(s, true); }

bool fix_initial_spelling(Syllable* s)
{
    SyllableSplit split = split_syllable(*s);
    int initialLength = split.nucleusStart;
    if (!split.valid || initialLength == 0 || split.nucleusStart >= s->count)
        return false;
    const Letter* l = s->letters;
    const Letter& vowel = l[split.nucleusStart];
    char v = static_cast<char>(vowel.base);
    bool eOrI = v == 'e' || v == 'i';
    bool front = eOrI || v == 'y';
    auto insert_h_after_g = [&](int g) {
        bool upper = l[g].upper && vowel.upper;
        return insert_letter(s, g + 1, Letter{'h', MARK_NONE, upper});
    };
    if (initialLength == 3 && is_plain(l[0], 'n') && is_plain(l[1], 'g') && is_plain(l[2], 'h') && !eOrI) {
        remove_letter(s, 2);
        return true;
    }
    if (initialLength == 2 && is_plain(l[0], 'n') && is_plain(l[1], 'g') && eOrI)
        return insert_h_after_g(1);
    if (initialLength == 2 && is_plain(l[0], 'g') && is_plain(l[1], 'h') && !eOrI) {
        remove_letter(s, 1);
        return true;
    }
    if (initialLength == 1 && is_plain(l[0], 'k') && !front) {
        s->letters[0].base = 'c';
        return true;
    }
    if (initialLength == 1 && is_plain(l[0], 'g') && v == 'e')
        return insert_h_after_g(0);
    if (initialLength == 1 && is_plain(l[0], 'c') && front) {
        s->letters[0].base = 'k';
        return true;
    }
    return false;
}

bool swap_hoi_nga(Syllable* s)
{
    if (!lex_loaded(Table::Syllables) || (s->tone != TONE_HOOK && s->tone != TONE_TILDE))
        return false;
    if (lower_form_in_v(*s, false) || lower_form_in_v(*s, true))
        return false;
    int original = s->tone;
    s->tone = original == TONE_HOOK ? TONE_TILDE : TONE_HOOK;
    if (seen_in_text(*s))
        return true;
    s->tone = original;
    return false;
}

}  // namespace miradot
