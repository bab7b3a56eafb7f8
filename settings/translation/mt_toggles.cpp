// translation: the translation feature's platform-neutral decisions (catalogue, jobs, texts, toggles, area).
#include "mt_toggles.h"

#include "mt_catalog.h"
#include "mt_jobs.h"
#include "mt_texts.h"

LanguageToggle language_toggle(int row, bool installed, bool pending, bool available)
{
    return {installed || pending, installed || available,
            language_status_text(installed, pending, available, language_row(row).megabytes)};
}

ToggleAction toggle_click(int row, bool checked, bool pending, bool available, uint64_t freeBytes, std::wstring& status)
{
    if (pending)
        return ToggleAction::Ignore;
    if (checked)
        return ToggleAction::AskRemove;
    if (!available)
        return ToggleAction::Ignore;
    const int megabytes = language_row(row).megabytes;
    if (freeBytes != 0 && freeBytes < uint64_t(megabytes + 500) * 1000000) {
        status = not_enough_space_text(megabytes, freeBytes);
        return ToggleAction::NoSpace;
    }
    return ToggleAction::Install;
}

std::wstring starting_status(int kind) { return kind == JOB_REMOVE ? L"Đang gỡ…" : L"Đang chuẩn bị…"; }

std::wstring queued_status(int kind, bool anotherRunning)
{
    return anotherRunning ? L"Đang chờ…" : starting_status(kind);
}

bool checked_after_job(int kind, bool succeeded) { return (kind == JOB_INSTALL) == succeeded; }
