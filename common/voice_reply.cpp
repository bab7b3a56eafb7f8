#include "voice_reply.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "json.h"

namespace {

std::string number(const char* format, double value)
{
    char text[48];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string level_member(const VoiceReply& reply)
{
    return reply.hasLevel || reply.form == VoiceReplyForm::Silence ? ",\"rms\":" + number("%.4f", reply.level) : "";
}

const char* boolean(bool value) { return value ? "true" : "false"; }

// A member's value, or nothing; string values may be as long as the line.
bool member(const char* line, const char* name, std::string& value)
{
    std::vector<char> buffer(std::strlen(line) + 8);
    if (!json_field(line, name, buffer.data(), buffer.size()))
        return false;
    value = buffer.data();
    return true;
}

double number_member(const char* line, const char* name)
{
    std::string value;
    return member(line, name, value) ? std::strtod(value.c_str(), nullptr) : 0;
}

}  // namespace

VoiceReply voice_error(const std::string& message)
{
    VoiceReply reply;
    reply.form = VoiceReplyForm::Error;
    reply.error = message;
    return reply;
}

std::string write_voice_reply(const VoiceReply& reply)
{
    switch (reply.form) {
    case VoiceReplyForm::Success:
        return "{\"ok\":true}";
    case VoiceReplyForm::Error:
        return "{\"ok\":false,\"error\":\"" + json_escape(reply.error) + "\"}";
    case VoiceReplyForm::Status:
        return std::string("{\"ok\":true,\"recording\":") + boolean(reply.recording)
               + ",\"ready\":" + boolean(reply.ready) + "}";
    case VoiceReplyForm::Transcription:
        return "{\"ok\":true,\"raw\":\"" + json_escape(reply.raw) + "\",\"text\":\"" + json_escape(reply.text)
               + "\",\"audio_s\":" + number("%.2f", reply.audioSeconds)
               + ",\"stt_s\":" + number("%.2f", reply.sttSeconds) + ",\"conf\":" + number("%.3f", reply.conf)
               + level_member(reply) + "}";
    case VoiceReplyForm::Silence:
        return "{\"ok\":true,\"text\":\"\",\"raw\":\"\",\"silence\":true" + level_member(reply) + "}";
    }
    return {};
}

bool read_voice_reply(const char* line, VoiceReply& reply)
{
    reply = VoiceReply();
    const size_t length = std::strlen(line);
    if (length < 2 || std::strncmp(line, "{\"ok\":", 6) != 0 || line[length - 1] != '}')
        return false;
    std::string ok;
    member(line, "ok", ok);
    if (ok == "false") {
        reply.form = VoiceReplyForm::Error;
        member(line, "error", reply.error);
        return true;
    }
    if (ok != "true")
        return false;
    std::string value;
    reply.hasLevel = member(line, "rms", value);
    reply.level = reply.hasLevel ? std::strtod(value.c_str(), nullptr) : 0;
    if (member(line, "silence", value) && value == "true") {
        reply.form = VoiceReplyForm::Silence;
    } else if (member(line, "text", reply.text)) {
        reply.form = VoiceReplyForm::Transcription;
        member(line, "raw", reply.raw);
        reply.audioSeconds = number_member(line, "audio_s");
        reply.sttSeconds = number_member(line, "stt_s");
        reply.conf = number_member(line, "conf");
    } else if (member(line, "ready", value)) {
        reply.form = VoiceReplyForm::Status;
        reply.ready = value == "true";
        reply.recording = member(line, "recording", value) && value == "true";
    }
    return true;
}
