// Calls the library's recogniser constructor so that a model it cannot read
// gives null instead of ending the helper.
#pragma once

#include "sherpa_onnx_api.h"

namespace miradot {

// The library reports unreadable model files by throwing a C++ exception out
// of its C API. From the Windows build that is a foreign (MSVC) exception no
// frame of ours can catch, so it is caught where it would end the process.
const SherpaOnnxOfflineRecognizer* create_recognizer(SherpaOnnxCreateOfflineRecognizerFn create,
                                                     const SherpaOnnxOfflineRecognizerConfig* config);

}  // namespace miradot
