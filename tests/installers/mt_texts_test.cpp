#include <gtest/gtest.h>

#include <set>

#include "mt_catalog.h"
#include "mt_texts.h"
#include "outcome_texts.h"

namespace {

std::vector<int> rows(std::initializer_list<const char*> codes)
{
    std::vector<int> result;
    for (const char* code : codes)
        result.push_back(find_language(code));
    return result;
}

TEST(TranslationTexts, StatusLineListsUpToFourLanguagesThenCountsThem)
{
    EXPECT_EQ(translation_status_text(false, {}), L"Chưa cài. Tải khoảng 850 MB một lần; sau đó dịch không cần mạng.");
    const std::pair<std::vector<int>, std::wstring> cases[] = {
        {rows({"vi"}), L"Anh, Việt"},
        {rows({"vi", "zh", "es", "ar"}), L"Anh, Việt, Trung, Tây Ban Nha, Ả Rập"},
        {rows({"vi", "zh", "ja", "ko", "fr", "de", "es"}), L"8 ngôn ngữ"},
        {rows({"vi", "zh", "ja", "ko", "fr"}), L"6 ngôn ngữ"},
    };
    for (const auto& [installed, list] : cases)
        EXPECT_EQ(translation_status_text(true, installed),
                  L"Đã cài: " + list + L". Dịch ngay trên máy, không gửi chữ đi đâu.");
}

TEST(TranslationTexts, ToggleStatesAndFigures)
{
    EXPECT_EQ(language_status_text(false, true, true, 807), L"Đang chờ…");
    EXPECT_EQ(language_status_text(true, true, true, 807), L"Đang chờ…");
    EXPECT_EQ(language_status_text(true, false, true, 807), L"Đã cài · 807 MB");
    EXPECT_EQ(language_status_text(true, false, false, 807), L"Đã cài · 807 MB");
    EXPECT_EQ(language_status_text(false, false, true, 412), L"khoảng 412 MB");
    EXPECT_EQ(language_status_text(false, false, false, 412), L"Sắp có");
    EXPECT_EQ(removed_text(403496716ull * 2), L"Đã gỡ, lấy lại khoảng 807 MB");
    EXPECT_EQ(removed_text(0), L"Đã gỡ, lấy lại khoảng 0 MB");
    EXPECT_EQ(not_enough_space_text(807, 1234567890), L"Không đủ chỗ: cần khoảng 1307 MB, còn 1234 MB");
    EXPECT_EQ(download_progress_text(3, 16, 45), L"Đang tải 3/16 · 45 %…");
    EXPECT_EQ(speech_progress_text(0), L"Đang tải… 0 %");
    EXPECT_EQ(remove_question_text("fr"),
              L"Gỡ tiếng Pháp?\n\nLấy lại khoảng 793 MB trên ổ đĩa. Muốn dùng lại thì bật lên, miraDot tải lại.");
    const std::pair<uint64_t, const wchar_t*> notes[]
        = {{12345678901ull, L"12.3"}, {0, L"0.0"}, {949999999, L"0.9"}, {950000000, L"1.0"}};
    for (const auto& [bytes, gigabytes] : notes)
        EXPECT_EQ(languages_note_text(bytes),
                  std::wstring(L"Bật để tải về: dịch với tiếng Việt và tiếng Anh, chạy trên máy, không cần mạng. Tắt "
                               L"để gỡ và lấy lại chỗ. Ổ đĩa còn trống ")
                      + gigabytes + L" GB.");
}

TEST(TranslationTexts, AJobNeedsItsBytesAndFiveHundredMegabytesToSpare)
{
    const uint64_t needed = 200000000 + 403496716ull * 2;
    EXPECT_EQ(job_space_error(needed, 0), L"") << "unknown free space does not block";
    EXPECT_EQ(job_space_error(needed, needed + 500000000), L"");
    EXPECT_EQ(job_space_error(needed, needed + 499999999), L"Lỗi: cần khoảng 1506 MB trống, ổ đĩa còn 1506 MB.");
    EXPECT_EQ(job_space_error(needed, 3000000), L"Lỗi: cần khoảng 1506 MB trống, ổ đĩa còn 3 MB.");
}

// Every way a job can fail has its own line, and a refused download has one
// wording wherever it happens.
TEST(OutcomeTexts, EachFailureHasALineOfItsOwn)
{
    std::set<std::wstring> lines;
    for (int code = int(Outcome::NoFolder); code <= int(Outcome::InstallerNotRun); ++code) {
        const Outcome outcome = Outcome(code);
        const std::wstring line = outcome_text(outcome);
        const bool failure = outcome != Outcome::NoOffer && outcome != Outcome::Cancelled;
        EXPECT_EQ(line.rfind(L"Lỗi: ", 0) == 0, failure) << code;
        EXPECT_TRUE(lines.insert(line).second) << code << " words another outcome's line";
    }
    EXPECT_EQ(outcome_text(Outcome::Done), std::wstring());
    EXPECT_EQ(outcome_text(Outcome::Refused), std::wstring(L"Lỗi: không tải được (máy chủ từ chối)."));
}

}  // namespace
