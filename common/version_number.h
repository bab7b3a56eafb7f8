// The product version and the version text of update manifests.
#pragma once

// The running system's version: every update comparison, the HTTP user agent
// and the settings dialog use it.
#define MIRADOT_VERSION_TEXT "0.1.5"
// The resource scripts take the version text alone.
#ifndef RC_INVOKED
#include <cstdint>

inline constexpr char MIRADOT_VERSION[] = MIRADOT_VERSION_TEXT;

struct VersionNumber {
    uint32_t part[4];  // missing components are 0
};

// Two to four "."-separated components of 1 to 6 decimal digits, nothing else.
bool parse_version(const char* text, VersionNumber* out);

// Negative, 0 or positive as a is older than, equal to or newer than b.
int compare_versions(const VersionNumber& a, const VersionNumber& b);
#endif
