// downloads: the HTTPS session, the verified download and the files under every installer and the update.
#include "file_digest.h"

#include <windows.h>
#include <bcrypt.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

bool sha256_file_hex(const wchar_t* path, char* hex)
{
    HANDLE file
        = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = sha256_open_file_hex(file, hex);
    CloseHandle(file);
    return ok;
}

bool sha256_open_file_hex(HANDLE file, char* hex)
{
    constexpr DWORD CHUNK = 65536;
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN))
        return false;
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    unsigned char* buffer = nullptr;
    bool ok = BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) == 0
              && BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) == 0
              && (buffer = static_cast<unsigned char*>(std::malloc(CHUNK))) != nullptr;
    while (ok) {
        DWORD got = 0;
        if (!ReadFile(file, buffer, CHUNK, &got, nullptr) || got == 0)
            break;
        ok = BCryptHashData(hash, buffer, got, 0) == 0;
    }
    unsigned char digest[32];
    ok = ok && BCryptFinishHash(hash, digest, sizeof digest, 0) == 0;
    if (ok)
        for (int i = 0; i < 32; ++i)
            std::snprintf(hex + 2 * i, 3, "%02x", digest[i]);
    std::free(buffer);
    if (hash)
        BCryptDestroyHash(hash);
    if (algorithm)
        BCryptCloseAlgorithmProvider(algorithm, 0);
    return ok;
}

bool file_has_sha256(const wchar_t* path, const char* hex)
{
    char actual[SHA256_HEX_SIZE];
    return sha256_file_hex(path, actual) && std::strcmp(actual, hex) == 0;
}
