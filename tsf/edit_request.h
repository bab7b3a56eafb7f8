// One change to a document as the key handling asks for it, built from one
// engine output; platform-neutral, carried out by the document writer.
#pragma once

#include <cstdint>

struct EngineOutput;

// UTF-16 units one request commits at most; longer text goes in several.
constexpr int32_t EDIT_COMMIT_UNITS = 599;
constexpr int32_t EDIT_COMPOSITION_UNITS = 299;

struct EditRequest {
    int32_t deleteCount = 0;  // code points before the word that the new text replaces
    char16_t commitText[EDIT_COMMIT_UNITS + 1] = {};
    int32_t commitLength = 0;
    char16_t compositionText[EDIT_COMPOSITION_UNITS + 1] = {};
    int32_t compositionLength = 0;
    int32_t keepCount = 0;  // trailing committed characters a transitory context keeps composed
    int32_t emptiedWord = 0;
};

namespace miradot {

EditRequest make_edit_request(const EngineOutput& output);

// `next` as it must be written when the document never received `unwritten`:
// what `next` deletes of the unwritten commit is simply not written, the rest
// of its deletions reach before it, and both commits are written together.
EditRequest merge_unwritten(const EditRequest& unwritten, const EditRequest& next);

// Trailing committed characters that may still change and stay composed in a
// transitory context: the pending span, or the last word when a hint is on offer.
int keep_count(const EngineOutput& output, int span, uint32_t options, bool hint_available);

// The committed text that is written with no way to delete before it: its last
// word when the request deletes, else all of it.
int plain_commit_start(const EditRequest& request);

}  // namespace miradot
