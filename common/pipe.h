// The local pipe channel: one JSON request line and one reply line per
// connection, on pipes named per user, logon session and optional test tag.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

enum class PipeKind { Voice, Translation };

// Connect time-outs (ms) and reply capacities (bytes, terminator included)
// of every call made on the two pipes. The translation service lies outside
// the system, so its callers also bound the whole exchange with a reply
// deadline (ms, from the connect): a service that accepts and never answers
// must not hold the text service's worker or the settings program.
constexpr unsigned VOICE_PING_TIMEOUT_MS = 300;
constexpr size_t VOICE_PING_REPLY = 512;
constexpr unsigned VOICE_START_TIMEOUT_MS = 5000;
constexpr unsigned VOICE_STOP_TIMEOUT_MS = 10000;
constexpr size_t VOICE_WORK_REPLY = 16384;
constexpr unsigned VOICE_QUIT_TIMEOUT_MS = 2000;
constexpr size_t VOICE_QUIT_REPLY = 256;
constexpr unsigned MT_PING_TIMEOUT_MS = 300;
constexpr unsigned MT_PING_DEADLINE_MS = 300;
constexpr size_t MT_PING_REPLY = 1024;
constexpr unsigned MT_WORK_TIMEOUT_MS = 10000;
constexpr unsigned MT_WORK_DEADLINE_MS = 10000;
constexpr size_t MT_WORK_REPLY = 65536;
constexpr unsigned MT_CONTROL_TIMEOUT_MS = 300;  // "unload" and "quit" from the settings program
constexpr unsigned MT_CONTROL_DEADLINE_MS = 300;
constexpr size_t MT_CONTROL_REPLY = 512;

constexpr unsigned PIPE_NO_DEADLINE = 0xFFFFFFFF;

// The request lines without arguments: both services answer "ping" and
// "quit", the translation service also "unload" (its models let go of).
inline constexpr char PIPE_PING[] = "{\"cmd\":\"ping\"}";
inline constexpr char PIPE_QUIT[] = "{\"cmd\":\"quit\"}";
inline constexpr char MT_UNLOAD[] = "{\"cmd\":\"unload\"}";

// The tag part of a pipe name from the tag variable's value: "" for an
// absent, empty or over-long (22+ characters) value, "-" + value for 1 to 21
// alphanumeric characters. False when the value holds anything else: the
// caller must fail rather than fall back to the untagged name.
bool pipe_tag(const wchar_t* value, std::wstring& tag);

// "\\.\pipe\miradot-voice-<SID>-<session><tag>" or the "miradot-mt-" one.
bool pipe_name(PipeKind pipe, std::wstring& name);

// Sends one request line and reads one reply line into reply (without the
// line feed, NUL-terminated, cut at capacity - 1 bytes). The time-out bounds
// the connect; the deadline, when given, the writing and reading after it
// (a voice "stop" waits for the transcription, however long). True when a
// non-empty reply came back.
bool pipe_request(PipeKind pipe, const char* request, char* reply, size_t capacity, unsigned connectTimeoutMs,
                  unsigned replyDeadlineMs = PIPE_NO_DEADLINE);

// The settings program's "unload" or "quit" to a translation service that
// may not be running; the reply is not looked at.
void send_translation_control(const char* request);

// Turns one request line into one reply line (no line feed); returns false
// to end the server after this reply.
using PipeHandler = std::function<bool(const std::string& request, std::string& reply)>;

struct PipeServerLimits {
    unsigned idleLimitMs = 900000;  // since start-up or the last request line
    unsigned connectSliceMs = 60000;
    // A connected client must deliver each request line, and take each
    // reply, within this time; a stalled client is dropped so that it
    // cannot hold the single-threaded server.
    unsigned lineDeadlineMs = 2000;
    size_t lineLimit = 65536;
};

constexpr int PIPE_SERVER_OK = 0;
constexpr int PIPE_SERVER_NO_NAME = 2;
constexpr int PIPE_SERVER_ALREADY_RUNNING = 3;

// Serves the pipe on the calling thread until a handler asks to stop, the
// idle limit passes while busy() is false, or a new instance cannot be
// created. Returns one of the PIPE_SERVER_ codes.
int serve_pipe(PipeKind pipe, const PipeHandler& handler, const std::function<bool()>& busy,
               const PipeServerLimits& limits = {});
