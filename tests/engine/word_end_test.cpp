#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine.h"
#include "engine_fixture.h"
#include "lexicon.h"

using namespace miradot;

namespace {

// A small lexicon where "mix" is both a frequent English word and the
// Vietnamese syllable "mĩ", close enough for context to tip the balance.
const char* const VI = "tiếng\nviệt\nnam\nxin\nchào\nbếp\ncó\nmĩ\nsản\nxuất\nsuất\nchẩn\nđoán\nchuẩn\ntiêu\nlà\n";
const char* const VI_FREQ = "#total\t1000000\ntiếng\t500\nviệt\t900\nnam\t800\nxin\t300\nbếp\t50\nmĩ\t100\nlà\t5000\n";
const char* const EN = "#total\t1000000\npass\t5000\nclass\t3000\nmix\t400\nbeeps\t20\nhtml\t800\ntest\t4000\n";
const char* const CORRECTIONS = "sả\tsản\n";
const char* const CONTEXT = "sản suất\tsản xuất\nchuẩn đoán\tchẩn đoán\n";
const char* const KEEP = "tiêu chuẩn\t5\n";
const char* const SHORTHAND = "vn\tViệt Nam\nko\tkhông\nđc\tđược\tB\n";

class WordEnd : public EngineTablesTest {
protected:
    void SetUp() override
    {
        EngineTablesTest::SetUp();
        std::string dir = make_dir({{"vi.tsv", VI},
                                    {"vi_freq.tsv", VI_FREQ},
                                    {"en.tsv", EN},
                                    {"corrections.tsv", CORRECTIONS},
                                    {"corrections_ctx.tsv", CONTEXT},
                                    {"corrections_keep.tsv", KEEP},
                                    {"shorthand.tsv", SHORTHAND}});
        ASSERT_GT(engine_load_data(dir.c_str()), 0);
        ctx = engine_create();
    }
    void TearDown() override
    {
        engine_destroy(ctx);
        EngineTablesTest::TearDown();
    }

    // Types keys into a fresh context.
    std::string feed(const std::string& keys, uint32_t options = DEFAULT_OPTIONS)
    {
        engine_destroy(ctx);
        ctx = engine_create();
        engine_set_options(ctx, options);
        std::vector<char> buffer(keys.size() * 4 + 256);
        engine_feed_text(ctx, keys.c_str(), buffer.data(), static_cast<int>(buffer.size()));
        return buffer.data();
    }

    // Types keys one by one; returns the output of the last key.
    EngineOutput type(const std::string& keys)
    {
        EngineOutput out{};
        for (char k : keys)
            engine_key(ctx, static_cast<unsigned char>(k), &out);
        return out;
    }

    EngineContext* ctx = nullptr;
};

struct FeedCase {
    const char* keys;
    const char* expected;
};

TEST_F(WordEnd, EnglishStaysEnglishAndVietnameseStaysVietnamese)
{
    const FeedCase cases[] = {
        {"pass ", "pass "},
        {"class test ", "class test "},
        {"beeps ", "bếp "},  // the mark typed by repeat outweighs a rare English word
        {"tieengs vieetj ", "tiếng việt "},
        {"tieng ", "tieng "},  // neither language: kept as typed
        {"HTML ", "HTML "},
        {"VIEETJ NAM ", "VIỆT NAM "},
        {"LAF ", "LAF "},               // three capitals alone: an acronym
        {"HTML (LAF) ", "HTML (LÀ) "},  // a common syllable where capitals run
        {"10cas ", "10cas "},           // code-like after a digit
        {"10dd ", "10đ "},
        {"a_cas ", "a_cas "},
        {"mySql ", "mySql "},             // a capital inside the word
        {"mix.chaof ", "mix.chaof "},     // after the dot of a name
        {"xin...chaof ", "xin...chào "},  // but an ellipsis is no name
        {"xin..chaof ", "xin..chào "},
        {"vieetj.chaof ", "việt.chào "},  // or a sentence end without its space
        {"--chaof ", "--chaof "},         // an option name
        {"-chaof ", "-chào "},
    };
    for (const FeedCase& c : cases)
        EXPECT_EQ(feed(c.keys), c.expected) << c.keys;
}

TEST_F(WordEnd, KindsReportedAtWordEnd)
{
    engine_set_options(ctx, DEFAULT_OPTIONS);
    EngineOutput out = type("tieengs ");
    EXPECT_STREQ(out.text, "tiếng ");
    EXPECT_EQ(out.kind, KIND_VIETNAMESE);
    out = type("tieng ");
    EXPECT_EQ(out.kind, KIND_UNDECIDED);
    out = type(std::string(33, 'q') + " ");
    EXPECT_EQ(out.kind, KIND_ENGLISH);
    EXPECT_EQ(std::string(out.text), std::string(33, 'q') + " ");
    out = type("pass ");
    EXPECT_EQ(out.kind, KIND_ENGLISH);
}

TEST_F(WordEnd, PunctuationSpacingAndSentenceCapitals)
{
    const FeedCase cases[] = {
        {"vieetj ,", "việt,"},         {"pass ,", "pass ,"},
        {"vieetj . xin", "việt. Xin"}, {"vieetj. xin chaof", "việt. Xin chào"},
        {"vieetj ? laf", "việt? Là"},  {"vieetj , xin", "việt, xin"},
    };
    for (const FeedCase& c : cases)
        EXPECT_EQ(feed(c.keys), c.expected) << c.keys;
    EXPECT_EQ(feed("vieetj ,", DEFAULT_OPTIONS & ~OPT_PUNCTUATION), "việt ,");
}

TEST_F(WordEnd, AmbiguousWordOffersTheOtherFormForTab)
{
    engine_set_options(ctx, DEFAULT_OPTIONS);
    EngineOutput out = type("mix ");
    EXPECT_STREQ(out.text, "mix ");
    char alt[64];
    ASSERT_EQ(engine_alternative(ctx, alt, sizeof alt), 1);
    EXPECT_STREQ(alt, "mĩ");
    ASSERT_EQ(engine_swap(ctx, &out), 1);
    EXPECT_EQ(out.deleteCount, 4);
    EXPECT_STREQ(out.text, "mĩ ");
    EXPECT_EQ(out.corrected, 1);
    EXPECT_EQ(engine_swap(ctx, &out), 0);  // consumed

    type("mix ");
    type("x");
    EXPECT_EQ(engine_alternative(ctx, nullptr, 0), 0);  // any key withdraws the offer
    // Nothing to swap while the word is in progress.
    EXPECT_EQ(feed("mix\xE2\x87\xA5", DEFAULT_OPTIONS & ~OPT_LEARN), "mix");
}

TEST_F(WordEnd, SwapIsLearnedForNextTime)
{
    EXPECT_EQ(feed("mix \xE2\x87\xA5"), "mĩ ");
    EXPECT_STREQ(lex_value(Table::LearnedChoices, "mix"), "v");
    EXPECT_EQ(feed("mix "), "mĩ ");
    EXPECT_EQ(feed("mix ", DEFAULT_OPTIONS & ~OPT_LEARN), "mix ");
}

TEST_F(WordEnd, NextWordReDecidesTheAmbiguousOne)
{
    EXPECT_EQ(feed("mix vieetj "), "mĩ việt ");
    EXPECT_EQ(feed("mix pass "), "mix pass ");
    EXPECT_EQ(feed("mix ab vieetj "), "mĩ ab việt ");  // an undecided word in between follows it
    EXPECT_EQ(feed("mix  vieetj "), "mix  việt ");     // two spaces: no longer context
}

TEST_F(WordEnd, CorrectionsUseThePreviousWordOnlyAcrossOneSpace)
{
    const FeedCase cases[] = {
        {"sarn suaats ", "sản xuất "},
        {"sarn  suaats ", "sản  suất "},
        {"chuaanr ddoans ", "chẩn đoán "},
        {"tieeu chuaanr ddoans ", "tiêu chuẩn đoán "},  // a kept pair protects the previous word
        {"sar ", "sản "},
        {"Sar ", "Sản "},
    };
    for (const FeedCase& c : cases)
        EXPECT_EQ(feed(c.keys), c.expected) << c.keys;
    EXPECT_EQ(feed("sar ", DEFAULT_OPTIONS & ~OPT_AUTO_CORRECT), "sả ");
}

TEST_F(WordEnd, ShorthandExpandsUnlessBlocked)
{
    const uint32_t options = DEFAULT_OPTIONS | OPT_SHORTHAND;
    const FeedCase cases[] = {
        {"vn ", "Việt Nam "}, {"2vn ", "2vn "},           {"vn2", "vn2"}, {"ko ", "không "}, {"KO ", "KHÔNG "},
        {"ddc ", "được "},    {"pass ddc ", "pass ddc "},
    };
    for (const FeedCase& c : cases)
        EXPECT_EQ(feed(c.keys, options), c.expected) << c.keys;
    EXPECT_EQ(feed("vn "), "vn ");
}

TEST_F(WordEnd, RetypingAWordRightAfterItFlipsItAndIsLearned)
{
    EXPECT_EQ(feed("vieetj \b\b\b\b\bvieetj "), "vieetj ");
    EXPECT_STREQ(lex_value(Table::LearnedChoices, "vieetj"), "e");
    EXPECT_EQ(feed("vieetj "), "vieetj ");
    // One Backspace too many or too few is an ordinary edit.
    EXPECT_EQ(feed("tieengs \b\b\b\btieengs "), "titiếng ");
    EXPECT_EQ(feed("tieengs \b\b\b\b\b\b\btieengs "), "tiếng ");
}

TEST_F(WordEnd, RetypedShorthandIsNeverExpandedAgain)
{
    const uint32_t options = DEFAULT_OPTIONS | OPT_SHORTHAND;
    EXPECT_EQ(feed("vn \b\b\b\b\b\b\b\b\bvn ", options), "vn ");
    EXPECT_STREQ(lex_value(Table::LearnedChoices, "vn"), "n");
    EXPECT_EQ(feed("vn ", options), "vn ");
}

TEST_F(WordEnd, AcceptedWordsAreCountedWhenTheNextWordEnds)
{
    feed("tieengs vieetj pass ");
    engine_reset(ctx);
    EXPECT_EQ(lex_raw_count(Table::AcceptedWords, "tiếng"), 1u);
    EXPECT_EQ(lex_raw_count(Table::AcceptedWords, "việt"), 1u);
    EXPECT_EQ(lex_raw_count(Table::AcceptedWords, "pass"), 1u);  // counted by the final reset
    EXPECT_EQ(lex_total(Table::AcceptedWords), 3u);
}

TEST_F(WordEnd, OnlyTheUsersChoiceBetweenTwoReadingsIsLearned)
{
    // Typing on does not confirm the engine's own pick: counted, one wrong
    // decision would make itself stick.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(feed("mix vieetj pass "), "mĩ việt pass ");
        EXPECT_EQ(feed("mix pass "), "mix pass ");
    }
    engine_reset(ctx);
    EXPECT_EQ(lex_raw_count(Table::AcceptedWords, "mĩ"), 0u);
    EXPECT_EQ(lex_raw_count(Table::AcceptedWords, "mix"), 0u);
    EXPECT_EQ(lex_raw_count(Table::AcceptedWords, "việt"), 3u);
    EXPECT_EQ(feed("mix \xE2\x87\xA5pass "), "mĩ pass ");  // Tab: the user's choice
    EXPECT_EQ(lex_raw_count(Table::AcceptedWords, "mĩ"), 1u);
}

TEST_F(WordEnd, WithoutDictionariesEverythingStillWorks)
{
    clear_all_tables();
    // No English table knows pass: the doubled s undoes the tone.
    EXPECT_EQ(feed("tieengs pass beeps mix "), "tiếng pas bếp mĩ ");
}

}  // namespace
