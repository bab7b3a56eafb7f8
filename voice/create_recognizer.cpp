#include "create_recognizer.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace miradot {

#ifdef _WIN32

namespace {

CONTEXT resumePoint;
volatile DWORD guardedThread = 0;
volatile bool failed = false;

// Runs only for an exception that nothing else handles. C++ exceptions are
// raised as non-continuable, so instead of returning the filter jumps back to
// the capture in create_recognizer, leaving the dispatch behind.
LONG WINAPI resume_after_failure(EXCEPTION_POINTERS*)
{
    if (GetCurrentThreadId() != guardedThread)
        return EXCEPTION_CONTINUE_SEARCH;
    failed = true;
    RtlRestoreContext(&resumePoint, nullptr);
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

__attribute__((noinline)) const SherpaOnnxOfflineRecognizer*
create_recognizer(SherpaOnnxCreateOfflineRecognizerFn create, const SherpaOnnxOfflineRecognizerConfig* config)
{
    failed = false;
    guardedThread = GetCurrentThreadId();
    LPTOP_LEVEL_EXCEPTION_FILTER previous = SetUnhandledExceptionFilter(resume_after_failure);
    RtlCaptureContext(&resumePoint);
    const SherpaOnnxOfflineRecognizer* recognizer = failed ? nullptr : create(config);
    SetUnhandledExceptionFilter(previous);
    guardedThread = 0;
    return failed ? nullptr : recognizer;
}

#else

const SherpaOnnxOfflineRecognizer* create_recognizer(SherpaOnnxCreateOfflineRecognizerFn create,
                                                     const SherpaOnnxOfflineRecognizerConfig* config)
{
    try {
        return create(config);
    } catch (...) {
        return nullptr;
    }
}

#endif

}  // namespace miradot
