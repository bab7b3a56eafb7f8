// Loads arbitrary bytes as a learned-data file; what loads must save and
// load back to the same tables.
#include <cstdint>
#include <cstdio>
#include <string>

#include "engine.h"
#include "fuzz_checks.h"
#include "fuzz_file.h"
#include "lexicon.h"

using namespace miradot;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = fuzz_file_path("learned");
    if (!write_fuzz_file(path, data, size))
        return 0;
    learned_clear();
    int loaded = learned_load(path.c_str());
    require(loaded >= 0);
    int entries = learned_count();
    int saved = learned_save(path.c_str());
    require(saved >= 0 && saved <= entries);
    learned_clear();
    require(learned_load(path.c_str()) == saved);
    require(learned_count() == saved);
    learned_clear();
    std::remove(path.c_str());
    return 0;
}
