#include "voice_client.h"

#include "module.h"
#include "voice_worker.h"

#include "../common/utf.h"
#include "../common/voice_reply.h"

#include <algorithm>
#include <cwchar>
#include <optional>
#include <vector>

namespace miradot {

namespace {

constexpr wchar_t NOTE_OPENING[] = L"\u0110ang m\u1EDF\u2026";  // "Đang mở…"
constexpr wchar_t NOTE_LISTENING[] = L"\U0001F399 \u0111ang nghe\u2026 (%ls: xong, Esc: hu\u1EF7)";
constexpr wchar_t NOTE_TRANSCRIBING[] = L"\u23F3 \u0111ang chuy\u1EC3n th\u00E0nh ch\u1EEF\u2026";
constexpr wchar_t NOTE_NOT_INSTALLED[]
    = L"Ch\u01B0a c\u00E0i gi\u1ECDng n\u00F3i: m\u1EDF C\u00E0i \u0111\u1EB7t miraDot";
constexpr wchar_t NOTE_ERROR[] = L"\u26A0 %ls";
constexpr UINT NOT_INSTALLED_MS = 4000;
constexpr UINT ERROR_MS = 3000;

bool high_surrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }

}  // namespace

std::vector<EditRequest> transcript_requests(const std::string& text)
{
    std::optional<std::u16string> wide = miradot::utf8_to_utf16_checked(text);
    std::vector<EditRequest> requests;
    int length = wide ? static_cast<int>(wide->size()) : 0;
    for (int at = 0; at < length;) {
        int units = length - at < EDIT_COMMIT_UNITS ? length - at : EDIT_COMMIT_UNITS;
        if (at + units < length && high_surrogate((*wide)[at + units - 1]))
            --units;
        EditRequest& request = requests.emplace_back();
        std::copy_n(wide->data() + at, units, request.commitText);
        request.commitLength = units;
        at += units;
    }
    return requests;
}

bool VoiceClient::ensure_client()
{
    if (messageWindow_)
        return true;
    messageWindow_ = create_voice_message_window(this);
    if (!messageWindow_)
        return false;
    wchar_t module_path[260];
    DWORD length = GetModuleFileNameW(module_handle(), module_path, 260);
    wchar_t helper[260] = {};
    if (length > 0 && length < 260)
        voice_helper_path(module_path, helper);
    VoiceWorker* worker = voice_worker_create(messageWindow_, helper);
    if (!worker || !voice_worker_start(worker)) {
        destroy_voice_message_window(messageWindow_);
        messageWindow_ = nullptr;
        return false;
    }
    worker_ = worker;
    return true;
}

void VoiceClient::queue(int command)
{
    if (!worker_ || voice_worker_queue(worker_, command) || command == VOICE_CMD_CANCEL)
        return;
    // Nothing would ever answer the dropped command.
    state_ = VOICE_IDLE;
    show_error("voice busy");
}

void VoiceClient::hotkey(ITfContext* context)
{
    if (state_ == VOICE_LISTENING) {
        state_ = VOICE_TRANSCRIBING;
        show_note(NOTE_TRANSCRIBING, 0);
        queue(VOICE_CMD_STOP);
        return;
    }
    if (state_ != VOICE_IDLE || !context || !ensure_client())
        return;
    host_.voice_finish_word(context);
    context_ = ComPtr<ITfContext>::retain(context);
    state_ = VOICE_STARTING;
    show_note(NOTE_OPENING, 0);
    queue(VOICE_CMD_OPEN);
}

void VoiceClient::cancel()
{
    if (state_ == VOICE_IDLE)
        return;
    if (state_ == VOICE_STARTING)
        ++staleOpens_;
    queue(VOICE_CMD_CANCEL);
    state_ = VOICE_IDLE;
    note_.hide();
}

bool VoiceClient::take_key(WPARAM key, bool test)
{
    if (state_ == VOICE_IDLE)
        return false;
    if (key == VK_ESCAPE && !test && (state_ == VOICE_STARTING || state_ == VOICE_LISTENING))
        cancel();
    return true;
}

void VoiceClient::shutdown()
{
    if (state_ != VOICE_IDLE)
        queue(VOICE_CMD_CANCEL);
    state_ = VOICE_IDLE;
    staleOpens_ = 0;
    if (worker_)
        voice_worker_detach(worker_);
    worker_ = nullptr;
    note_.destroy();
    if (messageWindow_)
        destroy_voice_message_window(messageWindow_);
    messageWindow_ = nullptr;
    context_.reset();
}

void VoiceClient::on_voice_reply(int command, const char* line)
{
    if (command == VOICE_CMD_CANCEL)
        return;
    VoiceReply reply;
    bool readable = line && read_voice_reply(line, reply);
    if (command == VOICE_CMD_OPEN && staleOpens_ > 0) {
        // The user cancelled before the helper answered: stop what it started,
        // unless a new session already owns the helper.
        --staleOpens_;
        if (readable && reply.ok() && state_ == VOICE_IDLE)
            queue(VOICE_CMD_CANCEL);
        return;
    }
    if ((command == VOICE_CMD_OPEN && state_ != VOICE_STARTING)
        || (command == VOICE_CMD_STOP && state_ != VOICE_TRANSCRIBING))
        return;
    state_ = VOICE_IDLE;
    if (!line) {
        show_error("");
        return;
    }
    bool transcript = reply.form == VoiceReplyForm::Transcription || reply.form == VoiceReplyForm::Silence;
    if (!readable || (reply.ok() && command == VOICE_CMD_STOP && !transcript)) {
        show_error("bad reply from helper");
        return;
    }
    if (!reply.ok()) {
        show_error(reply.error);
        return;
    }
    if (command == VOICE_CMD_OPEN) {
        state_ = VOICE_LISTENING;
        show_listening_note();
        return;
    }
    note_.hide();
    if (!reply.text.empty())
        insert(reply.text);
}

void VoiceClient::insert(const std::string& text)
{
    std::vector<EditRequest> requests = transcript_requests(text);
    if (requests.empty()) {
        show_error("bad reply from helper");
        return;
    }
    if (context_)
        host_.voice_write(context_.get(), requests.data(), requests.size());
}

void VoiceClient::show_note(const wchar_t* text, UINT duration_ms)
{
    if (!note_.set_text(text))
        return;
    note_.place(nullptr);
    if (messageWindow_) {
        KillTimer(messageWindow_, VOICE_NOTE_TIMER);
        if (duration_ms)
            SetTimer(messageWindow_, VOICE_NOTE_TIMER, duration_ms, nullptr);
    }
}

void VoiceClient::show_listening_note()
{
    std::u16string name = format_hotkey(host_.voice_hotkey_setting());
    std::wstring shown = name.empty() ? std::wstring(L"Ctrl+Alt+V") : std::wstring(name.begin(), name.end());
    wchar_t text[120];
    _snwprintf(text, 119, NOTE_LISTENING, shown.c_str());
    text[119] = 0;
    show_note(text, 0);
}

void VoiceClient::show_error(const std::string& error)
{
    if (error.find("not installed") != std::string::npos) {
        show_note(NOTE_NOT_INSTALLED, NOT_INSTALLED_MS);
        return;
    }
    std::wstring message = miradot::utf8_to_wide(error.empty() ? "voice error" : error);
    wchar_t text[240];
    _snwprintf(text, 239, NOTE_ERROR, message.c_str());
    text[239] = 0;
    show_note(text, ERROR_MS);
}

}  // namespace miradot
