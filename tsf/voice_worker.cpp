#include "voice_worker.h"

#include "../common/diagnostics_log.h"
#include "../common/pipe.h"
#include "../common/voice_reply.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <new>
#include <string>

namespace miradot {

namespace {

constexpr ULONGLONG HELPER_START_LIMIT_MS = 29999;
constexpr DWORD EXIT_POLL_MS = 200;

std::string error_line(const char* message) { return write_voice_reply(voice_error(message)); }

// One request; its reply line, or the substitute for none. A line that filled
// the whole buffer was cut and cannot be trusted.
std::string request(const char* line, size_t capacity, unsigned timeout_ms)
{
    std::string reply(capacity, '\0');
    if (!pipe_request(PipeKind::Voice, line, reply.data(), capacity, timeout_ms))
        return error_line("no answer");
    reply.resize(std::strlen(reply.c_str()));
    if (reply.size() >= capacity - 1)
        return error_line("reply too long");
    return reply;
}

bool ping(std::string& reply)
{
    char line[VOICE_PING_REPLY];
    if (!pipe_request(PipeKind::Voice, PIPE_PING, line, sizeof line, VOICE_PING_TIMEOUT_MS))
        return false;
    reply = line;
    return true;
}

// Starts the helper and polls until it answers, it exits, or 30 s pass (it
// opens its pipe only once its model is loaded).
std::string start_helper(const wchar_t* path)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!path[0]
        || !CreateProcessW(path, nullptr, nullptr, nullptr, FALSE, CREATE_NO_WINDOW | CREATE_NEW_PROCESS_GROUP, nullptr,
                           nullptr, &startup, &process)) {
        miradot::log_event("voice helper start failed (%lu)", GetLastError());
        return error_line("helper missing");
    }
    CloseHandle(process.hThread);
    std::string reply;
    bool answered = false;
    const ULONGLONG started = GetTickCount64();
    while (GetTickCount64() - started <= HELPER_START_LIMIT_MS) {
        if ((answered = ping(reply)))
            break;
        if (WaitForSingleObject(process.hProcess, EXIT_POLL_MS) == WAIT_OBJECT_0)
            break;
    }
    CloseHandle(process.hProcess);
    miradot::log_event("voice helper started, %s", answered ? "answering" : "not answering");
    return answered ? reply : error_line("helper did not start");
}

std::string open_helper(const VoiceWorker& worker)
{
    std::string reply;
    if (!ping(reply))
        reply = start_helper(worker.helperPath);
    VoiceReply status;
    if (!read_voice_reply(reply.c_str(), status) || !status.ok())
        return reply;
    if (status.form != VoiceReplyForm::Status)
        return error_line("bad reply from helper");
    if (!status.ready)
        return error_line("voice not installed");
    return request("{\"cmd\":\"start\"}", VOICE_WORK_REPLY, VOICE_START_TIMEOUT_MS);
}

std::string carry_out(const VoiceWorker& worker, int command)
{
    switch (command) {
    case VOICE_CMD_OPEN:
        return open_helper(worker);
    case VOICE_CMD_STOP:
        return request("{\"cmd\":\"stop\"}", VOICE_WORK_REPLY, VOICE_STOP_TIMEOUT_MS);
    default:
        return request("{\"cmd\":\"cancel\"}", VOICE_WORK_REPLY, VOICE_STOP_TIMEOUT_MS);
    }
}

// Posting under the lock means no reply is posted after the detach, so the
// processor can free whatever is still queued for its window.
void post_reply(VoiceWorker& worker, int command, const std::string& reply)
{
    char* copy = static_cast<char*>(std::malloc(reply.size() + 1));
    if (copy)
        std::memcpy(copy, reply.c_str(), reply.size() + 1);
    EnterCriticalSection(&worker.lock);
    bool posted = worker.messageWindow
                  && PostMessageW(worker.messageWindow, WM_VOICE_REPLY, command, reinterpret_cast<LPARAM>(copy));
    LeaveCriticalSection(&worker.lock);
    if (!posted)
        std::free(copy);
}

// The next command, 0 when there is none yet, -1 when the loop is over.
int next_command(VoiceWorker& worker)
{
    EnterCriticalSection(&worker.lock);
    int command = 0;
    if (worker.queueLength == 0) {
        if (worker.stopRequested)
            command = -1;
        else
            ResetEvent(worker.wakeEvent);
    } else {
        command = worker.queue[0];
        std::memmove(worker.queue, worker.queue + 1, (worker.queueLength - 1) * sizeof worker.queue[0]);
        --worker.queueLength;
        if (worker.queueLength == 0 && !worker.stopRequested)
            ResetEvent(worker.wakeEvent);
    }
    LeaveCriticalSection(&worker.lock);
    return command;
}

struct ThreadStart {
    VoiceWorker* worker;
    HMODULE module;  // the DLL, held while the thread runs; null in a program
};

DWORD WINAPI voice_worker_main(void* parameter)
{
    ThreadStart start = *static_cast<ThreadStart*>(parameter);
    delete static_cast<ThreadStart*>(parameter);
    for (;;) {
        WaitForSingleObject(start.worker->wakeEvent, INFINITE);
        int command = next_command(*start.worker);
        if (command < 0)
            break;
        if (command > 0)
            post_reply(*start.worker, command, carry_out(*start.worker, command));
    }
    voice_worker_release(start.worker);
    if (start.module)
        FreeLibraryAndExitThread(start.module, 0);
    return 0;
}

// The module this code lives in, with a reference, when it is a DLL.
HMODULE hold_own_module()
{
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&voice_worker_main),
                            &module))
        return nullptr;
    if (module == GetModuleHandleW(nullptr)) {
        FreeLibrary(module);
        return nullptr;
    }
    return module;
}

}  // namespace

void voice_helper_path(const wchar_t* module_path, wchar_t (&helper)[260])
{
    helper[0] = 0;
    std::wstring folder = module_path;
    for (int cut = 0; cut < 2; ++cut) {
        size_t slash = folder.find_last_of(L'\\');
        if (slash == std::wstring::npos)
            return;
        folder.resize(slash);
    }
    folder += L"\\miraDot-Voice.exe";
    if (folder.size() < 260)
        wcscpy(helper, folder.c_str());
}

VoiceWorker* voice_worker_create(HWND message_window, const wchar_t* helper_path)
{
    auto* worker = new (std::nothrow) VoiceWorker();
    if (!worker)
        return nullptr;
    worker->wakeEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!worker->wakeEvent) {
        delete worker;
        return nullptr;
    }
    InitializeCriticalSection(&worker->lock);
    worker->messageWindow = message_window;
    wcsncpy(worker->helperPath, helper_path, 259);
    return worker;
}

bool voice_worker_start(VoiceWorker* worker)
{
    auto* start = new (std::nothrow) ThreadStart{worker, hold_own_module()};
    HANDLE thread = start ? CreateThread(nullptr, 0, voice_worker_main, start, 0, nullptr) : nullptr;
    if (!thread) {
        if (start && start->module)
            FreeLibrary(start->module);
        delete start;
        voice_worker_release(worker);
        voice_worker_release(worker);
        return false;
    }
    CloseHandle(thread);
    return true;
}

bool voice_worker_queue(VoiceWorker* worker, int command)
{
    EnterCriticalSection(&worker->lock);
    bool queued = worker->queueLength < VOICE_QUEUE_CAPACITY;
    if (queued)
        worker->queue[worker->queueLength++] = command;
    SetEvent(worker->wakeEvent);
    LeaveCriticalSection(&worker->lock);
    return queued;
}

void voice_worker_detach(VoiceWorker* worker)
{
    EnterCriticalSection(&worker->lock);
    worker->stopRequested = true;
    worker->messageWindow = nullptr;
    SetEvent(worker->wakeEvent);
    LeaveCriticalSection(&worker->lock);
    voice_worker_release(worker);
}

void voice_worker_release(VoiceWorker* worker)
{
    if (InterlockedDecrement(&worker->refCount) != 0)
        return;
    DeleteCriticalSection(&worker->lock);
    CloseHandle(worker->wakeEvent);
    delete worker;
}

}  // namespace miradot
