// The classification of a word: composition, English, or kept as typed.
#include "classify.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "learned.h"
#include "lexicon.h"
#include "text_util.h"

namespace miradot {

namespace {

// English thresholds without a decided word just before.
constexpr double AFTER_ENGLISH_THEN_UNDECIDED = 0.55;  // a name or number inside English
// Thresholds above this one say no Vietnamese word came just before.
constexpr double ABOVE_VIETNAMESE = AFTER_VIETNAMESE + 1e-9;
// Plain letters that are words in both languages go to the one this many
// times more frequent.
constexpr double FREQUENCY_RATIO = 30;
// Per million: an English word this common is not taken for a loan word in
// Vietnamese letters, except right after Vietnamese.
constexpr uint32_t COMMON_ENGLISH_FOR_LOAN = 2000;
// All-capital words are composed only when their syllable is this common
// (VIEETJ NAM), or this common with one tone key at the end (capsTone).
constexpr uint32_t CAPITALS_MIN_COUNT = 10;
constexpr uint32_t CAPITALS_TONE_MIN_COUNT = 1000;
// Three tone keys in one word is code or a password, not a syllable.
constexpr int CODE_LIKE_TONE_KEYS = 3;
// A mark typed by repeat (ee, oo) is Vietnamese intent: it cuts the English
// weight to this share when no English word came before.
constexpr double MARK_BY_REPEAT_WEIGHT = 0.3;
constexpr double MARK_BY_REPEAT_BELOW = 0.5;
// A key escaped by typing it twice ends the word or comes this many keys
// before its end (chanss, exxpe).
constexpr int MAX_KEYS_AFTER_ESCAPE = 2;
// Per million: English words this rare (the list's floors) give way to a
// syllable no list holds right after a Vietnamese word (thật là dín).
constexpr uint32_t RARE_ENGLISH_COUNT = 2;
// Accepted words count fully once this many are learned.
constexpr double LEARNED_WORDS_SCALE = 5000;
// An English threshold at or below this lets accepted Vietnamese words count.
constexpr double KEPT_VIETNAMESE_BELOW = 0.5;

// Per million words, the count the lexicon gives the common words of its
// English list: such a word beats a syllable no text showed (towns over
// tớn), unless a Vietnamese word came just before.
constexpr uint32_t COMMON_ENGLISH_COUNT = 6;

bool in(uint32_t c, std::initializer_list<uint32_t> set) { return std::find(set.begin(), set.end(), c) != set.end(); }

bool equals(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

// Ends in c, ch, p or t, which every Vietnamese syllable follows with the
// acute or the dot tone (đọt, đót).
bool ends_in_stop(const Syllable& s)
{
    char last = s.count ? static_cast<char>(s.letters[s.count - 1].base) : 0;
    bool ch = last == 'h' && s.count >= 2 && s.letters[s.count - 2].base == 'c';
    return ch || (last && std::strchr("cpt", last));
}

// Some text showed the syllable with the acute or the dot tone: kêt is kết
// with its tone forgotten.
bool stop_tone_attested(const Syllable& s)
{
    for (int tone : {TONE_ACUTE, TONE_DOT}) {
        Syllable toned = s;
        toned.tone = tone;
        char lower[256];
        render_syllable(toned, false, true, lower, sizeof lower);
        if (lex_count(Table::Syllables, lower) > DICTIONARY_ONLY_COUNT)
            return true;
    }
    return false;
}

// The keys that set a tone: s f r x j in Telex, 1 to 5 in VNI.
bool is_tone_key(const EngineContext* ctx, char lowerKey)
{
    return lowerKey && std::strchr(ctx->method == VNI ? "12345" : "sfrxj", lowerKey) != nullptr;
}

bool last_key_is_tone(const EngineContext* ctx, const WordKeys& keys)
{
    return keys.length > 0 && is_tone_key(ctx, keys.lower[keys.length - 1]);
}

bool has_non_ascii(const char* text)
{
    for (; *text; ++text) {
        if (static_cast<unsigned char>(*text) >= 0x80)
            return true;
    }
    return false;
}

}  // namespace

bool code_like_before_word(const EngineContext* ctx)
{
    uint32_t c = ctx->caret.beforeWord;
    // Not the dot of a name (file.txt): an ellipsis (nếu...thì), or a
    // sentence end without its space after a word in Vietnamese letters
    // (chính xác.Đây).
    if (c == '.' && ctx->caret.beforeWord2 == '.')
        return false;
    if (c == '.' && is_word_codepoint(ctx->caret.beforeWord2) && has_non_ascii(ctx->history.word))
        return false;
    if (c == '-')
        return ctx->caret.beforeWord2 == '-';  // an option (--max)
    return is_ascii_digit(c) || in(c, {'_', '#', '$', '.', '=', '@', '\\'});
}

WordKeys word_keys(const EngineContext* ctx)
{
    WordKeys keys;
    keys.length = std::clamp(ctx->word.length, 0, ENGINE_MAX_KEYS);
    for (int i = 0; i < keys.length; ++i) {
        keys.raw[i] = ctx->word.keys[i];
        keys.lower[i] = ascii_lower(ctx->word.keys[i]);
    }
    keys.raw[keys.length] = keys.lower[keys.length] = 0;
    return keys;
}

CasePattern case_pattern(const WordKeys& keys)
{
    // The letters alone: the VNI digit keys have no case (D9UNG1 is all
    // capitals, Lap5 a capitalised word).
    char letters[ENGINE_MAX_KEYS + 1];
    int count = 0;
    for (int i = 0; i < keys.length; ++i) {
        if (is_ascii_letter(static_cast<unsigned char>(keys.raw[i])))
            letters[count++] = keys.raw[i];
    }
    if (count == 0)
        return CASE_LOWER;
    auto capital = [&](int i) { return is_ascii_upper(static_cast<unsigned char>(letters[i])); };
    bool all = true;
    for (int i = 0; i < count; ++i)
        all = all && capital(i);
    if (all)
        return CASE_ALL_CAPITALS;
    for (int i = 1; i < count; ++i) {
        if (capital(i) && !capital(i - 1))
            return CASE_INNER_CAPITAL;
    }
    return capital(0) ? CASE_FIRST_CAPITAL : CASE_LOWER;
}

double english_threshold(const EngineContext* ctx)
{
    if (ctx->history.kind == KIND_ENGLISH)
        return AFTER_ENGLISH;
    if (ctx->history.kind == KIND_VIETNAMESE)
        return AFTER_VIETNAMESE;
    return ctx->history.kindBefore == KIND_ENGLISH ? AFTER_ENGLISH_THEN_UNDECIDED : WITHOUT_CONTEXT;
}

void compose_word(const EngineContext* ctx, const WordKeys& keys, int strict, Composition* c)
{
    bool oldTone = has_option(ctx, OPT_OLD_TONE);
    compose(keys.raw, std::min(keys.length, ENGINE_MAX_KEYS), ctx->method, strict, &c->syllable, &c->stats);
    render_syllable(c->syllable, oldTone, false, c->viCase, sizeof c->viCase);
    render_syllable(c->syllable, oldTone, true, c->viLower, sizeof c->viLower);
}

namespace {

bool old_tone(const EngineContext* ctx) { return has_option(ctx, OPT_OLD_TONE); }
bool has(const EngineContext* ctx, uint32_t option) { return has_option(ctx, option); }

void set_result(Classification* out, const char* text, int kind, int reason = REASON_COMPOSITION)
{
    copy_text(out->text, sizeof out->text, text);
    out->kind = kind;
    out->reason = reason;
}

// The keys with their one doubled a, e or o typed once are an English word,
// and the doubled vowel closes a syllable before one consonant and a vowel:
// a loan word spelled in Vietnamese syllables (lô-gic, Bê-ta).
bool loan_word_keys(const WordKeys& keys)
{
    auto vowel = [](char c) { return std::strchr("aeiouy", c) != nullptr; };
    const char* k = keys.lower;
    int doubled = -1;
    for (int i = 1; i < keys.length; ++i) {
        if (k[i] == k[i - 1] && std::strchr("aeo", k[i])) {
            if (doubled >= 0 || (i >= 2 && k[i - 2] == k[i]))
                return false;
            doubled = i;
        }
    }
    if (doubled < 0 || doubled + 2 >= keys.length || vowel(k[doubled + 1]) || !vowel(k[doubled + 2]))
        return false;
    char once[ENGINE_MAX_KEYS + 1];
    copy_text(once, sizeof once, k, doubled);
    append_text(once, sizeof once, k + doubled + 1);
    return lex_contains(Table::English, once);
}

// Marks only from later keys, a tone typed over another (dana, laura,
// paris, kansas) or keys that neither show in the syllable nor undo a mark
// (moscow, not mớc): how names are spelled rather than syllables. A d typed
// later for đ (dadi) is Vietnamese free marking: English words with a later
// d are in the English table.
bool name_like_keys(const WordKeys& keys, const Composition& comp)
{
    const ComposeStats& st = comp.stats;
    const Syllable& s = comp.syllable;
    bool strokeLater = s.letters[0].mark == MARK_STROKE && !(keys.length >= 2 && keys.lower[1] == 'd');
    int shown = s.count + (s.tone != TONE_NONE);
    for (int i = 0; i < s.count; ++i)
        shown += s.letters[i].mark != MARK_NONE;
    bool undone = st.undoByRepeat || st.toneUndone || st.circumflexUndone || st.hornUndone || st.strokeUndone;
    bool keysLost = !undone && keys.length > shown;
    return (st.markLater && !st.markByRepeat && !strokeLater) || st.toneCount >= 2 || keysLost;
}

// Every mark typed right after the letter it marks (aa, dd, ow, a6), with
// at most one tone key: letters composed on purpose, not a name's spelling.
bool marked_on_purpose(const ComposeStats& st) { return st.markByRepeat && !st.markLater && st.toneCount <= 1; }

bool has_digit(const WordKeys& keys)
{
    return std::any_of(keys.lower, keys.lower + keys.length, [](char c) { return is_ascii_digit(c); });
}

// VNI digits among small letters are tone keys (a5: ạ): only in capitals do
// keys with digits spell a code of the English table (A4).
bool english_table_applies(const WordKeys& keys, CasePattern pattern)
{
    return pattern != CASE_LOWER || !has_digit(keys);
}

// Steps for a word whose composition is not a valid syllable.
void classify_invalid(const EngineContext* ctx, const WordKeys& keys, const Composition& comp, bool changed, bool inEn,
                      CasePattern pattern, Classification* out)
{
    bool autoEnglish = has(ctx, OPT_AUTO_ENGLISH);
    bool autoChanged = changed && autoEnglish;
    if (has(ctx, OPT_AUTO_CORRECT) && pattern == CASE_LOWER) {
        Syllable repaired = comp.syllable;
        // Only a word typed with Vietnamese marks is repaired: ko, kong, gen
        // and ka are abbreviations, names and English, and so are words
        // whose keys spell a name (kansas, not cấn).
        if (has_diacritic(repaired) && !name_like_keys(keys, comp) && fix_initial_spelling(&repaired)
            && is_valid_syllable(repaired)) {
            char lower[256];
            render_syllable(repaired, old_tone(ctx), true, lower, sizeof lower);
            bool known = !lex_loaded(Table::Syllables) || lex_contains(Table::Syllables, lower);
            if (known && !(autoEnglish && inEn)) {
                char text[256];
                render_syllable(repaired, old_tone(ctx), false, text, sizeof text);
                set_result(out, text, KIND_VIETNAMESE);
                out->corrected = 1;
                return;
            }
        }
    }
    if (autoChanged
        && (!inEn
            || (lex_count(Table::English, keys.lower) < COMMON_ENGLISH_FOR_LOAN
                && ctx->history.kind != KIND_ENGLISH))) {
        if (lex_contains(Table::VietnameseWords, comp.viLower)) {
            set_result(out, comp.viCase, KIND_VIETNAMESE);
            return;
        }
        Composition strict;  // marks only on the key's own letter: a loan word's spelling
        compose_word(ctx, keys, 1, &strict);
        if (lex_contains(Table::VietnameseWords, strict.viLower)) {
            set_result(out, strict.viCase, KIND_VIETNAMESE);
            return;
        }
    }
    // An English word typed with a vowel doubled for its mark and no tone
    // key is that word in Vietnamese spelling.
    if (autoChanged && !inEn && comp.stats.markByRepeat && !comp.stats.markLater && comp.stats.toneCount == 0
        && loan_word_keys(keys)) {
        set_result(out, comp.viCase, KIND_VIETNAMESE);
        out->hint = out->settled = 1;  // Tab gives the keys
        return;
    }
    // Without English detection the keys compose as their rules say.
    if (!autoEnglish)
        return set_result(out, comp.viCase, KIND_UNDECIDED);
    // Letters marked on purpose that more keys could finish into a syllable
    // (â, đ, ươ, ấ, viêt; đ after an amount, 10dd): the spelling rules judge
    // readings the engine offers, never what the user composed. In capitals
    // (DD, AA) Tab gives the keys, which may be an abbreviation.
    bool lettersMarked = marked_on_purpose(comp.stats) && is_valid_prefix(comp.syllable);
    if ((autoChanged && !inEn && lettersMarked) || (changed && equals(keys.lower, "dd"))) {
        set_result(out, comp.viCase, KIND_VIETNAMESE);
        out->hint = out->settled = pattern == CASE_ALL_CAPITALS;
        return;
    }
    // No syllable: every key the user typed (kurtz). The preedit still shows
    // a composition that may grow into one.
    set_result(out, keys.raw, (changed || inEn) ? KIND_ENGLISH : KIND_UNDECIDED,
               inEn ? REASON_ENGLISH : REASON_UNDECIDED);
}

// The keys spell a valid syllable exactly as typed (no mark or tone keys).
void classify_plain(const EngineContext* ctx, const WordKeys& keys, const Composition& comp, bool inEn,
                    Classification* out)
{
    bool inVi = lex_contains(Table::Syllables, comp.viLower);
    set_result(out, keys.raw, KIND_UNDECIDED);
    if (!inEn) {
        out->kind = inVi ? KIND_VIETNAMESE : KIND_UNDECIDED;
    } else if (!inVi) {
        out->kind = KIND_ENGLISH;
    } else if (has(ctx, OPT_AUTO_ENGLISH) && keys.length >= 2 && lex_loaded(Table::Syllables)) {
        double pe = double(lex_count(Table::English, keys.lower)) / double(lex_total_or_one(Table::English));
        double pv = double(lex_count(Table::Syllables, comp.viLower)) / double(lex_total_or_one(Table::Syllables));
        if (pv * FREQUENCY_RATIO < pe) {
            out->kind = KIND_ENGLISH;
            out->reason = REASON_FREQUENCY;
        } else if (pe * FREQUENCY_RATIO < pv) {
            out->kind = KIND_VIETNAMESE;
            out->reason = REASON_FREQUENCY;
        }
    }
}

// The word's one tone key is where Telex users type it: last (CANHR), or
// right after its vowel (CARNH, BASO).
bool tone_key_where_typed(const EngineContext* ctx, const WordKeys& keys)
{
    if (last_key_is_tone(ctx, keys))
        return true;
    // After a vowel (or a key that marks one: ư, the horn) these keys can
    // only be the tone key.
    const char* vowelKeys = ctx->method == VNI ? "aeiouy678" : "aeiouyw";
    for (int i = 1; i < keys.length; ++i)
        if (is_tone_key(ctx, keys.lower[i]) && std::strchr(vowelKeys, keys.lower[i - 1]))
            return true;
    return false;
}

// A word with a capital inside a sentence, right after a decided word.
bool capital_inside_sentence(const EngineContext* ctx, CasePattern pattern)
{
    return pattern == CASE_FIRST_CAPITAL && ctx->history.joined && ctx->history.word[0]
           && !ctx->sentence.capitalizeNext;
}

void classify_changed_valid(const EngineContext* ctx, const WordKeys& keys, const Composition& comp, bool inEn,
                            CasePattern pattern, Classification* out)
{
    const ComposeStats& st = comp.stats;
    if (has(ctx, OPT_AUTO_ENGLISH)) {
        if (inEn && st.markLater && !st.markByRepeat) {
            set_result(out, keys.raw, KIND_ENGLISH, REASON_ENGLISH);
            return;
        }
        char viAlt[256];
        render_syllable(comp.syllable, !old_tone(ctx), true, viAlt, sizeof viAlt);
        bool inVi = lex_contains(Table::Syllables, comp.viLower) || lex_contains(Table::Syllables, viAlt);
        // Both readings are words, whether the list holds the syllable or not.
        if (inEn)
            out->hint = 1;
        uint32_t cv = std::max(lex_count(Table::Syllables, comp.viLower), lex_count(Table::Syllables, viAlt));
        if (capital_inside_sentence(ctx, pattern) && !st.markByRepeat && lex_loaded(Table::SyllableFrequencies)) {
            // A capitalised word inside a sentence whose reading no text
            // showed, with a tone key before its last letter, is a name, a
            // key or an English term (Esc, Asc, Test) more often than a rare
            // syllable; Tab gives the syllable. After a word in Vietnamese
            // letters, keys typed as a syllable with an initial consonant and
            // one tone key right after its vowel are the syllable unless
            // English (Thư Tijch; hàm Asc, phím Esc).
            bool toneInside = !last_key_is_tone(ctx, keys);
            bool afterVietnameseLetters = ctx->history.kind == KIND_VIETNAMESE && has_non_ascii(ctx->history.word);
            bool typedAsSyllable = st.toneCount == 1 && tone_key_where_typed(ctx, keys) && !st.markLater
                                   && !is_vowel_letter(comp.syllable.letters[0]);
            if (cv <= DICTIONARY_ONLY_COUNT && toneInside && (inEn || !afterVietnameseLetters || !typedAsSyllable)) {
                set_result(out, keys.raw, KIND_UNDECIDED, REASON_KEPT);
                out->hint = out->settled = 1;
                return;
            }
            // After a word in Vietnamese letters a capitalised syllable is a
            // Vietnamese name (châu Á, Châu Á) unless English follows.
            if (inVi && afterVietnameseLetters) {
                char text[256];
                render_syllable(comp.syllable, old_tone(ctx), false, text, sizeof text);
                set_result(out, text, KIND_VIETNAMESE);
                out->hint = inEn;
                return;
            }
        }
        double t = english_threshold(ctx);
        if (english_table_applies(keys, pattern)
            && prefer_english(ctx, keys.lower, comp.viLower, viAlt, st.markByRepeat, t, t)) {
            set_result(out, keys.raw, KIND_ENGLISH, REASON_ENGLISH);
            return;
        }
        // A name more often than a syllable no text showed; Tab or retyping
        // the word gives the Vietnamese form.
        if (!inEn && name_like_keys(keys, comp) && cv <= DICTIONARY_ONLY_COUNT
            && lex_loaded(Table::SyllableFrequencies)) {
            set_result(out, keys.raw, KIND_UNDECIDED, REASON_KEPT);
            out->hint = out->settled = 1;
            return;
        }
    }
    // A syllable the list lacks whose hook and tilde switched is one it holds
    // (bãn, bản) may still be a word: alone it stays as typed, Tab repairs it
    // and a two-word correction may repair it in context.
    Syllable repaired = comp.syllable;
    bool repairable = has(ctx, OPT_AUTO_CORRECT) && swap_hoi_nga(&repaired);
    if (has(ctx, OPT_AUTO_ENGLISH) && !marked_on_purpose(st) && lex_loaded(Table::Syllables)
        && comp.syllable.tone == TONE_NONE && ends_in_stop(comp.syllable) && !is_known_syllable(comp.syllable)
        && !lex_contains(Table::VietnameseWords, comp.viLower) && !stop_tone_attested(comp.syllable)) {
        // No tone after a stop, no word a tone key away and marks from later
        // keys: a name (towt). Undecided, so that the preedit shows the
        // syllable that the tone key may still finish.
        set_result(out, keys.raw, inEn ? KIND_ENGLISH : KIND_UNDECIDED, REASON_UNDECIDED);
        out->corrected = 0;
        return;
    }
    char text[256];
    render_syllable(comp.syllable, old_tone(ctx), false, text, sizeof text);
    set_result(out, text, KIND_VIETNAMESE);
    if (repairable) {
        render_syllable(repaired, old_tone(ctx), false, out->repair, sizeof out->repair);
        out->hint = out->settled = 1;
        return;
    }
    // VNI keys in capitals, or with a capital inside a sentence, read as a
    // word (D9UNG1, Hy Lap5) but may be a code: Tab keeps the keys one key
    // away. A sentence start is no such place.
    if (ctx->method == VNI && (pattern == CASE_ALL_CAPITALS || capital_inside_sentence(ctx, pattern)))
        out->hint = out->settled = 1;
}

// A mark or tone key typed twice undoes it and shows once (linuxx, aaa,
// chanss, eess, d99): how Telex and VNI users type a letter that is also a
// key. Keys that are an English word themselves stay (staff, boss, hurry).
void classify_undone_by_repeat(const EngineContext* ctx, const WordKeys& keys, const Composition& comp, bool valid,
                               bool inEn, Classification* out)
{
    const Syllable& s = comp.syllable;
    int marks = s.tone != TONE_NONE;
    for (int i = 0; i < s.count; ++i)
        marks += s.letters[i].mark != MARK_NONE;
    // Every key shows once, the undone one excepted: no key went lost.
    bool oneKeyShown = s.count + marks == keys.length - 1;
    // The repeat rule reads the keys when they give a syllable (booongf:
    // boòng) or an English word (exxpect), or when a syllable's letters came
    // before the undo and the word ends soon after it (chanss, aff, exxpe):
    // English doubles letters further from the end and after letters no
    // syllable has (accessorize, bedsheet), and its words ending in a double
    // are in the English table.
    int undoneAt = keys.length - comp.stats.keysAfterUndo - 1;
    Syllable before;
    compose(keys.raw, undoneAt, ctx->method, 0, &before, nullptr);
    bool syllableBefore = is_valid_prefix(before) && comp.stats.keysAfterUndo <= MAX_KEYS_AFTER_ESCAPE;
    bool escaped = oneKeyShown && (valid || syllableBefore || lex_contains(Table::English, comp.viLower));
    if (inEn) {
        set_result(out, keys.raw, KIND_ENGLISH, REASON_ENGLISH);
    } else if (ctx->method == VNI || escaped) {
        bool syllable = valid && is_known_syllable(s);
        set_result(out, comp.viCase, syllable ? KIND_VIETNAMESE : KIND_UNDECIDED);
    } else {
        set_result(out, keys.raw, KIND_UNDECIDED, REASON_KEPT);
    }
    out->settled = 1;
}

}  // namespace

void classify_word(const EngineContext* ctx, const WordKeys& keys, const Composition& comp, uint32_t terminator,
                   Classification* out)
{
    *out = Classification{};
    if (keys.length > MAX_COMPOSED_KEYS) {
        set_result(out, keys.raw, KIND_ENGLISH, REASON_KEPT);
        return;
    }
    const ComposeStats& st = comp.stats;
    bool changed = !equals(comp.viCase, keys.raw);
    bool valid = is_valid_syllable(comp.syllable);
    CasePattern pattern = case_pattern(keys);
    bool inEn = english_table_applies(keys, pattern) && lex_contains(Table::English, keys.lower);

    if (has(ctx, OPT_LEARN) && changed) {
        LearnedChoice learned = learned_choice(keys.lower);
        if (learned == LearnedChoice::Vietnamese)
            return set_result(out, comp.viCase, KIND_VIETNAMESE);
        if (learned == LearnedChoice::English)
            return set_result(out, keys.raw, KIND_ENGLISH, REASON_ENGLISH);
    }

    if (changed && has(ctx, OPT_AUTO_ENGLISH)) {
        uint32_t before = ctx->caret.beforeWord;
        bool inVi = valid && lex_contains(Table::Syllables, comp.viLower);
        uint32_t viFreq = inVi ? lex_count(Table::Syllables, comp.viLower) : 0;
        // A number right after a known syllable typed with its mark keys, or
        // with its one tone key last (or right after the vowel of a common
        // one), numbers that word (trường1, Ngày2, Barng1);
        // after other letters it makes a name (md5, arm64).
        bool toneTyped
            = last_key_is_tone(ctx, keys) || (tone_key_where_typed(ctx, keys) && viFreq >= CAPITALS_TONE_MIN_COUNT);
        bool toneLast = st.toneCount == 1 && toneTyped && !inEn;
        bool typedAsSyllable = (st.markByRepeat || toneLast) && !st.markLater;
        bool numbered = is_ascii_digit(terminator) && !(typedAsSyllable && viFreq > DICTIONARY_ONLY_COUNT);
        // Keys in capitals with a digit that the English table holds are a
        // known code (A4).
        bool knownCode = inEn && has_digit(keys);
        bool codeLike = code_like_before_word(ctx) || terminator == '_' || numbered || pattern == CASE_INNER_CAPITAL
                        || st.toneCount >= CODE_LIKE_TONE_KEYS || knownCode;
        if (is_ascii_digit(before) && equals(keys.lower, "dd"))
            codeLike = false;
        bool capsRun = ctx->history.allCaps && ctx->history.capsRun > 0 && inVi;
        // Three keys make an acronym (CSS, GPS) unless capitals already run.
        bool capsTone = !inEn && inVi && st.toneCount == 1 && (keys.length >= 4 || ctx->history.allCaps)
                        && tone_key_where_typed(ctx, keys) && viFreq >= CAPITALS_TONE_MIN_COUNT;
        // Capital letters typed on purpose are those letters: Đ (DD, D9, as
        // in Đ.), a vowel with its VNI digits right after it (A1 in châu Á,
        // U7O7) and marked letters longer than a column or an acronym
        // (UWOW). Doubled capitals this short are codes as often (column AA,
        // OO), and so are the known codes (A4).
        const Syllable& sy = comp.syllable;
        bool stroke = sy.count == 1 && sy.letters[0].mark == MARK_STROKE && marked_on_purpose(st);
        bool lettersOnPurpose = sy.count <= 2 && !st.markLater && st.toneCount <= 1 && is_valid_prefix(sy) && !inEn
                                && (ctx->method == VNI || (marked_on_purpose(st) && keys.length > ACRONYM_KEYS));
        bool markedLetter = stroke || lettersOnPurpose;
        bool rawResult = codeLike;
        if (pattern == CASE_ALL_CAPITALS && !capsRun && !capsTone && !markedLetter) {
            if (!st.markByRepeat) {
                if (viFreq >= CAPITALS_MIN_COUNT)
                    out->hint = 1;
                rawResult = true;
            } else if (viFreq < CAPITALS_MIN_COUNT) {
                rawResult = true;
            }
        }
        if (rawResult)
            return set_result(out, keys.raw, KIND_UNDECIDED, REASON_KEPT);
    }

    if (changed && st.undoByRepeat && has(ctx, OPT_AUTO_ENGLISH))
        return classify_undone_by_repeat(ctx, keys, comp, valid, inEn, out);
    if (changed && valid && !has_diacritic(comp.syllable) && has(ctx, OPT_AUTO_ENGLISH)) {
        // Tone keys removed again (lorenz, liszt) leave no Vietnamese mark:
        // the word is what was typed.
        return set_result(out, keys.raw, inEn ? KIND_ENGLISH : KIND_UNDECIDED, inEn ? REASON_ENGLISH : REASON_KEPT);
    }
    if (!valid)
        return classify_invalid(ctx, keys, comp, changed, inEn, pattern, out);
    if (!changed)
        return classify_plain(ctx, keys, comp, inEn, out);
    classify_changed_valid(ctx, keys, comp, inEn, pattern, out);
}

bool prefer_english(const EngineContext* ctx, const char* rawLower, const char* viLower, const char* viAlt,
                    int markByRepeat, double a, double b)
{
    bool learn = has(ctx, OPT_LEARN);
    uint32_t ce = lex_count(Table::English, rawLower);
    uint32_t cr = lex_count(Table::PlainWords, rawLower);
    if (ce == 0 && !(learn && lex_count(Table::AcceptedWords, rawLower) > 0))
        return false;
    if (!lex_loaded(Table::Syllables))
        return false;
    uint32_t cv = std::max(lex_count(Table::Syllables, viLower), viAlt ? lex_count(Table::Syllables, viAlt) : 0u);
    if (cv == 0)
        return b > ABOVE_VIETNAMESE || ce > RARE_ENGLISH_COUNT;
    if (ce != 0 && b > ABOVE_VIETNAMESE && cr > cv)
        return true;
    if (b > ABOVE_VIETNAMESE && ce >= COMMON_ENGLISH_COUNT && cv <= DICTIONARY_ONLY_COUNT)
        return true;
    double pv = double(cv) / double(lex_total_or_one(Table::Syllables));
    double pe = double(ce) / double(lex_total_or_one(Table::English));
    uint64_t tp = lex_total(Table::AcceptedWords);
    if (learn && tp != 0) {
        double u = std::min(double(tp) / LEARNED_WORDS_SCALE, 1.0) / (double(tp) + LEARNED_WORDS_SCALE);
        if (b <= KEPT_VIETNAMESE_BELOW) {
            uint32_t kept = std::max(lex_count(Table::AcceptedWords, viLower),
                                     viAlt ? lex_count(Table::AcceptedWords, viAlt) : 0u);
            pv += u * kept;
        }
        if (b > ABOVE_VIETNAMESE)
            pe += u * lex_count(Table::AcceptedWords, rawLower);
    }
    double w = (markByRepeat && b < MARK_BY_REPEAT_BELOW) ? MARK_BY_REPEAT_WEIGHT * a : a;
    return w * pe > (1 - w) * pv;
}

}  // namespace miradot
