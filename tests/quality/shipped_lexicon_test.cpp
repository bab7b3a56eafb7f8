// The shipped data as the engine loads it: the generator's idea of a valid
// syllable must match the engine's, or syllables would land in the wrong table.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "engine.h"
#include "lexicon.h"

namespace {

struct LineCounts {
    uint64_t withCount = 0, bare = 0;
};

LineCounts count_lines(const std::string& name) {
    std::ifstream in(std::string(MIRADOT_DATA_DIR) + "/" + name);
    LineCounts counts;
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("#", 0) != 0) (line.find('\t') == std::string::npos ? counts.bare : counts.withCount)++;
    return counts;
}

class ShippedLexicon : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_GT(engine_load_data(MIRADOT_DATA_DIR), 0); }
};

TEST_F(ShippedLexicon, EverySyllableLineLandsInTheSyllableTable) {
    LineCounts vi = count_lines("vi.tsv");
    EXPECT_EQ(lex_size('v'), vi.withCount);
    EXPECT_EQ(lex_size('l'), vi.bare);
    EXPECT_EQ(lex_size('f') + lex_size('r'), count_lines("vi_freq.tsv").withCount);
}

TEST_F(ShippedLexicon, KnowsBothTonePlacements) {
    for (const char* word : {"hoà", "hòa", "thuý", "thúy", "khoẻ", "khỏe"}) {
        EXPECT_TRUE(lex_contains('v', word)) << word;
        EXPECT_GT(lex_count('v', word), 1u) << word;
    }
}

TEST_F(ShippedLexicon, EveryShorthandThatIsEnglishWaitsForVietnameseContext) {
    lex_for_each(
        's',
        [](const char* key, const char* value, uint32_t, void*) {
            std::string expansion = value ? value : "";
            bool blocked = expansion.size() >= 2 && expansion.compare(expansion.size() - 2, 2, "\tB") == 0;
            EXPECT_TRUE(blocked || !lex_contains('e', key)) << key;
        },
        nullptr);
}

}  // namespace
