#include "translation_client.h"

#include "com_ptr.h"
#include "contained.h"
#include "context_helpers.h"
#include "edit_session.h"
#include "hotkey.h"
#include "module.h"
#include "mt_home.h"
#include "translation_text.h"
#include "translation_worker.h"

#include <cstdlib>
#include <new>

namespace miradot {

// What one replacement compares and writes; the edit session owns a copy, so
// a session that TSF grants only later still has its texts.
struct ReplaceJob {
    std::wstring source;
    std::wstring result;
    bool fromSelection = false;
    bool replaced = false;
    UINT generation = 0;  // the client's generation right after the request
};

namespace {

constexpr wchar_t MESSAGE_CLASS[] = L"miraDotTrMsg";
constexpr UINT_PTR NOTE_TIMER = 1;
constexpr UINT_PTR CAPTURE_TIMER = 0x1000;
constexpr UINT CAPTURE_DELAY_MS = 30;
constexpr UINT NOTE_MS = 3500;
constexpr UINT CHANGED_NOTE_MS = 3000;
constexpr LONG MAX_CAPTURE = 4000;

LRESULT CALLBACK message_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    auto* client = reinterpret_cast<TranslationClient*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_TIMER) {
        KillTimer(window, wparam);
        if (client)
            client->on_timer(wparam);
        return 0;
    }
    if (message == WM_TRANSLATION_REPLY) {
        char* reply = reinterpret_cast<char*>(lparam);
        if (client && reply)
            client->on_reply(static_cast<UINT>(wparam), reply);
        std::free(reply);
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

// Reads the range's text, at most `capacity` characters.
std::wstring range_text(TfEditCookie ec, ITfRange* range, ULONG capacity)
{
    std::wstring text(capacity, L'\0');
    ULONG got = 0;
    if (FAILED(range->GetText(ec, 0, text.data(), capacity, &got)))
        got = 0;
    text.resize(got);
    return text;
}

bool key_down(int vk) { return GetKeyState(vk) < 0; }

}  // namespace

TranslationClient::TranslationClient(TranslationHost& host) : host_(host) {}

TranslationClient::~TranslationClient()
{
    if (context_)
        context_->Release();
}

bool TranslationClient::ensure_window()
{
    if (window_)
        return true;
    if (!active_ || !register_window_class(MESSAGE_CLASS, contained_procedure<message_procedure>))
        return false;
    window_ = CreateWindowExW(0, MESSAGE_CLASS, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module_instance(), nullptr);
    if (window_)
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return window_ != nullptr;
}

void TranslationClient::reset()
{
    state_ = TR_IDLE;
    ++generation_;
    source_.clear();
    result_.clear();
    if (context_)
        context_->Release();
    context_ = nullptr;
    control_ = WindowCapture{};
}

void TranslationClient::show_note(ITfContext* context, const std::wstring& text, UINT ms)
{
    ComPtr<ITfContext> held = ComPtr<ITfContext>::retain(context);
    reset();
    show(held.get(), text.c_str());
    noteShown_ = true;
    if (window_)
        SetTimer(window_, NOTE_TIMER, ms, nullptr);
}

void TranslationClient::show(ITfContext* context, const wchar_t* text)
{
    host_.hide_hint();
    host_.show_note(note_, context, text);
}

void TranslationClient::dismiss()
{
    if (state_ == TR_IDLE && !noteShown_)
        return;
    reset();
    noteShown_ = false;
    note_.hide();
}

void TranslationClient::shutdown()
{
    reset();
    noteShown_ = false;
    active_ = false;
    note_.destroy();
    if (!window_)
        return;
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    // Replies already posted carry heap buffers that only this window frees.
    MSG message;
    while (PeekMessageW(&message, window_, WM_TRANSLATION_REPLY, WM_TRANSLATION_REPLY, PM_REMOVE))
        std::free(reinterpret_cast<char*>(message.lParam));
    DestroyWindow(window_);
    window_ = nullptr;
}

void TranslationClient::hotkey(ITfContext* context)
{
    if (!active_)
        return;
    if (state_ == TR_RESULT)
        apply(context);
    else if (state_ == TR_IDLE)
        start(context);
}

bool TranslationClient::key(WPARAM key, bool test)
{
    if (!active_ || (state_ == TR_IDLE && !noteShown_) || is_modifier_or_lock_key(UINT(key)))
        return false;
    if (key == VK_ESCAPE && state_ != TR_IDLE) {
        if (!test)
            dismiss();
        return true;
    }
    if (key == VK_TAB && state_ == TR_RESULT && !key_down(VK_SHIFT) && !key_down(VK_CONTROL) && !key_down(VK_MENU)) {
        if (!test)
            apply(nullptr);
        return true;
    }
    dismiss();
    return false;
}

void TranslationClient::start(ITfContext* context)
{
    if (!context || !ensure_window())
        return;
    host_.finish_word(context, EDIT_SYNC_WRITE);
    if (noteShown_ || state_ != TR_IDLE) {
        reset();
        noteShown_ = false;
        note_.hide();
    }
    HWND focus = GetFocus();
    if (host_.field_is_private(context) || is_password_control(focus))
        return;
    if (!translation_installed()) {
        show_note(context, TR_NOTE_NOT_INSTALLED, NOTE_MS);
        return;
    }
    context->AddRef();
    context_ = context;
    readDenied_ = false;
    control_ = WindowCapture{};
    state_ = TR_BUSY;
    if (is_transitory(context)) {
        // The control draws what TSF sees only as a composition: read it
        // itself, once the key that started this has been handled.
        show(context, TR_NOTE_WORKING);
        SetTimer(window_, CAPTURE_TIMER | (generation_ & 0xFFF), CAPTURE_DELAY_MS, nullptr);
        return;
    }
    UINT generation = generation_;
    requesting_ = true;
    HRESULT hr = request_edit_session(context, host_.client_id(), EDIT_SYNC_READ,
                                      [self = shared_from_this(), target = ComPtr<ITfContext>::retain(context),
                                       generation](TfEditCookie ec) {
                                          self->read_with_tsf(ec, target.get(), generation);
                                          return S_OK;
                                      })
                     .combined();
    requesting_ = false;
    // A read granted later sends by itself; one refused sends nothing.
    if (hr == TF_S_ASYNC || generation != generation_ || state_ != TR_BUSY)
        return;
    if (FAILED(hr))
        readDenied_ = true;
    send(context);
}

void TranslationClient::read_with_tsf(TfEditCookie ec, ITfContext* context, UINT generation)
{
    if (!active_ || generation != generation_ || state_ != TR_BUSY || !source_.empty())
        return;
    TF_SELECTION selection{};
    ULONG fetched = 0;
    if (SUCCEEDED(context->GetSelection(ec, TF_DEFAULT_SELECTION, 1, &selection, &fetched)) && fetched == 1) {
        ComPtr<ITfRange> range;
        range.attach(selection.range);
        BOOL empty = TRUE;
        range->IsEmpty(ec, &empty);
        if (!empty) {
            std::wstring text = range_text(ec, range.get(), MAX_CAPTURE + 1);
            if (text.size() <= static_cast<size_t>(MAX_CAPTURE)) {
                source_ = text;
                fromSelection_ = true;
            }
        } else {
            ComPtr<ITfRange> line;
            LONG moved = 0;
            if (SUCCEEDED(range->Clone(line.out())) && SUCCEEDED(line->ShiftStart(ec, -MAX_CAPTURE, &moved, nullptr))) {
                std::wstring text = range_text(ec, line.get(), MAX_CAPTURE);
                source_ = text.substr(line_start(text));
                fromSelection_ = false;
            }
        }
    }
    // Within the request the caller sends; a session granted later sends here.
    if (!requesting_)
        send(context);
}

void TranslationClient::capture_from_control()
{
    HWND focus = GetFocus();
    CaptureOutcome outcome = capture_from_window(focus, control_);
    readDenied_ = outcome == CaptureOutcome::ReadDenied;
    if (outcome == CaptureOutcome::Captured) {
        source_ = control_.text;
        fromSelection_ = control_.fromSelection;
    }
    state_ = TR_IDLE;
    ComPtr<ITfContext> context = ComPtr<ITfContext>::retain(context_);
    send(context.get());
}

void TranslationClient::send(ITfContext* context)
{
    ComPtr<ITfContext> held = ComPtr<ITfContext>::retain(context);
    if (!has_translatable_text(source_)) {
        bool denied = readDenied_;
        show_note(held.get(),
                  denied ? TR_NOTE_READ_DENIED : nothing_to_translate_note(host_.current_settings().translateHotkey),
                  NOTE_MS);
        return;
    }
    auto* job = new (std::nothrow) TranslationJob;
    if (job) {
        job->window = window_;
        job->generation = generation_;
        job->request = translation_request(source_, host_.current_settings().otherLanguage);
        job->installFolder = install_folder();
        job->notElevated = !process_is_elevated();
    }
    state_ = TR_BUSY;
    show(held.get(), TR_NOTE_WORKING);
    if (!job || !start_translation_worker(job)) {
        reset();
        note_.hide();
    }
}

void TranslationClient::on_timer(UINT_PTR id)
{
    if (id == NOTE_TIMER) {
        if (noteShown_ && state_ == TR_IDLE)
            note_.hide();
        noteShown_ = false;
        return;
    }
    if (id == (CAPTURE_TIMER | (generation_ & 0xFFF)) && state_ == TR_BUSY && source_.empty() && !control_.window)
        capture_from_control();
}

void TranslationClient::on_reply(UINT generation, const char* reply)
{
    if (generation != generation_ || state_ != TR_BUSY)
        return;
    ReplyNote read = read_translation_reply(reply, control_.window && !control_.rich);
    if (!read.ok) {
        show_note(context_, read.note, NOTE_MS);
        return;
    }
    result_ = read.result;
    state_ = TR_RESULT;
    show(context_, read.note.c_str());
}

void TranslationClient::apply(ITfContext* context)
{
    if (state_ != TR_RESULT || result_.empty())
        return;
    ComPtr<ITfContext> target = ComPtr<ITfContext>::retain(context_ ? context_ : context);
    bool replaced = false;
    std::shared_ptr<ReplaceJob> job;
    if (control_.window) {
        replaced = replace_in_window(control_, result_);
    } else if (target) {
        job = std::make_shared<ReplaceJob>();
        job->source = source_;
        job->result = result_;
        job->fromSelection = fromSelection_;
        requesting_ = true;
        HRESULT hr = request_edit_session(target.get(), host_.client_id(), EDIT_SYNC_WRITE,
                                          [self = shared_from_this(), target, job](TfEditCookie ec) {
                                              self->replace_with_tsf(ec, target.get(), *job);
                                              return S_OK;
                                          })
                         .combined();
        requesting_ = false;
        if (hr == TF_S_ASYNC && !job->replaced) {
            // Granted later: the session tells then whether it replaced.
            reset();
            noteShown_ = false;
            note_.hide();
            host_.drop_word();
            job->generation = generation_;
            return;
        }
        replaced = job->replaced;
    }
    finish_replacement(target.get(), replaced);
}

void TranslationClient::finish_replacement(ITfContext* context, bool replaced)
{
    ComPtr<ITfContext> held = ComPtr<ITfContext>::retain(context);
    reset();
    noteShown_ = false;
    note_.hide();
    host_.drop_word();
    if (!replaced)
        show_note(held.get(), text_changed_note(host_.current_settings().translateHotkey), CHANGED_NOTE_MS);
}

void TranslationClient::replace_with_tsf(TfEditCookie ec, ITfContext* context, ReplaceJob& job)
{
    TF_SELECTION selection{};
    ULONG fetched = 0;
    if (SUCCEEDED(context->GetSelection(ec, TF_DEFAULT_SELECTION, 1, &selection, &fetched)) && fetched == 1) {
        ComPtr<ITfRange> range;
        range.attach(selection.range);
        BOOL empty = TRUE;
        range->IsEmpty(ec, &empty);
        ComPtr<ITfRange> target;
        const LONG length = static_cast<LONG>(job.source.size());
        if (job.fromSelection && !empty) {
            target = std::move(range);
        } else if (!job.fromSelection && empty && SUCCEEDED(range->Clone(target.out()))) {
            LONG moved = 0;
            if (FAILED(target->ShiftStart(ec, -length, &moved, nullptr)) || moved != -length)
                target.reset();
        }
        if (target && range_text(ec, target.get(), length + 1) == job.source
            && SUCCEEDED(target->SetText(ec, 0, job.result.c_str(), static_cast<LONG>(job.result.size())))) {
            target->Collapse(ec, TF_ANCHOR_END);
            TF_SELECTION caret{};
            caret.range = target.get();
            caret.style.ase = TF_AE_NONE;
            caret.style.fInterimChar = FALSE;
            context->SetSelection(ec, 1, &caret);
            job.replaced = true;
        }
    }
    // A session granted after the request returned reports by itself, unless
    // a new translation has begun meanwhile.
    if (!requesting_ && !job.replaced && active_ && job.generation == generation_ && state_ == TR_IDLE)
        show_note(context, text_changed_note(host_.current_settings().translateHotkey), CHANGED_NOTE_MS);
}

}  // namespace miradot
