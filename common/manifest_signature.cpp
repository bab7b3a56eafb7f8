#include "manifest_signature.h"

#include <sodium.h>

bool manifest_signature_valid(const void* manifest, size_t length, const void* signature, size_t signature_length,
                              const unsigned char key[32])
{
    if (signature_length != MANIFEST_SIGNATURE_SIZE || sodium_init() < 0)
        return false;
    return crypto_sign_verify_detached(static_cast<const unsigned char*>(signature),
                                       static_cast<const unsigned char*>(manifest), length, key)
           == 0;
}
