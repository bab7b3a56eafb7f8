// update: the signed update check, its install and the background notifier.
// Downloads the offered installer, checks its size, digest and signature,
// starts it elevated and silent, and reports to the dialog; the installer
// then replaces this program and starts it again with its result.
#pragma once

#include "dialog_report.h"

#include <optional>
#include <string>

// Silent, an update (the user's keyboard list stays as it is), and the
// settings program started again when the installer is done, with
// "--update-result" and the installer's exit code.
inline constexpr wchar_t INSTALLER_PARAMETERS[] = L"/S /NOKEYBOARD /RUNSETTINGS";

// Progress and outcome reach the dialog as WM_UPDATE_INSTALL_REPORT, the
// word parameter the kind.
inline constexpr WPARAM UPDATE_PROGRESS = 0;
inline constexpr WPARAM UPDATE_NOT_INSTALLED = 1;
inline constexpr WPARAM UPDATE_INSTALLED = 2;

// Thread procedure; the parameter is the dialog window. Ends with exactly one
// message of kind UPDATE_NOT_INSTALLED or UPDATE_INSTALLED (the installer has
// started; the dialog then closes so that its program can be replaced).
DWORD WINAPI update_install_thread(void* dialog);

// The installer's exit code after "--update-result" in the arguments: the
// installer starts the settings program so after its own update.
std::optional<int> installer_result_from_command_line(const wchar_t* arguments);

// The update line for the installer's exit code (the README lists them).
std::wstring installer_result_text(int exit_code);

// Removes what earlier updates left in the temporary folder: the installer
// they started is still running when its worker ends. A file still in use
// stays for the next time.
void remove_update_leftovers();
