// update: the signed update check, its install and the background notifier.
// The test build: the loopback server's address comes from the test, since
// its port is chosen when the server starts.
#include "update_server.h"

#include "environment.h"
#include "utf.h"

#include <string>

const char* update_base_url()
{
    static const std::string base = [] {
        auto value = miradot::environment_value("MIRADOT_UPDATE_TEST_BASE", 255);
        return value ? miradot::wide_to_utf8(*value) : std::string("https://localhost/");
    }();
    return base.c_str();
}

const char* update_public_key() { return MIRADOT_UPDATE_PUBLIC_KEY; }
