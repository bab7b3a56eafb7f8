#include <gtest/gtest.h>

#include <string>

#include "json.h"

namespace {

struct EscapeCase {
    std::string input;
    std::string expected;
};

TEST(JsonEscape, EscapesControlQuotesAndBackslashesOnly)
{
    const EscapeCase cases[] = {
        {"plain", "plain"},
        {"a\tb", "a\\u0009b"},
        {"line\nnext", "line\\nnext"},
        {"say \"hi\"", "say \\\"hi\\\""},
        {"C:\\voice", "C:\\\\voice"},
        {std::string("nul\0x", 5), "nul\\u0000x"},
        {"\r\x1f\x7f", "\\u000d\\u001f\x7f"},
        {"tiếng Việt", "tiếng Việt"},
    };
    for (const EscapeCase& c : cases)
        EXPECT_EQ(json_escape(c.input), c.expected) << c.input;
}

struct FieldCase {
    const char* json;
    const char* name;
    bool found;
    std::string value;
};

TEST(JsonField, ReadsFlatMembers)
{
    const FieldCase cases[] = {
        {R"({"cmd":"stop"})", "cmd", true, "stop"},
        {R"({"ok":true,"ready":false})", "ready", true, "false"},
        {R"({"audio_s":3.50,"conf":-1.6})", "audio_s", true, "3.50"},
        {R"({"conf":-1.600})", "conf", true, "-1.600"},
        {R"({"cmd" :"stop"})", "cmd", true, "stop"},
        {R"( { "ok": true, "text": "xin chào" } )", "text", true, "xin chào"},
        {R"({"cmd":   "ping"})", "cmd", true, "ping"},
        {R"({"other":1})", "cmd", false, ""},
        {R"({"path":"C:\\voice\\a.wav"})", "path", true, "C:\\voice\\a.wav"},
        {R"({"text":"a\nb\tc\"d\re\/f\bg\fh"})", "text", true, "a\nb\tc\"d\re/f\bg\fh"},
        {R"({"text":"\u0111\u00e0\u0041"})", "text", true, "đàA"},
        {R"({"text":"\ud83d\ude00!"})", "text", true, "\xf0\x9f\x98\x80!"},
        {R"({"text":"\ud83d"})", "text", false, ""},
        {R"({"text":"\ude00"})", "text", true, "\xed\xb8\x80"},  // as the manifest keeps it
        {R"({"text":"\u12"})", "text", false, ""},
        {R"({"text":"\u12)", "text", false, ""},
        {R"({"text":"\x41"})", "text", false, ""},
        {R"({"text":"open)", "text", false, ""},
        {R"({"text":"ends\)", "text", false, ""},
        {"{\"text\":\"tab\there\"}", "text", false, ""},
        {R"("cmd":"stop")", "cmd", false, ""},
        {R"({"ok":true,"text":"cut sho)", "ok", true, "true"},
        {R"({"ok":true,"text":"cut sho)", "text", false, ""},
        {R"({"text":""})", "text", true, ""},
        {R"({"n":12 })", "n", true, "12"},
        {R"({"warn":["a", "b"],"n":1})", "warn", true, R"(["a", "b"])"},
        {R"({"a":{"cmd":"inner"},"cmd":"outer"})", "cmd", true, "outer"},
        {R"({"text":"say \"cmd\":1","cmd":"ping"})", "cmd", true, "ping"},
        {R"({"cmd":"first","cmd":"second"})", "cmd", true, "first"},
    };
    for (const FieldCase& c : cases) {
        char out[64] = "untouched";
        EXPECT_EQ(json_field(c.json, c.name, out, sizeof out), c.found) << c.json;
        if (c.found) {
            EXPECT_EQ(std::string(out), c.value) << c.json;
        }
    }
}

TEST(JsonField, CutsValuesToTheBuffer)
{
    char out[8];
    ASSERT_TRUE(json_field(R"({"text":"abcdefghij"})", "text", out, sizeof out));
    EXPECT_EQ(std::string(out), "abcdefg");
    ASSERT_TRUE(json_field(R"({"text":"ab\u1ec7"})", "text", out, sizeof out));
    EXPECT_EQ(std::string(out), "ab\xe1\xbb\x87");
    // A character that does not fit ends the value: never half of it, never one after it.
    ASSERT_TRUE(json_field(R"({"text":"abcde\u1ec7g"})", "text", out, sizeof out));
    EXPECT_EQ(std::string(out), "abcde");
    ASSERT_TRUE(json_field("{\"text\":\"abcde\xe1\xbb\x87g\"}", "text", out, sizeof out));
    EXPECT_EQ(std::string(out), "abcde");
    ASSERT_TRUE(json_field(R"({"n":1234567890})", "n", out, sizeof out));
    EXPECT_EQ(std::string(out), "1234567");
    EXPECT_FALSE(json_field(R"({"x":1})", "x", out, 0));
}

TEST(JsonField, RejectsNamesTooLongForThePattern)
{
    const std::string name(70, 'k');
    const std::string json = "{\"" + name + "\":1}";
    char out[16];
    EXPECT_FALSE(json_field(json.c_str(), name.c_str(), out, sizeof out));
}

}  // namespace
