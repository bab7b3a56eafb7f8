// The translation home: where the translation runtime and the language
// models live, and the checks the text service makes before it starts the
// translation service.
#pragma once

#include <string>

// MIRADOT_MT_HOME when it has 1 to 219 characters, else LOCALAPPDATA (1 to
// 219 characters) + "\miraDot\mt"; every level is created when missing.
// False when neither variable gives a home.
bool mt_home_path(std::wstring& home);

// "runtime\ok" in the home starts with the version line the runtime
// installer writes.
bool is_runtime_installed(const std::wstring& home);

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
