// translation: the translation feature's platform-neutral decisions (catalogue, jobs, texts, toggles, area).
// What the settings dialog's translation area shows: status line 127,
// button "Cài bản dịch" and the partner-language box, from what is installed.
#pragma once

#include <string>
#include <vector>

struct PartnerItem {
    std::wstring name;  // "Tiếng Anh" or the table name
    int data;           // -1 for English, else the language's row
};

struct TranslationArea {
    bool ready;       // the runtime and at least one language
    bool keepStatus;  // a reporting job runs: its progress stays
    std::wstring status;
    bool installShown;
    bool installEnabled;
    std::vector<PartnerItem> partners;  // empty unless Vietnamese is ready
    int selected;                       // index into partners, -1 for none
    bool resetPartnerToEnglish;         // "MtOther" must be written back as "en"
};

// installedRows: the installed languages in table order. storedPartner:
// "MtOther" as read ("en" when missing).
TranslationArea translation_area(bool runtimeInstalled, const std::vector<int>& installedRows, bool jobRunning,
                                 bool reportingJobRunning, const std::string& storedPartner);
