#include "charset.h"
#include "clipboard_html.h"
#include "rich_text.h"

#include <gtest/gtest.h>

#include <iconv.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace miradot;

namespace {

std::string from_hex(const std::string& hex)
{
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += char(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

// letters.tsv: every letter with a mark and its form in each encoding, made by
// make_letter_table.py from sources apart from the converter.
struct LetterRow {
    std::string letter;
    std::string forms[CHARSET_COUNT];
};

std::vector<LetterRow> letter_rows()
{
    std::ifstream in(MIRADOT_LETTER_TABLE);
    std::vector<LetterRow> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> cells;
        std::stringstream fields(line);
        for (std::string cell; std::getline(fields, cell, '\t');)
            cells.push_back(cell);
        LetterRow row;
        row.letter = cells.at(0);
        row.forms[CHARSET_UNICODE] = cells.at(0);
        row.forms[CHARSET_NFD] = cells.at(1);
        row.forms[CHARSET_TCVN3] = from_hex(cells.at(2));
        row.forms[CHARSET_VNI_WINDOWS] = from_hex(cells.at(3));
        row.forms[CHARSET_VISCII] = from_hex(cells.at(4));
        row.forms[CHARSET_VIQR] = cells.at(5);
        row.forms[CHARSET_NCR] = cells.at(6);
        char hex[16];
        std::snprintf(hex, sizeof hex, "&#x%X;", std::stoi(cells.at(6).substr(2)));
        row.forms[CHARSET_NCR_HEX] = hex;
        row.forms[CHARSET_NOMARKS] = cells.at(7);
        rows.push_back(row);
    }
    return rows;
}

std::string encode(Charset to, const std::string& utf8, LegacyForm form = LEGACY_BYTES, size_t* unwritable = nullptr)
{
    return charset_encode(to, utf8, form, unwritable);
}

// The Windows-1252 reading of bytes, as a document in a legacy font puts them
// on the clipboard; Windows reads the five bytes the code page leaves out as
// the C1 controls of the same value.
std::string cp1252_text(const std::string& bytes)
{
    std::string text;
    for (unsigned char b : bytes) {
        static const char16_t HIGH[] = u"\u20AC\u0081\u201A\u0192\u201E\u2026\u2020\u2021\u02C6\u2030\u0160\u2039"
                                       u"\u0152\u008D\u017D\u008F\u0090\u2018\u2019\u201C\u201D\u2022\u2013\u2014"
                                       u"\u02DC\u2122\u0161\u203A\u0153\u009D\u017E\u0178";
        char32_t c = b >= 0x80 && b < 0xA0 ? HIGH[b - 0x80] : b;
        if (c < 0x80) {
            text += char(c);
        } else if (c < 0x800) {
            text += char(0xC0 | (c >> 6));
            text += char(0x80 | (c & 0x3F));
        } else {
            text += char(0xE0 | (c >> 12));
            text += char(0x80 | ((c >> 6) & 0x3F));
            text += char(0x80 | (c & 0x3F));
        }
    }
    return text;
}

std::string all_letters()
{
    std::string text;
    for (const LetterRow& row : letter_rows())
        text += row.letter;
    return text;
}

constexpr Charset EXACT[] = {CHARSET_UNICODE, CHARSET_NFD,  CHARSET_TCVN3, CHARSET_VNI_WINDOWS,
                             CHARSET_VISCII,  CHARSET_VIQR, CHARSET_NCR,   CHARSET_NCR_HEX};

}  // namespace

TEST(CharsetLetters, EveryLetterWithAMarkIsWrittenAndReadAsTheTablesSay)
{
    std::vector<LetterRow> rows = letter_rows();
    ASSERT_EQ(rows.size(), 134u);
    for (const LetterRow& row : rows) {
        for (int i = 0; i < CHARSET_COUNT; ++i) {
            Charset charset = Charset(i);
            EXPECT_EQ(encode(charset, row.letter), row.forms[i]) << row.letter << " " << charset_name(charset);
            if (charset == CHARSET_NOMARKS)
                continue;
            EXPECT_EQ(charset_decode(charset, row.forms[i], LEGACY_BYTES), row.letter)
                << row.letter << " " << charset_name(charset);
            if (charset_is_legacy(charset)) {
                EXPECT_EQ(encode(charset, row.letter, LEGACY_CP1252_TEXT), cp1252_text(row.forms[i])) << row.letter;
                EXPECT_EQ(charset_decode(charset, cp1252_text(row.forms[i]), LEGACY_CP1252_TEXT), row.letter)
                    << row.letter << " " << charset_name(charset);
            }
        }
    }
}

// The one-byte encodings read every byte as glibc's tables do.
TEST(CharsetLetters, EveryByteReadsAsGlibcReadsIt)
{
    const struct {
        Charset charset;
        const char* iconv_name;
    } tables[] = {{CHARSET_TCVN3, "TCVN5712-1"}, {CHARSET_VISCII, "VISCII"}};
    for (const auto& table : tables) {
        iconv_t cd = iconv_open("UTF-8", table.iconv_name);
        ASSERT_NE(cd, iconv_t(-1));
        for (int b = 1; b < 256; ++b) {
            char in[1] = {char(b)}, out[8] = {};
            char *in_p = in, *out_p = out;
            size_t in_left = 1, out_left = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            ASSERT_NE(iconv(cd, &in_p, &in_left, &out_p, &out_left), size_t(-1)) << b;
            iconv(cd, nullptr, nullptr, &out_p, &out_left);  // a combining mark waits for its base
            EXPECT_EQ(charset_decode(table.charset, std::string(1, char(b)), LEGACY_BYTES), std::string(out))
                << table.iconv_name << " byte " << b;
        }
        iconv_close(cd);
    }
}

TEST(CharsetRoundTrip, TextComesBackExactlyFromEveryEncoding)
{
    const std::string texts[] = {
        all_letters(),
        "Tiếng Việt: \"Đà Nẵng\", HUẾ, khuỷu tay - 100% (ổn)? Ừ.\r\nGIẶT GIŨ; người ở quê, thuở ấy...",
        "Ký tự khác: 日本語 😀 café C:\\path\\dd address x? e\\^ a\\\\' dd\\d",
        "so? ba. ca' mo^ d\\ \\",
        "",
    };
    for (const std::string& text : texts) {
        for (Charset charset : EXACT) {
            for (LegacyForm form : {LEGACY_BYTES, LEGACY_CP1252_TEXT}) {
                if (form == LEGACY_BYTES && charset_is_legacy(charset) && text.find("日") != std::string::npos)
                    continue;  // no place for those in 8 bits
                size_t unwritable = 0;
                std::string written = encode(charset, text, form, &unwritable);
                EXPECT_EQ(unwritable, 0u) << charset_name(charset) << " " << text;
                EXPECT_EQ(charset_decode(charset, written, form), text) << charset_name(charset) << " form " << form;
            }
        }
    }
}

TEST(CharsetRoundTrip, NoMarksKeepsTheLettersAndEverythingElse)
{
    EXPECT_EQ(encode(CHARSET_NOMARKS, "Đường phố Hà Nội, ĐẸP! ü 日本"), "Duong pho Ha Noi, DEP! ü 日本");
}

// What is no Vietnamese letter is never touched, and what cannot be held in
// 8 bits is counted: TCVN3 and VISCII keep letters where Windows-1252 has its
// quotes and dashes.
TEST(CharsetEdges, ReadersAndWritersLeaveOtherTextAlone)
{
    const struct {
        Charset charset;
        LegacyForm form;
        const char* in;
        const char* out;
        size_t unwritable;
    } writes[] = {
        {CHARSET_VIQR, LEGACY_BYTES, "chào. Hỏi? add", "cha`o\\. Ho?i\\? a\\dd", 0},
        {CHARSET_VIQR, LEGACY_BYTES, "ê' u+ a\\(", "e^\\' u\\+ a\\\\(", 0},
        {CHARSET_NCR, LEGACY_BYTES, "&#65; ộ", "&#65; &#7897;", 0},
        {CHARSET_VNI_WINDOWS, LEGACY_CP1252_TEXT, "aü bü ö", "a? bü ?", 2},
        {CHARSET_VNI_WINDOWS, LEGACY_BYTES, "“€ ở”", "\x93\x80 \xF4\xFB\x94", 0},
        {CHARSET_TCVN3, LEGACY_BYTES, "ñ 日 ạ", "? ? \xB9", 2},
        {CHARSET_TCVN3, LEGACY_CP1252_TEXT, "“ạ” 日", "?¹? 日", 2},
        {CHARSET_VISCII, LEGACY_CP1252_TEXT, "x\x01y", "x\x01y", 0},
        {CHARSET_VISCII, LEGACY_BYTES, "\x02 \xFF", "? ?", 2},
    };
    for (const auto& c : writes) {
        size_t unwritable = 0;
        EXPECT_EQ(encode(c.charset, c.in, c.form, &unwritable), c.out) << charset_name(c.charset) << " " << c.in;
        EXPECT_EQ(unwritable, c.unwritable) << charset_name(c.charset) << " " << c.in;
    }
    const struct {
        Charset charset;
        const char* in;
        const char* out;
    } reads[] = {
        {CHARSET_NFD, "e\u0302\u0301 \u00EA\u0301 b\u0301 a\u0301\u0301 o\u0301\u031B", "ế ế b\u0301 á\u0301 ớ"},
        {CHARSET_UNICODE, "Ô\u0323\xFF", "Ộ\xFF"},
        {CHARSET_TCVN3, "a\xB3 b\xB3", "á b\u0301"},
        {CHARSET_VNI_WINDOWS, "a\xD9 A\xF9 i\xF9 y\xEF \xF9", "aÙ Aù iù yï ù"},
        {CHARSET_NCR, "&#7897 &#x1ec7; &#X1EC7; &#99999999999; &#", "&#7897 ệ ệ &#99999999999; &#"},
        {CHARSET_VIQR, "DDa\\.i d\\d \\x", "Đa.i dd \\x"},
    };
    for (const auto& c : reads)
        EXPECT_EQ(charset_decode(c.charset, c.in, legacy_form_of(c.in)), c.out)
            << charset_name(c.charset) << " " << c.in;
}

TEST(CharsetEdges, LegacyTextIsTakenAsBytesUnlessItIsUtf8BeyondAscii)
{
    EXPECT_EQ(legacy_form_of("ascii only"), LEGACY_BYTES);
    EXPECT_EQ(legacy_form_of("Xin ch\xB5o"), LEGACY_BYTES);
    EXPECT_EQ(legacy_form_of("Xin chµo"), LEGACY_CP1252_TEXT);
}

TEST(CharsetNames, EveryNameReadsBack)
{
    for (int i = 0; i < CHARSET_COUNT; ++i) {
        Charset charset;
        ASSERT_TRUE(charset_from_name(charset_name(Charset(i)), &charset));
        EXPECT_EQ(charset, Charset(i));
        EXPECT_STRNE(charset_label(Charset(i)), "");
    }
    Charset charset;
    EXPECT_FALSE(charset_from_name("auto", &charset));
    EXPECT_FALSE(charset_from_name("VNI", &charset));
}

TEST(CharsetGuessing, EveryEncodingOfVietnameseProseIsRecognised)
{
    const std::string prose = "Mùa thu năm ấy, người dân làng quê tôi vẫn thường kể về những cánh đồng lúa chín "
                              "vàng. Ông bà dạy con cháu phải biết ơn, sống ngay thẳng và chăm chỉ học hành. "
                              "Đêm trăng sáng, bọn trẻ chạy khắp xóm, tiếng cười vang rộn rã.";
    for (int i = 0; i < CHARSET_NOMARKS; ++i) {
        Charset charset = Charset(i);
        for (LegacyForm form : {LEGACY_BYTES, LEGACY_CP1252_TEXT}) {
            if (form == LEGACY_CP1252_TEXT && !charset_is_legacy(charset))
                continue;
            std::string written = encode(charset, prose, form);
            CharsetGuess guess = guess_charset(written, legacy_form_of(written));
            EXPECT_EQ(guess.charset, charset)
                << charset_name(charset) << " form " << form << " guessed " << charset_name(guess.charset);
            EXPECT_GT(guess.words, 20);
        }
    }
}

TEST(CharsetGuessing, TextWithoutVietnameseMarksIsUnicode)
{
    const char* texts[] = {"", "Hello? Is it me you are looking for. I can see it in your eyes.",
                           "Toi di hoc. Ban co khoe khong?", "naïve café, 日本語", "x = a^2 + b'(c)"};
    for (const char* text : texts)
        EXPECT_EQ(guess_charset(text, legacy_form_of(text)).charset, CHARSET_UNICODE) << text;
}

// The clipboard's rich formats: only the document's text changes.
TEST(ClipboardFormats, RtfTextIsConvertedAndItsMarkupKept)
{
    const struct {
        Charset from, to;
        const char* in;
        const char* out;
    } cases[] = {
        {CHARSET_TCVN3, CHARSET_UNICODE,
         "{\\rtf1\\ansi{\\fonttbl{\\f0 .VnTime;}}\\f0 Xin ch\\'b5o \\b b\\'b9n\\b0 !\\par}",
         "{\\rtf1\\ansi{\\fonttbl{\\f0 .VnTime;}}\\f0 Xin ch\\u224?o \\b b\\u7841?n\\b0 !\\par}"},
        {CHARSET_UNICODE, CHARSET_TCVN3, "{\\rtf1 Vi\\u7879?t \\{x\\}\\uc2 \\u272??}",
         "{\\rtf1 Vi\\'d6t \\{x\\}\\uc2 \\'a7}"},
        {CHARSET_VNI_WINDOWS, CHARSET_UNICODE, "{\\rtf1 Vie\\'e4t\r\nNam{\\*\\fldinst a\\'f8}}",
         "{\\rtf1 Vi\\u7879?tNam{\\*\\fldinst a\\'f8}}"},
        {CHARSET_VIQR, CHARSET_UNICODE, "{\\rtf1{\\fonttbl{\\f0 Vie^.t;}}Vie^.t \\u55357?\\u56832?}",
         "{\\rtf1{\\fonttbl{\\f0 Vie^.t;}}Vi\\u7879?t \\u-10179?\\u-8704?}"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(convert_rtf_text(c.in, c.from, c.to), c.out) << c.in;
}

TEST(ClipboardFormats, HtmlTextIsConvertedAndItsOffsetsFollow)
{
    const std::string legacy = cp1252_text(encode(CHARSET_VNI_WINDOWS, "Tiếng Việt"));
    const std::string in = clipboard_html("<p style=\"font-family:VNI-Times\">" + legacy + " &amp; <b>ở</b></p>");
    const std::string out = convert_clipboard_html(in, CHARSET_VNI_WINDOWS, CHARSET_UNICODE);
    EXPECT_EQ(out, clipboard_html("<p style=\"font-family:VNI-Times\">Tiếng Việt &amp; <b>ở</b></p>"));
    EXPECT_EQ(convert_clipboard_html("no header <b>x</b>", CHARSET_VNI_WINDOWS, CHARSET_UNICODE), "no header <b>x</b>");
}
