#include "installer_hooks.h"

#include <string>
#include <vector>

#include "dialog_features.h"
#include "dialog_state.h"
#include "layout.h"
#include "mt_area.h"
#include "mt_catalog.h"
#include "mt_home.h"
#include "mt_models.h"
#include "resource.h"
#include "settings_store.h"
#include "speech_model.h"

namespace {

constexpr wchar_t VOICE_INSTALLED[] = L"Đã cài, chạy ngay trên máy, không cần mạng.";
constexpr wchar_t VOICE_NOT_INSTALLED[] = L"Chưa cài. Tải khoảng 26 MB một lần.";

void show(HWND dialog, int id, bool shown, bool enabled)
{
    HWND control = GetDlgItem(dialog, id);
    ShowWindow(control, shown ? SW_SHOW : SW_HIDE);
    EnableWindow(control, shown && enabled);
}

std::vector<int> installed_rows()
{
    std::vector<int> rows;
    std::wstring home;
    if (!mt_home_path(home))
        return rows;
    for (int row = 0; row < LANGUAGE_COUNT; ++row)
        if (is_language_installed(home, language_row(row).code))
            rows.push_back(row);
    return rows;
}

}  // namespace

TranslationQueue& translation_jobs()
{
    static TranslationQueue jobs;
    return jobs;
}

void refresh_voice_status_from_disk(HWND dialog)
{
    std::filesystem::path folder;
    const bool installed = miradot::default_model_dir(folder);
    SetDlgItemTextW(dialog, IDC_VOICE_STATUS, installed ? VOICE_INSTALLED : VOICE_NOT_INSTALLED);
    // Until the download joins the program the button has nothing to start.
    show(dialog, IDC_VOICE_INSTALL, !installed,
         DIALOG_FEATURES.start_voice_install && settings_dialog().speechBusy.load() == 0);
    place_controls(dialog);
}

void refresh_translation_area_from_disk(HWND dialog)
{
    TranslationQueue& jobs = translation_jobs();
    const ServiceSettings settings = read_settings();
    const TranslationArea area = translation_area(is_runtime_installed(), installed_rows(), jobs.running(),
                                                  jobs.running() && jobs.current().report, settings.otherLanguage);
    if (!area.keepStatus)
        SetDlgItemTextW(dialog, IDC_TRANSLATE_STATUS, area.status.c_str());
    show(dialog, IDC_TRANSLATE_INSTALL, area.installShown, area.installEnabled && DIALOG_FEATURES.install_translation);

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
    EnableWindow(GetDlgItem(dialog, IDC_LANGUAGES), DIALOG_FEATURES.open_languages_dialog != nullptr);
    place_controls(dialog);
}

bool translation_job_waiting_or_running() { return translation_jobs().running() || translation_jobs().waiting() > 0; }

const char* language_table_code(int row) { return row >= 0 && row < LANGUAGE_COUNT ? language_row(row).code : "en"; }
