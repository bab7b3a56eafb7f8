#include "context_words.h"

#include <windows.h>

#include <algorithm>

namespace {

constexpr LONGLONG MAX_FILE_BYTES = 64LL * 1024 * 1024;

bool read_whole_file(const std::wstring& path, std::string* out)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart >= 1 && size.QuadPart <= MAX_FILE_BYTES;
    if (ok) {
        out->resize(size_t(size.QuadPart));
        DWORD read = 0;
        ok = ReadFile(file, out->data(), DWORD(out->size()), &read, nullptr) && read == out->size();
    }
    CloseHandle(file);
    return ok;
}

std::wstring to_lower_utf16(const std::string& utf8)
{
    int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    if (length <= 0)
        return {};
    std::wstring text(size_t(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), text.data(), length);
    CharLowerBuffW(text.data(), DWORD(length));
    return text;
}

} // namespace

void ContextWords::load_file(const std::wstring& path)
{
    std::string image;
    if (!read_whole_file(path, &image))
        return;
    size_t start = 0;
    while (start < image.size() && words_.size() < MAX_WORDS) {
        size_t end = image.find('\n', start);
        if (end == std::string::npos)
            end = image.size();
        add_line(image.substr(start, end - start));
        start = end + 1;
    }
}

void ContextWords::add_line(const std::string& line)
{
    size_t tab = line.find('\t');
    if (line.empty() || line[0] == '#' || tab == std::string::npos)
        return;
    std::string key = line.substr(0, tab);
    std::string value = line.substr(tab + 1);
    size_t keySpace = key.find(' ');
    size_t valueSpace = value.find(' ');
    if (keySpace == std::string::npos || valueSpace == std::string::npos)
        return;
    std::string first = key.substr(0, keySpace);
    if (first == value.substr(0, valueSpace))
        return;
    std::wstring word = to_lower_utf16(first);
    if (word.empty() || word.size() > MAX_LENGTH)
        return;
    if (std::find(words_.begin(), words_.end(), word) == words_.end())
        words_.push_back(word);
}

bool ContextWords::contains(const wchar_t* word, size_t length) const
{
    if (length < 1 || length > MAX_LENGTH)
        return false;
    std::wstring lower(word, length);
    CharLowerBuffW(lower.data(), DWORD(length));
    return std::find(words_.begin(), words_.end(), lower) != words_.end();
}
