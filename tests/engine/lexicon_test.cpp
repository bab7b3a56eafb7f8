#include "lexicon.h"

#include <gtest/gtest.h>

#include <string>

#include "engine.h"
#include "engine_fixture.h"
#include "lexicon_loader.h"

using namespace miradot;

namespace {

constexpr auto OUTSIDE = static_cast<Table>(TABLE_COUNT);

class Lexicon : public EngineTablesTest {
protected:
    int parse(Table table, const std::string& text) { return lex_parse_file(table, text.data(), text.size()); }
};

TEST_F(Lexicon, VietnameseLinesAreSortedIntoSyllablesWordsAndOthers)
{
    EXPECT_EQ(parse(Table::Syllables, "việt\t50\nnam\ncafé\t3\nhai từ\t9\nxyzzy\t4\n\n#note\t1\n"), 2);
    EXPECT_EQ(lex_raw_count(Table::Syllables, "việt"), 50u);
    EXPECT_TRUE(lex_contains(Table::Syllables, "nam"));
    EXPECT_EQ(lex_raw_count(Table::Syllables, "nam"), 0u);
    EXPECT_EQ(lex_count(Table::Syllables, "nam"), 1u);  // known syllable, no frequency
    EXPECT_TRUE(lex_contains(Table::VietnameseWords, "café"));
    EXPECT_TRUE(lex_contains(Table::VietnameseWords, "xyzzy"));
    EXPECT_FALSE(lex_contains(Table::VietnameseWords, "hai từ"));
    EXPECT_FALSE(lex_contains(Table::Syllables, "hai từ"));
    EXPECT_EQ(lex_total(Table::Syllables), 50u);

    EXPECT_EQ(parse(Table::SyllableFrequencies, "việt\t700\nnam\t300\nok\t90\nđc\t5\n"), 2);
    EXPECT_EQ(lex_count(Table::Syllables, "việt"), 700u);  // v takes its count from f
    EXPECT_EQ(lex_raw_count(Table::PlainWords, "ok"), 90u);
    EXPECT_FALSE(lex_contains(Table::PlainWords, "đc"));
    EXPECT_EQ(lex_total(Table::SyllableFrequencies), 1000u);
    EXPECT_EQ(lex_total_or_one(Table::Syllables), 1000u);
}

TEST_F(Lexicon, TotalLineAndCounts)
{
    EXPECT_EQ(parse(Table::SyllableFrequencies, "#total\t1000000\nviệt\t5\n"), 1);
    EXPECT_EQ(lex_total(Table::SyllableFrequencies), 1000000u);
    EXPECT_EQ(parse(Table::English, "hello\t12abc\nworld\n\t7\npass\t99999999999\r\n"), 3);
    EXPECT_EQ(lex_raw_count(Table::English, "hello"), 12u);
    EXPECT_EQ(lex_raw_count(Table::English, "world"), 0u);
    EXPECT_EQ(lex_count(Table::English, "world"), 1u);
    EXPECT_EQ(lex_raw_count(Table::English, "pass"), UINT32_MAX);  // saturates instead of wrapping
    EXPECT_TRUE(lex_contains(Table::English, "pass"));             // carriage return dropped
}

TEST_F(Lexicon, TextValuesForCorrectionsAndShorthand)
{
    EXPECT_EQ(parse(Table::Corrections, "ko\tkhông\nnotab\nhow are\tya\tyou\n"), 2);
    EXPECT_STREQ(lex_correction("ko"), "không");
    EXPECT_STREQ(lex_correction("how are"), "ya\tyou");
    EXPECT_FALSE(lex_contains(Table::Corrections, "notab"));
    EXPECT_EQ(parse(Table::Shorthand, "vn\tViệt Nam\tB\nbare\n"), 2);
    EXPECT_STREQ(lex_value(Table::Shorthand, "vn"), "Việt Nam\tB");
    EXPECT_STREQ(lex_value(Table::Shorthand, "bare"), "");
    EXPECT_EQ(lex_total(Table::Corrections), 0u);
}

TEST_F(Lexicon, SameKeyKeepsLargerCountAndLaterValue)
{
    parse(Table::English, "word\t5\nword\t3\n");
    EXPECT_EQ(lex_raw_count(Table::English, "word"), 5u);
    parse(Table::Corrections, "a\tx\na\ty\n");
    EXPECT_STREQ(lex_correction("a"), "y");
    EXPECT_EQ(lex_size(Table::Corrections), 1u);
}

TEST_F(Lexicon, GrowsAtHalfLoadAndFindsEveryKeyAfterwards)
{
    LexiconTable* t = lex_table(Table::English);
    for (int i = 0; i < 512; ++i)
        lex_add(Table::English, ("w" + std::to_string(i)).c_str(), nullptr, 1);
    EXPECT_EQ(t->capacity, 1024u);
    lex_add(Table::English, "w512", nullptr, 1);
    EXPECT_EQ(t->capacity, 2048u);
    for (int i = 0; i <= 512; ++i)
        EXPECT_TRUE(lex_contains(Table::English, ("w" + std::to_string(i)).c_str())) << i;
    EXPECT_EQ(lex_total(Table::English), 513u);
    EXPECT_EQ(lex_for_each(
                  Table::English, [](const char*, const char*, uint32_t, void*) {}, nullptr),
              513u);
}

TEST_F(Lexicon, UnknownTablesAndEmptyKeysFindNothing)
{
    EXPECT_EQ(lex_table(OUTSIDE), nullptr);
    EXPECT_FALSE(lex_contains(OUTSIDE, "a"));
    EXPECT_EQ(lex_count(OUTSIDE, "a"), 0u);
    EXPECT_EQ(lex_total_or_one(OUTSIDE), 1u);
    EXPECT_EQ(lex_add(OUTSIDE, "a", nullptr, 1), 0);
    EXPECT_EQ(lex_add(Table::LearnedChoices, "", "v", 1), 0);
    EXPECT_FALSE(lex_contains(Table::English, "nothing"));
    lex_clear(Table::English);
    EXPECT_EQ(lex_table(Table::English)->capacity, 0u);
}

TEST_F(Lexicon, LoadsADataFolder)
{
    std::string dir = make_dir({{"en.tsv", "hello\t5\nworld\t3\n"}});
    EXPECT_EQ(engine_load_data(dir.c_str()), 2);
    EXPECT_EQ(engine_load_data((dir + "/missing").c_str()), -1);
    std::string longDir(1100, 'x');
    EXPECT_EQ(engine_load_data(longDir.c_str()), -1);

    make_dir({{"vi.tsv", "việt\t1\n"}, {"corrections.tsv", "ko\tkhông\n"}, {"corrections_ctx.tsv", "a b\tc d\n"}});
    clear_all_tables();
    EXPECT_EQ(engine_load_data(dir.c_str()), 5);
    EXPECT_STREQ(lex_correction("a b"), "c d");
    EXPECT_EQ(lex_load_file(Table::English, (dir + "/nope.tsv").c_str()), -1);
}

TEST_F(Lexicon, HostileFilesAreParsedWithinBounds)
{
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary += static_cast<char>((i * 7919) & 0xFF);
    for (Table table : {Table::Syllables, Table::SyllableFrequencies, Table::English, Table::Corrections,
                        Table::KeptPairs, Table::Shorthand})
        parse(table, binary);
    std::string longKey(5000, 'a');
    EXPECT_EQ(parse(Table::Syllables, longKey + "\t1\n"), 0);
    EXPECT_EQ(parse(Table::English, longKey + "\t1"), 1);
    EXPECT_TRUE(lex_contains(Table::English, longKey.c_str()));
    EXPECT_EQ(parse(Table::English, std::string("nul\0key\t1\n", 10)), 1);
}

}  // namespace
