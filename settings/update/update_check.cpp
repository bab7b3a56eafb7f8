// update: the signed update check, its install and the background notifier.
#include "update_check.h"

#include "diagnostics_log.h"
#include "https_download.h"
#include "manifest_signature.h"
#include "published_models.h"
#include "settings_store.h"
#include "update_manifest.h"
#include "update_server.h"
#include "utf.h"
#include "version_number.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

constexpr unsigned long long DAY_SECONDS = 86400;
// After a failed check the next one may come an hour later, then after twice
// as long at each further failure, never later than a day.
constexpr unsigned long long FIRST_RETRY_SECONDS = 3600;
constexpr size_t ANNOUNCED_LIMIT = 300;
constexpr int REGISTRY_TEXT_UNITS = 511;

void write_qword(HKEY key, const wchar_t* name, unsigned long long value)
{
    RegSetValueExW(key, name, 0, REG_QWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

void write_wide(HKEY key, const wchar_t* name, const wchar_t* text)
{
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   DWORD((std::wcslen(text) + 1) * sizeof(wchar_t)));
}

// UTF-8 text as REG_SZ; a text over 511 units is written empty.
void write_utf8(HKEY key, const wchar_t* name, const char* text)
{
    std::wstring wide = miradot::utf8_to_wide(text);
    if (wide.size() > REGISTRY_TEXT_UNITS)
        wide.clear();
    write_wide(key, name, wide.c_str());
}

// The manifest and its signature, kept when the signature verified.
struct SignedManifest {
    const char* bytes = nullptr;
    size_t size = 0;
    const char* signature = nullptr;
    size_t signature_size = 0;
};

void store_result(const UpdateCheckResult& r, const char* url, const char* digest, unsigned long long size,
                  const SignedManifest& signed_manifest)
{
    miradot::log_event("update check: %s %s %s", check_status_word(r.status), r.version, r.error);
    HKEY key = open_update_key(KEY_QUERY_VALUE | KEY_SET_VALUE, true);
    if (!key)
        return;
    const bool failed = r.status == CheckStatus::Error;
    // Only a check that reached the server counts as the day's: "Last" is
    // what the text service's daily trigger goes by. A failure is retried on
    // its own, growing delay.
    if (failed) {
        DWORD failures = read_registry_dword(key, UPDATE_FAILURES) + 1;
        RegSetValueExW(key, UPDATE_FAILURES, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&failures), sizeof failures);
        write_qword(key, UPDATE_FAILED, unix_time_now());
    } else {
        write_qword(key, UPDATE_LAST, unix_time_now());
        RegDeleteValueW(key, UPDATE_FAILURES);
        RegDeleteValueW(key, UPDATE_FAILED);
    }
    write_utf8(key, UPDATE_STATUS, check_status_word(r.status));
    write_utf8(key, UPDATE_ERROR, r.error);
    if (!failed) {
        write_utf8(key, UPDATE_LATEST, r.version);
        write_wide(key, UPDATE_NOTES, r.notes);
        store_published_manifest(key, signed_manifest.bytes, signed_manifest.size, signed_manifest.signature,
                                 signed_manifest.signature_size);
    }
    if (r.status == CheckStatus::New) {
        write_utf8(key, UPDATE_URL, url);
        write_utf8(key, UPDATE_SHA256, digest);
        write_qword(key, UPDATE_SIZE, size);
    }
    RegCloseKey(key);
}

// The "Status" value holds exactly the status's word.
bool stored_status_is(HKEY key, CheckStatus status)
{
    wchar_t word[15];
    read_registry_text(key, UPDATE_STATUS, word, 14);
    return miradot::wide_to_utf8(word) == check_status_word(status);
}

}  // namespace

const char* check_status_word(CheckStatus status)
{
    switch (status) {
    case CheckStatus::Same:
        return "same";
    case CheckStatus::Older:
        return "older";
    case CheckStatus::New:
        return "new";
    case CheckStatus::Error:
        break;
    }
    return "error";
}

DWORD read_registry_dword(HKEY key, const wchar_t* name)
{
    DWORD value = 0, type = 0, size = sizeof value;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS
        || type != REG_DWORD || size != sizeof value)
        return 0;
    return value;
}

unsigned long long retry_delay_seconds(unsigned failures)
{
    unsigned long long delay = FIRST_RETRY_SECONDS;
    for (unsigned i = 1; i < failures && delay < DAY_SECONDS; ++i)
        delay *= 2;
    return delay < DAY_SECONDS ? delay : DAY_SECONDS;
}

unsigned long long read_registry_qword(HKEY key, const wchar_t* name)
{
    unsigned long long value = 0;
    DWORD type = 0, size = sizeof value;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS
        || type != REG_QWORD || size != sizeof value)
        return 0;
    return value;
}

unsigned long long unix_time_now()
{
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    unsigned long long ticks = (unsigned long long)ft.dwHighDateTime << 32 | ft.dwLowDateTime;
    return ticks / 10000000ull - 11644473600ull;
}

HKEY open_update_key(REGSAM access, bool create)
{
    const std::wstring path = update_key_path();
    HKEY key = nullptr;
    LONG status = create
                      ? RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, access, nullptr, &key, nullptr)
                      : RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, access, &key);
    return status == ERROR_SUCCESS ? key : nullptr;
}

void read_registry_text(HKEY key, const wchar_t* name, wchar_t* out, size_t max_chars)
{
    out[0] = 0;
    DWORD type = 0;
    DWORD size = DWORD((max_chars + 1) * sizeof(wchar_t));
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(out), &size) != ERROR_SUCCESS
        || type != REG_SZ) {
        out[0] = 0;
        return;
    }
    // Stored data need not end with a NUL.
    size_t units = size / sizeof(wchar_t);
    while (units > 0 && out[units - 1] == 0)
        --units;
    out[units <= max_chars ? units : 0] = 0;
}

void run_update_check(UpdateCheckResult* result)
{
    std::memset(result, 0, sizeof *result);
    result->status = CheckStatus::Error;
    char manifest_url[600], signature_url[600];
    std::snprintf(manifest_url, sizeof manifest_url, "%slatest.json", update_base_url());
    std::snprintf(signature_url, sizeof signature_url, "%slatest.json.sig", update_base_url());
    char url[MANIFEST_URL_SIZE] = "", digest[MANIFEST_DIGEST_SIZE] = "";
    unsigned long long size = 0;
    char* manifest = nullptr;
    char* signature = nullptr;
    size_t manifest_size = 0, signature_size = 0;

    HINTERNET session = open_internet_session();
    if (!session) {
        std::strcpy(result->error, "no WinINet");
    } else {
        unsigned char key[32];
        if (!decode_public_key(update_public_key(), key)) {
            std::strcpy(result->error, "bad public key");
        } else if ((manifest = fetch_body(session, manifest_url, MANIFEST_MAX_BYTES, &manifest_size, result->error))
                   && (signature
                       = fetch_body(session, signature_url, MANIFEST_SIGNATURE_SIZE, &signature_size, result->error))) {
            if (!manifest_signature_valid(manifest, manifest_size, signature, signature_size, key)) {
                std::strcpy(result->error, "bad signature");
            } else if (!parse_manifest(manifest, manifest_size, result->version, url, digest, &size,
                                       reinterpret_cast<char16_t*>(result->notes), sizeof result->notes / 2)) {
                std::strcpy(result->error, "bad manifest");
                result->version[0] = 0;
            } else {
                VersionNumber offered, current;
                parse_version(result->version, &offered);
                parse_version(MIRADOT_VERSION, &current);
                int order = compare_versions(offered, current);
                result->status = order == 0 ? CheckStatus::Same : order < 0 ? CheckStatus::Older : CheckStatus::New;
            }
        }
        InternetCloseHandle(session);
    }
    if (result->status == CheckStatus::Error)
        result->notes[0] = 0;
    result->notes[MANIFEST_NOTES_UNITS] = 0;
    store_result(*result, url, digest, size, {manifest, manifest_size, signature, signature_size});
    std::free(manifest);
    std::free(signature);
}

bool is_update_check_due()
{
    HKEY key = open_update_key(KEY_QUERY_VALUE, true);
    if (!key)
        return true;
    const unsigned long long last = read_registry_qword(key, UPDATE_LAST);
    const unsigned long long failed = read_registry_qword(key, UPDATE_FAILED);
    const DWORD failures = read_registry_dword(key, UPDATE_FAILURES);
    const bool failed_last = stored_status_is(key, CheckStatus::Error);
    RegCloseKey(key);
    const unsigned long long now = unix_time_now();
    if (last != 0 && last <= now && now - last < DAY_SECONDS)
        return false;
    const bool retry_waits = failed_last && failed != 0 && failed <= now
                             && now - failed < retry_delay_seconds(failures);
    return !retry_waits;
}

bool mark_version_announced(const char* version)
{
    HKEY key = open_update_key(KEY_QUERY_VALUE | KEY_SET_VALUE, true);
    if (!key)
        return true;
    wchar_t list[400];
    read_registry_text(key, L"Announced", list, 399);
    std::wstring wide = miradot::utf8_to_wide(version);
    if (wide.size() > 23)
        wide.clear();

    wchar_t framed[440], needle[32];
    std::swprintf(framed, 440, L",%ls,", list);
    std::swprintf(needle, 32, L",%ls,", wide.c_str());
    if (std::wcsstr(framed, needle)) {
        RegCloseKey(key);
        return false;
    }
    wchar_t grown[430];
    std::swprintf(grown, 430, list[0] ? L"%ls,%ls" : L"%ls%ls", list, wide.c_str());
    const wchar_t* kept = grown;
    while (std::wcslen(kept) > ANNOUNCED_LIMIT && std::wcschr(kept, L','))
        kept = std::wcschr(kept, L',') + 1;
    write_wide(key, L"Announced", kept);
    RegCloseKey(key);
    return true;
}

bool read_available_update(char* version, wchar_t* notes, size_t notes_capacity)
{
    version[0] = 0;
    if (notes && notes_capacity)
        notes[0] = 0;
    HKEY key = open_update_key(KEY_QUERY_VALUE, false);
    if (!key)
        return false;
    const bool offered_new = stored_status_is(key, CheckStatus::New);
    wchar_t latest[23];
    read_registry_text(key, UPDATE_LATEST, latest, 22);
    if (notes && notes_capacity)
        read_registry_text(key, UPDATE_NOTES, notes, notes_capacity - 1);
    RegCloseKey(key);
    std::string latest_utf8 = miradot::wide_to_utf8(latest);
    VersionNumber offered, current;
    parse_version(MIRADOT_VERSION, &current);
    if (!offered_new || latest_utf8.size() > 23 || !parse_version(latest_utf8.c_str(), &offered)
        || compare_versions(offered, current) <= 0) {
        if (notes && notes_capacity)
            notes[0] = 0;
        return false;
    }
    std::strcpy(version, latest_utf8.c_str());
    return true;
}

LastCheck read_last_check_state()
{
    HKEY key = open_update_key(KEY_QUERY_VALUE, false);
    if (!key)
        return LastCheck::None;
    const bool checked = read_registry_qword(key, UPDATE_LAST) != 0 || read_registry_qword(key, UPDATE_FAILED) != 0;
    const bool failed = stored_status_is(key, CheckStatus::Error);
    RegCloseKey(key);
    if (!checked)
        return LastCheck::None;
    return failed ? LastCheck::Failed : LastCheck::Succeeded;
}
