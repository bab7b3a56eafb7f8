#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>

#include "installer_fixture.h"
#include "outcome_texts.h"
#include "mt_home.h"
#include "mt_models.h"
#include "temp_folder.h"

namespace {

constexpr const char* VI_FILES[] = {
    "config.json", "source_vocabulary.json", "src.spm.model", "target_vocabulary.json", "tgt.spm.model", "model.bin"};
constexpr char SOME_DIGEST[] = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

class InstallPlanning : public testing::Test {
protected:
    InstallPlanning() : folder(L"mt-plan"), home((folder.path() / "home").wstring())
    {
        environment.set(L"MIRADOT_MT_HOME", home);
        environment.set(L"MIRADOT_DOWNLOAD_TEST_DIGESTS", (folder.path() / "digests.txt").wstring());
    }

    // Lists the Vietnamese pack's files, 1000 bytes each and model.bin as given.
    void list_vietnamese(uint64_t weights)
    {
        std::ofstream list(folder.path() / "digests.txt");
        for (const char* model : {"en-vi", "vi-en"})
            for (const char* file : VI_FILES)
                list << model << "/" << file << " " << (std::string(file) == "model.bin" ? weights : 1000) << " "
                     << SOME_DIGEST << "\n";
    }

    TempFolder folder;
    ScopedEnvironment environment;
    std::wstring home;
};

TEST_F(InstallPlanning, AFreshSystemFetchesTheRuntimeAndTwelveModelFiles)
{
    list_vietnamese(5000);
    InstallPlan plan;
    ASSERT_EQ(plan_install(built_in_catalog(), "vi", plan), Outcome::Done);
    EXPECT_TRUE(plan.runtimeNeeded);
    EXPECT_EQ(plan.fileCount, 16);
    EXPECT_EQ(plan.bytesNeeded, 200000000u + 2 * (5 * 1000 + 5000));
    EXPECT_EQ(plan.models[0].name, "en-vi");
    EXPECT_EQ(plan.models[1].name, "vi-en");

    // With the runtime in place and some files already there, only the
    // missing bytes count; a file of another size counts in full.
    folder.write("home/runtime/ok", RUNTIME_VERSION);
    folder.write("home/en-vi/model.bin", std::string(5000, 'm'));
    folder.write("home/vi-en/config.json", std::string(999, 'c'));
    ASSERT_EQ(plan_install(built_in_catalog(), "vi", plan), Outcome::Done);
    EXPECT_FALSE(plan.runtimeNeeded);
    EXPECT_EQ(plan.fileCount, 12);
    EXPECT_EQ(plan.bytesNeeded, 2u * 5 * 1000 + 5000);
}

TEST_F(InstallPlanning, RefusesUnknownLanguagesUnverifiableFilesAndAFullDisk)
{
    list_vietnamese(5000);
    InstallPlan plan;
    EXPECT_EQ(plan_install(built_in_catalog(), "xx", plan), Outcome::UnknownLanguage);
    EXPECT_EQ(plan_install(built_in_catalog(), "fr", plan), Outcome::Unverifiable) << "no digests listed for French";

    list_vietnamese(1000000000000000ull);
    EXPECT_EQ(plan_install(built_in_catalog(), "vi", plan), Outcome::NoSpace);
    const uint64_t needed = 200000000 + 2 * (5 * 1000 + 1000000000000000ull) + 500000000;
    const std::wstring& text = plan.shortage;
    EXPECT_EQ(text.substr(0, text.find(L" trống")), L"Lỗi: cần khoảng " + std::to_wstring(needed / 1000000) + L" MB");
    EXPECT_NE(text.find(L", ổ đĩa còn "), std::wstring::npos);

    environment.set(L"MIRADOT_MT_HOME", L"");
    environment.set(L"LOCALAPPDATA", L"");
    EXPECT_EQ(plan_install(built_in_catalog(), "vi", plan), Outcome::NoFolder);
}

TEST(ModelFileItem, NamesTheHubAddressAtThePinnedRevision)
{
    const ModelRow& model = *find_model(built_in_catalog(), "en-vi");
    DownloadItem item = model_file_item(model, model.files.back());
    EXPECT_EQ(item.url.substr(item.url.find(L"/quickmt")),
              L"/quickmt/quickmt-en-vi/resolve/c4b2ec8c97b477bc27fb1084e57dc9f694e4de13/model.bin");
    EXPECT_EQ(item.name, L"en-vi/model.bin");
}

}  // namespace
