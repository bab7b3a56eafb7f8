// The voice helper's process-wide state, shared by the request handler, the
// recogniser binding and the capture thread.
#pragma once

#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "engine.h"
#include "sherpa_onnx_api.h"

namespace miradot {

constexpr int REC_IDLE = 0;
constexpr int REC_MICROPHONE = 1;
constexpr int REC_TEST_FILE = 2;

struct SherpaFunctions {
    SherpaOnnxCreateOfflineRecognizerFn createRecognizer = nullptr;
    SherpaOnnxCreateOfflineStreamFn createStream = nullptr;
    SherpaOnnxAcceptWaveformOfflineFn acceptWaveform = nullptr;
    SherpaOnnxDecodeOfflineStreamFn decodeStream = nullptr;
    SherpaOnnxGetOfflineStreamResultFn getResult = nullptr;
    SherpaOnnxDestroyOfflineRecognizerResultFn destroyResult = nullptr;
    SherpaOnnxDestroyOfflineStreamFn destroyStream = nullptr;
};

class CaptureThread;

struct VoiceHelperState {
    std::filesystem::path helperDir;  // holds "data" and "voice"
    std::string load_error;
    const SherpaOnnxOfflineRecognizer* recognizer = nullptr;
    SherpaFunctions sherpa;
    EngineContext* engine = nullptr;
    bool engineLoaded = false;

    // Written by the main thread only; the capture thread polls it.
    std::atomic<int> recording{REC_IDLE};
    CaptureThread* capture_thread = nullptr;

    std::mutex samples_lock;  // guards samples and mic_error
    std::vector<float> samples;
    std::string mic_error;
};

}  // namespace miradot
