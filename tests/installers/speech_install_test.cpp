#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>

#include "https_test_server.h"
#include "installer_fixture.h"
#include "outcome_texts.h"
#include "pipe.h"
#include "speech_install.h"
#include "speech_model.h"
#include "temp_folder.h"
#include "utf.h"

namespace ts = test_server;

namespace {

using miradot::wide_to_utf8;

class SpeechInstall : public testing::Test {
protected:
    SpeechInstall() : folder(L"speech-install")
    {
        std::filesystem::create_directories(folder.path() / "local");
        environment.set(L"LOCALAPPDATA", (folder.path() / "local").wstring());
        environment.set(L"MIRADOT_DOWNLOAD_TEST_DIGESTS", (folder.path() / "digests.txt").wstring());
        path = server_path(speech_model_item().url);
        ts::set_rules("{}");
    }
    ~SpeechInstall() override { ts::set_rules("{}"); }

    // Serves an archive as the model's and lists the digest of another.
    void offer(const char* served, const char* listed)
    {
        ts::serve_at(path, ts::read_file(test_archive(served)));
        std::ofstream(folder.path() / "digests.txt")
            << unsized_digest_line(wide_to_utf8(speech_model_item().name), test_archive(listed));
    }

    bool installed() { return miradot::default_model_installed(); }

    std::filesystem::path models() { return folder.path() / "local" / "miraDot" / "models"; }

    TempFolder folder;
    ScopedEnvironment environment;
    std::string path;
    ReportLog dialog;
};

TEST_F(SpeechInstall, DownloadsChecksAndUnpacksWithProgress)
{
    offer("speech-model.tar.bz2", "speech-model.tar.bz2");
    ASSERT_EQ(install_speech_model(dialog.sink()), Outcome::Done);
    EXPECT_TRUE(installed());
    EXPECT_FALSE(std::filesystem::exists(models() / "download.tar.bz2.part"));
    const std::vector<std::wstring> reports = dialog.reports();
    ASSERT_GE(reports.size(), 2u);
    EXPECT_EQ(reports.front().rfind(L"Đang tải… ", 0), 0u) << wide_to_utf8(reports.front());
    EXPECT_EQ(reports[reports.size() - 2], L"Đang tải… 100 %");
    EXPECT_EQ(reports.back(), L"Đang kiểm tra…");
}

TEST_F(SpeechInstall, AServerWithoutALengthShowsNoPercentage)
{
    offer("speech-model.tar.bz2", "speech-model.tar.bz2");
    ts::set_rules(R"({"/)" + path + R"(":{"no_length":true}})");
    ASSERT_EQ(install_speech_model(dialog.sink()), Outcome::Done);
    EXPECT_TRUE(installed());
    EXPECT_EQ(dialog.reports(), (std::vector<std::wstring>{L"Đang tải… 0 %", L"Đang kiểm tra…"}));
}

TEST_F(SpeechInstall, EveryFailureHasItsLineAndLeavesNoDownloadFile)
{
    struct Case {
        const char* name;
        const char* served;
        const char* listed;
        std::string rules;
        Outcome error;
    };
    const uint64_t half = std::filesystem::file_size(test_archive("speech-model.tar.bz2")) / 2;
    const Case cases[] = {
        {"a connection that breaks half-way", "speech-model.tar.bz2", "speech-model.tar.bz2",
         R"({"/)" + path + R"(":{"cut_after":)" + std::to_string(half) + "}}", Outcome::Incomplete},
        {"an error page instead of the archive", "error-page.tar.bz2", "speech-model.tar.bz2", "{}", Outcome::WrongFile},
        {"a refusal", "speech-model.tar.bz2", "speech-model.tar.bz2", R"({"/)" + path + R"(":{"status":404}})",
         Outcome::Refused},
        {"an archive without the joiner", "speech-incomplete.tar.bz2", "speech-incomplete.tar.bz2", "{}",
         Outcome::Unpack},
    };
    for (const Case& c : cases) {
        offer(c.served, c.listed);
        ts::set_rules(c.rules);
        EXPECT_EQ(install_speech_model(dialog.sink()), c.error) << c.name;
        EXPECT_FALSE(installed()) << c.name;
        EXPECT_FALSE(std::filesystem::exists(models() / "download.tar.bz2.part")) << c.name;
        EXPECT_TRUE(holds_only_the_log(models().parent_path())) << c.name << ": the folders it made";
        std::filesystem::remove_all(models());
    }

    offer("speech-model.tar.bz2", "speech-model.tar.bz2");
    {
        NoSystemTar noTar;
        EXPECT_EQ(install_speech_model(dialog.sink()), Outcome::Unpack);
    }
    EXPECT_FALSE(installed());

    environment.set(L"LOCALAPPDATA", L"");
    EXPECT_EQ(install_speech_model(dialog.sink()), Outcome::NoFolder);
}

std::string ping()
{
    char reply[VOICE_PING_REPLY];
    return pipe_request(PipeKind::Voice, "{\"cmd\":\"ping\"}", reply, sizeof reply, 20000) ? reply : "<no answer>";
}

TEST_F(SpeechInstall, ARunningVoiceHelperIsReadyOnceTheModelIsInstalled)
{
    // The staged helper with the real recogniser library, in a folder of its own.
    wchar_t stage[MAX_PATH];
    ASSERT_GT(GetEnvironmentVariableW(L"MIRADOT_TEST_STAGE", stage, MAX_PATH), 0u);
    const std::filesystem::path install = folder.path() / "install";
    std::filesystem::create_directories(install);
    std::filesystem::copy_file(std::filesystem::path(stage) / "miraDot-Voice.exe", install / "miraDot-Voice.exe");
    std::filesystem::copy(std::filesystem::path(stage) / "voice", install / "voice");
    environment.set(L"MIRADOT_VOICE_TAG", unique_tag(L"install"));
    environment.set(L"MIRADOT_VOICE_MODEL_DIR", L"");

    Process helper(install / "miraDot-Voice.exe", L"");
    const std::string before = ping();
    EXPECT_NE(before.find("\"ready\":false"), std::string::npos) << before;
    offer("speech-model.tar.bz2", "speech-model.tar.bz2");
    ASSERT_EQ(install_speech_model(dialog.sink()), Outcome::Done);
    const std::string after = ping();
    EXPECT_NE(after.find("\"ready\":true"), std::string::npos) << after;
    // And it transcribes with the model it picked up.
    std::string wav;
    for (char c : std::string(SPEECH_WAV))
        wav += c == '\\' ? std::string("\\\\") : std::string(1, c);
    char transcript[VOICE_PING_REPLY];
    ASSERT_TRUE(pipe_request(PipeKind::Voice, ("{\"cmd\":\"file\",\"path\":\"" + wav + "\"}").c_str(), transcript,
                             sizeof transcript, 60000));
    EXPECT_NE(std::string(transcript).find("\"raw\":\"Xin chào\""), std::string::npos) << transcript;
    char reply[VOICE_QUIT_REPLY];
    EXPECT_TRUE(pipe_request(PipeKind::Voice, "{\"cmd\":\"quit\"}", reply, sizeof reply, VOICE_QUIT_TIMEOUT_MS));
    EXPECT_EQ(helper.wait(10000), 0);
}

}  // namespace
