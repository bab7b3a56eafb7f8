// Reads arbitrary bytes as an update manifest (its installer entry and its
// published models), a version text and a signing key text, and checks that whatever is accepted obeys the manifest's
// rules.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_checks.h"
#include "update_manifest.h"
#include "version_number.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > MANIFEST_MAX_BYTES)
        return 0;
    // An exact-size copy, so a read past the end is caught.
    std::unique_ptr<char[]> bytes(new char[size ? size : 1]);
    std::memcpy(bytes.get(), data, size);
    const size_t capacity = size ? data[0] % 520 + 1 : 1;

    char version[MANIFEST_VERSION_SIZE], url[MANIFEST_URL_SIZE], digest[MANIFEST_DIGEST_SIZE];
    uint64_t stated = 0;
    std::unique_ptr<char16_t[]> notes(new char16_t[capacity]);
    bool ok = parse_manifest(bytes.get(), size, version, url, digest, &stated, notes.get(), capacity);
    require_terminated(version, sizeof version);
    require_terminated(url, sizeof url);
    require_terminated(digest, sizeof digest);
    size_t units = 0;
    while (units < capacity && notes[units])
        ++units;
    require(units < capacity && units <= MANIFEST_NOTES_UNITS);
    if (ok) {
        VersionNumber v;
        require(parse_version(version, &v));
        require(is_sha256_hex(digest));
        require(std::strncmp(url, "https://", 8) == 0);
        require(size > 0
                && (bytes[0] == '{' || bytes[0] == ' ' || bytes[0] == '\t' || bytes[0] == '\n' || bytes[0] == '\r'));
    } else {
        require(!version[0] && !url[0] && !digest[0] && stated == 0 && notes[0] == 0);
    }

    // Published models only from a manifest the reader accepts, each with
    // files that stay inside its folder.
    std::vector<ManifestModel> models;
    require(parse_manifest_models(bytes.get(), size, models) == ok);
    require(ok || models.empty());
    for (const ManifestModel& model : models) {
        require(model.revision.size() == 40 && !model.files.empty());
        for (const ManifestModelFile& file : model.files) {
            require(file.size > 0 && is_sha256_hex(file.sha256.c_str()));
            require(file.name != ".." && file.name.find_first_of("/\\:") == std::string::npos);
        }
    }

    // The same bytes as a version text and as a key text.
    const std::string text(reinterpret_cast<const char*>(data), strnlen(reinterpret_cast<const char*>(data), size));
    VersionNumber v{};
    if (parse_version(text.c_str(), &v)) {
        require(text.size() >= 3 && text.size() <= 27);
        require(compare_versions(v, v) == 0);
    }
    unsigned char key[32];
    decode_public_key(text.c_str(), key);
    return 0;
}
