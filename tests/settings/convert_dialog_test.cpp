// The "Chuyển mã" dialog driven with clicks and keys: the clipboard's text,
// RTF and HTML converted in place from the guessed encoding, and a file
// converted into a new file from the encoding the user picked.
#include "settings_window.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "charset.h"
#include "clipboard_html.h"
#include "screen_png.h"
#include "temp_folder.h"
#include "utf.h"

namespace {

namespace fs = std::filesystem;
using namespace miradot;

// Controls of the settings dialog (133) and of the convert dialog (resource 400).
constexpr int IDC_CONVERT = 133, IDC_CONVERT_FROM = 404, IDC_CONVERT_GUESS = 405, IDC_CONVERT_CLIPBOARD = 408,
              IDC_CONVERT_FILE = 409, IDC_CONVERT_STATUS = 410;

const std::string UNICODE_TEXT = "Tiếng Việt ở Đà Nẵng, HUẾ và quê nhà.";

struct WindowSearch {
    DWORD processId;
    const wchar_t* caption;
    HWND found;
};

// A visible top-level window of the program with this caption.
HWND window_titled(DWORD processId, const wchar_t* caption)
{
    WindowSearch search{processId, caption, nullptr};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* s = reinterpret_cast<WindowSearch*>(parameter);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            wchar_t text[128] = {};
            GetWindowTextW(window, text, 128);
            if (owner != s->processId || !IsWindowVisible(window) || wcscmp(text, s->caption) != 0)
                return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND wait_for_window(SettingsProgram& program, const wchar_t* caption)
{
    HWND window = nullptr;
    wait_until([&] { return (window = window_titled(program.process_id(), caption)) != nullptr; }, 15000);
    if (window)
        Sleep(400);
    return window;
}

std::wstring item_text(HWND window, int id)
{
    wchar_t text[600] = {};
    int length = GetWindowTextW(GetDlgItem(window, id), text, 600);
    return std::wstring(text, length > 0 ? length : 0);
}

std::string cp1252_reading(const std::string& bytes)
{
    std::wstring wide(bytes.size(), L'\0');
    int length = MultiByteToWideChar(1252, 0, bytes.data(), int(bytes.size()), wide.data(), int(wide.size()));
    wide.resize(size_t(length));
    return wide_to_utf8(wide);
}

bool put(UINT format, const std::string& bytes)
{
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size() + 1);
    std::memcpy(GlobalLock(memory), bytes.c_str(), bytes.size() + 1);
    GlobalUnlock(memory);
    return SetClipboardData(format, memory) != nullptr;
}

std::string clipboard(UINT format)
{
    std::string bytes;
    if (!OpenClipboard(nullptr))
        return bytes;
    if (HANDLE data = GetClipboardData(format)) {
        if (format == CF_UNICODETEXT)
            bytes = wide_to_utf8(static_cast<const wchar_t*>(GlobalLock(data)));
        else
            bytes = static_cast<const char*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return bytes;
}

// RTF as a word processor writes it: bytes of the document's font as \'xx,
// other characters as \uN with one "?" for readers without Unicode.
std::string rtf_bytes(const std::string& bytes)
{
    std::string out;
    for (unsigned char b : bytes) {
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\'%02x", b);
        out += b < 0x80 ? std::string(1, char(b)) : std::string(escape);
    }
    return out;
}

std::string rtf_unicode(const std::string& utf8)
{
    std::string out;
    for (wchar_t c : utf8_to_wide(utf8)) {
        char escape[16];
        std::snprintf(escape, sizeof escape, "\\u%d?", int(short(c)));
        out += c < 0x80 ? std::string(1, char(c)) : std::string(escape);
    }
    return out;
}

// What the dialog's client area shows, without the frame the virtual screen
// leaves undrawn.
bool screenshot_client(HWND window, const std::wstring& file)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(400);
    RECT r;
    GetClientRect(window, &r);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return save_screen_png(r, shot_path(file).c_str());
}

Environment convert_environment()
{
    return {{L"MIRADOT_SETTINGS_KEY", fresh_settings_key(L"convert")},
            {L"MIRADOT_USER_FILE", L"C:\\nonexistent\\user.tsv"},
            {L"MIRADOT_SETTINGS_THEME", L"light"},
            {L"MIRADOT_SETTINGS_SHOT", L"1"}};
}

}  // namespace

// A document typed for the ABC fonts puts TCVN3 on the clipboard as the
// Windows-1252 reading of its bytes, in all three formats.
TEST(ConvertDialog, ConvertsTheClipboardInPlaceFromTheGuessedEncoding)
{
    const std::string tcvn3 = charset_encode(CHARSET_TCVN3, UNICODE_TEXT, LEGACY_BYTES, nullptr);
    const std::string legacy = cp1252_reading(tcvn3);
    const std::string rtf_start = "{\\rtf1\\ansi{\\fonttbl{\\f0 .VnTime;}}\\f0 ";
    const UINT rtf_format = RegisterClipboardFormatW(L"Rich Text Format");
    const UINT html_format = RegisterClipboardFormatW(L"HTML Format");
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    const std::wstring wide = utf8_to_wide(legacy);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (wide.size() + 1) * sizeof(wchar_t));
    std::memcpy(GlobalLock(memory), wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(memory);
    ASSERT_TRUE(SetClipboardData(CF_UNICODETEXT, memory));
    ASSERT_TRUE(put(rtf_format, rtf_start + rtf_bytes(tcvn3) + "\\par}"));
    ASSERT_TRUE(put(html_format, clipboard_html("<p style=\"font-family:.VnTime\">" + legacy + "</p>")));
    CloseClipboard();

    SettingsProgram program(convert_environment());
    ASSERT_TRUE(program.dialog());
    program.click(IDC_CONVERT);
    HWND convert = wait_for_window(program, L"miraDot – Chuyển mã");
    ASSERT_NE(convert, nullptr) << "the dialog did not open";
    EXPECT_EQ(item_text(convert, IDC_CONVERT_GUESS), L"Chữ trong clipboard: đoán là TCVN3 (ABC)");

    click_window(GetDlgItem(convert, IDC_CONVERT_CLIPBOARD));
    EXPECT_TRUE(wait_until([&] { return clipboard(CF_UNICODETEXT) == UNICODE_TEXT; })) << clipboard(CF_UNICODETEXT);
    EXPECT_TRUE(wait_until([&] { return item_text(convert, IDC_CONVERT_STATUS).rfind(L"Đã chuyển", 0) == 0; }));
    EXPECT_EQ(item_text(convert, IDC_CONVERT_STATUS),
              L"Đã chuyển clipboard (chữ, RTF, HTML) từ TCVN3 (ABC) sang Unicode dựng sẵn; bảng mã nguồn là tự đoán.");
    EXPECT_EQ(clipboard(rtf_format), rtf_start + rtf_unicode(UNICODE_TEXT) + "\\par}");
    EXPECT_EQ(clipboard(html_format), clipboard_html("<p style=\"font-family:.VnTime\">" + UNICODE_TEXT + "</p>"));
    EXPECT_EQ(item_text(convert, IDC_CONVERT_GUESS), L"Chữ trong clipboard: đoán là Unicode dựng sẵn");
    EXPECT_TRUE(screenshot_client(convert, L"convert_dialog.png"));

    click_window(GetDlgItem(convert, IDOK));
    EXPECT_TRUE(wait_until([&] { return !IsWindow(convert); }));
}

// The user overrides the guess: the file is read as VNI because they say so.
TEST(ConvertDialog, ConvertsAFileIntoANewFileFromTheChosenEncoding)
{
    TempFolder folder(L"miradot-convert");
    const std::string vni = charset_encode(CHARSET_VNI_WINDOWS, UNICODE_TEXT + "\r\n", LEGACY_BYTES, nullptr);
    const fs::path file = folder.write(L"thư cũ.txt", vni);
    folder.write(L"thư cũ (unicode).txt", "already there");

    SettingsProgram program(convert_environment());
    ASSERT_TRUE(program.dialog());
    program.click(IDC_CONVERT);
    HWND convert = wait_for_window(program, L"miraDot – Chuyển mã");
    ASSERT_NE(convert, nullptr);
    // "Tự đoán", then Unicode, NFD, TCVN3 and VNI Windows.
    click_window(GetDlgItem(convert, IDC_CONVERT_FROM));
    for (int i = 0; i < 4; ++i)
        program.key(VK_DOWN);
    program.key(VK_RETURN);
    ASSERT_EQ(SendMessageW(GetDlgItem(convert, IDC_CONVERT_FROM), CB_GETCURSEL, 0, 0), 4);

    click_window(GetDlgItem(convert, IDC_CONVERT_FILE));
    HWND picker = wait_for_window(program, L"Chọn tệp cần chuyển mã");
    ASSERT_NE(picker, nullptr) << "no file dialog";
    // The file name box of the common file dialog, then its "Open" button.
    HWND name = GetDlgItem(picker, 0x47C);
    if (!name)
        name = GetDlgItem(picker, 0x480);
    ASSERT_NE(name, nullptr);
    SetWindowTextW(name, file.wstring().c_str());
    click_window(GetDlgItem(picker, IDOK));

    const fs::path written = folder.path() / L"thư cũ (unicode) 2.txt";
    EXPECT_TRUE(wait_until([&] { return fs::exists(written) && fs::file_size(written) > 0; }));
    std::ifstream in(written, std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()),
              UNICODE_TEXT + "\r\n");
    EXPECT_TRUE(wait_until([&] { return item_text(convert, IDC_CONVERT_STATUS).rfind(L"Đã ghi", 0) == 0; }));
    EXPECT_EQ(item_text(convert, IDC_CONVERT_STATUS), L"Đã ghi thư cũ (unicode) 2.txt từ VNI Windows.");
    EXPECT_TRUE(screenshot_client(convert, L"convert_dialog_file.png"));
    click_window(GetDlgItem(convert, IDOK));
}
