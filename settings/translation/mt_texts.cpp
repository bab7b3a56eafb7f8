// translation: the translation feature's platform-neutral decisions (catalogue, jobs, texts, toggles, area).
#include "mt_texts.h"

#include "mt_catalog.h"

namespace {

constexpr uint64_t SPARE_BYTES = 500000000;

std::wstring number(uint64_t value) { return std::to_wstring(value); }

}  // namespace

std::wstring installed_languages_text(const std::vector<int>& installedRows)
{
    if (installedRows.size() > 4)
        return number(installedRows.size() + 1) + L" ngôn ngữ";
    std::wstring list = L"Anh";
    const std::wstring prefix = L"Tiếng ";
    for (int row : installedRows) {
        std::wstring name = language_row(row).name;
        if (name.compare(0, prefix.size(), prefix) == 0)
            name.erase(0, prefix.size());
        if (list.size() + 2 + name.size() > 396)
            break;
        list += L", " + name;
    }
    return list;
}

std::wstring translation_status_text(bool ready, const std::vector<int>& installedRows)
{
    if (!ready)
        return L"Chưa cài. Tải khoảng 850 MB một lần; sau đó dịch không cần mạng.";
    return L"Đã cài: " + installed_languages_text(installedRows) + L". Dịch ngay trên máy, không gửi chữ đi đâu.";
}

std::wstring language_status_text(bool installed, bool pending, bool available, int megabytes)
{
    if (pending)
        return L"Đang chờ…";
    if (installed)
        return installed_text(megabytes);
    return available ? L"khoảng " + number(megabytes) + L" MB" : L"Sắp có";
}

std::wstring languages_note_text(uint64_t freeBytes)
{
    const uint64_t tenths = (freeBytes + 50000000) / 100000000;
    return L"Bật để tải về: dịch với tiếng Việt và tiếng Anh, chạy trên máy, không cần mạng. Tắt để gỡ và lấy lại "
           L"chỗ. Ổ đĩa còn trống "
           + number(tenths / 10) + L"." + number(tenths % 10) + L" GB.";
}

std::wstring remove_question_text(const std::string& code)
{
    int row = find_language(code);
    return L"Gỡ " + language_display_name(code) + L"?\n\nLấy lại khoảng "
           + number(row < 0 ? 0 : language_row(row).megabytes)
           + L" MB trên ổ đĩa. Muốn dùng lại thì bật lên, miraDot tải lại.";
}

std::wstring installed_text(int megabytes) { return L"Đã cài · " + number(megabytes) + L" MB"; }

std::wstring removed_text(uint64_t bytes)
{
    return L"Đã gỡ, lấy lại khoảng " + number((bytes + 500000) / 1000000) + L" MB";
}

std::wstring not_enough_space_text(int megabytes, uint64_t freeBytes)
{
    return L"Không đủ chỗ: cần khoảng " + number(megabytes + 500) + L" MB, còn " + number(freeBytes / 1000000) + L" MB";
}

std::wstring job_space_error(uint64_t neededBytes, uint64_t freeBytes)
{
    if (freeBytes == 0 || freeBytes >= neededBytes + SPARE_BYTES)
        return L"";
    return L"Lỗi: cần khoảng " + number((neededBytes + SPARE_BYTES) / 1000000) + L" MB trống, ổ đĩa còn "
           + number(freeBytes / 1000000) + L" MB.";
}

std::wstring download_progress_text(int file, int fileCount, int percent)
{
    return L"Đang tải " + number(file) + L"/" + number(fileCount) + L" · " + number(percent) + L" %…";
}

std::wstring speech_progress_text(int percent) { return L"Đang tải… " + number(percent) + L" %"; }
