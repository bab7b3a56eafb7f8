// The translation client's worker: makes sure the translation service runs,
// sends one request and posts the reply back to the client's window.
#pragma once

#include <windows.h>

#include <string>

namespace miradot {

// Posted to the client's message window: wParam = the request's generation,
// lParam = the reply line (malloc'd, NUL-terminated), freed by the receiver.
constexpr UINT WM_TRANSLATION_REPLY = 0x8051;

struct TranslationJob {
    HWND window = nullptr;
    UINT generation = 0;
    std::string request;         // one JSON line, UTF-8
    std::wstring installFolder;  // holds "mt\mt_win.py"
    bool notElevated = true;     // the host process; unknown counts as not elevated
};

// Runs the job on a thread of its own, which keeps the DLL loaded until it
// ends; false (and the job dropped) when no thread could be started.
bool start_translation_worker(TranslationJob* job);

// The folder above the DLL's own, cut at the last backslash only.
std::wstring install_folder();

// TokenElevation of this process; false when it cannot be read.
bool process_is_elevated();

}  // namespace miradot
