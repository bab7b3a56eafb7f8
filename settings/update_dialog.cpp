#include "update_dialog.h"

#include "dialog_state.h"
#include "program_modes.h"
#include "resource.h"
#include "settings_dialog.h"
#include "update_check.h"
#include "update_install.h"

#include <cstdlib>

void check_for_update()
{
    UpdateCheckResult result;
    run_update_check(&result);
}

void on_update_install_report(HWND dialog, WPARAM kind, wchar_t* text)
{
    if (kind != UPDATE_PROGRESS)
        settings_dialog().updateBusy.exchange(0);
    if (kind == UPDATE_NOT_INSTALLED)
        refresh_update_area(dialog);
    if (text) {
        SetDlgItemTextW(dialog, IDC_UPDATE_LINE, text);
        InvalidateRect(GetDlgItem(dialog, IDC_UPDATE_LINE), nullptr, FALSE);
    }
    std::free(text);
    if (kind != UPDATE_INSTALLED)
        return;
    EnableWindow(GetDlgItem(dialog, IDC_UPDATE_INSTALL), FALSE);
    wchar_t self[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    release_dialog_mutex();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(self, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EndDialog(dialog, IDCANCEL);
}
