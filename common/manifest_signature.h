// The Ed25519 check of the update manifest's detached signature.
#pragma once

#include <cstddef>

inline constexpr size_t MANIFEST_SIGNATURE_SIZE = 64;

// Whether signature is exactly 64 bytes and a valid pure Ed25519 signature,
// by key, of the exact manifest bytes.
bool manifest_signature_valid(const void* manifest, size_t length, const void* signature, size_t signature_length,
                              const unsigned char key[32]);
