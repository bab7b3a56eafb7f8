// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
#include "update_dialog.h"

#include "diagnostics_log.h"
#include "dialog_state.h"
#include "resource.h"
#include "settings_dialog.h"
#include "update_check.h"
#include "update_install.h"
#include "update_status.h"

#include <cstdlib>
#include <optional>

namespace {

std::optional<int> g_installer_result;

}  // namespace

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
    EndDialog(dialog, IDCANCEL);
}

void set_installer_result(int exit_code)
{
    miradot::log_event("update install: installer exit code %d", exit_code);
    g_installer_result = exit_code;
}

UpdateLine describe_update_or_installer_result()
{
    UpdateLine line = describe_update();
    if (g_installer_result) {
        line.text = installer_result_text(*g_installer_result);
        // A failed install is drawn as an error unless the offer still stands, so "Cập nhật" can try again.
        if (*g_installer_result != 0 && line.kind != UpdateLineKind::Offer)
            line.kind = UpdateLineKind::Failure;
        g_installer_result.reset();
    }
    return line;
}
