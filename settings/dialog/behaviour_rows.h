// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
// The seven typing behaviours of the dialog: their check box, their bit of
// the option word and the hint line under their title.
#pragma once

#include "engine.h"
#include "resource.h"
#include "settings_store.h"

#include <cstdint>

struct BehaviourRow {
    int id;
    uint32_t bit;
    const wchar_t* hint;
};

// In the order the dialog shows them.
inline constexpr BehaviourRow BEHAVIOURS[] = {
    {IDC_AUTO_ENGLISH, OPT_AUTO_ENGLISH, L"windows, ESP32, meeting… giữ nguyên"},
    {IDC_AUTO_CORRECT, OPT_AUTO_CORRECT, L"sữa lỗi → sửa lỗi, chia sẽ → chia sẻ"},
    {IDC_PUNCTUATION, OPT_PUNCTUATION, L"đi chơi , về → đi chơi, về; sau dấu chấm viết hoa"},
    {IDC_HINTS, OPT_HINTS, L"gõ test ra tét? bấm Tab để đổi lại"},
    {IDC_LEARN, OPT_LEARN, L"xoá một từ rồi gõ lại: lần sau miraDot nhớ"},
    {IDC_SHORTHAND, OPT_SHORTHAND, L"ko → không, đc → được, ntn → như thế nào"},
    {IDC_OLD_TONE, OPT_OLD_TONE, L"òa, ùy thay cho oà, uỳ"},
};

// Every bit a writer stores has exactly one check box.
constexpr bool rows_cover_each_storable_bit_once()
{
    uint32_t seen = 0;
    for (const BehaviourRow& row : BEHAVIOURS) {
        if ((row.bit & (row.bit - 1)) != 0 || (seen & row.bit) != 0)
            return false;
        seen |= row.bit;
    }
    return seen == STORABLE_OPTIONS;
}
static_assert(rows_cover_each_storable_bit_once());

inline constexpr const wchar_t* UPDATE_CHECK_HINT = L"mỗi ngày một lần, không gửi gì về bạn";
