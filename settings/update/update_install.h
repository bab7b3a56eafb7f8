// update: the signed update check, its install and the background notifier.
// Downloads the offered installer, checks its size, digest and signature,
// starts it elevated and silent, and reports on the way; the installer then
// replaces this program and starts it again with its result.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "worker_report.h"

// Silent, an update (the user's keyboard list stays as it is), and the
// settings program started again when the installer is done, with
// "--update-result" and the installer's exit code.
inline constexpr wchar_t INSTALLER_PARAMETERS[] = L"/S /NOKEYBOARD /RUNSETTINGS";

// The whole install, reporting "Đang tải bản <version>… n %", the check and
// the start on the way. Its last report is Done once the installer has
// started (the dialog then closes so that its program can be replaced),
// Idle when nothing was done (no newer offer, or the user declined), or
// Failed. owner: the window the elevation prompt belongs to.
WorkerReport install_update(HWND owner, const ReportSink& report);

// The installer's exit code after "--update-result" in the arguments: the
// installer starts the settings program so after its own update.
std::optional<int> installer_result_from_command_line(const wchar_t* arguments);

// The update line for the installer's exit code (the README lists them).
std::wstring installer_result_text(int exit_code);

// Removes what earlier updates left in the temporary folder: the installer
// they started is still running when its worker ends. A file still in use
// stays for the next time.
void remove_update_leftovers();
