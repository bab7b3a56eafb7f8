// The voice helper's reply line, as one record: the helper writes it, the
// text service's voice client reads it.
#pragma once

#include <cstddef>
#include <string>

enum class VoiceReplyForm {
    Success,        // {"ok":true}
    Error,          // {"ok":false,"error":"…"}
    Status,         // the answer to "ping"
    Transcription,  // "raw", "text" and timings, with "rms" after "stop"
    Silence,        // an empty "text" with "silence":true and "rms"
};

struct VoiceReply {
    VoiceReplyForm form = VoiceReplyForm::Success;
    std::string error;
    bool recording = false;
    bool ready = false;
    std::string raw;
    std::string text;
    double audioSeconds = 0;
    double sttSeconds = 0;
    double conf = 0;
    bool hasLevel = false;  // always true for Silence
    double level = 0;

    bool ok() const { return form != VoiceReplyForm::Error; }
};

VoiceReply voice_error(const std::string& message);

// One line without its line feed; members in the order the protocol fixes.
std::string write_voice_reply(const VoiceReply& reply);

// False for a line that is not a reply object ("ok" first, closing brace
// last, "ok" true or false); the form follows from the members present.
bool read_voice_reply(const char* line, VoiceReply& reply);
