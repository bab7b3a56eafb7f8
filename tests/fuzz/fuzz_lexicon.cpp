// Parses arbitrary bytes as every lexicon file, then looks the lines up.
#include <cstdint>
#include <string>

#include "engine.h"
#include "fuzz_checks.h"
#include "lexicon.h"
#include "lexicon_loader.h"

using namespace miradot;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* bytes = reinterpret_cast<const char*>(data);
    for (Table table : {Table::Syllables, Table::SyllableFrequencies, Table::English, Table::Corrections,
                        Table::KeptPairs, Table::Shorthand}) {
        lex_parse_file(table, bytes, size);
        LexiconTable* t = lex_table(table);
        require(t->capacity == 0 || t->capacity >= 2 * t->size);
    }
    std::string text(bytes, size);
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find_first_of("\t\n", start);
        std::string key = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        lex_count(Table::Syllables, key.c_str());
        lex_value(Table::Corrections, key.c_str());
        lex_count(Table::English, key.c_str());
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    for (Table table : ALL_TABLES)
        lex_clear(table);
    return 0;
}
