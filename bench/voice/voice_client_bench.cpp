// The voice client as a user meets it, in the text service host of the tests
// (run from beside its staged install folder): hotkey to the listening note
// with a cold helper and with a warm one, and second hotkey to the inserted
// text for a 5 s utterance decoded with the tests' tiny model.
//   voice_client_bench [rounds]
#include "host_fixture.h"

#include "../../common/open_file.h"
#include "../../common/pipe.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

bool listening()
{
    HWND note = FindWindowW(L"miraDotVoiceNote", nullptr);
    return note && IsWindowVisible(note) && window_text(note).rfind(L"\U0001F399", 0) == 0;
}

// The test speech repeated to exactly five seconds, as a WAV file beside it.
std::wstring five_second_speech(const char* speech)
{
    std::vector<uint8_t> wav;
    const char data[] = "data";
    if (miradot::read_whole_file(speech, wav) != miradot::ReadResult::Read)
        return {};
    auto at = std::search(wav.begin(), wav.end(), data, data + 4);
    if (wav.size() < 44 || at == wav.end())
        return {};
    size_t header = at - wav.begin() + 8;
    uint32_t bytesPerSecond;
    std::memcpy(&bytesPerSecond, &wav[28], 4);
    std::vector<uint8_t> samples(wav.begin() + header, wav.end());
    if (samples.empty())
        return {};
    std::vector<uint8_t> out(wav.begin(), wav.begin() + header);
    size_t wanted = bytesPerSecond * 5;
    while (out.size() - header < wanted)
        out.insert(out.end(), samples.begin(),
                   samples.begin() + std::min(samples.size(), wanted - (out.size() - header)));
    uint32_t dataSize = static_cast<uint32_t>(wanted), riffSize = static_cast<uint32_t>(out.size() - 8);
    std::memcpy(&out[header - 4], &dataSize, 4);
    std::memcpy(&out[4], &riffSize, 4);
    std::string path = std::string(speech) + ".5s.wav";
    FILE* file = std::fopen(path.c_str(), "wb");
    bool written = file && std::fwrite(out.data(), 1, out.size(), file) == out.size();
    if (file)
        std::fclose(file);
    return written ? std::wstring(path.begin(), path.end()) : std::wstring();
}

}  // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    if (!use_own_desktop())
        return 2;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::wstring speech = five_second_speech(SPEECH_WAV);
    if (speech.empty() || !register_text_service()) {
        std::fprintf(stderr, "needs the host test's staged install folder and the test speech\n");
        return 1;
    }
    SetEnvironmentVariableW(L"MIRADOT_SETTINGS_KEY", settings_key().c_str());
    SetEnvironmentVariableW(L"MIRADOT_VOICE_TAG", (L"bench" + std::to_wstring(GetCurrentProcessId())).c_str());
    SetEnvironmentVariableW(L"MIRADOT_VOICE_MODEL_DIR", L"" TINY_MODEL_DIR);
    SetEnvironmentVariableW(L"MIRADOT_VOICE_TEST_WAV", speech.c_str());

    auto* threadMgr = new HostThreadMgr();
    HostDocument document;
    if (threadMgr->activate_processor() != S_OK)
        return 1;
    threadMgr->set_focus(&document);
    document.window = create_document_window(&document, 0, 40, 40);
    auto voice_key = [&] { threadMgr->press('V', false, true, true); };

    std::vector<double> open, stop;
    double cold = 0;
    for (int round = 0; round <= rounds; ++round) {
        Clock::time_point start = Clock::now();
        voice_key();
        if (!pump_until(listening, 40000)) {
            std::fprintf(stderr, "no listening note\n");
            return 1;
        }
        (round == 0 ? cold : open.emplace_back()) = ms_since(start);
        size_t before = document.text().size();
        start = Clock::now();
        voice_key();
        if (!pump_until([&] { return document.text().size() > before; }, 40000)) {
            std::fprintf(stderr, "no text inserted\n");
            return 1;
        }
        stop.push_back(ms_since(start));
        threadMgr->type(L" ");
    }
    std::printf("voice client under Wine, tiny model, %d rounds\n", rounds);
    std::printf("  hotkey to listening note, cold helper:  %8.1f ms\n", cold);
    std::printf("  hotkey to listening note, warm helper:  %8.1f ms (median)\n", median(open));
    std::printf("  stop to inserted text, 5 s utterance:   %8.1f ms (median)\n", median(stop));

    char reply[VOICE_QUIT_REPLY];
    pipe_request(PipeKind::Voice, PIPE_QUIT, reply, sizeof reply, VOICE_QUIT_TIMEOUT_MS);
    threadMgr->deactivate_processor();
    threadMgr->set_focus(nullptr);
    threadMgr->Release();
    DestroyWindow(document.window);
    call_server_entry("DllUnregisterServer");
    RegDeleteTreeW(HKEY_CURRENT_USER, settings_key().c_str());
    CoUninitialize();
    return 0;
}
