#include "transcribe.h"

#include <chrono>

#include "speech_window.h"
#include "transcript_text.h"
#include "typing_options.h"

namespace miradot {

namespace {

constexpr double CONFIDENCE_THRESHOLD = -1.5;
constexpr int CLEAN_BUFFER_SIZE = 32768;

struct Recognition {
    std::string words;
    double conf = 0;
};

Recognition recognize(VoiceHelperState& state, const float* samples, size_t count)
{
    // A stream without samples has no frames to decode; some models fail on it.
    if (count == 0)
        return {};
    const SherpaFunctions& f = state.sherpa;
    const SherpaOnnxOfflineStream* stream = f.createStream(state.recognizer);
    f.acceptWaveform(stream, 16000, samples, static_cast<int32_t>(count));
    f.decodeStream(state.recognizer, stream);
    const SherpaOnnxOfflineRecognizerResult* result = f.getResult(stream);

    Recognition out;
    if (result) {
        if (result->ys_log_probs && result->count >= 1) {
            double sum = 0;
            for (int32_t i = 0; i < result->count; ++i)
                sum += result->ys_log_probs[i];
            out.conf = sum / result->count;
        }
        if (result->text)
            out.words = result->text;
        f.destroyResult(result);
    }
    f.destroyStream(stream);
    return out;
}

// Cleaned with the tone placement and spelling repair the user types with,
// read again for each transcript as the text service reads them.
std::string clean_text(const VoiceHelperState& state, const std::string& raw)
{
    if (raw.empty())
        return {};
    engine_set_options(state.engine, transcript_options(read_typing_options()));
    std::string buffer(CLEAN_BUFFER_SIZE, '\0');
    engine_clean_text(state.engine, raw.c_str(), buffer.data(), CLEAN_BUFFER_SIZE);
    buffer.resize(buffer.find('\0'));
    return buffer;
}

}  // namespace

VoiceReply transcribe(VoiceHelperState& state, const std::vector<float>& samples)
{
    const auto started = std::chrono::steady_clock::now();
    const SampleRange window = speech_window(samples);
    Recognition recognition = recognize(state, samples.data() + window.start, window.end - window.start);

    const std::string joined
        = recognition.conf >= CONFIDENCE_THRESHOLD ? drop_special_tokens(recognition.words) : std::string();
    VoiceReply reply;
    reply.form = VoiceReplyForm::Transcription;
    reply.raw = sentence_case(joined);
    reply.text = clean_text(state, reply.raw);
    reply.audioSeconds = samples.size() / 16000.0;
    reply.sttSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    reply.conf = recognition.conf;
    return reply;
}

}  // namespace miradot
