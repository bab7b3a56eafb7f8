#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "engine_fixture.h"
#include "user_shorthand.h"

using namespace miradot;

namespace {

TEST(ShorthandEntryCheck, RefusesEachFaultWithItsOwnOutcome)
{
    const std::string thousand(1000, 'x');
    const struct {
        std::string abbreviation, expansion;
        ShorthandCheck expected;
    } cases[] = {
        {"vn", "Việt Nam", SHORTHAND_OK},
        {"tphcm", "Thành phố Hồ Chí Minh", SHORTHAND_OK},
        {"đc", "được", SHORTHAND_OK},
        {"k2.a-b_c@d&e", "x", SHORTHAND_OK},
        {std::string(32, 'a'), "x", SHORTHAND_OK},
        {"a", thousand, SHORTHAND_OK},
        {"a", std::string(1000, 'x').replace(0, 1, "ệ"), SHORTHAND_OK},  // characters, not bytes
        {"", "x", SHORTHAND_EMPTY_ABBREVIATION},
        {"a", "", SHORTHAND_EMPTY_EXPANSION},
        {"a", "   ", SHORTHAND_EMPTY_EXPANSION},
        {std::string(33, 'a'), "x", SHORTHAND_LONG_ABBREVIATION},
        {"a", thousand + "x", SHORTHAND_LONG_EXPANSION},
        {"v n", "x", SHORTHAND_BAD_ABBREVIATION},
        {"vn:", "x", SHORTHAND_BAD_ABBREVIATION},
        {"#vn", "x", SHORTHAND_BAD_ABBREVIATION},
        {"v\xC3", "x", SHORTHAND_BAD_ABBREVIATION},  // cut UTF-8
        {"a", "x\ty", SHORTHAND_BAD_EXPANSION},
        {"a", "x\ny", SHORTHAND_BAD_EXPANSION},
        {"a", "x\ry", SHORTHAND_BAD_EXPANSION},
        {"a", "\xC0\xAF", SHORTHAND_BAD_EXPANSION},      // overlong
        {"a", "\xED\xA0\x80", SHORTHAND_BAD_EXPANSION},  // a surrogate
        {"a", "x\xC2\x85y", SHORTHAND_BAD_EXPANSION},     // U+0085, a line break
        {"a", "x\xE2\x80\xA8y", SHORTHAND_BAD_EXPANSION}, // U+2028
        {"a", "x\xEF\xBF\xBDy", SHORTHAND_BAD_EXPANSION}, // U+FFFD
    };
    for (const auto& c : cases)
        EXPECT_EQ(check_shorthand_entry(c.abbreviation, c.expansion), c.expected) << c.abbreviation;
}

TEST(ShorthandEntryCheck, DuplicatesInAnyCaseExceptTheEntryBeingEdited)
{
    ShorthandList list;
    list.entries = {{"vn", "Việt Nam"}, {"Đc", "được"}};
    EXPECT_EQ(check_shorthand_change(list, "VN", "x", -1), SHORTHAND_DUPLICATE);
    EXPECT_EQ(check_shorthand_change(list, "đc", "x", -1), SHORTHAND_DUPLICATE);
    EXPECT_EQ(check_shorthand_change(list, "vn", "Việt Nam thân yêu", 0), SHORTHAND_OK);
    EXPECT_EQ(check_shorthand_change(list, "vn", "x", 1), SHORTHAND_DUPLICATE);
    EXPECT_EQ(check_shorthand_change(list, "sdt", "", -1), SHORTHAND_EMPTY_EXPANSION);
    EXPECT_EQ(find_shorthand(list, "ĐC"), 1);
    EXPECT_EQ(find_shorthand(list, "sdt"), -1);
}

TEST(ShorthandListFile, KeepsWhatItCannotReadAndCountsTheFaults)
{
    const std::string file = "\xEF\xBB\xBFvn\tViệt Nam\r\n"
                             "# my own list\n"
                             "\n"
                             "sdt\tsố điện thoại\n"
                             "no tab here\n"
                             "VN\tduplicate\n"
                             "x\ttwo\ttabs\n"
                             "kg\tkhông";  // no final line feed
    ShorthandList list = parse_shorthand_list(file);
    ASSERT_EQ(list.entries.size(), 3u);
    EXPECT_EQ(list.entries[0].abbreviation, "vn");
    EXPECT_EQ(list.entries[0].expansion, "Việt Nam");
    EXPECT_EQ(list.entries[2].expansion, "không");
    EXPECT_EQ(list.badLines, 3);
    EXPECT_EQ(list.otherLines.size(), 4u);
    EXPECT_EQ(format_shorthand_list(list), "# miraDot shorthand v1\n"
                                           "vn\tViệt Nam\nsdt\tsố điện thoại\nkg\tkhông\n"
                                           "# my own list\nno tab here\nVN\tduplicate\nx\ttwo\ttabs\n");
    // Written back and read again, nothing moves any more.
    ShorthandList again = parse_shorthand_list(format_shorthand_list(list));
    EXPECT_EQ(format_shorthand_list(again), format_shorthand_list(list));
    EXPECT_EQ(again.badLines, 3);
}

class ShorthandFile : public EngineTablesTest {
protected:
    void SetUp() override
    {
        EngineTablesTest::SetUp();
        make_dir();
        file = path("user-shorthand.tsv");
    }
    void TearDown() override
    {
        user_shorthand_use({});
        EngineTablesTest::TearDown();
    }
    std::string read(const std::string& p) const
    {
        std::ifstream in(p, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string file;
};

TEST_F(ShorthandFile, WritesANewFileOverTheOldOne)
{
    ShorthandList list;
    EXPECT_TRUE(read_shorthand_file(file.c_str(), &list));  // none yet: an empty list
    EXPECT_TRUE(list.entries.empty());
    list.entries = {{"vn", "Việt Nam"}};
    list.otherLines = {"kept as it was"};
    ASSERT_TRUE(write_shorthand_file(file.c_str(), list));
    EXPECT_EQ(read(file), "# miraDot shorthand v1\nvn\tViệt Nam\nkept as it was\n");
    EXPECT_FALSE(std::filesystem::exists(file + ".tmp"));
    ShorthandList back;
    ASSERT_TRUE(read_shorthand_file(file.c_str(), &back));
    EXPECT_EQ(back.entries.size(), 1u);
    EXPECT_EQ(back.badLines, 1);

    // A folder that is not there: the old file stays as it was.
    EXPECT_FALSE(write_shorthand_file(path("missing/user-shorthand.tsv").c_str(), list));
    EXPECT_EQ(read(file), "# miraDot shorthand v1\nvn\tViệt Nam\nkept as it was\n");
}

TEST_F(ShorthandFile, LoadsTheTableTheWordEndReads)
{
    write_file("user-shorthand.tsv", "VN\tViệt Nam\nđc\tđược\nbad line\n");
    EXPECT_EQ(user_shorthand_load(file.c_str()), 2);
    EXPECT_STREQ(user_shorthand_value("vn"), "Việt Nam");
    EXPECT_STREQ(user_shorthand_value("đc"), "được");
    EXPECT_EQ(user_shorthand_value("VN"), nullptr);  // looked up in lower case only
    EXPECT_EQ(user_shorthand_value("bad line"), nullptr);
    // A reload replaces the table; a missing file empties it.
    write_file("user-shorthand.tsv", "kg\tkhông\n");
    EXPECT_EQ(user_shorthand_load(file.c_str()), 1);
    EXPECT_EQ(user_shorthand_value("vn"), nullptr);
    std::filesystem::remove(file);
    EXPECT_EQ(user_shorthand_load(file.c_str()), 0);
    EXPECT_EQ(user_shorthand_count(), 0);
}

std::string utf16le_with_mark(const std::u16string& text)
{
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

TEST(ShorthandImportPreview, ReadsTheCommonFormsInEveryEncoding)
{
    const std::string expectedAbbreviations = "vn sdt kg";
    const struct {
        const char* name;
        std::string bytes;
    } files[] = {
        {"colons, LF", ";Header of the list\nvn:Việt Nam\nsdt:số điện thoại\nkg:không\n"},
        {"colons, CRLF, BOM", "\xEF\xBB\xBF;DO NOT EDIT\r\nvn:Việt Nam\r\nsdt:số điện thoại\r\nkg:không\r\n"},
        {"colons with spaces around", "vn : Việt Nam\n  sdt: số điện thoại \nkg :không\n"},
        {"TAB lines", "vn\tViệt Nam\nsdt\tsố điện thoại\nkg\tkhông"},
        {"UTF-16 LE",
         utf16le_with_mark(u";list\r\nvn:Vi\u1EC7t Nam\r\nsdt:s\u1ED1 \u0111i\u1EC7n tho\u1EA1i\r\nkg:kh\u00F4ng\r\n")},
    };
    for (const auto& f : files) {
        ShorthandImport import = preview_shorthand_import({}, f.bytes);
        std::string abbreviations;
        for (const ShorthandEntry& e : import.added)
            abbreviations += (abbreviations.empty() ? "" : " ") + e.abbreviation;
        EXPECT_EQ(abbreviations, expectedAbbreviations) << f.name;
        ASSERT_EQ(import.added.size(), 3u) << f.name;
        EXPECT_EQ(import.added[0].expansion, "Việt Nam") << f.name;
        EXPECT_EQ(import.added[1].expansion, "số điện thoại") << f.name;
        EXPECT_TRUE(import.refused.empty()) << f.name;
    }
}

TEST(ShorthandImportPreview, RefusesTheLineOfAnUnpairedSurrogate)
{
    std::u16string text = u"vn:Vi\u1EC7t Nam\r\nx:a";
    text += char16_t(0xD800);
    text += u"b\r\nkg:kh\u00F4ng\r\n";
    ShorthandImport import = preview_shorthand_import({}, utf16le_with_mark(text));
    EXPECT_EQ(import.added.size(), 2u);
    ASSERT_EQ(import.refused.size(), 1u);
    EXPECT_EQ(import.refused[0].line, 2);
    EXPECT_EQ(import.refused[0].reason, SHORTHAND_BAD_EXPANSION);
}

TEST(ShorthandImportPreview, SaysWhatItWouldAddReplaceAndRefuseBeforeAnythingChanges)
{
    ShorthandList list;
    list.entries = {{"vn", "Việt Nam"}, {"kg", "không"}};
    const std::string file = "; comment\n"
                             "vn:Việt Nam\n"          // 2: as it is already
                             "KG:không bao giờ\n"     // 3: replaces
                             "tphcm:Thành phố Hồ Chí Minh\n"
                             "no separator\n"         // 5
                             "v n:two words\n"        // 6
                             ":no abbreviation\n"     // 7
                             "sdt:\n"                 // 8
                             "url:http://a.b/c\n"     // the first colon cuts
                             "tphcm:TP. Hồ Chí Minh\n"; // 10: the later line wins
    ShorthandImport import = preview_shorthand_import(list, file);
    ASSERT_EQ(import.added.size(), 2u);
    EXPECT_EQ(import.added[0].abbreviation, "tphcm");
    EXPECT_EQ(import.added[0].expansion, "TP. Hồ Chí Minh");
    EXPECT_EQ(import.added[1].expansion, "http://a.b/c");
    ASSERT_EQ(import.replaced.size(), 1u);
    EXPECT_EQ(import.replaced[0].expansion, "không bao giờ");
    EXPECT_EQ(import.unchanged, 1);
    ASSERT_EQ(import.refused.size(), 4u);
    const ShorthandRefusal expected[] = {{5, SHORTHAND_EMPTY_EXPANSION},
                                         {6, SHORTHAND_BAD_ABBREVIATION},
                                         {7, SHORTHAND_EMPTY_ABBREVIATION},
                                         {8, SHORTHAND_EMPTY_EXPANSION}};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(import.refused[i].line, expected[i].line);
        EXPECT_EQ(import.refused[i].reason, expected[i].reason) << expected[i].line;
    }
    EXPECT_EQ(list.entries.size(), 2u);  // the preview changed nothing

    apply_shorthand_import(&list, import);
    EXPECT_EQ(export_shorthand_list(list), "vn\tViệt Nam\nkg\tkhông bao giờ\ntphcm\tTP. Hồ Chí Minh\nurl\thttp://a.b/c\n");
}

TEST(ShorthandImportPreview, ReadsItsOwnExportBack)
{
    ShorthandList list;
    list.entries = {{"vn", "Việt Nam"}, {"dc", "Số 1, đường Lê Lợi: tầng 2"}, {"sp", " giữa hai dấu cách "}};
    list.otherLines = {"not exported"};
    std::string exported = export_shorthand_list(list);
    EXPECT_EQ(exported.find("not exported"), std::string::npos);
    ShorthandImport import = preview_shorthand_import({}, exported);
    ASSERT_EQ(import.added.size(), 3u);
    EXPECT_EQ(import.added[1].expansion, "Số 1, đường Lê Lợi: tầng 2");  // a TAB line keeps its colons
    EXPECT_EQ(import.added[2].expansion, " giữa hai dấu cách ");          // and its spaces
}

}  // namespace
