// The update check, the installer download and install, and the --check
// notifier, against the real loopback HTTPS server (with-https-server.sh),
// WinINet verifying its certificate, and Wine's registry. The manifests are
// signed here with the test build's throwaway key.
#include "file_digest.h"
#include "notifier.h"
#include "update_manifest.h"
#include "update_status.h"
#include "update_test_support.h"
#include "utf.h"
#include "version_number.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace ts = test_server;
using namespace update_test;

namespace {

const wchar_t SETTINGS_KEY[] = L"Software\\miraDot\\UpdateTest";
std::string manifest(const std::string& version, const std::string& url, const std::string& digest,
                     unsigned long long size, const std::string& notes = "Bản sửa lỗi")
{
    return "{\"version\":\"" + version + "\",\"notes_vi\":\"" + notes + "\",\"files\":{\"windows\":{\"url\":\"" + url
           + "\",\"sha256\":\"" + digest + "\",\"size\":" + std::to_string(size) + "}}}\n";
}

const std::string DIGEST = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

void publish(const std::string& manifest_bytes, const std::string& signature)
{
    ts::serve("latest.json", manifest_bytes);
    ts::serve("latest.json.sig", signature);
}

unsigned long long read_qword(const wchar_t* name)
{
    HKEY key = open_update_key(KEY_QUERY_VALUE, false);
    unsigned long long value = 0;
    DWORD size = sizeof value;
    if (key) {
        RegGetValueW(key, nullptr, name, RRF_RT_REG_QWORD, nullptr, &value, &size);
        RegCloseKey(key);
    }
    return value;
}

void set_text(const wchar_t* name, const std::wstring& text)
{
    HKEY key = open_update_key(KEY_SET_VALUE, true);
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   DWORD((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

void set_qword(const wchar_t* name, unsigned long long value)
{
    HKEY key = open_update_key(KEY_SET_VALUE, true);
    RegSetValueExW(key, name, 0, REG_QWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

void clear_state()
{
    RegDeleteTreeW(HKEY_CURRENT_USER, SETTINGS_KEY);
    ts::set_rules("{}");
    ts::clear_log();
}

class UpdateCheck : public testing::Test {
protected:
    void SetUp() override { clear_state(); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, SETTINGS_KEY); }
    UpdateCheckResult check()
    {
        UpdateCheckResult r;
        run_update_check(&r);
        return r;
    }
};

TEST_F(UpdateCheck, ComparesTheSignedVersionWithTheRunningOne)
{
    struct Case {
        const char* version;
        CheckStatus status;
        const wchar_t* stored;
    } cases[] = {{"1.2", CheckStatus::New, L"new"},
                 {"0.1.5.0", CheckStatus::Same, L"same"},
                 {"0.1.4.9", CheckStatus::Older, L"older"},
                 {"0.1", CheckStatus::Older, L"older"}};
    for (const Case& c : cases) {
        std::string body = manifest(c.version, "https://localhost/i.exe", DIGEST, 42);
        publish(body, sign(body));
        UpdateCheckResult r = check();
        EXPECT_EQ(r.status, c.status) << c.version;
        EXPECT_STREQ(r.version, c.version);
        EXPECT_STREQ(r.error, "");
        EXPECT_STREQ(r.notes, L"Bản sửa lỗi");
        EXPECT_EQ(update_text(L"Status"), c.stored);
        EXPECT_EQ(update_text(L"Error"), L"");
        EXPECT_EQ(update_text(L"Notes"), L"Bản sửa lỗi");
        EXPECT_LE(unix_time_now() - read_qword(L"Last"), 5u);
        EXPECT_EQ(read_last_check_state(), LastCheck::Succeeded);
    }
    // Only a "new" result wrote the offer; the later ones left it as it was.
    EXPECT_EQ(update_text(L"Url"), L"https://localhost/i.exe");
    EXPECT_EQ(update_text(L"Sha256"), std::wstring(DIGEST.begin(), DIGEST.end()));
    EXPECT_EQ(read_qword(L"Size"), 42u);
    EXPECT_EQ(update_text(L"Latest"), L"0.1");
    char version[24];
    EXPECT_FALSE(read_available_update(version, nullptr, 0));
}

TEST_F(UpdateCheck, EveryFailureHasItsDiagnosticAndKeepsTheLastOffer)
{
    std::string good = manifest("0.2.0", "https://localhost/i.exe", DIGEST, 7);
    std::string signature = sign(good);
    std::string flipped = signature;
    flipped[5] ^= 0x40;
    std::string crlf = good.substr(0, good.size() - 1) + "\r\n";
    std::string big = good.substr(0, good.size() - 2) + ",\"pad\":\"" + std::string(65536, 'p') + "\"}\n";
    std::string bad_manifest = manifest("0.2.0", "https://localhost/i.exe", std::string(64, 'A'), 7);
    struct Case {
        const char* name;
        std::string manifest, signature, rules, error;
    } cases[] = {
        {"forged signature", good, flipped, "{}", "bad signature"},
        {"signed with another line ending", crlf, signature, "{}", "bad signature"},
        {"signature of 63 bytes", good, signature.substr(0, 63), "{}", "bad signature"},
        {"signature of 65 bytes", good, signature + "x", "{}", "more than 64 bytes"},
        {"manifest over 65,536 bytes", big, sign(big), "{}", "more than 65536 bytes"},
        {"signed but malformed", bad_manifest, sign(bad_manifest), "{}", "bad manifest"},
        {"manifest missing", good, signature, R"({"/latest.json":{"status":404}})", "HTTP 404"},
        {"signature missing", good, signature, R"({"/latest.json.sig":{"status":404}})", "HTTP 404"},
        {"manifest stops half-way", good, signature, R"({"/latest.json":{"cut_after":40}})", "bad signature"},
        {"redirect to plain HTTP", good, signature,
         R"({"/latest.json":{"redirect":")" + ts::url("plain.json", "MIRADOT_TEST_HTTP_PORT") + R"("}})",
         "url not allowed"},
    };
    // A good check first, whose offer must outlive every failure.
    publish(good, signature);
    ts::serve("plain.json", good);
    ASSERT_EQ(check().status, CheckStatus::New);
    for (const Case& c : cases) {
        publish(c.manifest, c.signature);
        ts::set_rules(c.rules);
        UpdateCheckResult r = check();
        EXPECT_EQ(r.status, CheckStatus::Error) << c.name;
        EXPECT_EQ(r.error, c.error) << c.name;
        EXPECT_STREQ(r.version, "") << c.name;
        EXPECT_STREQ(r.notes, L"") << c.name;
        EXPECT_EQ(update_text(L"Status"), L"error") << c.name;
        EXPECT_EQ(update_text(L"Error"), std::wstring(c.error.begin(), c.error.end())) << c.name;
        EXPECT_EQ(update_text(L"Latest"), L"0.2.0") << c.name;
        EXPECT_EQ(update_text(L"Url"), L"https://localhost/i.exe") << c.name;
        EXPECT_EQ(read_qword(L"Size"), 7u) << c.name;
        EXPECT_EQ(read_last_check_state(), LastCheck::Failed) << c.name;
        char version[24];
        EXPECT_FALSE(read_available_update(version, nullptr, 0)) << c.name;
    }
}

// Each hop of a redirect is checked before it is requested: only HTTPS on
// the same server is followed, whatever comes after a refused hop.
TEST_F(UpdateCheck, RedirectsAreFollowedOnlyOverHttpsToTheSameServer)
{
    std::string good = manifest("0.2.0", "https://localhost/i.exe", DIGEST, 7);
    publish(good, sign(good));
    ts::serve("moved.json", good);
    const std::string moved = ts::url("moved.json");
    struct Case {
        const char* name;
        std::string rules;
        const char* error;        // "" when the check goes through
        const char* never_asked;  // a path no request may reach
    } cases[] = {
        {"to the same server", R"({"/latest.json":{"redirect":")" + moved + R"("}})", "", ""},
        {"by a relative address", R"({"/latest.json":{"redirect":"/hop"},"/hop":{"redirect":"moved.json"}})", "", ""},
        {"https, then plain HTTP, then https",
         R"({"/latest.json":{"redirect":")" + ts::url("hop", "MIRADOT_TEST_HTTP_PORT") + R"("},"/hop":{"redirect":")"
             + moved + R"("}})",
         "url not allowed", "GET /hop"},
        {"to another port of the host",
         R"({"/latest.json":{"redirect":")" + ts::url("hop", "MIRADOT_TEST_HTTPS_UNTRUSTED_PORT") + R"("}})",
         "url not allowed", "GET /hop"},
        {"to another host",
         R"({"/latest.json":{"redirect":"https://127.0.0.1:)" + ts::env("MIRADOT_TEST_HTTPS_PORT") + R"(/hop"}})",
         "url not allowed", "GET /hop"},
        {"in a loop", R"({"/latest.json":{"redirect":"/latest.json"}})", "too many redirects", ""},
    };
    for (const Case& c : cases) {
        ts::clear_log();
        ts::set_rules(c.rules);
        UpdateCheckResult r = check();
        EXPECT_STREQ(r.error, c.error) << c.name;
        EXPECT_EQ(r.status, c.error[0] ? CheckStatus::Error : CheckStatus::New) << c.name;
        if (c.never_asked[0])
            EXPECT_EQ(ts::log().find(c.never_asked), std::string::npos) << c.name << ": " << ts::log();
    }
}

TEST_F(UpdateCheck, CertificatesAreVerifiedAndTimeOutsEndAStall)
{
    std::string good = manifest("0.2.0", "https://localhost/i.exe", DIGEST, 7);
    publish(good, sign(good));
    char error[HTTP_ERROR_SIZE] = "";
    HINTERNET session = open_internet_session();
    ASSERT_TRUE(session);
    EXPECT_EQ(open_https_url(session, ts::url("latest.json", "MIRADOT_TEST_HTTPS_UNTRUSTED_PORT").c_str(), error),
              nullptr);
    EXPECT_EQ(std::string(error).rfind("connect failed (", 0), 0u) << error;
    EXPECT_EQ(open_https_url(session, ts::url("latest.json", "MIRADOT_TEST_HTTP_PORT").c_str(), error), nullptr);
    EXPECT_STREQ(error, "url not allowed");
    EXPECT_EQ(ts::log().find("GET"), std::string::npos) << "nothing may reach a plain HTTP server";
    InternetCloseHandle(session);

    // Wine's WinINet does not carry the session's receive time-out over to
    // InternetOpenUrlA (Windows ends this after 10 s): it waits for the
    // server, which gives up after 11 s, and asks once more.
    ts::set_rules(R"({"/latest.json":{"stall":11}})");
    ULONGLONG start = GetTickCount64();
    UpdateCheckResult r = check();
    ULONGLONG took = GetTickCount64() - start;
    EXPECT_EQ(r.status, CheckStatus::Error);
    EXPECT_TRUE(std::strcmp(r.error, "HTTP 0") == 0 || std::strncmp(r.error, "connect failed (", 16) == 0) << r.error;
    EXPECT_GE(took, 9000u);
    EXPECT_LT(took, 30000u);
}

TEST_F(UpdateCheck, NotesAreKeptTo500UnitsAndTheOfferIsReadBack)
{
    std::string notes(520, 'n');
    std::string body = manifest("0.3", "https://localhost/i.exe", DIGEST, 0, notes);
    publish(body, sign(body));
    ASSERT_EQ(check().status, CheckStatus::New);
    EXPECT_EQ(update_text(L"Notes"), std::wstring(500, L'n'));
    char version[24];
    wchar_t read_notes[512];
    ASSERT_TRUE(read_available_update(version, read_notes, 512));
    EXPECT_STREQ(version, "0.3");
    EXPECT_EQ(std::wstring(read_notes), std::wstring(500, L'n'));
    // An offer no newer than the running version is not one.
    set_text(L"Latest", L"0.1.5");
    EXPECT_FALSE(read_available_update(version, read_notes, 512));
}

TEST_F(UpdateCheck, DueOnceADayAndAnnouncedOnce)
{
    EXPECT_TRUE(is_update_check_due());
    unsigned long long now = unix_time_now();
    struct Case {
        unsigned long long last;
        bool due;
    } cases[] = {{now - 3600, false}, {now - 86399, false}, {now - 86400, true}, {now + 86400, true}, {0, true}};
    for (const Case& c : cases) {
        set_qword(L"Last", c.last);
        EXPECT_EQ(is_update_check_due(), c.due) << c.last;
    }
    EXPECT_TRUE(mark_version_announced("0.2.0"));
    EXPECT_FALSE(mark_version_announced("0.2.0"));
    EXPECT_TRUE(mark_version_announced("0.2"));
    EXPECT_EQ(update_text(L"Announced"), L"0.2.0,0.2");
    // Past 300 characters the oldest fall off.
    for (int i = 0; i < 40; ++i)
        mark_version_announced(("10.0.0." + std::to_string(i)).c_str());
    std::wstring list = update_text(L"Announced");
    EXPECT_LE(list.size(), 300u);
    EXPECT_EQ(list.find(L"0.2.0,"), std::wstring::npos);
    EXPECT_NE(list.find(L",10.0.0.39"), std::wstring::npos);
    EXPECT_TRUE(mark_version_announced("0.2.0"));
}

TEST_F(UpdateCheck, AFailedCheckIsNotTheDaysCheckAndIsRetriedOnAGrowingDelay)
{
    std::string body = manifest("0.2.0", "https://localhost/i.exe", DIGEST, 7);
    publish(body, sign(body));
    ASSERT_EQ(check().status, CheckStatus::New);
    const unsigned long long two_days_ago = unix_time_now() - 2 * 86400;
    set_qword(L"Last", two_days_ago);

    ts::set_rules(R"({"/latest.json":{"status":500}})");
    ASSERT_EQ(check().status, CheckStatus::Error);
    EXPECT_EQ(read_qword(L"Last"), two_days_ago) << "the daily trigger still finds the day's check to do";
    EXPECT_EQ(read_last_check_state(), LastCheck::Failed);
    EXPECT_FALSE(is_update_check_due()) << "an hour passes before the first retry";
    set_qword(L"Failed", unix_time_now() - 3601);
    EXPECT_TRUE(is_update_check_due());
    ASSERT_EQ(check().status, CheckStatus::Error);
    set_qword(L"Failed", unix_time_now() - 3601);
    EXPECT_FALSE(is_update_check_due()) << "two hours after the second failure";
    set_qword(L"Failed", unix_time_now() - 7201);
    EXPECT_TRUE(is_update_check_due());

    struct Case {
        unsigned failures;
        unsigned long long delay;
    } cases[] = {{1, 3600}, {2, 7200}, {3, 14400}, {5, 57600}, {6, 86400}, {40, 86400}};
    for (const Case& c : cases)
        EXPECT_EQ(retry_delay_seconds(c.failures), c.delay) << c.failures;

    // A good check counts again as the day's.
    ts::set_rules("{}");
    ASSERT_EQ(check().status, CheckStatus::New);
    EXPECT_LE(unix_time_now() - read_qword(L"Last"), 5u);
    EXPECT_EQ(read_qword(L"Failed"), 0u);
    EXPECT_FALSE(is_update_check_due());
    ts::set_rules(R"({"/latest.json":{"status":500}})");
    ASSERT_EQ(check().status, CheckStatus::Error);
    EXPECT_FALSE(is_update_check_due()) << "the day's check was done";
}

TEST_F(UpdateCheck, TheDialogLineFollowsTheStoredState)
{
    UpdateLine line = describe_update();
    EXPECT_EQ(line.kind, UpdateLineKind::Plain);
    EXPECT_EQ(line.text, L"Chưa kiểm tra.");
    std::string body = manifest("0.2.0", "https://localhost/i.exe", DIGEST, 7, std::string(520, 'n'));
    publish(body, sign(body));
    ASSERT_EQ(check().status, CheckStatus::New);
    line = describe_update();
    EXPECT_EQ(line.kind, UpdateLineKind::Offer);
    EXPECT_EQ(line.text, L"Có bản mới 0.2.0. " + std::wstring(147, L'n') + L"…");
    // A failed check afterwards hides the offer and says what failed.
    ts::set_rules(R"({"/latest.json":{"status":500}})");
    ASSERT_EQ(check().status, CheckStatus::Error);
    line = describe_update();
    EXPECT_EQ(line.kind, UpdateLineKind::Failure);
    EXPECT_EQ(line.text, L"Không kết nối được máy chủ cập nhật.\nChi tiết: máy chủ trả lời mã HTTP 500.");
    ts::set_rules("{}");
    body = manifest("0.1.5", "https://localhost/i.exe", DIGEST, 7, "Ghi chú");
    publish(body, sign(body));
    ASSERT_EQ(check().status, CheckStatus::Same);
    line = describe_update();
    EXPECT_EQ(line.kind, UpdateLineKind::Plain);
    EXPECT_EQ(line.text, L"Đang dùng bản mới nhất.");
}

TEST(UpdateFailureText, SaysWhatFailedInTheUsersWords)
{
    struct Case {
        const char* diagnostic;
        const wchar_t* text;
    } cases[] = {
        {"connect failed (12029)",
         L"Không kết nối được máy chủ cập nhật.\nChi tiết: không mở được kết nối (mã 12029)."},
        {"HTTP 404", L"Không kết nối được máy chủ cập nhật.\nChi tiết: máy chủ trả lời mã HTTP 404."},
        {"url not allowed",
         L"Không kết nối được máy chủ cập nhật.\nChi tiết: máy chủ chuyển sang một địa chỉ không an toàn."},
        {"bad signature",
         L"Máy chủ cập nhật gửi thông tin không hợp lệ.\nChi tiết: chữ ký của thông tin bản mới không đúng."},
        {"more than 64 bytes", L"Máy chủ cập nhật gửi thông tin không hợp lệ.\nChi tiết: thông tin bản mới quá lớn."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(update_failure_text(c.diagnostic), c.text) << c.diagnostic;
}

TEST(Balloon, NotesOfMoreThan150CharactersAreCut)
{
    wchar_t text[256];
    balloon_text(std::wstring(150, L'a').c_str(), text, 256);
    EXPECT_EQ(std::wstring(text), std::wstring(150, L'a') + L"\nMở Cài đặt miraDot để cập nhật.");
    balloon_text(std::wstring(151, L'a').c_str(), text, 256);
    EXPECT_EQ(std::wstring(text), std::wstring(150, L'a') + L"…\nMở Cài đặt miraDot để cập nhật.");
}

// The test build's settings program in its notifier mode, as the text
// service starts it.
class Notifier : public testing::Test {
protected:
    void SetUp() override
    {
        clear_state();
        std::string body = manifest("0.2.0", "https://localhost/i.exe", DIGEST, 7);
        publish(body, sign(body));
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, SETTINGS_KEY); }
    DWORD run_notifier()
    {
        std::wstring command = L"\"" + ts::on_z(ts::env("MIRADOT_TEST_SETTINGS_TESTBUILD")).wstring() + L"\" --check";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
            return DWORD(-1);
        DWORD code = DWORD(-2);
        if (WaitForSingleObject(process.hProcess, 90000) == WAIT_OBJECT_0)
            GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return code;
    }
    bool asked_server() { return ts::log().find("GET /latest.json") != std::string::npos; }
};

TEST_F(Notifier, ChecksOnlyWhenSwitchedOnDueAndAlone)
{
    // Another notifier for this settings key holds the mutex.
    HANDLE mutex = CreateMutexW(nullptr, TRUE, L"Local\\miraDot-UpdateCheck-Software_miraDot_UpdateTest");
    EXPECT_EQ(run_notifier(), 0u);
    EXPECT_FALSE(asked_server());
    CloseHandle(mutex);

    write_settings_dword(L"UpdateCheck", 0);
    EXPECT_EQ(run_notifier(), 0u);
    EXPECT_FALSE(asked_server());
    write_settings_dword(L"UpdateCheck", 1);

    set_qword(L"Last", unix_time_now() - 3600);
    EXPECT_EQ(run_notifier(), 0u);
    EXPECT_FALSE(asked_server());
}

TEST_F(Notifier, AnnouncesEachNewVersionOnce)
{
    EXPECT_EQ(run_notifier(), 0u);
    EXPECT_TRUE(asked_server());
    EXPECT_EQ(update_text(L"Status"), L"new");
    EXPECT_EQ(update_text(L"Announced"), L"0.2.0");
    // The next day's check finds the same version, already announced.
    set_qword(L"Last", unix_time_now() - 2 * 86400);
    ts::clear_log();
    EXPECT_EQ(run_notifier(), 0u);
    EXPECT_TRUE(asked_server());
    EXPECT_EQ(update_text(L"Announced"), L"0.2.0");
    EXPECT_FALSE(mark_version_announced("0.2.0"));
}

// The install worker, reporting to a message-only window of this thread.
class UpdateInstall : public testing::Test {
protected:
    void SetUp() override
    {
        clear_state();
        window_ = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        installer_ = ts::read_file(ts::on_z(ts::env("MIRADOT_TEST_INSTALLER_PROGRAM")));
        ASSERT_FALSE(installer_.empty());
        installer_log_ = std::filesystem::temp_directory_path() / "miradot-test-installer.log";
        std::filesystem::remove(installer_log_);
        SetEnvironmentVariableW(L"MIRADOT_TEST_INSTALLER_LOG", installer_log_.c_str());
        SetEnvironmentVariableW(L"MIRADOT_TEST_INSTALLER_EXIT", L"0");
    }
    void TearDown() override
    {
        DestroyWindow(window_);
        RegDeleteTreeW(HKEY_CURRENT_USER, SETTINGS_KEY);
        // The started installer outlives the worker; once it has ended, the
        // next start's clean-up leaves nothing of any download behind.
        EXPECT_TRUE(wait_for([] {
            remove_update_leftovers();
            return leftovers().empty();
        })) << leftovers().front();
        std::filesystem::remove(installer_log_);
    }

    static std::vector<std::filesystem::path> leftovers()
    {
        std::vector<std::filesystem::path> found;
        for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::temp_directory_path()))
            if (entry.path().filename().wstring().rfind(L"miraDot-update-", 0) == 0)
                found.push_back(entry.path());
        return found;
    }

    static bool wait_for(const std::function<bool()>& condition)
    {
        for (int i = 0; i < 200; ++i) {
            if (condition())
                return true;
            Sleep(50);
        }
        return condition();
    }

    void offer(const std::string& bytes, unsigned long long size, const std::wstring& digest = L"")
    {
        ts::serve("miraDot-Setup-0.2.0.exe", bytes);
        char hex[SHA256_HEX_SIZE];
        std::filesystem::path served = ts::root() / "miraDot-Setup-0.2.0.exe";
        ASSERT_TRUE(sha256_file_hex(served.c_str(), hex));
        set_text(L"Status", L"new");
        set_text(L"Latest", L"0.2.0");
        std::string url = ts::url("miraDot-Setup-0.2.0.exe");
        set_text(L"Url", std::wstring(url.begin(), url.end()));
        set_text(L"Sha256", digest.empty() ? std::wstring(hex, hex + 64) : digest);
        set_qword(L"Size", size);
    }

    InstallReport install(const std::function<void(const std::wstring&)>& on_progress = {})
    {
        return run_update_install(window_, on_progress);
    }

    bool installer_ran() { return std::filesystem::exists(installer_log_); }

    // What the started installer logged, once it has.
    std::string installer_log()
    {
        wait_for([&] { return installer_ran() && !ts::read_file(installer_log_).empty(); });
        return ts::read_file(installer_log_);
    }

    HWND window_ = nullptr;
    std::string installer_;
    std::filesystem::path installer_log_;
};

TEST_F(UpdateInstall, DownloadsChecksAndRunsTheInstallerSilently)
{
    // Padding makes a download of many chunks; the installer still runs.
    std::string padded = installer_ + std::string(3 * 1024 * 1024 + 17, '\0');
    offer(padded, padded.size());
    InstallReport r = install();
    EXPECT_EQ(r.stage, WorkStage::Done);
    EXPECT_EQ(r.text, L"Đang cài bản 0.2.0… miraDot sẽ tự mở lại khi cài xong.");
    EXPECT_EQ(installer_log(), "/S /NOKEYBOARD /RUNSETTINGS");
    ASSERT_GE(r.progress.size(), 4u);
    EXPECT_LE(r.progress.size(), 101u + 2);
    EXPECT_EQ(r.progress[r.progress.size() - 3], L"Đang tải bản 0.2.0… 100 %");
    EXPECT_EQ(r.progress[r.progress.size() - 2], L"Đang kiểm tra tệp tải về…");
    EXPECT_EQ(r.progress.back(), L"Đang cài… (Windows sẽ hỏi quyền quản trị)");
    int last = -1;
    for (size_t i = 0; i + 2 < r.progress.size(); ++i) {
        int percent = -1;
        ASSERT_EQ(swscanf(r.progress[i].c_str(), L"Đang tải bản 0.2.0… %d %%", &percent), 1) << r.progress[i];
        EXPECT_GT(percent, last);
        last = percent;
    }
}

TEST_F(UpdateInstall, TheInstallerIsFetchedOnlyThroughHttpsHopsOfItsServer)
{
    offer(installer_, installer_.size());
    ts::serve("moved.exe", installer_);
    ts::set_rules(R"({"/miraDot-Setup-0.2.0.exe":{"redirect":"/moved.exe"}})");
    EXPECT_EQ(install().stage, WorkStage::Done);
    EXPECT_EQ(installer_log(), "/S /NOKEYBOARD /RUNSETTINGS");

    std::filesystem::remove(installer_log_);
    ts::clear_log();
    ts::set_rules(R"({"/miraDot-Setup-0.2.0.exe":{"redirect":")" + ts::url("hop", "MIRADOT_TEST_HTTP_PORT")
                  + R"("},"/hop":{"redirect":")" + ts::url("moved.exe") + R"("}})");
    InstallReport r = install();
    EXPECT_EQ(r.text, L"Lỗi: không tải được (máy chủ từ chối).");
    EXPECT_FALSE(installer_ran());
    EXPECT_EQ(ts::log(), "GET /miraDot-Setup-0.2.0.exe\n") << "nothing goes out over plain HTTP";
}

TEST_F(UpdateInstall, WithoutAStatedSizeProgressStaysAtZero)
{
    offer(installer_, 0);
    InstallReport r = install();
    EXPECT_EQ(r.stage, WorkStage::Done);
    ASSERT_EQ(r.progress.size(), 3u);
    EXPECT_EQ(r.progress[0], L"Đang tải bản 0.2.0… 0 %");
}

TEST_F(UpdateInstall, EveryFailureIsReportedAndNothingUnverifiedRuns)
{
    struct Case {
        const char* name;
        std::string body;
        long long size;  // -1: the body's own size
        std::wstring digest;
        std::string rules;
        const wchar_t* text;
        bool requested;
    } cases[] = {
        {"one byte over the stated size", installer_ + "x", static_cast<long long>(installer_.size()), L"", "{}",
         L"Lỗi: tệp tải về không đúng, đã xoá.", true},
        {"cut half-way with a stated size", installer_, -1, L"",
         R"({"/miraDot-Setup-0.2.0.exe":{"cut_after":)" + std::to_string(installer_.size() / 2) + "}}",
         L"Lỗi: tải không trọn (kiểm tra mạng).", true},
        {"cut half-way without one", installer_, 0, L"",
         R"({"/miraDot-Setup-0.2.0.exe":{"cut_after":)" + std::to_string(installer_.size() / 2) + "}}",
         L"Lỗi: tệp tải về không đúng, đã xoá.", true},
        {"another digest", installer_, -1, std::wstring(DIGEST.begin(), DIGEST.end()), "{}",
         L"Lỗi: tệp tải về không đúng, đã xoá.", true},
        {"upper-case digest", installer_, -1, std::wstring(64, L'A'), "{}", L"Lỗi: thông tin bản mới không hợp lệ.",
         false},
        {"missing on the server", installer_, -1, L"", R"({"/miraDot-Setup-0.2.0.exe":{"status":404}})",
         L"Lỗi: không tải được (máy chủ từ chối).", true},
        {"empty body", "", 0, L"", "{}", L"Lỗi: tải không trọn (kiểm tra mạng).", true},
    };
    for (const Case& c : cases) {
        ts::clear_log();
        offer(c.body, c.size < 0 ? c.body.size() : c.size, c.digest);
        ts::set_rules(c.rules);
        InstallReport r = install();
        EXPECT_EQ(r.stage, WorkStage::Failed) << c.name;
        EXPECT_EQ(r.text, c.text) << c.name;
        EXPECT_FALSE(installer_ran()) << c.name;
        EXPECT_EQ(ts::log().find("GET /miraDot-Setup"), c.requested ? 0u : std::string::npos) << c.name;
    }

    // An offer that is not newer, and one over HTTP.
    offer(installer_, installer_.size());
    set_text(L"Status", L"same");
    EXPECT_EQ(install().text, L"Chưa có bản mới để cài.");
    set_text(L"Status", L"new");
    set_text(L"Url", L"http://localhost/miraDot-Setup-0.2.0.exe");
    EXPECT_EQ(install().text, L"Lỗi: thông tin bản mới không hợp lệ.");
}

// An installer that carries an Authenticode signature runs only when the
// signature verifies; one without a signature (above) is taken on the signed
// manifest's digest.
TEST_F(UpdateInstall, ASignedInstallerRunsOnlyWhenItsSignatureHolds)
{
    if (ts::env("MIRADOT_TEST_SIGNED_INSTALLER").empty())
        GTEST_SKIP() << "no signed stand-in (osslsigncode missing at build time)";
    offer(ts::read_file(ts::on_z(ts::env("MIRADOT_TEST_TAMPERED_INSTALLER"))), 0);
    InstallReport r = install();
    EXPECT_EQ(r.stage, WorkStage::Failed);
    EXPECT_EQ(r.text, L"Lỗi: chữ ký của bộ cài không hợp lệ, đã xoá.");
    Sleep(1000);
    EXPECT_FALSE(installer_ran());

    offer(ts::read_file(ts::on_z(ts::env("MIRADOT_TEST_SIGNED_INSTALLER"))), 0);
    r = install();
    EXPECT_EQ(r.stage, WorkStage::Done) << miradot::wide_to_utf8(r.text);
    EXPECT_EQ(installer_log(), "/S /NOKEYBOARD /RUNSETTINGS");
}

// Someone else running as the same user, the installer and what they put in
// its place.
class UpdateInstallSwap : public UpdateInstall {
protected:
    void SetUp() override
    {
        UpdateInstall::SetUp();
        planted_ = ts::read_file(ts::on_z(ts::env("MIRADOT_TEST_PLANTED_PROGRAM")));
        ASSERT_FALSE(planted_.empty());
        planted_copy_ = std::filesystem::temp_directory_path() / "miradot-planted.exe";
        ts::write_file(planted_copy_, planted_);
        std::string padded = installer_ + std::string(2 * 1024 * 1024, '\0');
        offer(padded, padded.size());
    }
    void TearDown() override
    {
        // What the attempts left behind is theirs to clear.
        for (const std::filesystem::path& folder : leftovers()) {
            std::error_code ignored;
            std::filesystem::remove(folder / "moved.exe", ignored);
            if (folder.wstring().ends_with(L"-moved"))
                std::filesystem::remove_all(folder, ignored);
        }
        std::filesystem::remove(planted_copy_);
        UpdateInstall::TearDown();
    }

    // Puts the planted program at path, as a file or as a link to a copy.
    bool put(const std::filesystem::path& path, bool as_link = false)
    {
        if (as_link)
            return CreateSymbolicLinkW(path.c_str(), planted_copy_.c_str(), 0);
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        DWORD written = 0;
        WriteFile(file, planted_.data(), DWORD(planted_.size()), &written, nullptr);
        CloseHandle(file);
        return true;
    }

    // Only the genuine installer ran, or nothing did and the worker refused.
    void expect_only_the_genuine_installer(const InstallReport& r, std::initializer_list<const wchar_t*> refusals)
    {
        if (r.stage == WorkStage::Done) {
            EXPECT_EQ(installer_log(), "/S /NOKEYBOARD /RUNSETTINGS");
        } else {
            EXPECT_NE(std::find(refusals.begin(), refusals.end(), r.text), refusals.end())
                << miradot::wide_to_utf8(r.text);
            Sleep(1000);
            EXPECT_FALSE(installer_ran());
        }
        EXPECT_EQ(ts::read_file(installer_log_).find("planted"), std::string::npos);
    }

    std::string planted_;
    std::filesystem::path planted_copy_;
};

// A file or a link planted at the installer's name the moment its folder
// appears is refused, never reused.
TEST_F(UpdateInstallSwap, AFileOrLinkPlantedAtItsNameIsRefused)
{
    for (bool as_link : {false, true}) {
        std::atomic<bool> done{false};
        std::thread planter([&] {
            while (!done)
                for (const std::filesystem::path& folder : leftovers())
                    put(folder / "miraDot-Setup-0.2.0.exe", as_link);
        });
        InstallReport r = install([&](const std::wstring&) { done = true; });
        done = true;
        planter.join();
        expect_only_the_genuine_installer(r, {L"Lỗi: không ghi được tệp."});
        if (r.stage == WorkStage::Done)
            installer_log();
        else
            EXPECT_TRUE(r.progress.empty()) << "refused before the download";
        std::filesystem::remove(installer_log_);
        EXPECT_TRUE(wait_for([] {
            remove_update_leftovers();
            return leftovers().empty();
        }));
    }
}

// At every step the worker reports, the installer is written over, renamed
// or deleted and another file put there, or its folder moved away and
// another made. Only the genuine installer ever runs: an attempt that lands
// between two steps makes the worker refuse, one after the start finds the
// installer already running.
TEST_F(UpdateInstallSwap, NobodyElseCanSwapItBeforeItRuns)
{
    int attempts = 0;
    auto attack = [&](const std::wstring&) {
        for (const std::filesystem::path& folder : leftovers()) {
            std::filesystem::path file = folder / "miraDot-Setup-0.2.0.exe";
            ++attempts;
            HANDLE writer
                = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
            if (writer != INVALID_HANDLE_VALUE) {
                DWORD written = 0;
                WriteFile(writer, planted_.data(), DWORD(planted_.size()), &written, nullptr);
                SetEndOfFile(writer);
                CloseHandle(writer);
            }
            if (MoveFileExW(file.c_str(), (folder / "moved.exe").c_str(), 0))
                put(file);
            if (DeleteFileW(file.c_str()))
                put(file);
            std::wstring moved_folder = folder.wstring() + L"-moved";
            if (MoveFileExW(folder.c_str(), moved_folder.c_str(), 0)) {
                CreateDirectoryW(folder.c_str(), nullptr);
                put(file);
            }
        }
    };
    InstallReport r = install(attack);
    EXPECT_GE(attempts, 3);
    expect_only_the_genuine_installer(r, {L"Lỗi: tệp tải về bị chương trình khác thay đổi, đã huỷ cập nhật.",
                                          L"Lỗi: tệp tải về không đúng, đã xoá."});
}

TEST(InstallerResult, TheFreshInstanceTellsHowTheInstallerEnded)
{
    EXPECT_EQ(installer_result_from_command_line(L"--update-result 0"), 0);
    EXPECT_EQ(installer_result_from_command_line(L"x --update-result 3 y"), 3);
    EXPECT_EQ(installer_result_from_command_line(L"--update-result"), std::nullopt);
    EXPECT_EQ(installer_result_from_command_line(L"--update-result x"), std::nullopt);
    EXPECT_EQ(installer_result_from_command_line(L""), std::nullopt);
    EXPECT_EQ(installer_result_text(0), L"Đã cập nhật lên " + std::wstring(L"" MIRADOT_VERSION_TEXT) + L".");
    EXPECT_EQ(installer_result_text(3).rfind(L"Lỗi: không thay được các tệp của miraDot (mã 3).", 0), 0u);
    EXPECT_EQ(installer_result_text(7), L"Lỗi: máy đã có bản mới hơn, bộ cài không cài bản cũ (mã 7).");
    EXPECT_EQ(installer_result_text(42), L"Lỗi: bộ cài báo lỗi (mã 42).");
}

}  // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    SetEnvironmentVariableW(L"MIRADOT_SETTINGS_KEY", SETTINGS_KEY);
    std::string base = ts::url("");
    SetEnvironmentVariableA("MIRADOT_UPDATE_TEST_BASE", base.c_str());
    if (!load_signing_key() || !ts::trust_authority(true)) {
        std::fprintf(stderr, "no test signing key or test authority\n");
        return 1;
    }
    int status = RUN_ALL_TESTS();
    ts::trust_authority(false);
    return status;
}
