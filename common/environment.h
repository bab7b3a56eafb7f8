// Reads environment variables that name files or folders.
#pragma once

#include <filesystem>
#include <optional>

// The value when it holds 1 to 259 characters; longer values do not fit the
// helper's path buffers and count as unset.
std::optional<std::filesystem::path> env_path(const char* name);

// The value when it holds 1 to 239 characters (room for the model folder
// names appended to it).
std::optional<std::filesystem::path> env_base_folder(const char* name);
