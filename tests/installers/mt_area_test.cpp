#include <gtest/gtest.h>

#include "mt_area.h"
#include "mt_catalog.h"

namespace {

std::vector<int> rows(std::initializer_list<const char*> codes)
{
    std::vector<int> result;
    for (const char* code : codes)
        result.push_back(find_language(code));
    return result;
}

TEST(TranslationArea, NotReadyOffersTheInstallButtonAndNoPartner)
{
    struct Case {
        const char* name;
        bool runtime;
        std::vector<int> installed;
        bool jobRunning;
        bool enabled;
    };
    const Case cases[] = {
        {"fresh system", false, {}, false, true},
        {"models without runtime", false, rows({"vi"}), false, true},
        {"runtime without models", true, {}, false, true},
        {"a job runs", false, {}, true, false},
    };
    for (const Case& c : cases) {
        TranslationArea area = translation_area(c.runtime, c.installed, c.jobRunning, false, "en");
        EXPECT_FALSE(area.ready) << c.name;
        EXPECT_TRUE(area.installShown) << c.name;
        EXPECT_EQ(area.installEnabled, c.enabled) << c.name;
        EXPECT_TRUE(area.partners.empty()) << c.name;
        EXPECT_EQ(area.selected, -1) << c.name;
        EXPECT_FALSE(area.resetPartnerToEnglish) << c.name;
        EXPECT_EQ(area.status, L"Chưa cài. Tải khoảng 850 MB một lần; sau đó dịch không cần mạng.") << c.name;
    }
}

TEST(TranslationArea, ReadyListsThePartnersAndKeepsAReportingJobsProgress)
{
    TranslationArea area = translation_area(true, rows({"vi", "zh", "fr"}), false, false, "fr");
    EXPECT_TRUE(area.ready);
    EXPECT_FALSE(area.installShown);
    EXPECT_EQ(area.status, L"Đã cài: Anh, Việt, Trung, Pháp. Dịch ngay trên máy, không gửi chữ đi đâu.");
    ASSERT_EQ(area.partners.size(), 3u);
    EXPECT_EQ(area.partners[0].name, L"Tiếng Anh");
    EXPECT_EQ(area.partners[0].data, -1);
    EXPECT_EQ(area.partners[1].name, L"Tiếng Trung");
    EXPECT_EQ(area.selected, 2);
    EXPECT_FALSE(area.resetPartnerToEnglish);

    TranslationArea running = translation_area(true, rows({"vi"}), true, true, "en");
    EXPECT_TRUE(running.keepStatus);
    EXPECT_TRUE(running.installShown) << "shown while its own job runs";
    EXPECT_FALSE(running.installEnabled);
}

TEST(TranslationArea, ARemovedPartnerFallsBackToEnglish)
{
    TranslationArea area = translation_area(true, rows({"vi", "zh"}), false, false, "fr");
    EXPECT_EQ(area.selected, 0);
    EXPECT_TRUE(area.resetPartnerToEnglish);
    // Without Vietnamese there is no box to choose in, and nothing is written.
    TranslationArea noVietnamese = translation_area(true, rows({"zh"}), false, false, "zh");
    EXPECT_TRUE(noVietnamese.ready);
    EXPECT_TRUE(noVietnamese.partners.empty());
    EXPECT_FALSE(noVietnamese.resetPartnerToEnglish);
}

}  // namespace
