#include "translation_capture.h"

#include <richedit.h>

#include <cwctype>

namespace miradot {

namespace {

constexpr int MAX_CAPTURE = 4000;
constexpr int MAX_CONTROL_TEXT = 262144;

enum class ControlKind { None, Plain, Rich };

ControlKind control_kind(HWND window)
{
    wchar_t name[65] = {};
    if (!window || !GetClassNameW(window, name, 65))
        return ControlKind::None;
    std::wstring lower(name);
    for (wchar_t& c : lower)
        c = static_cast<wchar_t>(std::towlower(c));
    if (lower.find(L"richedit") != std::wstring::npos)
        return ControlKind::Rich;
    return lower == L"edit" ? ControlKind::Plain : ControlKind::None;
}

// The control's whole text; false when it cannot be read or is too long.
bool control_text(HWND window, bool rich, std::wstring& text)
{
    LRESULT length;
    if (rich) {
        GETTEXTLENGTHEX query{GTL_NUMCHARS, 1200};
        length = SendMessageW(window, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&query), 0);
    } else {
        length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    }
    if (length < 0 || length > MAX_CONTROL_TEXT)
        return false;
    text.assign(static_cast<size_t>(length) + 2, L'\0');
    LRESULT got;
    if (rich) {
        GETTEXTEX get{};
        get.cb = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        get.flags = GT_DEFAULT;
        get.codepage = 1200;
        got = SendMessageW(window, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get), reinterpret_cast<LPARAM>(text.data()));
    } else {
        got = SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    }
    text.resize(got < 0 ? 0 : std::min<size_t>(static_cast<size_t>(got), text.size()));
    return true;
}

}  // namespace

CaptureOutcome capture_from_window(HWND focus, WindowCapture& capture)
{
    ControlKind kind = control_kind(focus);
    if (kind == ControlKind::None)
        return CaptureOutcome::ReadDenied;
    bool rich = kind == ControlKind::Rich;
    DWORD start = 0, end = 0;
    SendMessageW(focus, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    std::wstring text;
    if (!control_text(focus, rich, text))
        return CaptureOutcome::Nothing;
    // A rich edit control's selection may take in its closing paragraph
    // mark, which its text leaves out (select-all does).
    if (rich && end == text.size() + 1)
        end = static_cast<DWORD>(text.size());
    if (end > text.size() || start > end)
        return CaptureOutcome::Nothing;
    bool selection = start != end;
    if (!selection) {
        DWORD floor = end > MAX_CAPTURE + 1 ? end - MAX_CAPTURE - 1 : 0;
        while (start > floor && text[start - 1] != L'\r' && text[start - 1] != L'\n')
            --start;
    }
    if (end - start > MAX_CAPTURE || (!selection && start > 0 && text[start - 1] != L'\r' && text[start - 1] != L'\n'))
        return CaptureOutcome::Nothing;
    capture.window = focus;
    capture.rich = rich;
    capture.fromSelection = selection;
    capture.start = static_cast<int>(start);
    capture.end = static_cast<int>(end);
    capture.text = text.substr(start, end - start);
    return CaptureOutcome::Captured;
}

bool replace_in_window(const WindowCapture& capture, const std::wstring& result)
{
    std::wstring text;
    if (!IsWindow(capture.window) || !control_text(capture.window, capture.rich, text))
        return false;
    if (static_cast<size_t>(capture.start) + capture.text.size() > text.size()
        || text.compare(capture.start, capture.text.size(), capture.text) != 0)
        return false;
    SendMessageW(capture.window, EM_SETSEL, capture.start, capture.end);
    SendMessageW(capture.window, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(result.c_str()));
    return true;
}

bool is_password_control(HWND window)
{
    return window && control_kind(window) != ControlKind::None && (GetWindowLongW(window, GWL_STYLE) & ES_PASSWORD);
}

}  // namespace miradot
