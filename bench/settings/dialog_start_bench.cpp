// How long the settings dialog takes from the program's start to its first
// painted frame, and how much memory the open dialog keeps resident.
//   dialog_start_bench.exe PATH\miraDot-Settings.exe [runs]
// Runs under Wine on a virtual screen: xvfb-run -a wine dialog_start_bench.exe ...
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr COLORREF LIGHT_BACKGROUND = RGB(0xF4, 0xF6, 0xFB);

struct Window {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK find_dialog(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<Window*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The first moment the dialog's background shows on the screen.
bool painted(HWND dialog)
{
    POINT corner{4, 4};
    ClientToScreen(dialog, &corner);
    HDC screen = GetDC(nullptr);
    COLORREF colour = GetPixel(screen, corner.x, corner.y);
    ReleaseDC(nullptr, screen);
    return colour == LIGHT_BACKGROUND;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        fwprintf(stderr, L"usage: dialog_start_bench PATH\\miraDot-Settings.exe [runs]\n");
        return 2;
    }
    int runs = argc > 2 ? std::max(1, _wtoi(argv[2])) : 5;
    SetEnvironmentVariableW(L"MIRADOT_SETTINGS_THEME", L"light");
    SetEnvironmentVariableW(L"MIRADOT_SETTINGS_KEY", L"Software\\miraDot\\bench");
    std::vector<double> startMs, residentKb;
    for (int run = 0; run < runs; ++run) {
        std::wstring command = L"\"" + std::wstring(argv[1]) + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        LARGE_INTEGER frequency, begin, end;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&begin);
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process)) {
            fwprintf(stderr, L"cannot start %ls\n", argv[1]);
            return 1;
        }
        Window search{process.dwProcessId, nullptr};
        bool shown = false;
        for (int poll = 0; poll < 20000 && !shown; ++poll) {
            search.found = nullptr;
            EnumWindows(find_dialog, reinterpret_cast<LPARAM>(&search));
            shown = search.found && painted(search.found);
            if (!shown)
                Sleep(1);
        }
        QueryPerformanceCounter(&end);
        if (!shown) {
            fwprintf(stderr, L"the dialog did not appear\n");
            TerminateProcess(process.hProcess, 1);
            return 1;
        }
        startMs.push_back(1000.0 * double(end.QuadPart - begin.QuadPart) / double(frequency.QuadPart));
        Sleep(1000);  // settled, as a user sees it
        PROCESS_MEMORY_COUNTERS memory{};
        memory.cb = sizeof memory;
        GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory);
        residentKb.push_back(double(memory.WorkingSetSize) / 1024.0);
        PostMessageW(search.found, WM_COMMAND, IDCANCEL, 0);
        WaitForSingleObject(process.hProcess, 10000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    std::sort(startMs.begin(), startMs.end());
    std::sort(residentKb.begin(), residentKb.end());
    printf("runs: %d\n", runs);
    printf("start to first paint: median %.0f ms (min %.0f, max %.0f)\n", startMs[startMs.size() / 2], startMs.front(),
           startMs.back());
    printf("resident memory of the open dialog: median %.1f MB (min %.1f, max %.1f)\n",
           residentKb[residentKb.size() / 2] / 1024, residentKb.front() / 1024, residentKb.back() / 1024);
    return 0;
}
