// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
// The settings dialog's side of the translation install and remove jobs:
// the queue it keeps for the program's lifetime, the job thread, and the
// reports that come back as WM_TRANSLATION_REPORT.
#pragma once

#include <windows.h>

#include <string>

#include "mt_jobs.h"

TranslationQueue& translation_jobs();
bool translation_job_waiting_or_running();

// Queues a job unless the queue is full or the language has one already,
// then starts it when nothing runs. report 1: its progress also shows in the
// translation status line.
void queue_translation_job(HWND dialog, int kind, const std::string& code, int report);
void start_next_translation_job(HWND dialog);

// "Cài bản dịch": the Vietnamese pack (with the runtime when it is missing),
// reported in the status line.
void install_translation(HWND dialog);

// The dialog's handler of WM_TRANSLATION_REPORT; frees text.
void on_translation_report(HWND dialog, WPARAM kind, wchar_t* text);
