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

// How much the word after a pending word counts against the word before it
// when it settles the pending one: the word after reads on with it.
constexpr double NEXT_WORD_WEIGHT = 2.0 / 3.0;
// The English share of a word between a Vietnamese (or no) word before and a
// word composed as Vietnamese after, when texts show its Vietnamese reading:
// English inside Vietnamese text comes as terms (số test hoặc), rarely as a
// common word alone (Mẫu thí dụ, not this).
constexpr double AMONG_VIETNAMESE = 0.01;
// The pending word waits behind at most this many undecided words.
constexpr int MAX_PENDING_FOLLOWERS = 2;

bool in(uint32_t c, std::initializer_list<uint32_t> set) { return std::find(set.begin(), set.end(), c) != set.end(); }

bool blocks_shorthand_before(const EngineContext* ctx)
{
    return code_like_before_word(ctx) || ctx->cpBeforeWord == '-' || ctx->cpBeforeWord == '/';
}
bool ends_sentence(uint32_t c) { return c == '.' || c == '!' || c == '?'; }
bool is_sentence_punctuation(uint32_t c) { return in(c, {',', '.', '!', '?', ':', ';'}); }

bool has_ascii_capital(const char* text)
{
    for (; *text; ++text) {
        if (is_ascii_upper(static_cast<unsigned char>(*text)))
            return true;
    }
    return false;
}

bool equals(const char* a, const char* b) { return std::strcmp(a, b) == 0; }
bool has(const EngineContext* ctx, uint32_t option) { return has_option(ctx, option); }
void lower_form(const char* text, char* buffer, int size) { to_lower_word(text, buffer, size); }

// The terminator's only code point, or 0 when it is empty or longer.
uint32_t single_codepoint(const char* text)
{
    if (!*text)
        return 0;
    const char* cursor = text;
    uint32_t c = decode_utf8_char(&cursor);
    return *cursor ? 0 : c;
}

// Punctuation and spacing when a terminator arrives with no word in progress.
void end_without_word(EngineContext* ctx, EngineOutput* out, const char* terminator)
{
    ctx->pending = 0;
    uint32_t single = single_codepoint(terminator);
    if (has(ctx, OPT_PUNCTUATION) && *terminator) {
        if (is_sentence_punctuation(single) && ctx->spaceAfterWord) {
            out->deleteCount = 1;
            ctx->retypeState = RETYPE_IDLE;
            ctx->sentenceEndPending = ends_sentence(single);
            ctx->capitalizeNext = 0;
        } else if (equals(terminator, " ")) {
            if (ctx->sentenceEndPending)
                ctx->capitalizeNext = 1;
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
    note_committed_text(ctx, out->text);
}

bool same_keys_ignoring_case(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b) {
        if (ascii_lower(*a) != ascii_lower(*b))
            return false;
    }
    return *a == 0 && *b == 0;
}

// The word deleted right after it was committed and typed again: the other
// form, learned for next time.
void decide_retyped(const EngineContext* ctx, const WordKeys& keys, const Composition& comp, bool changedComp,
                    WordDecision* d)
{
    if (!has(ctx, OPT_LEARN) || ctx->retypeState != RETYPE_DELETED
        || !same_keys_ignoring_case(keys.raw, ctx->retypeKeys)) {
        return;
    }
    if (ctx->retypeKind == RETYPE_SHORTHAND) {
        d->learnedChoice = LEARNED_NO_SHORTHAND;
        d->retyped = true;
    } else if ((ctx->retypeKind == RETYPE_COMPOSED || ctx->retypeKind == RETYPE_AS_TYPED) && changedComp) {
        bool wantVietnamese = ctx->retypeKind == RETYPE_AS_TYPED;
        copy_text(d->word, sizeof d->word, wantVietnamese ? comp.viCase : keys.raw);
        d->kind = wantVietnamese ? KIND_VIETNAMESE : KIND_ENGLISH;
        d->learnedChoice = wantVietnamese ? LEARNED_VIETNAMESE : LEARNED_ENGLISH;
        d->retyped = true;
    }
    if (d->retyped)
        d->corrected = true;
}

// A two-word correction; may rewrite the previous word too.
void correct_with_context(const EngineContext* ctx, WordDecision* d)
{
    char prevLower[96], wordLower[256], key[400];
    lower_form(ctx->prevWord, prevLower, sizeof prevLower);
    lower_form(d->word, wordLower, sizeof wordLower);
    std::snprintf(key, sizeof key, "%s %s", prevLower, wordLower);
    const char* value = lex_correction(key);
    const char* space = value ? std::strchr(value, ' ') : nullptr;
    if (!space)
        return;
    char firstPart[256], newPrev[256], newCur[256];
    copy_text(firstPart, sizeof firstPart, value, static_cast<int>(space - value));
    apply_case(ctx->prevWord, firstPart, newPrev, sizeof newPrev);
    apply_case(d->word, space + 1, newCur, sizeof newCur);
    bool prevChanges = !equals(newPrev, ctx->prevWord);
    if (prevChanges && ctx->prevWord2[0]) {
        char prev2Lower[96], pair[200];
        lower_form(ctx->prevWord2, prev2Lower, sizeof prev2Lower);
        std::snprintf(pair, sizeof pair, "%s %s", prev2Lower, prevLower);
        if (lex_contains('k', pair))
            return;
    }
    if (prevChanges) {
        d->deleteCount = utf8_char_count(ctx->prevWord) + 1;
        copy_text(d->prefix, sizeof d->prefix, newPrev);
        append_text(d->prefix, sizeof d->prefix, " ");
    }
    copy_text(d->word, sizeof d->word, newCur);
    d->corrected = true;
}

void correct_alone(WordDecision* d)
{
    char lower[256];
    lower_form(d->word, lower, sizeof lower);
    const char* value = lex_correction(lower);
    if (!value || std::strchr(value, ' '))
        return;
    char replaced[256];
    apply_case(d->word, value, replaced, sizeof replaced);
    copy_text(d->word, sizeof d->word, replaced);
    d->corrected = true;
}

// The forms of a word its shorthand is looked up by, in order.
struct ShorthandKeys {
    const char* raw;
    char word[256];
    char vi[256];
};

ShorthandKeys shorthand_keys(const WordKeys& keys, const char* word, const char* viCase)
{
    ShorthandKeys k;
    k.raw = keys.lower;
    lower_form(word, k.word, sizeof k.word);
    lower_form(viCase, k.vi, sizeof k.vi);
    return k;
}

// What comes before or after the word makes it no shorthand (a number, a
// path, an identifier).
bool shorthand_blocked(const EngineContext* ctx, const char* terminator)
{
    unsigned char t0 = static_cast<unsigned char>(terminator[0]);
    return blocks_shorthand_before(ctx) || is_ascii_digit(t0) || t0 == '_' || t0 == '-' || t0 == '/';
}

// The user's own entries come before the shipped ones and keep their case as
// written unless the keys were typed with capitals. Never cancelled by a
// learned choice: the user's list says what the user wants.
bool expand_user_shorthand(const EngineContext* ctx, const WordKeys& keys, const ShorthandKeys& forms,
                           const char* terminator, WordDecision* d)
{
    const char* value = user_shorthand_value(forms.raw);
    if (!value && !equals(forms.word, forms.raw))
        value = user_shorthand_value(forms.word);
    if (!value && !equals(forms.vi, forms.word) && !equals(forms.vi, forms.raw))
        value = user_shorthand_value(forms.vi);
    if (!value || shorthand_blocked(ctx, terminator))
        return false;
    bool allCaps = is_all_caps(d->word) && (utf8_char_count(d->word) > 1 || ctx->lastWordAllCaps);
    d->userCase = allCaps                                                 ? SHORTHAND_ALL_CAPITALS
                  : is_ascii_upper(static_cast<unsigned char>(keys.raw[0])) ? SHORTHAND_FIRST_CAPITAL
                                                                          : SHORTHAND_AS_WRITTEN;
    d->userExpansion = value;
    d->word[0] = 0;
    append_shorthand_expansion(d->word, sizeof d->word, value, d->userCase);
    return true;
}

// Returns whether the word was expanded.
bool expand_shorthand(const EngineContext* ctx, const ShorthandKeys& forms, const char* terminator, char* word,
                      int size)
{
    const char* value = lex_value('s', forms.raw);
    if (!value)
        value = lex_value('s', forms.word);
    if (!value)
        value = lex_value('s', forms.vi);
    if (!value)
        return false;
    if (has(ctx, OPT_LEARN)) {
        const char* learned = lex_value('o', forms.raw);
        if (learned && learned[0] == LEARNED_NO_SHORTHAND)
            return false;
    }
    const char* tab = std::strchr(value, '\t');
    char expansion[256];
    copy_text(expansion, sizeof expansion, value, tab ? static_cast<int>(tab - value) : -1);
    bool sentenceOnly = tab && tab[1] == 'B';
    if (shorthand_blocked(ctx, terminator) || (sentenceOnly && ctx->lastKind == KIND_ENGLISH))
        return false;
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

// The pending word waits behind an undecided word, or this word settles it:
// rewritten when the language of this word tips the balance the other way.
void decide_pending(const EngineContext* ctx, const char* terminator, bool composedVietnamese, WordDecision* d)
{
    if (!has(ctx, OPT_AUTO_ENGLISH) || !ctx->pending || !ctx->contextValid || d->deleteCount != 0 || d->retyped)
        return;
    int decisive = d->reason == REASON_FREQUENCY ? KIND_UNDECIDED : d->kind;
    if (decisive == KIND_UNDECIDED) {
        if (ctx->pendingFollowCount < MAX_PENDING_FOLLOWERS && equals(terminator, " "))
            d->pending = PendingStep::Follows;
        return;
    }
    // Capitals kept as typed read as Vietnamese when capitals follow, or
    // when Vietnamese follows and they are no English word but a known
    // syllable longer than an acronym (--label NHÃN sử dụng, not EPS).
    bool capsThenVietnamese = composedVietnamese && std::strlen(ctx->pendingRawLower) > size_t(ACRONYM_KEYS)
                              && lex_count('e', ctx->pendingRawLower) == 0
                              && std::max(lex_count('v', ctx->pendingViLower), lex_count('v', ctx->pendingViAltLower))
                                     > DICTIONARY_ONLY_COUNT;
    if (ctx->pendingCapsRaw && !(decisive == KIND_VIETNAMESE && (is_all_caps(d->word) || capsThenVietnamese)))
        return;
    // The word after only ever draws the pending word into its own language.
    if ((decisive == KIND_ENGLISH) == (ctx->pendingShownAs == ALT_ENGLISH))
        return;
    // A capital right after starts a name or a new phrase (châu Á Set the
    // ...), which says nothing of the word before it.
    const char* wordAfter = ctx->pendingFollowCount ? ctx->pendingFollow : d->word;
    if (decisive == KIND_ENGLISH && is_ascii_upper(static_cast<unsigned char>(wordAfter[0])))
        return;
    double next = decisive == KIND_ENGLISH ? AFTER_ENGLISH : AFTER_VIETNAMESE;
    double a = NEXT_WORD_WEIGHT * next + (1 - NEXT_WORD_WEIGHT) * ctx->pendingThreshold;
    double before = ctx->pendingThreshold;
    bool vietnameseRightAfter = composedVietnamese && ctx->pendingFollowCount == 0;
    // No English before, or a capital that starts a phrase after English
    // (UNIX Thí dụ), and Vietnamese after (Chóp Vẽ): the word stands among
    // Vietnamese as if one came before it.
    if (vietnameseRightAfter && (ctx->pendingThreshold <= WITHOUT_CONTEXT || ctx->pendingCapitalInside)) {
        if (std::max(lex_count('v', ctx->pendingViLower), lex_count('v', ctx->pendingViAltLower))
            > DICTIONARY_ONLY_COUNT) {
            a = AMONG_VIETNAMESE;
        }
        before = std::min(before, AFTER_VIETNAMESE);
    }
    // A capitalised word inside a sentence that English follows starts an
    // English phrase (dần Sorts the list), however common its Vietnamese
    // reading.
    bool capitalThenEnglish = decisive == KIND_ENGLISH && ctx->pendingCapitalInside;
    bool english = capitalThenEnglish
                   || prefer_english(ctx, ctx->pendingRawLower, ctx->pendingViLower, ctx->pendingViAltLower,
                                     ctx->pendingMarkByRepeat, a, before);
    if (english == (ctx->pendingShownAs == ALT_ENGLISH))
        return;
    char replacement[256];
    copy_text(replacement, sizeof replacement, english ? ctx->pendingRaw : ctx->pendingVi);
    if (ctx->pendingCapitalized)
        capitalize_first(replacement);
    d->deleteCount = utf8_char_count(ctx->pendingText) + utf8_char_count(ctx->pendingFollow) + 1;
    copy_text(d->prefix, sizeof d->prefix, replacement);
    append_text(d->prefix, sizeof d->prefix, " ");
    append_text(d->prefix, sizeof d->prefix, ctx->pendingFollow);
    d->pending = PendingStep::Redecided;
    d->pendingEnglish = english;
    d->corrected = true;
}

void make_pending(EngineContext* ctx, const WordKeys& keys, const Composition& comp, const WordDecision& d)
{
    ctx->pending = 1;
    copy_text(ctx->pendingRaw, sizeof ctx->pendingRaw, keys.raw);
    copy_text(ctx->pendingRawLower, sizeof ctx->pendingRawLower, keys.lower);
    copy_text(ctx->pendingVi, sizeof ctx->pendingVi, comp.viCase);
    lower_form(comp.viCase, ctx->pendingViLower, sizeof ctx->pendingViLower);
    Syllable parsed;
    ctx->pendingViAltLower[0] = 0;
    if (parse_word(comp.viCase, &parsed)) {
        bool oldTone = has(ctx, OPT_OLD_TONE);
        render_syllable(parsed, !oldTone, true, ctx->pendingViAltLower, sizeof ctx->pendingViAltLower);
    }
    ctx->pendingThreshold = d.threshold;
    ctx->pendingMarkByRepeat = comp.stats.markByRepeat;
    ctx->pendingShownAs = d.changed ? ALT_VIETNAMESE : ALT_ENGLISH;
    copy_text(ctx->pendingText, sizeof ctx->pendingText, d.word);
    ctx->pendingFollow[0] = 0;
    ctx->pendingFollowCount = 0;
    ctx->pendingCapsRaw = is_all_caps(keys.raw) && !d.changed;
    ctx->pendingCapitalized = d.capitalized;
    ctx->pendingCapitalInside = case_pattern(keys) == CASE_FIRST_CAPITAL && ctx->contextValid && ctx->prevWord[0];
}

}  // namespace

WordDecision decide_word(const EngineContext* ctx, const WordKeys& keys, const Composition& comp,
                         const char* terminator)
{
    WordDecision d{};
    const char* cursor = terminator;
    uint32_t terminatorCp = *terminator ? decode_utf8_char(&cursor) : 0;
    Classification decided;
    classify_word(ctx, keys, comp, terminatorCp, &decided);
    copy_text(d.word, sizeof d.word, decided.text);
    d.kind = decided.kind;
    d.reason = decided.reason;
    d.corrected = decided.corrected;
    d.hint = decided.hint;
    d.settled = decided.settled;
    d.threshold = english_threshold(ctx);
    bool changedComp = !equals(comp.viCase, keys.raw) && keys.length <= MAX_COMPOSED_KEYS;
    bool singleSpace = equals(terminator, " ");

    decide_retyped(ctx, keys, comp, changedComp, &d);
    if (!d.retyped && has(ctx, OPT_AUTO_CORRECT) && d.kind != KIND_ENGLISH) {
        if (ctx->contextValid)
            correct_with_context(ctx, &d);
        if (!d.corrected)
            correct_alone(&d);
    }
    if (!d.retyped && has(ctx, OPT_USER_SHORTHAND | OPT_SHORTHAND)) {
        ShorthandKeys forms = shorthand_keys(keys, d.word, comp.viCase);
        d.expanded = (has(ctx, OPT_USER_SHORTHAND) && expand_user_shorthand(ctx, keys, forms, terminator, &d))
                     || (has(ctx, OPT_SHORTHAND) && expand_shorthand(ctx, forms, terminator, d.word, sizeof d.word));
        if (d.expanded) {
            d.kind = KIND_VIETNAMESE;
            d.corrected = true;
        }
    }

    lower_form(d.word, d.wordLower, sizeof d.wordLower);
    d.capitalized = has(ctx, OPT_PUNCTUATION) && ctx->capitalizeNext && d.word[0]
                    && (d.kind == KIND_VIETNAMESE || d.kind == KIND_ENGLISH
                        || (d.kind == KIND_UNDECIDED && lex_contains('v', d.wordLower)))
                    && !has_ascii_capital(d.word);
    bool composedVietnamese = d.kind == KIND_VIETNAMESE && !d.corrected && !equals(d.word, keys.raw);
    decide_pending(ctx, terminator, composedVietnamese, &d);

    d.changed = !equals(d.word, keys.raw);
    d.allCaps = is_all_caps(d.word);
    if (d.capitalized)
        capitalize_first(d.word);

    if (!d.corrected && !d.retyped && !d.expanded && d.hint && changedComp && has(ctx, OPT_HINTS) && singleSpace) {
        const char* other = decided.repair[0] ? decided.repair : d.changed ? keys.raw : comp.viCase;
        Syllable parsed;
        // Keys with VNI digits (A4) give no case to carry over: the other
        // reading keeps its own.
        if (parse_word(d.word, &parsed))
            apply_case(d.word, other, d.alternative, sizeof d.alternative);
        else
            copy_text(d.alternative, sizeof d.alternative, other);
        if (equals(d.alternative, d.word))
            d.alternative[0] = 0;
        d.alternativeKind = d.changed && !decided.repair[0] ? ALT_ENGLISH : ALT_VIETNAMESE;
    }
    // Tab or Backspace right after an expansion gives the keys back.
    if (d.expanded && single_codepoint(terminator)) {
        copy_text(d.alternative, sizeof d.alternative, keys.raw);
        d.alternativeKind = d.userExpansion ? ALT_USER_SHORTHAND_KEYS : ALT_SHORTHAND_KEYS;
    }
    return d;
}

void remember_word(EngineContext* ctx, const WordKeys& keys, const Composition& comp, const char* terminator,
                   const WordDecision& d)
{
    bool singleSpace = equals(terminator, " ");
    ctx->capitalizeNext = 0;

    if (d.pending == PendingStep::Follows) {
        append_text(ctx->pendingFollow, sizeof ctx->pendingFollow, d.word);
        append_text(ctx->pendingFollow, sizeof ctx->pendingFollow, terminator);
        ++ctx->pendingFollowCount;
    } else {
        if (d.pending == PendingStep::Redecided)
            ctx->lastKind = d.pendingEnglish ? KIND_ENGLISH : KIND_VIETNAMESE;
        ctx->pending = 0;
        if (!d.retyped && d.hint && !d.settled)
            make_pending(ctx, keys, comp, d);
    }

    int wordChars = utf8_char_count(d.userExpansion ? d.userExpansion : d.word);
    bool qualifies
        = (d.kind == KIND_VIETNAMESE
           || (d.kind == KIND_UNDECIDED && ctx->lastKind == KIND_VIETNAMESE && lex_contains('v', d.wordLower)))
          && wordChars >= 2;
    ctx->spaceAfterWord = qualifies && singleSpace;
    ctx->sentenceEndPending = qualifies && ends_sentence(single_codepoint(terminator));

    copy_text(ctx->altText, sizeof ctx->altText, d.alternative);
    if (d.alternative[0]) {
        copy_text(ctx->altRawKeys, sizeof ctx->altRawKeys, keys.lower);
        ctx->altKind = d.alternativeKind;
        ctx->altDelete = wordChars + 1;
        copy_text(ctx->altTerminator, sizeof ctx->altTerminator, terminator);
    }

    ctx->lastKind2 = ctx->lastKind;
    ctx->lastKind = d.kind;
    if (ctx->contextValid)
        copy_text(ctx->prevWord2, sizeof ctx->prevWord2, ctx->prevWord);
    else
        ctx->prevWord2[0] = 0;
    copy_text(ctx->prevWord, sizeof ctx->prevWord, d.word);
    ctx->contextValid = singleSpace;
    ctx->lastWordAllCaps = d.allCaps;
    if (!d.allCaps)
        ctx->capsRunCount = 0;
    else if (d.kind == KIND_VIETNAMESE && (d.changed || d.deleteCount != 0))
        ++ctx->capsRunCount;
    note_committed_text(ctx, d.prefix);
    note_committed_text(ctx, d.userExpansion ? d.userExpansion : d.word);
    note_committed_text(ctx, terminator);

    if (has(ctx, OPT_LEARN)) {
        if (d.learnedChoice) {
            char value[2] = {d.learnedChoice, 0};
            lex_add('o', keys.lower, value, 1);
        }
        count_accepted_word(ctx);
        // Where both readings are words the engine picked one: typing on does
        // not confirm it, and counting it would teach the engine its own
        // mistakes (Sets taken for sét once, then every time). Only a Tab or
        // a retype says which one the user wants.
        bool enginesPick = d.hint && !d.retyped;
        // The user's expansions are texts of their own, no words to count.
        if ((d.kind == KIND_VIETNAMESE || d.kind == KIND_ENGLISH) && !enginesPick && !d.userExpansion)
            copy_text(ctx->acceptedWord, sizeof ctx->acceptedWord, d.wordLower);
        bool changedComp = !equals(comp.viCase, keys.raw) && keys.length <= MAX_COMPOSED_KEYS;
        ctx->retypeState = (changedComp || d.expanded) ? RETYPE_WATCHING : RETYPE_IDLE;
        ctx->retypeDeleted = 0;
        ctx->retypeLength = wordChars + utf8_char_count(terminator);
        ctx->retypeKind = d.expanded ? RETYPE_SHORTHAND : d.changed ? RETYPE_COMPOSED : RETYPE_AS_TYPED;
        copy_text(ctx->retypeKeys, sizeof ctx->retypeKeys, keys.raw);
    }
}

void note_committed_text(EngineContext* ctx, const char* text)
{
    for (const char* cursor = text; *cursor;) {
        ctx->codepointBeforeLast = ctx->lastCodepoint;
        ctx->lastCodepoint = decode_utf8_char(&cursor);
    }
}

void count_accepted_word(EngineContext* ctx)
{
    if (!ctx->acceptedWord[0])
        return;
    lex_add('p', ctx->acceptedWord, nullptr, 1);
    ctx->acceptedWord[0] = 0;
}

void end_word(EngineContext* ctx, EngineOutput* out, const char* terminator)
{
    if (ctx->rawLen <= 0)
        return end_without_word(ctx, out, terminator);
    WordKeys keys = word_keys(ctx);
    Composition comp;
    compose_word(ctx, keys, 0, &comp);
    WordDecision decision = decide_word(ctx, keys, comp, terminator);
    ctx->rawLen = 0;
    remember_word(ctx, keys, comp, terminator, decision);

    out->deleteCount = decision.deleteCount;
    copy_text(out->text, sizeof out->text, decision.prefix);
    if (decision.userExpansion) {
        ShorthandCase textCase = decision.capitalized && decision.userCase == SHORTHAND_AS_WRITTEN
                                     ? SHORTHAND_FIRST_CAPITAL
                                     : decision.userCase;
        append_shorthand_expansion(out->text, sizeof out->text, decision.userExpansion, textCase);
    } else {
        append_text(out->text, sizeof out->text, decision.word);
    }
    append_text(out->text, sizeof out->text, terminator);
    out->kind = decision.kind;
    out->corrected = decision.corrected;
}

}  // namespace miradot

using namespace miradot;

namespace miradot {

bool offers_keys_back(const EngineContext* ctx)
{
    return ctx->altText[0] && ctx->rawLen == 0
           && (ctx->altKind == ALT_SHORTHAND_KEYS || ctx->altKind == ALT_USER_SHORTHAND_KEYS);
}

int take_back_expansion(EngineContext* ctx, EngineOutput* out, bool keepTerminator)
{
    if (!offers_keys_back(ctx))
        return 0;
    out->deleteCount = ctx->altDelete;
    copy_text(out->text, sizeof out->text, ctx->altText);
    if (keepTerminator)
        append_text(out->text, sizeof out->text, ctx->altTerminator);
    out->kind = KIND_UNDECIDED;
    out->corrected = 1;
    if (has(ctx, OPT_LEARN) && ctx->altKind == ALT_SHORTHAND_KEYS)
        lex_add('o', ctx->altRawKeys, "n", 1);  // LEARNED_NO_SHORTHAND
    ctx->acceptedWord[0] = 0;
    ctx->lastKind = KIND_UNDECIDED;
    copy_text(ctx->prevWord, sizeof ctx->prevWord, ctx->altText);
    ctx->contextValid = keepTerminator && equals(ctx->altTerminator, " ");
    ctx->pending = 0;
    ctx->retypeState = RETYPE_IDLE;
    ctx->spaceAfterWord = ctx->sentenceEndPending = ctx->capitalizeNext = 0;
    note_committed_text(ctx, out->text);
    ctx->altText[0] = 0;
    return 1;
}

}  // namespace miradot

int engine_keys_back(const EngineContext* ctx) { return ctx && offers_keys_back(ctx); }

int engine_swap(EngineContext* ctx, EngineOutput* out)
{
    if (!out)
        return 0;
    *out = EngineOutput{};
    if (!ctx || !has(ctx, OPT_HINTS) || !ctx->altText[0] || ctx->rawLen > 0)
        return 0;
    if (offers_keys_back(ctx))
        return take_back_expansion(ctx, out, true);
    bool vietnamese = ctx->altKind == ALT_VIETNAMESE;
    out->deleteCount = ctx->altDelete;
    copy_text(out->text, sizeof out->text, ctx->altText);
    append_text(out->text, sizeof out->text, ctx->altTerminator);
    out->kind = vietnamese ? KIND_VIETNAMESE : KIND_ENGLISH;
    out->corrected = 1;
    if (has(ctx, OPT_LEARN)) {
        lex_add('o', ctx->altRawKeys, vietnamese ? "v" : "e", 1);  // LEARNED_VIETNAMESE, LEARNED_ENGLISH
        // The swapped word waited uncounted as the engine's pick; now the
        // user has chosen it.
        lower_form(ctx->altText, ctx->acceptedWord, sizeof ctx->acceptedWord);
    }
    ctx->lastKind = vietnamese ? KIND_VIETNAMESE : KIND_ENGLISH;
    copy_text(ctx->prevWord, sizeof ctx->prevWord, ctx->altText);
    ctx->pending = 0;
    ctx->retypeState = RETYPE_IDLE;
    ctx->spaceAfterWord = vietnamese && equals(ctx->altTerminator, " ");
    ctx->sentenceEndPending = 0;
    note_committed_text(ctx, out->text);
    ctx->altText[0] = 0;
    return 1;
}
