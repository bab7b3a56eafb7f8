// downloads: the HTTPS session, the verified download and the files under every installer and the update.
// The SHA-256 of a whole file, for every installer of the settings program.
#pragma once

#include <windows.h>

inline constexpr int SHA256_HEX_SIZE = 65;

// 64 lower-case hex digits and a NUL into hex (65 bytes); false when the file
// cannot be read or hashed.
bool sha256_file_hex(const wchar_t* path, char* hex);
// The same through a file handle opened for reading, from the file's start.
bool sha256_open_file_hex(HANDLE file, char* hex);

// The file's SHA-256 equals hex (64 lower-case digits, compared exactly);
// false when it differs or cannot be computed.
bool file_has_sha256(const wchar_t* path, const char* hex);
