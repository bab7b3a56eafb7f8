// miraDot-Voice: serves the voice pipe, or asks a running helper to quit
// ("--quit"), or transcribes one WAV file to standard output ("--once").
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

#include "diagnostics_log.h"
#include "pipe.h"
#include "recognizer.h"
#include "transcribe.h"
#include "voice_reply.h"
#include "voice_requests.h"
#include "wav_reader.h"

namespace miradot {
namespace {

std::filesystem::path helper_directory()
{
    wchar_t path[260];
    DWORD length = GetModuleFileNameW(nullptr, path, 260);
    if (length == 0 || length >= 260)
        return ".";
    return std::filesystem::path(std::wstring(path, length)).parent_path();
}

int quit_running_helper()
{
    char reply[VOICE_QUIT_REPLY];
    pipe_request(PipeKind::Voice, "{\"cmd\":\"quit\"}", reply, sizeof reply, VOICE_QUIT_TIMEOUT_MS);
    Sleep(500);
    return 0;
}

std::string transcribe_once(VoiceHelperState& state, const wchar_t* path)
{
    if (!state.recognizer)
        return write_voice_reply(voice_error(state.load_error));
    std::vector<float> samples;
    std::string error;
    if (!read_wav(path, samples, error))
        return write_voice_reply(voice_error(error));
    return write_voice_reply(transcribe(state, samples));
}

}  // namespace
}  // namespace miradot

int main()
{
    using namespace miradot;
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv && argc >= 2 && std::wstring(argv[1]) == L"--quit")
        return quit_running_helper();

    static VoiceHelperState state;
    state.helperDir = helper_directory();
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    log_set_program("miraDot-Voice");
    load_recognizer(state);
    if (!state.recognizer)
        log_event("model load error: %s", state.load_error.c_str());

    if (argv && argc >= 3 && std::wstring(argv[1]) == L"--once") {
        std::string reply = transcribe_once(state, argv[2]) + "\n";
        _setmode(_fileno(stdout), _O_BINARY);
        std::fwrite(reply.data(), 1, reply.size(), stdout);
        std::fflush(stdout);
        return 0;
    }

    log_event("helper start");
    int code = serve_pipe(
        PipeKind::Voice,
        [](const std::string& request, std::string& reply) {
            HandledRequest answer = handle_voice_request(state, request);
            reply = std::move(answer.line);
            return answer.goOn;
        },
        [] { return state.recording != REC_IDLE; });
    stop_recording(state);
    log_event("helper exit %d", code);
    return code;
}
