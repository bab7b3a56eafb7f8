// translation: the translation feature's platform-neutral decisions (catalogue, jobs, texts, toggles, area).
#include "mt_area.h"

#include <algorithm>

#include "mt_catalog.h"
#include "mt_texts.h"

TranslationArea translation_area(bool runtimeInstalled, const std::vector<int>& installedRows, bool jobRunning,
                                 bool reportingJobRunning, const std::string& storedPartner)
{
    TranslationArea area{};
    area.ready = runtimeInstalled && !installedRows.empty();
    area.keepStatus = reportingJobRunning;
    area.status = translation_status_text(area.ready, installedRows);
    area.installShown = !area.ready || reportingJobRunning;
    area.installEnabled = !area.ready && !jobRunning;
    area.selected = -1;

    const int vietnamese = find_language("vi");
    const bool vietnameseReady
        = runtimeInstalled && std::find(installedRows.begin(), installedRows.end(), vietnamese) != installedRows.end();
    if (!vietnameseReady)
        return area;
    area.partners.push_back({L"Tiếng Anh", -1});
    for (int row : installedRows)
        if (row != vietnamese)
            area.partners.push_back({language_row(row).name, row});
    area.selected = 0;
    if (storedPartner == "en")
        return area;
    for (size_t i = 1; i < area.partners.size(); ++i)
        if (storedPartner == language_row(area.partners[i].data).code)
            area.selected = int(i);
    area.resetPartnerToEnglish = area.selected == 0;
    return area;
}
