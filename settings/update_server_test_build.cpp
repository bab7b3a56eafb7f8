// The test build: the loopback server's address comes from the test, since
// its port is chosen when the server starts.
#include "update_server.h"

#include <windows.h>

const char* update_base_url()
{
    static char base[256] = "https://localhost/";
    static bool read = false;
    if (!read) {
        char value[sizeof base];
        DWORD length = GetEnvironmentVariableA("MIRADOT_UPDATE_TEST_BASE", value, sizeof value);
        if (length > 0 && length < sizeof value) lstrcpyA(base, value);
        read = true;
    }
    return base;
}

const char* update_public_key() { return MIRADOT_UPDATE_PUBLIC_KEY; }
