#include <windows.h>

#include <gtest/gtest.h>

#include <set>

#include "https_test_server.h"
#include "installer_fixture.h"
#include "outcome_texts.h"
#include "temp_folder.h"
#include "mt_runtime.h"
#include "verified_download.h"

namespace ts = test_server;

namespace {

class VerifiedDownload : public testing::Test {
protected:
    VerifiedDownload() : folder(L"verified-download"), target((folder.path() / "model.bin").wstring())
    {
        ts::serve("model.bin", body);
        ts::set_rules("{}");
        ts::clear_log();
    }
    ~VerifiedDownload() override { ts::set_rules("{}"); }

    DownloadItem item(uint64_t size = 0, const char* sha256 = nullptr)
    {
        const std::string url = ts::url("model.bin");
        std::string digest = sha256 ? sha256 : digest_of_body();
        return {std::wstring(url.begin(), url.end()), L"en-vi/model.bin", size ? size : body.size(), digest};
    }

    std::string digest_of_body()
    {
        const std::filesystem::path file = folder.write("expected", body);
        const std::string line = digest_line("x", file);
        return line.substr(line.rfind(' ') + 1, 64);
    }

    bool part_left() { return std::filesystem::exists(target + L".part"); }

    // 300 KB, so that the progress moves through several chunks.
    const std::string body = std::string(300000, 'w') + "end";
    TempFolder folder;
    std::wstring target;
    ReportLog dialog;
};

TEST_F(VerifiedDownload, ReportsItsProgressAndReusesAVerifiedFile)
{
    ASSERT_EQ(download_translation_file(item(), target, 3, 16, dialog.sink()), Outcome::Done);
    EXPECT_EQ(read_file(target), body);
    EXPECT_FALSE(part_left());
    const std::vector<std::wstring> progress = dialog.reports();
    ASSERT_FALSE(progress.empty());
    for (const std::wstring& text : progress)
        EXPECT_EQ(text.rfind(L"Đang tải 3/16 · ", 0), 0u) << std::string(text.begin(), text.end());
    EXPECT_EQ(progress.back(), L"Đang tải 3/16 · 100 %…");
    EXPECT_EQ(std::set<std::wstring>(progress.begin(), progress.end()).size(), progress.size())
        << "each per cent is posted once";

    ts::clear_log();
    EXPECT_EQ(download_translation_file(item(), target, 3, 16, dialog.sink()), Outcome::Done);
    EXPECT_EQ(ts::log(), "") << "a verified file is not fetched again";
    EXPECT_TRUE(dialog.reports().empty());

    // A server that announces no length: the body ends with the connection.
    std::filesystem::remove(target);
    ts::set_rules(R"({"/model.bin":{"no_length":true}})");
    EXPECT_EQ(download_translation_file(item(), target, 1, 1, dialog.sink()), Outcome::Done);
    EXPECT_EQ(read_file(target), body);
}

TEST_F(VerifiedDownload, EveryFailureKeepsThePreviousFileAndLeavesNoPart)
{
    struct Case {
        const char* name;
        std::string served;
        std::string rules;
        Outcome error;
    };
    const std::string cut = R"({"/model.bin":{"cut_after":)" + std::to_string(body.size() - 1) + "}}";
    const Case cases[] = {
        {"one byte short", body, cut, Outcome::Incomplete},
        {"one byte more", body + "x", "{}", Outcome::WrongFile},
        {"an error page of the same size", std::string(body.size(), '<'), "{}", Outcome::WrongFile},
        {"a refusal", body, R"({"/model.bin":{"status":404}})", Outcome::Refused},
        {"a server error", body, R"({"/model.bin":{"status":500}})", Outcome::Refused},
        {"a redirect through plain HTTP", body,
         R"({"/model.bin":{"redirect":")" + ts::url("hop", "MIRADOT_TEST_HTTP_PORT") + R"("},"/hop":{"redirect":")"
             + ts::url("model.bin") + R"("}})",
         Outcome::Refused},
    };
    for (const Case& c : cases) {
        folder.write("model.bin", "the previous file");
        ts::serve("model.bin", c.served);
        ts::set_rules(c.rules);
        EXPECT_EQ(download_translation_file(item(), target, 1, 1, dialog.sink()), c.error) << c.name;
        EXPECT_EQ(read_file(target), "the previous file") << c.name;
        EXPECT_FALSE(part_left()) << c.name;
    }
    EXPECT_EQ(ts::log().find("GET /hop"), std::string::npos) << "nothing goes out over plain HTTP";

    DownloadItem unreachable = item();
    unreachable.url = L"https://localhost:1/model.bin";
    EXPECT_EQ(download_translation_file(unreachable, target, 1, 1, dialog.sink()), Outcome::NoNetwork);

    ts::clear_log();
    DownloadItem unknown = item();
    unknown.size = 0;
    unknown.sha256.clear();
    EXPECT_EQ(download_translation_file(unknown, target, 1, 1, dialog.sink()), Outcome::Unverifiable);
    EXPECT_EQ(ts::log(), "") << "nothing unverifiable is fetched";
    EXPECT_FALSE(part_left());

    // A redirect on the same server is followed.
    ts::serve("model.bin", body);
    ts::serve("moved.bin", body);
    ts::set_rules(R"({"/model.bin":{"redirect":"/moved.bin"}})");
    EXPECT_EQ(download_translation_file(item(), target, 1, 1, dialog.sink()), Outcome::Done);
    EXPECT_EQ(read_file(target), body);
    ts::set_rules("{}");
}

}  // namespace
