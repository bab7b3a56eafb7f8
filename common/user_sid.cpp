#include "user_sid.h"

#include <windows.h>

#include <sddl.h>

namespace miradot {

bool user_sid_string(std::wstring& sid)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    alignas(TOKEN_USER) BYTE buffer[256];
    DWORD length = 0;
    bool ok = GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &length);
    CloseHandle(token);
    if (!ok)
        return false;
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text))
        return false;
    sid = text;
    LocalFree(text);
    return sid.size() < 128;
}

}  // namespace miradot
