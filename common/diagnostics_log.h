// The diagnostics log: what went wrong and the few events that explain it,
// written by every program of the system into two small files under the
// user's local data folder, "LOCALAPPDATA\miraDot\logs\miraDot.log" and the
// older "miraDot.1.log". A line reads
//   2026-12-11T14:05:03.123Z miraDot-Voice 4242 helper start
// (UTC time, program, process id, event). Events name outcomes, status codes,
// sizes and value names only: never typed or spoken text, clipboard or
// translated text, nor key codes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace miradot {

// A file is moved aside before a line would take it past this size.
constexpr uint64_t LOG_FILE_LIMIT = 256 * 1024;
// Longer events are cut; a line never holds a line break.
constexpr size_t LOG_EVENT_LIMIT = 400;

// The folder of the two files, created when missing; false without a usable
// LOCALAPPDATA.
bool log_folder(std::filesystem::path& folder);

// The name each line of this process carries ("miraDot-Settings",
// "miraDot-Voice", "miradot_tsf"); set once at start.
void log_set_program(const char* name);

// One line, under a lock that every process of the session shares; printf
// formatting. Nothing happens when the folder cannot be written.
void log_event(const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// The line for an event at a time (milliseconds since 1970, UTC).
std::string format_log_line(int64_t unix_ms, const char* program, unsigned long process_id, const char* event);

// The last `count` lines of both files, oldest first.
std::vector<std::string> log_last_lines(size_t count);

}  // namespace miradot
