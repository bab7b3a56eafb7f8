#include "token_table.h"

#include <charconv>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "open_file.h"

namespace {

bool parse_id(const std::string& text, long& id) {
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data() + (text[0] == '+'), end, id);
    return error == std::errc() && stop == end;
}

std::string read_all(const std::filesystem::path& path, bool& ok) {
    std::string text;
    FILE* file = open_for_reading(path);
    ok = file != nullptr;
    if (!file) return text;
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
    std::fclose(file);
    return text;
}

}  // namespace

bool token_table_usable(const std::filesystem::path& path) {
    bool readable = false;
    std::istringstream lines(read_all(path, readable));
    if (!readable) return false;
    std::vector<bool> seen;
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::vector<std::string> parts;
        for (std::string part; fields >> part && parts.size() < 3;) parts.push_back(part);
        if (parts.empty()) continue;
        long id = 0;
        if (parts.size() > 2 || !parse_id(parts.back(), id) || id < 0 || id > 1000000) return false;
        if (static_cast<size_t>(id) >= seen.size()) seen.resize(id + 1, false);
        if (seen[id]) return false;
        seen[id] = true;
    }
    if (seen.empty()) return false;
    for (bool present : seen) {
        if (!present) return false;
    }
    return true;
}
