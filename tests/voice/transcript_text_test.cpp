#include <gtest/gtest.h>

#include "engine.h"
#include "transcript_text.h"
#include "typing_options.h"

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

// Only tone placement and spelling repair follow the typing options; the
// rest of the clean-up stays as the defaults have it.
TEST(TranscriptOptions, FollowTonePlacementAndSpellingRepairOnly)
{
    const struct {
        uint32_t typing;
        uint32_t transcript;
    } cases[] = {
        {DEFAULT_OPTIONS, DEFAULT_OPTIONS},
        {DEFAULT_OPTIONS | OPT_OLD_TONE, DEFAULT_OPTIONS | OPT_OLD_TONE},
        {DEFAULT_OPTIONS & ~OPT_AUTO_CORRECT, DEFAULT_OPTIONS & ~OPT_AUTO_CORRECT},
        {0, DEFAULT_OPTIONS & ~OPT_AUTO_CORRECT},
        {0xFF, DEFAULT_OPTIONS | OPT_OLD_TONE},
    };
    for (const auto& c : cases)
        EXPECT_EQ(transcript_options(c.typing), c.transcript) << std::hex << c.typing;
}

}  // namespace
