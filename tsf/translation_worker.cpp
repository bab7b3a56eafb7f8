#include "translation_worker.h"

#include "diagnostics_log.h"
#include "module.h"
#include "mt_home.h"
#include "pipe.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace miradot {

namespace {

constexpr DWORD START_WAIT_MS = 29999;
constexpr DWORD EXIT_POLL_MS = 200;

bool ping_service()
{
    char reply[MT_PING_REPLY];
    return pipe_request(PipeKind::Translation, PIPE_PING, reply, sizeof reply, MT_PING_TIMEOUT_MS, MT_PING_DEADLINE_MS);
}

// Starts the service and waits until it answers; the error otherwise.
const char* start_service(const TranslationJob& job)
{
    std::wstring home;
    if (!mt_home_path(home) || !translation_installed())
        return "no_model";
    std::wstring program = home + L"\\runtime\\miraDot-Translate.exe";
    std::wstring command = L"\"" + program + L"\" -I -B \"" + job.installFolder + L"\\mt\\mt_win.py\" --serve";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE,
                        CREATE_NO_WINDOW | CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup, &process)) {
        miradot::log_event("translation service start failed (%lu)", GetLastError());
        return "service missing";
    }
    CloseHandle(process.hThread);
    const ULONGLONG started = GetTickCount64();
    bool answered = false;
    while (GetTickCount64() - started <= START_WAIT_MS) {
        if ((answered = ping_service()))
            break;
        if (WaitForSingleObject(process.hProcess, EXIT_POLL_MS) == WAIT_OBJECT_0)
            break;
    }
    CloseHandle(process.hProcess);
    miradot::log_event("translation service started, %s", answered ? "answering" : "not answering");
    return answered ? nullptr : "service did not start";
}

void post_reply(const TranslationJob& job, char* reply)
{
    if (!PostMessageW(job.window, WM_TRANSLATION_REPLY, job.generation, reinterpret_cast<LPARAM>(reply)))
        std::free(reply);
}

void post_error(const TranslationJob& job, const char* error)
{
    char* reply = static_cast<char*>(std::malloc(160));
    if (!reply)
        return;
    std::snprintf(reply, 160, "{\"ok\":false,\"error\":\"%s\"}", error);
    post_reply(job, reply);
}

void run(const TranslationJob& job)
{
    const char* error = nullptr;
    if (!ping_service()) {
        if (!job.notElevated)
            error = "elevated";
        else
            error = start_service(job);
    }
    if (error) {
        post_error(job, error);
        return;
    }
    char* reply = static_cast<char*>(std::malloc(MT_WORK_REPLY));
    if (!reply)
        return;
    if (!pipe_request(PipeKind::Translation, job.request.c_str(), reply, MT_WORK_REPLY, MT_WORK_TIMEOUT_MS,
                      MT_WORK_DEADLINE_MS)) {
        std::free(reply);
        post_error(job, "no answer");
        return;
    }
    post_reply(job, reply);
}

// The thread holds a reference on the DLL (the worker may outlive the
// processor) and gives it back as its very last act.
struct WorkerStart {
    std::unique_ptr<TranslationJob> job;
    HMODULE module;
};

DWORD WINAPI worker_main(void* parameter)
{
    HMODULE module;
    {
        std::unique_ptr<WorkerStart> start(static_cast<WorkerStart*>(parameter));
        module = start->module;
        run(*start->job);
    }
    FreeLibraryAndExitThread(module, 0);
}

}  // namespace

bool start_translation_worker(TranslationJob* job)
{
    auto start = std::make_unique<WorkerStart>();
    start->job.reset(job);
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCWSTR>(&start_translation_worker), &start->module))
        return false;
    HANDLE thread = CreateThread(nullptr, 0, worker_main, start.get(), 0, nullptr);
    if (!thread) {
        FreeLibrary(start->module);
        return false;
    }
    start.release();
    CloseHandle(thread);
    return true;
}

std::wstring install_folder()
{
    wchar_t dll[MAX_PATH];
    DWORD length = GetModuleFileNameW(module_handle(), dll, MAX_PATH);
    std::wstring folder(dll, length < MAX_PATH ? length : 0);
    for (int up = 0; up < 2; ++up) {
        size_t cut = folder.rfind(L'\\');
        folder.resize(cut == std::wstring::npos ? 0 : cut);
    }
    return folder;
}

bool process_is_elevated()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    bool elevated
        = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) && elevation.TokenIsElevated;
    CloseHandle(token);
    return elevated;
}

}  // namespace miradot
