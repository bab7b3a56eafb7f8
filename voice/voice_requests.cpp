#include "voice_requests.h"

#include <cstdio>
#include <cstring>
#include <optional>

#include "capture_thread.h"
#include "environment.h"
#include "open_file.h"
#include "json.h"
#include "recognizer.h"
#include "voice_reply.h"
#include "speech_window.h"
#include "text_case.h"
#include "utf.h"
#include "transcribe.h"
#include "wav_reader.h"

namespace miradot {

namespace {

constexpr const char* BAD_REQUEST = "bad request";
constexpr const char* UNKNOWN_CMD = "unknown cmd";
constexpr const char* PATH_TOO_LONG = "path too long";
constexpr size_t MAX_PATH_UNITS = 259;
constexpr size_t MIN_TRANSCRIBED_SAMPLES = 4000;
constexpr double MIN_LEVEL = 0.006;

// A path given as UTF-8, or nothing when it does not fit the helper's
// 260-unit path buffers.
std::optional<std::filesystem::path> path_from_utf8(const std::string& text)
{
    if (utf8_to_utf16(text).size() > MAX_PATH_UNITS)
        return std::nullopt;
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

bool ends_with_txt(const std::filesystem::path& path)
{
    const auto& name = path.native();
    if (name.size() < 5)
        return false;
    const char* suffix = ".txt";
    for (size_t i = 0; i < 4; ++i) {
        auto c = name[name.size() - 4 + i];
        if (c >= 'A' && c <= 'Z')
            c += 32;
        if (c != static_cast<decltype(c)>(suffix[i]))
            return false;
    }
    return true;
}

// The first line of a text file, which names the WAV file to use; empty
// when the file cannot be read.
std::string first_line(const std::filesystem::path& path)
{
    FILE* file = open_for_reading(path);
    if (!file)
        return {};
    char line[780] = {};
    size_t got = std::fread(line, 1, sizeof line - 1, file);
    std::fclose(file);
    line[got] = '\0';
    return std::string(line, std::strcspn(line, "\r\n"));
}

// The WAV file that replaces the microphone for "start", if any. An empty
// path means the microphone; nothing means a path beyond the limit.
std::optional<std::filesystem::path> test_input()
{
    std::optional<std::filesystem::path> value = env_path("MIRADOT_VOICE_TEST_WAV");
    if (!value)
        return std::filesystem::path();
    if (!ends_with_txt(*value))
        return value;
    return path_from_utf8(first_line(*value));
}

void end_capture(VoiceHelperState& state, unsigned timeoutMs)
{
    if (!state.capture_thread)
        return;
    state.capture_thread->finish(timeoutMs);
    state.capture_thread = nullptr;
}

std::vector<float> take_samples(VoiceHelperState& state)
{
    std::vector<float> taken;
    std::lock_guard<std::mutex> guard(state.samples_lock);
    taken.swap(state.samples);
    return taken;
}

VoiceReply status_reply(const VoiceHelperState& state)
{
    VoiceReply reply;
    reply.form = VoiceReplyForm::Status;
    reply.recording = state.recording != REC_IDLE;
    reply.ready = state.recognizer != nullptr;
    return reply;
}

VoiceReply start(VoiceHelperState& state)
{
    if (state.capture_thread) {
        state.recording = REC_IDLE;
        end_capture(state, 2000);
    }
    {
        std::lock_guard<std::mutex> guard(state.samples_lock);
        state.samples.clear();
        state.mic_error.clear();
    }
    std::optional<std::filesystem::path> wav = test_input();
    if (!wav)
        return voice_error(PATH_TOO_LONG);
    if (!wav->empty()) {
        std::vector<float> samples;
        std::string error;
        if (!read_wav(*wav, samples, error))
            return voice_error(error);
        {
            std::lock_guard<std::mutex> guard(state.samples_lock);
            state.samples.swap(samples);
        }
        state.recording = REC_TEST_FILE;
        return {};
    }
    state.recording = REC_MICROPHONE;
    state.capture_thread = CaptureThread::start([&state] { capture_thread_main(state); });
    if (!state.capture_thread) {
        state.recording = REC_IDLE;
        return voice_error("cannot start recording");
    }
    return {};
}

VoiceReply stop(VoiceHelperState& state)
{
    std::vector<float> recording;
    if (state.recording != REC_IDLE) {
        state.recording = REC_IDLE;
        end_capture(state, 3000);
        recording = take_samples(state);
    }
    std::string micError;
    {
        std::lock_guard<std::mutex> guard(state.samples_lock);
        micError.swap(state.mic_error);
    }
    if (!micError.empty())
        return voice_error(micError);

    const double level = recording_level(recording);
    VoiceReply reply;
    if (recording.size() >= MIN_TRANSCRIBED_SAMPLES && level >= MIN_LEVEL) {
        reply = transcribe(state, recording);
    } else {
        reply.form = VoiceReplyForm::Silence;
    }
    reply.hasLevel = true;
    reply.level = level;
    return reply;
}

VoiceReply transcribe_file(VoiceHelperState& state, const char* request)
{
    char pathText[780];
    if (!json_field(request, "path", pathText, sizeof pathText))
        return voice_error(BAD_REQUEST);
    std::optional<std::filesystem::path> path = path_from_utf8(pathText);
    if (!path)
        return voice_error(PATH_TOO_LONG);
    std::vector<float> samples;
    std::string error;
    if (!read_wav(*path, samples, error))
        return voice_error(error);
    return transcribe(state, samples);
}

// The reply record to one request, and whether the server goes on.
std::pair<VoiceReply, bool> answer(VoiceHelperState& state, const std::string& request)
{
    char cmd[32];
    if (!json_field(request.c_str(), "cmd", cmd, sizeof cmd))
        return {voice_error(BAD_REQUEST), true};
    const std::string command = cmd;

    if (!state.recognizer && (command == "start" || command == "ping" || command == "file"))
        load_recognizer(state);
    if (command == "ping")
        return {status_reply(state), true};
    if (command == "quit") {
        stop_recording(state);
        return {{}, false};
    }
    if (command == "cancel") {
        stop_recording(state);
        return {{}, true};
    }
    if (!state.recognizer)
        return {voice_error(state.load_error), true};
    if (command == "start")
        return {start(state), true};
    if (command == "stop")
        return {stop(state), true};
    if (command == "file")
        return {transcribe_file(state, request.c_str()), true};
    return {voice_error(UNKNOWN_CMD), true};
}

}  // namespace

void stop_recording(VoiceHelperState& state)
{
    if (state.recording == REC_IDLE)
        return;
    state.recording = REC_IDLE;
    end_capture(state, 3000);
    take_samples(state);
}

HandledRequest handle_voice_request(VoiceHelperState& state, const std::string& request)
{
    auto [reply, goOn] = answer(state, request);
    return {write_voice_reply(reply), goOn};
}

}  // namespace miradot
