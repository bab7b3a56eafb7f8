// Types arbitrary bytes through every key operation of the engine.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine.h"
#include "fuzz_checks.h"

namespace {

void check_output(const EngineOutput& out)
{
    require_terminated(out.text, sizeof out.text);
    require_terminated(out.preedit, sizeof out.preedit);
    require(well_formed_utf8(out.text));
    require(well_formed_utf8(out.preedit));
    require(out.deleteCount >= 0 && out.deleteCount < 1024);
}

bool g_loaded = false;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!g_loaded) {
        g_loaded = true;
        if (const char* dir = std::getenv("MIRADOT_FUZZ_DATA"))
            engine_load_data(dir);
    }
    if (size < 2)
        return 0;
    EngineContext* ctx = engine_create();
    engine_set_method(ctx, data[0] & 1);
    engine_set_options(ctx, data[1] | (data[0] & 0x80 ? 0 : DEFAULT_OPTIONS));
    std::string keys(reinterpret_cast<const char*>(data + 2), size - 2);
    keys.erase(std::find(keys.begin(), keys.end(), '\0'), keys.end());  // the engine reads C strings

    std::vector<char> buffer(keys.size() * 4 + 64);
    int length = engine_feed_text(ctx, keys.c_str(), buffer.data(), static_cast<int>(buffer.size()));
    require(length >= 0 && length < static_cast<int>(buffer.size()) && buffer[length] == 0);
    require(well_formed_utf8(buffer.data()));

    // The same bytes as single key operations, with the fuzzer choosing.
    EngineOutput out;
    for (unsigned char b : keys) {
        switch (b % 16) {
        case 0:
            engine_backspace(ctx, &out);
            break;
        case 1:
            engine_swap(ctx, &out);
            break;
        case 2:
            engine_flush(ctx, &out);
            break;
        case 3:
            engine_reset(ctx);
            continue;
        default:
            engine_key(ctx, b < 0x80 ? b : 0x1EA0u + b, &out);
        }
        check_output(out);
        char alt[16];
        engine_alternative(ctx, alt, sizeof alt);
        require(engine_pending_span(ctx) >= 0);
    }
    engine_destroy(ctx);
    return 0;
}
