#include <windows.h>

#include <sddl.h>

#include <cwchar>

#include "pipe.h"
#include "pipe_io.h"
#include "user_sid.h"

namespace {

constexpr DWORD BUFFER_SIZE = 65536;
constexpr DWORD MAX_INSTANCES = 4;

HANDLE create_instance(const std::wstring& name, SECURITY_ATTRIBUTES* security, bool first)
{
    DWORD openMode = PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0);
    return CreateNamedPipeW(name.c_str(), openMode,
                            PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, MAX_INSTANCES,
                            BUFFER_SIZE, BUFFER_SIZE, 0, security);
}

using miradot::PipeIo;

class Server {
public:
    Server(const std::wstring& name, SECURITY_ATTRIBUTES* security, HANDLE event, const PipeHandler& handler,
           const std::function<bool()>& busy, const PipeServerLimits& limits)
        : name_(name), security_(security), event_(event), handler_(handler), busy_(busy), limits_(limits)
    {
    }

    void run(HANDLE current)
    {
        lastActivity_ = GetTickCount64();
        while (current != INVALID_HANDLE_VALUE) {
            if (!wait_for_client(current)) {
                if (stopping_) {
                    CloseHandle(current);
                    return;
                }
                HANDLE next = create_instance(name_, security_, false);
                CloseHandle(current);
                current = next;
                continue;
            }
            HANDLE next = create_instance(name_, security_, false);
            serve_connection(current);
            DisconnectNamedPipe(current);
            CloseHandle(current);
            if (stopping_) {
                if (next != INVALID_HANDLE_VALUE)
                    CloseHandle(next);
                return;
            }
            current = next;
        }
    }

private:
    // True when a client is connected; false on a failed connect (or, with
    // stopping_ set, when the idle limit has passed).
    bool wait_for_client(HANDLE pipe)
    {
        OVERLAPPED overlapped{};
        overlapped.hEvent = event_;
        ResetEvent(event_);
        if (ConnectNamedPipe(pipe, &overlapped))
            return true;
        DWORD error = GetLastError();
        if (error == ERROR_PIPE_CONNECTED)
            return true;
        if (error != ERROR_IO_PENDING)
            return false;
        while (WaitForSingleObject(event_, limits_.connectSliceMs) == WAIT_TIMEOUT) {
            if (!busy_() && GetTickCount64() - lastActivity_ > limits_.idleLimitMs) {
                CancelIoEx(pipe, &overlapped);
                DWORD ignored;
                GetOverlappedResult(pipe, &overlapped, &ignored, TRUE);
                stopping_ = true;
                return false;
            }
        }
        DWORD ignored;
        return GetOverlappedResult(pipe, &overlapped, &ignored, FALSE);
    }

    // Reads what has arrived, waiting at most until the line's deadline.
    PipeIo read_some(HANDLE pipe, char* buffer, DWORD size, DWORD& got, ULONGLONG lineStarted)
    {
        got = 0;
        DWORD left = miradot::time_left(lineStarted, limits_.lineDeadlineMs);
        if (left == 0)
            return PipeIo::TimedOut;
        return miradot::read_within(pipe, event_, buffer, size, got, left);
    }

    bool write_reply(HANDLE pipe, const std::string& reply)
    {
        DWORD written = 0;
        return miradot::write_within(pipe, event_, reply.data(), static_cast<DWORD>(reply.size()), written,
                                     limits_.lineDeadlineMs)
               == PipeIo::Done;
    }

    // Serves lines until the client closes, stalls past the deadline, or a
    // handler asks to stop. The deadline runs for the whole line, from the
    // connection or the previous reply, so that a client trickling bytes
    // cannot hold the server either. After a reply the next read waits for
    // the client to close, which also tells that it has read the reply.
    void serve_connection(HANDLE pipe)
    {
        std::string line;
        char buffer[4096];
        ULONGLONG lineStarted = GetTickCount64();
        for (;;) {
            DWORD got = 0;
            if (read_some(pipe, buffer, sizeof buffer, got, lineStarted) != PipeIo::Done || got == 0)
                return;
            for (DWORD i = 0; i < got; ++i) {
                if (buffer[i] != '\n') {
                    if (line.size() < limits_.lineLimit)
                        line += buffer[i];
                    continue;
                }
                lastActivity_ = GetTickCount64();
                std::string reply;
                bool goOn = handler_(line, reply);
                line.clear();
                reply += '\n';
                bool written = write_reply(pipe, reply);
                lineStarted = GetTickCount64();
                if (!goOn) {
                    stopping_ = true;
                    if (written)
                        wait_for_close(pipe);
                    return;
                }
            }
        }
    }

    void wait_for_close(HANDLE pipe)
    {
        char buffer[256];
        DWORD got = 0;
        const ULONGLONG replied = GetTickCount64();
        while (read_some(pipe, buffer, sizeof buffer, got, replied) == PipeIo::Done && got > 0) {
        }
    }

    const std::wstring& name_;
    SECURITY_ATTRIBUTES* security_;
    HANDLE event_;
    const PipeHandler& handler_;
    const std::function<bool()>& busy_;
    const PipeServerLimits& limits_;
    ULONGLONG lastActivity_ = 0;
    bool stopping_ = false;
};

}  // namespace

int serve_pipe(PipeKind pipe, const PipeHandler& handler, const std::function<bool()>& busy,
               const PipeServerLimits& limits)
{
    std::wstring name;
    std::wstring sid;
    if (!pipe_name(pipe, name) || !miradot::user_sid_string(sid))
        return PIPE_SERVER_NO_NAME;
    wchar_t sddl[200];
    int written = std::swprintf(sddl, 200, L"D:P(A;;GA;;;%ls)", sid.c_str());
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (written < 0 || written >= 200
        || !ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr)
        || !descriptor)
        return PIPE_SERVER_NO_NAME;
    SECURITY_ATTRIBUTES security{sizeof security, descriptor, FALSE};

    // FILE_FLAG_FIRST_PIPE_INSTANCE alone is not honoured everywhere (Wine
    // lets a second server share the name), so a mutex of the same name
    // keeps the server single as well.
    HANDLE single = CreateMutexW(&security, FALSE, (L"Local\\" + name.substr(name.rfind(L'\\') + 1)).c_str());
    if (!single || GetLastError() == ERROR_ALREADY_EXISTS) {
        if (single)
            CloseHandle(single);
        LocalFree(descriptor);
        return PIPE_SERVER_ALREADY_RUNNING;
    }
    HANDLE first = create_instance(name, &security, true);
    if (first == INVALID_HANDLE_VALUE) {
        CloseHandle(single);
        LocalFree(descriptor);
        return PIPE_SERVER_ALREADY_RUNNING;
    }
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (event) {
        Server(name, &security, event, handler, busy, limits).run(first);
        CloseHandle(event);
    } else {
        CloseHandle(first);
    }
    CloseHandle(single);
    LocalFree(descriptor);
    return PIPE_SERVER_OK;
}
