// The writers of the session's parts (engine_context.h): each takes the one
// part it changes, so what an event does to the session reads from the calls.
#include "engine_context.h"

#include <algorithm>
#include <initializer_list>

#include "letters.h"
#include "text_util.h"

namespace miradot {

namespace {

bool is_single_space(const char* text) { return text[0] == ' ' && text[1] == 0; }
bool ends_sentence(uint32_t c) { return c == '.' || c == '!' || c == '?'; }
bool in(uint32_t c, std::initializer_list<uint32_t> set) { return std::find(set.begin(), set.end(), c) != set.end(); }
bool is_sentence_punctuation(uint32_t c) { return in(c, {',', '.', '!', '?', ':', ';'}); }

// The terminator's only code point, or 0 when it is empty or longer.
uint32_t single_codepoint(const char* text)
{
    if (!*text)
        return 0;
    const char* cursor = text;
    uint32_t c = decode_utf8_char(&cursor);
    return *cursor ? 0 : c;
}

}  // namespace

void start_word(WordInProgress& word, CaretText& caret, char key)
{
    caret.beforeWord = caret.last;
    caret.beforeWord2 = caret.beforeLast;
    word.keys[0] = key;
    word.length = 1;
}

void note_committed_text(CaretText& caret, const char* text)
{
    for (const char* cursor = text; *cursor;) {
        caret.beforeLast = caret.last;
        caret.last = decode_utf8_char(&cursor);
    }
}

void forget_committed_text(CaretText& caret) { caret.last = caret.beforeLast = 0; }

void remember_history(History& history, const char* word, int kind, int kindBefore, bool joined, bool allCaps,
                      bool madeVietnamese)
{
    history.kindBefore = kindBefore;
    history.kind = kind;
    if (history.joined)
        copy_text(history.wordBefore, sizeof history.wordBefore, history.word);
    else
        history.wordBefore[0] = 0;
    copy_text(history.word, sizeof history.word, word);
    history.joined = joined;
    history.allCaps = allCaps;
    if (!allCaps)
        history.capsRun = 0;
    else if (madeVietnamese)
        ++history.capsRun;
}

void swap_last_word(History& history, const char* word, int kind)
{
    history.kind = kind;
    copy_text(history.word, sizeof history.word, word);
}

void break_history(History& history) { history.joined = 0; }

void forget_history(History& history)
{
    history.joined = 0;
    history.word[0] = 0;
    history.wordBefore[0] = 0;
}

void sentence_after_word(SentenceState& sentence, bool spaceMayGo, const char* terminator)
{
    sentence.capitalizeNext = 0;
    sentence.spaceAfterWord = spaceMayGo && is_single_space(terminator);
    sentence.endPending = spaceMayGo && ends_sentence(single_codepoint(terminator));
}

bool sentence_after_terminator(SentenceState& sentence, bool punctuation, const char* terminator)
{
    uint32_t single = single_codepoint(terminator);
    bool takesSpace = false;
    if (punctuation && *terminator) {
        if (is_sentence_punctuation(single) && sentence.spaceAfterWord) {
            takesSpace = true;
            sentence.endPending = ends_sentence(single);
            sentence.capitalizeNext = 0;
        } else if (is_single_space(terminator)) {
            if (sentence.endPending)
                sentence.capitalizeNext = 1;
            sentence.endPending = 0;
        } else {
            sentence.endPending = sentence.capitalizeNext = 0;
        }
    } else {
        sentence.endPending = sentence.capitalizeNext = 0;
    }
    sentence.spaceAfterWord = 0;
    return takesSpace;
}

void sentence_after_swap(SentenceState& sentence, bool spaceMayGo)
{
    sentence.spaceAfterWord = spaceMayGo;
    sentence.endPending = 0;
}

void forget_sentence(SentenceState& sentence) { sentence = SentenceState{}; }

void offer_alternative(TabAlternative& alternative, const char* text, const char* keysLower, Reading reading,
                       int deleteCount, const char* terminator)
{
    copy_text(alternative.text, sizeof alternative.text, text);
    if (!text[0])
        return;
    copy_text(alternative.keysLower, sizeof alternative.keysLower, keysLower);
    alternative.reading = reading;
    alternative.deleteCount = deleteCount;
    copy_text(alternative.terminator, sizeof alternative.terminator, terminator);
}

void withdraw_alternative(TabAlternative& alternative) { alternative.text[0] = 0; }

void watch_retype(RetypeWatch& retype, const char* keys, CommittedAs committed, bool watch, int length)
{
    retype.stage = watch ? RetypeStage::Watching : RetypeStage::Idle;
    retype.deleted = 0;
    retype.length = length;
    retype.committed = committed;
    copy_text(retype.keys, sizeof retype.keys, keys);
}

void retype_after_backspace(RetypeWatch& retype)
{
    if (retype.stage == RetypeStage::Idle)
        return;
    ++retype.deleted;
    if (retype.deleted == retype.length)
        retype.stage = RetypeStage::Deleted;
    else
        retype.stage = retype.deleted < retype.length ? RetypeStage::Watching : RetypeStage::Idle;
}

void retype_after_word_start(RetypeWatch& retype)
{
    if (retype.stage == RetypeStage::Watching)
        retype.stage = RetypeStage::Idle;
}

void stop_retype_watch(RetypeWatch& retype) { retype.stage = RetypeStage::Idle; }

void follow_pending(PendingWord& pending, const char* word, const char* terminator)
{
    append_text(pending.follow, sizeof pending.follow, word);
    append_text(pending.follow, sizeof pending.follow, terminator);
    ++pending.followCount;
}

void drop_pending(PendingWord& pending) { pending.active = 0; }

}  // namespace miradot
