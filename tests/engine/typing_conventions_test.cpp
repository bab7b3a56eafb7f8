// The conventions every Telex and VNI typist's fingers know: a mark or tone
// key typed twice undoes it and shows once, a lone letter composes, a
// syllable comes out whether a list knows it or not, and VNI words in
// capitals read as words.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "engine.h"
#include "engine_fixture.h"
#include "repeat_convention.h"

using namespace miradot;

namespace {

const char* const VI = "là\t5000\nviệt\t900\nđúng\t800\ncông\t900\nbưu\t40\nđây\t1500\nthổ\t60\nkỳ\t300\n"
                       "nhĩ\t5\nlạp\t5\nhy\t20\nchân\t300\nthật\t700\nã\t100\n";
const char* const EN
    = "#total\t1000000\noff\t705\nstaff\t47\nclass\t277\npass\t212\ncoffee\t73\naddress\t775\n"
      "success\t184\nboss\t48\nhurry\t20\nmess\t25\nexpect\t90\nlinux\t30\ndins\t2\na4\t20\nthe\t50000\n";

class TypingConventions : public EngineTablesTest {
protected:
    void SetUp() override
    {
        EngineTablesTest::SetUp();
        std::string dir
            = make_dir({{"vi.tsv", VI}, {"vi_freq.tsv", std::string("#total\t1000000\n") + VI}, {"en.tsv", EN}});
        ASSERT_GT(engine_load_data(dir.c_str()), 0);
    }

    static std::string feed(const std::string& keys, uint32_t method, uint32_t options = DEFAULT_OPTIONS)
    {
        EngineContext* ctx = engine_create();
        engine_set_method(ctx, static_cast<int>(method));
        engine_set_options(ctx, options);
        std::vector<char> buffer(keys.size() * 4 + 256);
        engine_feed_text(ctx, keys.c_str(), buffer.data(), static_cast<int>(buffer.size()));
        engine_destroy(ctx);
        return buffer.data();
    }
};

struct Case {
    const char* keys;
    const char* expected;
};

TEST_F(TypingConventions, AKeyTypedTwiceUndoesItsMarkAndShowsOnce)
{
    const std::set<std::string> english = {"off",  "staff", "class", "pass",   "coffee", "address", "success",
                                           "boss", "hurry", "mess",  "expect", "linux",  "the"};
    for (Method method : {Method::Telex, Method::Vni}) {
        uint32_t engineMethod = method == Method::Vni ? VNI : TELEX;
        for (uint32_t options : {0u, DEFAULT_OPTIONS}) {
            for (const RepeatCase& c : repeat_convention_cases(method)) {
                const std::string& expected = options ? expected_with_english(c, english) : c.expected;
                EXPECT_EQ(feed(c.keys + " ", engineMethod, options), expected + " ")
                    << c.keys << (method == Method::Vni ? " VNI" : " Telex") << " options " << options;
            }
        }
    }
}

TEST_F(TypingConventions, EnglishWordsAndEnglishDoublesStayAsTyped)
{
    const Case kept[] = {
        {"off", "off"},
        {"staff", "staff"},
        {"class", "class"},
        {"pass", "pass"},
        {"coffee", "coffee"},
        {"address", "address"},
        {"success", "success"},
        {"boss", "boss"},
        {"hurry", "hurry"},
        {"mess", "mess"},
        // doubled as English spells, with no English word: after letters no
        // syllable has, or far from the word's end
        {"accessorize", "accessorize"},
        {"bedsheet", "bedsheet"},
        {"messages", "messages"},
        {"chanss", "chans"},
        {"aff", "af"},
        {"afff", "aff"},  // a key escaped near the end
        {"linuxx", "linux"},
        {"exxpe", "expe"},
        {"eess", "ês"},
        {"aaa", "aa"},
        {"ooo", "oo"},
        {"aww", "aw"},
        {"bosso", "boso"},
        {"exxpect", "expect"},  // keys once, an English word
        {"booongf", "boòng"},   // keys once, a syllable
    };
    for (const Case& c : kept)
        EXPECT_EQ(feed(std::string(c.keys) + " ", TELEX), std::string(c.expected) + " ") << c.keys;
    // Pure composition knows no English.
    EXPECT_EQ(feed("off staff pass boss ", TELEX, 0), "of staf pas bos ");
}

TEST_F(TypingConventions, SingleLettersAndBareMarkedVowelsCompose)
{
    const Case telex[] = {
        {"aa", "â"},    {"aw", "ă"}, {"aas", "ấ"}, {"awf", "ằ"}, {"dd", "đ"}, {"DD", "Đ"},  {"uw", "ư"},
        {"uwow", "ươ"}, {"ee", "ê"}, {"oo", "ô"},  {"ow", "ơ"},  {"Aa", "Â"}, {"eej", "ệ"},
    };
    const Case vni[] = {
        {"a6", "â"}, {"a8", "ă"}, {"d9", "đ"}, {"a61", "ấ"}, {"u7o7", "ươ"}, {"D9", "Đ"}, {"o74", "ỡ"},
    };
    for (uint32_t options : {0u, DEFAULT_OPTIONS}) {
        for (const Case& c : telex)
            EXPECT_EQ(feed(std::string(c.keys) + " ", TELEX, options), std::string(c.expected) + " ")
                << c.keys << " options " << options;
        for (const Case& c : vni)
            EXPECT_EQ(feed(std::string(c.keys) + " ", VNI, options), std::string(c.expected) + " ")
                << c.keys << " options " << options;
    }
    // The alphabet as spelled, and an abbreviation.
    EXPECT_EQ(feed("a, aw, aa, b, c, d, dd", TELEX), "a, ă, â, b, c, d, đ");
    EXPECT_EQ(feed("DD. Hy", TELEX), "Đ. Hy");
    // In capitals the keys may be an abbreviation: Tab gives them. Other
    // doubled capitals stay as typed (a column, AA), composing only with
    // the key rules alone.
    EXPECT_EQ(feed("DD \xE2\x87\xA5", TELEX), "DD ");
    EXPECT_EQ(feed("AA OO ", TELEX), "AA OO ");
    EXPECT_EQ(feed("UWOW ", TELEX), "ƯƠ ");  // longer than a column
    EXPECT_EQ(feed("AA OO ", TELEX, 0), "Â Ô ");
}

TEST_F(TypingConventions, ASyllableNoListHoldsIsVietnamese)
{
    const Case telex[] = {
        {"nhaij", "nhại"}, {"duij", "dụi"}, {"khapj", "khạp"}, {"ngumr", "ngủm"},
        {"quif", "quì"},   {"donf", "dòn"}, {"nongf", "nòng"}, {"mutj", "mụt"},
    };
    const Case vni[] = {
        {"nhai5", "nhại"}, {"dui5", "dụi"}, {"khap5", "khạp"}, {"ngum3", "ngủm"},
        {"qui2", "quì"},   {"don2", "dòn"}, {"nong2", "nòng"}, {"mut5", "mụt"},
    };
    for (const Case& c : telex) {
        EXPECT_EQ(feed(std::string(c.keys) + " ", TELEX), std::string(c.expected) + " ") << c.keys;
        EXPECT_EQ(feed(std::string("thaatj laf ") + c.keys + " ", TELEX), std::string("thật là ") + c.expected + " ");
    }
    for (const Case& c : vni) {
        EXPECT_EQ(feed(std::string(c.keys) + " ", VNI), std::string(c.expected) + " ") << c.keys;
        EXPECT_EQ(feed(std::string("tha65t la2 ") + c.keys + " ", VNI), std::string("thật là ") + c.expected + " ");
    }
    // Keys that are also a rare English word: English alone, with the
    // syllable one Tab away, and Vietnamese after a Vietnamese word.
    EXPECT_EQ(feed("dins ", TELEX), "dins ");
    EXPECT_EQ(feed("dins \xE2\x87\xA5", TELEX), "dín ");
    EXPECT_EQ(feed("thaatj laf dins ", TELEX), "thật là dín ");
}

TEST_F(TypingConventions, VniWordsInCapitalsAreWordsAndCodesStayCode)
{
    const Case cases[] = {
        {"Hy Lap5 ", "Hy Lạp "},
        {"Tho63 Nhi4 Ky2 ", "Thổ Nhĩ Kỳ "},
        {"D9UNG1 ", "ĐÚNG "},
        {"CO6NG ", "CÔNG "},
        {"BU7U ", "BƯU "},
        {"D9A6Y ", "ĐÂY "},
        // Digits that make no syllable, or a known code: a paper size, a
        // key (F5), also after a Vietnamese word.
        {"A4 MP3 H264 F5 utf8 ", "A4 MP3 H264 F5 utf8 "},
        {"la2 A4 ", "là A4 "},
        {"a4 a5 ", "ã ạ "},         // in small letters the digits are tone keys
        {"A4 \xE2\x87\xA5", "Ã "},  // Tab: the other reading
        // A capital vowel with its digits is the letter; Tab gives the keys
        // (a cell, A1).
        {"la2 A1 ", "là Á "},
        {"A1 \xE2\x87\xA5", "A1 "},
        {"U7O7 ", "ƯƠ "},
        {"Hy Lap5 \xE2\x87\xA5", "Hy Lap5 "},
        {"D9UNG1 \xE2\x87\xA5", "D9UNG1 "},
        {"Tho63 \xE2\x87\xA5", "Thổ "},  // a sentence start offers nothing
    };
    for (const Case& c : cases)
        EXPECT_EQ(feed(c.keys, VNI), c.expected) << c.keys;
    EXPECT_EQ(feed("Hy Lapj Thoor Nhix Kyf ", TELEX), "Hy Lạp Thổ Nhĩ Kỳ ");
}

}  // namespace
