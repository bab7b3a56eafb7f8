// reports: how the settings program's workers tell the dialog what they do.
#include "dialog_report.h"

void post_report(HWND window, const WorkerReport& report)
{
    auto copy = std::make_unique<WorkerReport>(report);
    if (PostMessageW(window, WM_WORKER_REPORT, 0, reinterpret_cast<LPARAM>(copy.get())))
        copy.release();
}

std::unique_ptr<WorkerReport> take_report(LPARAM parameter)
{
    return std::unique_ptr<WorkerReport>(reinterpret_cast<WorkerReport*>(parameter));
}
