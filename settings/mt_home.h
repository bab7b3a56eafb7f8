// The translation home: where the translation runtime and the language
// models live, and what is known about it.
#pragma once

#include <cstdint>
#include <string>

// MIRADOT_MT_HOME (1 to 219 characters), else LOCALAPPDATA (1 to 219) +
// "\miraDot\mt"; every level is created when missing. False when neither
// gives a folder that exists afterwards.
bool mt_home_path(std::wstring& home);

// Bytes free for the caller on the translation home's volume (the home is
// created first); 0 when unknown.
uint64_t free_space_bytes();

// What the runtime marker "ok" holds, without its line end.
constexpr char RUNTIME_VERSION[] = "python-3.14.10 ctranslate2-4.9.2 sentencepiece-0.2.3 msvc-14.51.36231";

// "runtime\ok" under the translation home opens and begins with
// RUNTIME_VERSION.
bool is_runtime_installed();
