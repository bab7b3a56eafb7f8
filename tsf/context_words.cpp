#include "context_words.h"

#include <windows.h>

#include "open_file.h"
#include "utf.h"

#include <algorithm>

namespace miradot {

namespace {

constexpr uint64_t MAX_FILE_BYTES = 64LL * 1024 * 1024;

std::wstring to_lower_utf16(const std::string& utf8)
{
    std::wstring text = miradot::utf8_to_wide(utf8);
    CharLowerBuffW(text.data(), DWORD(text.size()));
    return text;
}

}  // namespace

void ContextWords::load_file(const std::wstring& path)
{
    std::vector<uint8_t> bytes;
    if (miradot::read_whole_file(path, bytes, MAX_FILE_BYTES) != miradot::ReadResult::Read)
        return;
    std::string image(bytes.begin(), bytes.end());
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

}  // namespace miradot
