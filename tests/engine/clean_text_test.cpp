#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine.h"
#include "engine_fixture.h"
#include "lexicon.h"
#include "lexicon_loader.h"

using namespace miradot;

namespace {

class CleanText : public EngineTablesTest {
protected:
    void SetUp() override
    {
        EngineTablesTest::SetUp();
        ctx = engine_create();
    }
    void TearDown() override
    {
        engine_destroy(ctx);
        EngineTablesTest::TearDown();
    }

    std::string clean(const std::string& text, int* corrections = nullptr, int size = 4096)
    {
        std::vector<char> buffer(size > 0 ? size : 1);
        int n = engine_clean_text(ctx, text.c_str(), buffer.data(), size);
        if (corrections)
            *corrections = n;
        return size > 0 ? buffer.data() : "";
    }

    void load(Table table, const std::string& text) { lex_parse_file(table, text.data(), text.size()); }

    EngineContext* ctx = nullptr;
};

TEST_F(CleanText, PlacesTonesTheWayTheOptionsWant)
{
    int corrections = 0;
    EXPECT_EQ(clean("hòa bình", &corrections), "hoà bình");
    EXPECT_EQ(corrections, 1);
    engine_set_options(ctx, DEFAULT_OPTIONS | OPT_OLD_TONE);
    EXPECT_EQ(clean("hòa bình", &corrections), "hòa bình");
    EXPECT_EQ(corrections, 0);
    EXPECT_EQ(clean("Hoà THUỶ", &corrections), "Hòa THỦY");
    EXPECT_EQ(corrections, 2);
}

TEST_F(CleanText, EverythingButWordsPassesThroughUnchanged)
{
    const char* texts[] = {
        "năm 2024, tốt.",     "email: a@b.com — 100%!", "日本語 và tiếng Việt",
        "  hai   dấu cách  ", "bad \xFF\xFE bytes",     "",
    };
    for (const char* text : texts)
        EXPECT_EQ(clean(text), text) << text;
}

TEST_F(CleanText, RepairsHookTildeAndAppliesCorrections)
{
    load(Table::Syllables, "nghĩ\n");
    load(Table::SyllableFrequencies, "nghĩ\t10\n");
    load(Table::Corrections, "ko\tkhông\nsản suất\tsản xuất\nxấu\tđẹp quá\n");
    int corrections = 0;
    EXPECT_EQ(clean("tôi nghỉ Ko sản suất", &corrections), "tôi nghĩ Không sản xuất");
    EXPECT_EQ(corrections, 3);
    EXPECT_EQ(clean("sản  suất"), "sản  suất");  // two spaces: no context
    EXPECT_EQ(clean("xấu"), "xấu");              // a one-word value with a space is not applied
    engine_set_options(ctx, DEFAULT_OPTIONS & ~OPT_AUTO_CORRECT);
    EXPECT_EQ(clean("tôi nghỉ ko"), "tôi nghỉ ko");
}

TEST_F(CleanText, KeepsEveryCharacterOfATextThatFitsTheBuffer)
{
    load(Table::Syllables, "hoà\n");
    load(Table::Corrections, "ko\tkhông\n");
    std::string transcript, expected;
    for (int i = 0; i < 1500; ++i) {  // a long voice transcript of short words
        transcript += i % 3 ? "ab hòa " : "ko, ";
        expected += i % 3 ? "ab hoà " : "không, ";
    }
    int corrections = 0;
    EXPECT_EQ(clean(transcript, &corrections, 32768), expected);
    EXPECT_EQ(corrections, 1500);
    std::string token(120, 'a');  // too long to be a word: passes unchanged
    EXPECT_EQ(clean(token + " hòa " + token), token + " hoà " + token);
    std::string longWord = std::string(200, 'x') + "hòa";
    EXPECT_EQ(clean(longWord), longWord);
}

TEST_F(CleanText, CutsOnlyAtTheBufferAndNeverInsideACharacter)
{
    EXPECT_EQ(clean("tiếng việt", nullptr, 6), "tiế");
    EXPECT_EQ(clean("abc", nullptr, 0), "");
    EXPECT_EQ(clean("ab cd ef", nullptr, 6), "ab cd");
}

}  // namespace
