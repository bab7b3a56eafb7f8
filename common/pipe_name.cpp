#include <windows.h>

#include <cwchar>

#include "environment.h"
#include "pipe.h"
#include "user_sid.h"

bool pipe_name(PipeKind pipe, std::wstring& name)
{
    name.clear();
    std::wstring sid;
    if (!miradot::user_sid_string(sid))
        return false;
    DWORD session = 0;
    if (!ProcessIdToSessionId(GetCurrentProcessId(), &session))
        return false;

    const char* variable = pipe == PipeKind::Voice ? "MIRADOT_VOICE_TAG" : "MIRADOT_MT_TAG";
    // A value of 22 or more characters counts as absent.
    std::optional<std::wstring> value = miradot::environment_value(variable, 21);
    std::wstring tag;
    if (value && !pipe_tag(value->c_str(), tag))
        return false;

    const wchar_t* format
        = pipe == PipeKind::Voice ? L"\\\\.\\pipe\\miradot-voice-%ls-%lu%ls" : L"\\\\.\\pipe\\miradot-mt-%ls-%lu%ls";
    wchar_t buffer[200];
    int written = std::swprintf(buffer, 200, format, sid.c_str(), static_cast<unsigned long>(session), tag.c_str());
    if (written < 0 || written >= 200)
        return false;
    name = buffer;
    return true;
}
