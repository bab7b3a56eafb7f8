// update: the signed update check, its install and the background notifier.
// The update check: the signed manifest from the update server and its
// outcome in the "Update" subkey of the settings key.
#pragma once

#include <windows.h>

#include <cstddef>

#include "https_download.h"

// What a check found; the "Status" value stores it as its word.
enum class CheckStatus { Error, Same, Older, New };

// "error", "same", "older" or "new".
const char* check_status_word(CheckStatus status);

struct UpdateCheckResult {
    CheckStatus status;
    char version[24];             // named by the manifest; empty after "bad manifest"
    wchar_t notes[512];           // at most 500 units; empty when status is "error"
    char error[HTTP_ERROR_SIZE];  // English diagnostic, empty on success
};

// One whole check: download, verify, parse, compare, store.
void run_update_check(UpdateCheckResult* result);

// Whether a day has passed since the last check that reached the server (or
// none is known), and, after failed checks, their retry delay too: an hour
// after the first, doubling with each further one, at most a day.
bool is_update_check_due();

// The wait after the given number of failed checks in a row (1 or more).
unsigned long long retry_delay_seconds(unsigned failures);

// True when version had not been announced yet; it is recorded now.
bool mark_version_announced(const char* version);

// Whether the stored state offers a version newer than the running one;
// fills version (24 bytes) and, when given, notes.
bool read_available_update(char* version, wchar_t* notes, size_t notes_capacity);

enum class LastCheck { None, Succeeded, Failed };

LastCheck read_last_check_state();

// The "Update" subkey, opened (create: or created) with the given access.
HKEY open_update_key(REGSAM access, bool create);

// A REG_SZ of at most max_chars characters into out (max_chars + 1 units);
// empty when missing, of another type or longer.
void read_registry_text(HKEY key, const wchar_t* name, wchar_t* out, size_t max_chars);

// A REG_QWORD or REG_DWORD; 0 when missing or of another type.
unsigned long long read_registry_qword(HKEY key, const wchar_t* name);
DWORD read_registry_dword(HKEY key, const wchar_t* name);

// Seconds since 1970-01-01 UTC.
unsigned long long unix_time_now();
