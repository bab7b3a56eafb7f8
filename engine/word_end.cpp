#include "word_end.h"

#include <algorithm>
#include <cstring>

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

bool blocks_shorthand_before(const EngineContext* ctx)
{
    return code_like_before_word(ctx) || ctx->caret.beforeWord == '-' || ctx->caret.beforeWord == '/';
}

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

// The word as it stands, with its lower form.
void set_word(WordDecision* d, const char* text)
{
    copy_text(d->word, sizeof d->word, text);
    lower_form(d->word, d->wordLower, sizeof d->wordLower);
}

// Punctuation and spacing when a terminator arrives with no word in progress.
void end_without_word(EngineContext* ctx, EngineOutput* out, const char* terminator)
{
    drop_pending(ctx->pending);
    if (sentence_after_terminator(ctx->sentence, has(ctx, OPT_PUNCTUATION), terminator)) {
        out->deleteCount = 1;
        stop_retype_watch(ctx->retype);
    }
    append_text(out->text, sizeof out->text, terminator);
    break_history(ctx->history);
    note_committed_text(ctx->caret, out->text);
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
    if (!has(ctx, OPT_LEARN) || ctx->retype.stage != RetypeStage::Deleted
        || !same_keys_ignoring_case(keys.raw, ctx->retype.keys)) {
        return;
    }
    if (ctx->retype.committed == CommittedAs::Shorthand) {
        d->learnedChoice = LearnedChoice::NoShorthand;
        d->retyped = true;
    } else if ((ctx->retype.committed == CommittedAs::Composed || ctx->retype.committed == CommittedAs::AsTyped)
               && changedComp) {
        bool wantVietnamese = ctx->retype.committed == CommittedAs::AsTyped;
        set_word(d, wantVietnamese ? comp.viCase : keys.raw);
        d->kind = wantVietnamese ? KIND_VIETNAMESE : KIND_ENGLISH;
        d->learnedChoice = wantVietnamese ? LearnedChoice::Vietnamese : LearnedChoice::English;
        d->retyped = true;
    }
    if (d->retyped)
        d->corrected = true;
}

// A two-word correction; may rewrite the previous word too.
void correct_with_context(const EngineContext* ctx, WordDecision* d)
{
    char prevLower[96], key[400];
    lower_form(ctx->history.word, prevLower, sizeof prevLower);
    copy_text(key, sizeof key, prevLower);
    append_text(key, sizeof key, " ");
    append_text(key, sizeof key, d->wordLower);
    const char* value = lex_correction(key);
    const char* space = value ? std::strchr(value, ' ') : nullptr;
    if (!space)
        return;
    char firstPart[256], newPrev[256], newCur[256];
    copy_text(firstPart, sizeof firstPart, value, static_cast<int>(space - value));
    apply_case(ctx->history.word, firstPart, newPrev, sizeof newPrev);
    apply_case(d->word, space + 1, newCur, sizeof newCur);
    bool prevChanges = !equals(newPrev, ctx->history.word);
    if (prevChanges && ctx->history.wordBefore[0]) {
        char pair[200];
        lower_form(ctx->history.wordBefore, pair, sizeof pair);
        append_text(pair, sizeof pair, " ");
        append_text(pair, sizeof pair, prevLower);
        if (lex_contains(Table::KeptPairs, pair))
            return;
    }
    if (prevChanges) {
        d->deleteCount = utf8_char_count(ctx->history.word) + 1;
        copy_text(d->prefix, sizeof d->prefix, newPrev);
        append_text(d->prefix, sizeof d->prefix, " ");
    }
    set_word(d, newCur);
    d->corrected = true;
}

void correct_alone(WordDecision* d)
{
    const char* value = lex_correction(d->wordLower);
    if (!value || std::strchr(value, ' '))
        return;
    char replaced[256];
    apply_case(d->word, value, replaced, sizeof replaced);
    set_word(d, replaced);
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
    bool allCaps = is_all_caps(d->word) && (utf8_char_count(d->word) > 1 || ctx->history.allCaps);
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
    const char* value = lex_value(Table::Shorthand, forms.raw);
    if (!value)
        value = lex_value(Table::Shorthand, forms.word);
    if (!value)
        value = lex_value(Table::Shorthand, forms.vi);
    if (!value)
        return false;
    if (has(ctx, OPT_LEARN)) {
        if (learned_choice(forms.raw) == LearnedChoice::NoShorthand)
            return false;
    }
    const char* tab = std::strchr(value, '\t');
    char expansion[256];
    copy_text(expansion, sizeof expansion, value, tab ? static_cast<int>(tab - value) : -1);
    bool sentenceOnly = tab && tab[1] == 'B';
    if (shorthand_blocked(ctx, terminator) || (sentenceOnly && ctx->history.kind == KIND_ENGLISH))
        return false;
    char result[256];
    Syllable parsed;
    if (has_ascii_capital(expansion) && !is_all_caps(word)) {
        copy_text(result, sizeof result, expansion);
    } else if (utf8_char_count(word) == 1 && is_all_caps(word) && !ctx->history.allCaps) {
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
    if (!has(ctx, OPT_AUTO_ENGLISH) || !ctx->pending.active || !ctx->history.joined || d->deleteCount != 0
        || d->retyped)
        return;
    int decisive = d->reason == REASON_FREQUENCY ? KIND_UNDECIDED : d->kind;
    if (decisive == KIND_UNDECIDED) {
        if (ctx->pending.followCount < MAX_PENDING_FOLLOWERS && equals(terminator, " "))
            d->pending = PendingStep::Follows;
        return;
    }
    // Capitals kept as typed read as Vietnamese when capitals follow, or
    // when Vietnamese follows and they are no English word but a known
    // syllable longer than an acronym (--label NHÃN sử dụng, not EPS).
    bool capsThenVietnamese = composedVietnamese && std::strlen(ctx->pending.rawLower) > size_t(ACRONYM_KEYS)
                              && lex_count(Table::English, ctx->pending.rawLower) == 0
                              && std::max(lex_count(Table::Syllables, ctx->pending.viLower),
                                          lex_count(Table::Syllables, ctx->pending.viAltLower))
                                     > DICTIONARY_ONLY_COUNT;
    if (ctx->pending.capsRaw && !(decisive == KIND_VIETNAMESE && (is_all_caps(d->word) || capsThenVietnamese)))
        return;
    // The word after only ever draws the pending word into its own language.
    if ((decisive == KIND_ENGLISH) == (ctx->pending.shownAs == Reading::English))
        return;
    // A capital right after starts a name or a new phrase (châu Á Set the
    // ...), which says nothing of the word before it.
    const char* wordAfter = ctx->pending.followCount ? ctx->pending.follow : d->word;
    if (decisive == KIND_ENGLISH && is_ascii_upper(static_cast<unsigned char>(wordAfter[0])))
        return;
    double next = decisive == KIND_ENGLISH ? AFTER_ENGLISH : AFTER_VIETNAMESE;
    double a = NEXT_WORD_WEIGHT * next + (1 - NEXT_WORD_WEIGHT) * ctx->pending.threshold;
    double before = ctx->pending.threshold;
    bool vietnameseRightAfter = composedVietnamese && ctx->pending.followCount == 0;
    // No English before, or a capital that starts a phrase after English
    // (UNIX Thí dụ), and Vietnamese after (Chóp Vẽ): the word stands among
    // Vietnamese as if one came before it.
    if (vietnameseRightAfter && (ctx->pending.threshold <= WITHOUT_CONTEXT || ctx->pending.capitalInside)) {
        if (std::max(lex_count(Table::Syllables, ctx->pending.viLower),
                     lex_count(Table::Syllables, ctx->pending.viAltLower))
            > DICTIONARY_ONLY_COUNT) {
            a = AMONG_VIETNAMESE;
        }
        before = std::min(before, AFTER_VIETNAMESE);
    }
    // A capitalised word inside a sentence that English follows starts an
    // English phrase (dần Sorts the list), however common its Vietnamese
    // reading.
    bool capitalThenEnglish = decisive == KIND_ENGLISH && ctx->pending.capitalInside;
    bool english = capitalThenEnglish
                   || prefer_english(ctx, ctx->pending.rawLower, ctx->pending.viLower, ctx->pending.viAltLower,
                                     ctx->pending.markByRepeat, a, before);
    if (english == (ctx->pending.shownAs == Reading::English))
        return;
    char replacement[256];
    copy_text(replacement, sizeof replacement, english ? ctx->pending.raw : ctx->pending.vi);
    if (ctx->pending.capitalized)
        capitalize_first(replacement);
    d->deleteCount = utf8_char_count(ctx->pending.text) + utf8_char_count(ctx->pending.follow) + 1;
    copy_text(d->prefix, sizeof d->prefix, replacement);
    append_text(d->prefix, sizeof d->prefix, " ");
    append_text(d->prefix, sizeof d->prefix, ctx->pending.follow);
    d->pending = PendingStep::Redecided;
    d->pendingEnglish = english;
    d->corrected = true;
}

// The one writer of a new pending word; capitalInside: typed with a capital
// after a word of the same sentence.
void make_pending(PendingWord& pending, const WordKeys& keys, const Composition& comp, const WordDecision& d,
                  bool oldTone, bool capitalInside)
{
    pending.active = 1;
    copy_text(pending.raw, sizeof pending.raw, keys.raw);
    copy_text(pending.rawLower, sizeof pending.rawLower, keys.lower);
    copy_text(pending.vi, sizeof pending.vi, comp.viCase);
    lower_form(comp.viCase, pending.viLower, sizeof pending.viLower);
    Syllable parsed;
    pending.viAltLower[0] = 0;
    if (parse_word(comp.viCase, &parsed))
        render_syllable(parsed, !oldTone, true, pending.viAltLower, sizeof pending.viAltLower);
    pending.threshold = d.threshold;
    pending.markByRepeat = comp.stats.markByRepeat;
    pending.shownAs = d.changed ? Reading::Vietnamese : Reading::English;
    copy_text(pending.text, sizeof pending.text, d.word);
    pending.follow[0] = 0;
    pending.followCount = 0;
    pending.capsRaw = is_all_caps(keys.raw) && !d.changed;
    pending.capitalized = d.capitalized;
    pending.capitalInside = capitalInside;
}

}  // namespace

WordDecision decide_word(const EngineContext* ctx, const WordKeys& keys, const Composition& comp,
                         const Classification& decided, const char* terminator)
{
    WordDecision d{};
    set_word(&d, decided.text);
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
        if (ctx->history.joined)
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
            lower_form(d.word, d.wordLower, sizeof d.wordLower);
        }
    }

    d.capitalized = has(ctx, OPT_PUNCTUATION) && ctx->sentence.capitalizeNext && d.word[0]
                    && (d.kind == KIND_VIETNAMESE || d.kind == KIND_ENGLISH
                        || (d.kind == KIND_UNDECIDED && lex_contains(Table::Syllables, d.wordLower)))
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
        d.alternativeReading = d.changed && !decided.repair[0] ? Reading::English : Reading::Vietnamese;
    }
    // Tab or Backspace right after an expansion gives the keys back.
    if (d.expanded && utf8_char_count(terminator) == 1) {
        copy_text(d.alternative, sizeof d.alternative, keys.raw);
        d.alternativeReading = d.userExpansion ? Reading::UserShorthandKeys : Reading::ShorthandKeys;
    }
    return d;
}

void remember_word(EngineContext* ctx, const WordKeys& keys, const Composition& comp, const char* terminator,
                   const WordDecision& d)
{
    bool singleSpace = equals(terminator, " ");
    int wordChars = utf8_char_count(d.userExpansion ? d.userExpansion : d.word);
    // A redecided pending word is the last word's language before this one.
    int kindBefore
        = d.pending == PendingStep::Redecided ? (d.pendingEnglish ? KIND_ENGLISH : KIND_VIETNAMESE) : ctx->history.kind;

    if (d.pending == PendingStep::Follows) {
        follow_pending(ctx->pending, d.word, terminator);
    } else {
        drop_pending(ctx->pending);
        if (!d.retyped && d.hint && !d.settled) {
            bool capitalInside
                = case_pattern(keys) == CASE_FIRST_CAPITAL && ctx->history.joined && ctx->history.word[0];
            make_pending(ctx->pending, keys, comp, d, has(ctx, OPT_OLD_TONE), capitalInside);
        }
    }

    bool spaceMayGo = (d.kind == KIND_VIETNAMESE
                       || (d.kind == KIND_UNDECIDED && kindBefore == KIND_VIETNAMESE
                           && lex_contains(Table::Syllables, d.wordLower)))
                      && wordChars >= 2;
    sentence_after_word(ctx->sentence, spaceMayGo, terminator);
    offer_alternative(ctx->alternative, d.alternative, keys.lower, d.alternativeReading, wordChars + 1, terminator);
    remember_history(ctx->history, d.word, d.kind, kindBefore, singleSpace, d.allCaps,
                     d.kind == KIND_VIETNAMESE && (d.changed || d.deleteCount != 0));
    note_committed_text(ctx->caret, d.prefix);
    note_committed_text(ctx->caret, d.userExpansion ? d.userExpansion : d.word);
    note_committed_text(ctx->caret, terminator);

    if (has(ctx, OPT_LEARN)) {
        if (d.learnedChoice != LearnedChoice::None)
            learn_choice(keys.lower, d.learnedChoice);
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
        CommittedAs committed = d.expanded  ? CommittedAs::Shorthand
                                : d.changed ? CommittedAs::Composed
                                            : CommittedAs::AsTyped;
        watch_retype(ctx->retype, keys.raw, committed, changedComp || d.expanded,
                     wordChars + utf8_char_count(terminator));
    }
}

void count_accepted_word(EngineContext* ctx)
{
    if (!ctx->acceptedWord[0])
        return;
    lex_add(Table::AcceptedWords, ctx->acceptedWord, nullptr, 1);
    ctx->acceptedWord[0] = 0;
}

void end_word(EngineContext* ctx, EngineOutput* out, const char* terminator)
{
    if (ctx->word.length <= 0)
        return end_without_word(ctx, out, terminator);
    const char* cursor = terminator;
    uint32_t terminatorCp = *terminator ? decode_utf8_char(&cursor) : 0;
    // The last key read the word already; only a terminator that changes
    // its class asks for another classification.
    bool again = terminator_counts(terminatorCp);
    const WordReading& reading = read_word(ctx, !again);
    const WordKeys& keys = reading.keys;
    const Composition& comp = reading.comp;
    Classification ended;
    if (again)
        classify_word(ctx, keys, comp, terminatorCp, &ended);
    WordDecision decision = decide_word(ctx, keys, comp, again ? ended : reading.classification, terminator);
    ctx->word.length = 0;
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

bool offers_keys_back(const EngineContext* ctx)
{
    Reading reading = ctx->alternative.reading;
    return ctx->alternative.text[0] && ctx->word.length == 0
           && (reading == Reading::ShorthandKeys || reading == Reading::UserShorthandKeys);
}

int take_back_expansion(EngineContext* ctx, EngineOutput* out, bool keepTerminator)
{
    if (!offers_keys_back(ctx))
        return 0;
    out->deleteCount = ctx->alternative.deleteCount;
    copy_text(out->text, sizeof out->text, ctx->alternative.text);
    if (keepTerminator)
        append_text(out->text, sizeof out->text, ctx->alternative.terminator);
    out->kind = KIND_UNDECIDED;
    out->corrected = 1;
    if (has(ctx, OPT_LEARN) && ctx->alternative.reading == Reading::ShorthandKeys)
        learn_choice(ctx->alternative.keysLower, LearnedChoice::NoShorthand);
    ctx->acceptedWord[0] = 0;
    swap_last_word(ctx->history, ctx->alternative.text, KIND_UNDECIDED);
    if (!keepTerminator || !equals(ctx->alternative.terminator, " "))
        break_history(ctx->history);
    drop_pending(ctx->pending);
    stop_retype_watch(ctx->retype);
    forget_sentence(ctx->sentence);
    note_committed_text(ctx->caret, out->text);
    withdraw_alternative(ctx->alternative);
    return 1;
}

}  // namespace miradot

using namespace miradot;

int engine_keys_back(const EngineContext* ctx) { return ctx && offers_keys_back(ctx); }

int engine_swap(EngineContext* ctx, EngineOutput* out)
{
    if (!out)
        return 0;
    *out = EngineOutput{};
    if (!ctx || !has(ctx, OPT_HINTS) || !ctx->alternative.text[0] || ctx->word.length > 0)
        return 0;
    if (offers_keys_back(ctx))
        return take_back_expansion(ctx, out, true);
    bool vietnamese = ctx->alternative.reading == Reading::Vietnamese;
    out->deleteCount = ctx->alternative.deleteCount;
    copy_text(out->text, sizeof out->text, ctx->alternative.text);
    append_text(out->text, sizeof out->text, ctx->alternative.terminator);
    out->kind = vietnamese ? KIND_VIETNAMESE : KIND_ENGLISH;
    out->corrected = 1;
    if (has(ctx, OPT_LEARN)) {
        learn_choice(ctx->alternative.keysLower, vietnamese ? LearnedChoice::Vietnamese : LearnedChoice::English);
        // The swapped word waited uncounted as the engine's pick; now the
        // user has chosen it.
        lower_form(ctx->alternative.text, ctx->acceptedWord, sizeof ctx->acceptedWord);
    }
    swap_last_word(ctx->history, ctx->alternative.text, out->kind);
    drop_pending(ctx->pending);
    stop_retype_watch(ctx->retype);
    sentence_after_swap(ctx->sentence, vietnamese && equals(ctx->alternative.terminator, " "));
    note_committed_text(ctx->caret, out->text);
    withdraw_alternative(ctx->alternative);
    return 1;
}
