// Composes arbitrary key strings in both methods, strict and not.
#include <cstdint>
#include <initializer_list>

#include "composer.h"
#include "engine.h"
#include "fuzz_checks.h"

using namespace miradot;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0 || size > ENGINE_MAX_KEYS)
        return 0;
    const char* keys = reinterpret_cast<const char*>(data);
    for (uint32_t method : {TELEX, VNI}) {
        for (int strict : {0, 1}) {
            Syllable s;
            ComposeStats stats;
            compose(keys, static_cast<int>(size), method, strict, &s, &stats);
            require(s.count >= 0 && s.count <= MAX_LETTERS && s.tone >= 0 && s.tone <= 5);
            char rendered[256];
            render_syllable(s, strict, false, rendered, sizeof rendered);
            require(well_formed_utf8(rendered));
            is_valid_syllable(s);
            is_valid_prefix(s);
            fix_initial_spelling(&s);
            require(s.count <= MAX_LETTERS);
            char lower[256];
            to_lower_word(rendered, lower, sizeof lower);
            apply_case(rendered, lower, rendered, sizeof rendered);
            capitalize_first(lower);
            require(well_formed_utf8(lower));
        }
    }
    return 0;
}
