// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
#include "installer_areas.h"

#include <string>
#include <vector>

#include "dialog_controls.h"
#include "dialog_state.h"
#include "layout.h"
#include "mt_area.h"
#include "mt_catalog.h"
#include "mt_home.h"
#include "mt_models.h"
#include "resource.h"
#include "settings_store.h"
#include "speech_install.h"
#include "speech_model.h"
#include "translation_jobs.h"

namespace {

void show(HWND dialog, int id, bool shown, bool enabled)
{
    HWND control = GetDlgItem(dialog, id);
    ShowWindow(control, shown ? SW_SHOW : SW_HIDE);
    EnableWindow(control, shown && enabled);
}

DWORD WINAPI voice_model_install_thread(void* parameter)
{
    SettingsDialog& d = *static_cast<SettingsDialog*>(parameter);
    HWND dialog = d.window;
    const Outcome outcome = install_speech_model([dialog](const WorkerReport& report) { post_report(dialog, report); });
    d.speechBusy.exchange(0);
    post_report(dialog, job_end(WorkerJob::Speech, outcome, outcome == Outcome::Done ? VOICE_INSTALLED_TEXT : L""));
    return 0;
}

std::vector<int> installed_rows()
{
    std::vector<int> rows;
    std::wstring home;
    if (!mt_home_location(home))
        return rows;
    for (int row = 0; row < LANGUAGE_COUNT; ++row)
        if (is_language_installed(home, language_row(row).code))
            rows.push_back(row);
    return rows;
}

}  // namespace

void refresh_voice_status_from_disk(SettingsDialog& d)
{
    HWND dialog = d.window;
    const bool installed = miradot::default_model_installed();
    show_status_line(dialog, IDC_VOICE_STATUS, installed ? WorkStage::Done : WorkStage::Idle,
                     installed ? VOICE_INSTALLED_TEXT : VOICE_NOT_INSTALLED_TEXT);
    show(dialog, IDC_VOICE_INSTALL, !installed, d.speechBusy.load() == 0);
    place_controls(dialog);
}

void start_voice_install(SettingsDialog& d)
{
    HWND dialog = d.window;
    long idle = 0;
    if (!d.speechBusy.compare_exchange_strong(idle, 1))
        return;
    disable_control(dialog, GetDlgItem(dialog, IDC_VOICE_INSTALL));
    show_status_line(dialog, IDC_VOICE_STATUS, WorkStage::Downloading, VOICE_DOWNLOADING_TEXT);
    HANDLE thread = CreateThread(nullptr, 0, voice_model_install_thread, &d, 0, nullptr);
    if (thread)
        CloseHandle(thread);
    else
        d.speechBusy.exchange(0);
}

void on_voice_install_report(SettingsDialog& d, const WorkerReport& report)
{
    HWND dialog = d.window;
    show_status_line(dialog, IDC_VOICE_STATUS, report.stage, report.text);
    if (report.stage != WorkStage::Done && report.stage != WorkStage::Failed)
        return;
    const bool installed = report.stage == WorkStage::Done;
    HWND button = GetDlgItem(dialog, IDC_VOICE_INSTALL);
    ShowWindow(button, installed ? SW_HIDE : SW_SHOW);
    EnableWindow(button, !installed && d.speechBusy.load() == 0);
    place_controls(dialog);
}

void refresh_translation_area_from_disk(HWND dialog)
{
    TranslationQueue& jobs = translation_jobs();
    const ServiceSettings settings = read_settings();
    const TranslationArea area = translation_area(is_runtime_installed(), installed_rows(), jobs.running(),
                                                  jobs.running() && jobs.current().report, settings.otherLanguage);
    if (!area.keepStatus)
        show_status_line(dialog, IDC_TRANSLATE_STATUS, area.ready ? WorkStage::Done : WorkStage::Idle, area.status);
    show(dialog, IDC_TRANSLATE_INSTALL, area.installShown, area.installEnabled);

    HWND box = GetDlgItem(dialog, IDC_PARTNER_LANGUAGE);
    SendMessageW(box, CB_RESETCONTENT, 0, 0);
    for (const PartnerItem& item : area.partners) {
        LRESULT index = SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.name.c_str()));
        SendMessageW(box, CB_SETITEMDATA, index, item.data);
    }
    SendMessageW(box, CB_SETCURSEL, area.selected, 0);
    EnableWindow(box, !area.partners.empty());
    if (area.resetPartnerToEnglish)
        write_settings_text(SETTINGS_MT_OTHER, L"en");
    place_controls(dialog);
}

const char* language_table_code(int row) { return row >= 0 && row < LANGUAGE_COUNT ? language_row(row).code : "en"; }
