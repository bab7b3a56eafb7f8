// A stand-in for the sherpa-onnx C API library with a scripted result, for
// testing the transcription road with chosen results. The "script.txt" next
// to the model folder's "tokens.txt" holds the script:
//   line 1: the result text; "%n" is replaced by the number of samples the
//           stream was given
//   line 2: the log-probability of each of the two tokens, or "none"
// A script holding "broken" makes the create call fail.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "sherpa_onnx_api.h"

#ifdef _WIN32
#define EXPORT extern "C" __declspec(dllexport)
#else
#define EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

struct Script {
    std::string text;
    bool hasLogProbs = true;
    float logProb = 0;
};

struct Stream {
    const Script* script;
    int32_t samples = 0;
};

struct Result {
    SherpaOnnxOfflineRecognizerResult record{};
    std::string text;
    float logProbs[2];
};

}  // namespace

EXPORT const SherpaOnnxOfflineRecognizer*
SherpaOnnxCreateOfflineRecognizer(const SherpaOnnxOfflineRecognizerConfig* config)
{
    std::string tokens = config->model_config.tokens;
    std::ifstream file(tokens.substr(0, tokens.find_last_of("/\\") + 1) + "script.txt");
    auto* script = new Script;
    std::string probs;
    if (!std::getline(file, script->text) || script->text == "broken") {
        delete script;
        return nullptr;
    }
    std::getline(file, probs);
    script->hasLogProbs = probs != "none";
    script->logProb = std::strtof(probs.c_str(), nullptr);
    return reinterpret_cast<const SherpaOnnxOfflineRecognizer*>(script);
}

EXPORT const SherpaOnnxOfflineStream* SherpaOnnxCreateOfflineStream(const SherpaOnnxOfflineRecognizer* recognizer)
{
    return reinterpret_cast<const SherpaOnnxOfflineStream*>(new Stream{reinterpret_cast<const Script*>(recognizer)});
}

EXPORT void SherpaOnnxAcceptWaveformOffline(const SherpaOnnxOfflineStream* stream, int32_t, const float*, int32_t n)
{
    reinterpret_cast<Stream*>(const_cast<SherpaOnnxOfflineStream*>(stream))->samples += n;
}

EXPORT void SherpaOnnxDecodeOfflineStream(const SherpaOnnxOfflineRecognizer*, const SherpaOnnxOfflineStream*) {}

EXPORT const SherpaOnnxOfflineRecognizerResult* SherpaOnnxGetOfflineStreamResult(const SherpaOnnxOfflineStream* stream)
{
    const auto* s = reinterpret_cast<const Stream*>(stream);
    auto* result = new Result;
    result->text = s->script->text;
    size_t marker = result->text.find("%n");
    if (marker != std::string::npos)
        result->text.replace(marker, 2, std::to_string(s->samples));
    result->logProbs[0] = result->logProbs[1] = s->script->logProb;
    result->record.text = result->text.c_str();
    result->record.count = 2;
    result->record.ys_log_probs = s->script->hasLogProbs ? result->logProbs : nullptr;
    return &result->record;
}

EXPORT void SherpaOnnxDestroyOfflineRecognizerResult(const SherpaOnnxOfflineRecognizerResult* r)
{
    delete reinterpret_cast<const Result*>(r);
}

#ifndef WITHOUT_DESTROY_STREAM
EXPORT void SherpaOnnxDestroyOfflineStream(const SherpaOnnxOfflineStream* stream)
{
    delete reinterpret_cast<const Stream*>(stream);
}
#endif
