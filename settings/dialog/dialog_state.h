// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
// What the settings dialog keeps beside its controls: the view (scale,
// scroll position) and the busy flags shared with its workers.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "dialog_report.h"
#include "resource.h"
#include "scroll_view.h"
#include "worker_report.h"

constexpr UINT WM_UPDATE_CHECK_DONE = WM_APP + 10;

constexpr UINT_PTR STATUS_RESTORE_TIMER = 7;
constexpr UINT STATUS_RESTORE_MS = 5000;

struct SettingsDialog {
    HWND window = nullptr;
    double dpiScale = 1;  // DPI / 96
    double scale = 1;     // after fitting to the screen
    ScrollView view;
    bool placed = false;  // the first layout centred the window
    bool updateAvailable = false;
    bool updateFailed = false;     // the update line tells a failure: drawn in the error colour
    bool screenshot = false;       // MIRADOT_SETTINGS_SHOT
    int capturing = 0;             // id of the hotkey button waiting for a key
    UINT pendingKey = 0;           // whose release is still to be swallowed
    std::wstring voiceHotkey;      // as shown on the buttons and in the quick tips
    std::wstring translateHotkey;  // "(chưa có)" when the feature has none
    WorkStage voiceStage = WorkStage::Idle;        // of status line 111's text, for its colour
    WorkStage translationStage = WorkStage::Idle;  // of status line 127's text
    std::atomic<long> updateBusy{0};
    std::atomic<long> speechBusy{0};
};

SettingsDialog& settings_dialog();

// Status line 111 or 127 with a text and the stage it tells.
inline void show_status_line(HWND dialog, int id, WorkStage stage, const std::wstring& text)
{
    (id == IDC_VOICE_STATUS ? settings_dialog().voiceStage : settings_dialog().translationStage) = stage;
    SetDlgItemTextW(dialog, id, text.c_str());
    InvalidateRect(GetDlgItem(dialog, id), nullptr, FALSE);
}

constexpr double DESIGN_WIDTH = 900;
constexpr double DESIGN_HEIGHT = 1103;

// Logical design pixels to device pixels of the current scale.
inline int scaled(double logical) { return int(logical * settings_dialog().scale + 0.5); }
