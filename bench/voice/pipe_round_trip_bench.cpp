// Round-trip time of {"cmd":"ping"} between a client and a running voice
// helper, one connection per request as every client of the system does;
// with a WAV file, also the real-time factor of its transcription (needs an
// installed speech model).
//   pipe_round_trip_bench <path of miraDot-Voice.exe> [requests] [wav path]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "json.h"
#include "pipe.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: pipe_round_trip_bench <miraDot-Voice.exe> [requests] [wav path]\n");
        return 1;
    }
    const int requests = argc > 2 ? std::atoi(argv[2]) : 300;
    std::string tag = "bench" + std::to_string(GetCurrentProcessId());
    SetEnvironmentVariableA("MIRADOT_VOICE_TAG", tag.c_str());

    std::string commandLine = "\"" + std::string(argv[1]) + "\"";
    STARTUPINFOA startup{sizeof startup};
    PROCESS_INFORMATION helper{};
    if (!CreateProcessA(argv[1], commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &helper)) {
        std::fprintf(stderr, "cannot start %s\n", argv[1]);
        return 1;
    }
    char reply[VOICE_PING_REPLY];
    auto startClock = std::chrono::steady_clock::now();
    bool up = false;
    while (!up && std::chrono::steady_clock::now() - startClock < std::chrono::seconds(30))
        up = pipe_request(PipeKind::Voice, PIPE_PING, reply, sizeof reply, VOICE_PING_TIMEOUT_MS);
    const double startSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - startClock).count();

    std::vector<double> ms;
    for (int i = 0; up && i < requests; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        if (!pipe_request(PipeKind::Voice, PIPE_PING, reply, sizeof reply, VOICE_PING_TIMEOUT_MS))
            break;
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    // The helper's own "stt_s" has 10 ms steps; the request's wall time,
    // which adds reading the file and the pipe, also resolves short files.
    std::string transcription;
    double fileSeconds = 0;
    if (up && argc > 3) {
        std::string request = "{\"cmd\":\"file\",\"path\":\"" + json_escape(argv[3]) + "\"}";
        std::vector<char> answer(VOICE_WORK_REPLY);
        auto t0 = std::chrono::steady_clock::now();
        if (pipe_request(PipeKind::Voice, request.c_str(), answer.data(), answer.size(), VOICE_STOP_TIMEOUT_MS))
            transcription = answer.data();
        fileSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    pipe_request(PipeKind::Voice, PIPE_QUIT, reply, sizeof reply, VOICE_QUIT_TIMEOUT_MS);
    WaitForSingleObject(helper.hProcess, 10000);
    CloseHandle(helper.hProcess);
    CloseHandle(helper.hThread);
    if (ms.empty()) {
        std::fprintf(stderr, "helper did not answer\n");
        return 1;
    }
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double v : ms)
        sum += v;
    std::printf("helper start to first answer: %.2f s\n", startSeconds);
    std::printf("ping round trip over %zu requests: mean %.3f ms, median %.3f ms, p99 %.3f ms, max %.3f ms\n",
                ms.size(), sum / ms.size(), ms[ms.size() / 2], ms[ms.size() * 99 / 100], ms.back());
    if (!transcription.empty()) {
        char audio[32], stt[32];
        if (json_field(transcription.c_str(), "audio_s", audio, sizeof audio)
            && json_field(transcription.c_str(), "stt_s", stt, sizeof stt) && std::atof(audio) > 0) {
            std::printf("decoding: %s s of audio, helper's stt_s %s s, file request %.3f s, real-time factor %.4f\n",
                        audio, stt, fileSeconds, fileSeconds / std::atof(audio));
        } else {
            std::printf("decoding not measured: %s\n", transcription.c_str());
        }
    }
    return 0;
}
