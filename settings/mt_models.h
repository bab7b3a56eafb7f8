// The language packs on disk: which are installed, and removing one.
#pragma once

#include <string>

// Both "model.bin" files of the pack ("en-<code>" and "<code>-en") exist
// below the translation home.
bool is_language_installed(const std::wstring& home, const std::string& code);

// The remove job: asks the translation service to unload its models (and to
// quit when a model file stays locked), then deletes both model folders.
// True with the success line in text, or false with the failure line.
bool remove_language(const std::string& code, std::wstring& text);
