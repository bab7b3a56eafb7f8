#pragma once

#include <windows.h>

// Creates one text input processor and returns the requested interface.
HRESULT create_text_input_processor(REFIID riid, void** ppv);
