// miraDot-Voice: serves the voice pipe, or asks a running helper to quit
// ("--quit"), or transcribes one WAV file to standard output ("--once").
// "--help" and anything else print the usage and exit with 2.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "diagnostics_log.h"
#include "pipe.h"
#include "recognizer.h"
#include "transcribe.h"
#include "utf.h"
#include "voice_reply.h"
#include "voice_requests.h"
#include "wav_reader.h"

namespace miradot {
namespace {

// Exit codes of "--once" besides 0 (transcribed) and EXIT_USAGE.
constexpr int EXIT_USAGE = 2;
constexpr int EXIT_NO_FILE = 4;
constexpr int EXIT_NOT_WAV = 5;
constexpr int EXIT_NOT_INSTALLED = 6;

constexpr wchar_t USAGE[] = L"Cách dùng: miraDot-Voice.exe [--quit | --once TỆP.wav | --help]\n"
                            L"  (không có tham số)  chờ bộ gõ miraDot gọi để nói thành chữ\n"
                            L"  --quit              bảo trình nói thành chữ đang chạy dừng lại\n"
                            L"  --once TỆP.wav      nhận dạng một tệp WAV, in kết quả (JSON) ra đầu ra chuẩn\n";

// A console gets the text as it is, a file or pipe in UTF-8.
void print(DWORD stream, const wchar_t* text)
{
    HANDLE out = GetStdHandle(stream);
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(out, &mode)) {
        WriteConsoleW(out, text, DWORD(wcslen(text)), &written, nullptr);
        return;
    }
    std::string bytes = wide_to_utf8(text);
    WriteFile(out, bytes.data(), DWORD(bytes.size()), &written, nullptr);
}

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
    pipe_request(PipeKind::Voice, PIPE_QUIT, reply, sizeof reply, VOICE_QUIT_TIMEOUT_MS);
    Sleep(500);
    return 0;
}

struct OnceResult {
    std::string reply;
    int exitCode;
};

// The file is read before the recogniser is asked for, so that a wrong file
// is told as such on a machine without the speech model too.
OnceResult transcribe_once(VoiceHelperState& state, const wchar_t* path)
{
    std::vector<float> samples;
    std::string error;
    if (!read_wav(path, samples, error)) {
        bool missing = error == "no such file";
        print(STD_ERROR_HANDLE,
              (std::wstring(missing ? L"Không có tệp " : L"Không phải tệp WAV đọc được (cần PCM): ") + path + L"\n")
                  .c_str());
        return {write_voice_reply(voice_error(error)), missing ? EXIT_NO_FILE : EXIT_NOT_WAV};
    }
    if (!state.recognizer) {
        print(STD_ERROR_HANDLE, L"Chưa cài giọng nói: mở Cài đặt miraDot và bấm \u201cCài giọng nói\u201d.\n");
        return {write_voice_reply(voice_error(state.load_error)), EXIT_NOT_INSTALLED};
    }
    return {write_voice_reply(transcribe(state, samples)), 0};
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
    const bool once = argv && argc == 3 && std::wstring(argv[1]) == L"--once";
    if (argv && argc >= 2 && !once) {
        print(std::wstring(argv[1]) == L"--help" ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE, USAGE);
        return EXIT_USAGE;
    }

    static VoiceHelperState state;
    state.helperDir = helper_directory();
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    log_set_program("miraDot-Voice");
    load_recognizer(state);
    if (!state.recognizer)
        log_event("model load error: %s", state.load_error.c_str());

    if (once) {
        OnceResult result = transcribe_once(state, argv[2]);
        result.reply += "\n";
        _setmode(_fileno(stdout), _O_BINARY);
        std::fwrite(result.reply.data(), 1, result.reply.size(), stdout);
        std::fflush(stdout);
        return result.exitCode;
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
