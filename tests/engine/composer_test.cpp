#include "composer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "engine.h"
#include "engine_fixture.h"
#include "lexicon.h"
#include "lexicon_loader.h"

using namespace miradot;

namespace {

std::string composed(const char* keys, uint32_t method = TELEX, int strict = 0, ComposeStats* stats = nullptr)
{
    Syllable s;
    compose(keys, static_cast<int>(std::strlen(keys)), method, strict, &s, stats);
    char buffer[256];
    render_syllable(s, false, false, buffer, sizeof buffer);
    return buffer;
}

Syllable syllable_of(const char* word)
{
    Syllable s;
    EXPECT_TRUE(parse_word(word, &s)) << word;
    return s;
}

struct ComposeCase {
    const char* keys;
    const char* expected;
};

TEST(Composer, TelexMarksTonesAndUndo)
{
    const ComposeCase cases[] = {
        {"tieengs", "tiếng"}, {"nguowif", "người"}, {"dduwowcj", "được"}, {"uw", "ư"},         {"w", "ư"},
        {"ww", "w"},          {"aww", "aw"},        {"dd", "đ"},          {"ddd", "dd"},       {"ass", "as"},
        {"assf", "asf"},      {"aaa", "aa"},        {"asz", "a"},         {"az", "az"},        {"ts", "ts"},
        {"toio", "tôi"},      {"tooi", "tôi"},      {"tuwon", "tươn"},    {"tuown", "tươn"},   {"thuowr", "thuở"},
        {"muaw", "mưa"},      {"quaw", "quă"},      {"quowr", "quở"},     {"ngoeo", "ngoeo"},  {"Vieetj", "Việt"},
        {"VIEETJ", "VIỆT"},   {"DDi", "Đi"},        {"hoaf", "hoà"},      {"khuyur", "khuỷu"}, {"giaf", "già"},
        {"owr", "ở"},         {"uwa", "ưa"},
    };
    for (const ComposeCase& c : cases)
        EXPECT_EQ(composed(c.keys), c.expected) << c.keys;
}

TEST(Composer, VniDigitsAreMarksAndLettersStayLetters)
{
    const ComposeCase cases[] = {
        {"vie65t", "việt"}, {"d9", "đ"}, {"d99", "d9"},   {"a11", "a1"},       {"a10", "a"},
        {"w", "w"},         {"s", "s"},  {"z", "z"},      {"u7o7", "ươ"},      {"a8", "ă"},
        {"a7", "a7"},       {"o7", "ơ"}, {"to6i", "tôi"}, {"duong9", "đuong"}, {"5", "5"},
    };
    for (const ComposeCase& c : cases)
        EXPECT_EQ(composed(c.keys, VNI), c.expected) << c.keys;
}

TEST(Composer, StatisticsTellHowMarksCameAbout)
{
    ComposeStats st;
    composed("ass", TELEX, 0, &st);
    EXPECT_TRUE(st.toneUndone);
    EXPECT_TRUE(st.undoByRepeat);
    composed("toio", TELEX, 0, &st);
    EXPECT_TRUE(st.markLater);
    EXPECT_FALSE(st.markByRepeat);
    composed("tooi", TELEX, 0, &st);
    EXPECT_TRUE(st.markByRepeat);
    EXPECT_FALSE(st.markLater);
    composed("tieengsf", TELEX, 0, &st);
    EXPECT_EQ(st.toneCount, 2);
    EXPECT_EQ(st.strict, 0);
    composed("asss", TELEX, 0, &st);  // the undo turns later s keys into letters
    EXPECT_TRUE(st.toneUndone);
    EXPECT_EQ(composed("asss"), "ass");
}

TEST(Composer, StrictModeMarksOnlyTheLastLetter)
{
    EXPECT_EQ(composed("toio", TELEX, 1), "toio");
    EXPECT_EQ(composed("tooi", TELEX, 1), "tôi");
    EXPECT_EQ(composed("dad9", VNI, 1), "dađ");
    EXPECT_EQ(composed("da9", VNI, 1), "da9");
}

TEST(Composer, NeverGrowsPastThirtyTwoLetters)
{
    std::string keys(40, 'b');
    Syllable s;
    compose(keys.c_str(), static_cast<int>(keys.size()), TELEX, 0, &s, nullptr);
    EXPECT_EQ(s.count, MAX_LETTERS);
    std::string withTone = std::string(31, 'b') + "a" + "s" + "aaaa";
    compose(withTone.c_str(), static_cast<int>(withTone.size()), TELEX, 0, &s, nullptr);
    EXPECT_EQ(s.count, MAX_LETTERS);
}

TEST(Spelling, ValidSyllables)
{
    struct Case {
        const char* word;
        bool valid;
    } cases[] = {
        {"ích", true},   {"oanh", true}, {"ôch", false},  {"ác", true},    {"àc", false},  {"ing", false},
        {"quu", false},  {"việt", true}, {"người", true}, {"kem", true},   {"ka", false},  {"ce", false},
        {"ghe", true},   {"gha", false}, {"nghe", true},  {"ngha", false}, {"nge", false}, {"ngo", true},
        {"ăn", true},    {"ă", false},   {"ai", true},    {"ain", false},  {"tiên", true}, {"tiê", false},
        {"fan", false},  {"bcd", false}, {"gì", true},    {"quốc", true},  {"uyên", true}, {"khuỷu", true},
        {"giếng", true}, {"giếc", true}, {"bêng", false}, {"kêc", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(is_valid_syllable(syllable_of(c.word)), c.valid) << c.word;
}

void add_rendered(const Syllable& s, void* user)
{
    char text[64];
    render_syllable(s, false, true, text, sizeof text);
    static_cast<std::set<std::string>*>(user)->insert(text);
}

TEST(Spelling, AllowedSyllablesAreEveryValidOneWithEveryFittingTone)
{
    std::set<std::string> allowed;
    int calls = for_each_allowed_syllable(add_rendered, &allowed);
    EXPECT_GE(calls, static_cast<int>(allowed.size()));  // g + ia and gi + a meet
    for (const char* word : {"nhại", "khạp", "ngủm", "quì", "ươn", "khuỷu", "giếng", "ích", "a"})
        EXPECT_TRUE(allowed.count(word)) << word;
    for (const char* word : {"àc", "ă", "ka", "ing", "ươ", "nge"})
        EXPECT_FALSE(allowed.count(word)) << word;
    for (const std::string& word : allowed)
        EXPECT_TRUE(is_valid_syllable(syllable_of(word.c_str()))) << word;
}

TEST(Spelling, PrefixesThatCanStillBecomeASyllable)
{
    struct Case {
        const char* word;
        bool valid;
    } cases[] = {
        {"", true},      {"n", true},   {"ng", true}, {"ngh", true}, {"tr", true},    {"tiê", true},
        {"tiêng", true}, {"bk", false}, {"f", false}, {"hw", false}, {"tiex", false}, {"bana", false},
    };
    for (const Case& c : cases) {
        Syllable s{};
        if (c.word[0])
            s = syllable_of(c.word);
        EXPECT_EQ(is_valid_prefix(s), c.valid) << c.word;
    }
}

TEST(Spelling, InitialRepairs)
{
    struct Case {
        const char* word;
        const char* repaired;
        bool changed;
    } cases[] = {
        {"ngha", "nga", true}, {"ke", "ke", false}, {"ka", "ca", true}, {"ge", "ghe", true},
        {"nge", "nghe", true}, {"ghu", "gu", true}, {"ci", "ki", true}, {"NGE", "NGHE", true},
        {"Nge", "Nghe", true}, {"ba", "ba", false}, {"a", "a", false},
    };
    for (const Case& c : cases) {
        Syllable s = syllable_of(c.word);
        EXPECT_EQ(fix_initial_spelling(&s), c.changed) << c.word;
        char buffer[64];
        render_syllable(s, false, false, buffer, sizeof buffer);
        EXPECT_STREQ(buffer, c.repaired) << c.word;
    }
}

class HoiNga : public EngineTablesTest {};

TEST_F(HoiNga, SwitchesOnlyTowardsAKnownSyllable)
{
    // hể has the count the lexicon gives a syllable no text showed: too rare
    // to replace the standard hễ.
    const char vi[] = "nghĩ\t10\nhỏi\t50\nhể\t5\n";
    lex_parse_file(Table::Syllables, vi, sizeof vi - 1);
    lex_parse_file(Table::SyllableFrequencies, vi, sizeof vi - 1);
    struct Case {
        const char* word;
        const char* expected;
        bool changed;
    } cases[] = {{"nghỉ", "nghĩ", true}, {"nghĩ", "nghĩ", false}, {"hõi", "hỏi", true},
                 {"bả", "bả", false},    {"nghì", "nghì", false}, {"hễ", "hễ", false}};
    for (const Case& c : cases) {
        Syllable s = syllable_of(c.word);
        EXPECT_EQ(swap_hoi_nga(&s), c.changed) << c.word;
        char buffer[64];
        render_syllable(s, false, false, buffer, sizeof buffer);
        EXPECT_STREQ(buffer, c.expected) << c.word;
    }
}

TEST_F(HoiNga, DoesNothingWithoutTheSyllableTable)
{
    Syllable s = syllable_of("nghỉ");
    EXPECT_FALSE(swap_hoi_nga(&s));
}

}  // namespace
