// Reading and replacing text in plain and rich edit controls through window
// messages, for applications that show TSF only a transitory context.
#pragma once

#include <windows.h>

#include <string>

namespace miradot {

struct WindowCapture {
    HWND window = nullptr;
    bool rich = false;
    bool fromSelection = false;
    int start = 0;  // the captured character range of the control's text
    int end = 0;
    std::wstring text;
};

enum class CaptureOutcome {
    Captured,
    Nothing,     // readable, but no selection or line of at most 4000 characters
    ReadDenied,  // not a control we can read
};

// The selection of the focused control, or the line before its caret.
CaptureOutcome capture_from_window(HWND focus, WindowCapture& capture);

// Replaces the captured range by `result` when the control still holds the
// captured text there; false when it changed.
bool replace_in_window(const WindowCapture& capture, const std::wstring& result);

// A plain or rich edit control that hides what is typed.
bool is_password_control(HWND window);

}  // namespace miradot
