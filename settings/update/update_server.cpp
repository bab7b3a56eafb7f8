// update: the signed update check, its install and the background notifier.
#include "update_server.h"

const char* update_base_url() { return MIRADOT_UPDATE_BASE_URL; }

const char* update_public_key() { return MIRADOT_UPDATE_PUBLIC_KEY; }
