#include <windows.h>

#include "pipe.h"

namespace {

HANDLE open_pipe(const std::wstring& name, unsigned connectTimeoutMs) {
    const ULONGLONG started = GetTickCount64();
    for (;;) {
        HANDLE pipe = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) return pipe;
        DWORD error = GetLastError();
        if (GetTickCount64() - started > connectTimeoutMs) return INVALID_HANDLE_VALUE;
        if (error == ERROR_FILE_NOT_FOUND) {
            Sleep(50);
        } else if (error == ERROR_PIPE_BUSY) {
            WaitNamedPipeW(name.c_str(), 200);
        } else {
            return INVALID_HANDLE_VALUE;
        }
    }
}

bool write_all(HANDLE pipe, const char* data, DWORD length) {
    DWORD written = 0;
    return WriteFile(pipe, data, length, &written, nullptr) && written == length;
}

// Reads up to the line feed; the server sends nothing after it because each
// connection carries one request.
size_t read_line(HANDLE pipe, char* reply, size_t capacity) {
    size_t stored = 0;
    while (stored + 1 < capacity) {
        DWORD got = 0;
        if (!ReadFile(pipe, reply + stored, static_cast<DWORD>(capacity - 1 - stored), &got, nullptr) || got == 0)
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

bool pipe_request(PipeKind kind, const char* request, char* reply, size_t capacity, unsigned connectTimeoutMs) {
    std::wstring name;
    if (!pipe_name(kind, name)) return false;
    if (capacity == 0) return false;
    reply[0] = '\0';

    HANDLE pipe = open_pipe(name, connectTimeoutMs);
    if (pipe == INVALID_HANDLE_VALUE) return false;
    DWORD mode = PIPE_READMODE_BYTE | PIPE_WAIT;
    SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr);

    if (!write_all(pipe, request, static_cast<DWORD>(strlen(request))) || !write_all(pipe, "\n", 1)) {
        CloseHandle(pipe);
        return false;
    }
    size_t stored = read_line(pipe, reply, capacity);
    CloseHandle(pipe);
    return stored > 0;
}
