// The translation client's texts: the request line it sends, the note it
// shows for each reply, and the parts of captured text it keeps.
#pragma once

#include "hotkey.h"

#include <string>

namespace miradot {

// The translate request for the captured text (UTF-16) and the partner language.
std::string translation_request(const std::wstring& source, const char* other);

// Whether the text holds anything but tabs, line breaks and spaces.
bool has_translatable_text(const std::wstring& text);

// Where the line that ends the text starts: after its last LF, VT, CR or U+2029.
size_t line_start(const std::wstring& text);

struct ReplyNote {
    bool ok = false;      // a translation came back
    std::wstring result;  // the translation, line breaks as the control wants them
    std::wstring note;    // the result note, or the failure note
};

// Reads one reply line. `crlf`: the text goes into a plain edit control,
// whose line breaks are CR LF.
ReplyNote read_translation_reply(const char* reply, bool crlf);

// The notes that name the translation hotkey.
std::wstring nothing_to_translate_note(Hotkey hotkey);
std::wstring text_changed_note(Hotkey hotkey);

extern const wchar_t TR_NOTE_WORKING[];
extern const wchar_t TR_NOTE_NOT_INSTALLED[];
extern const wchar_t TR_NOTE_READ_DENIED[];

}  // namespace miradot
