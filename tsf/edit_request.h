#pragma once

#include <windows.h>
#include <msctf.h>

#include <cstdint>

struct EngineOutput;

// The kinds of work one edit session does.
enum EditKind {
    EDIT_APPLY = 0,
    EDIT_END_COMPOSITION = 1,
    EDIT_READ_SCOPE = 2,
    EDIT_HINT_POSITION = 3,
    EDIT_TR_READ = 4,
    EDIT_TR_REPLACE = 5,
};

// Edit-session flag words in use.
constexpr DWORD EDIT_SYNC_WRITE = TF_ES_SYNC | TF_ES_READWRITE;  // falls back to asynchronous
constexpr DWORD EDIT_ASYNC_WRITE = TF_ES_READWRITE;
constexpr DWORD EDIT_SYNC_READ = TF_ES_SYNC | TF_ES_READ;

// One change to the document, built from one engine output.
struct EditRequest {
    int32_t deleteCount = 0;  // code points before the word that the new text replaces
    wchar_t commitText[600] = {};
    int32_t commitLength = 0;
    wchar_t compositionText[300] = {};
    int32_t compositionLength = 0;
    int32_t keepCount = 0;  // trailing committed characters a transitory context keeps composed
    int32_t emptiedWord = 0;
};

EditRequest make_edit_request(const EngineOutput& output);

// `next` as it must be written when the document never received `unwritten`:
// what `next` deletes of the unwritten commit is simply not written, the rest
// of its deletions reach before it, and both commits are written together.
EditRequest merge_unwritten(const EditRequest& unwritten, const EditRequest& next);

// Index where the last word of `text` starts: a final space is skipped, the
// word starts after the space before it (0 when there is none).
int last_word_start(const wchar_t* text, int length);

// Code points in text[0, length).
int count_code_points(const wchar_t* text, int length);

// Units taken by the last `count` code points of text[0, length), or -1 when
// the text holds fewer code points.
int units_of_last_code_points(const wchar_t* text, int length, int count);

// Index reached by moving back `count` code points from `index`, never below 0.
int move_back_code_points(const wchar_t* text, int index, int count);

// Trailing committed characters that may still change and stay composed in a
// transitory context: the pending span, or the last word when a hint is on offer.
int keep_count(const EngineOutput& output, int span, uint32_t options, bool hint_available);
