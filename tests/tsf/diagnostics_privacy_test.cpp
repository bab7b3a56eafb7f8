// The diagnostics log of the text service tells what happened and never what
// was typed.
#include "host_fixture.h"
#include "process_support.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Every file of the log folder, one after the other.
std::string all_logs(const std::filesystem::path& local)
{
    std::string text;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(local / "miraDot" / "logs", error))
        text += read_file(entry.path());
    return text;
}

TEST_F(HostTest, TypedTextReachesNoDiagnosticsLog)
{
    TempFolder local(L"miradot-host-log");
    ScopedEnv env(L"LOCALAPPDATA", local.path().wstring());
    SettingsWriter settings;
    settings.set(L"Method", 7);  // refused, so that the log has a line to show
    activate();
    threadMgr->type(L"mootj hai ba boons nawm ");
    ASSERT_EQ(document.text(), L"m\u1ED9t hai ba b\u1ED1n n\u0103m ");

    std::string logs = all_logs(local.path());
    const std::string own = " miradot_tsf " + std::to_string(GetCurrentProcessId()) + " ";
    EXPECT_NE(logs.find(own + "activation"), std::string::npos) << logs;
    EXPECT_NE(logs.find(own + "settings value Method refused"), std::string::npos) << logs;
    for (const char* typed : {"mootj", "boons", "nawm", "m\xE1\xBB\x99t", "b\xE1\xBB\x91n", "n\xC4\x83m"})
        EXPECT_EQ(logs.find(typed), std::string::npos) << typed << " in\n" << logs;
}

}  // namespace
