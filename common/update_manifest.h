// The signed update manifest ("latest.json"): a strict single-pass reader for
// exactly its shape, and the decoder of the built-in signing key.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr size_t MANIFEST_MAX_BYTES = 65536;
inline constexpr size_t MANIFEST_VERSION_SIZE = 24;
inline constexpr size_t MANIFEST_URL_SIZE = 512;
inline constexpr size_t MANIFEST_DIGEST_SIZE = 65;
inline constexpr size_t MANIFEST_NOTES_UNITS = 500;

// Reads the manifest's Windows installer entry. On success: version (the
// entry's own, else the root one; 24 bytes), url (512 bytes, "https://"),
// digest (65 bytes, 64 lower-case hex digits), size (0: not stated) and, when
// notes is given, the release notes as UTF-16 (at most 500 units and at most
// notes_capacity - 1). On failure every output is empty or 0.
bool parse_manifest(const char* bytes, size_t length, char* version, char* url, char* digest, uint64_t* size,
                    char16_t* notes, size_t notes_capacity);

// A translation model's files as a manifest may publish them ("models" at
// its root): the catalogue takes them in place of its own rows, so languages
// can be added without a new program.
struct ManifestModelFile {
    std::string name;  // a plain file name: letters, digits, ".", "_", "-"
    uint64_t size;     // more than 0
    std::string sha256;
};
struct ManifestModel {
    std::string name;      // "en-de"
    std::string revision;  // 40 lower-case hex digits
    std::vector<ManifestModelFile> files;
};

// The "models" object of a manifest:
//   "models": {"en-de": {"revision": "…", "files": [{"name": "config.json",
//              "size": 223, "sha256": "…"}, …]}, …}
// A model with any field missing or malformed is left out whole; false when
// the text is not a valid manifest (parse_manifest's rules), models empty.
bool parse_manifest_models(const char* bytes, size_t length, std::vector<ManifestModel>& models);

// The standard Base64 text of a 32-byte Ed25519 public key, read up to the
// first "=" or its end.
bool decode_public_key(const char* text, unsigned char key[32]);

// Whether text is 64 lower-case hexadecimal digits and nothing else.
bool is_sha256_hex(const char* text);
