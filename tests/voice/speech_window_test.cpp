#include <gtest/gtest.h>

#include <cmath>

#include "speech_window.h"

using namespace miradot;

namespace {

// Silence, then a tone of the given level, then silence (in samples).
std::vector<float> recording(size_t before, size_t speech, size_t after, float level = 0.3f)
{
    std::vector<float> samples(before + speech + after, 0.0f);
    for (size_t i = 0; i < speech; ++i)
        samples[before + i] = (i % 2 ? level : -level);
    return samples;
}

struct WindowCase {
    const char* name;
    std::vector<float> samples;
    size_t start;
    size_t end;
};

TEST(SpeechWindow, KeepsSpeechWithLeadInAndTail)
{
    const WindowCase cases[] = {
        {"under 960 samples is decoded whole", recording(0, 500, 0), 0, 500},
        // 5 s silence, 2 s speech, 3 s silence: frame 250 starts the speech.
        {"silence around speech", recording(80000, 32000, 48000), 80000 - 4000, 112000 + 4800},
        {"speech within the first 13 frames", recording(12 * 320, 16000, 16000), 0, 12 * 320 + 16000 + 4800},
        {"speech at frame 13 gets the lead-in", recording(13 * 320, 16000, 16000), 13 * 320 - 4000,
         13 * 320 + 16000 + 4800},
        {"tail cut at the end", recording(32000, 16000, 1000), 28000, 49000},
        {"all frames below 0.003", recording(0, 32000, 0, 0.002f), 0, 32000},
        {"silence only", recording(16000, 0, 0), 0, 16000},
    };
    for (const WindowCase& c : cases) {
        SampleRange range = speech_window(c.samples);
        EXPECT_EQ(range.start, c.start) << c.name;
        EXPECT_EQ(range.end, c.end) << c.name;
    }
}

TEST(SpeechWindow, ThresholdFollowsTheLoudestFrames)
{
    // A quiet murmur (0.01) before loud speech (0.5) lies under 5 % of the
    // reference and is cut; the same murmur before quiet speech is kept.
    std::vector<float> loud = recording(0, 32000, 0, 0.01f);
    std::vector<float> speech = recording(0, 16000, 0, 0.5f);
    loud.insert(loud.end(), speech.begin(), speech.end());
    EXPECT_EQ(speech_window(loud).start, 32000u - 4000u);

    std::vector<float> quiet = recording(0, 32000, 0, 0.01f);
    std::vector<float> soft = recording(0, 16000, 0, 0.1f);
    quiet.insert(quiet.end(), soft.begin(), soft.end());
    EXPECT_EQ(speech_window(quiet).start, 0u);
}

TEST(RecordingLevel, IsTheRootMeanSquare)
{
    EXPECT_EQ(recording_level({}), 0.0);
    EXPECT_NEAR(recording_level(recording(0, 1000, 1000, 0.5f)), 0.5 / std::sqrt(2.0), 1e-6);
}

}  // namespace
