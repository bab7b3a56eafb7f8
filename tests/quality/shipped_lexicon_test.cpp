// The shipped data as the engine loads it: the generator's idea of a valid
// syllable must match the engine's, or syllables would land in the wrong table.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "engine.h"
#include "lexicon.h"

using namespace miradot;

namespace {

struct LineCounts {
    uint64_t withCount = 0, bare = 0;
};

LineCounts count_lines(const std::string& name)
{
    std::ifstream in(std::string(MIRADOT_DATA_DIR) + "/" + name);
    LineCounts counts;
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("#", 0) != 0)
            (line.find('\t') == std::string::npos ? counts.bare : counts.withCount)++;
    return counts;
}

class ShippedLexicon : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_GT(engine_load_data(MIRADOT_DATA_DIR), 0); }
};

TEST_F(ShippedLexicon, EverySyllableLineLandsInTheSyllableTable)
{
    LineCounts vi = count_lines("vi.tsv");
    EXPECT_EQ(lex_size(Table::Syllables), vi.withCount);
    EXPECT_EQ(lex_size(Table::VietnameseWords), vi.bare);
    EXPECT_EQ(lex_size(Table::SyllableFrequencies) + lex_size(Table::PlainWords), count_lines("vi_freq.tsv").withCount);
}

TEST_F(ShippedLexicon, KnowsBothTonePlacements)
{
    for (const char* word : {"hoà", "hòa", "thuý", "thúy", "khoẻ", "khỏe"}) {
        EXPECT_TRUE(lex_contains(Table::Syllables, word)) << word;
        EXPECT_GT(lex_count(Table::Syllables, word), 1u) << word;
    }
}

TEST_F(ShippedLexicon, EveryShorthandThatIsEnglishWaitsForVietnameseContext)
{
    lex_for_each(
        Table::Shorthand,
        [](const char* key, const char* value, uint32_t, void*) {
            std::string expansion = value ? value : "";
            bool blocked = expansion.size() >= 2 && expansion.compare(expansion.size() - 2, 2, "\tB") == 0;
            EXPECT_TRUE(blocked || !lex_contains(Table::English, key)) << key;
        },
        nullptr);
}

// The examples the settings dialog shows under each option, typed from the
// keys with that option on: they are what users try first.
TEST_F(ShippedLexicon, SettingsDialogExamplesHold)
{
    struct Example {
        uint32_t options;
        const char* keys;
        const char* expected;
    } examples[] = {
        {DEFAULT_OPTIONS, "suwax looix ", "sửa lỗi "},
        {DEFAULT_OPTIONS, "chia sex ", "chia sẻ "},
        {DEFAULT_OPTIONS, "windows, ESP32, meeting ", "windows, ESP32, meeting "},
        {DEFAULT_OPTIONS, "ddi chowi , veef ", "đi chơi, về "},
        {DEFAULT_OPTIONS, "gox test ra ", "gõ test ra "},
        {DEFAULT_OPTIONS, "test \xE2\x87\xA5", "tét "},  // Tab swaps in the other reading
        {DEFAULT_OPTIONS | OPT_SHORTHAND, "ko ", "không "},
        {DEFAULT_OPTIONS | OPT_SHORTHAND, "ddc ", "được "},
        {DEFAULT_OPTIONS | OPT_SHORTHAND, "ntn ", "như thế nào "},
        {DEFAULT_OPTIONS | OPT_OLD_TONE, "oaf hoaf thuyf ", "òa hòa thùy "},
        {DEFAULT_OPTIONS, "hoaf thuyf ", "hoà thuỳ "},
    };
    for (const Example& e : examples) {
        EngineContext* ctx = engine_create();
        engine_set_options(ctx, e.options);
        std::vector<char> buffer(512);
        engine_feed_text(ctx, e.keys, buffer.data(), static_cast<int>(buffer.size()));
        engine_destroy(ctx);
        EXPECT_STREQ(buffer.data(), e.expected) << e.keys;
    }
}

// The conventions users of every Telex and VNI engine rely on, with the
// shipped word lists: a key typed twice shows once, lone letters compose,
// syllables the lists lack are Vietnamese, VNI capitals read as words.
TEST_F(ShippedLexicon, TypingConventionsHold)
{
    struct Example {
        uint32_t method;
        const char* keys;
        const char* expected;
    } examples[] = {
        {TELEX, "aff eess aaa ooo aww linuxx exxpe chanss afff ", "af ês aa oo aw linux expe chans aff "},
        {TELEX, "off staff class pass coffee address success boss ",
         "off staff class pass coffee address success boss "},
        {TELEX, "aa aw aas awf dd DD uw uwow ", "â ă ấ ằ đ Đ ư ươ "},
        {TELEX, "thaatj laf nhaij ", "thật là nhại "},
        {TELEX, "duij khapj ngumr quif donf nongf mutj ", "dụi khạp ngủm quì dòn nòng mụt "},
        {VNI, "a11 a66 d99 chan11 e44pe ", "a1 a6 d9 chan1 e4pe "},
        {VNI, "a6 a8 d9 a61 ", "â ă đ ấ "},
        {VNI, "Hy Lap5 Tho63 Nhi4 Ky2 ", "Hy Lạp Thổ Nhĩ Kỳ "},
        {VNI, "D9UNG1 CO6NG BU7U D9A6Y ", "ĐÚNG CÔNG BƯU ĐÂY "},
        {VNI, "A4 MP3 H264 F5 utf8 ", "A4 MP3 H264 F5 utf8 "},
    };
    for (const Example& e : examples) {
        EngineContext* ctx = engine_create();
        engine_set_method(ctx, static_cast<int>(e.method));
        std::vector<char> buffer(512);
        engine_feed_text(ctx, e.keys, buffer.data(), static_cast<int>(buffer.size()));
        engine_destroy(ctx);
        EXPECT_STREQ(buffer.data(), e.expected) << e.keys;
    }
}

}  // namespace
