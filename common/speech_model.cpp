#include "speech_model.h"

#include <algorithm>
#include <system_error>
#include <vector>

#include "environment.h"

namespace miradot {

namespace {

std::string utf8(const std::filesystem::path& path)
{
    std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

bool ascii_iequal(char a, char b)
{
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return lower(a) == lower(b);
}

// Matches like the platform's "prefix*suffix" search, ignoring ASCII case.
bool matches(const std::string& name, const std::string& prefix, const std::string& suffix)
{
    if (name.size() < prefix.size() + suffix.size())
        return false;
    return std::equal(prefix.begin(), prefix.end(), name.begin(), ascii_iequal)
           && std::equal(suffix.begin(), suffix.end(), name.end() - suffix.size(), ascii_iequal);
}

}  // namespace

bool speech_models_location(std::filesystem::path& folder)
{
    std::optional<std::filesystem::path> base = env_base_folder("LOCALAPPDATA");
    if (!base)
        return false;
    folder = *base / "miraDot" / "models";
    return folder.native().size() <= 195;
}

bool speech_models_folder(std::filesystem::path& folder)
{
    if (!speech_models_location(folder))
        return false;
    std::error_code ignored;
    std::filesystem::create_directory(folder.parent_path(), ignored);
    std::filesystem::create_directory(folder, ignored);
    return std::filesystem::is_directory(folder, ignored);
}

bool default_model_dir(std::filesystem::path& folder)
{
    if (!speech_models_folder(folder))
        return false;
    folder /= DEFAULT_MODEL_NAME;
    return speech_model_complete(folder);
}

bool default_model_installed()
{
    std::filesystem::path folder;
    return speech_models_location(folder) && speech_model_complete(folder / DEFAULT_MODEL_NAME);
}

bool speech_model_complete(const std::filesystem::path& folder)
{
    std::error_code ignored;
    return std::filesystem::is_regular_file(folder / "tokens.txt", ignored)
           && !find_model_file(folder, "encoder", ".onnx").empty()
           && !find_model_file(folder, "decoder", ".onnx").empty()
           && !find_model_file(folder, "joiner", ".onnx").empty();
}

std::filesystem::path find_model_file(const std::filesystem::path& folder, const std::string& prefix,
                                      const std::string& suffix)
{
    std::vector<std::filesystem::path::string_type> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::filesystem::path name = it->path().filename();
        if (matches(utf8(name), prefix, suffix))
            names.push_back(name.native());
    }
    if (names.empty())
        return {};
    return folder / *std::min_element(names.begin(), names.end());
}

}  // namespace miradot
