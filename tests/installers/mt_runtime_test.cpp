#include <windows.h>

#include <gtest/gtest.h>

#include "file_tree.h"
#include "installer_fixture.h"
#include "outcome_texts.h"
#include "mt_home.h"
#include "mt_runtime.h"
#include "service_process.h"
#include "temp_folder.h"

namespace {

const char* const PACKAGES[] = {"python.zip", "ctranslate2.whl", "sentencepiece.whl", "msvc_runtime.whl"};

class RuntimePhase : public testing::Test {
protected:
    RuntimePhase() : folder(L"mt-runtime"), home((folder.path() / "home").wstring())
    {
        environment.set(L"MIRADOT_MT_HOME", home);
        environment.set(L"MIRADOT_MT_TAG", L"runtimetest");
        std::filesystem::create_directories(home + L"\\dl");
        for (const char* name : PACKAGES)
            std::filesystem::copy_file(test_archive(name), home + L"\\dl\\" + std::wstring(name, name + strlen(name)));
    }

    std::filesystem::path at(const char* relative) { return std::filesystem::path(home) / relative; }

    // A runtime as an earlier version of the program left it.
    void old_runtime()
    {
        folder.write("home/runtime/ok", "python-3.14.9 ctranslate2-4.9.2 sentencepiece-0.2.3 msvc-14.51.36231\r\n");
        folder.write("home/runtime/miraDot-Translate.exe", "MZ old");
    }

    TempFolder folder;
    ScopedEnvironment environment;
    std::wstring home;
};

TEST_F(RuntimePhase, AssemblesTheLayoutTheServiceNeeds)
{
    ASSERT_EQ(assemble_runtime(home), Outcome::Done);
    EXPECT_EQ(read_file(at("runtime.new/python314._pth")), "python314.zip\r\n.\r\nsite\r\n");
    EXPECT_EQ(read_file(at("runtime.new/miraDot-Translate.exe")), "MZ pythonw");
    EXPECT_EQ(read_file(at("runtime.new/ok")), std::string(RUNTIME_VERSION) + "\r\n");
    EXPECT_EQ(read_file(at("runtime.new/site/ctranslate2/msvcp140.dll")), "MZ msvcp140");
    EXPECT_EQ(read_file(at("runtime.new/LICENSE-msvc-runtime.txt")), "licence text\n");
    EXPECT_TRUE(std::filesystem::exists(at("runtime.new/site/ctranslate2/__init__.py")));
    EXPECT_TRUE(std::filesystem::exists(at("runtime.new/site/sentencepiece/__init__.py")));
    EXPECT_FALSE(std::filesystem::exists(at("runtime.new/site/ctranslate2/cudnn64_9.dll")));
    EXPECT_FALSE(std::filesystem::exists(at("runtime.new/vcruntime140.dll")));
    EXPECT_FALSE(is_runtime_installed()) << "staged only";
}

TEST_F(RuntimePhase, AnUnpackFailureLeavesTheActiveRuntimeAlone)
{
    old_runtime();
    struct Case {
        const char* name;
        const char* package;
        const char* replacement;
    };
    const Case cases[] = {
        {"a wheel that is no archive", "ctranslate2.whl", "error-page.tar.bz2"},
        {"a runtime wheel without msvcp140.dll", "msvc_runtime.whl", "sentencepiece.whl"},
    };
    for (const Case& c : cases) {
        std::filesystem::path package = at("dl") / c.package;
        std::filesystem::copy_file(test_archive(c.replacement), package,
                                   std::filesystem::copy_options::overwrite_existing);
        EXPECT_EQ(assemble_runtime(home), Outcome::Unpack) << c.name;
        EXPECT_EQ(read_file(at("runtime/miraDot-Translate.exe")), "MZ old") << c.name;
        std::filesystem::copy_file(test_archive(c.package), package, std::filesystem::copy_options::overwrite_existing);
    }
    NoSystemTar noTar;
    EXPECT_EQ(assemble_runtime(home), Outcome::Unpack);
}

TEST_F(RuntimePhase, SwapReplacesAnOlderRuntimeAndClearsTheDownloads)
{
    const bool withOld[] = {false, true};
    for (bool old : withOld) {
        if (old)
            old_runtime();
        ASSERT_EQ(assemble_runtime(home), Outcome::Done);
        EXPECT_EQ(swap_in_runtime(home), Outcome::Done) << old;
        EXPECT_TRUE(is_runtime_installed()) << old;
        EXPECT_EQ(read_file(at("runtime/miraDot-Translate.exe")), "MZ pythonw");
        std::vector<std::string> left;
        for (const auto& entry : std::filesystem::directory_iterator(home))
            left.push_back(entry.path().filename().string());
        EXPECT_EQ(left, std::vector<std::string>{"runtime"}) << "no staging, old runtime or downloads left";
        std::filesystem::create_directories(home + L"\\dl");
        for (const char* name : PACKAGES)
            std::filesystem::copy_file(test_archive(name), at("dl") / name);
    }
}

TEST_F(RuntimePhase, ASwapWithoutANewRuntimeKeepsTheOldOne)
{
    old_runtime();
    EXPECT_EQ(swap_in_runtime(home), Outcome::CannotWrite);
    EXPECT_EQ(read_file(at("runtime/miraDot-Translate.exe")), "MZ old") << "moved back into place";
    EXPECT_TRUE(std::filesystem::exists(at("dl/python.zip"))) << "the verified packages stay for a retry";
}

TEST_F(RuntimePhase, ARuntimeInUseStaysWholeUntilItsServiceQuits)
{
    old_runtime();
    ASSERT_EQ(assemble_runtime(home), Outcome::Done);
    {
        ServiceProcess stubborn(at("runtime").wstring(), L"stays");
        ASSERT_TRUE(stubborn.ready());
        EXPECT_EQ(swap_in_runtime(home), Outcome::RuntimeBusy);
        EXPECT_TRUE(stubborn.running());
        EXPECT_EQ(read_file(at("runtime/miraDot-Translate.exe")), "MZ old");
        EXPECT_EQ(read_file(at("runtime.new/miraDot-Translate.exe")), "MZ pythonw") << "the new one stays staged";
    }
    ServiceProcess willing(at("runtime").wstring(), L"quits");
    ASSERT_TRUE(willing.ready());
    EXPECT_EQ(swap_in_runtime(home), Outcome::Done);
    EXPECT_FALSE(willing.running()) << "asked to quit";
    EXPECT_TRUE(is_runtime_installed());
}

}  // namespace
