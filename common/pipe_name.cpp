#include <windows.h>

#include <cwchar>

#include "pipe.h"
#include "user_sid.h"

bool pipe_name(PipeKind pipe, std::wstring& name) {
    name.clear();
    std::wstring sid;
    if (!user_sid_string(sid)) return false;
    DWORD session = 0;
    if (!ProcessIdToSessionId(GetCurrentProcessId(), &session)) return false;

    const wchar_t* variable = pipe == PipeKind::Voice ? L"MIRADOT_VOICE_TAG" : L"MIRADOT_MT_TAG";
    wchar_t value[22];
    DWORD length = GetEnvironmentVariableW(variable, value, 22);
    std::wstring tag;
    // A value that does not fit the buffer (22+ characters) counts as absent.
    if (length > 0 && length < 22 && !pipe_tag(value, tag)) return false;

    const wchar_t* format = pipe == PipeKind::Voice ? L"\\\\.\\pipe\\miradot-voice-%ls-%lu%ls"
                                                    : L"\\\\.\\pipe\\miradot-mt-%ls-%lu%ls";
    wchar_t buffer[200];
    int written = std::swprintf(buffer, 200, format, sid.c_str(), static_cast<unsigned long>(session), tag.c_str());
    if (written < 0 || written >= 200) return false;
    name = buffer;
    return true;
}
