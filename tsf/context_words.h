// Words that a two-word correction may still rewrite after they were typed:
// the first words of the corrections whose replacement starts differently.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace miradot {

class ContextWords {
public:
    static constexpr size_t MAX_WORDS = 1024;
    static constexpr size_t MAX_LENGTH = 23;

    // Adds the words of one correction file; an unreadable file adds nothing.
    void load_file(const std::wstring& path);
    bool contains(const wchar_t* word, size_t length) const;
    size_t size() const { return words_.size(); }

private:
    void add_line(const std::string& line);

    std::vector<std::wstring> words_;
};

}  // namespace miradot
