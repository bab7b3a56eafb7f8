#include "recognizer.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

#include "create_recognizer.h"
#include "environment.h"
#include "model_check.h"
#include "shared_library.h"

namespace miradot {

namespace {

std::string utf8(const std::filesystem::path& path) {
    std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

template <typename Function>
bool resolve(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(find_function(library, name));
    return function != nullptr;
}

bool resolve_all(void* library, SherpaFunctions& f) {
    return resolve(library, "SherpaOnnxCreateOfflineRecognizer", f.createRecognizer) &&
           resolve(library, "SherpaOnnxCreateOfflineStream", f.createStream) &&
           resolve(library, "SherpaOnnxAcceptWaveformOffline", f.acceptWaveform) &&
           resolve(library, "SherpaOnnxDecodeOfflineStream", f.decodeStream) &&
           resolve(library, "SherpaOnnxGetOfflineStreamResult", f.getResult) &&
           resolve(library, "SherpaOnnxDestroyOfflineRecognizerResult", f.destroyResult) &&
           resolve(library, "SherpaOnnxDestroyOfflineStream", f.destroyStream);
}

void load_engine_once(VoiceHelperState& state) {
    if (state.engineLoaded) return;
    engine_load_data(utf8(state.helperDir / "data").c_str());
    state.engine = engine_create();
    state.engineLoaded = true;
}

bool ascii_iequal(char a, char b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return lower(a) == lower(b);
}

// Matches like the platform's "prefix*suffix" search, ignoring ASCII case.
bool matches(const std::string& name, const std::string& prefix, const std::string& suffix) {
    if (name.size() < prefix.size() + suffix.size()) return false;
    return std::equal(prefix.begin(), prefix.end(), name.begin(), ascii_iequal) &&
           std::equal(suffix.begin(), suffix.end(), name.end() - suffix.size(), ascii_iequal);
}

}  // namespace

int recognizer_threads(unsigned logicalProcessors) { return std::max(2, static_cast<int>(logicalProcessors / 2)); }

bool default_model_dir(std::filesystem::path& folder) {
    std::optional<std::filesystem::path> base = env_base_folder("LOCALAPPDATA");
    if (!base) return false;
    std::error_code ignored;
    folder = *base / "miraDot";
    std::filesystem::create_directory(folder, ignored);
    folder /= "models";
    std::filesystem::create_directory(folder, ignored);
    if (folder.native().size() > 195) return false;
    folder /= DEFAULT_MODEL_NAME;
    return std::filesystem::exists(folder / "tokens.txt", ignored);
}

std::filesystem::path find_model_file(const std::filesystem::path& folder, const std::string& prefix,
                                      const std::string& suffix) {
    std::vector<std::filesystem::path::string_type> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::filesystem::path name = it->path().filename();
        if (matches(utf8(name), prefix, suffix)) names.push_back(name.native());
    }
    if (names.empty()) return {};
    return folder / *std::min_element(names.begin(), names.end());
}

void load_recognizer(VoiceHelperState& state) {
    if (state.recognizer) return;
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
