// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
// What the installers and the update code contribute to the settings
// dialog. A feature whose code is not in the program leaves its hooks empty:
// its controls are drawn with the fresh-system texts and stay disabled.
#pragma once

#include <windows.h>

#include <string>

#include "update_status.h"

struct DialogFeatures {
    // Speech model: status line 111 and button 112; the install worker,
    // which reports with WM_APP + 7.
    void (*refresh_voice_status)(HWND dialog);
    void (*start_voice_install)(HWND dialog);

    // Translation: status line 127, button 128 and box 131; the job queue
    // (reports with WM_APP + 8, which the hook takes with its text); the
    // languages dialog; the code of a row of the language table.
    void (*refresh_translation_area)(HWND dialog);
    void (*install_translation)(HWND dialog);
    bool (*translation_job_active)();
    void (*on_translation_report)(HWND dialog, WPARAM kind, wchar_t* text);
    void (*open_languages_dialog)(HWND dialog);
    const char* (*language_code)(int row);

    // Updates: the update line from the registry; one check, run on the
    // dialog's worker thread; the install worker (parameter: the dialog) and
    // its WM_APP + 9 report.
    UpdateLine (*describe_update)();
    void (*run_update_check)();
    LPTHREAD_START_ROUTINE update_install_thread;
    void (*on_update_install_report)(HWND dialog, WPARAM kind, wchar_t* text);
};

extern const DialogFeatures DIALOG_FEATURES;
