// Cleans arbitrary text with every option combination that matters.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "engine.h"
#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    text.erase(std::find(text.begin(), text.end(), '\0'), text.end());  // the engine reads C strings
    EngineContext* ctx = engine_create();
    engine_set_options(ctx, (data[0] & 1 ? OPT_AUTO_CORRECT : 0) | (data[0] & 2 ? OPT_OLD_TONE : 0));
    int bufferSize = data[0] >> 2 ? (data[0] >> 2) : static_cast<int>(text.size() * 2 + 8);
    std::vector<char> buffer(bufferSize);
    int corrections = engine_clean_text(ctx, text.c_str(), buffer.data(), bufferSize);
    require(corrections >= 0 && corrections <= static_cast<int>(text.size()) + 1);  // two per word at most
    require_terminated(buffer.data(), buffer.size());
    if (well_formed_utf8(text.c_str()))
        require(well_formed_utf8(buffer.data()));
    engine_destroy(ctx);
    return 0;
}
