// translation: the translation feature's platform-neutral decisions (catalogue, jobs, texts, toggles, area).
// The behaviour of the languages dialog's toggles, apart from its window:
// what each shows, what a click does, and how a finished job leaves it.
#pragma once

#include <cstdint>
#include <string>

struct LanguageToggle {
    bool checked;
    bool enabled;
    std::wstring status;
};

// installed: both models are on disk; pending: a job for it runs or waits;
// available: every file of its models can be verified. One that is neither
// installed nor available is not yet offered: "Sắp có", switched off for good.
// A toggle whose job runs or waits stays enabled, so that the keyboard focus
// stays on it; its clicks are ignored.
LanguageToggle language_toggle(int row, bool installed, bool pending, bool available);

enum class ToggleAction {
    Ignore,     // a job for the language already runs or waits, or it cannot be installed
    AskRemove,  // the "Gỡ …?" question, then a remove job
    NoSpace,    // status shows the shortage, the toggle stays off
    Install,    // checked, then an install job
};

// A click on toggle `row`; status receives the shortage line for NoSpace.
ToggleAction toggle_click(int row, bool checked, bool pending, bool available, uint64_t freeBytes,
                          std::wstring& status);

// The status a queued job shows at once: waiting behind another, or its own first step.
std::wstring queued_status(int kind, bool anotherRunning);

// The starting job's status: "Đang gỡ…" or "Đang chuẩn bị…".
std::wstring starting_status(int kind);

// A finished job leaves the toggle checked exactly when an install succeeded
// or a removal failed.
bool checked_after_job(int kind, bool succeeded);
