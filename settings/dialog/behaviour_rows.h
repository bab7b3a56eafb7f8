// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
// The seven typing behaviours of the dialog: their check box, their bit of
// the option word and the hint line under their title.
#pragma once

#include "resource.h"

#include <cstdint>

struct BehaviourRow {
    int id;
    uint32_t bit;
    const wchar_t* hint;
};

// In the order the dialog shows them.
inline constexpr BehaviourRow BEHAVIOURS[] = {
    {IDC_AUTO_ENGLISH, 0x01, L"windows, ESP32, meeting… giữ nguyên"},
    {IDC_AUTO_CORRECT, 0x02, L"sữa lỗi → sửa lỗi, chia sẽ → chia sẻ"},
    {IDC_PUNCTUATION, 0x40, L"đi chơi , về → đi chơi, về; sau dấu chấm viết hoa"},
    {IDC_HINTS, 0x80, L"gõ test ra tét? bấm Tab để đổi lại"},
    {IDC_LEARN, 0x10, L"xoá một từ rồi gõ lại: lần sau miraDot nhớ"},
    {IDC_SHORTHAND, 0x20, L"ko → không, đc → được, ntn → như thế nào"},
    {IDC_OLD_TONE, 0x04, L"òa, ùy thay cho oà, uỳ"},
};

inline constexpr const wchar_t* UPDATE_CHECK_HINT = L"mỗi ngày một lần, không gửi gì về bạn";
