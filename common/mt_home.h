// The translation home: where the translation runtime and the language
// models live, and the checks the text service makes before it starts the
// translation service.
#pragma once

#include <cstdint>
#include <string>

// MIRADOT_MT_HOME when it has 1 to 219 characters, else LOCALAPPDATA (1 to
// 219 characters) + "\miraDot\mt"; every level is created when missing.
// False when neither variable gives a home.
bool mt_home_path(std::wstring& home);

// The same path without creating anything, for what only looks: a home
// that does not exist holds nothing installed.
bool mt_home_location(std::wstring& home);

// What the runtime marker "runtime\ok" begins with, written by the runtime
// installer.
constexpr char RUNTIME_VERSION[] = "python-3.14.10 ctranslate2-4.9.2 sentencepiece-0.2.3 msvc-14.51.36231";

// "runtime\ok" in the home starts with RUNTIME_VERSION.
bool is_runtime_installed(const std::wstring& home);
// The same for the home mt_home_path gives.
bool is_runtime_installed();

// Bytes free for the caller on the translation home's volume (asked of its
// nearest folder that exists); 0 when unknown.
uint64_t free_space_bytes();

// Both model folders of the language ("en-xx" and "xx-en") hold "model.bin".
bool is_language_installed(const std::wstring& home, const char* code);

// A home, its runtime and at least one language.
bool translation_installed();

struct MtLanguage {
    const char* code;
    const wchar_t* name;  // "Tiếng Việt"
};
constexpr int MT_LANGUAGE_COUNT = 29;
extern const MtLanguage MT_LANGUAGES[MT_LANGUAGE_COUNT];

// The table name, or null for an unknown code.
const wchar_t* mt_language_name(const char* code);
