#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine.h"
#include "engine_context.h"
#include "engine_fixture.h"
#include "letters.h"

using namespace miradot;

namespace {

class Session : public EngineTablesTest {
protected:
    void SetUp() override
    {
        EngineTablesTest::SetUp();
        ctx = engine_create();
        ASSERT_NE(ctx, nullptr);
    }
    void TearDown() override
    {
        engine_destroy(ctx);
        EngineTablesTest::TearDown();
    }

    std::string feed(const std::string& keys)
    {
        std::vector<char> buffer(keys.size() * 4 + 64);
        engine_feed_text(ctx, keys.c_str(), buffer.data(), static_cast<int>(buffer.size()));
        return buffer.data();
    }

    EngineContext* ctx = nullptr;
    EngineOutput out{};
};

TEST_F(Session, PreeditFollowsEveryKeyAndSpaceCommits)
{
    const char* expected[] = {"t", "ti", "tie", "tiê", "tiên", "tiêng"};
    const char* keys = "tieeng";
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(engine_key(ctx, keys[i], &out), 1);
        EXPECT_STREQ(out.preedit, expected[i]) << i;
        EXPECT_STREQ(out.text, "");
    }
    engine_key(ctx, 's', &out);
    EXPECT_STREQ(out.preedit, "tiếng");
    EXPECT_EQ(engine_key(ctx, ' ', &out), 1);
    EXPECT_STREQ(out.text, "tiếng ");
    EXPECT_STREQ(out.preedit, "");
    EXPECT_EQ(out.kind, KIND_VIETNAMESE);
}

TEST_F(Session, FeedTextCommitsWordsAsTyped)
{
    struct Case {
        const char* keys;
        const char* expected;
    } cases[] = {
        {"vieetj nam", "việt nam"},
        {"tieengs vieetj\tcos", "tiếng việt\tcó"},
        {"xin chaof\nbanj", "xin chào\nbạn"},
        {"vieetj\b\bt", "viêt"},  // Backspace inside a word drops keys
        {"ab \b\bc", "ac"},       // Backspace after a word deletes text
        {"2024 nawm", "2024 năm"},
        {"a1b", "a1b"},
        {"", ""},
    };
    for (const Case& c : cases) {
        engine_reset(ctx);
        EXPECT_EQ(feed(c.keys), c.expected) << c.keys;
    }
}

TEST_F(Session, DigitsEndTelexWordsButBelongToVniWords)
{
    EXPECT_EQ(feed("vie65t 5"), "vie65t 5");
    engine_set_method(ctx, VNI);
    EXPECT_EQ(feed("vie65t 5"), "việt 5");
    EXPECT_EQ(engine_key(ctx, '7', &out), 1);  // no word in progress: committed at once
    EXPECT_STREQ(out.text, "7");
    EXPECT_STREQ(out.preedit, "");
}

TEST_F(Session, FortyNinthKeyStartsANewWord)
{
    engine_set_options(ctx, 0);
    std::string keys(48, 'b');
    for (char k : keys)
        EXPECT_EQ(engine_key(ctx, k, &out), 1);
    EXPECT_STREQ(out.text, "");
    EXPECT_EQ(engine_key(ctx, 'c', &out), 1);
    EXPECT_EQ(std::string(out.text), keys);
    EXPECT_STREQ(out.preedit, "c");
    EXPECT_EQ(ctx->word.length, 1);
}

TEST_F(Session, BackspaceShrinksTheWordOrIsLeftToTheApplication)
{
    engine_key(ctx, 'a', &out);
    engine_key(ctx, 'a', &out);
    EXPECT_STREQ(out.preedit, "â");
    EXPECT_EQ(engine_backspace(ctx, &out), 1);
    EXPECT_STREQ(out.preedit, "a");
    EXPECT_EQ(out.deleteCount, 0);
    EXPECT_EQ(engine_backspace(ctx, &out), 1);
    EXPECT_STREQ(out.preedit, "");
    EXPECT_EQ(engine_backspace(ctx, &out), 0);
}

TEST_F(Session, EnglishModePassesEveryKeyAndCommitsTheWordInProgress)
{
    engine_key(ctx, 'd', &out);
    engine_key(ctx, 'd', &out);
    engine_set_options(ctx, DEFAULT_OPTIONS | OPT_ENGLISH_MODE);
    EXPECT_EQ(engine_key(ctx, 'a', &out), 0);
    EXPECT_STREQ(out.text, "đ");
    for (uint32_t c : {'a', ' ', '1', '.'})
        EXPECT_EQ(engine_key(ctx, c, &out), 0);
    EXPECT_EQ(feed("vieetj nam"), "vieetj nam");
}

TEST_F(Session, ControlCharactersEndTheWordAndArePassedOn)
{
    engine_key(ctx, 'o', &out);
    engine_key(ctx, 'o', &out);
    EXPECT_EQ(engine_key(ctx, '\r', &out), 0);
    EXPECT_STREQ(out.text, "ô");
    EXPECT_EQ(ctx->history.joined, 0);
    EXPECT_EQ(engine_key(ctx, 127, &out), 0);
}

TEST_F(Session, ResetForgetsWordAndContextButKeepsOptions)
{
    engine_set_method(ctx, VNI);
    engine_set_options(ctx, 0x13);
    feed("a b ");
    engine_key(ctx, 'x', &out);
    engine_reset(ctx);
    EXPECT_EQ(ctx->word.length, 0);
    EXPECT_STREQ(ctx->history.word, "");
    EXPECT_EQ(ctx->history.joined, 0);
    EXPECT_EQ(engine_get_options(ctx), 0x13u);
    EXPECT_EQ(ctx->method, VNI);
    EXPECT_EQ(engine_set_method(ctx, 7), 0);
}

TEST_F(Session, HostileInputNeverBreaksTheOutput)
{
    std::string huge(100000, 'b');
    std::string committed = feed(huge);
    EXPECT_EQ(committed.size(), huge.size());

    const char* nasty[] = {
        "\xFF\xFE\xFD vieetj",         // invalid bytes
        "\xED\xA0\x80\xED\xB0\x80 x",  // encoded surrogates
        "\xF7\xBF\xBF\xBF",            // beyond U+10FFFF
        "\x01\x02\x1B[31m aa",         // control characters
        "\xE1\xBA",                    // truncated sequence
    };
    for (const char* keys : nasty) {
        std::string text = feed(keys);
        const char* cursor = text.c_str();
        while (*cursor) {
            uint32_t c = decode_utf8_char(&cursor);
            EXPECT_FALSE(c >= 0xD800 && c <= 0xDFFF) << keys;
        }
    }

    char tiny[4];
    int length = engine_feed_text(ctx, "nguwowif", tiny, sizeof tiny);
    EXPECT_LT(length, 4);
    EXPECT_EQ(tiny[length], 0);
    EXPECT_EQ(engine_feed_text(ctx, "abc", tiny, 0), 0);
}

TEST_F(Session, OptionsChangeToneStyleAndComposition)
{
    engine_set_options(ctx, DEFAULT_OPTIONS | OPT_OLD_TONE);
    EXPECT_EQ(feed("hoaf"), "hòa");
    engine_set_options(ctx, DEFAULT_OPTIONS);
    EXPECT_EQ(feed("hoaf"), "hoà");
    engine_set_options(ctx, 0);
    EXPECT_EQ(feed("ass"), "as");  // pure composition: the key rules alone
    EXPECT_EQ(feed("huuw"), "hưu");
}

}  // namespace
