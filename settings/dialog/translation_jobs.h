// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
// The settings dialog's side of the translation install and remove jobs:
// the queue it keeps for the program's lifetime, the job thread, and the
// reports that come back as WM_WORKER_REPORT.
#pragma once

#include <windows.h>

#include <string>

#include "mt_jobs.h"
#include "worker_report.h"

TranslationQueue& translation_jobs();
bool translation_job_waiting_or_running();

// Queues a job unless the queue is full or the language has one already,
// then starts it when nothing runs; false when it was not queued. report 1:
// its progress also shows in the translation status line.
bool queue_translation_job(HWND dialog, int kind, const std::string& code, int report);
// The job started, or nullptr when one runs already or none waits.
const TranslationJob* start_next_translation_job(HWND dialog);

// "Cài bản dịch": the Vietnamese pack (with the runtime when it is missing),
// reported in the status line.
void install_translation(HWND dialog);

// What a translation job's report means for the windows that show it.
struct JobReportTaken {
    int row = -1;                      // the job's language, -1 when not in the table
    bool finished = false;             // the job has ended and left the queue
    bool checked = false;              // a finished job: its toggle's check
    bool failureOnStatusLine = false;  // a failed job that reported in the status line
};

// Takes a report into the queue: progress of a job that reports in the
// status line shows there; a last report ends the current job.
JobReportTaken take_translation_report(HWND dialog, const WorkerReport& report);
