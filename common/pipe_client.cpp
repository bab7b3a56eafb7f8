#include <windows.h>

#include "pipe.h"
#include "pipe_io.h"

namespace {

HANDLE open_pipe(const std::wstring& name, unsigned connectTimeoutMs)
{
    const ULONGLONG started = GetTickCount64();
    for (;;) {
        HANDLE pipe = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OVERLAPPED, nullptr);
        if (pipe != INVALID_HANDLE_VALUE)
            return pipe;
        DWORD error = GetLastError();
        if (GetTickCount64() - started > connectTimeoutMs)
            return INVALID_HANDLE_VALUE;
        if (error == ERROR_FILE_NOT_FOUND) {
            Sleep(50);
        } else if (error == ERROR_PIPE_BUSY) {
            WaitNamedPipeW(name.c_str(), 200);
        } else {
            return INVALID_HANDLE_VALUE;
        }
    }
}

// Blocking reads and writes with an optional deadline: the handle is
// overlapped only so that a silent server can be given up on.
class Exchange {
public:
    Exchange(HANDLE pipe, unsigned deadlineMs)
        : pipe_(pipe), event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)), deadlineMs_(deadlineMs),
          started_(GetTickCount64())
    {
    }
    ~Exchange()
    {
        if (event_)
            CloseHandle(event_);
    }

    bool write(const char* data, DWORD length)
    {
        DWORD done = 0;
        return miradot::write_within(pipe_, event_, data, length, done, remaining()) == miradot::PipeIo::Done
               && done == length;
    }

    DWORD read(char* buffer, DWORD size)
    {
        DWORD done = 0;
        return miradot::read_within(pipe_, event_, buffer, size, done, remaining()) == miradot::PipeIo::Done ? done : 0;
    }

private:
    DWORD remaining() const
    {
        return deadlineMs_ == PIPE_NO_DEADLINE ? INFINITE : miradot::time_left(started_, deadlineMs_);
    }

    HANDLE pipe_;
    HANDLE event_;
    unsigned deadlineMs_;
    ULONGLONG started_;
};

// Reads up to the line feed; the server sends nothing after it because each
// connection carries one request.
size_t read_line(Exchange& exchange, char* reply, size_t capacity)
{
    size_t stored = 0;
    while (stored + 1 < capacity) {
        DWORD got = exchange.read(reply + stored, static_cast<DWORD>(capacity - 1 - stored));
        if (got == 0)
            break;
        const void* lineFeed = memchr(reply + stored, '\n', got);
        if (lineFeed) {
            stored = static_cast<const char*>(lineFeed) - reply;
            break;
        }
        stored += got;
    }
    reply[stored] = '\0';
    return stored;
}

}  // namespace

bool pipe_request(PipeKind kind, const char* request, char* reply, size_t capacity, unsigned connectTimeoutMs,
                  unsigned replyDeadlineMs)
{
    std::wstring name;
    if (!pipe_name(kind, name))
        return false;
    if (capacity == 0)
        return false;
    reply[0] = '\0';

    HANDLE pipe = open_pipe(name, connectTimeoutMs);
    if (pipe == INVALID_HANDLE_VALUE)
        return false;
    DWORD mode = PIPE_READMODE_BYTE | PIPE_WAIT;
    SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr);

    size_t stored = 0;
    {
        Exchange exchange(pipe, replyDeadlineMs);
        if (exchange.write(request, static_cast<DWORD>(strlen(request))) && exchange.write("\n", 1))
            stored = read_line(exchange, reply, capacity);
    }
    CloseHandle(pipe);
    return stored > 0;
}

void send_translation_control(const char* request)
{
    char reply[MT_CONTROL_REPLY];
    pipe_request(PipeKind::Translation, request, reply, sizeof reply, MT_CONTROL_TIMEOUT_MS, MT_CONTROL_DEADLINE_MS);
}
