#include "vietnamese_word.h"

#include <gtest/gtest.h>

namespace {

struct KeysCase {
    const char* word;
    const char* keys;
};

void PrintTo(const KeysCase& c, std::ostream* os) { *os << '"' << c.word << '"'; }

class TelexKeys : public testing::TestWithParam<KeysCase> {};

TEST_P(TelexKeys, TypesTheWordAsATelexUserWould) { EXPECT_EQ(telex_keys(GetParam().word), GetParam().keys); }

INSTANTIATE_TEST_SUITE_P(Words, TelexKeys,
                         testing::Values(KeysCase{"việt", "vieetj"}, KeysCase{"người", "nguwowif"},
                                         KeysCase{"được", "dduwowcj"}, KeysCase{"hoà", "hoaf"}, KeysCase{"hòa", "hoaf"},
                                         KeysCase{"xoăn", "xoawn"}, KeysCase{"Đi", "Ddi"}, KeysCase{"ĐƯỢC", "DDUWOWCJ"},
                                         KeysCase{"Tiếng", "Tieengs"}, KeysCase{"Ồ", "Oof"},
                                         KeysCase{"xoong", "xooong"}, KeysCase{"coóc", "cooocs"},
                                         KeysCase{"book", "book"}, KeysCase{"class", "class"}, KeysCase{"HTML", "HTML"},
                                         KeysCase{"", ""}));

TEST(TelexKeys, PutsTheToneKeyAfterItsVowelWhenAsked)
{
    EXPECT_EQ(telex_keys("việt", ToneKey::AfterVowel), "vieejt");
    EXPECT_EQ(telex_keys("người", ToneKey::AfterVowel), "nguwowfi");
    EXPECT_EQ(telex_keys("HOÀNG", ToneKey::AfterVowel), "HOAFNG");
    EXPECT_EQ(telex_keys("class", ToneKey::AfterVowel), "class");
}

TEST(VniKeys, TypeMarkDigitsRightAfterTheirLetterAndTheToneDigitLast)
{
    const KeysCase cases[] = {{"việt", "vie6t5"}, {"được", "d9u7o7c5"}, {"ĐƯỢC", "D9U7O7C5"}, {"xoăn", "xoa8n"},
                              {"xoong", "xoong"}, {"Ồ", "O62"},         {"class", "class"}};
    for (const KeysCase& c : cases)
        EXPECT_EQ(typing_keys(c.word, Method::Vni), c.keys) << c.word;
    EXPECT_EQ(typing_keys("người", Method::Vni, ToneKey::AfterVowel), "ngu7o72i");
    EXPECT_EQ(typing_text("Tập tin đã lưu.", Method::Vni), "Ta6p5 tin d9a4 lu7u.");
}

TEST(SpellingKey, IgnoresTonePlacementAndCaseOnly)
{
    EXPECT_EQ(spelling_key("hoà"), spelling_key("hòa"));
    EXPECT_EQ(spelling_key("Việt"), spelling_key("việt"));
    EXPECT_NE(spelling_key("việt"), spelling_key("viet"));
    EXPECT_NE(spelling_key("việt"), spelling_key("vieetj"));
    EXPECT_NE(spelling_key("bến"), spelling_key("bền"));
    EXPECT_NE(spelling_key("ươ"), spelling_key("uơ"));
}

TEST(TelexText, KeepsEverythingBetweenWords)
{
    EXPECT_EQ(telex_text("Tập tin (file) đã lưu, 3 lần."), "Taapj tin (file) ddax luwu, 3 laanf.");
}

TEST(SplitWords, SplitsAtAnythingButLetters)
{
    EXPECT_EQ(words_before_digit("Đếm2 là ô A1, 3 lần"), (std::vector<bool>{true, false, false, true, false}));
    EXPECT_EQ(split_words("Gói lib-foo.so đã cài1"),
              (std::vector<std::string>{"Gói", "lib", "foo", "so", "đã", "cài"}));
    EXPECT_TRUE(split_words(" ,.- 42 ").empty());
}

}  // namespace
