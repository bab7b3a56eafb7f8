// Voice typing end to end: the registered text service starts the real voice
// helper from the staged install folder; the helper records through Wine's
// audio (a private sound server playing test speech, started by
// run-with-sound.sh) or, without one, reads the test speech file, and decodes
// it with the tests' tiny model, which hears every recording as "Xin chào".
#include "host_fixture.h"

#include "../../common/pipe.h"
#include "../../common/utf.h"
#include "../../common/voice_reply.h"

#include <tlhelp32.h>

#include <cstdio>
#include <string>

namespace {

const std::wstring NOTE_OPENING = L"\u0110ang m\u1EDF\u2026";
const std::wstring NOTE_TRANSCRIBING = L"\u23F3 \u0111ang chuy\u1EC3n th\u00E0nh ch\u1EEF\u2026";
const std::wstring NOTE_NOT_INSTALLED
    = L"Ch\u01B0a c\u00E0i gi\u1ECDng n\u00F3i: m\u1EDF C\u00E0i \u0111\u1EB7t miraDot";
const std::wstring TRANSCRIPT = L"Xin ch\u00E0o";
// Wine's capture delivers its first samples about a second after the start.
constexpr DWORD RECORDING_MS = 3000;

std::wstring listening_note(const std::wstring& hotkey)
{
    return L"\U0001F399 \u0111ang nghe\u2026 (" + hotkey + L": xong, Esc: hu\u1EF7)";
}

std::wstring error_note(const std::wstring& error) { return L"\u26A0 " + error; }

bool sound_server() { return GetEnvironmentVariableW(L"MIRADOT_TEST_SOUND", nullptr, 0) > 0; }

std::wstring helper_program() { return folder_of_program() + L"\\stage\\miraDot-Voice.exe"; }

std::string helper_request(const char* request, unsigned timeout_ms = VOICE_PING_TIMEOUT_MS)
{
    char reply[VOICE_WORK_REPLY];
    return pipe_request(PipeKind::Voice, request, reply, sizeof reply, timeout_ms) ? reply : "";
}

// Whether the helper of this test answers "ping", and whether it records.
enum class Helper { Absent, Idle, Recording };
Helper helper_state()
{
    VoiceReply status;
    if (!read_voice_reply(helper_request("{\"cmd\":\"ping\"}").c_str(), status))
        return Helper::Absent;
    return status.recording ? Helper::Recording : Helper::Idle;
}

// Ends every voice helper of this Wine session the hard way.
int kill_helpers()
{
    int killed = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (_wcsicmp(entry.szExeFile, L"miraDot-Voice.exe") != 0)
            continue;
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID);
        if (process && TerminateProcess(process, 9)) {
            WaitForSingleObject(process, 5000);
            ++killed;
        }
        if (process)
            CloseHandle(process);
    }
    CloseHandle(snapshot);
    return killed;
}

std::wstring temp_file(const std::wstring& name)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"miradot-voice-" + std::to_wstring(GetCurrentProcessId()) + L"-" + name;
}

void write_file(const std::wstring& path, const std::string& content)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
}

std::string transcription_line(const std::string& text)
{
    VoiceReply reply;
    reply.form = VoiceReplyForm::Transcription;
    reply.raw = text;
    reply.text = text;
    reply.hasLevel = true;
    reply.level = 0.1;
    return write_voice_reply(reply);
}

class VoiceTest : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        // A helper of each test's own, reached through its own pipe name.
        static int run = 0;
        std::wstring tag = L"host" + std::to_wstring(GetCurrentProcessId()) + L"t" + std::to_wstring(++run);
        SetEnvironmentVariableW(L"MIRADOT_VOICE_TAG", tag.c_str());
        SetEnvironmentVariableW(L"MIRADOT_VOICE_MODEL_DIR", L"" TINY_MODEL_DIR);
        SetEnvironmentVariableW(L"MIRADOT_VOICE_TEST_WAV", sound_server() ? nullptr : L"" SPEECH_WAV);
        activate();
        document.window = create_document_window(&document, display_attribute_atom(), 40, 40);
        pump_messages();
    }

    void TearDown() override
    {
        HostTest::TearDown();
        helper_request("{\"cmd\":\"quit\"}", VOICE_QUIT_TIMEOUT_MS);
        if (scripted_) {
            WaitForSingleObject(scripted_, 5000);
            CloseHandle(scripted_);
        }
    }

    bool voice_key() { return threadMgr->press('V', false, true, true); }

    static std::wstring note_text()
    {
        HWND note = FindWindowW(L"miraDotVoiceNote", nullptr);
        return note && IsWindowVisible(note) ? window_text(note) : L"";
    }

    static bool wait_for_note(const std::wstring& text, DWORD bound_ms = 40000)
    {
        bool shown = pump_until([&] { return note_text() == text; }, bound_ms);
        EXPECT_TRUE(shown) << "note now: " << narrow(note_text()) << ", awaited: " << narrow(text);
        return shown;
    }

    // How long the note stays before it hides itself.
    static DWORD note_lifetime()
    {
        DWORD shown = GetTickCount();
        pump_until([] { return note_text().empty(); }, 10000);
        return GetTickCount() - shown;
    }

    static bool wait_for_helper(Helper state, DWORD bound_ms = 15000)
    {
        return pump_until([&] { return helper_state() == state; }, bound_ms);
    }

    // The helper the worker started answers, while the replies it gets are handled.
    static bool wait_for_helper_up()
    {
        return pump_until([] { return helper_state() != Helper::Absent; }, 40000);
    }

    // Hotkey, listening, hotkey: the note's whole road.
    void listen_and_stop()
    {
        EXPECT_TRUE(voice_key());
        EXPECT_EQ(note_text(), NOTE_OPENING);
        ASSERT_TRUE(wait_for_note(listening_note(L"Ctrl+Alt+V")));
        Sleep(RECORDING_MS);
        EXPECT_TRUE(voice_key());
        EXPECT_EQ(note_text(), NOTE_TRANSCRIBING);
        EXPECT_TRUE(pump_until([] { return note_text().empty(); }, 30000)) << narrow(note_text());
    }

    // The helper that answers "stop" with the line in `stopReply`.
    void start_scripted_helper()
    {
        std::wstring command = L"\"" + folder_of_program() + L"\\scripted_voice_helper.exe\" \"" + stopReply + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                                   &startup, &process));
        CloseHandle(process.hThread);
        scripted_ = process.hProcess;
        ASSERT_TRUE(wait_for_helper(Helper::Idle));
    }

    const std::wstring stopReply = temp_file(L"stop-reply.txt");
    HostDocument other;  // outlives the processor, which may still hold it as its focus

private:
    HANDLE scripted_ = nullptr;
};

TEST_F(VoiceTest, HotkeySpeakHotkeyTypesTheTranscriptAtTheCaret)
{
    std::printf("recording from %s\n", sound_server() ? "the sound server" : "the test speech file");
    threadMgr->type(L"ab ");
    EXPECT_TRUE(voice_key());
    EXPECT_EQ(note_text(), NOTE_OPENING);
    ASSERT_TRUE(wait_for_note(listening_note(L"Ctrl+Alt+V")));
    pump_messages();
    EXPECT_TRUE(take_screenshot(L"voice_listening.png"));
    // The note hangs below the document, not over its text.
    RECT note, host;
    GetWindowRect(FindWindowW(L"miraDotVoiceNote", nullptr), &note);
    GetWindowRect(document.window, &host);
    EXPECT_GE(note.top, host.bottom);

    // Letters typed while listening never reach the document.
    threadMgr->type(L"xyz");
    EXPECT_EQ(document.text(), L"ab ");
    Sleep(RECORDING_MS);
    EXPECT_TRUE(voice_key());
    EXPECT_EQ(note_text(), NOTE_TRANSCRIBING);
    EXPECT_TRUE(threadMgr->press(VK_ESCAPE));  // eaten, and no cancel once the text is on its way
    ASSERT_TRUE(pump_until([&] { return document.text() != L"ab "; }, 30000));
    EXPECT_EQ(document.text(), L"ab " + TRANSCRIPT);
    EXPECT_EQ(document.selection().end, static_cast<int>(document.text().size()));
    EXPECT_FALSE(document.composing());
    EXPECT_EQ(note_text(), L"");
    // Idle again: keys are typed, and a second round uses the running helper.
    threadMgr->type(L" ");
    listen_and_stop();
    EXPECT_EQ(document.text(), L"ab " + TRANSCRIPT + L" " + TRANSCRIPT);
}

TEST_F(VoiceTest, TranscriptGoesWhereListeningBeganAfterFocusMoved)
{
    threadMgr->type(L"ab ");
    EXPECT_TRUE(voice_key());
    ASSERT_TRUE(wait_for_note(listening_note(L"Ctrl+Alt+V")));
    threadMgr->set_focus(&other);
    Sleep(RECORDING_MS);
    EXPECT_TRUE(voice_key());
    ASSERT_TRUE(pump_until([&] { return document.text() != L"ab "; }, 30000));
    EXPECT_EQ(document.text(), L"ab " + TRANSCRIPT);
    EXPECT_EQ(other.text(), L"");
    // Typing in the other document starts afresh there.
    threadMgr->type(L"cd ");
    EXPECT_EQ(other.text(), L"cd ");
    EXPECT_EQ(document.text(), L"ab " + TRANSCRIPT);
    threadMgr->set_focus(&document);
}

TEST_F(VoiceTest, MissingHelperOrModelIsExplainedAndLeavesVoiceIdle)
{
    // The helper file is missing from the install folder.
    std::wstring moved = helper_program() + L".away";
    ASSERT_TRUE(MoveFileW(helper_program().c_str(), moved.c_str()));
    EXPECT_TRUE(voice_key());
    bool explained = wait_for_note(error_note(L"helper missing"), 10000);
    MoveFileW(moved.c_str(), helper_program().c_str());
    ASSERT_TRUE(explained);
    DWORD lifetime = note_lifetime();
    EXPECT_GE(lifetime, 2500u);
    EXPECT_LE(lifetime, 5000u);
    threadMgr->type(L"a");
    EXPECT_EQ(document.text(), L"a");

    // The helper starts and ends at once: with this tag it can make no pipe.
    wchar_t tag[32];
    GetEnvironmentVariableW(L"MIRADOT_VOICE_TAG", tag, 32);
    SetEnvironmentVariableW(L"MIRADOT_VOICE_TAG", L"no good");
    EXPECT_TRUE(voice_key());
    explained = wait_for_note(error_note(L"helper did not start"), 20000);
    SetEnvironmentVariableW(L"MIRADOT_VOICE_TAG", tag);
    ASSERT_TRUE(explained);

    // The helper runs, but no model is installed.
    std::wstring empty = temp_file(L"no-model");
    CreateDirectoryW(empty.c_str(), nullptr);
    SetEnvironmentVariableW(L"MIRADOT_VOICE_MODEL_DIR", empty.c_str());
    EXPECT_TRUE(voice_key());
    ASSERT_TRUE(wait_for_note(NOTE_NOT_INSTALLED));
    lifetime = note_lifetime();
    EXPECT_GE(lifetime, 3500u);
    EXPECT_LE(lifetime, 6000u);
    threadMgr->type(L"b");
    EXPECT_EQ(document.text(), L"ab");
    RemoveDirectoryW(empty.c_str());
}

TEST_F(VoiceTest, EscBeforeTheHelperAnsweredCancelsAtOnce)
{
    EXPECT_TRUE(voice_key());
    EXPECT_TRUE(threadMgr->press(VK_ESCAPE));
    EXPECT_EQ(note_text(), L"");
    threadMgr->type(L"a");  // idle at once: the letter is typed
    EXPECT_EQ(document.text(), L"a");
    // The helper comes up and starts recording; the late answer cancels it.
    ASSERT_TRUE(wait_for_helper_up());
    pump_until([] { return false; }, 1500);
    EXPECT_EQ(helper_state(), Helper::Idle);
    EXPECT_EQ(note_text(), L"");
    EXPECT_EQ(document.text(), L"a");
}

TEST_F(VoiceTest, ChangedHotkeyIsNamedInTheNote)
{
    SettingsWriter settings;
    settings.set(L"HotkeyVoice", L"Ctrl+Shift+F9");
    threadMgr->set_focus(&other);  // a focus change re-reads the settings
    threadMgr->set_focus(&document);
    EXPECT_FALSE(voice_key());  // no longer the voice key
    EXPECT_EQ(note_text(), L"");
    EXPECT_TRUE(threadMgr->press(VK_F9, true, true));
    ASSERT_TRUE(wait_for_note(listening_note(L"Ctrl+Shift+F9")));
    EXPECT_TRUE(threadMgr->press(VK_ESCAPE));
    EXPECT_EQ(note_text(), L"");
    EXPECT_TRUE(wait_for_helper(Helper::Idle));
}

TEST_F(VoiceTest, CommandsBeyondTheQueueAreDroppedWithANote)
{
    // While the worker starts the helper for the first command, every hotkey
    // and Esc queues one more; past sixteen waiting, the next is dropped.
    int commands = 0;
    bool dropped = false;
    while (!dropped && commands < 40) {
        voice_key();
        ++commands;
        dropped = note_text() == error_note(L"voice busy");
        if (!dropped) {
            threadMgr->press(VK_ESCAPE);
            ++commands;
        }
    }
    ASSERT_TRUE(dropped);
    EXPECT_GE(commands, 17);
    EXPECT_LE(commands, 19);
    threadMgr->type(L"a");
    EXPECT_EQ(document.text(), L"a");
    // Once the queue has drained, the helper records nothing and a new
    // session works.
    ASSERT_TRUE(wait_for_helper_up());
    pump_until([] { return false; }, 2000);
    EXPECT_EQ(helper_state(), Helper::Idle);
    EXPECT_TRUE(voice_key());
    ASSERT_TRUE(wait_for_note(listening_note(L"Ctrl+Alt+V")));
    threadMgr->press(VK_ESCAPE);
    EXPECT_EQ(document.text(), L"a");
}

TEST_F(VoiceTest, HelperDyingMidRecordingIsAnErrorAndTheNextHotkeyStartsAFreshOne)
{
    EXPECT_TRUE(voice_key());
    ASSERT_TRUE(wait_for_note(listening_note(L"Ctrl+Alt+V")));
    ASSERT_GE(kill_helpers(), 1);
    EXPECT_TRUE(voice_key());
    EXPECT_EQ(note_text(), NOTE_TRANSCRIBING);
    ASSERT_TRUE(wait_for_note(error_note(L"no answer"), 20000));
    threadMgr->type(L"a");
    EXPECT_EQ(document.text(), L"a");
    listen_and_stop();
    EXPECT_EQ(document.text(), L"a" + TRANSCRIPT);
}

TEST_F(VoiceTest, DeactivationWhileListeningStopsTheRecording)
{
    EXPECT_TRUE(voice_key());
    ASSERT_TRUE(wait_for_note(listening_note(L"Ctrl+Alt+V")));
    EXPECT_EQ(helper_state(), Helper::Recording);
    threadMgr->deactivate_processor();
    EXPECT_EQ(FindWindowW(L"miraDotVoiceNote", nullptr), nullptr);
    EXPECT_TRUE(wait_for_helper(Helper::Idle));
    EXPECT_EQ(document.text(), L"");
}

TEST_F(VoiceTest, EveryStopReplyIsInsertedWholeOrExplained)
{
    std::string longText;
    while (longText.size() < 2400)
        longText += "m\xE1\xBB\x99t hai ba b\xE1\xBB\x91n n\xC4\x83m ";  // "một hai ba bốn năm "
    const std::wstring longWide = miradot::utf8_to_wide(longText);
    const struct {
        const char* name;
        std::string line;
        std::wstring note;      // left after the reply; empty when hidden
        std::wstring inserted;  // what the document gains
    } cases[] = {
        {"transcript", transcription_line("Xin ch\xC3\xA0o"), L"", TRANSCRIPT},
        {"longer than one edit request", transcription_line(longText), L"", longWide},
        {"silence", "{\"ok\":true,\"text\":\"\",\"raw\":\"\",\"silence\":true,\"rms\":0.0000}", L"", L""},
        {"no text", "{\"ok\":true,\"raw\":\"Xin ch\xC3\xA0o\",\"rms\":0.1000}", error_note(L"bad reply from helper"),
         L""},
        {"malformed", "Xin ch\xC3\xA0o", error_note(L"bad reply from helper"), L""},
        {"cut", "{\"ok\":true,\"raw\":\"a\",\"text\":\"Xin", error_note(L"bad reply from helper"), L""},
        {"oversized", transcription_line(std::string(20000, 'a')), error_note(L"reply too long"), L""},
        {"helper error", "{\"ok\":false,\"error\":\"microphone error 0x88890004\"}",
         error_note(L"microphone error 0x88890004"), L""},
        {"error without text", "{\"ok\":false}", error_note(L"voice error"), L""},
        {"model gone", "{\"ok\":false,\"error\":\"voice not installed\"}", NOTE_NOT_INSTALLED, L""},
    };
    start_scripted_helper();
    std::wstring expected;
    for (const auto& c : cases) {
        write_file(stopReply, c.line + "\n");
        EXPECT_TRUE(voice_key()) << c.name;
        ASSERT_TRUE(wait_for_note(listening_note(L"Ctrl+Alt+V"))) << c.name;
        EXPECT_TRUE(voice_key()) << c.name;
        expected += c.inserted;
        EXPECT_TRUE(pump_until([&] { return note_text() != NOTE_TRANSCRIBING; }, 10000)) << c.name;
        EXPECT_EQ(note_text(), c.note) << c.name;
        EXPECT_EQ(document.text(), expected) << c.name;
        EXPECT_EQ(document.selection().end, static_cast<int>(expected.size())) << c.name;
    }
    DeleteFileW(stopReply.c_str());
}

}  // namespace
