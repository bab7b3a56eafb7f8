// Clean-up of finished text (speech transcripts): tone placement, hook/tilde
// repair and dictionary corrections, word by word.
#include <cstring>

#include "composer.h"
#include "engine.h"
#include "letters.h"
#include "lexicon.h"
#include "text_util.h"

using namespace miradot;

namespace {

constexpr int MAX_SEGMENTS = 1024;
constexpr int SEGMENT_BYTES = 96;

struct Segment {
    char text[SEGMENT_BYTES];
    int length;
    bool word;
    char lower[SEGMENT_BYTES];  // lower form, kept for the correction lookups
};

// One table for the process: the engine runs under the caller's lock.
Segment g_segments[MAX_SEGMENTS];

int segment_text(const char* text) {
    int count = 0;
    const char* cursor = text;
    while (*cursor) {
        const char* start = cursor;
        bool word = is_word_codepoint(decode_utf8_char(&cursor));
        Segment* last = count ? &g_segments[count - 1] : nullptr;
        if (!last || last->word != word) {
            if (count == MAX_SEGMENTS) break;
            last = &g_segments[count++];
            last->length = 0;
            last->text[0] = 0;
            last->word = word;
        }
        int bytes = static_cast<int>(cursor - start);
        if (last->length + bytes >= SEGMENT_BYTES) continue;
        std::memcpy(last->text + last->length, start, bytes);
        last->length += bytes;
        last->text[last->length] = 0;
    }
    return count;
}

void replace_segment(Segment* segment, const char* text) {
    segment->length = copy_text(segment->text, SEGMENT_BYTES, text);
    to_lower_word(segment->text, segment->lower, SEGMENT_BYTES);
}

// Places the tone and fills the lower form. Returns whether the text changed.
bool place_tone(Segment* segment, uint32_t options) {
    Syllable s;
    if (!parse_word(segment->text, &s)) {
        to_lower_word(segment->text, segment->lower, SEGMENT_BYTES);
        return false;
    }
    bool changed = false;
    if (is_valid_syllable(s)) {
        if (options & OPT_AUTO_CORRECT) swap_hoi_nga(&s);
        char rendered[SEGMENT_BYTES];
        render_syllable(s, (options & OPT_OLD_TONE) != 0, false, rendered, sizeof rendered);
        changed = std::strcmp(rendered, segment->text) != 0;
        if (changed) segment->length = copy_text(segment->text, SEGMENT_BYTES, rendered);
    }
    render_syllable(s, false, true, segment->lower, SEGMENT_BYTES);
    return changed;
}

bool correct_pair(Segment* previous, Segment* current) {
    char key[2 * SEGMENT_BYTES];
    int used = copy_text(key, sizeof key, previous->lower);
    key[used++] = ' ';
    copy_text(key + used, sizeof key - used, current->lower);
    const char* value = lex_correction(key);
    const char* space = value ? std::strchr(value, ' ') : nullptr;
    if (!space) return false;
    char first[256], replaced[SEGMENT_BYTES];
    copy_text(first, sizeof first, value, static_cast<int>(space - value));
    apply_case(previous->text, first, replaced, sizeof replaced);
    replace_segment(previous, replaced);
    apply_case(current->text, space + 1, replaced, sizeof replaced);
    replace_segment(current, replaced);
    return true;
}

bool correct_single(Segment* segment) {
    char replaced[SEGMENT_BYTES];
    const char* value = lex_correction(segment->lower);
    if (!value || std::strchr(value, ' ')) return false;
    apply_case(segment->text, value, replaced, sizeof replaced);
    replace_segment(segment, replaced);
    return true;
}

}  // namespace

int engine_clean_text(const EngineContext* ctx, const char* text, char* buffer, int size) {
    if (size <= 0) return 0;
    buffer[0] = 0;
    if (!ctx || !text || !*text) return 0;
    uint32_t options = ctx->options;
    int count = segment_text(text);
    int corrections = 0;
    for (int i = 0; i < count; ++i) {
        if (g_segments[i].word && place_tone(&g_segments[i], options)) ++corrections;
    }
    if (options & OPT_AUTO_CORRECT) {
        for (int i = 0; i < count; ++i) {
            if (!g_segments[i].word) continue;
            bool pairs = i >= 2 && g_segments[i - 2].word && std::strcmp(g_segments[i - 1].text, " ") == 0;
            if (pairs && correct_pair(&g_segments[i - 2], &g_segments[i])) ++corrections;
            else if (correct_single(&g_segments[i])) ++corrections;
        }
    }
    int used = 0;
    for (int i = 0; i < count; ++i) {
        used += copy_text(buffer + used, size - used, g_segments[i].text, g_segments[i].length);
    }
    return corrections;
}
