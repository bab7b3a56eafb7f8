#include "word_end.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "composer.h"
#include "letters.h"
#include "lexicon.h"
#include "text_util.h"

namespace miradot {

namespace {

constexpr int MAX_COMPOSED_KEYS = 32;
// Per million words, the count the lexicon gives the common words of its
// English list: such a word beats a syllable no text showed (towns over
// tớn), unless a Vietnamese word came just before.
constexpr uint32_t COMMON_ENGLISH_COUNT = 6;

bool in(uint32_t c, std::initializer_list<uint32_t> set) { return std::find(set.begin(), set.end(), c) != set.end(); }

bool is_code_like_before(uint32_t c) { return is_ascii_digit(c) || in(c, {'_', '#', '$', '.', '=', '@', '\\'}); }
bool blocks_shorthand_before(uint32_t c) { return is_code_like_before(c) || c == '-' || c == '/'; }
bool ends_sentence(uint32_t c) { return c == '.' || c == '!' || c == '?'; }

bool is_sentence_punctuation(uint32_t c) { return in(c, {',', '.', '!', '?', ':', ';'}); }

bool has_ascii_capital(const char* text) {
    for (; *text; ++text) {
        if (is_ascii_upper(static_cast<unsigned char>(*text))) return true;
    }
    return false;
}

bool equals(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

// The terminator's only code point, or 0 when it is empty or longer.
uint32_t single_codepoint(const char* text) {
    if (!*text) return 0;
    const char* cursor = text;
    uint32_t c = decode_utf8_char(&cursor);
    return *cursor ? 0 : c;
}

uint32_t last_codepoint(const char* text) {
    uint32_t last = 0;
    for (const char* cursor = text; *cursor;) last = decode_utf8_char(&cursor);
    return last;
}

struct WordKeys {
    char raw[ENGINE_MAX_KEYS + 1];
    char lower[ENGINE_MAX_KEYS + 1];
    int length;
};

WordKeys word_keys(const EngineContext* ctx) {
    WordKeys keys;
    keys.length = std::clamp(ctx->rawLen, 0, ENGINE_MAX_KEYS);
    for (int i = 0; i < keys.length; ++i) {
        keys.raw[i] = ctx->rawKeys[i];
        keys.lower[i] = ascii_lower(ctx->rawKeys[i]);
    }
    keys.raw[keys.length] = keys.lower[keys.length] = 0;
    return keys;
}

int case_pattern(const WordKeys& keys) {
    if (keys.length == 0) return 0;
    auto capital = [&](int i) { return is_ascii_upper(static_cast<unsigned char>(keys.raw[i])); };
    bool all = true;
    for (int i = 0; i < keys.length; ++i) all = all && capital(i);
    if (all) return 1;
    for (int i = 1; i < keys.length; ++i) {
        if (capital(i) && !capital(i - 1)) return 2;
    }
    return capital(0) ? 3 : 0;
}

double english_threshold(const EngineContext* ctx) {
    if (ctx->lastKind == KIND_ENGLISH) return 0.85;
    if (ctx->lastKind == KIND_VIETNAMESE) return 0.1;
    return ctx->lastKind2 == KIND_ENGLISH ? 0.55 : 0.25;
}

bool old_tone(const EngineContext* ctx) { return (ctx->options & OPT_OLD_TONE) != 0; }
bool has(const EngineContext* ctx, uint32_t option) { return (ctx->options & option) != 0; }

void lower_form(const char* text, char* buffer, int size) { to_lower_word(text, buffer, size); }

// The composition of the word's keys in both renderings.
struct Composition {
    Syllable syllable;
    ComposeStats stats;
    char viCase[256];
    char viLower[256];
};

void compose_word(const EngineContext* ctx, const WordKeys& keys, int strict, Composition* c) {
    compose(keys.raw, std::min(keys.length, ENGINE_MAX_KEYS), ctx->method, strict, &c->syllable, &c->stats);
    render_syllable(c->syllable, old_tone(ctx), false, c->viCase, sizeof c->viCase);
    render_syllable(c->syllable, old_tone(ctx), true, c->viLower, sizeof c->viLower);
}

void set_result(Classification* out, const char* text, int kind, int reason = REASON_COMPOSITION) {
    copy_text(out->text, sizeof out->text, text);
    out->kind = kind;
    out->reason = reason;
}

// A correction entry names the word, alone or after the previous word.
bool known_to_corrections(const EngineContext* ctx, const char* viLower) {
    if (lex_correction(viLower)) return true;
    if (!ctx->contextValid || !ctx->prevWord[0]) return false;
    char prevLower[96], pair[400];
    lower_form(ctx->prevWord, prevLower, sizeof prevLower);
    std::snprintf(pair, sizeof pair, "%s %s", prevLower, viLower);
    return lex_correction(pair) != nullptr;
}

// Steps for a word whose composition is not a valid syllable.
void classify_invalid(const EngineContext* ctx, const WordKeys& keys, const Composition& comp, bool changed,
                      bool inEn, int pattern, Classification* out) {
    bool autoEnglish = has(ctx, OPT_AUTO_ENGLISH);
    bool autoChanged = changed && autoEnglish;
    const ComposeStats& st = comp.stats;
    if (has(ctx, OPT_AUTO_CORRECT) && pattern == 0) {
        Syllable repaired = comp.syllable;
        // Only a word typed with Vietnamese marks is repaired: ko, kong, gen
        // and ka are abbreviations, names and English.
        if (has_diacritic(repaired) && fix_initial_spelling(&repaired) && is_valid_syllable(repaired)) {
            char lower[256];
            render_syllable(repaired, old_tone(ctx), true, lower, sizeof lower);
            bool known = !lex_loaded('v') || lex_contains('v', lower);
            if (known && !(autoEnglish && inEn)) {
                char text[256];
                render_syllable(repaired, old_tone(ctx), false, text, sizeof text);
                set_result(out, text, KIND_VIETNAMESE);
                out->corrected = 1;
                return;
            }
        }
    }
    if (autoChanged && (!inEn || (lex_count('e', keys.lower) < 2000 && ctx->lastKind != KIND_ENGLISH))) {
        if (lex_contains('l', comp.viLower)) {
            set_result(out, comp.viCase, KIND_VIETNAMESE);
            return;
        }
        Composition strict;
        compose_word(ctx, keys, 1, &strict);
        if (lex_contains('l', strict.viLower)) {
            set_result(out, strict.viCase, KIND_VIETNAMESE);
            return;
        }
    }
    // A lone đ is the currency sign after an amount (10dd).
    if (changed && equals(keys.lower, "dd")) return set_result(out, comp.viCase, KIND_VIETNAMESE);
    // No syllable: every key the user typed, whatever the options (aaa,
    // kurtz). The preedit still shows a composition that may grow into one.
    set_result(out, keys.raw, (changed || inEn) ? KIND_ENGLISH : KIND_UNDECIDED,
               inEn ? REASON_ENGLISH : REASON_UNDECIDED);
}

// The keys spell a valid syllable exactly as typed (no mark or tone keys).
void classify_plain(const EngineContext* ctx, const WordKeys& keys, const Composition& comp, bool inEn,
                    Classification* out) {
    bool inVi = lex_contains('v', comp.viLower);
    set_result(out, keys.raw, KIND_UNDECIDED);
    if (!inEn) {
        out->kind = inVi ? KIND_VIETNAMESE : KIND_UNDECIDED;
    } else if (!inVi) {
        out->kind = KIND_ENGLISH;
    } else if (has(ctx, OPT_AUTO_ENGLISH) && keys.length >= 2 && lex_loaded('v')) {
        double pe = double(lex_count('e', keys.lower)) / double(lex_total_or_one('e'));
        double pv = double(lex_count('v', comp.viLower)) / double(lex_total_or_one('v'));
        if (pv * 30 < pe) {
            out->kind = KIND_ENGLISH;
            out->reason = REASON_FREQUENCY;
        } else if (pe * 30 < pv) {
            out->kind = KIND_VIETNAMESE;
            out->reason = REASON_FREQUENCY;
        }
    }
}

void classify_changed_valid(const EngineContext* ctx, const WordKeys& keys, Composition& comp, bool inEn,
                            Classification* out) {
    const ComposeStats& st = comp.stats;
    if (has(ctx, OPT_AUTO_ENGLISH)) {
        if (inEn && st.markLater && !st.markByRepeat) {
            set_result(out, keys.raw, KIND_ENGLISH, REASON_ENGLISH);
            return;
        }
        char viAlt[256];
        render_syllable(comp.syllable, !old_tone(ctx), true, viAlt, sizeof viAlt);
        if (inEn && (lex_contains('v', comp.viLower) || lex_contains('v', viAlt))) out->hint = 1;
        double t = english_threshold(ctx);
        if (prefer_english(ctx, keys.lower, comp.viLower, viAlt, st.markByRepeat, t, t)) {
            set_result(out, keys.raw, KIND_ENGLISH, REASON_ENGLISH);
            return;
        }
        // Marks only from later keys, or a tone typed over another (dana,
        // laura, paris), make a name more often than a syllable no text
        // showed; retyping the word gives the Vietnamese form.
        // A d typed later for đ (dadi) is Vietnamese free marking: English
        // words with a later d are in the English table.
        bool strokeLater = comp.syllable.letters[0].mark == MARK_STROKE && !(keys.length >= 2 && keys.lower[1] == 'd');
        bool unusualKeys = (st.markLater && !st.markByRepeat && !strokeLater) || st.toneCount >= 2;
        uint32_t cv = std::max(lex_count('v', comp.viLower), lex_count('v', viAlt));
        if (!inEn && unusualKeys && lex_loaded('f') && cv <= DICTIONARY_ONLY_COUNT) {
            set_result(out, keys.raw, KIND_UNDECIDED, REASON_KEPT);
            return;
        }
    }
    if (has(ctx, OPT_AUTO_CORRECT) && swap_hoi_nga(&comp.syllable)) out->corrected = 1;
    if (has(ctx, OPT_AUTO_ENGLISH) && !st.markByRepeat && lex_loaded('v') && !is_known_syllable(comp.syllable) &&
        !lex_contains('l', comp.viLower) && !known_to_corrections(ctx, comp.viLower)) {
        // Spelled like a syllable but no known word (paris, mary): a name
        // or a foreign word more often than a rare syllable.
        set_result(out, keys.raw, inEn ? KIND_ENGLISH : KIND_UNDECIDED, inEn ? REASON_ENGLISH : REASON_KEPT);
        out->corrected = 0;
        return;
    }
    char text[256];
    render_syllable(comp.syllable, old_tone(ctx), false, text, sizeof text);
    set_result(out, text, KIND_VIETNAMESE);
}

}  // namespace

void classify_word(const EngineContext* ctx, uint32_t terminator, Classification* out) {
    *out = Classification{};
    WordKeys keys = word_keys(ctx);
    if (keys.length > MAX_COMPOSED_KEYS) {
        set_result(out, keys.raw, KIND_ENGLISH, REASON_KEPT);
        return;
    }
    Composition comp;
    compose_word(ctx, keys, 0, &comp);
    const ComposeStats& st = comp.stats;
    bool changed = !equals(comp.viCase, keys.raw);
    bool valid = is_valid_syllable(comp.syllable);
    bool inEn = lex_contains('e', keys.lower);
    int pattern = case_pattern(keys);

    if (has(ctx, OPT_LEARN) && changed) {
        const char* learned = lex_value('o', keys.lower);
        if (learned && learned[0] == 'v') return set_result(out, comp.viCase, KIND_VIETNAMESE);
        if (learned && learned[0] == 'e') return set_result(out, keys.raw, KIND_ENGLISH, REASON_ENGLISH);
    }

    if (changed && has(ctx, OPT_AUTO_ENGLISH)) {
        uint32_t before = ctx->cpBeforeWord;
        bool codeLike = is_code_like_before(before) || terminator == '_' || is_ascii_digit(terminator) ||
                        pattern == 2 || st.toneCount >= 3;
        if (is_ascii_digit(before) && equals(keys.lower, "dd")) codeLike = false;
        bool inVi = valid && lex_contains('v', comp.viLower);
        uint32_t viFreq = inVi ? lex_count('v', comp.viLower) : 0;
        bool capsRun = ctx->lastWordAllCaps && ctx->capsRunCount > 0 && inVi;
        char lastKey = keys.raw[keys.length - 1];
        bool capsTone = !inEn && inVi && st.toneCount == 1 && keys.length >= 4 && lastKey &&
                        std::strchr("SFRXJ", lastKey) && viFreq >= 1000;
        bool rawResult = codeLike;
        if (pattern == 1 && !capsRun && !capsTone) {
            if (!st.markByRepeat) {
                if (viFreq >= 10) out->hint = 1;
                rawResult = true;
            } else if (viFreq < 10) {
                rawResult = true;
            }
        }
        if (rawResult) return set_result(out, keys.raw, KIND_UNDECIDED, REASON_KEPT);
    }

    if (changed && valid && !has_diacritic(comp.syllable) &&
        !(st.undoByRepeat && !st.undoLater && is_known_syllable(comp.syllable))) {
        // Tone keys removed again (lorenz, liszt) leave no Vietnamese mark:
        // the word is what was typed. A mark undone by repeat (xooong) is
        // how Telex types a plain letter pair and stays.
        return set_result(out, keys.raw, inEn ? KIND_ENGLISH : KIND_UNDECIDED, inEn ? REASON_ENGLISH : REASON_KEPT);
    }
    if (!valid) return classify_invalid(ctx, keys, comp, changed, inEn, pattern, out);
    if (!changed) return classify_plain(ctx, keys, comp, inEn, out);
    classify_changed_valid(ctx, keys, comp, inEn, out);
}

bool prefer_english(const EngineContext* ctx, const char* rawLower, const char* viLower, const char* viAlt,
                    int markByRepeat, double a, double b) {
    bool learn = has(ctx, OPT_LEARN);
    uint32_t ce = lex_count('e', rawLower);
    uint32_t cr = lex_count('r', rawLower);
    if (ce == 0 && !(learn && lex_count('p', rawLower) > 0)) return false;
    if (!lex_loaded('v')) return false;
    uint32_t cv = std::max(lex_count('v', viLower), viAlt ? lex_count('v', viAlt) : 0u);
    if (cv == 0) return true;
    if (ce != 0 && b > 0.100000001 && cr > cv) return true;
    if (b > 0.100000001 && ce >= COMMON_ENGLISH_COUNT && cv <= DICTIONARY_ONLY_COUNT) return true;
    double pv = double(cv) / double(lex_total_or_one('v'));
    double pe = double(ce) / double(lex_total_or_one('e'));
    uint64_t tp = lex_total('p');
    if (learn && tp != 0) {
        double u = std::min(double(tp) / 5000.0, 1.0) / (double(tp) + 5000.0);
        if (b <= 0.5) {
            uint32_t kept = std::max(lex_count('p', viLower), viAlt ? lex_count('p', viAlt) : 0u);
            pv += u * kept;
        }
        if (b > 0.100000001) pe += u * lex_count('p', rawLower);
    }
    double w = (markByRepeat && b < 0.5) ? 0.3 * a : a;
    return w * pe > (1 - w) * pv;
}

namespace {

// Punctuation and spacing when a terminator arrives with no word in progress.
void end_without_word(EngineContext* ctx, EngineOutput* out, const char* terminator) {
    ctx->pending = 0;
    uint32_t single = single_codepoint(terminator);
    if (has(ctx, OPT_PUNCTUATION) && *terminator) {
        if (is_sentence_punctuation(single) && ctx->spaceAfterWord) {
            out->deleteCount = 1;
            ctx->retypeState = 0;
            ctx->sentenceEndPending = ends_sentence(single);
            ctx->capitalizeNext = 0;
        } else if (equals(terminator, " ")) {
            if (ctx->sentenceEndPending) ctx->capitalizeNext = 1;
            ctx->sentenceEndPending = 0;
        } else {
            ctx->sentenceEndPending = ctx->capitalizeNext = 0;
        }
    } else {
        ctx->sentenceEndPending = ctx->capitalizeNext = 0;
    }
    ctx->spaceAfterWord = 0;
    append_text(out->text, sizeof out->text, terminator);
    ctx->contextValid = 0;
    if (out->text[0]) ctx->lastCodepoint = last_codepoint(out->text);
}

bool same_keys_ignoring_case(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        if (ascii_lower(*a) != ascii_lower(*b)) return false;
    }
    return *a == 0 && *b == 0;
}

// A two-word correction; may rewrite the previous word too.
void correct_with_context(EngineContext* ctx, EngineOutput* out, char* word, int size, bool* corrected) {
    char prevLower[96], wordLower[256], key[400];
    lower_form(ctx->prevWord, prevLower, sizeof prevLower);
    lower_form(word, wordLower, sizeof wordLower);
    std::snprintf(key, sizeof key, "%s %s", prevLower, wordLower);
    const char* value = lex_correction(key);
    const char* space = value ? std::strchr(value, ' ') : nullptr;
    if (!space) return;
    char firstPart[256], newPrev[256], newCur[256];
    copy_text(firstPart, sizeof firstPart, value, static_cast<int>(space - value));
    apply_case(ctx->prevWord, firstPart, newPrev, sizeof newPrev);
    apply_case(word, space + 1, newCur, sizeof newCur);
    bool prevChanges = !equals(newPrev, ctx->prevWord);
    if (prevChanges && ctx->prevWord2[0]) {
        char prev2Lower[96], pair[200];
        lower_form(ctx->prevWord2, prev2Lower, sizeof prev2Lower);
        std::snprintf(pair, sizeof pair, "%s %s", prev2Lower, prevLower);
        if (lex_contains('k', pair)) return;
    }
    if (prevChanges) {
        out->deleteCount = utf8_char_count(ctx->prevWord) + 1;
        copy_text(out->text, sizeof out->text, newPrev);
        append_text(out->text, sizeof out->text, " ");
    }
    copy_text(word, size, newCur);
    *corrected = true;
}

void correct_alone(char* word, int size, bool* corrected) {
    char lower[256];
    lower_form(word, lower, sizeof lower);
    const char* value = lex_correction(lower);
    if (!value || std::strchr(value, ' ')) return;
    char replaced[256];
    apply_case(word, value, replaced, sizeof replaced);
    copy_text(word, size, replaced);
    *corrected = true;
}

// Returns whether the word was expanded.
bool expand_shorthand(EngineContext* ctx, const WordKeys& keys, const char* viCase, const char* terminator,
                      char* word, int size) {
    char wordLower[256], viLower[256];
    lower_form(word, wordLower, sizeof wordLower);
    lower_form(viCase, viLower, sizeof viLower);
    const char* value = lex_value('s', keys.lower);
    if (!value) value = lex_value('s', wordLower);
    if (!value) value = lex_value('s', viLower);
    if (!value) return false;
    if (has(ctx, OPT_LEARN)) {
        const char* learned = lex_value('o', keys.lower);
        if (learned && learned[0] == 'n') return false;
    }
    const char* tab = std::strchr(value, '\t');
    char expansion[256];
    copy_text(expansion, sizeof expansion, value, tab ? static_cast<int>(tab - value) : -1);
    bool sentenceOnly = tab && tab[1] == 'B';
    unsigned char t0 = static_cast<unsigned char>(terminator[0]);
    if (blocks_shorthand_before(ctx->cpBeforeWord) || is_ascii_digit(t0) || t0 == '_' || t0 == '-' || t0 == '/' ||
        (sentenceOnly && ctx->lastKind == KIND_ENGLISH)) {
        return false;
    }
    char result[256];
    Syllable parsed;
    if (has_ascii_capital(expansion) && !is_all_caps(word)) {
        copy_text(result, sizeof result, expansion);
    } else if (utf8_char_count(word) == 1 && is_all_caps(word) && !ctx->lastWordAllCaps) {
        if (parse_word(expansion, &parsed)) {
            char lower[256];
            lower_form(expansion, lower, sizeof lower);
            apply_case("Xx", lower, result, sizeof result);
        } else {
            copy_text(result, sizeof result, expansion);
        }
    } else {
        apply_case(word, expansion, result, sizeof result);
    }
    copy_text(word, size, result);
    return true;
}

void make_pending(EngineContext* ctx, const WordKeys& keys, const char* viCase, double threshold,
                  int markByRepeat, const char* word, bool capitalized) {
    ctx->pending = 1;
    copy_text(ctx->pendingRaw, sizeof ctx->pendingRaw, keys.raw);
    copy_text(ctx->pendingRawLower, sizeof ctx->pendingRawLower, keys.lower);
    copy_text(ctx->pendingVi, sizeof ctx->pendingVi, viCase);
    lower_form(viCase, ctx->pendingViLower, sizeof ctx->pendingViLower);
    Syllable parsed;
    ctx->pendingViAltLower[0] = 0;
    if (parse_word(viCase, &parsed)) {
        render_syllable(parsed, !old_tone(ctx), true, ctx->pendingViAltLower, sizeof ctx->pendingViAltLower);
    }
    ctx->pendingThreshold = threshold;
    ctx->pendingMarkByRepeat = markByRepeat;
    ctx->pendingShownAs = equals(word, keys.raw) ? 'e' : 'v';
    ctx->pendingFollow[0] = 0;
    ctx->pendingFollowCount = 0;
    ctx->pendingCapsRaw = is_all_caps(keys.raw) && equals(word, keys.raw);
    ctx->pendingCapitalized = capitalized;
}

// The next word settles an ambiguous one: rewrite it when the language of the
// new word tips the balance the other way.
void redecide_pending(EngineContext* ctx, EngineOutput* out, int decisive, bool* corrected) {
    double a = (2 * (decisive == KIND_ENGLISH ? 0.85 : 0.1) + ctx->pendingThreshold) / 3;
    bool english = prefer_english(ctx, ctx->pendingRawLower, ctx->pendingViLower, ctx->pendingViAltLower,
                                  ctx->pendingMarkByRepeat, a, ctx->pendingThreshold);
    if (english == (ctx->pendingShownAs == 'e')) return;
    char replacement[256];
    copy_text(replacement, sizeof replacement, english ? ctx->pendingRaw : ctx->pendingVi);
    if (ctx->pendingCapitalized) capitalize_first(replacement);
    out->deleteCount = utf8_char_count(ctx->pendingText) + utf8_char_count(ctx->pendingFollow) + 1;
    copy_text(out->text, sizeof out->text, replacement);
    append_text(out->text, sizeof out->text, " ");
    append_text(out->text, sizeof out->text, ctx->pendingFollow);
    ctx->lastKind = english ? KIND_ENGLISH : KIND_VIETNAMESE;
    if (ctx->acceptedWord[0]) lower_form(replacement, ctx->acceptedWord, sizeof ctx->acceptedWord);
    *corrected = true;
}

}  // namespace

void count_accepted_word(EngineContext* ctx) {
    if (!ctx->acceptedWord[0]) return;
    lex_add('p', ctx->acceptedWord, nullptr, 1);
    ctx->acceptedWord[0] = 0;
}

void end_word(EngineContext* ctx, EngineOutput* out, const char* terminator) {
    if (ctx->rawLen <= 0) return end_without_word(ctx, out, terminator);

    WordKeys keys = word_keys(ctx);
    const char* cursor = terminator;
    uint32_t terminatorCp = *terminator ? decode_utf8_char(&cursor) : 0;
    Classification decided;
    classify_word(ctx, terminatorCp, &decided);
    char word[256];
    copy_text(word, sizeof word, decided.text);
    int kind = decided.kind;
    bool corrected = decided.corrected;
    double threshold = english_threshold(ctx);
    Composition comp;
    compose_word(ctx, keys, 0, &comp);
    bool changedComp = !equals(comp.viCase, keys.raw) && keys.length <= MAX_COMPOSED_KEYS;
    bool singleSpace = equals(terminator, " ");

    bool retyped = false;
    if (has(ctx, OPT_LEARN) && ctx->retypeState == 2 && same_keys_ignoring_case(keys.raw, ctx->retypeKeys)) {
        if (ctx->retypeKind == 's') {
            lex_add('o', keys.lower, "n", 1);
            retyped = true;
        } else if ((ctx->retypeKind == 'v' || ctx->retypeKind == 'e') && changedComp) {
            bool wantVietnamese = ctx->retypeKind == 'e';
            copy_text(word, sizeof word, wantVietnamese ? comp.viCase : keys.raw);
            kind = wantVietnamese ? KIND_VIETNAMESE : KIND_ENGLISH;
            lex_add('o', keys.lower, wantVietnamese ? "v" : "e", 1);
            retyped = true;
        }
        if (retyped) corrected = true;
    }
    ctx->rawLen = 0;

    if (!retyped && has(ctx, OPT_AUTO_CORRECT) && kind != KIND_ENGLISH) {
        if (ctx->contextValid) correct_with_context(ctx, out, word, sizeof word, &corrected);
        if (!corrected) correct_alone(word, sizeof word, &corrected);
    }
    bool expanded = false;
    if (!retyped && has(ctx, OPT_SHORTHAND) && expand_shorthand(ctx, keys, comp.viCase, terminator, word, sizeof word)) {
        kind = KIND_VIETNAMESE;
        corrected = true;
        expanded = true;
    }

    char wordLower[256];
    lower_form(word, wordLower, sizeof wordLower);
    bool cap = has(ctx, OPT_PUNCTUATION) && ctx->capitalizeNext && word[0] &&
               (kind == KIND_VIETNAMESE || kind == KIND_ENGLISH ||
                (kind == KIND_UNDECIDED && lex_contains('v', wordLower))) &&
               !has_ascii_capital(word);
    ctx->capitalizeNext = 0;

    int decisive = decided.reason == REASON_FREQUENCY ? KIND_UNDECIDED : kind;
    bool followsPending = false;
    if (has(ctx, OPT_AUTO_ENGLISH) && ctx->pending) {
        if (ctx->contextValid && decisive == KIND_UNDECIDED && out->deleteCount == 0 && !retyped &&
            ctx->pendingFollowCount <= 1 && singleSpace) {
            append_text(ctx->pendingFollow, sizeof ctx->pendingFollow, word);
            append_text(ctx->pendingFollow, sizeof ctx->pendingFollow, terminator);
            ++ctx->pendingFollowCount;
            followsPending = true;
        } else if (ctx->contextValid && out->deleteCount == 0 && !retyped &&
                   (decisive == KIND_VIETNAMESE || decisive == KIND_ENGLISH) &&
                   (!ctx->pendingCapsRaw || (decisive == KIND_VIETNAMESE && is_all_caps(word)))) {
            redecide_pending(ctx, out, decisive, &corrected);
        }
    }
    bool becomesPending = false;
    if (!followsPending) {
        ctx->pending = 0;
        if (!retyped && decided.hint) {
            make_pending(ctx, keys, comp.viCase, threshold, comp.stats.markByRepeat, word, cap);
            becomesPending = true;
        }
    }

    bool changedOut = !equals(word, keys.raw);
    bool allCapsOut = is_all_caps(word);
    if (cap) capitalize_first(word);
    if (becomesPending) copy_text(ctx->pendingText, sizeof ctx->pendingText, word);

    append_text(out->text, sizeof out->text, word);
    append_text(out->text, sizeof out->text, terminator);
    out->kind = kind;
    out->corrected = corrected;

    int wordChars = utf8_char_count(word);
    bool qualifies = (kind == KIND_VIETNAMESE ||
                      (kind == KIND_UNDECIDED && ctx->lastKind == KIND_VIETNAMESE && lex_contains('v', wordLower))) &&
                     wordChars >= 2;
    uint32_t single = single_codepoint(terminator);
    ctx->spaceAfterWord = qualifies && singleSpace;
    ctx->sentenceEndPending = qualifies && ends_sentence(single);

    ctx->altText[0] = 0;
    if (!corrected && !retyped && !expanded && decided.hint && changedComp && has(ctx, OPT_HINTS) && singleSpace) {
        apply_case(word, changedOut ? keys.raw : comp.viCase, ctx->altText, sizeof ctx->altText);
        if (equals(ctx->altText, word)) ctx->altText[0] = 0;
        copy_text(ctx->altRawKeys, sizeof ctx->altRawKeys, keys.lower);
        ctx->altKind = changedOut ? 'e' : 'v';
        ctx->altDelete = wordChars + 1;
        copy_text(ctx->altTerminator, sizeof ctx->altTerminator, terminator);
    }

    ctx->lastKind2 = ctx->lastKind;
    ctx->lastKind = kind;
    if (ctx->contextValid) copy_text(ctx->prevWord2, sizeof ctx->prevWord2, ctx->prevWord);
    else ctx->prevWord2[0] = 0;
    copy_text(ctx->prevWord, sizeof ctx->prevWord, word);
    ctx->contextValid = singleSpace;
    ctx->lastWordAllCaps = allCapsOut;
    if (!allCapsOut) ctx->capsRunCount = 0;
    else if (kind == KIND_VIETNAMESE && (changedOut || out->deleteCount != 0)) ++ctx->capsRunCount;
    ctx->lastCodepoint = last_codepoint(out->text);

    if (has(ctx, OPT_LEARN)) {
        count_accepted_word(ctx);
        if (kind == KIND_VIETNAMESE || kind == KIND_ENGLISH) lower_form(word, ctx->acceptedWord, sizeof ctx->acceptedWord);
        ctx->retypeState = (changedComp || expanded) ? 1 : 0;
        ctx->retypeDeleted = 0;
        ctx->retypeLength = wordChars + utf8_char_count(terminator);
        ctx->retypeKind = expanded ? 's' : changedOut ? 'v' : 'e';
        copy_text(ctx->retypeKeys, sizeof ctx->retypeKeys, keys.raw);
    }
}

}  // namespace miradot

using namespace miradot;

int engine_swap(EngineContext* ctx, EngineOutput* out) {
    if (!out) return 0;
    *out = EngineOutput{};
    if (!ctx || !has(ctx, OPT_HINTS) || !ctx->altText[0] || ctx->rawLen > 0) return 0;
    bool vietnamese = ctx->altKind == 'v';
    out->deleteCount = ctx->altDelete;
    copy_text(out->text, sizeof out->text, ctx->altText);
    append_text(out->text, sizeof out->text, ctx->altTerminator);
    out->kind = vietnamese ? KIND_VIETNAMESE : KIND_ENGLISH;
    out->corrected = 1;
    if (has(ctx, OPT_LEARN)) {
        lex_add('o', ctx->altRawKeys, vietnamese ? "v" : "e", 1);
        if (ctx->acceptedWord[0]) lower_form(ctx->altText, ctx->acceptedWord, sizeof ctx->acceptedWord);
    }
    ctx->lastKind = vietnamese ? KIND_VIETNAMESE : KIND_ENGLISH;
    copy_text(ctx->prevWord, sizeof ctx->prevWord, ctx->altText);
    ctx->pending = 0;
    ctx->retypeState = 0;
    ctx->spaceAfterWord = vietnamese && equals(ctx->altTerminator, " ");
    ctx->sentenceEndPending = 0;
    ctx->lastCodepoint = last_codepoint(out->text);
    ctx->altText[0] = 0;
    return 1;
}
