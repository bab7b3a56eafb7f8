#include "pipe_io.h"

namespace miradot {

namespace {

OVERLAPPED fresh(HANDLE event)
{
    OVERLAPPED overlapped{};
    overlapped.hEvent = event;
    ResetEvent(event);
    return overlapped;
}

PipeIo finish(HANDLE pipe, OVERLAPPED& overlapped, BOOL started, DWORD& transferred, DWORD timeout_ms)
{
    if (!started && GetLastError() != ERROR_IO_PENDING)
        return PipeIo::Failed;
    if (WaitForSingleObject(overlapped.hEvent, timeout_ms) != WAIT_OBJECT_0) {
        CancelIoEx(pipe, &overlapped);
        GetOverlappedResult(pipe, &overlapped, &transferred, TRUE);
        return PipeIo::TimedOut;
    }
    return GetOverlappedResult(pipe, &overlapped, &transferred, FALSE) ? PipeIo::Done : PipeIo::Failed;
}

}  // namespace

PipeIo read_within(HANDLE pipe, HANDLE event, void* buffer, DWORD size, DWORD& transferred, DWORD timeout_ms)
{
    transferred = 0;
    if (!event)
        return PipeIo::Failed;
    OVERLAPPED overlapped = fresh(event);
    BOOL started = ReadFile(pipe, buffer, size, nullptr, &overlapped);
    return finish(pipe, overlapped, started, transferred, timeout_ms);
}

PipeIo write_within(HANDLE pipe, HANDLE event, const void* data, DWORD size, DWORD& transferred, DWORD timeout_ms)
{
    transferred = 0;
    if (!event)
        return PipeIo::Failed;
    OVERLAPPED overlapped = fresh(event);
    BOOL started = WriteFile(pipe, data, size, nullptr, &overlapped);
    return finish(pipe, overlapped, started, transferred, timeout_ms);
}

DWORD time_left(ULONGLONG started, unsigned limit_ms)
{
    ULONGLONG passed = GetTickCount64() - started;
    return passed >= limit_ms ? 0 : static_cast<DWORD>(limit_ms - passed);
}

}  // namespace miradot
