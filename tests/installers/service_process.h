// Starts the translation service stand-in for one test and ends it after.
#pragma once

#include <windows.h>

#include <string>

#include "pipe.h"
#include "process_support.h"

class ServiceProcess {
public:
    ServiceProcess(const std::wstring& heldFile, const wchar_t* mode)
        : process_(MT_SERVICE_STANDIN, L"\"" + heldFile + L"\" " + mode)
    {
        char reply[64];
        for (int i = 0; i < 100 && process_.started() && !ready_; ++i)
            ready_ = pipe_request(PipeKind::Translation, "{\"cmd\":\"ping\"}", reply, sizeof reply, 100, 1000);
    }

    bool ready() const { return ready_; }
    bool running() { return process_.wait(0) == -1; }

private:
    Process process_;
    bool ready_ = false;
};
