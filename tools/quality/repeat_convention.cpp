#include "repeat_convention.h"

#include <cstring>

namespace {

// A letter and a key that marks it or gives it a tone.
struct MarkKey {
    char letter;
    char key;
};

std::vector<MarkKey> mark_keys(Method method)
{
    bool vni = method == Method::Vni;
    std::vector<MarkKey> keys
        = vni ? std::vector<MarkKey>{{'a', '6'}, {'a', '8'}, {'e', '6'}, {'o', '6'}, {'o', '7'}, {'u', '7'}, {'d', '9'}}
              : std::vector<MarkKey>{{'a', 'a'}, {'a', 'w'}, {'e', 'e'}, {'o', 'o'},
                                     {'o', 'w'}, {'u', 'w'}, {'d', 'd'}};
    for (const char* v = "aeiouy"; *v; ++v)
        for (const char* t = vni ? "12345" : "sfrxj"; *t; ++t)
            keys.push_back({*v, *t});
    return keys;
}

}  // namespace

std::vector<RepeatCase> repeat_convention_cases(Method method)
{
    std::vector<RepeatCase> cases;
    for (const MarkKey& mk : mark_keys(method)) {
        bool stroke = mk.letter == 'd';
        for (std::string before : {"", "b", "ch", "ngh", "tr"}) {
            for (std::string between : {"", "n", "ng"}) {
                for (std::string after : {"", "n", "t", "e", "a"}) {
                    if (stroke && (!before.empty() || !between.empty()))
                        continue;  // the stroke marks an initial d
                    std::string head = before + mk.letter + between + mk.key;
                    cases.push_back({head + mk.key + after, head + after, mk.key});
                }
            }
        }
    }
    return cases;
}

const std::string& expected_with_english(const RepeatCase& c, const std::set<std::string>& english)
{
    return english.count(c.keys) ? c.keys : c.expected;
}
