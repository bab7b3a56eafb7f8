#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "file_tree.h"
#include "https_test_server.h"
#include "installer_fixture.h"
#include "outcome_texts.h"
#include "mt_home.h"
#include "mt_models.h"
#include "mt_runtime.h"
#include "temp_folder.h"
#include "utf.h"

namespace ts = test_server;

namespace {

using miradot::wide_to_utf8;

int count_lines(const std::string& text) { return int(std::count(text.begin(), text.end(), '\n')); }

class TranslationInstall : public testing::Test {
protected:
    TranslationInstall() : folder(L"mt-install"), home((folder.path() / "home").wstring())
    {
        environment.set(L"MIRADOT_MT_HOME", home);
        environment.set(L"MIRADOT_MT_TAG", unique_tag(L"install"));
        const std::filesystem::path digests = folder.path() / "digests.txt";
        environment.set(L"MIRADOT_DOWNLOAD_TEST_DIGESTS", digests.wstring());
        std::ofstream list(digests);
        offer_runtime(list);
        offer_language(folder, "vi", list);
        offer_language(folder, "fr", list);
        ts::set_rules("{}");
        ts::clear_log();
    }
    ~TranslationInstall() override { ts::set_rules("{}"); }

    bool exists(const wchar_t* relative) { return std::filesystem::exists(home + L"\\" + relative); }

    TempFolder folder;
    ScopedEnvironment environment;
    std::wstring home;
    ReportLog dialog;
};

TEST_F(TranslationInstall, AFreshSystemGetsTheRuntimeThenBothModelsAndARetryFetchesOnlyWhatIsMissing)
{
    const std::string lastPackage = server_path(runtime_packages()[3].url);
    ts::set_rules(R"({"/)" + lastPackage + R"(":{"status":500}})");
    EXPECT_EQ(install_language("vi", dialog.sink()).outcome, Outcome::Refused);
    std::vector<std::wstring> reports = dialog.reports();
    for (const wchar_t* done : {L"Đang tải 1/16 · 100 %…", L"Đang tải 2/16 · 100 %…", L"Đang tải 3/16 · 100 %…"})
        EXPECT_NE(std::find(reports.begin(), reports.end(), done), reports.end()) << wide_to_utf8(done);
    EXPECT_FALSE(is_runtime_installed());
    EXPECT_FALSE(exists(L"runtime"));
    EXPECT_TRUE(exists(L"dl\\sentencepiece.whl")) << "verified packages stay for the retry";
    EXPECT_FALSE(exists(L"dl\\msvc_runtime.whl.part"));

    ts::set_rules("{}");
    ts::clear_log();
    const WorkerReport installed = install_language("vi", dialog.sink());
    ASSERT_EQ(installed.outcome, Outcome::Done) << wide_to_utf8(installed.text);
    EXPECT_EQ(installed.stage, WorkStage::Done);
    EXPECT_EQ(installed.text, L"Đã cài · 807 MB");
    EXPECT_EQ(count_lines(ts::log()), 1 + 12) << ts::log();
    reports = dialog.reports();
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.front().rfind(L"Đang tải 4/16 · ", 0), 0u) << wide_to_utf8(reports.front());
    EXPECT_NE(std::find(reports.begin(), reports.end(), L"Đang cài…"), reports.end());
    EXPECT_EQ(reports.back(), L"Đang tải 16/16 · 100 %…");
    EXPECT_TRUE(is_runtime_installed());
    EXPECT_TRUE(is_language_installed(home, "vi"));
    EXPECT_EQ(read_file(home + L"\\vi-en\\config.json"), "test file vi-en/config.json");
    EXPECT_FALSE(exists(L"dl")) << "the packages go once the runtime is in place";
    EXPECT_FALSE(exists(L"runtime.new"));
}

TEST_F(TranslationInstall, AModelFileThatFailsLeavesTheLanguageNotInstalledAndTheRuntimeWhole)
{
    ASSERT_EQ(install_language("vi", dialog.sink()).outcome, Outcome::Done);
    ASSERT_EQ(remove_language("vi").outcome, Outcome::Done);
    dialog.reports();

    const ModelRow& reverse = *find_model(built_in_catalog(), "vi-en");
    const std::string weights = server_path(model_file_item(reverse, reverse.files.back()).url);
    ts::set_rules(R"({"/)" + weights + R"(":{"cut_after":5}})");
    const WorkerReport failed = install_language("vi", dialog.sink());
    EXPECT_EQ(failed.outcome, Outcome::Incomplete);
    EXPECT_EQ(failed.stage, WorkStage::Failed);
    EXPECT_EQ(failed.text, L"Lỗi: tải không trọn (kiểm tra mạng).");
    EXPECT_FALSE(is_language_installed(home, "vi"));
    EXPECT_TRUE(is_runtime_installed());
    const std::vector<std::wstring> reports = dialog.reports();
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.front().rfind(L"Đang tải 1/12 · ", 0), 0u) << "no runtime files to count";
}

TEST_F(TranslationInstall, FrenchBringsTheFourFilesOfOneModelAndTheSixOfTheOther)
{
    folder.write("home/runtime/ok", std::string(RUNTIME_VERSION) + "\r\n");
    const WorkerReport installed = install_language("fr", dialog.sink());
    ASSERT_EQ(installed.outcome, Outcome::Done) << wide_to_utf8(installed.text);
    EXPECT_EQ(installed.text, L"Đã cài · 793 MB");
    const std::string log = ts::log();
    EXPECT_EQ(count_lines(log), 4 + 6) << log;
    EXPECT_NE(log.find("/quickmt/quickmt-en-fr/resolve/ca99647b9788aac9bb9026b0c5026c2ccfaebf14/joint.spm.model"),
              std::string::npos);
    EXPECT_EQ(dialog.reports().back(), L"Đang tải 10/10 · 100 %…");
}

}  // namespace
