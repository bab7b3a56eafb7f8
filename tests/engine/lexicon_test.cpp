#include "lexicon.h"

#include <gtest/gtest.h>

#include <string>

#include "engine.h"
#include "engine_fixture.h"

using namespace miradot;

namespace {

class Lexicon : public EngineTablesTest {
protected:
    int parse(char code, const std::string& text) { return lex_parse_file(code, text.data(), text.size()); }
};

TEST_F(Lexicon, VietnameseLinesAreSortedIntoSyllablesWordsAndOthers)
{
    EXPECT_EQ(parse('v', "việt\t50\nnam\ncafé\t3\nhai từ\t9\nxyzzy\t4\n\n#note\t1\n"), 2);
    EXPECT_EQ(lex_raw_count('v', "việt"), 50u);
    EXPECT_TRUE(lex_contains('v', "nam"));
    EXPECT_EQ(lex_raw_count('v', "nam"), 0u);
    EXPECT_EQ(lex_count('v', "nam"), 1u);  // known syllable, no frequency
    EXPECT_TRUE(lex_contains('l', "café"));
    EXPECT_TRUE(lex_contains('l', "xyzzy"));
    EXPECT_FALSE(lex_contains('l', "hai từ"));
    EXPECT_FALSE(lex_contains('v', "hai từ"));
    EXPECT_EQ(lex_total('v'), 50u);

    EXPECT_EQ(parse('f', "việt\t700\nnam\t300\nok\t90\nđc\t5\n"), 2);
    EXPECT_EQ(lex_count('v', "việt"), 700u);  // v takes its count from f
    EXPECT_EQ(lex_raw_count('r', "ok"), 90u);
    EXPECT_FALSE(lex_contains('r', "đc"));
    EXPECT_EQ(lex_total('f'), 1000u);
    EXPECT_EQ(lex_total_or_one('v'), 1000u);
}

TEST_F(Lexicon, TotalLineAndCounts)
{
    EXPECT_EQ(parse('f', "#total\t1000000\nviệt\t5\n"), 1);
    EXPECT_EQ(lex_total('f'), 1000000u);
    EXPECT_EQ(parse('e', "hello\t12abc\nworld\n\t7\npass\t99999999999\r\n"), 3);
    EXPECT_EQ(lex_raw_count('e', "hello"), 12u);
    EXPECT_EQ(lex_raw_count('e', "world"), 0u);
    EXPECT_EQ(lex_count('e', "world"), 1u);
    EXPECT_EQ(lex_raw_count('e', "pass"), UINT32_MAX);  // saturates instead of wrapping
    EXPECT_TRUE(lex_contains('e', "pass"));             // carriage return dropped
}

TEST_F(Lexicon, TextValuesForCorrectionsAndShorthand)
{
    EXPECT_EQ(parse('c', "ko\tkhông\nnotab\nhow are\tya\tyou\n"), 2);
    EXPECT_STREQ(lex_correction("ko"), "không");
    EXPECT_STREQ(lex_correction("how are"), "ya\tyou");
    EXPECT_FALSE(lex_contains('c', "notab"));
    EXPECT_EQ(parse('s', "vn\tViệt Nam\tB\nbare\n"), 2);
    EXPECT_STREQ(lex_value('s', "vn"), "Việt Nam\tB");
    EXPECT_STREQ(lex_value('s', "bare"), "");
    EXPECT_EQ(lex_total('c'), 0u);
}

TEST_F(Lexicon, SameKeyKeepsLargerCountAndLaterValue)
{
    parse('e', "word\t5\nword\t3\n");
    EXPECT_EQ(lex_raw_count('e', "word"), 5u);
    parse('c', "a\tx\na\ty\n");
    EXPECT_STREQ(lex_correction("a"), "y");
    EXPECT_EQ(lex_size('c'), 1u);
}

TEST_F(Lexicon, GrowsAtHalfLoadAndFindsEveryKeyAfterwards)
{
    LexiconTable* t = lex_table('e');
    for (int i = 0; i < 512; ++i)
        lex_add('e', ("w" + std::to_string(i)).c_str(), nullptr, 1);
    EXPECT_EQ(t->capacity, 1024u);
    lex_add('e', "w512", nullptr, 1);
    EXPECT_EQ(t->capacity, 2048u);
    for (int i = 0; i <= 512; ++i)
        EXPECT_TRUE(lex_contains('e', ("w" + std::to_string(i)).c_str())) << i;
    EXPECT_EQ(lex_total('e'), 513u);
    EXPECT_EQ(lex_for_each(
                  'e', [](const char*, const char*, uint32_t, void*) {}, nullptr),
              513u);
}

TEST_F(Lexicon, UnknownCodesAndEmptyKeysFindNothing)
{
    EXPECT_EQ(lex_table('z'), nullptr);
    EXPECT_FALSE(lex_contains('z', "a"));
    EXPECT_EQ(lex_count('z', "a"), 0u);
    EXPECT_EQ(lex_total_or_one('z'), 1u);
    EXPECT_EQ(lex_add('z', "a", nullptr, 1), 0);
    EXPECT_EQ(lex_add('o', "", "v", 1), 0);
    EXPECT_FALSE(lex_contains('e', "nothing"));
    lex_clear('e');
    EXPECT_EQ(lex_table('e')->capacity, 0u);
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
    EXPECT_EQ(lex_load_file('e', (dir + "/nope.tsv").c_str()), -1);
}

TEST_F(Lexicon, HostileFilesAreParsedWithinBounds)
{
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary += static_cast<char>((i * 7919) & 0xFF);
    for (char code : std::string("vfecks"))
        parse(code, binary);
    std::string longKey(5000, 'a');
    EXPECT_EQ(parse('v', longKey + "\t1\n"), 0);
    EXPECT_EQ(parse('e', longKey + "\t1"), 1);
    EXPECT_TRUE(lex_contains('e', longKey.c_str()));
    EXPECT_EQ(parse('e', std::string("nul\0key\t1\n", 10)), 1);
}

}  // namespace
