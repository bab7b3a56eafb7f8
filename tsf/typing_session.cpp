#include "typing_session.h"

#include "context_helpers.h"
#include "engine_host.h"
#include "fault_point.h"

#include <algorithm>
#include <new>
#include <utility>

namespace miradot {

TypingSession::TypingSession(IUnknown* owner, ITfCompositionSink* sink, LanguageSwitch* language)
    : owner_(owner), language_(language), holder_(CompositionHolder::create()), writer_(sink)
{
}

bool TypingSession::start(TfClientId client)
{
    clientId_ = client;
    faultedContext_.reset();
    if (!engine_)
        engine_.reset(engine_create());
    return started();
}

void TypingSession::stop()
{
    if (engine_)
        commit_pending_word(EDIT_SYNC_WRITE);
    // Keys must not be lost with the processor, even before writes they wait for.
    send_held_keys(true);
    writer_.forget_caret();
    composing_ = false;
}

void TypingSession::set_settings(uint32_t method, uint32_t options)
{
    method_ = method;
    options_ = options;
    push_options();
}

void TypingSession::set_english(bool english)
{
    english_ = english;
    push_options();
}

uint32_t TypingSession::option_word() const
{
    uint32_t options = options_;
    if (english_)
        options |= OPT_ENGLISH_MODE;
    if (privateField_)
        options &= ~OPT_LEARN;
    return options;
}

void TypingSession::push_options()
{
    if (!engine_)
        return;
    engine_set_method(engine_.get(), method_);
    engine_set_options(engine_.get(), option_word());
}

EngineOutput TypingSession::flush()
{
    EngineOutput output;
    {
        EngineLock lock;
        engine_flush(engine_.get(), &output);
    }
    composing_ = false;
    return output;
}

void TypingSession::drop_word()
{
    if (engine_) {
        EngineLock lock;
        engine_reset(engine_.get());
    }
    composing_ = false;
    hide_hint();
}

void TypingSession::commit_pending_word(DWORD flags) { detach_and_finish(make_edit_request(flush()), flags); }

void TypingSession::focus_changed(ITfContext* focus)
{
    // Coming back to a field writes what it was refused while the word was left.
    if (focus)
        write_owed(focus, EDIT_ASYNC_WRITE);
    if (engine_) {
        commit_pending_word(EDIT_ASYNC_WRITE);
        EngineLock lock;
        engine_reset(engine_.get());
    }
    composing_ = false;
    hide_hint();
}

void TypingSession::insert_text(ITfContext* context, const EditRequest* requests, size_t count)
{
    drop_word();
    for (size_t i = 0; i < count; ++i)
        if (FAILED(write(context, requests[i], TF_ES_ASYNCDONTCARE | TF_ES_READWRITE)))
            break;
}

void TypingSession::finish_word(ITfContext* context, DWORD flags)
{
    if (!engine_)
        return;
    EditRequest request = make_edit_request(flush());
    ITfContext* owner = holder_ ? holder_->context.get() : nullptr;
    if (owner && !same_object(owner, context)) {
        detach_and_finish(request, EDIT_ASYNC_WRITE);
        return;
    }
    if (!context)
        return;
    if (request.commitLength > 0 || request.deleteCount > 0)
        write(context, request, flags);
    else if (holder_->keeps_characters())
        end_composition(owner ? owner : context, EDIT_SYNC_WRITE);
}

bool TypingSession::end_word_for_click()
{
    if (!engine_ || !holder_ || !has_pending_word() || !holder_->context || !is_transitory(holder_->context.get()))
        return false;
    drop_word();
    detach_and_end_composition(EDIT_ASYNC_WRITE);
    return true;
}

void TypingSession::selection_changed(ITfContext* context, TfEditCookie ec)
{
    TF_SELECTION selection{};
    ULONG fetched = 0;
    if (FAILED(context->GetSelection(ec, TF_DEFAULT_SELECTION, 1, &selection, &fetched)) || fetched != 1)
        return;
    ComPtr<ITfRange> caret;
    caret.attach(selection.range);
    if (writer_.is_expected_caret(ec, caret.get()))
        return;
    drop_word();
    // Writes still waiting count as the composition they will make.
    if (holder_ && (holder_->composition || holder_->waiting > 0))
        detach_for_caret_move();
}

void TypingSession::composition_terminated(TfEditCookie ec, ITfComposition* composition)
{
    if (!holder_ || !holder_->composition || holder_->composition.get() != composition)
        return;
    writer_.composition_terminated(ec, *holder_);
    drop_word();
}

void TypingSession::show_note(CaretNote& note, ITfContext* context, const wchar_t* text)
{
    if (!note.set_text(text))
        return;
    // Shown at the caret at once; placed below the selection when a session to
    // read its place is granted, later perhaps.
    if (!context || is_transitory(context) || !place_at_selection(note.window(), context))
        note.place(nullptr);
}

ComPtr<CompositionHolder> TypingSession::holder_for(ITfContext* context, ComPtr<CompositionHolder> holder)
{
    if (!holder)
        holder = holder_;
    if (!context || !holder || clientId_ == TF_CLIENTID_NULL)
        return {};
    if (!holder->context)
        holder->context = ComPtr<ITfContext>::retain(context);
    return holder;
}

EditSessionResult TypingSession::run(ITfContext* context, DWORD flags, EditWork work, ComPtr<CompositionHolder> counted)
{
    // A write granted now would overtake those still waiting there.
    if (counted && waiting_in(context) > 0)
        flags = (flags & ~TF_ES_SYNC) | TF_ES_ASYNC;
    auto queued = std::make_shared<bool>(false);
    // A session that waits keeps the processor, and so this session, alive.
    // A fault in the work ends here; the typing in that document goes off.
    auto contained_work = [this, owner = ComPtr<IUnknown>::retain(owner_), target = ComPtr<ITfContext>::retain(context),
                           counted, queued, work = std::move(work)](TfEditCookie ec) {
        HRESULT hr;
        try {
            fault_point(FaultSite::EditSession);
            hr = work(ec);
        } catch (...) {
            contain_fault(target.get());
            hr = E_FAIL;
        }
        if (*queued) {
            *queued = false;
            session_ran(target.get(), counted.get());
        }
        return hr;
    };
    EditSessionResult result = request_edit_session(context, clientId_, flags, std::move(contained_work));
    if (counted && result.queued()) {
        *queued = true;
        ++counted->waiting;
        count_waiting(context, 1);
    }
    return result;
}

HRESULT TypingSession::write(ITfContext* context, const EditRequest& request, DWORD flags,
                             ComPtr<CompositionHolder> holder)
{
    holder = holder_for(context, std::move(holder));
    if (!holder)
        return E_FAIL;
    write_owed(context, flags);
    // A refused write is written with the next one.
    EditRequest effective = holder->unwritten ? merge_unwritten(*holder->unwritten, request) : request;
    EditSessionResult result = run(
        context, flags,
        [this, target = ComPtr<ITfContext>::retain(context), effective, holder](TfEditCookie ec) {
            return write_now(ec, target.get(), effective, *holder).result;
        },
        holder);
    // Only a session that never ran leaves its text unwritten; one that ran and
    // failed part-way may already have written it.
    bool carries = effective.commitLength > 0 || effective.deleteCount > 0;
    holder->unwritten.reset(result.refused() && carries ? new (std::nothrow) EditRequest(effective) : nullptr);
    // A holder let go of has no next write of its own: it is owed one.
    auto owed = [&holder](const ComPtr<CompositionHolder>& other) { return other.get() == holder.get(); };
    if (holder->unwritten && holder.get() != holder_.get() && std::none_of(owing_.begin(), owing_.end(), owed))
        owing_.push_back(holder);
    return result.combined();
}

void TypingSession::write_owed(ITfContext* context, DWORD flags)
{
    std::vector<ComPtr<CompositionHolder>> owed;
    for (auto it = owing_.begin(); it != owing_.end();) {
        if (same_object((*it)->context.get(), context)) {
            owed.push_back(std::move(*it));
            it = owing_.erase(it);
        } else {
            ++it;
        }
    }
    // Oldest first, each in its own composition, before anything newer there;
    // one refused again is owed again.
    for (ComPtr<CompositionHolder>& holder : owed)
        write(context, EditRequest{}, flags, holder);
}

DocumentWriter::Written TypingSession::write_now(TfEditCookie ec, ITfContext* context, const EditRequest& request,
                                                 CompositionHolder& holder)
{
    bool current = &holder == holder_.get();
    DocumentWriter::Written written = writer_.write(ec, context, request, holder, current);
    // Nothing of the word is composed any more: the engine lets it go.
    bool word_gone = written.insertedPlainly || (written.caretMoved && request.compositionLength == 0);
    if (word_gone && current)
        drop_word();
    return written;
}

HRESULT TypingSession::end_composition(ITfContext* context, DWORD flags, ComPtr<CompositionHolder> holder)
{
    holder = holder_for(context, std::move(holder));
    if (!holder)
        return E_FAIL;
    // Ending the composition means writing what the application refused before.
    if (holder->unwritten)
        return write(context, EditRequest{}, flags, holder);
    return run(
               context, flags,
               [this, holder](TfEditCookie ec) {
                   writer_.end_composition(ec, *holder);
                   return S_OK;
               },
               holder)
        .combined();
}

void TypingSession::read_field_scope(ITfContext* context)
{
    if (!holder_for(context, {}))
        return;
    run(context, EDIT_SYNC_READ, [this, target = ComPtr<ITfContext>::retain(context)](TfEditCookie ec) {
        privateField_ = is_private_field(ec, target.get());
        return S_OK;
    });
}

bool TypingSession::field_is_private(ITfContext* context)
{
    read_field_scope(context);
    push_options();
    return privateField_;
}

bool TypingSession::place_at_selection(HWND note_window, ITfContext* context)
{
    if (!holder_for(context, {}))
        return false;
    auto placed = std::make_shared<bool>(false);
    run(context, EDIT_SYNC_READ, [placed, note_window, target = ComPtr<ITfContext>::retain(context)](TfEditCookie ec) {
        CaretNote* note = CaretNote::of(note_window);
        if (!note || note->empty())
            return S_OK;
        if (std::optional<RECT> rect = selection_rect(ec, target.get())) {
            note->place(&*rect);
            *placed = true;
        }
        return S_OK;
    });
    return *placed;
}

ComPtr<CompositionHolder> TypingSession::detach()
{
    ComPtr<CompositionHolder> old = holder_;
    if (ComPtr<CompositionHolder> fresh = CompositionHolder::create())
        holder_ = std::move(fresh);
    return old;
}

void TypingSession::detach_and_finish(const EditRequest& request, DWORD flags)
{
    if (!holder_)
        return;
    ComPtr<CompositionHolder> old = detach();
    if (ComPtr<ITfContext> context = old->context)
        write(context.get(), request, flags, old);
}

void TypingSession::detach_for_caret_move()
{
    // Where the last write left the caret is where a word not yet begun in
    // the document was typed.
    ComPtr<ITfRange> typed_at;
    if (!holder_->composition && holder_->context)
        typed_at = writer_.expected_caret_in(holder_->context.get());
    ComPtr<CompositionHolder> old = detach();
    if (old.get() != holder_.get()) {
        old->caretMovedAway = true;
        old->start = std::move(typed_at);
    }
    if (ComPtr<ITfContext> context = old->context)
        end_composition(context.get(), EDIT_ASYNC_WRITE, old);
}

void TypingSession::detach_and_end_composition(DWORD flags)
{
    if (!holder_)
        return;
    ComPtr<CompositionHolder> old = detach();
    if (ComPtr<ITfContext> context = old->context)
        end_composition(context.get(), flags, old);
}

}  // namespace miradot
