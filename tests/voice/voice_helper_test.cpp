// The voice helper as a real process, reached over its real pipe.
#include <gtest/gtest.h>

#include "json.h"
#include "pipe.h"
#include "process_support.h"
#include "test_folder.h"
#include "utf.h"
#include "wav_builder.h"

namespace {

std::string field(const std::string& reply, const char* name)
{
    char value[512];
    return json_field(reply.c_str(), name, value, sizeof value) ? value : "<absent>";
}

std::string call(const std::string& request, unsigned timeoutMs = VOICE_STOP_TIMEOUT_MS)
{
    char reply[VOICE_WORK_REPLY];
    return pipe_request(PipeKind::Voice, request.c_str(), reply, sizeof reply, timeoutMs) ? reply : "<no answer>";
}

std::string wav(double seconds, double level)
{
    std::vector<int16_t> samples(static_cast<size_t>(seconds * 16000));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>((i % 2 ? 1 : -1) * level * 32768);
    std::vector<uint8_t> bytes = WavBuilder().format(1, 1, 16000, 16).pcm16(samples).bytes;
    return std::string(bytes.begin(), bytes.end());
}

std::filesystem::path stage()
{
    wchar_t path[MAX_PATH];
    DWORD length = GetEnvironmentVariableW(L"MIRADOT_TEST_STAGE", path, MAX_PATH);
    return length ? std::filesystem::path(path) : std::filesystem::path();
}

// Asks the helper to end and checks that it ends normally.
void quit(Process& server)
{
    EXPECT_EQ(call(R"({"cmd":"quit"})"), R"({"ok":true})");
    EXPECT_EQ(server.wait(10000), 0);
}

enum class Runtime { None, Real, Scripted };

// A helper installed in a folder of its own, with its own tag, model folder
// and test input list.
class Helper {
public:
    explicit Helper(Runtime runtime) : tag_(unique_tag(L"v"))
    {
        std::filesystem::path dir = folder_.path() / "install";
        std::filesystem::create_directories(dir / "voice");
        std::filesystem::copy_file(stage() / "miraDot-Voice.exe", dir / "miraDot-Voice.exe");
        if (runtime == Runtime::Real) {
            for (const auto& entry : std::filesystem::directory_iterator(stage() / "voice"))
                std::filesystem::copy_file(entry.path(), dir / "voice" / entry.path().filename());
        } else if (runtime == Runtime::Scripted) {
            std::filesystem::copy_file(test_bin_dir() / "scripted" / "sherpa-onnx-c-api.dll",
                                       dir / "voice" / "sherpa-onnx-c-api.dll");
        }
        program_ = dir / "miraDot-Voice.exe";
        inputList_ = folder_.write("input.txt", "");
        std::filesystem::create_directories(folder_.path() / "appdata");
        env_ = std::make_unique<ScopedEnv>(ScopedEnv::Values{{L"MIRADOT_VOICE_TAG", tag_},
                                                             {L"LOCALAPPDATA", (folder_.path() / "appdata").wstring()},
                                                             {L"MIRADOT_VOICE_MODEL_DIR", L""},
                                                             {L"MIRADOT_VOICE_TEST_WAV", inputList_.wstring()}});
    }

    // The tiny model that the real runtime decodes, with its own token table
    // when one is given, and the script the scripted runtime answers from.
    void tiny_model(const std::string& tokens = "", const std::string& script = "", bool withJoiner = true)
    {
        std::filesystem::path dir = folder_.path() / "model";
        std::filesystem::remove_all(dir);
        std::filesystem::copy(TINY_MODEL_DIR, dir);
        if (!withJoiner)
            std::filesystem::remove(dir / "joiner-tiny.onnx");
        if (!tokens.empty())
            folder_.write(dir / "tokens.txt", tokens);
        folder_.write(dir / "script.txt", script);
        SetEnvironmentVariableW(L"MIRADOT_VOICE_MODEL_DIR", dir.wstring().c_str());
    }

    void model(const std::string& script, bool withJoiner = true) { tiny_model("", script, withJoiner); }

    // A model whose joiner the real runtime cannot parse.
    void broken_model()
    {
        tiny_model();
        folder_.write(std::filesystem::path("model") / "joiner-tiny.onnx", "not a model");
    }

    // The next "start" records this file; an empty name means the microphone.
    std::string input(const std::string& name, const std::string& content)
    {
        std::string path;
        if (!name.empty())
            path = utf8_path(folder_.write(name, content));
        folder_.write("input.txt", path + "\n");
        return path;
    }

    // The next "start" records the file at this path.
    void input_path(const std::string& path) { folder_.write("input.txt", path + "\n"); }

    Process& serve()
    {
        server_ = std::make_unique<Process>(program_, L"");
        EXPECT_NE(call(R"({"cmd":"ping"})", 20000), "<no answer>") << "helper did not start";
        return *server_;
    }

    std::unique_ptr<Process> run(const std::wstring& arguments, bool capture = false)
    {
        return std::make_unique<Process>(program_, arguments, capture);
    }

    const std::wstring& tag() const { return tag_; }

private:
    TestFolder folder_;
    std::wstring tag_;
    std::filesystem::path program_;
    std::filesystem::path inputList_;
    std::unique_ptr<ScopedEnv> env_;
    std::unique_ptr<Process> server_;
};

TEST(VoiceHelper, WithoutRuntimeItServesAndExplains)
{
    Helper helper(Runtime::None);
    Process& server = helper.serve();
    const std::string padding(70000, 'x');
    const std::pair<std::string, const char*> cases[] = {
        {R"({"cmd":"ping"})", R"({"ok":true,"recording":false,"ready":false})"},
        {R"({"cmd":"start"})", R"({"ok":false,"error":"voice runtime missing"})"},
        {R"({"cmd":"what"})", R"({"ok":false,"error":"voice runtime missing"})"},
        {R"({"cmd":"cancel"})", R"({"ok":true})"},
        {"garbage", R"({"ok":false,"error":"bad request"})"},
        {R"({"cmd":"ping","pad":")" + padding + "\"}", R"({"ok":true,"recording":false,"ready":false})"},
        {R"({"cmd":")" + padding, R"({"ok":false,"error":"bad request"})"},  // cut inside the string
        {R"({"pad":")" + padding + R"(","cmd":"ping"})", R"({"ok":false,"error":"bad request"})"},  // past the limit
        {R"({"cmd":"quit"})", R"({"ok":true})"},
    };
    for (const auto& [request, reply] : cases)
        EXPECT_EQ(call(request), reply) << request.substr(0, 80);
    EXPECT_EQ(server.wait(10000), 0);
}

TEST(VoiceHelper, RealRuntimeReportsModelProblemsAndStaysUp)
{
    Helper helper(Runtime::Real);
    Process& server = helper.serve();
    EXPECT_EQ(call(R"({"cmd":"start"})"), R"({"ok":false,"error":"voice not installed"})");
    helper.model("a 0\n", false);
    EXPECT_EQ(call(R"({"cmd":"start"})"), R"({"ok":false,"error":"voice not installed"})");
    EXPECT_EQ(call(R"({"cmd":"ping"})"), R"({"ok":true,"recording":false,"ready":false})");
    quit(server);

    // Model files the library cannot parse, and a token table that would make
    // it end the process: the helper explains and lives on.
    helper.broken_model();
    Process& again = helper.serve();
    EXPECT_EQ(call(R"({"cmd":"start"})"), R"({"ok":false,"error":"voice model could not be loaded"})");
    helper.tiny_model("<blk> 0\n\xe2\x96\x81XIN 1 extra\n");
    EXPECT_EQ(call(R"({"cmd":"file","path":"x.wav"})"), R"({"ok":false,"error":"voice model could not be loaded"})");
    EXPECT_EQ(call(R"({"cmd":"ping"})"), R"({"ok":true,"recording":false,"ready":false})");
    quit(again);
}

TEST(VoiceHelper, RealRuntimeDecodesSpeechOnEveryRoad)
{
    Helper helper(Runtime::Real);
    helper.tiny_model();
    const std::string speech = utf8_path(std::filesystem::path(SPEECH_WAV));

    auto once = helper.run(L"--once \"" + miradot::utf8_to_wide(speech) + L"\"", true);
    std::string out = once->output();
    EXPECT_EQ(once->wait(30000), 0);
    EXPECT_EQ(field(out, "raw"), "Xin chào") << out;
    EXPECT_EQ(out.find('\n'), out.size() - 1) << out;

    Process& server = helper.serve();
    std::string reply = call(R"({"cmd":"file","path":")" + json_escape(speech) + "\"}");
    EXPECT_EQ(field(reply, "raw"), "Xin chào") << reply;
    EXPECT_EQ(field(reply, "conf"), "-0.300") << reply;

    helper.input_path(speech);
    EXPECT_EQ(call(R"({"cmd":"start"})"), R"({"ok":true})");
    reply = call(R"({"cmd":"stop"})");
    EXPECT_EQ(field(reply, "raw"), "Xin chào") << reply;
    EXPECT_NE(field(reply, "rms"), "<absent>") << reply;

    helper.input("cut.wav", wav(1, 0.3).substr(0, 30));
    EXPECT_EQ(call(R"({"cmd":"start"})"), R"({"ok":false,"error":"unsupported wav"})");
    EXPECT_EQ(call(R"({"cmd":"ping"})"), R"({"ok":true,"recording":false,"ready":true})");
    quit(server);
}

TEST(VoiceHelper, RecordsTestInputAndTranscribesFiles)
{
    Helper helper(Runtime::Scripted);
    helper.model("XIN CHÀO <unk> bạn %n\n-0.3\n");
    Process& server = helper.serve();

    helper.input("speech.wav", wav(1, 0.3));
    EXPECT_EQ(call(R"({"cmd":"start"})"), R"({"ok":true})");
    EXPECT_EQ(call(R"({"cmd":"ping"})"), R"({"ok":true,"recording":true,"ready":true})");
    std::string reply = call(R"({"cmd":"stop"})");
    EXPECT_EQ(field(reply, "raw"), "Xin chào bạn 16000") << reply;
    EXPECT_EQ(field(reply, "audio_s"), "1.00");
    EXPECT_EQ(field(reply, "rms"), "0.3000");

    helper.input("short.wav", wav(0.2, 0.5));
    call(R"({"cmd":"start"})");
    EXPECT_EQ(call(R"({"cmd":"stop"})"), R"({"ok":true,"text":"","raw":"","silence":true,"rms":0.5000})");

    // A Windows path in JSON form, each backslash doubled.
    std::string path = helper.input("dir with space/file.wav", wav(2, 0.2));
    for (char& c : path)
        c = c == '/' ? '\\' : c;
    reply = call(R"({"cmd":"file","path":")" + json_escape(path) + "\"}");
    EXPECT_EQ(field(reply, "raw"), "Xin chào bạn 32000") << reply;
    EXPECT_EQ(field(reply, "rms"), "<absent>");
    EXPECT_EQ(call(R"({"cmd":"file","path":"C:\\nowhere\\x.wav"})"), R"({"ok":false,"error":"no such file"})");

    helper.input("text.wav", "plain text");
    EXPECT_EQ(call(R"({"cmd":"start"})"), R"({"ok":false,"error":"not a wav file"})");

    quit(server);
}

TEST(VoiceHelper, MicrophoneWithoutDeviceIsAnErrorNotACrash)
{
    Helper helper(Runtime::Scripted);
    helper.model("xin chào\n-0.3\n");
    Process& server = helper.serve();
    helper.input("", "");
    EXPECT_EQ(call(R"({"cmd":"start"})"), R"({"ok":true})");
    Sleep(300);
    std::string reply = call(R"({"cmd":"stop"})");
    if (field(reply, "ok") == "false") {
        EXPECT_EQ(field(reply, "error").rfind("microphone error 0x", 0), 0u) << reply;
    } else {
        EXPECT_NE(field(reply, "rms"), "<absent>") << reply;  // a machine with a recording device
    }
    std::printf("microphone reply: %s\n", reply.c_str());
    EXPECT_EQ(call(R"({"cmd":"ping"})"), R"({"ok":true,"recording":false,"ready":true})");
    quit(server);
}

TEST(VoiceHelper, OneHelperPerTagAndQuitMode)
{
    Helper helper(Runtime::None);
    Process& server = helper.serve();
    EXPECT_EQ(helper.run(L"")->wait(20000), 3);
    EXPECT_EQ(field(call(R"({"cmd":"ping"})"), "ok"), "true");
    EXPECT_EQ(helper.run(L"--quit")->wait(20000), 0);
    EXPECT_EQ(server.wait(10000), 0);
    // "--quit" with nothing running still ends normally.
    EXPECT_EQ(helper.run(L"--quit")->wait(20000), 0);

    ScopedEnv bad(L"MIRADOT_VOICE_TAG", L"no good");
    EXPECT_EQ(helper.run(L"")->wait(20000), 2);
}

TEST(VoiceHelper, OnceModePrintsOneReplyLineAndTellsFailuresApart)
{
    Helper helper(Runtime::Scripted);
    const std::string good = helper.input("good.wav", wav(1, 0.3));
    const std::string bad = helper.input("bad.wav", "RIFF....WAVEjunkjunk");
    const std::string text = helper.input("notes.wav", "not a sound at all, just some words");
    struct Case {
        const char* name;
        bool model;
        std::string path;
        std::string expected;  // the whole line, or the raw member's value
        int exitCode;
    };
    const Case cases[] = {
        {"no model", false, good, "{\"ok\":false,\"error\":\"voice not installed\"}\n", 6},
        {"missing file without a model", false, good + ".gone", "{\"ok\":false,\"error\":\"no such file\"}\n", 4},
        {"good file", true, good, "Một hai 16000", 0},
        {"unsupported file", true, bad, "{\"ok\":false,\"error\":\"unsupported wav\"}\n", 5},
        {"not a wav file", true, text, "{\"ok\":false,\"error\":\"not a wav file\"}\n", 5},
        {"missing file", true, good + ".gone", "{\"ok\":false,\"error\":\"no such file\"}\n", 4},
    };
    for (const Case& c : cases) {
        if (c.model)
            helper.model("một HAI %n\n-0.1\n");
        auto once = helper.run(L"--once \"" + miradot::utf8_to_wide(c.path) + L"\"", true);
        std::string out = once->output();
        EXPECT_EQ(once->wait(20000), c.exitCode) << c.name;
        if (c.expected.front() == '{') {
            EXPECT_EQ(out, c.expected) << c.name;
        } else {
            EXPECT_EQ(field(out, "raw"), c.expected) << c.name << ": " << out;
            EXPECT_EQ(out.find('\n'), out.size() - 1) << c.name;
        }
    }
}

TEST(VoiceHelper, HelpAndUnknownArgumentsPrintTheUsageAndExit2)
{
    Helper helper(Runtime::None);
    auto help = helper.run(L"--help", true);
    std::string usage = help->output();
    EXPECT_EQ(help->wait(20000), 2);
    EXPECT_EQ(usage.rfind("Cách dùng: miraDot-Voice.exe", 0), 0u) << usage;
    EXPECT_NE(usage.find("--once TỆP.wav"), std::string::npos) << usage;
    // None of these starts a server: each ends at once.
    for (const wchar_t* arguments : {L"--bogus", L"--once", L"-h", L"speech.wav", L"--once a.wav b.wav"}) {
        auto run = helper.run(arguments, true);
        EXPECT_EQ(run->output(), "") << miradot::wide_to_utf8(arguments);
        EXPECT_EQ(run->wait(20000), 2) << miradot::wide_to_utf8(arguments);
    }
    EXPECT_EQ(call(R"({"cmd":"ping"})", 300), "<no answer>");
}

}  // namespace
