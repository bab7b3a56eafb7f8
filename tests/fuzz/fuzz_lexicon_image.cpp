// Checks arbitrary bytes as a lexicon image, then again with a header and
// checksum that fit them so that the checks of the tables see the bytes; an
// image that passes is looked up key by key, all inside the buffer.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_checks.h"
#include "lexicon.h"
#include "lexicon_image.h"

using namespace miradot;

namespace {

// Keys of a crafted image may repeat or sit away from their hash, so the
// lookups only have to stay inside the bytes.
void look_up(const char* key, const char*, uint32_t, void* user)
{
    Table table = *static_cast<const Table*>(user);
    lex_count(table, key);
    lex_value(table, key);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Aligned as a mapping is, and no larger than the input.
    if (size == 0)
        return 0;
    std::vector<uint64_t> words((size + 7) / 8);
    std::memcpy(words.data(), data, size);
    lex_image_check(words.data(), size);

    size_t length = words.size() * 8;
    if (length < sizeof(LexImageHeader))
        return 0;
    auto* bytes = reinterpret_cast<unsigned char*>(words.data());
    LexImageHeader header;
    std::memcpy(&header, bytes, sizeof header);
    std::memcpy(header.magic, LEX_IMAGE_MAGIC, sizeof header.magic);
    header.version = LEX_IMAGE_VERSION;
    header.headerBytes = sizeof header;
    header.imageBytes = length;
    std::memcpy(bytes, &header, sizeof header);
    constexpr size_t from = offsetof(LexImageHeader, checksum) + sizeof(uint64_t);
    header.checksum = lex_checksum(bytes + from, length - from);
    std::memcpy(bytes, &header, sizeof header);
    if (lex_image_check(bytes, length))
        return 0;

    lex_image_use(bytes);
    for (Table table : LEX_IMAGE_TABLE_ORDER) {
        require(lex_for_each(table, look_up, &table) == lex_size(table));
        lex_count(table, "a");
    }
    for (Table table : LEX_IMAGE_TABLE_ORDER)
        lex_clear(table);
    return 0;
}
