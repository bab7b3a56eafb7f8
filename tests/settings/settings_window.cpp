#include "settings_window.h"

#include "screen_png.h"

#include <vector>

namespace {

constexpr wchar_t CAPTION[] = L"Cài đặt miraDot";

std::wstring environment_value(const wchar_t* name)
{
    wchar_t value[MAX_PATH];
    DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(value, length) : std::wstring();
}

struct Search {
    DWORD processId;
    HWND skip;
    bool dialogClass;
    HWND found;
};

BOOL CALLBACK match_window(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t className[32] = {}, caption[64] = {};
    GetClassNameW(window, className, 32);
    GetWindowTextW(window, caption, 64);
    if (owner != search->processId || window == search->skip || !IsWindowVisible(window)
        || wcscmp(className, L"#32770") != 0)
        return TRUE;
    if (search->dialogClass && wcscmp(caption, CAPTION) != 0)
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND find_window(DWORD processId, HWND skip, bool dialog)
{
    Search search{processId, skip, dialog, nullptr};
    EnumWindows(match_window, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The environment block of this process with some variables replaced.
std::vector<wchar_t> environment_block(const std::map<std::wstring, std::wstring>& extra)
{
    std::map<std::wstring, std::wstring> all;
    wchar_t* strings = GetEnvironmentStringsW();
    for (const wchar_t* s = strings; *s; s += wcslen(s) + 1) {
        std::wstring entry = s;
        size_t equals = entry.find(L'=', 1);
        if (equals != std::wstring::npos)
            all[entry.substr(0, equals)] = entry.substr(equals + 1);
    }
    FreeEnvironmentStringsW(strings);
    for (const auto& [name, value] : extra)
        all[name] = value;
    std::vector<wchar_t> block;
    for (const auto& [name, value] : all) {
        std::wstring entry = name + L"=" + value;
        block.insert(block.end(), entry.begin(), entry.end());
        block.push_back(0);
    }
    block.push_back(0);
    return block;
}

void send_key(WORD vk, bool up)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = WORD(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    switch (vk) {
    case VK_LWIN:
    case VK_RWIN:
    case VK_DELETE:
    case VK_INSERT:
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_RCONTROL:
    case VK_RMENU:
        input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
    }
    SendInput(1, &input, sizeof input);
    Sleep(80);
}

HKEY open_key(const std::wstring& key)
{
    HKEY handle = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr);
    return handle;
}

}  // namespace

bool wait_until(const std::function<bool()>& condition, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(50);
    }
    return true;
}

std::wstring settings_program()
{
    std::wstring program = environment_value(L"MIRADOT_TEST_SETTINGS_PROGRAM");
    return program.empty() ? environment_value(L"MIRADOT_TEST_STAGE") + L"\\miraDot-Settings.exe" : program;
}

std::wstring fresh_settings_key(const std::wstring& name)
{
    std::wstring key = L"Software\\miraDot\\Test-" + name;
    delete_key(key);
    return key;
}

SettingsProgram::SettingsProgram(std::map<std::wstring, std::wstring> environment, const std::wstring& arguments)
{
    std::vector<wchar_t> block = environment_block(environment);
    std::wstring command = L"\"" + settings_program() + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT, block.data(),
                        nullptr, &startup, &info))
        return;
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
}

SettingsProgram::~SettingsProgram()
{
    if (!process_)
        return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        if (dialog_ && IsWindow(dialog_))
            PostMessageW(dialog_, WM_COMMAND, IDCANCEL, 0);
        if (WaitForSingleObject(process_, 5000) == WAIT_TIMEOUT)
            TerminateProcess(process_, 1);
    }
    CloseHandle(process_);
}

HWND SettingsProgram::dialog(DWORD timeoutMs)
{
    if (dialog_ && IsWindow(dialog_))
        return dialog_;
    wait_until([&] { return (dialog_ = find_window(processId_, nullptr, true)) != nullptr; }, timeoutMs);
    if (dialog_)
        Sleep(300);  // let the first layout and paint settle
    return dialog_;
}

std::optional<DWORD> SettingsProgram::exit_code(DWORD timeoutMs)
{
    if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
}

RECT SettingsProgram::screen_rect(int id)
{
    RECT r{};
    GetWindowRect(GetDlgItem(dialog(), id), &r);
    return r;
}

void click_at(POINT point)
{
    SetCursorPos(point.x, point.y);
    wait_until(
        [&] {
            POINT at;
            return GetCursorPos(&at) && at.x == point.x && at.y == point.y;
        },
        2000);
    // Each half carries the point: a pointer event the X server still had
    // queued for the window may move the cursor after SetCursorPos.
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    INPUT click[2] = {};
    for (INPUT& half : click) {
        half.type = INPUT_MOUSE;
        half.mi.dx = LONG((point.x * 65536LL + width - 1) / width);
        half.mi.dy = LONG((point.y * 65536LL + height - 1) / height);
    }
    click[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTUP;
    SendInput(1, &click[0], sizeof(INPUT));
    Sleep(40);
    SendInput(1, &click[1], sizeof(INPUT));
    Sleep(250);
}

void click_window(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    click_at({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
}

void SettingsProgram::click(int id) { click_window(GetDlgItem(dialog(), id)); }

// Each key event waits until the dialog took it, so that a loaded machine
// cannot reorder what a person's hands would not.
void SettingsProgram::press(const std::vector<WORD>& keys)
{
    for (WORD vk : keys) {
        send_key(vk, false);
        WaitForInputIdle(process_, 2000);
    }
}

void SettingsProgram::release(const std::vector<WORD>& keys)
{
    for (auto vk = keys.rbegin(); vk != keys.rend(); ++vk) {
        send_key(*vk, true);
        WaitForInputIdle(process_, 2000);
    }
}

void SettingsProgram::chord(const std::vector<WORD>& keys)
{
    press(keys);
    release(keys);
    Sleep(250);
}

bool SettingsProgram::tab_to(HWND target, int presses)
{
    for (int n = 0; n < presses && focused_window(target) != target; ++n) {
        HWND before = focused_window(target);
        key(VK_TAB);
        wait_until([&] { return focused_window(target) != before; }, 3000);
    }
    return focused_window(target) == target;
}

HWND focused_window(HWND window)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

std::wstring SettingsProgram::text(int id)
{
    wchar_t text[600] = {};
    int length = GetWindowTextW(GetDlgItem(dialog(), id), text, 600);
    return std::wstring(text, length > 0 ? length : 0);
}

bool SettingsProgram::checked(int id)
{
    return SendMessageW(GetDlgItem(dialog(), id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool SettingsProgram::screenshot(const std::wstring& file) { return screenshot_window(dialog(), file); }

bool screenshot_window(HWND window, const std::wstring& file)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(400);
    RECT r;
    GetWindowRect(window, &r);
    RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    IntersectRect(&r, &r, &screen);
    return save_screen_png(r, shot_path(file).c_str());
}

COLORREF SettingsProgram::client_pixel(int x, int y)
{
    POINT point{x, y};
    ClientToScreen(dialog(), &point);
    HDC screen = GetDC(nullptr);
    COLORREF colour = GetPixel(screen, point.x, point.y);
    ReleaseDC(nullptr, screen);
    return colour;
}

HWND find_message_box(SettingsProgram& program, DWORD timeoutMs)
{
    HWND dialog = program.dialog();
    HWND box = nullptr;
    wait_until([&] { return (box = find_window(program.process_id(), dialog, false)) != nullptr; }, timeoutMs);
    if (box)
        Sleep(300);
    return box;
}

std::optional<DWORD> read_dword(const std::wstring& key, const wchar_t* name)
{
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_ANY, &type, &value, &size) != ERROR_SUCCESS
        || type != REG_DWORD)
        return std::nullopt;
    return value;
}

std::optional<std::wstring> read_text(const std::wstring& key, const wchar_t* name)
{
    wchar_t value[512] = {};
    DWORD type = 0, size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_SZ, &type, value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(value);
}

void write_raw(const std::wstring& key, const wchar_t* name, DWORD type, const void* data, DWORD size)
{
    HKEY handle = open_key(key);
    RegSetValueExW(handle, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(handle);
}

void write_dword(const std::wstring& key, const wchar_t* name, DWORD value)
{
    write_raw(key, name, REG_DWORD, &value, sizeof value);
}

void write_text(const std::wstring& key, const wchar_t* name, const std::wstring& value)
{
    write_raw(key, name, REG_SZ, value.c_str(), DWORD((value.size() + 1) * sizeof(wchar_t)));
}

void delete_key(const std::wstring& key)
{
    RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
}

void use_font_stand_ins()
{
    const wchar_t* replacements = L"Software\\Wine\\Fonts\\Replacements";
    write_text(replacements, L"Segoe UI", L"Liberation Sans");
    write_text(replacements, L"Segoe UI Symbol", L"DejaVu Sans");
    write_text(replacements, L"Consolas", L"DejaVu Sans Mono");
}

std::wstring shot_path(const std::wstring& file)
{
    wchar_t program[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring folder(program, length);
    folder = folder.substr(0, folder.find_last_of(L'\\')) + L"\\shots";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder + L"\\" + file;
}
