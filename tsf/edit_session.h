// Every change to a document runs inside an edit session that TSF grants;
// each session carries the work it does.
#pragma once

#include "tsf_interfaces.h"

#include <functional>

namespace miradot {

// Edit-session flag words in use.
constexpr DWORD EDIT_SYNC_WRITE = TF_ES_SYNC | TF_ES_READWRITE;  // falls back to asynchronous
constexpr DWORD EDIT_ASYNC_WRITE = TF_ES_READWRITE;
constexpr DWORD EDIT_SYNC_READ = TF_ES_SYNC | TF_ES_READ;

using EditWork = std::function<HRESULT(TfEditCookie ec)>;

struct EditSessionResult {
    HRESULT request = E_FAIL;  // of RequestEditSession
    HRESULT session = E_FAIL;  // what the session returned, or why it did not run

    // The session never ran, so nothing it was to write reached the document.
    bool refused() const { return FAILED(request) || session == TF_E_NOLOCK; }
    // Granted for later: the session runs after the key that asked for it.
    bool queued() const { return SUCCEEDED(request) && session == TF_S_ASYNC; }
    HRESULT combined() const { return FAILED(request) ? request : session; }
};

// Asks for a session that runs `work` in `context`; a synchronous request that
// TSF cannot grant at once is made again asynchronously unless `only_now`.
EditSessionResult request_edit_session(ITfContext* context, TfClientId client, DWORD flags, EditWork work,
                                       bool only_now = false);

}  // namespace miradot
