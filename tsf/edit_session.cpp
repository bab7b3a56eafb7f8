#include "edit_session.h"

#include "com_object.h"
#include "contained.h"
#include "com_ptr.h"

#include <new>
#include <utility>

namespace miradot {

namespace {

class EditSession final : public ComObject<ITfEditSession> {
public:
    explicit EditSession(EditWork work) : ComObject(IID_ITfEditSession), work_(std::move(work)) {}

    STDMETHODIMP DoEditSession(TfEditCookie ec) override
    {
        return contained([&] { return work_(ec); }, E_FAIL);
    }

private:
    EditWork work_;
};

}  // namespace

EditSessionResult request_edit_session(ITfContext* context, TfClientId client, DWORD flags, EditWork work,
                                       bool only_now)
{
    EditSessionResult result;
    ComPtr<EditSession> session;
    session.attach(new (std::nothrow) EditSession(std::move(work)));
    if (!session) {
        result.request = E_OUTOFMEMORY;
        return result;
    }
    result.request = context->RequestEditSession(client, session.get(), flags, &result.session);
    if ((flags & TF_ES_SYNC) && !only_now && SUCCEEDED(result.request) && result.session == TF_E_SYNCHRONOUS) {
        DWORD async = (flags & ~(TF_ES_SYNC | TF_ES_ASYNC)) | TF_ES_ASYNC;
        result.request = context->RequestEditSession(client, session.get(), async, &result.session);
    }
    return result;
}

}  // namespace miradot
