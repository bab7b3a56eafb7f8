#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine.h"
#include "engine_fixture.h"
#include "lexicon.h"
#include "user_shorthand.h"

using namespace miradot;

namespace {

const char* const VI = "xin\nchào\nnam\nviệt\nkhông\ncó\n";
const char* const SHIPPED_SHORTHAND = "ko\tkhông\nvn\tViệt Nam\n";
const char* const USER_LIST = "vn\tViệt Nam\n"
                              "kg\tkhông\n"
                              "sdt\tsố điện thoại\n"
                              "ko\tcó\n"
                              "đc\tđịa chỉ\n"
                              "tphcm\tThành phố Hồ Chí Minh\n";
const char* const TAB = "\xE2\x87\xA5";  // U+21E5: the Tab key of engine_feed_text

class UserShorthandTyping : public EngineTablesTest {
protected:
    void SetUp() override
    {
        EngineTablesTest::SetUp();
        std::string dir = make_dir({{"vi.tsv", VI}, {"shorthand.tsv", SHIPPED_SHORTHAND}});
        ASSERT_GT(engine_load_data(dir.c_str()), 0);
        user_shorthand_use(parse_shorthand_list(USER_LIST));
    }
    void TearDown() override
    {
        engine_destroy(ctx);
        user_shorthand_use({});
        EngineTablesTest::TearDown();
    }

    std::string feed(const std::string& keys, uint32_t options = DEFAULT_OPTIONS | OPT_SHORTHAND)
    {
        engine_destroy(ctx);
        ctx = engine_create();
        engine_set_options(ctx, options);
        std::vector<char> buffer(keys.size() * 4 + 8192);
        engine_feed_text(ctx, keys.c_str(), buffer.data(), static_cast<int>(buffer.size()));
        return buffer.data();
    }

    EngineContext* ctx = nullptr;
};

TEST_F(UserShorthandTyping, ExpandsAtTheWordEndInTheCaseTyped)
{
    const struct {
        const char* keys;
        const char* expected;
    } cases[] = {
        {"vn ", "Việt Nam "},
        {"Vn ", "Việt Nam "},
        {"VN ", "VIỆT NAM "},
        {"kg ", "không "},
        {"Kg ", "Không "},
        {"KG ", "KHÔNG "},
        {"sdt, ", "số điện thoại, "},
        {"ddc ", "địa chỉ "},          // looked up by the word the keys make, too
        {"TPHCM ", "THÀNH PHỐ HỒ CHÍ MINH "},
        {"ko ", "có "},                // the user's entry wins over the shipped one
        {"xin chaof. kg ", "xin chào. Không "},  // a sentence start
        {"2kg ", "2kg "},              // after a number
        {"kg2", "kg2"},                // before one
        {"kgx ", "kgx "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(feed(c.keys), c.expected) << c.keys;
}

TEST_F(UserShorthandTyping, HasASwitchOfItsOwn)
{
    const struct {
        uint32_t options;
        const char* kg;
        const char* ko;
    } cases[] = {
        {DEFAULT_OPTIONS, "không ", "có "},  // on by default; the shipped list is off
        {(DEFAULT_OPTIONS | OPT_SHORTHAND) & ~OPT_USER_SHORTHAND, "kg ", "không "},
        {DEFAULT_OPTIONS & ~OPT_USER_SHORTHAND, "kg ", "ko "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(feed("kg ", c.options), c.kg) << std::hex << c.options;
        EXPECT_EQ(feed("ko ", c.options), c.ko) << std::hex << c.options;
    }
}

TEST_F(UserShorthandTyping, TabOrBackspaceRightAfterGivesTheKeysBack)
{
    const struct {
        std::string keys;
        const char* expected;
    } cases[] = {
        {std::string("kg ") + TAB, "kg "},
        {"kg \b", "kg"},
        {"Kg,\b", "Kg"},
        {"kg \bx ", "kgx "},
        {"kg x\b\b", "không"},  // not right after: an ordinary Backspace
        {"kg \b kg ", "kg không "},  // the user's own entry still expands next time
    };
    for (const auto& c : cases)
        EXPECT_EQ(feed(c.keys), c.expected) << c.keys;
    EXPECT_EQ(feed(std::string("kg ") + TAB, DEFAULT_OPTIONS & ~OPT_HINTS), "không ");
    EXPECT_EQ(feed("kg \b", DEFAULT_OPTIONS & ~OPT_HINTS), "kg");

    // What the text service asks before it takes the Backspace.
    feed("");
    EngineOutput out;
    for (char k : std::string("kg "))
        engine_key(ctx, static_cast<unsigned char>(k), &out);
    EXPECT_EQ(engine_keys_back(ctx), 1);
    engine_key(ctx, 'x', &out);
    EXPECT_EQ(engine_keys_back(ctx), 0);
}

TEST_F(UserShorthandTyping, ATakenBackShippedShorthandIsLearnedButNotTheUsersOwn)
{
    const uint32_t shippedOnly = (DEFAULT_OPTIONS | OPT_SHORTHAND) & ~OPT_USER_SHORTHAND;
    EXPECT_EQ(feed("ko \b ko ", shippedOnly), "ko ko ");
    EXPECT_STREQ(lex_value(Table::LearnedChoices, "ko"), "n");
    lex_add(Table::LearnedChoices, "kg", "n", 1);
    EXPECT_EQ(feed("kg "), "không ");
}

TEST_F(UserShorthandTyping, ALongExpansionIsCommittedWholeAndTakenBackWhole)
{
    std::string expansion, upper;
    for (int i = 0; i < 1000; ++i) {
        expansion += "ệ";
        upper += "Ệ";
    }
    ShorthandList list;
    list.entries = {{"sig", expansion}};
    user_shorthand_use(list);
    EXPECT_EQ(feed("sig "), expansion + " ");
    EXPECT_EQ(feed("SIG "), upper + " ");
    EXPECT_EQ(feed("xin sig \b"), "xin sig");
    EXPECT_EQ(feed("sig \b\b"), "si");  // the keys came back whole, then one goes
}

}  // namespace
