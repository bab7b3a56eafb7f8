// Overlapped reads and writes that give up at a time limit, for both ends of
// the pipe channel: a silent or stalled peer must not hold the caller.
#pragma once

#include <windows.h>

namespace miradot {

enum class PipeIo { Done, Failed, TimedOut };

// One read or write on an overlapped pipe handle, signalling `event`, waited
// for at most `timeout_ms` (INFINITE allowed); a late one is cancelled.
PipeIo read_within(HANDLE pipe, HANDLE event, void* buffer, DWORD size, DWORD& transferred, DWORD timeout_ms);
PipeIo write_within(HANDLE pipe, HANDLE event, const void* data, DWORD size, DWORD& transferred, DWORD timeout_ms);

// Milliseconds left of `limit_ms` counted from `started` (GetTickCount64), 0 once passed.
DWORD time_left(ULONGLONG started, unsigned limit_ms);

}  // namespace miradot
