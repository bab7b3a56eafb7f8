// The platform-neutral part of writing an edit request into a composition:
// code-point arithmetic on UTF-16 text, how far a correction may reach back
// before the word, and what a transitory context keeps composed.
#pragma once

#include <functional>
#include <string_view>

namespace miradot {

// Index where the last word of `text` starts: a final space is skipped, the
// word starts after the space before it (0 when there is none).
int last_word_start(std::u16string_view text);

// Code points in `text`; a surrogate pair counts once.
int count_code_points(std::u16string_view text);

// Units taken by the last `count` code points of `text`, or -1 when it holds fewer.
int units_of_last_code_points(std::u16string_view text, int count);

// Index reached by moving back `count` code points from `index`, never below 0.
int move_back_code_points(std::u16string_view text, int index, int count);

// Code points of text read before the composition when reaching back: a low
// surrogate at the start is the second half of a character not reached.
int reached_code_points(std::u16string_view text);

// How the characters kept composed before the word (`kept`, read from the
// composition's start) take a request that deletes `delete_count` code points.
struct KeptPrefix {
    int units = 0;              // units of `kept` that stay in front of the new text
    bool lastWordOnly = false;  // the deletion reaches before them: write only the commit's last word
};
KeptPrefix keep_prefix(std::u16string_view kept, int delete_count);

// Lower-case context words that a later two-word correction may still rewrite.
using ContextWordTest = std::function<bool(std::u16string_view word)>;

// Units at the end of `written` (the kept prefix of `prefix` units followed by
// the committed text used, `committed`) that a transitory context keeps
// composed: the last `keep_code_points` code points, or a context word and its space
// that ends the commit, whichever is longer; all of it when nothing was committed.
int kept_units(std::u16string_view written, int prefix, std::u16string_view committed, int keep_code_points,
               const ContextWordTest& is_context_word);

}  // namespace miradot
