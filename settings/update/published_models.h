// update: the signed update check, its install and the background notifier.
// The translation models that the update server published in its signed
// manifest: kept with their signature from the last check whose signature
// verified, and verified again whenever they are read.
#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

#include "update_manifest.h"

// The manifest bytes and their signature into the "Update" subkey.
void store_published_manifest(HKEY update_key, const char* manifest, size_t manifest_size, const char* signature,
                              size_t signature_size);

// The models of the stored manifest; none when nothing is stored or its
// signature does not verify against the built-in key.
std::vector<ManifestModel> read_published_models();
