// The translation client's parts that need no document: the request line,
// the notes made from replies, the installed checks of the translation home,
// and reading and replacing text in real edit and rich edit controls.
#include "translation_capture.h"
#include "translation_text.h"
#include "mt_home.h"
#include "host_window.h"

#include <gtest/gtest.h>

#include <richedit.h>

#include <cstring>
#include <filesystem>
#include <string>

using namespace miradot;

namespace {

TEST(TranslationRequest, EscapesTheTextAndCountsEachLineBreakOnce)
{
    const struct {
        const wchar_t* text;
        const char* escaped;
    } cases[] = {
        {L"Tôi đi học", "Tôi đi học"},
        {L"a\tb", "a\\tb"},
        {L"one\r\ntwo", "one\\ntwo"},  // the CR LF of a plain edit control is one line break
        {L"one\rtwo\nthree", "one\\ntwo\\nthree"},
        {L"say \"hi\" \\ bye", "say \\\"hi\\\" \\\\ bye"},
        {L"bell\x07", "bell\\u0007"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(translation_request(c.text, "zh"), std::string("{\"cmd\":\"translate\",\"text\":\"") + c.escaped
                                                         + "\",\"to\":\"auto\",\"my\":\"vi\",\"other\":\"zh\"}")
            << c.escaped;
}

TEST(TranslationText, LineStartAndTranslatableText)
{
    EXPECT_EQ(line_start(L"first\nsecond"), 6u);
    EXPECT_EQ(line_start(L"a\rb\vc"), 4u);
    EXPECT_EQ(line_start(L"para\u2029next"), 5u);
    EXPECT_EQ(line_start(L"no break"), 0u);
    EXPECT_EQ(line_start(L"ends\n"), 5u);
    EXPECT_FALSE(has_translatable_text(L" \t\r\n "));
    EXPECT_FALSE(has_translatable_text(L""));
    EXPECT_TRUE(has_translatable_text(L"  .  "));
}

TEST(TranslationReply, SuccessGivesTheResultAndItsNote)
{
    std::string longText(170, 'x');
    const struct {
        std::string reply;
        bool crlf;
        std::wstring result;
        std::wstring note;
    } cases[] = {
        {R"({"ok":true,"text":"Xin chào","from":"en","to":"vi","warn":[]})", false, L"Xin chào",
         L"EN→VI  Xin chào   (Tab: thay · Esc: bỏ)"},
        {R"({"ok":true,"text":"một\nhai","from":"en","to":"vi","warn":["repeat"]})", true, L"một\r\nhai",
         L"EN→VI  một  hai  ⚠ kiểm lại   (Tab: thay · Esc: bỏ)"},
        {R"({"ok":true,"text":"một\nhai"})", false, L"một\nhai", L"  một hai   (Tab: thay · Esc: bỏ)"},
        {R"({"ok":true,"text":")" + longText + R"(","from":"vi","to":"zh","warn":[]})", false, std::wstring(170, L'x'),
         L"VI→ZH  " + std::wstring(160, L'x') + L"…   (Tab: thay · Esc: bỏ)"},
    };
    for (const auto& c : cases) {
        ReplyNote read = read_translation_reply(c.reply.c_str(), c.crlf);
        EXPECT_TRUE(read.ok) << c.reply;
        EXPECT_EQ(read.result, c.result) << c.reply;
        EXPECT_EQ(read.note, c.note) << c.reply;
    }
}

TEST(TranslationReply, FailuresBecomeTheirNotes)
{
    const struct {
        const char* reply;
        const wchar_t* note;
    } cases[] = {
        {R"({"ok":false,"error":"no_model","need":["vi","zh"]})",
         L"⚠ Dịch: chưa bật tiếng Việt, tiếng Trung: Cài đặt › Dịch › Ngôn ngữ…"},
        {R"({"ok":false,"error":"no_model","need":["xx"]})", L"⚠ Dịch: chưa bật xx: Cài đặt › Dịch › Ngôn ngữ…"},
        {R"({"ok": false, "error": "no_model", "need": ["ja"]})",
         L"⚠ Dịch: chưa bật tiếng Nhật: Cài đặt › Dịch › Ngôn ngữ…"},
        {R"({"ok":false,"error":"no_model"})", L"⚠ Dịch: chưa cài bản dịch"},
        {R"({"ok":false,"error":"model fr-en not installed"})", L"⚠ Dịch: chưa cài bản dịch"},
        {R"({"ok":false,"error":"elevated"})", L"⚠ Dịch không chạy trong ứng dụng quyền quản trị"},
        {R"({"ok":false,"error":"service did not start"})", L"⚠ Dịch: service did not start"},
        {R"({"ok":false})", L"⚠ Dịch: error"},
        {R"({"ok":true,"text":""})", L"⚠ Dịch: error"},
        {R"({"ok":"yes","text":"a"})", L"⚠ Dịch: error"},
        {R"({"ok":false,"error":"0123456789012345678901234567890123456789012345678901234567890123456789"})",
         L"⚠ Dịch: 012345678901234567890123456789012345678901234567890123456789"},
        // Cut at 60 bytes, never inside a letter: "ệ" takes three.
        {R"({"ok":false,"error":"01234567890123456789012345678901234567890123456789012345678ệ"})",
         L"⚠ Dịch: 01234567890123456789012345678901234567890123456789012345678"},
    };
    for (const auto& c : cases) {
        ReplyNote read = read_translation_reply(c.reply, false);
        EXPECT_FALSE(read.ok) << c.reply;
        EXPECT_EQ(read.note, c.note) << c.reply;
    }
}

TEST(TranslationReply, TheNeedListStopsBeforeItGrowsTooLong)
{
    std::string reply = R"({"ok":false,"error":"no_model","need":[)";
    for (int i = 0; i < 14; ++i)
        reply += std::string(i ? "," : "") + "\"es\"";
    reply += "]}";
    std::wstring note = read_translation_reply(reply.c_str(), false).note;
    // "tiếng Tây Ban Nha" is 17 characters: eight of them and their commas fit in 156.
    std::wstring names;
    for (int i = 0; i < 8; ++i)
        names += std::wstring(i ? L", " : L"") + L"tiếng Tây Ban Nha";
    EXPECT_EQ(note, L"⚠ Dịch: chưa bật " + names + L": Cài đặt › Dịch › Ngôn ngữ…");
}

TEST(TranslationNotes, NameTheHotkey)
{
    Hotkey ctrlAltY = {'Y', HK_CTRL | HK_ALT};
    EXPECT_EQ(nothing_to_translate_note(ctrlAltY),
              L"Dịch: bôi đen đoạn cần dịch, hoặc gõ một dòng rồi bấm Ctrl+Alt+Y.");
    EXPECT_EQ(text_changed_note({'T', HK_CTRL | HK_SHIFT}), L"Dịch: chữ đã đổi, bấm Ctrl+Shift+T lại.");
}

// A translation home of the test's own in the temporary folder.
class TranslationHome : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        home = std::wstring(temp) + L"mt-parts-" + std::to_wstring(GetCurrentProcessId());
        SetEnvironmentVariableW(L"MIRADOT_MT_HOME", home.c_str());
    }
    void TearDown() override
    {
        SetEnvironmentVariableW(L"MIRADOT_MT_HOME", nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(home, ignored);
    }
    void write(const std::wstring& path, const char* text)
    {
        size_t cut = path.find_last_of(L'\\');
        CreateDirectoryW((home + L"\\" + path.substr(0, cut)).c_str(), nullptr);
        HANDLE file = CreateFileW((home + L"\\" + path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
        CloseHandle(file);
    }

    std::wstring home;
};

TEST_F(TranslationHome, HomeFollowsTheVariableAndIsCreated)
{
    std::wstring found;
    ASSERT_TRUE(mt_home_path(found));
    EXPECT_EQ(found, home);
    EXPECT_NE(GetFileAttributesW(home.c_str()), INVALID_FILE_ATTRIBUTES);
    // 220 characters are too many: the local application data path is used.
    SetEnvironmentVariableW(L"MIRADOT_MT_HOME", std::wstring(220, L'a').c_str());
    wchar_t local[MAX_PATH];
    GetEnvironmentVariableW(L"LOCALAPPDATA", local, MAX_PATH);
    ASSERT_TRUE(mt_home_path(found));
    EXPECT_EQ(found, std::wstring(local) + L"\\miraDot\\mt");
}

TEST_F(TranslationHome, InstalledNeedsTheCurrentRuntimeAndOneWholeLanguage)
{
    EXPECT_FALSE(translation_installed());
    write(L"runtime\\ok", "python-3.14.10 ctranslate2-4.9.2 sentencepiece-0.2.3 msvc-14.51.36231\r\n");
    write(L"en-zh\\model.bin", "x");
    EXPECT_FALSE(translation_installed());  // half a pack
    write(L"zh-en\\model.bin", "x");
    EXPECT_TRUE(translation_installed());
    EXPECT_TRUE(is_language_installed(home, "zh"));
    EXPECT_FALSE(is_language_installed(home, "vi"));
    write(L"runtime\\ok", "python-3.14.9 ctranslate2-4.9.1 sentencepiece-0.2.3 msvc-14.51.36231\r\n");
    EXPECT_FALSE(translation_installed());
    write(L"runtime\\ok", "python-3.14.10 ctranslate2-4.9.2");
    EXPECT_FALSE(translation_installed());
}

TEST(TranslationLanguages, TableNamesAndOrder)
{
    EXPECT_STREQ(MT_LANGUAGES[0].code, "vi");
    EXPECT_STREQ(MT_LANGUAGES[MT_LANGUAGE_COUNT - 1].code, "is");
    EXPECT_STREQ(mt_language_name("sv"), L"Tiếng Thuỵ Điển");
    EXPECT_EQ(mt_language_name("en"), nullptr);
}

// The edit controls need a desktop that has a display (see use_own_desktop);
// switched to before any test makes a window on this thread.
const bool ownDesktop = use_own_desktop();

// Real edit controls in a window of the test's own.
class EditControlCapture : public ::testing::Test {
protected:
    static void SetUpTestSuite() { LoadLibraryW(L"riched20.dll"); }
    void SetUp() override
    {
        ASSERT_TRUE(ownDesktop);
        parent = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr, nullptr,
                                 nullptr);
    }
    void TearDown() override { DestroyWindow(parent); }
    HWND make(const wchar_t* cls, const wchar_t* text, DWORD style = 0)
    {
        HWND control = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | ES_MULTILINE | style, 0, 0, 380, 200,
                                       parent, nullptr, nullptr, nullptr);
        return control;
    }
    static std::wstring text_of(HWND control)
    {
        wchar_t text[512] = {};
        GetWindowTextW(control, text, 512);
        return text;
    }

    HWND parent = nullptr;
};

TEST_F(EditControlCapture, SelectionOrLineBeforeTheCaretIsCaptured)
{
    for (const wchar_t* cls : {L"Edit", L"RichEdit20W"}) {
        bool rich = cls[0] == L'R';
        HWND control = make(cls, rich ? L"first line\rsecond line" : L"first line\r\nsecond line");
        ASSERT_NE(control, nullptr) << cls;
        int lineStart = rich ? 11 : 12;
        const struct {
            int start, end;
            CaptureOutcome outcome;
            const wchar_t* text;
            bool fromSelection;
        } cases[] = {
            {0, 5, CaptureOutcome::Captured, L"first", true},
            {lineStart + 6, lineStart + 6, CaptureOutcome::Captured, L"second", false},
            {lineStart, lineStart, CaptureOutcome::Captured, L"", false},  // an empty line: nothing to send
            {3, 3, CaptureOutcome::Captured, L"fir", false},
            {0, -1, CaptureOutcome::Captured, rich ? L"first line\rsecond line" : L"first line\r\nsecond line", true},
        };
        for (const auto& c : cases) {
            SendMessageW(control, EM_SETSEL, c.start, c.end);
            WindowCapture capture;
            EXPECT_EQ(capture_from_window(control, capture), c.outcome) << cls << c.start;
            EXPECT_EQ(capture.text, c.text) << cls << c.start;
            EXPECT_EQ(capture.fromSelection, c.fromSelection) << cls << c.start;
            EXPECT_EQ(capture.rich, rich);
        }
        DestroyWindow(control);
    }
}

TEST_F(EditControlCapture, OverlongTextAndForeignControlsAreNotCaptured)
{
    std::wstring longLine(4001, L'a');
    HWND control = make(L"Edit", longLine.c_str());
    WindowCapture capture;
    SendMessageW(control, EM_SETSEL, 0, 4001);
    EXPECT_EQ(capture_from_window(control, capture), CaptureOutcome::Nothing);
    SendMessageW(control, EM_SETSEL, 4001, 4001);
    EXPECT_EQ(capture_from_window(control, capture), CaptureOutcome::Nothing);
    SendMessageW(control, EM_SETSEL, 1, 4001);
    EXPECT_EQ(capture_from_window(control, capture), CaptureOutcome::Captured);
    EXPECT_EQ(capture.text.size(), 4000u);
    HWND button = CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD, 0, 0, 50, 20, parent, nullptr, nullptr, nullptr);
    EXPECT_EQ(capture_from_window(button, capture), CaptureOutcome::ReadDenied);
    EXPECT_EQ(capture_from_window(nullptr, capture), CaptureOutcome::ReadDenied);
}

TEST_F(EditControlCapture, PasswordControlsAreRecognised)
{
    EXPECT_TRUE(is_password_control(make(L"Edit", L"", ES_PASSWORD)));
    EXPECT_FALSE(is_password_control(make(L"Edit", L"")));
    EXPECT_FALSE(is_password_control(parent));
}

TEST_F(EditControlCapture, ReplacementOnlyWhereTheCapturedTextStillIs)
{
    HWND control = make(L"Edit", L"keep Hello world");
    SendMessageW(control, EM_SETSEL, 5, 16);
    WindowCapture capture;
    ASSERT_EQ(capture_from_window(control, capture), CaptureOutcome::Captured);
    EXPECT_TRUE(replace_in_window(capture, L"Xin chào\r\nthế giới"));
    EXPECT_EQ(text_of(control), L"keep Xin chào\r\nthế giới");
    // The text changed meanwhile: nothing is replaced.
    SetWindowTextW(control, L"keep Hello World");
    EXPECT_FALSE(replace_in_window(capture, L"Xin chào"));
    EXPECT_EQ(text_of(control), L"keep Hello World");
    SetWindowTextW(control, L"keep");
    EXPECT_FALSE(replace_in_window(capture, L"Xin chào"));
    DestroyWindow(control);
    EXPECT_FALSE(replace_in_window(capture, L"Xin chào"));
}

}  // namespace
