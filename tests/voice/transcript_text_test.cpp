#include <gtest/gtest.h>

#include "transcript_text.h"

using namespace miradot;

namespace {

struct TextCase {
    std::string input;
    std::string expected;
};

TEST(DropSpecialTokens, KeepsWordsJoinedBySingleSpaces)
{
    const TextCase cases[] = {
        {"xin chào", "xin chào"},
        {"xin <unk> chào", "xin chào"},
        {"  xin   chào  ", "xin chào"},
        {"<s> xin chào </s>", "xin chào"},
        {"a<b c>d e", "e"},
        {"<blk>", ""},
        {"", ""},
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(drop_special_tokens(c.input), c.expected) << c.input;
}

TEST(SentenceCase, LowersEverythingButTheFirstLetter)
{
    const TextCase cases[] = {
        {"XIN CHÀO VIỆT NAM", "Xin chào việt nam"},
        {"đường phố", "Đường phố"},
        {"ĐƯỜNG", "Đường"},
        {"hà Nội", "Hà nội"},
        {"1 CON MÈO", "1 con mèo"},
        {"", ""},
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(sentence_case(c.input), c.expected) << c.input;
}

}  // namespace
