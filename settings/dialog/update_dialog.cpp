// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
#include "update_dialog.h"

#include "diagnostics_log.h"
#include "update_check.h"
#include "update_install.h"
#include "update_status.h"

#include <optional>

namespace {

std::optional<int> g_installer_result;

}  // namespace

void check_for_update()
{
    UpdateCheckResult result;
    run_update_check(&result);
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
        // A failed install is drawn as an error; an offer that still stands
        // stays one, so that "Cập nhật" can try again.
        if (*g_installer_result != 0 && line.kind != UpdateLineKind::Offer)
            line.kind = UpdateLineKind::Failure;
        line.failedInstall = *g_installer_result != 0 && line.kind == UpdateLineKind::Offer;
        g_installer_result.reset();
    }
    return line;
}
