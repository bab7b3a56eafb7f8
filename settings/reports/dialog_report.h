// reports: how the settings program's workers tell the dialog what they do.
// How the workers' reports reach the dialog: a posted message whose long
// parameter the dialog takes over.
#pragma once

#include <windows.h>

#include <memory>

#include "worker_report.h"

// Long parameter: a heap WorkerReport.
constexpr UINT WM_WORKER_REPORT = WM_APP + 7;

// Posts a heap copy of the report to window; frees it when posting fails.
void post_report(HWND window, const WorkerReport& report);
// The report of a WM_WORKER_REPORT, owned by the caller.
std::unique_ptr<WorkerReport> take_report(LPARAM parameter);
