// Environment variables that override paths, names and modes for tests and
// portable set-ups.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>

namespace miradot {

// The value when it holds 1 to `max_length` characters; an unset, empty or
// longer value counts as unset. Wide on Windows.
std::optional<std::filesystem::path::string_type> environment_value(const char* name, size_t max_length);

// A file or folder: 1 to 259 characters, so that it fits the programs' path
// buffers.
std::optional<std::filesystem::path> env_path(const char* name);

// A folder that names are appended to: 1 to 239 characters.
std::optional<std::filesystem::path> env_base_folder(const char* name);

}  // namespace miradot
