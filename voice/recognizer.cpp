#include "recognizer.h"

#include <system_error>
#include <thread>
#include <vector>

#include "create_recognizer.h"
#include "environment.h"
#include "speech_model.h"
#include "model_check.h"
#include "shared_library.h"

namespace miradot {

namespace {

std::string utf8(const std::filesystem::path& path)
{
    std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

template <typename Function> bool resolve(void* library, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(find_function(library, name));
    return function != nullptr;
}

bool resolve_all(void* library, SherpaFunctions& f)
{
    return resolve(library, "SherpaOnnxCreateOfflineRecognizer", f.createRecognizer)
           && resolve(library, "SherpaOnnxCreateOfflineStream", f.createStream)
           && resolve(library, "SherpaOnnxAcceptWaveformOffline", f.acceptWaveform)
           && resolve(library, "SherpaOnnxDecodeOfflineStream", f.decodeStream)
           && resolve(library, "SherpaOnnxGetOfflineStreamResult", f.getResult)
           && resolve(library, "SherpaOnnxDestroyOfflineRecognizerResult", f.destroyResult)
           && resolve(library, "SherpaOnnxDestroyOfflineStream", f.destroyStream);
}

void load_engine_once(VoiceHelperState& state)
{
    if (state.engineLoaded)
        return;
    engine_load_data(utf8(state.helperDir / "data").c_str());
    state.engine = engine_create();
    state.engineLoaded = true;
}

}  // namespace

int recognizer_threads(unsigned logicalProcessors) { return std::max(2, static_cast<int>(logicalProcessors / 2)); }

void load_recognizer(VoiceHelperState& state)
{
    if (state.recognizer)
        return;
    load_engine_once(state);

    void* library = open_library(state.helperDir / "voice" / SHERPA_LIBRARY_NAME);
    if (!library) {
        state.load_error = "voice runtime missing";
        return;
    }
    SherpaFunctions functions;
    if (!resolve_all(library, functions)) {
        state.load_error = "voice runtime too old";
        return;
    }

    std::filesystem::path folder;
    if (std::optional<std::filesystem::path> chosen = env_path("MIRADOT_VOICE_MODEL_DIR")) {
        folder = *chosen;
    } else if (!default_model_dir(folder)) {
        state.load_error = "voice not installed";
        return;
    }
    const std::filesystem::path encoderFile = find_model_file(folder, "encoder", ".onnx");
    const std::filesystem::path decoderFile = find_model_file(folder, "decoder", ".onnx");
    const std::string joiner = utf8(find_model_file(folder, "joiner", ".onnx"));
    const std::string encoder = utf8(encoderFile);
    const std::string decoder = utf8(decoderFile);
    const std::filesystem::path tokensFile = folder / "tokens.txt";
    const std::string tokens = utf8(tokensFile);
    if (encoder.empty() || decoder.empty() || joiner.empty()) {
        state.load_error = "voice not installed";
        return;
    }

    // What the library cannot report, it answers by ending the helper.
    if (!transducer_files_usable(encoderFile, decoderFile, tokensFile)) {
        state.load_error = "voice model could not be loaded";
        return;
    }

    SherpaOnnxOfflineRecognizerConfig config{};
    config.feat_config.sample_rate = 16000;
    config.feat_config.feature_dim = 80;
    config.model_config.transducer.encoder = encoder.c_str();
    config.model_config.transducer.decoder = decoder.c_str();
    config.model_config.transducer.joiner = joiner.c_str();
    config.model_config.tokens = tokens.c_str();
    config.model_config.num_threads = recognizer_threads(std::thread::hardware_concurrency());
    config.model_config.provider = "cpu";
    config.decoding_method = "modified_beam_search";
    config.max_active_paths = 4;

    state.recognizer = create_recognizer(functions.createRecognizer, &config);
    if (!state.recognizer) {
        state.load_error = "voice model could not be loaded";
        return;
    }
    state.sherpa = functions;
    state.load_error.clear();
}

}  // namespace miradot
