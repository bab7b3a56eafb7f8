#include <gtest/gtest.h>

#include "voice_reply.h"

namespace {

VoiceReply transcription(const std::string& raw, const std::string& text, bool withLevel)
{
    VoiceReply reply;
    reply.form = VoiceReplyForm::Transcription;
    reply.raw = raw;
    reply.text = text;
    reply.audioSeconds = 1.5;
    reply.sttSeconds = 0.25;
    reply.conf = -0.3;
    reply.hasLevel = withLevel;
    reply.level = 0.09;
    return reply;
}

TEST(VoiceReplyRecord, EveryFormIsWrittenAsTheProtocolFixesItAndReadBack)
{
    VoiceReply status;
    status.form = VoiceReplyForm::Status;
    status.ready = true;
    VoiceReply silence;
    silence.form = VoiceReplyForm::Silence;
    silence.level = 0.00449;
    const std::pair<VoiceReply, const char*> cases[] = {
        {VoiceReply(), R"({"ok":true})"},
        {voice_error("voice not installed"), R"({"ok":false,"error":"voice not installed"})"},
        {status, R"({"ok":true,"recording":false,"ready":true})"},
        {transcription("Xin chào", "Xin chào.", false),
         R"({"ok":true,"raw":"Xin chào","text":"Xin chào.","audio_s":1.50,"stt_s":0.25,"conf":-0.300})"},
        {transcription("a", "b", true),
         R"({"ok":true,"raw":"a","text":"b","audio_s":1.50,"stt_s":0.25,"conf":-0.300,"rms":0.0900})"},
        {silence, R"({"ok":true,"text":"","raw":"","silence":true,"rms":0.0045})"},
    };
    for (const auto& [record, line] : cases) {
        EXPECT_EQ(write_voice_reply(record), line);
        VoiceReply read;
        ASSERT_TRUE(read_voice_reply(line, read)) << line;
        EXPECT_EQ(read.form, record.form) << line;
        EXPECT_EQ(read.ok(), record.ok()) << line;
        EXPECT_EQ(read.error, record.error) << line;
        EXPECT_EQ(read.ready, record.ready) << line;
        EXPECT_EQ(read.raw, record.raw) << line;
        EXPECT_EQ(read.text, record.text) << line;
        EXPECT_EQ(read.hasLevel, record.hasLevel || record.form == VoiceReplyForm::Silence) << line;
        EXPECT_EQ(write_voice_reply(read), line);
    }
}

TEST(VoiceReplyRecord, TextSurvivesEscapesAndLengthWhole)
{
    std::string text = "\"trích\" \\ dòng\nhai\ttab ";
    while (text.size() < 20000)
        text += "một câu dài nữa ";
    VoiceReply read;
    ASSERT_TRUE(read_voice_reply(write_voice_reply(transcription("raw \"text\":x", text, true)).c_str(), read));
    EXPECT_EQ(read.form, VoiceReplyForm::Transcription);
    EXPECT_EQ(read.text, text);
    EXPECT_EQ(read.raw, "raw \"text\":x");
    EXPECT_DOUBLE_EQ(read.level, 0.09);
}

TEST(VoiceReplyRecord, LinesThatAreNoReplyAreRefused)
{
    const char* refused[] = {
        "",
        "hello",
        "{\"ok\":tru}",
        "{\"text\":\"x\",\"ok\":true}",                // "ok" is not first
        "{\"ok\":true,\"raw\":\"abc\",\"text\":\"ab",  // cut before its end
        "{\"ok\":1}",
        " {\"ok\":true}",
    };
    for (const char* line : refused) {
        VoiceReply read;
        EXPECT_FALSE(read_voice_reply(line, read)) << line;
    }
    // A success without "text" is a reply, but no transcription.
    VoiceReply read;
    ASSERT_TRUE(read_voice_reply("{\"ok\":true,\"rms\":0.1000}", read));
    EXPECT_EQ(read.form, VoiceReplyForm::Success);
    ASSERT_TRUE(read_voice_reply("{\"ok\":false}", read));
    EXPECT_EQ(read.form, VoiceReplyForm::Error);
    EXPECT_EQ(read.error, "");
}

}  // namespace
