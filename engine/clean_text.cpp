// Clean-up of finished text (speech transcripts): tone placement, hook/tilde
// repair and dictionary corrections, word by word, in one pass over the text.
// Everything the clean-up does not deliberately change reaches the output
// byte for byte, however long the text, as far as the caller's buffer goes.
#include <cstring>

#include "composer.h"
#include "engine.h"
#include "engine_context.h"
#include "letters.h"
#include "lexicon.h"
#include "text_util.h"

using namespace miradot;

namespace {

// A word of 96 bytes or more is no word the engine knows: it passes as is.
constexpr int WORD_BYTES = 96;

// The output so far and the last word written to it, which a two-word
// correction may still rewrite.
struct Writer {
    char* buffer;
    int size;
    int used = 0;
    bool full = false;
    int prevStart = -1;  // start of the last word in the buffer; -1 when none
    char prevText[WORD_BYTES] = {};
    char prevLower[WORD_BYTES] = {};
    bool prevIsWord = false;
    bool singleSpaceSince = false;  // exactly one space since that word

    void write(const char* text, int length)
    {
        if (full)
            return;
        int fits = utf8_fit(text, length, size - 1 - used);
        std::memcpy(buffer + used, text, fits);
        used += fits;
        buffer[used] = 0;
        if (fits < length)
            full = true;
    }

    void rewind(int to)
    {
        used = to;
        buffer[used] = 0;
        full = false;
    }
};

// Places the tone the options want and repairs hook/tilde. Returns whether
// the word changed; `lower` gets its lower form.
bool place_tone(char* word, int size, char* lower, uint32_t options)
{
    Syllable s;
    if (!parse_word(word, &s)) {
        to_lower_word(word, lower, WORD_BYTES);
        return false;
    }
    bool changed = false;
    if (is_valid_syllable(s)) {
        if (options & OPT_AUTO_CORRECT)
            swap_hoi_nga(&s);
        char rendered[WORD_BYTES];
        render_syllable(s, (options & OPT_OLD_TONE) != 0, false, rendered, sizeof rendered);
        changed = std::strcmp(rendered, word) != 0;
        if (changed)
            copy_text(word, size, rendered);
    }
    render_syllable(s, false, true, lower, WORD_BYTES);
    return changed;
}

// The previous word and this one as the correction table pairs them. On a
// match, writes the rewritten pair in place of the previous word.
bool correct_pair(Writer& w, char* word, int size, const char* lower)
{
    char key[2 * WORD_BYTES + 2];
    int used = copy_text(key, sizeof key, w.prevLower);
    key[used++] = ' ';
    copy_text(key + used, sizeof key - used, lower);
    const char* value = lex_correction(key);
    const char* space = value ? std::strchr(value, ' ') : nullptr;
    if (!space)
        return false;
    char first[256], newPrev[WORD_BYTES], newCur[WORD_BYTES];
    copy_text(first, sizeof first, value, static_cast<int>(space - value));
    apply_case(w.prevText, first, newPrev, sizeof newPrev);
    apply_case(word, space + 1, newCur, sizeof newCur);
    w.rewind(w.prevStart);
    w.write(newPrev, static_cast<int>(std::strlen(newPrev)));
    w.write(" ", 1);
    copy_text(word, size, newCur);
    return true;
}

bool correct_single(char* word, int size, const char* lower)
{
    char replaced[WORD_BYTES];
    const char* value = lex_correction(lower);
    if (!value || std::strchr(value, ' '))
        return false;
    apply_case(word, value, replaced, sizeof replaced);
    copy_text(word, size, replaced);
    return true;
}

// One word segment: returns the corrections it counted.
int clean_word(Writer& w, const char* start, int length, uint32_t options)
{
    if (length >= WORD_BYTES) {
        w.write(start, length);
        w.prevIsWord = false;
        return 0;
    }
    char word[WORD_BYTES], lower[WORD_BYTES];
    copy_text(word, sizeof word, start, length);
    int corrections = place_tone(word, sizeof word, lower, options) ? 1 : 0;
    bool corrected = false;
    if (options & OPT_AUTO_CORRECT) {
        bool paired = w.prevIsWord && w.singleSpaceSince && correct_pair(w, word, sizeof word, lower);
        corrected = paired || correct_single(word, sizeof word, lower);
        if (corrected)
            ++corrections;
    }
    w.prevStart = w.used;
    int wordLength = static_cast<int>(std::strlen(word));
    w.write(word, wordLength);
    copy_text(w.prevText, sizeof w.prevText, word, wordLength);
    if (corrected)
        to_lower_word(word, w.prevLower, sizeof w.prevLower);
    else
        copy_text(w.prevLower, sizeof w.prevLower, lower);
    w.prevIsWord = !w.full;
    w.singleSpaceSince = false;
    return corrections;
}

}  // namespace

int engine_clean_text(const EngineContext* ctx, const char* text, char* buffer, int size)
{
    if (size <= 0)
        return 0;
    buffer[0] = 0;
    if (!ctx || !text || !*text)
        return 0;
    Writer w{buffer, size};
    int corrections = 0;
    const char* cursor = text;
    while (*cursor && !w.full) {
        const char* start = cursor;
        bool word = is_word_codepoint(decode_utf8_char(&cursor));
        const char* end = cursor;
        while (*end) {
            const char* next = end;
            if (is_word_codepoint(decode_utf8_char(&next)) != word)
                break;
            end = next;
        }
        int length = static_cast<int>(end - start);
        if (word) {
            corrections += clean_word(w, start, length, ctx->options);
        } else {
            w.write(start, length);
            w.singleSpaceSince = w.prevIsWord && length == 1 && *start == ' ';
            if (!w.singleSpaceSince)
                w.prevIsWord = false;
        }
        cursor = end;
    }
    return corrections;
}
