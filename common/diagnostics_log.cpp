#include "diagnostics_log.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <system_error>

#include "environment.h"
#include "open_file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace miradot {

namespace {

char g_program[32] = "miraDot";

// Held while a process rotates, appends or reads the files, so that lines of
// several processes never interleave and a file is never moved under a reader.
class LogLock {
public:
    explicit LogLock(const std::filesystem::path& folder)
    {
#ifdef _WIN32
        (void)folder;
        mutex_ = CreateMutexW(nullptr, FALSE, L"Local\\miraDot-diagnostics-log");
        // A writer that stalls must not stall the application it runs in.
        DWORD waited = mutex_ ? WaitForSingleObject(mutex_, 2000) : WAIT_FAILED;
        held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
#else
        descriptor_ = open((folder / ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        held_ = descriptor_ >= 0 && flock(descriptor_, LOCK_EX) == 0;
#endif
    }
    ~LogLock()
    {
#ifdef _WIN32
        if (held_)
            ReleaseMutex(mutex_);
        if (mutex_)
            CloseHandle(mutex_);
#else
        if (descriptor_ >= 0)
            close(descriptor_);
#endif
    }
    LogLock(const LogLock&) = delete;
    LogLock& operator=(const LogLock&) = delete;
    bool held() const { return held_; }

private:
#ifdef _WIN32
    HANDLE mutex_ = nullptr;
#else
    int descriptor_ = -1;
#endif
    bool held_ = false;
};

FILE* open_for_appending(const std::filesystem::path& path)
{
#ifdef _WIN32
    return _wfopen(path.c_str(), L"ab");
#else
    return std::fopen(path.c_str(), "ab");
#endif
}

// Over the older file, which may exist.
void move_aside(const std::filesystem::path& from, const std::filesystem::path& to)
{
#ifdef _WIN32
    MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING);
#else
    std::rename(from.c_str(), to.c_str());
#endif
}

unsigned long process_id()
{
#ifdef _WIN32
    return GetCurrentProcessId();
#else
    return static_cast<unsigned long>(getpid());
#endif
}

void append_lines(const std::filesystem::path& path, std::vector<std::string>& lines)
{
    std::vector<uint8_t> bytes;
    if (read_whole_file(path, bytes, 2 * LOG_FILE_LIMIT) != ReadResult::Read)
        return;
    size_t start = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            lines.emplace_back(bytes.begin() + start, bytes.begin() + i);
            start = i + 1;
        }
    }
}

}  // namespace

bool log_folder(std::filesystem::path& folder)
{
    std::optional<std::filesystem::path> base = env_base_folder("LOCALAPPDATA");
    if (!base)
        return false;
    std::error_code ignored;
    folder = *base / "miraDot";
    std::filesystem::create_directory(folder, ignored);
    folder /= "logs";
    std::filesystem::create_directory(folder, ignored);
    return std::filesystem::is_directory(folder, ignored);
}

void log_set_program(const char* name) { std::snprintf(g_program, sizeof g_program, "%s", name); }

std::string format_log_line(int64_t unix_ms, const char* program, unsigned long process_id, const char* event)
{
    std::time_t seconds = static_cast<std::time_t>(unix_ms / 1000);
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &seconds);
#else
    gmtime_r(&seconds, &utc);
#endif
    char time_text[40];
    std::snprintf(time_text, sizeof time_text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(unix_ms % 1000));
    std::string text(event, std::min(std::strlen(event), LOG_EVENT_LIMIT));
    for (char& c : text) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    return std::string(time_text) + " " + program + " " + std::to_string(process_id) + " " + text + "\n";
}

void log_event(const char* format, ...)
{
    try {
        char event[LOG_EVENT_LIMIT + 1];
        va_list arguments;
        va_start(arguments, format);
        std::vsnprintf(event, sizeof event, format, arguments);
        va_end(arguments);
        std::filesystem::path folder;
        if (!log_folder(folder))
            return;
        auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::system_clock::now().time_since_epoch());
        const std::string line = format_log_line(now.count(), g_program, process_id(), event);
        LogLock lock(folder);
        if (!lock.held())
            return;
        const std::filesystem::path current = folder / "miraDot.log";
        std::error_code error;
        const uintmax_t size = std::filesystem::file_size(current, error);
        if (!error && size + line.size() > LOG_FILE_LIMIT)
            move_aside(current, folder / "miraDot.1.log");
        if (FILE* file = open_for_appending(current)) {
            std::fwrite(line.data(), 1, line.size(), file);
            std::fclose(file);
        }
    } catch (...) {
        // Out of memory: the line is lost, the caller carries on.
    }
}

std::vector<std::string> log_last_lines(size_t count)
{
    std::vector<std::string> lines;
    std::filesystem::path folder;
    if (!log_folder(folder))
        return lines;
    LogLock lock(folder);
    append_lines(folder / "miraDot.1.log", lines);
    append_lines(folder / "miraDot.log", lines);
    if (lines.size() > count)
        lines.erase(lines.begin(), lines.end() - static_cast<std::ptrdiff_t>(count));
    return lines;
}

}  // namespace miradot
