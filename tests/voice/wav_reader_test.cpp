#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>

#include "test_folder.h"
#include "wav_builder.h"
#include "wav_reader.h"

using namespace miradot;

namespace {

struct Parsed {
    bool ok;
    std::vector<float> samples;
    std::string error;
};

Parsed parse(const std::vector<uint8_t>& bytes)
{
    Parsed p;
    p.ok = parse_wav(bytes.data(), bytes.size(), p.samples, p.error);
    return p;
}

std::vector<uint8_t> truncated(std::vector<uint8_t> bytes, size_t size)
{
    bytes.resize(size);
    return bytes;
}

std::vector<int16_t> ramp(size_t n)
{
    std::vector<int16_t> samples(n);
    for (size_t i = 0; i < n; ++i)
        samples[i] = static_cast<int16_t>(i % 2000);
    return samples;
}

TEST(WavReader, ConvertsToSixteenKilohertzMono)
{
    // 44.1 kHz stereo: every output sample is the mean of both channels
    // (constant channels, so interpolation keeps the mean).
    std::vector<int16_t> stereo;
    for (int i = 0; i < 44100; ++i)
        stereo.push_back(16384), stereo.push_back(-8192);
    Parsed p = parse(WavBuilder().format(1, 2, 44100, 16).pcm16(stereo).bytes);
    ASSERT_TRUE(p.ok) << p.error;
    ASSERT_EQ(p.samples.size(), 16000u);
    for (float s : p.samples)
        ASSERT_FLOAT_EQ(s, 0.125f);

    // 8 kHz float: every second output sample is close to a midpoint, and
    // the ends of the input map to the ends of the output.
    std::vector<float> input(8000);
    for (int i = 0; i < 8000; ++i)
        input[i] = (i % 2) ? 0.5f : -0.5f;
    p = parse(WavBuilder().format(3, 1, 8000, 32).float32(input).bytes);
    ASSERT_TRUE(p.ok) << p.error;
    ASSERT_EQ(p.samples.size(), 16000u);
    EXPECT_FLOAT_EQ(p.samples.front(), -0.5f);
    EXPECT_FLOAT_EQ(p.samples.back(), 0.5f);
    EXPECT_NEAR(p.samples[1], 0.0f, 0.001f);

    // 16 kHz mono 16-bit: samples scale by 2^-15 and are kept as they are.
    p = parse(WavBuilder().format(1, 1, 16000, 16).pcm16({-32768, 0, 16384, 32767}).bytes);
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.samples, (std::vector<float>{-1.0f, 0.0f, 0.5f, 32767 / 32768.0f}));

    // Floats that are no sound become silence; large ones pass as stored.
    const float inf = std::numeric_limits<float>::infinity();
    p = parse(WavBuilder().format(3, 1, 16000, 32).float32({std::nanf(""), inf, -inf, 3.0f}).bytes);
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.samples, (std::vector<float>{0.0f, 0.0f, 0.0f, 3.0f}));
}

TEST(WavReader, WalksChunksAndPadding)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        size_t samples;
    };
    WavBuilder padded;
    padded.format(1, 1, 16000, 16).chunk("odd ", 3).raw("abc");
    padded.bytes.push_back(0);  // the pad byte
    padded.pcm16(ramp(10));
    WavBuilder oversized;
    oversized.format(1, 1, 16000, 16).chunk("data", 0xFFFFFFF0u);
    for (int16_t s : ramp(7))
        oversized.put16(static_cast<uint16_t>(s));
    oversized.bytes.push_back(1);  // half a frame is ignored
    const Case cases[] = {
        {"LIST between fmt and data",
         WavBuilder().format(1, 1, 16000, 16).chunk("LIST", 4).raw("INFO").pcm16(ramp(20)).bytes, 20},
        {"odd chunk with pad byte", padded.bytes, 10},
        {"data size beyond the file", oversized.bytes, 7},
        {"extensible PCM", WavBuilder().extensible(1, 1, 16000, 16).pcm16(ramp(5)).bytes, 5},
        {"header without frames", WavBuilder().format(1, 1, 16000, 16).pcm16({}).bytes, 0},
        {"one frame at another rate", WavBuilder().format(1, 1, 8000, 16).pcm16({100}).bytes, 2},
    };
    for (const Case& c : cases) {
        Parsed p = parse(c.bytes);
        EXPECT_TRUE(p.ok) << c.name << ": " << p.error;
        EXPECT_EQ(p.samples.size(), c.samples) << c.name;
    }
}

TEST(WavReader, RejectsWhatItCannotRead)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* error;
    };
    const std::vector<uint8_t> good = WavBuilder().format(1, 1, 16000, 16).pcm16(ramp(100)).bytes;
    WavBuilder hugeChunk;
    hugeChunk.format(1, 1, 16000, 16).chunk("junk", 0xFFFFFFFFu).raw("xx");
    WavBuilder tinyRate;
    tinyRate.format(1, 1, 1, 16).pcm16(ramp(100000));
    const Case cases[] = {
        {"text file", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '\n'}, "not a wav file"},
        {"shorter than 12 bytes", truncated(good, 11), "not a wav file"},
        {"empty", {}, "not a wav file"},
        {"shorter than 20 bytes", truncated(good, 19), "unsupported wav"},
        {"truncated format chunk", truncated(good, 30), "unsupported wav"},
        {"no data chunk", truncated(good, 36), "unsupported wav"},
        {"chunk size past the end", hugeChunk.bytes, "unsupported wav"},
        {"data before fmt", WavBuilder().pcm16(ramp(4)).format(1, 1, 16000, 16).bytes, "unsupported wav"},
        {"24-bit extensible", WavBuilder().extensible(1, 1, 16000, 24).pcm16(ramp(6)).bytes, "unsupported wav"},
        {"8-bit PCM", WavBuilder().format(1, 1, 16000, 8).pcm16(ramp(4)).bytes, "unsupported wav"},
        {"64-bit float", WavBuilder().format(3, 1, 16000, 64).pcm16(ramp(8)).bytes, "unsupported wav"},
        {"A-law", WavBuilder().format(6, 1, 16000, 16).pcm16(ramp(4)).bytes, "unsupported wav"},
        {"zero channels", WavBuilder().format(1, 0, 16000, 16).pcm16(ramp(4)).bytes, "unsupported wav"},
        {"rate above 2^31", WavBuilder().format(1, 1, 0x80000000u, 16).pcm16(ramp(4)).bytes, "unsupported wav"},
        {"zero rate", WavBuilder().format(1, 1, 0, 16).pcm16(ramp(4)).bytes, "unsupported wav"},
        {"1 Hz rate asking for days of output", tinyRate.bytes, "unsupported wav"},
    };
    for (const Case& c : cases) {
        Parsed p = parse(c.bytes);
        EXPECT_FALSE(p.ok) << c.name;
        EXPECT_EQ(p.error, c.error) << c.name;
        EXPECT_TRUE(p.samples.empty()) << c.name;
    }
}

TEST(WavReader, ReadsFilesByPath)
{
    TestFolder folder;
    const std::vector<uint8_t> good = WavBuilder().format(1, 2, 16000, 16).pcm16(ramp(200)).bytes;
    folder.write("good.wav", std::string(good.begin(), good.end()));
    folder.write("notes.wav", "just some text, not audio\n");

    std::vector<float> samples;
    std::string error;
    EXPECT_TRUE(read_wav(folder.path() / "good.wav", samples, error)) << error;
    EXPECT_EQ(samples.size(), 100u);
    EXPECT_FALSE(read_wav(folder.path() / "notes.wav", samples, error));
    EXPECT_EQ(error, "not a wav file");
    EXPECT_FALSE(read_wav(folder.path() / "missing.wav", samples, error));
    EXPECT_EQ(error, "no such file");
}

}  // namespace
