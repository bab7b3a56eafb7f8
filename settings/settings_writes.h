// The settings dialog's writes to the settings key, and the one value it
// reads that the text service's record does not hold.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// "UpdateCheck": on unless it is a REG_DWORD 0.
bool update_check_enabled();

// "OptionsKnown" 0xF7, then "Options" (bit 3 cleared), then "Method".
bool write_typing_options(uint32_t method, uint32_t options);
// "ClearSeq" + 1, or 1 when it is missing or malformed.
bool raise_clear_seq();
bool write_settings_text(const wchar_t* name, const std::wstring& text);
bool write_settings_dword(const wchar_t* name, DWORD value);
