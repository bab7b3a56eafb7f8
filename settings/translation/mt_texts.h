// translation: the translation feature's platform-neutral decisions (catalogue, jobs, texts, toggles, area).
// The texts the translation installers show: status lines, toggle states,
// progress and the figures in their messages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// "Anh, Việt, Trung" for the installed rows in table order, or "%d ngôn ngữ"
// (English counted) when more than four are installed.
std::wstring installed_languages_text(const std::vector<int>& installedRows);

// Status line 127.
std::wstring translation_status_text(bool ready, const std::vector<int>& installedRows);

// A toggle's state in the languages dialog; available: its files can be
// verified, so it can be installed ("Sắp có" otherwise).
std::wstring language_status_text(bool installed, bool pending, bool available, int megabytes);

// Note 202 with the free bytes in gigabytes, one decimal.
std::wstring languages_note_text(uint64_t freeBytes);

std::wstring remove_question_text(const std::string& code);
std::wstring installed_text(int megabytes);
std::wstring removed_text(uint64_t bytes);
std::wstring not_enough_space_text(int megabytes, uint64_t freeBytes);

// A job needs its bytes plus 500 MB to spare; "" when it has them (or the
// free space is unknown), else the failure line.
std::wstring job_space_error(uint64_t neededBytes, uint64_t freeBytes);

// "Đang tải 3/16 · 45 %…"
std::wstring download_progress_text(int file, int fileCount, int percent);

// The speech model's progress, "Đang tải… 45 %".
std::wstring speech_progress_text(int percent);
