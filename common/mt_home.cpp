#include "mt_home.h"

#include "environment.h"

#include <windows.h>

#include <cstring>

const MtLanguage MT_LANGUAGES[MT_LANGUAGE_COUNT] = {
    {"vi", L"Tiếng Việt"},    {"zh", L"Tiếng Trung"},     {"ja", L"Tiếng Nhật"},        {"ko", L"Tiếng Hàn"},
    {"fr", L"Tiếng Pháp"},    {"de", L"Tiếng Đức"},       {"es", L"Tiếng Tây Ban Nha"}, {"ru", L"Tiếng Nga"},
    {"th", L"Tiếng Thái"},    {"id", L"Tiếng Indonesia"}, {"it", L"Tiếng Ý"},           {"pt", L"Tiếng Bồ Đào Nha"},
    {"hi", L"Tiếng Hindi"},   {"ar", L"Tiếng Ả Rập"},     {"tr", L"Tiếng Thổ Nhĩ Kỳ"},  {"pl", L"Tiếng Ba Lan"},
    {"uk", L"Tiếng Ukraina"}, {"cs", L"Tiếng Séc"},       {"sv", L"Tiếng Thuỵ Điển"},   {"da", L"Tiếng Đan Mạch"},
    {"hu", L"Tiếng Hungary"}, {"ro", L"Tiếng Romania"},   {"el", L"Tiếng Hy Lạp"},      {"he", L"Tiếng Do Thái"},
    {"fa", L"Tiếng Ba Tư"},   {"ur", L"Tiếng Urdu"},      {"bn", L"Tiếng Bengal"},      {"lv", L"Tiếng Latvia"},
    {"is", L"Tiếng Iceland"},
};

namespace {

constexpr size_t MAX_HOME_LENGTH = 219;

// The variable's value when it has 1 to 219 characters.
bool read_path_variable(const char* name, std::wstring& value)
{
    auto found = miradot::environment_value(name, MAX_HOME_LENGTH);
    if (found)
        value = *found;
    return found.has_value();
}

bool make_folder(const std::wstring& path)
{
    return CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool file_exists(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring widen_code(const char* code)
{
    std::wstring wide;
    for (const char* c = code; *c; ++c)
        wide += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    return wide;
}

}  // namespace

bool mt_home_location(std::wstring& home)
{
    if (read_path_variable("MIRADOT_MT_HOME", home))
        return true;
    std::wstring local;
    if (!read_path_variable("LOCALAPPDATA", local))
        return false;
    home = local + L"\\miraDot\\mt";
    return true;
}

bool mt_home_path(std::wstring& home)
{
    if (read_path_variable("MIRADOT_MT_HOME", home))
        return make_folder(home);
    if (!mt_home_location(home))
        return false;
    return make_folder(home.substr(0, home.rfind(L'\\'))) && make_folder(home);
}

bool is_runtime_installed(const std::wstring& home)
{
    HANDLE file = CreateFileW((home + L"\\runtime\\ok").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    char text[160] = {};
    DWORD got = 0;
    BOOL read = ReadFile(file, text, 159, &got, nullptr);
    CloseHandle(file);
    const size_t length = sizeof RUNTIME_VERSION - 1;
    return read && got >= length && std::memcmp(text, RUNTIME_VERSION, length) == 0;
}

bool is_runtime_installed()
{
    std::wstring home;
    return mt_home_location(home) && is_runtime_installed(home);
}

uint64_t free_space_bytes()
{
    std::wstring folder;
    if (!mt_home_location(folder))
        return 0;
    ULARGE_INTEGER available;
    for (;;) {
        if (GetDiskFreeSpaceExW((folder + L"\\").c_str(), &available, nullptr, nullptr))
            return available.QuadPart;
        const size_t cut = folder.rfind(L'\\');
        if (cut == std::wstring::npos || cut == 0)
            return 0;
        folder.resize(cut);
    }
}

bool is_language_installed(const std::wstring& home, const char* code)
{
    std::wstring wide = widen_code(code);
    return file_exists(home + L"\\en-" + wide + L"\\model.bin") && file_exists(home + L"\\" + wide + L"-en\\model.bin");
}

bool translation_installed()
{
    std::wstring home;
    if (!mt_home_path(home) || !is_runtime_installed(home))
        return false;
    for (const MtLanguage& language : MT_LANGUAGES)
        if (is_language_installed(home, language.code))
            return true;
    return false;
}

const wchar_t* mt_language_name(const char* code)
{
    for (const MtLanguage& language : MT_LANGUAGES)
        if (std::strcmp(language.code, code) == 0)
            return language.name;
    return nullptr;
}
