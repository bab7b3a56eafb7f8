// The learned-data line and its clearing, with the file and the clear
// counter read back, and a text service in this process that must drop what
// it holds in memory when the settings program clears the file.
#include "engine.h"
#include "engine_host.h"
#include "settings_window.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include "case_name.h"

using namespace miradot;

namespace {

using miradot::EngineLock;
using miradot::ensure_learned_data;
using miradot::note_learning_change;
using miradot::save_learned_if_due;

namespace fs = std::filesystem;
using namespace miradot;  // the engine host of the text service

constexpr int LEARNED_LINE = 107, CLEAR = 108;
const std::string HEADER = "# miraDot learned data v1\n";
const std::string THREE = HEADER + "o\tvieet\tv\t1\np\txin\t2\np\tch\xC3\xA0o\t1\n";

std::wstring entries_line(long long count) { return std::to_wstring(count) + L" mục, chỉ lưu trên máy này"; }

std::string repeated(const std::string& piece, size_t times)
{
    std::string out;
    out.reserve(piece.size() * times);
    for (size_t n = 0; n < times; ++n)
        out += piece;
    return out;
}

std::string every_byte(size_t blocks)
{
    std::string block(256, '\0');
    for (int n = 0; n < 256; ++n)
        block[n] = char(n);
    return repeated(block, blocks);
}

struct LineCase {
    const char* name;
    std::optional<std::string> file;  // nothing: no file at all
    std::wstring line;
};

// Over-long lines count once per 1,023-byte piece; a binary file of 4,096
// blocks of all byte values has one line feed per block and no piece that
// starts with a line end or "#", so 4,097 pieces.
const LineCase LINE_CASES[] = {
    {"no file", std::nullopt, L"Chưa học gì"},
    {"empty file", "", L"Chưa học gì"},
    {"only the header", HEADER, L"Chưa học gì"},
    {"blank lines and comments", "\n\r\n#x\n\n", L"Chưa học gì"},
    {"three entries", THREE, entries_line(3)},
    {"last line without line end", "a\nb", entries_line(2)},
    {"line of 3000 bytes", std::string(3000, 'x') + "\n", entries_line(3)},
    {"line of exactly 1023 bytes", std::string(1023, 'x') + "\n", entries_line(1)},
    {"binary", every_byte(4096), entries_line(4097)},
    {"huge", repeated("p\tword\t1\n", 2'500'000), entries_line(2'500'000)},
};

class LearnedLine : public testing::TestWithParam<LineCase> {};

TEST_P(LearnedLine, CountsTheEntriesOfTheFile)
{
    TempFolder folder(L"miradot-learned-line");
    fs::path file = folder.path() / "user.tsv";
    if (GetParam().file)
        folder.write("user.tsv", *GetParam().file);
    SettingsProgram program(Environment{{L"MIRADOT_SETTINGS_KEY", fresh_settings_key(L"learned-line")},
                                        {L"MIRADOT_USER_FILE", file.wstring()}});
    ASSERT_TRUE(program.dialog(30000));
    EXPECT_EQ(program.text(LEARNED_LINE), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(Files, LearnedLine, testing::ValuesIn(LINE_CASES),
                         [](const auto& info) { return case_name(std::string_view(info.param.name)); });

std::wstring window_text(HWND window)
{
    wchar_t text[300] = {};
    GetWindowTextW(window, text, 300);
    return text;
}

// Answers the confirmation with "Xoá" (IDOK) or "Không xoá" (IDCANCEL) and
// waits for it to go.
void answer_confirmation(SettingsProgram& program, int button)
{
    HWND box = find_message_box(program);
    ASSERT_NE(box, nullptr) << "no confirmation appeared";
    EXPECT_EQ(window_text(box), L"Cài đặt miraDot");
    EXPECT_EQ(window_text(GetDlgItem(box, IDOK)), L"Xoá");
    EXPECT_EQ(window_text(GetDlgItem(box, IDCANCEL)), L"Không xoá");
    click_window(GetDlgItem(box, button));
    EXPECT_TRUE(wait_until([&] { return !IsWindow(box); }));
}

TEST(ClearingLearnedData, AsksFirstThenDeletesTheFileAndRaisesTheCounter)
{
    TempFolder folder(L"miradot-clear");
    fs::path file = folder.write("user.tsv", THREE);
    std::wstring key = fresh_settings_key(L"clear");
    write_text(key, L"ClearSeq", L"7");  // not a DWORD: counts as missing
    SettingsProgram program(Environment{{L"MIRADOT_SETTINGS_KEY", key}, {L"MIRADOT_USER_FILE", file.wstring()}});
    ASSERT_TRUE(program.dialog());
    EXPECT_EQ(program.text(LEARNED_LINE), entries_line(3));

    program.click(CLEAR);
    answer_confirmation(program, IDCANCEL);
    EXPECT_TRUE(fs::exists(file));
    EXPECT_FALSE(read_dword(key, L"ClearSeq"));
    EXPECT_EQ(program.text(LEARNED_LINE), entries_line(3));

    program.click(CLEAR);
    answer_confirmation(program, IDOK);
    // The line is counted afresh after the counter is raised.
    EXPECT_TRUE(wait_until([&] { return program.text(LEARNED_LINE) == L"Chưa học gì"; }));
    EXPECT_EQ(read_dword(key, L"ClearSeq"), 1u);
    EXPECT_FALSE(fs::exists(file));

    // With nothing learned there is nothing to ask about.
    program.click(CLEAR);
    EXPECT_EQ(find_message_box(program, 2000), nullptr);
    EXPECT_EQ(read_dword(key, L"ClearSeq"), 1u);

    folder.write("user.tsv", THREE);
    program.click(CLEAR);
    answer_confirmation(program, IDOK);
    EXPECT_TRUE(wait_until([&] { return read_dword(key, L"ClearSeq") == 2u; }));
    EXPECT_FALSE(fs::exists(file));
}

// The question in the dark theme: the dialogs' palette, its own buttons,
// "Không xoá" as the default that Enter and Esc take.
TEST(ClearingLearnedData, TheQuestionFollowsTheDarkTheme)
{
    TempFolder folder(L"miradot-clear-dark");
    fs::path file = folder.write("user.tsv", THREE);
    SettingsProgram program(Environment{{L"MIRADOT_SETTINGS_KEY", fresh_settings_key(L"clear-dark")},
                                        {L"MIRADOT_USER_FILE", file.wstring()},
                                        {L"MIRADOT_SETTINGS_THEME", L"dark"}});
    ASSERT_TRUE(program.dialog());
    program.click(CLEAR);
    HWND box = find_message_box(program);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(screenshot_window(box, L"confirm_clear_dark.png"));
    POINT corner{3, 3};
    ClientToScreen(box, &corner);
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetPixel(screen, corner.x, corner.y), RGB(0x0A, 0x0F, 0x1F)) << "the dark window background";
    ReleaseDC(nullptr, screen);
    program.key(VK_RETURN);
    EXPECT_TRUE(wait_until([&] { return !IsWindow(box); }));
    EXPECT_TRUE(fs::exists(file)) << "Enter keeps the data";
}

// This process stands in for an application hosting the text service: its
// engine host loaded the file before the settings program cleared it.
TEST(ClearingLearnedData, ARunningTextServiceDropsWhatItHolds)
{
    TempFolder folder(L"miradot-clear-host");
    fs::path file = folder.write("user.tsv", THREE);
    std::wstring key = fresh_settings_key(L"clear-host");
    write_dword(key, L"ClearSeq", 41);
    SetEnvironmentVariableW(L"MIRADOT_USER_FILE", file.c_str());
    SetEnvironmentVariableW(L"MIRADOT_SETTINGS_KEY", key.c_str());
    ASSERT_TRUE(ensure_learned_data());
    {
        EngineLock lock;
        ASSERT_EQ(learned_count(), 3);
    }

    SettingsProgram program(Environment{});
    ASSERT_TRUE(program.dialog());
    program.click(CLEAR);
    answer_confirmation(program, IDOK);
    ASSERT_TRUE(wait_until([&] { return read_dword(key, L"ClearSeq") == 42u; }));

    // Learning goes on in the application; its next save must not bring the
    // cleared entries back.
    note_learning_change();
    save_learned_if_due(true);
    {
        EngineLock lock;
        EXPECT_EQ(learned_count(), 0);
    }
    EXPECT_TRUE(!fs::exists(file) || read_file(file).find("xin") == std::string::npos);
}

}  // namespace
