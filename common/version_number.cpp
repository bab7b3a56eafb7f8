#include "version_number.h"

bool parse_version(const char* text, VersionNumber* out)
{
    VersionNumber v{};
    int count = 0;
    const char* p = text;
    for (;;) {
        int digits = 0;
        uint32_t value = 0;
        while (*p >= '0' && *p <= '9') {
            if (++digits > 6)
                return false;
            value = value * 10 + uint32_t(*p - '0');
            ++p;
        }
        if (digits == 0)
            return false;
        v.part[count++] = value;
        if (*p == 0)
            break;
        if (*p != '.' || count == 4)
            return false;
        ++p;
    }
    if (count < 2)
        return false;
    *out = v;
    return true;
}

int compare_versions(const VersionNumber& a, const VersionNumber& b)
{
    for (int i = 0; i < 4; ++i)
        if (a.part[i] != b.part[i])
            return a.part[i] < b.part[i] ? -1 : 1;
    return 0;
}
