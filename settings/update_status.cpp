#include "update_status.h"

#include "update_check.h"

#include <cwchar>

bool describe_update(std::wstring* line)
{
    constexpr size_t SHOWN_NOTES = 150;
    constexpr size_t CUT_NOTES = 147;
    char version[24];
    wchar_t notes[512];
    if (read_available_update(version, notes, 512)) {
        std::wstring shown = notes;
        if (shown.size() > SHOWN_NOTES)
            shown = shown.substr(0, CUT_NOTES) + L"…";
        wchar_t text[700];
        std::swprintf(text, 700, L"Có bản mới %hs. %ls", version, shown.c_str());
        *line = text;
        return true;
    }
    switch (read_last_check_state()) {
    case 0:
        *line = L"Chưa kiểm tra.";
        break;
    case 2:
        *line = L"Lần kiểm tra trước không thành công (mạng?).";
        break;
    default:
        *line = L"Đang dùng bản mới nhất.";
        break;
    }
    return false;
}
