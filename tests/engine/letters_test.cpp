#include "letters.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace miradot;

namespace {

std::string render(const Syllable& s, bool oldStyle, bool ignoreCase = false)
{
    char buffer[256];
    render_syllable(s, oldStyle, ignoreCase, buffer, sizeof buffer);
    return buffer;
}

std::string rerender(const char* word, bool oldStyle)
{
    Syllable s;
    EXPECT_TRUE(parse_word(word, &s)) << word;
    return render(s, oldStyle);
}

TEST(Utf8, DecodesMalformedSequencesToReplacementWithoutSkippingValidBytes)
{
    struct Case {
        const char* bytes;
        uint32_t expected;
        int advance;
    } cases[] = {
        {"a", 'a', 1},
        {"\xC3\xA0", 0xE0, 2},
        {"\xE1\xBA\xA1", 0x1EA1, 3},
        {"\xF0\x9F\x98\x80", 0x1F600, 4},
        {"\xE1\xBA"
         "a",
         REPLACEMENT_CHAR, 2},           // cursor stops on the 'a'
        {"\x80z", REPLACEMENT_CHAR, 1},  // stray continuation byte
        {"\xF8\x80", REPLACEMENT_CHAR, 1},
        {"\xFF", REPLACEMENT_CHAR, 1},
        {"\xE1", REPLACEMENT_CHAR, 1},  // truncated at the terminator
        {"\xED\xA0\x80", 0xD800, 3},    // surrogates are not rejected here
    };
    for (const Case& c : cases) {
        const char* cursor = c.bytes;
        EXPECT_EQ(decode_utf8_char(&cursor), c.expected) << c.bytes;
        EXPECT_EQ(cursor - c.bytes, c.advance) << c.bytes;
    }
}

TEST(Utf8, EncodeKeepsRoomForTerminatorAndCountsCodePoints)
{
    char buffer[8] = {};
    EXPECT_EQ(encode_utf8_char(0x1EA1, buffer, 3), 0);
    EXPECT_EQ(encode_utf8_char(0x1EA1, buffer, 4), 3);
    EXPECT_EQ(encode_utf8_char('a', buffer, 1), 0);
    EXPECT_EQ(encode_utf8_char(0x110000, buffer, 8), 0);
    EXPECT_EQ(utf8_char_count("việt nam"), 8);
    EXPECT_EQ(utf8_char_count(""), 0);
}

TEST(Letters, ParsesAndRendersToneWhereEachStyleWantsIt)
{
    struct Case {
        const char* word;
        const char* newStyle;
        const char* oldStyle;
    } cases[] = {
        {"hoà", "hoà", "hòa"},       {"hòa", "hoà", "hòa"},       {"khoẻ", "khoẻ", "khỏe"}, {"thuý", "thuý", "thúy"},
        {"quý", "quý", "quý"},       {"già", "già", "già"},       {"gì", "gì", "gì"},       {"người", "người", "người"},
        {"khuỷu", "khuỷu", "khuỷu"}, {"hoàng", "hoàng", "hoàng"}, {"mùa", "mùa", "mùa"},    {"tài", "tài", "tài"},
        {"Đại", "Đại", "Đại"},       {"ĐẠI", "ĐẠI", "ĐẠI"},       {"HOÀ", "HOÀ", "HÒA"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rerender(c.word, false), c.newStyle) << c.word;
        EXPECT_EQ(rerender(c.word, true), c.oldStyle) << c.word;
    }
}

TEST(Letters, ParseRejectsWhatIsNotOneVietnameseWord)
{
    Syllable s;
    for (const char* word : {"áá", "a1", "a b", "日本", "x\xFF", "abcdefghijklmnopqrstuvwxyzabcdefg"}) {
        EXPECT_FALSE(parse_word(word, &s)) << word;
    }
    EXPECT_TRUE(parse_word("abcdefghijklmnopqrstuvwxyzabcdef", &s));  // exactly 32 letters
    EXPECT_EQ(s.count, 32);
}

TEST(Letters, CaseFlagsFollowTheText)
{
    Syllable upper, title;
    ASSERT_TRUE(parse_word("ĐẠI", &upper));
    ASSERT_TRUE(parse_word("Đại", &title));
    EXPECT_TRUE(upper.letters[0].upper && upper.letters[1].upper && upper.letters[2].upper);
    EXPECT_TRUE(title.letters[0].upper && !title.letters[1].upper && !title.letters[2].upper);
    EXPECT_EQ(render(upper, false, true), "đại");
    EXPECT_EQ(render(title, false, true), "đại");
    EXPECT_EQ(upper.tone, TONE_DOT);
}

TEST(Letters, RenderNeverWritesPastItsBuffer)
{
    Syllable s;
    ASSERT_TRUE(parse_word("người", &s));
    char buffer[6];
    std::memset(buffer, 'X', sizeof buffer);
    int written = render_syllable(s, false, false, buffer, 5);  // n g ư fit, ờ does not
    EXPECT_EQ(written, 4);
    EXPECT_STREQ(buffer, "ngư");
    EXPECT_EQ(buffer[5], 'X');
    EXPECT_EQ(render_syllable(s, false, false, buffer, 0), 0);
}

TEST(Letters, SplitFindsInitialNucleusAndFinal)
{
    struct Case {
        const char* word;
        int start, end;
        bool valid;
    } cases[] = {
        {"quý", 2, 3, true},  {"gìn", 1, 2, true},   {"giàn", 2, 3, true}, {"người", 2, 5, true},
        {"bcd", 3, 3, false}, {"bana", 1, 2, false}, {"oa", 0, 2, true},
    };
    for (const Case& c : cases) {
        Syllable s;
        ASSERT_TRUE(parse_word(c.word, &s)) << c.word;
        SyllableSplit split = split_syllable(s);
        EXPECT_EQ(split.nucleusStart, c.start) << c.word;
        EXPECT_EQ(split.nucleusEnd, c.end) << c.word;
        EXPECT_EQ(split.valid, c.valid) << c.word;
    }
}

TEST(Letters, CapitalizeFirstUsesTheVietnameseAlphabet)
{
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {{"ươn", "Ươn"}, {"1a", "1a"}, {"đi", "Đi"}, {"ỵ", "Ỵ"}, {"", ""}, {"Ăn", "Ăn"}, {"日", "日"}};
    for (const Case& c : cases) {
        char buffer[256];
        std::strcpy(buffer, c.in);
        capitalize_first(buffer);
        EXPECT_STREQ(buffer, c.out) << c.in;
    }
}

TEST(Letters, AllCapsAndLowerForms)
{
    EXPECT_TRUE(is_all_caps("ĐẠI"));
    EXPECT_TRUE(is_all_caps("HTML"));
    EXPECT_TRUE(is_all_caps("A"));
    EXPECT_FALSE(is_all_caps("Đại"));
    EXPECT_FALSE(is_all_caps(""));
    EXPECT_FALSE(is_all_caps("A1"));

    char buffer[64];
    to_lower_word("HÒA", buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "hoà");  // new-style placement
    to_lower_word("C++", buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "c++");
    to_lower_word("ABCDEF", buffer, 4);
    EXPECT_STREQ(buffer, "abc");
}

TEST(Letters, ApplyCaseCarriesTheTypedCaseOntoAReplacement)
{
    struct Case {
        const char* source;
        const char* replacement;
        const char* expected;
    } cases[] = {
        {"KO", "không", "KHÔNG"}, {"Ko", "không", "Không"},     {"ko", "không", "không"},
        {"k1", "không", "không"}, {"Hn", "hà nội", "Hà nội"},   {"HN", "hà nội", "HÀ NỘI"},
        {"ko", "a  b", "a  b"},   {"Ko", "c++ rất", "c++ rất"}, {"vn", "Việt Nam", "việt nam"},
    };
    for (const Case& c : cases) {
        char buffer[128];
        apply_case(c.source, c.replacement, buffer, sizeof buffer);
        EXPECT_STREQ(buffer, c.expected) << c.source << " / " << c.replacement;
    }
    char small[6];
    apply_case("KO", "không có", small, sizeof small);
    EXPECT_LT(std::strlen(small), sizeof small);
}

}  // namespace
