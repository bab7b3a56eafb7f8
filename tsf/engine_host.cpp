#include "engine_host.h"

#include "context_words.h"
#include "engine.h"
#include "learned_file.h"
#include "module.h"
#include "settings_store.h"
#include "user_shorthand.h"
#include "utf.h"

namespace miradot {

namespace {

constexpr size_t MAX_DIRECTORY = 253;
constexpr size_t MAX_DATA_FILE_PATH = 257;
constexpr size_t DATA_PATH_BYTES = 780;
constexpr size_t LEARNED_PATH_BYTES = 780;
constexpr DWORD SAVE_INTERVAL_MS = 29999;

INIT_ONCE g_data_once = INIT_ONCE_STATIC_INIT;
INIT_ONCE g_learned_once = INIT_ONCE_STATIC_INIT;
bool g_data_loaded = false;
ContextWords g_context_words;
char g_learned_path[LEARNED_PATH_BYTES];
uint32_t g_last_clear_seq = 0;
volatile LONG g_pending = 0;
DWORD g_last_save = 0;
SRWLOCK g_engine_lock = SRWLOCK_INIT;
char g_shorthand_path[LEARNED_PATH_BYTES];
// What the shorthand file was at its last load; under the engine lock.
struct FileStamp {
    bool exists;
    uint64_t size;
    uint64_t written;
    bool operator==(const FileStamp&) const = default;
};
FileStamp g_shorthand_stamp;
bool g_shorthand_loaded = false;

// Into a buffer of `size` bytes; false for an empty text or one that does not fit.
bool to_utf8(const std::wstring& text, char* buffer, size_t size)
{
    std::string utf8 = miradot::wide_to_utf8(text);
    if (utf8.empty() || utf8.size() >= size) {
        buffer[0] = '\0';
        return false;
    }
    utf8.copy(buffer, utf8.size());
    buffer[utf8.size()] = '\0';
    return true;
}

std::wstring parent_of(const std::wstring& path)
{
    size_t cut = path.find_last_of(L"\\/");
    return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}

void load_context_words(const std::wstring& dataDir, const wchar_t* name)
{
    std::wstring path = dataDir + L"\\" + name;
    if (path.size() - 1 <= MAX_DATA_FILE_PATH)
        g_context_words.load_file(path);
}

bool try_data_directory(const std::wstring& directory)
{
    if (directory.empty() || directory.size() > MAX_DIRECTORY)
        return false;
    std::wstring data = directory + L"\\data";
    if (GetFileAttributesW(data.c_str()) == INVALID_FILE_ATTRIBUTES)
        return false;
    char utf8[DATA_PATH_BYTES];
    if (!to_utf8(data, utf8, DATA_PATH_BYTES))
        return false;
    int loaded;
    char problem[256] = "";
    {
        EngineLock lock;
        loaded = engine_load_data(utf8);
        if (const char* why = engine_data_problem())
            lstrcpynA(problem, why, sizeof problem);
    }
    // A refused lexicon image costs every process its own parsed tables:
    // worth a line in a debugger.
    if (problem[0])
        OutputDebugStringA(problem);
    if (loaded < 0)
        return false;
    load_context_words(data, L"corrections.tsv");
    load_context_words(data, L"corrections_ctx.tsv");
    return true;
}

BOOL CALLBACK load_engine_data_once(INIT_ONCE*, void*, void**)
{
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(module_handle(), path, MAX_PATH);
    g_data_loaded = n > 0 && n < MAX_PATH && load_engine_data_near(std::wstring(path, n));
    return TRUE;
}

FileStamp stamp_of(const char* utf8Path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(miradot::utf8_to_wide(utf8Path).c_str(), GetFileExInfoStandard, &data))
        return {};
    return {true, uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow,
            uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32 | data.ftLastWriteTime.dwLowDateTime};
}

BOOL CALLBACK load_learned_data_once(INIT_ONCE*, void*, void**)
{
    std::wstring path;
    std::wstring shorthand;
    if (shorthand_file_path(&shorthand))
        to_utf8(shorthand, g_shorthand_path, LEARNED_PATH_BYTES);
    if (!learned_data_path(&path) || !to_utf8(path, g_learned_path, LEARNED_PATH_BYTES))
        return TRUE;
    uint32_t clearSeq = read_settings().clearSeq;
    EngineLock lock;
    g_last_clear_seq = clearSeq;
    learned_load(g_learned_path);
    g_last_save = GetTickCount();
    return TRUE;
}

}  // namespace

bool load_engine_data_near(const std::wstring& modulePath)
{
    std::wstring directory = parent_of(modulePath);
    return try_data_directory(directory) || try_data_directory(parent_of(directory));
}

bool learned_data_path(std::wstring* path)
{
    bool inAppData = false;
    if (!learned_file_path(path, &inAppData))
        return false;
    if (inAppData)
        CreateDirectoryW(path->substr(0, path->find_last_of(L'\\')).c_str(), nullptr);
    return true;
}

bool ensure_engine_data()
{
    InitOnceExecuteOnce(&g_data_once, load_engine_data_once, nullptr, nullptr);
    return g_data_loaded;
}

bool ensure_learned_data()
{
    InitOnceExecuteOnce(&g_learned_once, load_learned_data_once, nullptr, nullptr);
    return g_learned_path[0] != '\0';
}

void refresh_user_shorthand()
{
    if (!ensure_learned_data() || !g_shorthand_path[0])
        return;
    FileStamp stamp = stamp_of(g_shorthand_path);
    EngineLock lock;
    if (g_shorthand_loaded && stamp == g_shorthand_stamp)
        return;
    user_shorthand_load(g_shorthand_path);
    g_shorthand_stamp = stamp;
    g_shorthand_loaded = true;
}

void honour_clear_seq(uint32_t clearSeq)
{
    EngineLock lock;
    if (clearSeq == g_last_clear_seq)
        return;
    g_last_clear_seq = clearSeq;
    learned_clear();
    InterlockedExchange(&g_pending, 0);
}

void save_learned_if_due(bool force)
{
    if (g_learned_path[0] == '\0')
        return;
    honour_clear_seq(read_settings().clearSeq);
    EngineLock lock;
    DWORD now = GetTickCount();
    if (InterlockedCompareExchange(&g_pending, 0, 0) <= 0 || !(force || now - g_last_save > SAVE_INTERVAL_MS))
        return;
    // A failed save keeps the pending count, so the next due save retries.
    if (learned_save(g_learned_path) >= 0)
        InterlockedExchange(&g_pending, 0);
    g_last_save = now;
}

void note_learning_change() { InterlockedIncrement(&g_pending); }

bool is_context_word(const wchar_t* word, size_t length) { return g_context_words.contains(word, length); }

void lock_engine() { AcquireSRWLockExclusive(&g_engine_lock); }

void unlock_engine() { ReleaseSRWLockExclusive(&g_engine_lock); }

}  // namespace miradot
