// Every change to a document runs inside an edit session granted by TSF.
#include "processor.h"

#include "com_object.h"

#include <new>

namespace {

class EditSession final : public ComObject<ITfEditSession> {
public:
    EditSession(TextInputProcessor* processor, ITfContext* context, const EditRequest& request,
                EditKind kind, CompositionHolder* holder)
        : ComObject(IID_ITfEditSession), processor_(processor), context_(context), request_(request),
          kind_(kind), holder_(holder)
    {
        processor_->AddRef();
        context_->AddRef();
        holder_->add_ref();
    }

    STDMETHODIMP DoEditSession(TfEditCookie ec) override
    {
        return processor_->do_edit(ec, context_, request_, kind_, holder_);
    }

private:
    ~EditSession() override
    {
        holder_->release();
        context_->Release();
        processor_->Release();
    }

    TextInputProcessor* processor_;
    ITfContext* context_;
    EditRequest request_;
    EditKind kind_;
    CompositionHolder* holder_;
};

} // namespace

HRESULT TextInputProcessor::request_edit_session(ITfContext* context, const EditRequest& request,
                                                 EditKind kind, DWORD flags, CompositionHolder* holder)
{
    if (!holder)
        holder = compositionHolder_;
    if (!context || !holder || clientId_ == TF_CLIENTID_NULL)
        return E_FAIL;
    if (!holder->context)
        holder->set_context(context);
    // A refused write is written with the next one; ending the composition
    // then means writing it.
    EditRequest merged;
    const EditRequest* effective = &request;
    if (holder->unwritten && (kind == EDIT_APPLY || kind == EDIT_END_COMPOSITION)) {
        merged = merge_unwritten(*holder->unwritten, kind == EDIT_APPLY ? request : EditRequest{});
        effective = &merged;
        kind = EDIT_APPLY;
    }
    auto* session = new (std::nothrow) EditSession(this, context, *effective, kind, holder);
    if (!session)
        return E_OUTOFMEMORY;
    HRESULT result = E_FAIL;
    HRESULT hr = context->RequestEditSession(clientId_, session, flags, &result);
    if ((flags & TF_ES_SYNC) && SUCCEEDED(hr) && result == TF_E_SYNCHRONOUS) {
        DWORD async = (flags & ~(TF_ES_SYNC | TF_ES_ASYNC)) | TF_ES_ASYNC;
        hr = context->RequestEditSession(clientId_, session, async, &result);
    }
    session->Release();
    // Only a session that never ran leaves its text unwritten; one that ran and
    // failed part-way may already have written it.
    bool refused = FAILED(hr) || result == TF_E_NOLOCK;
    if (kind == EDIT_APPLY) {
        bool carries = effective->commitLength > 0 || effective->deleteCount > 0;
        holder->unwritten.reset(refused && carries ? new (std::nothrow) EditRequest(*effective) : nullptr);
    }
    return FAILED(hr) ? hr : result;
}

void TextInputProcessor::detach_and_finish(const EditRequest& request, EditKind kind, DWORD flags)
{
    CompositionHolder* old = compositionHolder_;
    if (!old)
        return;
    ITfContext* context = old->context;
    if (context)
        context->AddRef();
    CompositionHolder* fresh = CompositionHolder::create();
    if (fresh)
        compositionHolder_ = fresh;
    else
        old->add_ref();
    if (context) {
        request_edit_session(context, request, kind, flags, old);
        context->Release();
    }
    old->release();
}
