// Parses arbitrary bytes as every lexicon file, then looks the lines up.
#include <cstdint>
#include <string>

#include "engine.h"
#include "fuzz_checks.h"
#include "lexicon.h"

using namespace miradot;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* bytes = reinterpret_cast<const char*>(data);
    for (char code : std::string("vfecks")) {
        lex_parse_file(code, bytes, size);
        LexiconTable* t = lex_table(code);
        require(t->capacity == 0 || t->capacity >= 2 * t->size);
    }
    std::string text(bytes, size);
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find_first_of("\t\n", start);
        std::string key = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        lex_count('v', key.c_str());
        lex_value('c', key.c_str());
        lex_count('e', key.c_str());
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    for (char code : std::string("vflrecks"))
        lex_clear(code);
    return 0;
}
