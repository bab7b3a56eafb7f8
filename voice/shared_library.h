// Run-time loading of a shared library by path and of its functions by name.
#pragma once

#include <filesystem>

namespace miradot {

// The recogniser library's file name inside the helper's "voice" folder.
#ifdef _WIN32
constexpr const char* SHERPA_LIBRARY_NAME = "sherpa-onnx-c-api.dll";
#else
constexpr const char* SHERPA_LIBRARY_NAME = "libsherpa-onnx-c-api.so";
#endif

// Null when the library cannot be loaded. The library's own dependencies are
// looked up in its folder first. Loaded libraries stay loaded.
void* open_library(const std::filesystem::path& path);

void* find_function(void* library, const char* name);

}  // namespace miradot
