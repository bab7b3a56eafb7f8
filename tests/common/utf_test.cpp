#include "utf.h"

#include <gtest/gtest.h>

#include <string>

using namespace miradot;

TEST(Utf, WellFormedTextRoundTrips)
{
    const char* texts[] = {"", "ascii", "vi\xE1\xBB\x87t nam",
                           "ab\xF0\x9F\x98\x80"
                           "c",
                           "\xEF\xBF\xBF"};
    for (const char* text : texts) {
        std::optional<std::u16string> wide = utf8_to_utf16_checked(text);
        ASSERT_TRUE(wide) << text;
        EXPECT_EQ(*wide, utf8_to_utf16(text)) << text;
        EXPECT_EQ(utf16_to_utf8(*wide), text) << text;
    }
    EXPECT_EQ(utf8_to_utf16("ab\xF0\x9F\x98\x80"), u"ab\U0001F600");
}

// Each ill-formed sequence is refused by the checked conversion and becomes
// one U+FFFD per maximal ill-formed part in the other.
TEST(Utf, IllFormedTextIsRefusedOrReplaced)
{
    const struct {
        const char* text;
        const char16_t* replaced;
    } cases[] = {
        {"a\xFF"
         "b",
         u"a\uFFFDb"},  // never a lead byte
        {"a\x80"
         "b",
         u"a\uFFFDb"},                                      // a lone continuation byte
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},            // overlong, three bytes
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {"\xE1\xBB"
         "x",
         u"\uFFFDx"},                     // cut short before another character
        {"ab\xF0\x9F\x98", u"ab\uFFFD"},  // cut short at the end
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(utf8_to_utf16_checked(c.text)) << c.text;
        EXPECT_EQ(utf8_to_utf16(c.text), c.replaced) << c.text;
    }
}

TEST(Utf, LoneSurrogatesBecomeReplacementCharacters)
{
    EXPECT_EQ(utf16_to_utf8(u"a\xD800"
                            "b"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(utf16_to_utf8(std::u16string(1, u'\xDC00')), "\xEF\xBF\xBD");
}

TEST(Utf, BufferConversionCutsWithoutSplittingASurrogatePair)
{
    const char* text = "ab\xF0\x9F\x98\x80"
                       "c";  // a, b, one character outside the basic plane, c
    const struct {
        int capacity;
        const char16_t* expected;
    } cases[] = {{1, u""}, {3, u"ab"}, {4, u"ab"}, {5, u"ab\U0001F600"}, {6, u"ab\U0001F600c"}, {9, u"ab\U0001F600c"}};
    for (const auto& c : cases) {
        char16_t buffer[9];
        int units = utf8_to_utf16(text, buffer, c.capacity);
        EXPECT_EQ(std::u16string(buffer, units), c.expected) << c.capacity;
        EXPECT_EQ(buffer[units], 0) << c.capacity;
    }
    char16_t buffer[4] = {u'x'};
    EXPECT_EQ(utf8_to_utf16("\xFF\xFE", buffer, 4), 0);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(utf8_to_utf16(nullptr, buffer, 4), 0);
}
