#include "voice_windows.h"

#include "contained.h"
#include "module.h"
#include "voice_worker.h"

#include <cstdlib>

namespace miradot {

namespace {

constexpr wchar_t MESSAGE_CLASS[] = L"miraDotVoiceMsg";

LRESULT CALLBACK message_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    auto* sink = reinterpret_cast<VoiceWindowSink*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_VOICE_REPLY) {
        char* reply = reinterpret_cast<char*>(lparam);
        if (sink)
            sink->on_voice_reply(static_cast<int>(wparam), reply);
        std::free(reply);
        return 0;
    }
    if (message == WM_TIMER && wparam == VOICE_NOTE_TIMER) {
        KillTimer(window, VOICE_NOTE_TIMER);
        if (sink)
            sink->on_note_timeout();
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

HWND create_voice_message_window(VoiceWindowSink* sink)
{
    if (!register_window_class(MESSAGE_CLASS, contained_procedure<message_procedure>))
        return nullptr;
    HWND window
        = CreateWindowExW(0, MESSAGE_CLASS, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module_instance(), nullptr);
    if (window)
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(sink));
    return window;
}

int destroy_voice_message_window(HWND window)
{
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    KillTimer(window, VOICE_NOTE_TIMER);
    int freed = 0;
    MSG message;
    while (PeekMessageW(&message, window, WM_VOICE_REPLY, WM_VOICE_REPLY, PM_REMOVE)) {
        std::free(reinterpret_cast<char*>(message.lParam));
        ++freed;
    }
    DestroyWindow(window);
    return freed;
}

}  // namespace miradot
