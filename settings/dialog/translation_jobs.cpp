// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
#include "translation_jobs.h"

#include "dialog_controls.h"
#include "dialog_report.h"
#include "dialog_state.h"
#include "mt_catalog.h"
#include "mt_models.h"
#include "mt_toggles.h"
#include "resource.h"

namespace {

// The current job's kind and code do not change while it runs.
DWORD WINAPI translation_job_thread(void* parameter)
{
    HWND dialog = static_cast<HWND>(parameter);
    const TranslationJob& job = translation_jobs().current();
    auto report = [dialog](const WorkerReport& progress) { post_report(dialog, progress); };
    post_report(dialog, job.kind == JOB_REMOVE ? remove_language(job.code) : install_language(job.code, report));
    return 0;
}

}  // namespace

TranslationQueue& translation_jobs()
{
    static TranslationQueue jobs;
    return jobs;
}

bool translation_job_waiting_or_running() { return translation_jobs().running() || translation_jobs().waiting() > 0; }

bool queue_translation_job(HWND dialog, int kind, const std::string& code, int report)
{
    if (!translation_jobs().queue(kind, code, report))
        return false;
    start_next_translation_job(dialog);
    return true;
}

const TranslationJob* start_next_translation_job(HWND dialog)
{
    TranslationQueue& jobs = translation_jobs();
    if (!jobs.start_next())
        return nullptr;
    const TranslationJob& job = jobs.current();
    if (job.report)
        show_status_line(dialog, IDC_TRANSLATE_STATUS, WorkStage::Waiting, starting_status(JOB_INSTALL));
    disable_control(dialog, GetDlgItem(dialog, IDC_TRANSLATE_INSTALL));
    HANDLE thread = CreateThread(nullptr, 0, translation_job_thread, dialog, 0, nullptr);
    if (thread)
        CloseHandle(thread);
    else
        post_report(dialog, job_end(WorkerJob::Translation, Outcome::NoThread));
    return &job;
}

void install_translation(HWND dialog) { queue_translation_job(dialog, JOB_INSTALL, "vi", 1); }

JobReportTaken take_translation_report(HWND dialog, const WorkerReport& report)
{
    TranslationQueue& jobs = translation_jobs();
    JobReportTaken taken;
    taken.row = find_language(jobs.current().code);
    taken.finished = report.stage == WorkStage::Done || report.stage == WorkStage::Failed;
    if (!taken.finished) {
        if (jobs.current().report)
            show_status_line(dialog, IDC_TRANSLATE_STATUS, report.stage, report.text);
        return taken;
    }
    const bool succeeded = report.stage == WorkStage::Done;
    jobs.finish();
    taken.checked = checked_after_job(jobs.current().kind, succeeded);
    taken.failureOnStatusLine = jobs.take_report() && !succeeded;
    return taken;
}
