// A translation service for the installer tests: serves the translation pipe
// and keeps a file or folder open without sharing its deletion, as a service
// running from the runtime folder or holding a model does.
//   mt_service_standin FILE MODE
// MODE "quits": "quit" closes the file and ends the service; "stays": the
// service answers "quit" but keeps running; "unloads": "unload" closes it.
#include <windows.h>

#include <string>

#include "pipe.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3)
        return 2;
    const std::wstring mode = argv[2];
    HANDLE held = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (held == INVALID_HANDLE_VALUE)
        return 3;
    auto release = [&] {
        if (held != INVALID_HANDLE_VALUE)
            CloseHandle(held);
        held = INVALID_HANDLE_VALUE;
    };
    return serve_pipe(
        PipeKind::Translation,
        [&](const std::string& request, std::string& reply) {
            reply = "{\"ok\":true}";
            if (request.find("\"unload\"") != std::string::npos && mode == L"unloads")
                release();
            if (request.find("\"quit\"") != std::string::npos && mode != L"stays") {
                release();
                return false;
            }
            return true;
        },
        [] { return false; });
}
