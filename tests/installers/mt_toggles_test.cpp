#include <gtest/gtest.h>

#include "mt_catalog.h"
#include "mt_jobs.h"
#include "mt_toggles.h"

namespace {

TEST(LanguageToggles, ShowInstalledWaitingAvailableAndComingLanguages)
{
    const int french = find_language("fr");
    struct Case {
        bool installed, pending, available, checked, enabled;
        const wchar_t* status;
    };
    const Case cases[] = {
        {false, false, true, false, true, L"khoảng 793 MB"},
        {true, false, true, true, true, L"Đã cài · 793 MB"},
        // A job runs or waits: clicks are ignored, the focus stays.
        {false, true, true, true, true, L"Đang chờ…"},
        {true, true, true, true, true, L"Đang chờ…"},
        // Not yet installable: off and out of reach, nothing to ask for.
        {false, false, false, false, false, L"Sắp có"},
        // Installed by hand although its rows are unknown: it can still go.
        {true, false, false, true, true, L"Đã cài · 793 MB"},
    };
    for (const Case& c : cases) {
        LanguageToggle toggle = language_toggle(french, c.installed, c.pending, c.available);
        EXPECT_EQ(toggle.checked, c.checked) << c.installed << c.pending << c.available;
        EXPECT_EQ(toggle.enabled, c.enabled) << c.installed << c.pending << c.available;
        EXPECT_EQ(toggle.status, c.status);
    }
}

TEST(LanguageToggles, AClickRemovesInstallsOrReportsTheShortage)
{
    const int french = find_language("fr");
    std::wstring status;
    EXPECT_EQ(toggle_click(french, false, true, true, 0, status), ToggleAction::Ignore);
    EXPECT_EQ(toggle_click(french, true, false, true, 0, status), ToggleAction::AskRemove);
    EXPECT_EQ(toggle_click(french, true, false, false, 0, status), ToggleAction::AskRemove);
    EXPECT_EQ(toggle_click(french, false, false, false, 0, status), ToggleAction::Ignore) << "not installable";
    EXPECT_EQ(toggle_click(french, false, false, true, 0, status), ToggleAction::Install) << "free space unknown";
    EXPECT_EQ(toggle_click(french, false, false, true, 1293000000, status), ToggleAction::Install);
    EXPECT_EQ(toggle_click(french, false, false, true, 1292999999, status), ToggleAction::NoSpace);
    EXPECT_EQ(status, L"Không đủ chỗ: cần khoảng 1293 MB, còn 1292 MB");
}

TEST(LanguageToggles, JobsWaitOrStartAndLeaveTheToggleAsTheirOutcome)
{
    EXPECT_EQ(queued_status(JOB_INSTALL, true), L"Đang chờ…");
    EXPECT_EQ(queued_status(JOB_INSTALL, false), L"Đang chuẩn bị…");
    EXPECT_EQ(queued_status(JOB_REMOVE, false), L"Đang gỡ…");
    EXPECT_TRUE(checked_after_job(JOB_INSTALL, true));
    EXPECT_FALSE(checked_after_job(JOB_INSTALL, false));
    EXPECT_FALSE(checked_after_job(JOB_REMOVE, true));
    EXPECT_TRUE(checked_after_job(JOB_REMOVE, false));
}

}  // namespace
