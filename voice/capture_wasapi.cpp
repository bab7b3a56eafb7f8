#include <windows.h>

#include <audioclient.h>
#include <mmdeviceapi.h>

#include <cstdio>
#include <thread>

#include "capture_thread.h"
#include "helper_state.h"

namespace miradot {

namespace {

constexpr REFERENCE_TIME BUFFER_DURATION = 2000000;  // 200 ms

template <typename T> void release(T*& p)
{
    if (p)
        p->Release();
    p = nullptr;
}

WAVEFORMATEX requested_format()
{
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = 16000;
    format.nAvgBytesPerSec = 32000;
    format.nBlockAlign = 2;
    format.wBitsPerSample = 16;
    return format;
}

void drain(IAudioCaptureClient* capture, VoiceHelperState& state)
{
    for (;;) {
        UINT32 packet = 0;
        if (FAILED(capture->GetNextPacketSize(&packet)) || packet == 0)
            return;
        BYTE* data = nullptr;
        UINT32 frames = 0;
        DWORD flags = 0;
        if (FAILED(capture->GetBuffer(&data, &frames, &flags, nullptr, nullptr)))
            return;
        {
            std::lock_guard<std::mutex> guard(state.samples_lock);
            const auto* pcm = reinterpret_cast<const int16_t*>(data);
            const bool silent = flags & AUDCLNT_BUFFERFLAGS_SILENT;
            for (UINT32 i = 0; i < frames; ++i)
                state.samples.push_back(silent ? 0.0f : pcm[i] / 32768.0f);
        }
        capture->ReleaseBuffer(frames);
    }
}

}  // namespace

void capture_thread_main(VoiceHelperState& state)
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    IMMDeviceEnumerator* enumerator = nullptr;
    IMMDevice* device = nullptr;
    IAudioClient* client = nullptr;
    IAudioCaptureClient* capture = nullptr;

    WAVEFORMATEX format = requested_format();
    HRESULT hr = CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL, __uuidof(IMMDeviceEnumerator),
                                  reinterpret_cast<void**>(&enumerator));
    if (SUCCEEDED(hr))
        hr = enumerator->GetDefaultAudioEndpoint(eCapture, eConsole, &device);
    if (SUCCEEDED(hr))
        hr = device->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr, reinterpret_cast<void**>(&client));
    if (SUCCEEDED(hr))
        hr = client->Initialize(AUDCLNT_SHAREMODE_SHARED,
                                AUDCLNT_STREAMFLAGS_AUTOCONVERTPCM | AUDCLNT_STREAMFLAGS_SRC_DEFAULT_QUALITY,
                                BUFFER_DURATION, 0, &format, nullptr);
    if (SUCCEEDED(hr))
        hr = client->GetService(__uuidof(IAudioCaptureClient), reinterpret_cast<void**>(&capture));
    if (SUCCEEDED(hr))
        hr = client->Start();

    if (SUCCEEDED(hr)) {
        while (state.recording != REC_IDLE) {
            Sleep(20);
            drain(capture, state);
        }
        client->Stop();
    } else {
        char message[64];
        std::snprintf(message, sizeof message, "microphone error 0x%08lx", static_cast<unsigned long>(hr));
        std::lock_guard<std::mutex> guard(state.samples_lock);
        state.mic_error = message;
    }
    release(capture);
    release(client);
    release(device);
    release(enumerator);
    CoUninitialize();
}

}  // namespace miradot
