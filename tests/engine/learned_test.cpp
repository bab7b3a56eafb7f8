#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "engine.h"
#include "engine_fixture.h"
#include "lexicon.h"

using namespace miradot;

namespace {

class Learned : public EngineTablesTest {
protected:
    void SetUp() override
    {
        EngineTablesTest::SetUp();
        make_dir();
        file = path("learned.tsv");
    }

    std::string read(const std::string& p) const
    {
        std::ifstream in(p, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    std::string file;
};

TEST_F(Learned, EmptyTablesSaveOnlyTheHeader)
{
    EXPECT_EQ(learned_save(file.c_str()), 0);
    EXPECT_EQ(read(file), "# miraDot learned data v1\n");
    EXPECT_EQ(learned_load(file.c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(file + ".tmp"));
}

TEST_F(Learned, RoundTripKeepsChoicesCountsAndOrder)
{
    lex_add(Table::LearnedChoices, "vieetj", "e", 2);
    lex_add(Table::LearnedChoices, "vn", "n", 1);
    lex_add(Table::AcceptedWords, "tiếng", nullptr, 7);
    lex_add(Table::AcceptedWords, "pass", nullptr, 1);
    EXPECT_EQ(learned_count(), 4);
    ASSERT_EQ(learned_save(file.c_str()), 4);
    std::string text = read(file);
    EXPECT_LT(text.find("o\tvn\tn\t1\n"), text.find("p\t"));  // every o line before every p line
    EXPECT_NE(text.find("p\ttiếng\t7\n"), std::string::npos);

    learned_clear();
    EXPECT_EQ(learned_count(), 0);
    EXPECT_EQ(learned_load(file.c_str()), 4);
    EXPECT_STREQ(lex_value(Table::LearnedChoices, "vieetj"), "e");
    EXPECT_STREQ(lex_value(Table::LearnedChoices, "vn"), "n");
    EXPECT_EQ(lex_raw_count(Table::AcceptedWords, "tiếng"), 7u);
    EXPECT_EQ(lex_total(Table::AcceptedWords), 8u);
    EXPECT_EQ(learned_load(file.c_str()), 4);  // loading again adds the counts
    EXPECT_EQ(lex_raw_count(Table::AcceptedWords, "tiếng"), 14u);
}

TEST_F(Learned, DamagedLinesAreSkippedAndTheRestLoads)
{
    std::string longLine(2000, 'x');
    write_file("learned.tsv",
               "# miraDot learned data v1\n"
               "o\tkeys\tx\t3\n"  // unknown value reads as e
               "o\tkeys2\tv\n"    // no count field: ignored
               "p\tword\t12abc\r\n"
               "q\tother\t1\n"
               "p\tnotabs\n"
               "o\t\tv\t1\n"  // empty key refused
               "p\t"
                   + longLine
                   + "p\tfake\t9\n"  // an over-long line cannot smuggle a record
                     "\xFF\xFE garbage\n"
                     "p\tlast\t4");
    EXPECT_EQ(learned_load(file.c_str()), 3);
    EXPECT_STREQ(lex_value(Table::LearnedChoices, "keys"), "e");
    EXPECT_FALSE(lex_contains(Table::LearnedChoices, "keys2"));
    EXPECT_EQ(lex_raw_count(Table::AcceptedWords, "word"), 12u);
    EXPECT_FALSE(lex_contains(Table::AcceptedWords, "fake"));
    EXPECT_EQ(lex_raw_count(Table::AcceptedWords, "last"), 4u);
}

TEST_F(Learned, FailedSaveLeavesThePreviousFileIntact)
{
    lex_add(Table::AcceptedWords, "one", nullptr, 1);
    ASSERT_EQ(learned_save(file.c_str()), 1);
    std::string before = read(file);
    lex_add(Table::AcceptedWords, "two", nullptr, 1);

    std::string longPath = path("") + std::string(1100, 'a');
    EXPECT_EQ(learned_save(longPath.c_str()), -1);
    EXPECT_EQ(learned_save(path("missing-dir/learned.tsv").c_str()), -1);
    std::filesystem::create_directory(file + ".blocker");
    EXPECT_EQ(learned_save((file + ".blocker").c_str()), -1);  // cannot replace a folder
    EXPECT_EQ(read(file), before);
    EXPECT_EQ(learned_load(path("nothing.tsv").c_str()), -1);
}

TEST_F(Learned, KeysThatWouldBreakTheFormatAreNotWritten)
{
    lex_add(Table::AcceptedWords, "bad\tkey", nullptr, 1);
    lex_add(Table::AcceptedWords, "bad\nkey", nullptr, 1);
    lex_add(Table::AcceptedWords, "good", nullptr, 1);
    EXPECT_EQ(learned_save(file.c_str()), 1);
    learned_clear();
    EXPECT_EQ(learned_load(file.c_str()), 1);
}

}  // namespace
