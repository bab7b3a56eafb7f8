// update: the signed update check, its install and the background notifier.
#include "published_models.h"

#include "manifest_signature.h"
#include "settings_store.h"
#include "update_check.h"
#include "update_server.h"

#include <string>

namespace {

// A REG_BINARY of at most limit bytes; empty when missing or larger.
std::string read_binary(HKEY key, const wchar_t* name, size_t limit)
{
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_BINARY
        || size > limit)
        return {};
    std::string bytes(size, '\0');
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &size) != ERROR_SUCCESS
        || type != REG_BINARY)
        return {};
    bytes.resize(size);
    return bytes;
}

}  // namespace

void store_published_manifest(HKEY update_key, const char* manifest, size_t manifest_size, const char* signature,
                              size_t signature_size)
{
    RegSetValueExW(update_key, UPDATE_MANIFEST, 0, REG_BINARY, reinterpret_cast<const BYTE*>(manifest),
                   DWORD(manifest_size));
    RegSetValueExW(update_key, UPDATE_MANIFEST_SIGNATURE, 0, REG_BINARY, reinterpret_cast<const BYTE*>(signature),
                   DWORD(signature_size));
}

std::vector<ManifestModel> read_published_models()
{
    std::vector<ManifestModel> models;
    HKEY key = open_update_key(KEY_QUERY_VALUE, false);
    if (!key)
        return models;
    const std::string manifest = read_binary(key, UPDATE_MANIFEST, MANIFEST_MAX_BYTES);
    const std::string signature = read_binary(key, UPDATE_MANIFEST_SIGNATURE, MANIFEST_SIGNATURE_SIZE);
    RegCloseKey(key);
    // Anyone who may write the key could have put rows there: only a
    // signature of the update server's key makes them trusted.
    unsigned char public_key[32];
    if (manifest.empty() || !decode_public_key(update_public_key(), public_key)
        || !manifest_signature_valid(manifest.data(), manifest.size(), signature.data(), signature.size(), public_key)
        || !parse_manifest_models(manifest.data(), manifest.size(), models))
        models.clear();
    return models;
}
