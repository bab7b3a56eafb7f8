// The voice client's worker thread: it alone talks to the voice helper over
// the voice pipe (starting the helper when nothing answers) and posts every
// reply to the processor's message window, so that the application's thread
// never waits on the pipe.
#pragma once

#include <windows.h>

namespace miradot {

constexpr int VOICE_CMD_OPEN = 1;
constexpr int VOICE_CMD_STOP = 2;
constexpr int VOICE_CMD_CANCEL = 3;

// Word parameter: the command; long parameter: a heap copy (malloc) of the
// UTF-8 reply line, or null when the copy failed. The receiver frees it.
constexpr UINT WM_VOICE_REPLY = WM_APP + 0x42;

constexpr int VOICE_QUEUE_CAPACITY = 16;

// Shared by the processor and the worker thread; whoever lets go last frees it.
struct VoiceWorker {
    LONG refCount = 2;
    CRITICAL_SECTION lock;  // guards everything below
    HANDLE wakeEvent = nullptr;
    int queue[VOICE_QUEUE_CAPACITY] = {};
    int queueLength = 0;
    bool stopRequested = false;
    HWND messageWindow = nullptr;  // none once the processor has detached
    wchar_t helperPath[260] = {};
};

// "miraDot-Voice.exe" in the parent of the folder that holds `module_path`;
// empty when the module path is unusable.
void voice_helper_path(const wchar_t* module_path, wchar_t (&helper)[260]);

// A record with both references taken and no thread yet; null on failure.
VoiceWorker* voice_worker_create(HWND message_window, const wchar_t* helper_path);

// Starts the thread, which keeps the DLL loaded until it has drained its
// queue. On failure the record is freed and false returned.
bool voice_worker_start(VoiceWorker* worker);

// Appends a command; false when 16 are already waiting and it was dropped.
bool voice_worker_queue(VoiceWorker* worker, int command);

// The processor lets go: queued commands are still carried out, but no reply
// is posted once this returns. Drops the processor's reference.
void voice_worker_detach(VoiceWorker* worker);

void voice_worker_release(VoiceWorker* worker);

}  // namespace miradot
