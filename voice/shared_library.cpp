#include "shared_library.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace miradot {

#ifdef _WIN32

void* open_library(const std::filesystem::path& path)
{
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void* find_function(void* library, const char* name)
{
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

#else

// The library finds its own dependencies through its $ORIGIN run path.
void* open_library(const std::filesystem::path& path) { return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }

void* find_function(void* library, const char* name) { return dlsym(library, name); }

#endif

}  // namespace miradot
