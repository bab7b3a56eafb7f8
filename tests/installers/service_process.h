// Starts the translation service stand-in for one test and ends it after.
#pragma once

#include <windows.h>

#include <string>

#include "pipe.h"

class ServiceProcess {
public:
    ServiceProcess(const std::wstring& heldFile, const wchar_t* mode) {
        std::wstring command = L"\"" MT_SERVICE_STANDIN L"\" \"" + heldFile + L"\" " + mode;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_))
            return;
        char reply[64];
        for (int i = 0; i < 100 && !ready_; ++i)
            ready_ = pipe_request(PipeKind::Translation, "{\"cmd\":\"ping\"}", reply, sizeof reply, 100, 1000);
    }
    ~ServiceProcess() {
        if (!process_.hProcess) return;
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, 5000);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;

    bool ready() const { return ready_; }
    bool running() const { return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }

private:
    PROCESS_INFORMATION process_{};
    bool ready_ = false;
};
