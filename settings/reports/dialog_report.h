// reports: how the settings program's workers tell the dialog what they do.
// How the settings program's workers report to the dialog: a posted message
// whose long parameter is a heap UTF-16 text that the dialog frees.
#pragma once

#include <windows.h>

constexpr UINT WM_VOICE_INSTALL_REPORT = WM_APP + 7;
constexpr UINT WM_TRANSLATION_REPORT = WM_APP + 8;
constexpr UINT WM_UPDATE_INSTALL_REPORT = WM_APP + 9;

// Word parameters of WM_VOICE_INSTALL_REPORT.
constexpr WPARAM VOICE_PROGRESS = 0;
constexpr WPARAM VOICE_FINISHED = 1;

// Word parameters of WM_TRANSLATION_REPORT.
constexpr WPARAM JOB_PROGRESS = 0;
constexpr WPARAM JOB_SUCCEEDED = 1;
constexpr WPARAM JOB_FAILED = 2;

// Posts a heap copy of text to window; frees it when posting fails.
void post_text(HWND window, UINT message, WPARAM kind, const wchar_t* text);
