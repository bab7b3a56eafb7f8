// What users meet while typing: no impossible syllable on screen, no lost
// letters, no correction that makes a right word wrong, English words kept
// where their Vietnamese reading is rare, and the words on both sides of an
// ambiguous word deciding it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine.h"
#include "engine_fixture.h"
#include "lexicon.h"

using namespace miradot;

namespace {

// Counts per million; 5 is what the lexicon gives a syllable only a
// dictionary lists.
const char* const VI = "hưu\t20\ncừu\t20\nhươu\t5\ngiữa\t300\nthương\t400\nđai\t5\nđoi\t5\nmượn\t40\nđược\t2000\n"
                       "cut\t12\nlit\t5\nco\t39\ncong\t24\nghen\t5\nca\t24\ncà\t30\nloen\t5\n"
                       "hể\t5\nnhởn\t5\nđủi\t5\nnghĩ\t300\nbên\t745\ntrái\t200\ntớn\t5\ndăn\t5\nmã\t2000\n"
                       "tét\t5\nlà\t5000\nviệt\t900\nnam\t800\nthí\t58\ndụ\t300\nmẫu\t500\nchâu\t100\n"
                       "á\t5\néc\t5\nác\t5\nphím\t300\nđể\t3000\nsố\t2000\nhoặc\t900\nhàm\t200\n"
                       "trường\t800\nđã\t3000\nảm\t20\nnước\t900\nngày\t600\nchóp\t5\nvẽ\t300\nsót\t557\n"
                       "kết\t5000\nmớc\t5\ncảnh\t1200\nbáo\t1100\ncác\t8000\ncát\t5\nhót\t5\n"
                       "bảng\t1500\ncụ\t300\ntịch\t5\n";
const char* const EN
    = "#total\t1000000\nbeen\t997\ntab\t50\ntowns\t6\ndawn\t16\nmax\t185\ngen\t30\nkong\t3\ntest\t4000\n"
      "this\t4233\nas\t4271\nis\t9000\nlogic\t34\nbeta\t17\nbook\t300\nchops\t6\nsorts\t23\nthe\t50000\nallows\t100\n";

class TypingQuality : public EngineTablesTest {
protected:
    void SetUp() override
    {
        EngineTablesTest::SetUp();
        std::string dir
            = make_dir({{"vi.tsv", VI}, {"vi_freq.tsv", std::string("#total\t1000000\n") + VI}, {"en.tsv", EN}});
        ASSERT_GT(engine_load_data(dir.c_str()), 0);
    }

    static std::string feed(const std::string& keys, uint32_t options = DEFAULT_OPTIONS)
    {
        EngineContext* ctx = engine_create();
        engine_set_options(ctx, options);
        std::vector<char> buffer(keys.size() * 4 + 256);
        engine_feed_text(ctx, keys.c_str(), buffer.data(), static_cast<int>(buffer.size()));
        engine_destroy(ctx);
        return buffer.data();
    }

    static std::string preedit(const std::string& keys, uint32_t options = DEFAULT_OPTIONS)
    {
        EngineContext* ctx = engine_create();
        engine_set_options(ctx, options);
        EngineOutput out{};
        for (char k : keys)
            engine_key(ctx, static_cast<unsigned char>(k), &out);
        engine_destroy(ctx);
        return out.preedit;
    }
};

struct Case {
    const char* keys;
    const char* expected;
};

TEST_F(TypingQuality, KeysWithAValidReadingNeverShowAnImpossibleSyllable)
{
    const Case cases[] = {
        {"huuw", "hưu"},        {"cuuwf", "cừu"},    {"houwu", "hươu"}, {"giwax", "giữa"},
        {"thuowwng", "thương"}, {"dadi", "đai"},     {"dodi", "đoi"},   {"muwjowjn", "mượn"},
        {"duocwdj", "được"},    {"dduowcj", "được"}, {"uowr", "uở"},
    };
    for (uint32_t options : {0u, DEFAULT_OPTIONS}) {
        for (const Case& c : cases)
            EXPECT_EQ(feed(std::string(c.keys) + " ", options), std::string(c.expected) + " ")
                << c.keys << " options " << options;
    }
    // What the screen shows on the way there.
    const Case preedits[] = {{"huuw", "hưu"}, {"thuow", "thuơ"}, {"thuoww", "thươ"}, {"giw", "giư"}};
    for (const Case& c : preedits)
        EXPECT_EQ(preedit(c.keys, 0), c.expected) << c.keys;
}

TEST_F(TypingQuality, AWordThatIsNoSyllableKeepsEveryKeyTyped)
{
    const Case cases[] = {{"lorenz", "lorenz"}, {"kurtz", "kurtz"}, {"liszt", "liszt"}, {"docbook", "docbook"}};
    for (const Case& c : cases)
        EXPECT_EQ(feed(std::string(c.keys) + " "), std::string(c.expected) + " ") << c.keys;
    // Pure composition: the key rules alone, as a classic engine types.
    EXPECT_EQ(feed("lorenz ", 0), "loen ");  // r and z set and remove a tone
    EXPECT_EQ(feed("kurtz ", 0), "kut ");
}

TEST_F(TypingQuality, AStopWithoutAToneKeepsLettersMarkedOnPurpose)
{
    const Case cases[] = {
        {"ddot ", "đot "},    {"nowt ", "nơt "}, {"ddotj ", "đọt "},
        {"vieetj ", "việt "}, {"keet ", "kêt "}, {"dotd ", "dotd "},  // a mark from a later key: a name's letters
    };
    for (const Case& c : cases)
        EXPECT_EQ(feed(c.keys), c.expected) << c.keys;
    EXPECT_EQ(preedit("vieet"), "viêt");  // the tone key may still come
    EXPECT_EQ(feed("ddot ", 0), "đot ");  // pure composition
}

TEST_F(TypingQuality, RepairsLeaveShortWordsEnglishAndKnownWordsAlone)
{
    const Case cases[] = {
        {"ko", "ko"},     {"kong", "kong"},   {"gen", "gen"},
        {"ka", "ka"},     {"kaf", "cà"},                         // typed with a Vietnamese tone: the k is a slip
        {"karf", "karf"},                                        // a tone typed over another spells a name
        {"heex", "hễ"},   {"nhowxn", "nhỡn"}, {"dduxi", "đũi"},  // only rare hook forms are known
    };
    for (const Case& c : cases)
        EXPECT_EQ(feed(std::string(c.keys) + " "), std::string(c.expected) + " ") << c.keys;
}

TEST_F(TypingQuality, AnUnlistedHookOrTildeStaysAndTabSwitchesIt)
{
    // nghỉ is no word of the list, nghĩ a common one: a well-formed syllable
    // the list lacks may still be meant.
    EXPECT_EQ(feed("nghir "), "nghỉ ");
    EXPECT_EQ(feed("laf nghir "), "là nghỉ ");
    EXPECT_EQ(feed("nghir \xE2\x87\xA5"), "nghĩ ");
    EXPECT_EQ(feed("nghix "), "nghĩ ");
}

TEST_F(TypingQuality, CommonEnglishBeatsARareReadingAndTabKeepsIt)
{
    const Case cases[] = {
        {"towns ", "towns "},
        {"dawn ", "dawn "},
        {"towns \xE2\x87\xA5", "tớn "},  // Tab: the other reading one key away
        {"max ", "mã "},                 // a common Vietnamese reading stays
        {"paris ", "paris "},            // a syllable no lexicon knows: a name
        {"laura ", "laura "},
        {"moscow ", "moscow "},  // keys the syllable does not show
    };
    for (const Case& c : cases)
        EXPECT_EQ(feed(c.keys), c.expected) << c.keys;
}

TEST_F(TypingQuality, WordsOnBothSidesDecideAnAmbiguousWord)
{
    const Case cases[] = {
        {"tab been trais ", "tab bên trái "},  // the Vietnamese word after outweighs the English one before
        {"been ", "bên "},
        {"test laf ", "test là "},           // a common English word among Vietnamese stays
        {"maaux this duj ", "mẫu thí dụ "},  // an attested reading between Vietnamese words
        {"This duj ", "Thí dụ "},
        {"test This duj ", "test Thí dụ "},  // a capital after English starts the phrase
        {"test this duj ", "test this dụ "},
        {"this is ", "this is "},
        {"soos test hoawcj ", "số test hoặc "},  // a reading no text showed: the term stays
        {"Chaau As ", "Châu Á "},                // a capitalised name reads on
        {"nuwowcs chaau As ", "nước châu Á "},
        {"Chaau As is ", "Châu As is "},            // unless English follows
        {"Chaau As Allows ", "Châu Á Allows "},     // a capital after starts a new phrase
        {"Chaau As ddax ", "Châu Á đã "},           // a Vietnamese word after never makes it English
        {"nuwowcs Sorts the ", "nước Sorts the "},  // however common the Vietnamese reading
        {"nuwowcs Sorts ddax ", "nước Sót đã "},
        {"phims Esc ddeer ", "phím Esc để "},  // a capitalised key name inside a sentence
        {"hamf Asc ", "hàm Asc "},
        {"nuwowcs Test ddeer ", "nước Test để "},  // or an English term
        {"phims Esc \xE2\x87\xA5", "phím Éc "},    // Tab gives the syllable
        {"truwowngf1 ", "trường1 "},               // a number after a word typed with its marks
        {"Ngayf2 ", "Ngày2 "},                     // or with its tone key last
        {"Barng1 ", "Bảng1 "},                     // or right after its vowel
        {"cuj Tijch ", "cụ Tịch "},                // a rare capitalised syllable typed as one after Vietnamese letters
        {"Chops Vex ", "Chóp Vẽ "},                // nothing before, Vietnamese after
        {"Chops is ", "Chops is "},
        {"TRAIS ", "TRAIS "},            // capitals kept as typed
        {"TRAIS ddax ", "TRÁI đã "},     // unless a Vietnamese word follows
        {"TEST ddax ", "TEST đã "},      // an English word stays
        {"CARNH BASO: ", "CẢNH BÁO: "},  // common words in capitals, the tone key after its vowel
        {"CASC ", "CÁC "},
        {"CAST HOST ", "CAST HOST "},  // but not rare readings
        {"arm64 ", "arm64 "},          // after a name
    };
    for (const Case& c : cases)
        EXPECT_EQ(feed(c.keys), c.expected) << c.keys;
}

TEST_F(TypingQuality, LoanWordsTypedWithADoubledVowelKeepTheirVietnameseSpelling)
{
    const Case cases[] = {
        {"loogic ", "lôgic "},    {"Beeta ", "Bêta "}, {"loogic \xE2\x87\xA5", "loogic "},
        {"book ", "book "},        // an English word as typed
        {"boogic ", "boogic "},    // no English word under the mark
        {"loogics ", "loogics "},  // a tone key makes it no loan word spelling
    };
    for (const Case& c : cases)
        EXPECT_EQ(feed(c.keys), c.expected) << c.keys;
    EXPECT_EQ(feed("loogic ", 0), "lôgic ");  // pure composition
}

}  // namespace
