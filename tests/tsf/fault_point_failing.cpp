// The test build's fault points: MIRADOT_TEST_FAULT names the fault to make
// once ("alloc" or "throw" while handling a key, "session" inside an edit
// session); it is cleared when made.
#include "fault_point.h"

#include <windows.h>

#include <cwchar>
#include <new>
#include <stdexcept>

namespace miradot {

namespace {

bool take_fault(const wchar_t* name)
{
    wchar_t value[16];
    DWORD length = GetEnvironmentVariableW(L"MIRADOT_TEST_FAULT", value, 16);
    if (length == 0 || length >= 16 || wcscmp(value, name) != 0)
        return false;
    SetEnvironmentVariableW(L"MIRADOT_TEST_FAULT", nullptr);
    return true;
}

}  // namespace

void fault_point(FaultSite site)
{
    if (site == FaultSite::Key && take_fault(L"alloc"))
        throw std::bad_alloc();
    if (site == FaultSite::Key && take_fault(L"throw"))
        throw std::runtime_error("key handling fails on purpose");
    if (site == FaultSite::EditSession && take_fault(L"session"))
        throw std::runtime_error("edit session fails on purpose");
}

}  // namespace miradot
