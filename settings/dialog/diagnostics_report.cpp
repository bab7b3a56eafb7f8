// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
#include "diagnostics_report.h"

#include "diagnostics_log.h"
#include "mt_home.h"
#include "settings_store.h"
#include "speech_model.h"
#include "utf.h"
#include "version.h"

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <vector>

namespace {

constexpr size_t LOG_LINES = 100;
constexpr size_t VALUE_UNITS = 120;  // a longer text value (release notes) is cut

// RtlGetVersion tells the real version to programs without a compatibility
// manifest entry for it, where GetVersionEx would not.
std::wstring windows_version()
{
    using RtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
    auto get = reinterpret_cast<RtlGetVersion>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!get || get(&info) != 0)
        return L"không rõ";
    wchar_t text[64];
    swprintf(text, 64, L"%lu.%lu.%lu", info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber);
    return text;
}

// "name = value" lines of a key's values, in the key's order.
void append_values(std::wstring& report, const std::wstring& key_path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key_path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        report += L"  (chưa có)\r\n";
        return;
    }
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD name_units = 256, type = 0;
        BYTE data[2048];
        DWORD size = sizeof data - sizeof(wchar_t);
        LONG result = RegEnumValueW(key, index, name, &name_units, nullptr, &type, data, &size);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        report += L"  " + std::wstring(name, name_units) + L" = ";
        if (result != ERROR_SUCCESS) {
            report += L"(quá dài)\r\n";
            continue;
        }
        wchar_t number[32];
        if (type == REG_DWORD && size == 4) {
            DWORD value;
            std::memcpy(&value, data, 4);
            swprintf(number, 32, L"%lu (0x%lX)", value, value);
            report += number;
        } else if (type == REG_QWORD && size == 8) {
            unsigned long long value;
            std::memcpy(&value, data, 8);
            swprintf(number, 32, L"%llu", value);
            report += number;
        } else if (type == REG_SZ || type == REG_EXPAND_SZ) {
            std::wstring text(reinterpret_cast<const wchar_t*>(data), size / sizeof(wchar_t));
            text = text.substr(0, text.find(L'\0'));
            for (wchar_t& c : text)
                if (c == L'\r' || c == L'\n')
                    c = L' ';
            if (text.size() > VALUE_UNITS)
                text = text.substr(0, VALUE_UNITS) + L"…";
            report += L"\"" + text + L"\"";
        } else {
            swprintf(number, 32, L"(kiểu %lu, %lu byte)", type, size);
            report += number;
        }
        report += L"\r\n";
    }
    RegCloseKey(key);
}

void append_models(std::wstring& report)
{
    std::filesystem::path speech;
    report += L"  Giọng nói: ";
    report += miradot::default_model_dir(speech) ? miradot::utf8_to_wide(miradot::DEFAULT_MODEL_NAME) : L"chưa cài";
    report += L"\r\n  Bản dịch: ";
    std::wstring home;
    if (!mt_home_path(home) || !is_runtime_installed(home)) {
        report += L"chưa cài\r\n";
        return;
    }
    report += miradot::utf8_to_wide(RUNTIME_VERSION);
    report += L"\r\n  Ngôn ngữ dịch:";
    bool any = false;
    for (const MtLanguage& language : MT_LANGUAGES) {
        if (is_language_installed(home, language.code)) {
            report += L" " + miradot::utf8_to_wide(language.code);
            any = true;
        }
    }
    report += any ? L"\r\n" : L" chưa cài\r\n";
}

}  // namespace

std::wstring diagnostics_report()
{
    std::wstring report = L"miraDot " PROGRAM_VERSION_W L"\r\nWindows " + windows_version() + L"\r\n";
    const std::wstring key = resolve_settings_key();
    report += L"Cài đặt (" + key + L"):\r\n";
    append_values(report, key);
    report += L"Cập nhật:\r\n";
    append_values(report, update_key_path());
    report += L"Đã cài:\r\n";
    append_models(report);
    std::vector<std::string> lines = miradot::log_last_lines(LOG_LINES);
    report += L"Nhật ký (" + std::to_wstring(lines.size()) + L" dòng cuối):\r\n";
    for (const std::string& line : lines)
        report += miradot::utf8_to_wide(line) + L"\r\n";
    return report;
}

bool copy_to_clipboard(HWND owner, const std::wstring& text)
{
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory)
        return false;
    void* target = GlobalLock(memory);
    std::memcpy(target, text.c_str(), bytes);
    GlobalUnlock(memory);
    if (!OpenClipboard(owner)) {
        GlobalFree(memory);
        return false;
    }
    // The clipboard owns the memory once SetClipboardData took it.
    bool placed = EmptyClipboard() && SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
    if (!placed)
        GlobalFree(memory);
    return placed;
}
