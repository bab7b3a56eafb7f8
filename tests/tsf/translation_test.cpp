// End to end: the translation hotkey in documents and edit controls of this
// host, with a stand-in translation service ("mt_stand_in") installed as the
// runtime of a translation home of each test's own. Wine reports every
// process as elevated, and an elevated host never starts the service: the
// cases where the text service starts it run in a child of this program made
// with the limited token linked to ours.
#include "host_fixture.h"

#include "mt_home.h"
#include "open_file.h"
#include "pipe.h"
#include "utf.h"

#include <filesystem>
#include <fstream>
#include <vector>

namespace {

constexpr char REPLY_XIN_CHAO[]
    = R"({"ok":true,"text":"Chào buổi sáng, thế giới ơi!","from":"en","to":"vi","warn":[]})";
const wchar_t NOTE_XIN_CHAO[] = L"EN→VI  Chào buổi sáng, thế giới ơi!   (Tab: thay · Esc: bỏ)";
const wchar_t NOTE_ELEVATED[] = L"⚠ Dịch không chạy trong ứng dụng quyền quản trị";

bool process_elevated()
{
    HANDLE token = nullptr;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    bool elevated = OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)
                    && GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size)
                    && elevation.TokenIsElevated;
    if (token)
        CloseHandle(token);
    return elevated;
}

// What the translation note shows, or nothing when it is hidden.
std::wstring note_text()
{
    HWND hint = FindWindowW(L"miraDotTranslationNote", nullptr);
    if (!hint || !IsWindowVisible(hint))
        return L"";
    wchar_t text[401] = {};
    GetWindowTextW(hint, text, 401);
    return text;
}

std::string read_file(const std::wstring& path)
{
    std::vector<uint8_t> bytes;
    miradot::read_whole_file(path, bytes);
    return std::string(bytes.begin(), bytes.end());
}

void write_file(const std::wstring& path, const std::string& text)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(std::filesystem::path(path), std::ios::binary | std::ios::trunc) << text;
}

bool ping_service()
{
    char reply[MT_PING_REPLY];
    return pipe_request(PipeKind::Translation, "{\"cmd\":\"ping\"}", reply, sizeof reply, 300, 300);
}

class TranslationTest : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        static int counter = 0;
        tag = L"tr" + std::to_wstring(GetCurrentProcessId()) + L"x" + std::to_wstring(++counter);
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        home = std::wstring(temp) + L"miradot-mt-" + tag;
        SetEnvironmentVariableW(L"MIRADOT_MT_TAG", tag.c_str());
        SetEnvironmentVariableW(L"MIRADOT_MT_HOME", home.c_str());
        write(L"runtime\\ok", "python-3.14.10 ctranslate2-4.9.2 sentencepiece-0.2.3 msvc-14.51.36231\r\n");
        write(L"en-vi\\model.bin", "x");
        write(L"vi-en\\model.bin", "x");
        ASSERT_TRUE(CopyFileW((folder_of_program() + L"\\mt_stand_in.exe").c_str(), service().c_str(), FALSE));
        write(L"reply.txt", REPLY_XIN_CHAO);
        document.window = create_document_window(&document, display_attribute_atom(), 10, 10);
        SetForegroundWindow(document.window);
        activate();
    }

    void TearDown() override
    {
        char reply[256];
        pipe_request(PipeKind::Translation, "{\"cmd\":\"quit\"}", reply, sizeof reply, 300, 300);
        HostTest::TearDown();
        SetEnvironmentVariableW(L"MIRADOT_MT_TAG", nullptr);
        SetEnvironmentVariableW(L"MIRADOT_MT_HOME", nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(home, ignored);
    }

    std::wstring service() const { return home + L"\\runtime\\miraDot-Translate.exe"; }
    void write(const std::wstring& path, const std::string& text) { write_file(home + L"\\" + path, text); }
    std::string read(const std::wstring& path) const { return read_file(home + L"\\" + path); }
    bool exists(const std::wstring& path) const { return std::filesystem::exists(home + L"\\" + path); }

    // The service started by someone else, as when another application began it.
    void start_service_beforehand()
    {
        std::wstring command = L"\"" + service() + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        ASSERT_TRUE(CreateProcessW(service().c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                                   nullptr, nullptr, &startup, &process));
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        ASSERT_TRUE(pump_until(ping_service, 10000));
    }

    void put_text(const wchar_t* text) { document.rewrite(0, static_cast<int>(document.text().size()), text); }
    bool hotkey() { return threadMgr->press('Y', false, true, true); }
    bool wait_for_note(const std::wstring& expected, DWORD bound_ms = 15000)
    {
        return pump_until([&] { return note_text() == expected; }, bound_ms);
    }
    // Lets posted replies and timers arrive; for checking that nothing happens.
    void settle(DWORD ms)
    {
        pump_until([] { return false; }, ms);
    }

    std::wstring tag;
    std::wstring home;
};

// Cases that need the service already running: in this (elevated) process.
using RunningServiceTest = TranslationTest;

TEST_F(RunningServiceTest, ElevatedHostWithoutServiceShowsTheElevatedNote)
{
    ASSERT_TRUE(process_elevated()) << "Wine's processes are elevated";
    put_text(L"Good morning, world!");
    EXPECT_TRUE(hotkey());
    EXPECT_TRUE(wait_for_note(NOTE_ELEVATED)) << miradot::wide_to_utf8(note_text());
    EXPECT_FALSE(exists(L"started.txt"));
    EXPECT_EQ(document.text(), L"Good morning, world!");
}

TEST_F(RunningServiceTest, ElevatedHostTranslatesWithARunningServiceAndTabReplaces)
{
    start_service_beforehand();
    put_text(L"Good morning, world!");
    EXPECT_TRUE(hotkey());
    ASSERT_TRUE(wait_for_note(NOTE_XIN_CHAO)) << miradot::wide_to_utf8(note_text());
    EXPECT_EQ(read(L"request.txt"),
              R"({"cmd":"translate","text":"Good morning, world!","to":"auto","my":"vi","other":"en"})");
    EXPECT_TRUE(threadMgr->press(VK_TAB));
    EXPECT_EQ(document.text(), L"Chào buổi sáng, thế giới ơi!");
    EXPECT_EQ(document.selection(), (Span{28, 28}));
    EXPECT_EQ(note_text(), L"");
}

TEST_F(RunningServiceTest, LongResultNoteWrapsInsideTheScreen)
{
    start_service_beforehand();
    put_text(L"Good morning, world!");
    EXPECT_TRUE(hotkey());
    ASSERT_TRUE(wait_for_note(NOTE_XIN_CHAO));
    threadMgr->press(VK_ESCAPE);
    const std::wstring result = L"Sáng nay trời trong xanh, chúng tôi cùng nhau đi dạo quanh hồ Hoàn Kiếm, ăn phở bò "
                                L"nóng hổi và uống cà phê sữa đá ở một quán nhỏ ven đường.";
    write(L"reply.txt",
          R"({"ok":true,"text":")" + miradot::wide_to_utf8(result) + R"(","from":"en","to":"vi","warn":[]})");
    put_text(L"This morning the sky was clear, we walked around the lake together.");
    EXPECT_TRUE(hotkey());
    ASSERT_TRUE(wait_for_note(L"EN→VI  " + result + L"   (Tab: thay · Esc: bỏ)")) << miradot::wide_to_utf8(note_text());
    RECT frame{};
    GetWindowRect(FindWindowW(L"miraDotTranslationNote", nullptr), &frame);
    EXPECT_GE(frame.left, 0);
    EXPECT_LE(frame.right, GetSystemMetrics(SM_CXSCREEN));
    // Whether it takes two lines depends on the font Wine picks; the frame must fit either way.
    settle(300);  // the note paints before the picture is taken
    EXPECT_TRUE(take_screenshot(L"translation_note.png", {0, 0, GetSystemMetrics(SM_CXSCREEN), frame.bottom + 10}));
}

TEST_F(RunningServiceTest, TheSelectionIsTranslatedAndReplacedAlone)
{
    start_service_beforehand();
    put_text(L"keep this. Translate me. keep");
    document.set_selection(11, 24);
    EXPECT_TRUE(hotkey());
    ASSERT_TRUE(wait_for_note(NOTE_XIN_CHAO));
    EXPECT_NE(read(L"request.txt").find(R"("text":"Translate me.")"), std::string::npos);
    EXPECT_TRUE(threadMgr->press(VK_TAB));
    EXPECT_EQ(document.text(), L"keep this. Chào buổi sáng, thế giới ơi! keep");
}

TEST_F(RunningServiceTest, OnlyTheLineBeforeTheCaretIsSent)
{
    start_service_beforehand();
    SettingsWriter settings;
    settings.set(L"MtOther", L"zh");  // read again at the hotkey
    put_text(L"first line\nsecond line");
    EXPECT_TRUE(hotkey());
    ASSERT_TRUE(wait_for_note(NOTE_XIN_CHAO));
    EXPECT_EQ(read(L"request.txt"), R"({"cmd":"translate","text":"second line","to":"auto","my":"vi","other":"zh"})");
    EXPECT_TRUE(threadMgr->press(VK_TAB));
    EXPECT_EQ(document.text(), L"first line\nChào buổi sáng, thế giới ơi!");
}

TEST_F(RunningServiceTest, NothingToTranslateNamesTheCurrentHotkey)
{
    SettingsWriter settings;
    settings.set(L"HotkeyTranslate", L"Ctrl+Alt+T");
    threadMgr->press(VK_SPACE);  // the processor reads the changed settings
    const struct {
        std::wstring text;
        int start, end;
    } cases[] = {
        {L"abc\n", 4, 4},                     // caret at the start of an empty line
        {L"   \t", 4, 4},                     // only spaces
        {std::wstring(4001, L'a'), 0, 4001},  // a selection too long to send
    };
    for (const auto& c : cases) {
        put_text(c.text.c_str());
        document.set_selection(c.start, c.end);
        EXPECT_TRUE(threadMgr->press('T', false, true, true));
        EXPECT_TRUE(wait_for_note(L"Dịch: bôi đen đoạn cần dịch, hoặc gõ một dòng rồi bấm Ctrl+Alt+T."))
            << miradot::wide_to_utf8(note_text());
        threadMgr->press(VK_ESCAPE);
    }
    EXPECT_FALSE(exists(L"request.txt"));
}

TEST_F(RunningServiceTest, NotInstalledWithoutRuntimeOrLanguage)
{
    for (const wchar_t* missing : {L"runtime\\ok", L"vi-en\\model.bin"}) {
        std::string kept = read(missing);
        DeleteFileW((home + L"\\" + missing).c_str());
        put_text(L"Hello");
        EXPECT_TRUE(hotkey());
        EXPECT_EQ(note_text(), L"Dịch: chưa cài. Mở Cài đặt miraDot › Dịch › «Cài bản dịch».")
            << miradot::wide_to_utf8(missing);
        threadMgr->press(VK_ESCAPE);
        write(missing, kept);
    }
}

TEST_F(RunningServiceTest, PasswordAndPrivateFieldsAreNeverSent)
{
    start_service_beforehand();
    for (InputScope scope : {IS_PASSWORD, IS_PRIVATE, IS_NUMERIC_PIN}) {
        document.inputScopes = {scope};
        put_text(L"secret words");
        EXPECT_TRUE(hotkey());
        settle(500);
        EXPECT_EQ(note_text(), L"") << scope;
    }
    EXPECT_FALSE(exists(L"request.txt"));
}

TEST_F(RunningServiceTest, TypingOrEscDropsTheResultAndALateReplyDoesNothing)
{
    start_service_beforehand();
    put_text(L"Hello");
    EXPECT_TRUE(hotkey());
    ASSERT_TRUE(wait_for_note(NOTE_XIN_CHAO));
    threadMgr->press('X');  // typed as usual
    EXPECT_EQ(note_text(), L"");
    EXPECT_FALSE(threadMgr->press(VK_TAB));
    EXPECT_EQ(document.text().substr(0, 6), L"Hellox");

    put_text(L"Hello");
    EXPECT_TRUE(hotkey());
    ASSERT_TRUE(wait_for_note(NOTE_XIN_CHAO));
    EXPECT_TRUE(threadMgr->press(VK_ESCAPE));
    EXPECT_EQ(note_text(), L"");
    EXPECT_EQ(document.text(), L"Hello");

    // Esc while waiting: the reply that comes afterwards is not shown.
    EXPECT_TRUE(hotkey());
    EXPECT_TRUE(threadMgr->press(VK_ESCAPE));
    settle(1500);
    EXPECT_EQ(note_text(), L"");
    EXPECT_FALSE(threadMgr->press(VK_TAB));
    EXPECT_EQ(document.text().substr(0, 5), L"Hello");
}

TEST_F(RunningServiceTest, ModifierAndLockKeysLeaveTheResultOnOffer)
{
    start_service_beforehand();
    put_text(L"Good morning, world!");
    EXPECT_TRUE(hotkey());
    ASSERT_TRUE(wait_for_note(NOTE_XIN_CHAO));
    // Keys that only change what the next key means, as key handling counts them.
    for (UINT vk : {VK_SHIFT, VK_RCONTROL, VK_LMENU, VK_LWIN, VK_APPS, VK_CAPITAL, VK_NUMLOCK, VK_SCROLL}) {
        EXPECT_FALSE(threadMgr->press(vk)) << vk;
        EXPECT_EQ(note_text(), NOTE_XIN_CHAO) << vk;
    }
    EXPECT_TRUE(threadMgr->press(VK_TAB));
    EXPECT_EQ(document.text(), L"Chào buổi sáng, thế giới ơi!");
}

TEST_F(RunningServiceTest, TextEditedBeforeTabIsLeftAlone)
{
    start_service_beforehand();
    put_text(L"Hello");
    EXPECT_TRUE(hotkey());
    ASSERT_TRUE(wait_for_note(NOTE_XIN_CHAO));
    document.rewrite(0, 5, L"Hellp");  // the application changes it, the caret stays at the end
    EXPECT_TRUE(threadMgr->press(VK_TAB));
    EXPECT_EQ(document.text(), L"Hellp");
    EXPECT_EQ(note_text(), L"Dịch: chữ đã đổi, bấm Ctrl+Alt+Y lại.");
    // The note hides itself after three seconds.
    EXPECT_TRUE(pump_until([] { return note_text().empty(); }, 6000));
}

TEST_F(RunningServiceTest, ReplacementGrantedLaterStillComparesAndWrites)
{
    start_service_beforehand();
    for (bool editedMeanwhile : {false, true}) {
        document.policy = SessionPolicy::Grant;
        put_text(L"Hello");
        EXPECT_TRUE(hotkey());
        ASSERT_TRUE(wait_for_note(NOTE_XIN_CHAO));
        document.policy = SessionPolicy::Deferred;
        EXPECT_TRUE(threadMgr->press(VK_TAB));
        EXPECT_EQ(document.text(), L"Hello");  // not yet granted
        EXPECT_EQ(note_text(), L"");           // and no "changed" note before it ran
        if (editedMeanwhile)
            document.rewrite(0, 5, L"Jello");
        document.run_pending_sessions();
        if (editedMeanwhile) {
            EXPECT_EQ(document.text(), L"Jello");
            EXPECT_EQ(note_text(), L"Dịch: chữ đã đổi, bấm Ctrl+Alt+Y lại.");
        } else {
            EXPECT_EQ(document.text(), L"Chào buổi sáng, thế giới ơi!");
            EXPECT_EQ(note_text(), L"");
        }
        threadMgr->press(VK_ESCAPE);
    }
}

TEST_F(RunningServiceTest, ServiceFailuresBecomeNotes)
{
    start_service_beforehand();
    const struct {
        const char* reply;
        const wchar_t* note;
    } cases[] = {
        {R"({"ok":false,"error":"no_model","need":["vi","zh"],"from":"vi","to":"zh"})",
         L"⚠ Dịch: chưa bật tiếng Việt, tiếng Trung: Cài đặt › Dịch › Ngôn ngữ…"},
        {R"({"ok":false,"error":"translation failed: bad model"})", L"⚠ Dịch: translation failed: bad model"},
        {R"({"ok":true,"text":"Xin chào","from":"en","to":"vi","warn":["repeat"]})",
         L"EN→VI  Xin chào  ⚠ kiểm lại   (Tab: thay · Esc: bỏ)"},
    };
    for (const auto& c : cases) {
        write(L"reply.txt", c.reply);
        put_text(L"Xin chào");
        EXPECT_TRUE(hotkey());
        EXPECT_TRUE(wait_for_note(c.note)) << c.reply << " / " << miradot::wide_to_utf8(note_text());
        threadMgr->press(VK_ESCAPE);
    }
}

// A real edit control, which TSF sees only as a transitory context.
class EditControlTest : public TranslationTest {
protected:
    void SetUp() override
    {
        TranslationTest::SetUp();
        LoadLibraryW(L"riched20.dll");
        frame = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 200, 400, 120, nullptr,
                                nullptr, nullptr, nullptr);
    }
    void TearDown() override
    {
        threadMgr->set_focus(&document);
        DestroyWindow(frame);
        TranslationTest::TearDown();
    }
    HWND focus_control(const wchar_t* cls, const wchar_t* text, DWORD style = 0)
    {
        HWND control = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | ES_MULTILINE | style, 0, 0, 380, 80, frame,
                                       nullptr, nullptr, nullptr);
        threadMgr->set_focus(&legacy);
        SetForegroundWindow(frame);
        SetFocus(control);
        EXPECT_TRUE(pump_until([&] { return GetFocus() == control; }));
        return control;
    }
    static std::wstring text_of(HWND control)
    {
        wchar_t text[512] = {};
        GetWindowTextW(control, text, 512);
        return text;
    }

    HWND frame = nullptr;
    HostDocument legacy{true};
};

TEST_F(EditControlTest, MultiLineResultArrivesWithTheControlsLineBreaks)
{
    start_service_beforehand();
    write(L"reply.txt", R"({"ok":true,"text":"Dòng một.\nDòng hai.","from":"en","to":"vi","warn":[]})");
    const struct {
        const wchar_t* cls;
        const wchar_t* text;
        const wchar_t* replaced;
        const wchar_t* note;  // every line break shows as a space
    } cases[] = {
        {L"Edit", L"Line one.\r\nLine two.", L"Dòng một.\r\nDòng hai.",
         L"EN→VI  Dòng một.  Dòng hai.   (Tab: thay · Esc: bỏ)"},
        {L"RichEdit20W", L"Line one.\rLine two.", L"Dòng một.\rDòng hai.",
         L"EN→VI  Dòng một. Dòng hai.   (Tab: thay · Esc: bỏ)"},
    };
    for (const auto& c : cases) {
        HWND control = focus_control(c.cls, c.text);
        SendMessageW(control, EM_SETSEL, 0, -1);
        EXPECT_TRUE(hotkey());
        ASSERT_TRUE(wait_for_note(c.note)) << miradot::wide_to_utf8(note_text());
        EXPECT_EQ(read(L"request.txt"),
                  R"({"cmd":"translate","text":"Line one.\nLine two.","to":"auto","my":"vi","other":"en"})");
        EXPECT_TRUE(threadMgr->press(VK_TAB));
        std::wstring now = text_of(control);
        // A rich edit control reports its paragraph breaks as CR LF to WM_GETTEXT.
        if (c.cls[0] == L'R')
            now.erase(now.find(L'\n'), 1);
        EXPECT_EQ(now, c.replaced) << miradot::wide_to_utf8(c.cls);
        DestroyWindow(control);
    }
}

TEST_F(EditControlTest, TheLineBeforeTheCaretAndAChangedControl)
{
    start_service_beforehand();
    HWND control = focus_control(L"Edit", L"first\r\nHello there");
    SendMessageW(control, EM_SETSEL, 18, 18);
    EXPECT_TRUE(hotkey());
    ASSERT_TRUE(wait_for_note(NOTE_XIN_CHAO));
    EXPECT_NE(read(L"request.txt").find(R"("text":"Hello there")"), std::string::npos);
    SetWindowTextW(control, L"first\r\nHello where");
    EXPECT_TRUE(threadMgr->press(VK_TAB));
    EXPECT_EQ(text_of(control), L"first\r\nHello where");
    EXPECT_EQ(note_text(), L"Dịch: chữ đã đổi, bấm Ctrl+Alt+Y lại.");
}

TEST_F(EditControlTest, PasswordControlsAndForeignWindows)
{
    start_service_beforehand();
    HWND password = focus_control(L"Edit", L"secret", ES_PASSWORD);
    SendMessageW(password, EM_SETSEL, 0, -1);
    EXPECT_TRUE(hotkey());
    settle(500);
    EXPECT_EQ(note_text(), L"");
    EXPECT_FALSE(exists(L"request.txt"));
    DestroyWindow(password);
    HWND button = focus_control(L"BUTTON", L"OK");
    EXPECT_TRUE(hotkey());
    EXPECT_TRUE(wait_for_note(L"Dịch: ứng dụng này không cho miraDot đọc chữ.")) << miradot::wide_to_utf8(note_text());
    EXPECT_FALSE(exists(L"request.txt"));
    DestroyWindow(button);
}

// The service started by the text service itself: only in a process that is
// not elevated, which the child below is.
class ServiceStartTest : public TranslationTest {
protected:
    void SetUp() override
    {
        if (process_elevated())
            GTEST_SKIP() << "runs in the limited child (LimitedChild.RunsTheServiceStartCases)";
        TranslationTest::SetUp();
    }
    void TearDown() override
    {
        if (!IsSkipped())
            TranslationTest::TearDown();
    }
};

TEST_F(ServiceStartTest, StartsTheServiceWithItsCommandLineAndTranslates)
{
    put_text(L"Good morning, world!");
    EXPECT_TRUE(hotkey());
    ASSERT_TRUE(wait_for_note(NOTE_XIN_CHAO)) << miradot::wide_to_utf8(note_text());
    std::wstring install = folder_of_program() + L"\\stage";
    EXPECT_EQ(read(L"started.txt"),
              miradot::wide_to_utf8(L"\"" + service() + L"\" -I -B \"" + install + L"\\mt\\mt_win.py\" --serve"));
    EXPECT_TRUE(std::filesystem::exists(install + L"\\mt\\mt_win.py"));
    EXPECT_TRUE(threadMgr->press(VK_TAB));
    EXPECT_EQ(document.text(), L"Chào buổi sáng, thế giới ơi!");
    // The service keeps running for the next request.
    EXPECT_TRUE(ping_service());
}

TEST_F(ServiceStartTest, ServiceThatExitsAtOnceDidNotStart)
{
    write(L"mode.txt", "exit");
    put_text(L"Hello");
    EXPECT_TRUE(hotkey());
    EXPECT_TRUE(wait_for_note(L"⚠ Dịch: service did not start", 10000)) << miradot::wide_to_utf8(note_text());
    EXPECT_TRUE(exists(L"started.txt"));
}

TEST_F(ServiceStartTest, ServiceThatNeverAnswersIsGivenUpAfterTenSeconds)
{
    write(L"mode.txt", "silent");
    put_text(L"Hello");
    const ULONGLONG started = GetTickCount64();
    EXPECT_TRUE(hotkey());
    EXPECT_EQ(note_text(), L"⏳ đang dịch…");
    EXPECT_TRUE(wait_for_note(L"⚠ Dịch: no answer", 20000)) << miradot::wide_to_utf8(note_text());
    EXPECT_GE(GetTickCount64() - started, 10000u);
    EXPECT_EQ(document.text(), L"Hello");
}

TEST_F(ServiceStartTest, MissingServiceProgram)
{
    DeleteFileW(service().c_str());
    put_text(L"Hello");
    EXPECT_TRUE(hotkey());
    EXPECT_TRUE(wait_for_note(L"⚠ Dịch: service missing")) << miradot::wide_to_utf8(note_text());
}

// Runs ServiceStartTest in a copy of this program with the limited token.
TEST(LimitedChild, RunsTheServiceStartCases)
{
    if (!process_elevated())
        GTEST_SKIP() << "this process is the limited one";
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    TOKEN_LINKED_TOKEN linked{};
    DWORD size = 0;
    ASSERT_TRUE(GetTokenInformation(token, TokenLinkedToken, &linked, sizeof linked, &size));
    CloseHandle(token);
    wchar_t program[MAX_PATH];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(program) + L"\" --gtest_filter=ServiceStartTest.*";
    SetEnvironmentVariableW(L"HOST_TEST_CHILD", L"1");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    BOOL started = CreateProcessAsUserW(linked.LinkedToken, program, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &process);
    SetEnvironmentVariableW(L"HOST_TEST_CHILD", nullptr);
    CloseHandle(linked.LinkedToken);
    ASSERT_TRUE(started);
    CloseHandle(process.hThread);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 180000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    EXPECT_EQ(code, 0u) << "see the child's output above";
}

}  // namespace
