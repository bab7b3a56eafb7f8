// The release signer: makes the update signing key pair, writes and signs the
// update manifest, and checks a signed manifest the way the settings program
// does.
//   miradot-release keygen PRIVATE_KEY              (prints the public key)
//   miradot-release public-key PRIVATE_KEY
//   miradot-release manifest VERSION URL INSTALLER NOTES_FILE OUT_JSON [MODELS_FILE]
//   miradot-release sign PRIVATE_KEY FILE OUT_SIG
//   miradot-release verify PUBLIC_KEY MANIFEST SIGNATURE
// The private key file holds the 32-byte Ed25519 seed as standard Base64.
// MODELS_FILE lists translation model files for the manifest's "models", one
// "MODEL REVISION FILE SIZE SHA256" line each, grouped by model in order;
// blank lines and lines starting with "#" are skipped.
#include "json.h"
#include "manifest_signature.h"
#include "open_file.h"
#include "update_manifest.h"
#include "version_number.h"

#include <sodium.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

bool read_whole(const char* path, std::string* out)
{
    std::vector<uint8_t> bytes;
    if (miradot::read_whole_file(path, bytes) != miradot::ReadResult::Read)
        return false;
    out->assign(bytes.begin(), bytes.end());
    return true;
}

bool write_whole(const char* path, const std::string& bytes, mode_t mode = 0644)
{
    FILE* f = std::fopen(path, "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    return ok && chmod(path, mode) == 0;
}

std::string base64(const unsigned char* bytes, size_t length)
{
    std::string text(sodium_base64_ENCODED_LEN(length, sodium_base64_VARIANT_ORIGINAL), 0);
    sodium_bin2base64(text.data(), text.size(), bytes, length, sodium_base64_VARIANT_ORIGINAL);
    text.resize(std::strlen(text.c_str()));
    return text;
}

// The key pair from the private key file's seed.
bool load_key(const char* path, unsigned char public_key[32], unsigned char secret_key[64])
{
    std::string text;
    if (!read_whole(path, &text))
        return false;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    unsigned char seed[crypto_sign_SEEDBYTES];
    size_t length = 0;
    if (sodium_base642bin(seed, sizeof seed, text.c_str(), text.size(), nullptr, &length, nullptr,
                          sodium_base64_VARIANT_ORIGINAL)
            != 0
        || length != sizeof seed)
        return false;
    crypto_sign_seed_keypair(public_key, secret_key, seed);
    sodium_memzero(seed, sizeof seed);
    return true;
}

int fail(const std::string& message)
{
    std::cerr << "miradot-release: " << message << "\n";
    return 1;
}

int keygen(const char* path)
{
    struct stat existing;
    if (stat(path, &existing) == 0)
        return fail(std::string(path) + " exists; not overwritten");
    unsigned char seed[crypto_sign_SEEDBYTES];
    randombytes_buf(seed, sizeof seed);
    if (!write_whole(path, base64(seed, sizeof seed) + "\n", 0600))
        return fail("cannot write " + std::string(path));
    sodium_memzero(seed, sizeof seed);
    unsigned char public_key[32], secret_key[64];
    if (!load_key(path, public_key, secret_key))
        return fail("cannot read back " + std::string(path));
    std::cout << base64(public_key, 32) << "\n";
    return 0;
}

int print_public_key(const char* path)
{
    unsigned char public_key[32], secret_key[64];
    if (!load_key(path, public_key, secret_key))
        return fail("no private key in " + std::string(path));
    std::cout << base64(public_key, 32) << "\n";
    return 0;
}

// The "models" member from the rows of a models file, or false with the
// line that is wrong.
bool models_member(const char* path, std::string* member, size_t* model_count, std::string* problem)
{
    std::string text;
    if (!read_whole(path, &text)) {
        *problem = "cannot read " + std::string(path);
        return false;
    }
    std::istringstream lines(text);
    std::string line, current, files, models;
    *model_count = 0;
    auto close_model = [&] {
        if (!current.empty())
            models += files + "]}";
    };
    for (int number = 1; std::getline(lines, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        std::string model, revision, name, digest, rest;
        unsigned long long size = 0;
        if (!(fields >> model >> revision >> name >> size >> digest) || (fields >> rest)) {
            *problem = std::string(path) + ":" + std::to_string(number) + ": not MODEL REVISION FILE SIZE SHA256";
            return false;
        }
        if (model != current) {
            close_model();
            models += std::string(models.empty() ? "" : ",\n") + "    \"" + json_escape(model.c_str())
                      + "\": {\"revision\": \"" + json_escape(revision.c_str()) + "\", \"files\": [";
            files.clear();
            current = model;
            ++*model_count;
        }
        files += std::string(files.empty() ? "" : ", ") + "{\"name\": \"" + json_escape(name.c_str())
                 + "\", \"size\": " + std::to_string(size) + ", \"sha256\": \"" + json_escape(digest.c_str()) + "\"}";
    }
    close_model();
    *member = models.empty() ? "" : ",\n  \"models\": {\n" + models + "\n  }";
    return true;
}

int write_manifest(const char* version, const char* url, const char* installer, const char* notes_path, const char* out,
                   const char* models_path)
{
    VersionNumber parsed;
    if (!parse_version(version, &parsed))
        return fail(std::string("not a version: ") + version);
    std::string body, notes;
    if (!read_whole(installer, &body) || body.empty())
        return fail("cannot read " + std::string(installer));
    if (!read_whole(notes_path, &notes))
        return fail("cannot read " + std::string(notes_path));
    while (!notes.empty() && (notes.back() == '\n' || notes.back() == '\r'))
        notes.pop_back();
    unsigned char hash[crypto_hash_sha256_BYTES];
    crypto_hash_sha256(hash, reinterpret_cast<const unsigned char*>(body.data()), body.size());
    char digest[65];
    for (int i = 0; i < 32; ++i)
        std::snprintf(digest + 2 * i, 3, "%02x", hash[i]);
    std::string json = "{\n  \"version\": \"" + json_escape(version) + "\",\n  \"notes_vi\": \"" + json_escape(notes)
                       + "\",\n  \"files\": {\n    \"windows\": {\n      \"version\": \"" + json_escape(version)
                       + "\",\n      \"url\": \"" + json_escape(url) + "\",\n      \"sha256\": \"" + digest
                       + "\",\n      \"size\": " + std::to_string(body.size()) + "\n    }\n  }";
    std::string models;
    size_t model_count = 0;
    std::string problem;
    if (models_path && !models_member(models_path, &models, &model_count, &problem))
        return fail(problem);
    json += models + "\n}\n";
    char v[MANIFEST_VERSION_SIZE], u[MANIFEST_URL_SIZE], d[MANIFEST_DIGEST_SIZE];
    uint64_t size;
    if (!parse_manifest(json.data(), json.size(), v, u, d, &size, nullptr, 0))
        return fail("the manifest would not be accepted (the URL must begin with https://)");
    if (json.size() > MANIFEST_MAX_BYTES)
        return fail("the manifest is over " + std::to_string(MANIFEST_MAX_BYTES) + " bytes");
    // Every model of the file must come through as the settings program reads it.
    std::vector<ManifestModel> read;
    if (!parse_manifest_models(json.data(), json.size(), read) || read.size() != model_count)
        return fail("a model row would not be accepted (revision of 40 lower-case hex digits, plain file names,"
                    " sizes above 0, SHA-256 of 64 lower-case hex digits)");
    if (!write_whole(out, json))
        return fail("cannot write " + std::string(out));
    return 0;
}

int sign(const char* key_path, const char* path, const char* out)
{
    unsigned char public_key[32], secret_key[64];
    if (!load_key(key_path, public_key, secret_key))
        return fail("no private key in " + std::string(key_path));
    std::string body;
    if (!read_whole(path, &body))
        return fail("cannot read " + std::string(path));
    unsigned char signature[crypto_sign_BYTES];
    crypto_sign_detached(signature, nullptr, reinterpret_cast<const unsigned char*>(body.data()), body.size(),
                         secret_key);
    sodium_memzero(secret_key, sizeof secret_key);
    if (!write_whole(out, std::string(reinterpret_cast<char*>(signature), sizeof signature)))
        return fail("cannot write " + std::string(out));
    return 0;
}

int verify(const char* public_key_text, const char* path, const char* signature_path)
{
    unsigned char key[32];
    if (!decode_public_key(public_key_text, key))
        return fail("bad public key");
    std::string body, signature;
    if (!read_whole(path, &body) || !read_whole(signature_path, &signature))
        return fail("cannot read the files");
    if (body.size() > MANIFEST_MAX_BYTES)
        return fail("more than 65536 bytes");
    if (!manifest_signature_valid(body.data(), body.size(), signature.data(), signature.size(), key))
        return fail("bad signature");
    char version[MANIFEST_VERSION_SIZE], url[MANIFEST_URL_SIZE], digest[MANIFEST_DIGEST_SIZE];
    uint64_t size;
    if (!parse_manifest(body.data(), body.size(), version, url, digest, &size, nullptr, 0))
        return fail("bad manifest");
    std::cout << "version " << version << "\nurl " << url << "\nsha256 " << digest << "\nsize " << size << "\n";
    std::vector<ManifestModel> models;
    parse_manifest_models(body.data(), body.size(), models);
    for (const ManifestModel& model : models)
        std::cout << "model " << model.name << " " << model.revision << " " << model.files.size() << " files\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (sodium_init() < 0)
        return fail("libsodium did not start");
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "keygen" && argc == 3)
        return keygen(argv[2]);
    if (command == "public-key" && argc == 3)
        return print_public_key(argv[2]);
    if (command == "manifest" && (argc == 7 || argc == 8))
        return write_manifest(argv[2], argv[3], argv[4], argv[5], argv[6], argc == 8 ? argv[7] : nullptr);
    if (command == "sign" && argc == 5)
        return sign(argv[2], argv[3], argv[4]);
    if (command == "verify" && argc == 5)
        return verify(argv[2], argv[3], argv[4]);
    std::cerr
        << "usage: miradot-release keygen KEY | public-key KEY | manifest VERSION URL INSTALLER NOTES OUT [MODELS]"
           " | sign KEY FILE SIG | verify PUBLIC_KEY MANIFEST SIG\n";
    return 2;
}
