// reports: how the settings program's workers tell the dialog what they do.
// How the workers' reports reach the dialog: posted messages whose long
// parameter the dialog takes over.
#pragma once

#include <windows.h>

#include <memory>

#include "worker_report.h"

// Long parameter: a heap WorkerReport.
constexpr UINT WM_WORKER_REPORT = WM_APP + 7;
// Long parameter: a heap UTF-16 text that the dialog frees.
constexpr UINT WM_UPDATE_INSTALL_REPORT = WM_APP + 9;

// Posts a heap copy of the report to window; frees it when posting fails.
void post_report(HWND window, const WorkerReport& report);
// The report of a WM_WORKER_REPORT, owned by the caller.
std::unique_ptr<WorkerReport> take_report(LPARAM parameter);

// Posts a heap copy of text to window; frees it when posting fails.
void post_text(HWND window, UINT message, WPARAM kind, const wchar_t* text);
