#include "charset.h"

#include <cstring>

#include "codecs.h"

namespace miradot {

namespace {

struct CharsetNames {
    const char* name;
    const char* label;
};

constexpr CharsetNames NAMES[CHARSET_COUNT] = {
    {"unicode", "Unicode dựng sẵn"},
    {"nfd", "Unicode tổ hợp"},
    {"tcvn3", "TCVN3 (ABC)"},
    {"vni-windows", "VNI Windows"},
    {"viscii", "VISCII"},
    {"viqr", "VIQR"},
    {"ncr", "Mã số HTML thập phân"},
    {"ncr-hex", "Mã số HTML thập lục phân"},
    {"nomarks", "Không dấu"},
};

}  // namespace

const char* charset_name(Charset charset) { return NAMES[charset].name; }
const char* charset_label(Charset charset) { return NAMES[charset].label; }

bool charset_from_name(std::string_view name, Charset* charset)
{
    for (int i = 0; i < CHARSET_COUNT; ++i) {
        if (name == NAMES[i].name) {
            *charset = Charset(i);
            return true;
        }
    }
    return false;
}

bool charset_is_legacy(Charset charset)
{
    return charset == CHARSET_TCVN3 || charset == CHARSET_VNI_WINDOWS || charset == CHARSET_VISCII;
}

LegacyForm legacy_form_of(std::string_view input)
{
    const auto* p = reinterpret_cast<const unsigned char*>(input.data());
    const auto* end = p + input.size();
    bool beyond_ascii = false;
    while (p < end) {
        uint32_t c;
        int length = utf8_sequence(p, end, &c);
        if (length == 0)
            return LEGACY_BYTES;
        beyond_ascii |= length > 1;
        p += length;
    }
    return beyond_ascii ? LEGACY_CP1252_TEXT : LEGACY_BYTES;
}

std::string charset_decode(Charset from, std::string_view input, LegacyForm form)
{
    switch (from) {
    case CHARSET_TCVN3: {
        // Its combining tones (B0..B4) join the letter before them.
        std::string text = read_legacy(from, input, form);
        return std::memchr(text.data(), 0xCC, text.size()) ? read_unicode(text) : text;
    }
    case CHARSET_VNI_WINDOWS:
    case CHARSET_VISCII:
        return read_legacy(from, input, form);
    case CHARSET_VIQR:
        return read_viqr(input);
    case CHARSET_NCR:
    case CHARSET_NCR_HEX:
        return read_ncr(input);
    default:
        return read_unicode(input);
    }
}

std::string charset_encode(Charset to, std::string_view utf8, LegacyForm form, size_t* unwritable)
{
    if (unwritable)
        *unwritable = 0;
    switch (to) {
    case CHARSET_NFD:
        return write_nfd(utf8);
    case CHARSET_TCVN3:
    case CHARSET_VNI_WINDOWS:
    case CHARSET_VISCII:
        return write_legacy(to, utf8, form, unwritable);
    case CHARSET_VIQR:
        return write_viqr(utf8);
    case CHARSET_NCR:
        return write_ncr(utf8, false);
    case CHARSET_NCR_HEX:
        return write_ncr(utf8, true);
    case CHARSET_NOMARKS:
        return write_nomarks(utf8);
    default:
        return std::string(utf8);
    }
}

}  // namespace miradot
