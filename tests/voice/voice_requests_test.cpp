#include <gtest/gtest.h>

#include "helper_folder.h"
#include "json.h"
#include "voice_requests.h"
#include "wav_builder.h"

#ifdef _WIN32
#include "engine.h"
#include "settings_store.h"
#endif

using namespace miradot;

namespace {

std::string field(const std::string& reply, const char* name)
{
    char value[512];
    return json_field(reply.c_str(), name, value, sizeof value) ? value : "<absent>";
}

// A 16 kHz mono file: silence, a square wave of the given level, silence.
std::string wav(double beforeSeconds, double speechSeconds, double afterSeconds, double level)
{
    std::vector<int16_t> samples(static_cast<size_t>((beforeSeconds + speechSeconds + afterSeconds) * 16000));
    const size_t start = static_cast<size_t>(beforeSeconds * 16000);
    const size_t end = start + static_cast<size_t>(speechSeconds * 16000);
    for (size_t i = start; i < end; ++i)
        samples[i] = static_cast<int16_t>((i % 2 ? 1 : -1) * level * 32768);
    std::vector<uint8_t> bytes = WavBuilder().format(1, 1, 16000, 16).pcm16(samples).bytes;
    return std::string(bytes.begin(), bytes.end());
}

#ifdef _WIN32
// These tests read and write a settings key of their own, never the user's:
// set before any transcript reads the key, which is decided once.
class OwnSettingsKey : public ::testing::Environment {
public:
    void SetUp() override { SetEnvironmentVariableW(L"MIRADOT_SETTINGS_KEY", L"Software\\miraDot\\Test-voice"); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\miraDot\\Test-voice"); }
};
::testing::Environment* const OWN_SETTINGS_KEY = ::testing::AddGlobalTestEnvironment(new OwnSettingsKey);
#endif

class VoiceRequests : public ::testing::Test {
protected:
    void SetUp() override
    {
        unset_env("MIRADOT_VOICE_TEST_WAV");
        set_env("LOCALAPPDATA", utf8_path(helper.folder().path()));
        state.helperDir = helper.helperDir();
        helper.install_library(scripted_library());
    }
    void TearDown() override
    {
        stop_recording(state);
        for (const char* name : {"MIRADOT_VOICE_TEST_WAV", "MIRADOT_VOICE_MODEL_DIR", "LOCALAPPDATA"})
            unset_env(name);
    }

    // Makes the recogniser answer with this text and token log-probability.
    void use_model(const std::string& text, const std::string& logProb = "-0.2")
    {
        set_env("MIRADOT_VOICE_MODEL_DIR", utf8_path(helper.model(text + "\n" + logProb + "\n")));
    }

    std::string request(const std::string& line, bool expectGoOn = true)
    {
        HandledRequest reply = handle_voice_request(state, line);
        EXPECT_EQ(reply.goOn, expectGoOn) << line;
        return reply.line;
    }

    std::string record(const std::string& wavContent)
    {
        set_env("MIRADOT_VOICE_TEST_WAV", utf8_path(helper.folder().write("input.wav", wavContent)));
        EXPECT_EQ(request(R"({"cmd":"start"})"), R"({"ok":true})");
        return request(R"({"cmd":"stop"})");
    }

    HelperFolder helper;
    VoiceHelperState state;
};

TEST_F(VoiceRequests, WithoutModelOnlyStatusAndControlCommandsSucceed)
{
    const std::pair<const char*, const char*> cases[] = {
        {R"({"cmd":"ping"})", R"({"ok":true,"recording":false,"ready":false})"},
        {R"({"cmd":"start"})", R"({"ok":false,"error":"voice not installed"})"},
        {R"({"cmd":"stop"})", R"({"ok":false,"error":"voice not installed"})"},
        {R"({"cmd":"file","path":"x.wav"})", R"({"ok":false,"error":"voice not installed"})"},
        {R"({"cmd":"dance"})", R"({"ok":false,"error":"voice not installed"})"},
        {R"({"cmd":"cancel"})", R"({"ok":true})"},
        {R"({"command":"ping"})", R"({"ok":false,"error":"bad request"})"},
        {"", R"({"ok":false,"error":"bad request"})"},
        {"\x01\xff{\"cmd\"", R"({"ok":false,"error":"bad request"})"},
    };
    for (auto [line, reply] : cases)
        EXPECT_EQ(request(line), reply) << line;
}

TEST_F(VoiceRequests, ModelInstalledWhileRunningIsLoadedByTheNextPing)
{
    EXPECT_EQ(field(request(R"({"cmd":"ping"})"), "ready"), "false");
    use_model("xin chào");
    EXPECT_EQ(request(R"({"cmd":"ping"})"), R"({"ok":true,"recording":false,"ready":true})");
}

TEST_F(VoiceRequests, CommandsAreComparedExactly)
{
    use_model("xin chào");
    request(R"({"cmd":"ping"})");
    for (const char* line : {R"({"cmd":"PING"})", R"({"cmd":"ping "})", R"({"cmd":"Stop"})", R"({"cmd":""})"})
        EXPECT_EQ(request(line), R"({"ok":false,"error":"unknown cmd"})") << line;
}

TEST_F(VoiceRequests, StopTranscribesLoudEnoughRecordings)
{
    use_model("XIN CHÀO <unk> hòa bình %n");
    // 3.5 s: 1 s silence, 2 s speech, 0.5 s silence; the window keeps 0.25 s
    // before and 0.3 s after the speech: 40,800 samples reach the recogniser.
    std::string reply = record(wav(1, 2, 0.5, 0.3));
    EXPECT_EQ(field(reply, "ok"), "true");
    EXPECT_EQ(field(reply, "raw"), "Xin chào hòa bình 40800");
    EXPECT_EQ(field(reply, "text"), "Xin chào hoà bình 40800");
    EXPECT_EQ(field(reply, "audio_s"), "3.50");
    EXPECT_EQ(field(reply, "conf"), "-0.200");
    EXPECT_EQ(field(reply, "rms"), "0.2268");
    EXPECT_EQ(reply.rfind(",\"rms\":0.2268}"), reply.size() - 14);
    EXPECT_EQ(reply.find("{\"ok\":true,\"raw\":\"Xin"), 0u);
}

#ifdef _WIN32
// The transcript follows the tone placement and spelling repair the user
// types with, read from the settings key for every transcript.
TEST_F(VoiceRequests, TranscriptsFollowTheUsersTonePlacementAndSpellingRepair)
{
    helper.folder().write("helper/data/corrections.tsv", "nghành\tngành\n");
    use_model("hòa bình nghành");
    const struct {
        DWORD options;
        const char* text;
    } cases[] = {
        {DEFAULT_OPTIONS, "Hoà bình ngành"},
        {DEFAULT_OPTIONS | OPT_OLD_TONE, "Hòa bình ngành"},
        {DEFAULT_OPTIONS & ~OPT_AUTO_CORRECT, "Hoà bình nghành"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(write_typing_options(0, c.options));
        std::string reply = record(wav(0.5, 1, 0.5, 0.3));
        EXPECT_EQ(field(reply, "raw"), "Hòa bình nghành");
        EXPECT_EQ(field(reply, "text"), c.text) << std::hex << c.options;
    }
}
#endif

TEST_F(VoiceRequests, StopAnswersSilenceBelowTheThresholds)
{
    use_model("xin chào");
    struct Case {
        const char* name;
        std::string wav;
        const char* rms;
    };
    const Case cases[] = {
        {"0.2 s of loud speech", wav(0, 0.2, 0, 0.5), "0.5000"},
        {"10 s at level 0.005", wav(0, 10, 0, 0.005), "0.0050"},
        {"empty file", wav(0, 0, 0, 0), "0.0000"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(record(c.wav), std::string(R"({"ok":true,"text":"","raw":"","silence":true,"rms":)") + c.rms + "}")
            << c.name;
    }
    EXPECT_EQ(request(R"({"cmd":"stop"})"), R"({"ok":true,"text":"","raw":"","silence":true,"rms":0.0000})");
}

TEST_F(VoiceRequests, LowConfidenceEmptiesTheTranscript)
{
    const std::pair<const char*, const char*> cases[] = {{"-1.6", "-1.600"}, {"-1.5", "-1.500"}, {"none", "0.000"}};
    for (auto [logProb, conf] : cases) {
        VoiceHelperState fresh;
        fresh.helperDir = helper.helperDir();
        use_model("xin chào", logProb);
        std::string path = utf8_path(helper.folder().write("speech.wav", wav(0, 1, 0, 0.3)));
        std::string reply = handle_voice_request(fresh, R"({"cmd":"file","path":")" + json_escape(path) + "\"}").line;
        EXPECT_EQ(field(reply, "conf"), conf) << logProb;
        EXPECT_EQ(field(reply, "raw"), std::string(logProb) == "-1.6" ? "" : "Xin chào") << logProb;
        EXPECT_EQ(field(reply, "ok"), "true");
    }
}

TEST_F(VoiceRequests, FileReadsThePathAndReportsReaderErrors)
{
    use_model("một hai ba");
    std::string good = utf8_path(helper.folder().write("dir with space/good.wav", wav(0, 1, 0, 0.3)));
    std::string text = utf8_path(helper.folder().write("text.wav", "hello"));
    const std::pair<std::string, std::string> cases[] = {
        {R"({"cmd":"file","path":")" + json_escape(text) + "\"}", R"({"ok":false,"error":"not a wav file"})"},
        {R"({"cmd":"file","path":")" + json_escape(good) + "x\"}", R"({"ok":false,"error":"no such file"})"},
        {R"({"cmd":"file"})", R"({"ok":false,"error":"bad request"})"},
        {R"({"cmd":"file","path":")" + std::string(300, 'a') + "\"}", R"({"ok":false,"error":"path too long"})"},
    };
    for (const auto& [line, reply] : cases)
        EXPECT_EQ(request(line), reply) << line;

    std::string reply = request(R"({"cmd":"file","path":")" + json_escape(good) + "\"}");
    EXPECT_EQ(field(reply, "raw"), "Một hai ba");
    EXPECT_EQ(field(reply, "rms"), "<absent>");
    EXPECT_EQ(field(reply, "audio_s"), "1.00");
}

TEST_F(VoiceRequests, TestInputNamedByATextFileIsReadAtEachStart)
{
    use_model("%n");
    std::filesystem::path list
        = helper.folder().write("INPUT.TXT", utf8_path(helper.folder().write("a.wav", wav(0, 1, 0, 0.3))) + "\r\n");
    set_env("MIRADOT_VOICE_TEST_WAV", utf8_path(list));
    request(R"({"cmd":"start"})");
    EXPECT_EQ(field(request(R"({"cmd":"stop"})"), "raw"), "16000");

    helper.folder().write("INPUT.TXT", utf8_path(helper.folder().write("b.wav", wav(0, 2, 0, 0.3))));
    request(R"({"cmd":"start"})");
    EXPECT_EQ(field(request(R"({"cmd":"stop"})"), "raw"), "32000");

    helper.folder().write("INPUT.TXT", utf8_path(helper.folder().path() / "gone.wav"));
    EXPECT_EQ(request(R"({"cmd":"start"})"), R"({"ok":false,"error":"no such file"})");
    EXPECT_EQ(field(request(R"({"cmd":"ping"})"), "recording"), "false");
}

TEST_F(VoiceRequests, CancelAndQuitDropTheRecording)
{
    use_model("xin chào");
    set_env("MIRADOT_VOICE_TEST_WAV", utf8_path(helper.folder().write("in.wav", wav(0, 1, 0, 0.3))));
    request(R"({"cmd":"start"})");
    EXPECT_EQ(field(request(R"({"cmd":"ping"})"), "recording"), "true");
    EXPECT_EQ(request(R"({"cmd":"cancel"})"), R"({"ok":true})");
    EXPECT_EQ(field(request(R"({"cmd":"ping"})"), "recording"), "false");
    EXPECT_EQ(field(request(R"({"cmd":"stop"})"), "silence"), "true");

    request(R"({"cmd":"start"})");
    EXPECT_EQ(request(R"({"cmd":"quit"})", false), R"({"ok":true})");
    EXPECT_EQ(field(request(R"({"cmd":"ping"})"), "recording"), "false");
}

TEST_F(VoiceRequests, MicrophoneFailureIsReportedByStop)
{
    use_model("xin chào");
    EXPECT_EQ(request(R"({"cmd":"start"})"), R"({"ok":true})");
    std::string reply = request(R"({"cmd":"stop"})");
    if (field(reply, "ok") == "false") {
        EXPECT_EQ(field(reply, "error").rfind("microphone error 0x", 0), 0u) << reply;
        EXPECT_EQ(field(reply, "error").size(), 27u) << reply;
    } else {
        EXPECT_NE(field(reply, "rms"), "<absent>") << reply;  // a machine with a recording device
    }
    EXPECT_EQ(field(request(R"({"cmd":"ping"})"), "recording"), "false");
}

// The real library decoding spoken Vietnamese (espeak-ng, 22,050 Hz) with
// the tiny model, through every request that transcribes.
TEST_F(VoiceRequests, RealLibraryTranscribesSpeechEndToEnd)
{
    helper.install_library(real_library_dir() / SHERPA_LIBRARY_NAME);
    set_env("MIRADOT_VOICE_MODEL_DIR", utf8_path(helper.tiny_model()));
    ASSERT_EQ(field(request(R"({"cmd":"ping"})"), "ready"), "true");

    std::string fileReply = request(R"({"cmd":"file","path":")" + json_escape(utf8_path(speech_wav())) + "\"}");
    set_env("MIRADOT_VOICE_TEST_WAV", utf8_path(speech_wav()));
    ASSERT_EQ(request(R"({"cmd":"start"})"), R"({"ok":true})");
    std::string stopReply = request(R"({"cmd":"stop"})");
    for (const std::string& reply : {fileReply, stopReply}) {
        EXPECT_EQ(field(reply, "ok"), "true") << reply;
        EXPECT_EQ(field(reply, "raw"), "Xin chào") << reply;
        EXPECT_EQ(field(reply, "text").rfind("Xin chào", 0), 0u) << reply;
        EXPECT_GT(std::stod(field(reply, "audio_s")), 0.5) << reply;
        EXPECT_EQ(field(reply, "conf"), "-0.300") << reply;
    }
    EXPECT_EQ(field(fileReply, "rms"), "<absent>");
    EXPECT_GT(std::stod(field(stopReply, "rms")), 0.006) << stopReply;
}

}  // namespace
