// The diagnostics log: its line, the two files and their limit, the last
// lines across both, and whole lines from several processes at once.
#include "diagnostics_log.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "process_support.h"
#include "temp_folder.h"

using namespace miradot;

namespace {

const std::regex LINE(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z [A-Za-z_-]+ \d+ [^\r\n]*)");

class DiagnosticsLog : public testing::Test {
protected:
    DiagnosticsLog() : folder_(L"miradot-log"), env_(L"LOCALAPPDATA", folder_.path().wstring())
    {
        log_set_program("log_test");
    }
    std::filesystem::path file(const char* name) const { return folder_.path() / "miraDot" / "logs" / name; }
    std::vector<std::string> lines_of(const char* name) const
    {
        std::vector<std::string> lines;
        std::string text = read_file(file(name));
        for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
            lines.push_back(text.substr(start, end - start));
        return lines;
    }

    TempFolder folder_;
    ScopedEnv env_;
};

TEST(DiagnosticsLogLine, HoldsTimeProgramProcessAndOneLineOfEvent)
{
    EXPECT_EQ(format_log_line(1796998503123, "miraDot-Voice", 4242, "helper start"),
              "2026-12-11T14:15:03.123Z miraDot-Voice 4242 helper start\n");
    EXPECT_EQ(format_log_line(0, "miradot_tsf", 7, "a\r\nb"), "1970-01-01T00:00:00.000Z miradot_tsf 7 a  b\n");
    std::string line = format_log_line(0, "p", 1, std::string(1000, 'x').c_str());
    EXPECT_EQ(line.size(), std::string("1970-01-01T00:00:00.000Z p 1 \n").size() + LOG_EVENT_LIMIT);
}

TEST_F(DiagnosticsLog, AppendsLinesUnderTheLocalDataFolder)
{
    log_event("download status %d, %llu bytes", 404, 12345ULL);
    log_event("model load error");
    std::vector<std::string> lines = lines_of("miraDot.log");
    ASSERT_EQ(lines.size(), 2u);
    for (const std::string& line : lines)
        EXPECT_TRUE(std::regex_match(line, LINE)) << line;
    std::string own = " log_test " + std::to_string(GetCurrentProcessId()) + " ";
    EXPECT_NE(lines[0].find(own + "download status 404, 12345 bytes"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find(own + "model load error"), std::string::npos) << lines[1];
    EXPECT_FALSE(std::filesystem::exists(file("miraDot.1.log")));
}

TEST_F(DiagnosticsLog, KeepsTwoFilesOfAtMostTheLimit)
{
    const std::string filler(200, 'f');
    const int written = 3 * static_cast<int>(LOG_FILE_LIMIT / 250);  // three files' worth
    for (int i = 0; i < written; ++i)
        log_event("event %06d %s", i, filler.c_str());
    EXPECT_LE(std::filesystem::file_size(file("miraDot.log")), LOG_FILE_LIMIT);
    EXPECT_LE(std::filesystem::file_size(file("miraDot.1.log")), LOG_FILE_LIMIT);
    EXPECT_GT(std::filesystem::file_size(file("miraDot.1.log")), LOG_FILE_LIMIT - 300);
    int files = 0;
    for (auto& entry : std::filesystem::directory_iterator(file("")))
        files += entry.path().extension() == ".log";
    EXPECT_EQ(files, 2);

    // The older file ends where the current one begins.
    std::vector<std::string> older = lines_of("miraDot.1.log"), current = lines_of("miraDot.log");
    ASSERT_FALSE(older.empty());
    ASSERT_FALSE(current.empty());
    int last_older = std::stoi(older.back().substr(older.back().find("event ") + 6, 6));
    int first_current = std::stoi(current.front().substr(current.front().find("event ") + 6, 6));
    EXPECT_EQ(first_current, last_older + 1);

    std::vector<std::string> last = log_last_lines(100);
    ASSERT_EQ(last.size(), 100u);
    for (int i = 0; i < 100; ++i) {
        char expected[32];
        std::snprintf(expected, sizeof expected, "event %06d ", written - 100 + i);
        EXPECT_NE(last[i].find(expected), std::string::npos) << i << ": " << last[i];
    }
}

TEST_F(DiagnosticsLog, FewerLinesThanAskedComeWhole)
{
    EXPECT_TRUE(log_last_lines(100).empty());
    log_event("one");
    log_event("two");
    std::vector<std::string> last = log_last_lines(100);
    ASSERT_EQ(last.size(), 2u);
    EXPECT_NE(last[1].find(" two"), std::string::npos);
}

TEST_F(DiagnosticsLog, WithoutALocalDataFolderNothingIsWritten)
{
    ScopedEnv unset(L"LOCALAPPDATA", L"");
    log_event("nowhere");
    EXPECT_TRUE(log_last_lines(10).empty());
}

// Four processes write across a move aside at once: every line stays whole
// and none is lost.
TEST_F(DiagnosticsLog, LinesOfSeveralProcessesNeverMix)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    constexpr int PROCESSES = 4, LINES = 300;  // more than one file, less than two
    std::vector<std::unique_ptr<Process>> writers;
    for (int i = 0; i < PROCESSES; ++i)
        writers.push_back(std::make_unique<Process>(self, L"--write-lines " + std::to_wstring(LINES)));
    for (auto& writer : writers)
        ASSERT_EQ(writer->wait(60000), 0);
    std::vector<std::string> lines = lines_of("miraDot.1.log");
    for (const std::string& line : lines_of("miraDot.log"))
        lines.push_back(line);
    EXPECT_EQ(lines.size(), static_cast<size_t>(PROCESSES * LINES));
    for (const std::string& line : lines)
        ASSERT_TRUE(std::regex_match(line, LINE)) << line;
}

}  // namespace

int main(int argc, char** argv)
{
    // A writer of the test above: many long lines, enough to pass the limit.
    if (argc == 3 && std::string(argv[1]) == "--write-lines") {
        log_set_program("log_writer");
        const std::string filler(300, 'w');
        for (int i = 0, count = std::atoi(argv[2]); i < count; ++i)
            log_event("line %d %s", i, filler.c_str());
        return 0;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
