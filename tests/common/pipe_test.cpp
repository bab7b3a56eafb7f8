// The pipe channel between real processes: pipe_test_server serves, this
// program is the client.
#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>

#include <atomic>
#include <cstring>
#include <future>

#include "json.h"
#include "pipe.h"
#include "process_support.h"
#include "user_sid.h"

namespace {

std::string field(const char* reply, const char* name)
{
    char value[256];
    return json_field(reply, name, value, sizeof value) ? value : "<absent>";
}

std::string call(PipeKind kind, const std::string& request, unsigned timeoutMs = 5000, size_t capacity = 1024)
{
    std::vector<char> reply(capacity);
    bool ok = pipe_request(kind, request.c_str(), reply.data(), capacity, timeoutMs);
    std::string text = reply.data();
    if (!ok) {
        EXPECT_EQ(text, "") << "a failed call leaves the reply empty";
    }
    return ok ? text : "<no answer>";
}

// A test server with its own tag; the constructor waits until it answers.
class Server {
public:
    explicit Server(const wchar_t* kind = L"voice", const std::wstring& limits = L"")
        : tag_(unique_tag(L"p")), env_(ScopedEnv::Values{{L"MIRADOT_VOICE_TAG", tag_}, {L"MIRADOT_MT_TAG", tag_}}),
          process_(test_bin_dir() / "pipe_test_server.exe", std::wstring(kind) + L" " + limits)
    {
        pipe_ = std::wstring(kind) == L"mt" ? PipeKind::Translation : PipeKind::Voice;
        ready_ = call(pipe_, "hello", 10000) != "<no answer>";
    }
    bool ready() const { return ready_; }
    Process& process() { return process_; }
    const std::wstring& tag() const { return tag_; }

private:
    std::wstring tag_;
    ScopedEnv env_;
    Process process_;
    PipeKind pipe_;
    bool ready_;
};

HANDLE raw_connect(PipeKind kind)
{
    std::wstring name;
    if (!pipe_name(kind, name))
        return INVALID_HANDLE_VALUE;
    return CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

std::string read_line(HANDLE pipe)
{
    std::string line;
    char c;
    DWORD got;
    while (ReadFile(pipe, &c, 1, &got, nullptr) && got == 1 && c != '\n')
        line += c;
    return line;
}

TEST(PipeName, HoldsSidSessionAndTag)
{
    struct Case {
        const wchar_t* tag;
        bool ok;
        const wchar_t* suffix;
    };
    const Case cases[] = {
        {L"", true, L""},
        {L"test1", true, L"-test1"},
        {L"ABCdef123456789012345", true, L"-ABCdef123456789012345"},  // 21 characters
        {L"ABCdef1234567890123456", true, L""},                       // 22: ignored
        {L"with space", false, L""},
        {L"dash-tag", false, L""},
        {L"a\\b", false, L""},
    };
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    for (const Case& c : cases) {
        ScopedEnv env(ScopedEnv::Values{{L"MIRADOT_VOICE_TAG", c.tag}, {L"MIRADOT_MT_TAG", L""}});
        std::wstring voice, mt;
        EXPECT_EQ(pipe_name(PipeKind::Voice, voice), c.ok) << c.tag;
        ASSERT_TRUE(pipe_name(PipeKind::Translation, mt));
        if (!c.ok) {
            EXPECT_EQ(voice, L"");
            continue;
        }
        std::wstring end = L"-" + std::to_wstring(session) + c.suffix;
        EXPECT_EQ(voice.rfind(L"\\\\.\\pipe\\miradot-voice-S-1-", 0), 0u) << voice;
        EXPECT_EQ(voice.substr(voice.size() - end.size()), end) << voice;
        EXPECT_EQ(mt.rfind(L"\\\\.\\pipe\\miradot-mt-S-1-", 0), 0u) << mt;
    }
}

TEST(PipeChannel, ClientAndServerMeetOnlyWithTheSameTag)
{
    Server server;
    ASSERT_TRUE(server.ready());
    EXPECT_EQ(field(call(PipeKind::Voice, R"({"cmd":"ping"})").c_str(), "echo"), R"({"cmd":"ping"})");
    EXPECT_EQ(call(PipeKind::Translation, "hello", 300), "<no answer>");
    {
        ScopedEnv other(L"MIRADOT_VOICE_TAG", L"othertag");
        EXPECT_EQ(call(PipeKind::Voice, "hello", 300), "<no answer>");
    }
    {
        ScopedEnv untagged(L"MIRADOT_VOICE_TAG", L"");
        EXPECT_EQ(call(PipeKind::Voice, "hello", 300), "<no answer>");
    }
    {
        ScopedEnv bad(L"MIRADOT_VOICE_TAG", L"bad tag");
        EXPECT_EQ(call(PipeKind::Voice, "hello", 300), "<no answer>");
    }
}

TEST(PipeChannel, TranslationPipeFollowsItsOwnTag)
{
    Server server(L"mt");
    ASSERT_TRUE(server.ready());
    EXPECT_EQ(field(call(PipeKind::Translation, R"({"cmd":"unload"})", MT_CONTROL_TIMEOUT_MS, MT_CONTROL_REPLY).c_str(),
                    "ok"),
              "true");
    EXPECT_EQ(call(PipeKind::Voice, "hello", 300), "<no answer>");
}

TEST(PipeChannel, ServerRefusesBadNamesAndSecondInstances)
{
    {
        ScopedEnv bad(L"MIRADOT_VOICE_TAG", L"bad tag");
        Process server(test_bin_dir() / "pipe_test_server.exe", L"voice");
        EXPECT_EQ(server.wait(10000), PIPE_SERVER_NO_NAME);
    }
    Server first;
    ASSERT_TRUE(first.ready());
    ScopedEnv same(L"MIRADOT_VOICE_TAG", first.tag());
    Process second(test_bin_dir() / "pipe_test_server.exe", L"voice");
    EXPECT_EQ(second.wait(10000), PIPE_SERVER_ALREADY_RUNNING);
    EXPECT_EQ(field(call(PipeKind::Voice, "still there").c_str(), "echo"), "still there");
}

TEST(PipeChannel, BadInputNeverStopsTheServer)
{
    Server server;
    ASSERT_TRUE(server.ready());
    const std::string oversized(70000, 'x');
    struct Case {
        const char* name;
        std::string request;
        std::string len;
    };
    const Case cases[] = {
        {"oversized line is cut to the limit", oversized, "65536"},
        {"binary bytes", std::string("\x01\x02\xff\xfe{\"", 6), "6"},
        {"empty line", "", "0"},
        {"not JSON", "}{][", "4"},
    };
    for (const Case& c : cases) {
        HANDLE pipe = raw_connect(PipeKind::Voice);
        ASSERT_NE(pipe, INVALID_HANDLE_VALUE) << c.name;
        DWORD written;
        std::string line = c.request + "\n";
        WriteFile(pipe, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        EXPECT_EQ(field(read_line(pipe).c_str(), "len"), c.len) << c.name;
        CloseHandle(pipe);
    }
    // A reply longer than the capacity is cut there.
    EXPECT_EQ(call(PipeKind::Voice, "abcdef", 5000, 12), R"({"ok":true,)");
    EXPECT_EQ(field(call(PipeKind::Voice, "after").c_str(), "echo"), "after");
}

TEST(PipeChannel, StalledClientsAreDroppedSoOthersGetServed)
{
    Server server(L"voice", L"900000 60000 1000");
    ASSERT_TRUE(server.ready());
    // Each client holds the connection without ever completing a line: the
    // next client must still be served once the first has been dropped.
    struct Case {
        const char* name;
        const char* first;  // written right after connecting
        bool trickle;       // then one more byte every 300 ms
    };
    const Case cases[] = {
        {"connects and sends nothing", "", false},
        {"sends half a line", "{\"cmd\":", false},
        {"trickles bytes, each within the deadline", "{", true},
    };
    for (const Case& c : cases) {
        HANDLE stalled = raw_connect(PipeKind::Voice);
        ASSERT_NE(stalled, INVALID_HANDLE_VALUE) << c.name;
        DWORD written;
        if (*c.first)
            WriteFile(stalled, c.first, static_cast<DWORD>(strlen(c.first)), &written, nullptr);
        std::atomic<bool> done{false};
        auto trickler = std::async(std::launch::async, [&] {
            int sent = 0;
            while (c.trickle && !done && sent < 100 && WriteFile(stalled, "x", 1, &written, nullptr)) {
                ++sent;
                Sleep(300);
            }
            return sent;
        });
        auto answered = std::async(std::launch::async, [] { return call(PipeKind::Voice, "next in line", 20000); });
        bool served = answered.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
        done = true;
        EXPECT_TRUE(served) << c.name << ": server stalled";
        if (served) {
            EXPECT_EQ(field(answered.get().c_str(), "echo"), "next in line") << c.name;
        }
        if (c.trickle) {
            EXPECT_LT(trickler.get(), 100) << c.name << ": the trickling client was never dropped";
        }
        CloseHandle(stalled);
    }
}

TEST(PipeChannel, OnlyTheUserMayOpenThePipe)
{
    Server server;
    ASSERT_TRUE(server.ready());
    HANDLE pipe = raw_connect(PipeKind::Voice);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(GetSecurityInfo(pipe, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr,
                              &descriptor),
              ERROR_SUCCESS);
    wchar_t* text = nullptr;
    ASSERT_TRUE(ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1,
                                                                     DACL_SECURITY_INFORMATION, &text, nullptr));
    std::wstring sddl = text;
    LocalFree(text);
    LocalFree(descriptor);
    CloseHandle(pipe);

    std::wstring sid;
    ASSERT_TRUE(miradot::user_sid_string(sid));
    // A protected list with one entry: full access for the user, nobody else
    // (Windows shows generic-all mapped to the pipe's own rights, Wine not).
    EXPECT_TRUE(sddl == L"D:P(A;;FA;;;" + sid + L")" || sddl == L"D:P(A;;GA;;;" + sid + L")") << sddl;
}

TEST(PipeChannel, ServesRequestsOnOneConnectionInOrder)
{
    Server server;
    ASSERT_TRUE(server.ready());
    HANDLE pipe = raw_connect(PipeKind::Voice);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    DWORD written;
    WriteFile(pipe, "one\ntwo\n", 8, &written, nullptr);
    EXPECT_EQ(field(read_line(pipe).c_str(), "echo"), "one");
    EXPECT_EQ(field(read_line(pipe).c_str(), "echo"), "two");
    CloseHandle(pipe);
}

TEST(PipeChannel, ClientsWaitWhileAnotherIsServed)
{
    Server server;
    ASSERT_TRUE(server.ready());
    std::vector<std::future<std::string>> calls;
    for (int i = 0; i < 6; ++i)
        calls.push_back(
            std::async(std::launch::async, [i] { return call(PipeKind::Voice, i % 2 ? "sleep" : "fast"); }));
    for (auto& c : calls)
        EXPECT_EQ(field(c.get().c_str(), "ok"), "true");
}

TEST(PipeChannel, QuitAndIdleLimitEndTheServer)
{
    {
        Server server;
        ASSERT_TRUE(server.ready());
        EXPECT_EQ(field(call(PipeKind::Voice, "quit").c_str(), "echo"), "quit");
        EXPECT_EQ(server.process().wait(10000), PIPE_SERVER_OK);
    }
    Server idle(L"voice", L"1500 200 1000");
    ASSERT_TRUE(idle.ready());
    EXPECT_EQ(idle.process().wait(30000), PIPE_SERVER_OK);
    EXPECT_EQ(call(PipeKind::Voice, "hello", 300), "<no answer>");
}

TEST(PipeChannel, TranslationCallersGiveUpOnASilentService)
{
    Server server(L"mt");
    ASSERT_TRUE(server.ready());
    char reply[MT_CONTROL_REPLY] = "stale";
    EXPECT_FALSE(pipe_request(PipeKind::Translation, "hang", reply, sizeof reply, MT_CONTROL_TIMEOUT_MS,
                              MT_CONTROL_DEADLINE_MS));
    EXPECT_STREQ(reply, "");
    // Without a deadline the same call waits for the late answer.
    EXPECT_EQ(field(call(PipeKind::Translation, "hang", 10000).c_str(), "echo"), "hang");
}

TEST(PipeChannel, AbsentServerFailsAfterTheConnectTimeout)
{
    ScopedEnv tag(L"MIRADOT_VOICE_TAG", unique_tag(L"absent"));
    EXPECT_EQ(call(PipeKind::Voice, R"({"cmd":"ping"})", VOICE_PING_TIMEOUT_MS, VOICE_PING_REPLY), "<no answer>");
}

}  // namespace
