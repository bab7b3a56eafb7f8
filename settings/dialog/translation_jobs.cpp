// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
#include "translation_jobs.h"

#include <cstdlib>

#include "dialog_controls.h"
#include "dialog_report.h"
#include "installer_hooks.h"
#include "languages_dialog.h"
#include "mt_catalog.h"
#include "outcome_texts.h"
#include "mt_models.h"
#include "mt_toggles.h"
#include "resource.h"

namespace {

// The current job's kind and code do not change while it runs.
DWORD WINAPI translation_job_thread(void* parameter)
{
    HWND dialog = static_cast<HWND>(parameter);
    const TranslationJob& job = translation_jobs().current();
    std::wstring text;
    const bool succeeded
        = job.kind == JOB_REMOVE ? remove_language(job.code, text) : install_language(dialog, job.code, text);
    post_text(dialog, WM_TRANSLATION_REPORT, succeeded ? JOB_SUCCEEDED : JOB_FAILED, text.c_str());
    return 0;
}

}  // namespace

TranslationQueue& translation_jobs()
{
    static TranslationQueue jobs;
    return jobs;
}

bool translation_job_waiting_or_running() { return translation_jobs().running() || translation_jobs().waiting() > 0; }

void queue_translation_job(HWND dialog, int kind, const std::string& code, int report)
{
    if (translation_jobs().queue(kind, code, report))
        start_next_translation_job(dialog);
}

void start_next_translation_job(HWND dialog)
{
    TranslationQueue& jobs = translation_jobs();
    if (!jobs.start_next())
        return;
    const TranslationJob& job = jobs.current();
    const int row = find_language(job.code);
    if (row >= 0)
        show_language_status(row, starting_status(job.kind));
    if (job.report)
        SetDlgItemTextW(dialog, IDC_TRANSLATE_STATUS, starting_status(JOB_INSTALL).c_str());
    disable_control(dialog, GetDlgItem(dialog, IDC_TRANSLATE_INSTALL));
    HANDLE thread = CreateThread(nullptr, 0, translation_job_thread, dialog, 0, nullptr);
    if (thread)
        CloseHandle(thread);
    else
        post_text(dialog, WM_TRANSLATION_REPORT, JOB_FAILED, MT_ERR_NO_THREAD);
}

void install_translation(HWND dialog) { queue_translation_job(dialog, JOB_INSTALL, "vi", 1); }

void on_translation_report(HWND dialog, WPARAM kind, wchar_t* text)
{
    TranslationQueue& jobs = translation_jobs();
    const std::wstring line = text ? text : L"";
    std::free(text);
    const int row = find_language(jobs.current().code);
    if (kind == JOB_PROGRESS) {
        if (row >= 0)
            show_language_status(row, line);
        if (jobs.current().report)
            SetDlgItemTextW(dialog, IDC_TRANSLATE_STATUS, line.c_str());
        return;
    }
    const bool succeeded = kind == JOB_SUCCEEDED;
    jobs.finish();
    if (row >= 0)
        finish_language_toggle(row, checked_after_job(jobs.current().kind, succeeded), line);
    const int report = jobs.take_report();
    refresh_translation_area_from_disk(dialog);
    if (!succeeded && report)
        SetDlgItemTextW(dialog, IDC_TRANSLATE_STATUS, line.c_str());
    refresh_languages_note();
    start_next_translation_job(dialog);
}
