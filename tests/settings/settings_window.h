// Drives the real settings program the way a person does: starts it, finds
// its dialog, clicks controls and types keys with SendInput, and takes
// screenshots of the screen where the dialog lies.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Polls until the condition holds or the time is up.
bool wait_until(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

// The staged "miraDot-Settings.exe" (MIRADOT_TEST_STAGE), or the program
// MIRADOT_TEST_SETTINGS_PROGRAM names.
std::wstring settings_program();

// The settings key of each test: below the default one, so that the program
// accepts it, and fresh for every test.
std::wstring fresh_settings_key(const std::wstring& name);

using Environment = std::map<std::wstring, std::wstring>;

class SettingsProgram {
public:
    // Extra environment variables on top of this process's environment.
    explicit SettingsProgram(std::map<std::wstring, std::wstring> environment, const std::wstring& arguments = L"");
    ~SettingsProgram();
    SettingsProgram(const SettingsProgram&) = delete;
    SettingsProgram& operator=(const SettingsProgram&) = delete;

    bool started() const { return process_ != nullptr; }
    // Waits for the dialog of this process; null when none appears.
    HWND dialog(DWORD timeoutMs = 15000);
    // The exit code once the process ended within the time, else nothing.
    std::optional<DWORD> exit_code(DWORD timeoutMs = 15000);
    DWORD process_id() const { return processId_; }

    void click(int id);
    // Presses the keys in order and releases them in reverse.
    void chord(const std::vector<WORD>& keys);
    // The two halves of a chord, for what happens while the keys are held.
    void press(const std::vector<WORD>& keys);
    void release(const std::vector<WORD>& keys);
    // Presses Tab, each time once the press before has moved the focus, until
    // the target has it; false when it does not within the presses.
    bool tab_to(HWND target, int presses);
    void key(WORD vk) { chord({vk}); }
    std::wstring text(int id);
    bool checked(int id);
    RECT screen_rect(int id);
    // Saves what the screen shows of the dialog as a PNG.
    bool screenshot(const std::wstring& file);
    // The colour the screen shows at a point of the dialog's client area.
    COLORREF client_pixel(int x, int y);

private:
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    HWND dialog_ = nullptr;
};

// The window with the keyboard focus in the thread of the given window.
HWND focused_window(HWND window);

// A top-level dialog-class window of the program other than its settings
// dialog: a message box, which carries the same caption.
HWND find_message_box(SettingsProgram& program, DWORD timeoutMs = 10000);
void click_at(POINT point);
// Saves what the screen shows of a window as a PNG in the shots folder.
bool screenshot_window(HWND window, const std::wstring& file);
void click_window(HWND window);

// The installed fonts Wine is told to use for the dialog's Windows fonts.
void use_font_stand_ins();

// Values of the settings key.
std::optional<DWORD> read_dword(const std::wstring& key, const wchar_t* name);
std::optional<std::wstring> read_text(const std::wstring& key, const wchar_t* name);
void write_dword(const std::wstring& key, const wchar_t* name, DWORD value);
void write_text(const std::wstring& key, const wchar_t* name, const std::wstring& value);
void write_raw(const std::wstring& key, const wchar_t* name, DWORD type, const void* data, DWORD size);
void delete_key(const std::wstring& key);

// Where the screenshots go: "shots" beside this program, made on first use.
std::wstring shot_path(const std::wstring& file);
