#include "wav_reader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "open_file.h"

namespace miradot {

namespace {

constexpr uint16_t FORMAT_PCM = 1;
constexpr uint16_t FORMAT_FLOAT = 3;
constexpr uint16_t FORMAT_EXTENSIBLE = 0xFFFE;
constexpr int OUTPUT_RATE = 16000;

// Files larger than this cannot hold an accepted recording and are not
// read into memory.
constexpr uint64_t MAX_FILE_BYTES = uint64_t{1} << 30;

uint16_t u16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t u32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }

struct Format {
    bool seen = false;
    uint16_t tag = 0;
    uint16_t channels = 0;
    int32_t rate = 0;
    uint16_t bits = 0;
};

void read_format(const uint8_t* data, size_t size, size_t body, Format& format)
{
    if (body + 16 > size)
        return;
    format.seen = true;
    format.tag = u16(data + body);
    format.channels = u16(data + body + 2);
    format.rate = static_cast<int32_t>(u32(data + body + 4));
    format.bits = u16(data + body + 14);
    if (format.tag == FORMAT_EXTENSIBLE && body + 26 <= size)
        format.tag = u16(data + body + 24);
}

float sample_at(const uint8_t* p, bool isFloat)
{
    if (isFloat) {
        float value;
        std::memcpy(&value, p, sizeof value);
        // NaN and infinity are no sound; left in, they would break the
        // ordering of levels that finds the speech.
        return std::isfinite(value) ? value : 0.0f;
    }
    return static_cast<float>(static_cast<int16_t>(u16(p)) / 32768.0);
}

std::vector<float> mix_to_mono(const uint8_t* data, size_t frames, const Format& format)
{
    const bool isFloat = format.tag == FORMAT_FLOAT;
    const size_t bytesPerSample = format.bits / 8;
    const size_t frameBytes = bytesPerSample * format.channels;
    std::vector<float> mono(frames);
    for (size_t i = 0; i < frames; ++i) {
        const uint8_t* frame = data + i * frameBytes;
        double sum = 0;
        for (size_t c = 0; c < format.channels; ++c)
            sum += sample_at(frame + c * bytesPerSample, isFloat);
        mono[i] = static_cast<float>(sum / format.channels);
    }
    return mono;
}

// Linear interpolation whose first and last output samples are the first and
// last input samples.
std::vector<float> resample(const std::vector<float>& in, size_t n)
{
    const size_t frames = in.size();
    std::vector<float> out(n);
    for (size_t i = 0; i < n; ++i) {
        double position = n == 1 ? 0.0 : static_cast<double>(i) * (frames - 1) / (n - 1);
        size_t k = static_cast<size_t>(position);
        if (k + 1 < frames) {
            double f = position - k;
            out[i] = static_cast<float>((1 - f) * in[k] + f * in[k + 1]);
        } else {
            out[i] = in[frames - 1];
        }
    }
    return out;
}

}  // namespace

bool parse_wav(const uint8_t* data, size_t size, std::vector<float>& samples, std::string& error)
{
    samples.clear();
    if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0) {
        error = "not a wav file";
        return false;
    }
    error = "unsupported wav";
    if (size < 20)
        return false;

    Format format;
    uint64_t header = 12;
    size_t dataStart = 0;
    size_t dataLength = 0;
    for (;;) {
        if (header + 8 > size)
            return false;
        const uint8_t* id = data + header;
        const uint32_t chunkSize = u32(data + header + 4);
        const size_t body = static_cast<size_t>(header + 8);
        if (std::memcmp(id, "fmt ", 4) == 0) {
            read_format(data, size, body, format);
        } else if (std::memcmp(id, "data", 4) == 0) {
            if (!format.seen)
                return false;
            dataStart = body;
            dataLength = std::min<uint64_t>(chunkSize, size - body);
            break;
        }
        header = body + uint64_t{chunkSize} + (chunkSize & 1);
    }

    const bool pcm16 = format.tag == FORMAT_PCM && format.bits == 16;
    const bool float32 = format.tag == FORMAT_FLOAT && format.bits == 32;
    if (format.channels < 1 || format.rate <= 0 || !(pcm16 || float32))
        return false;

    const size_t frames = dataLength / (size_t{format.channels} * (format.bits / 8));
    const double outputCount = static_cast<double>(frames) * OUTPUT_RATE / format.rate;
    if (outputCount > WAV_MAX_SAMPLES)
        return false;

    std::vector<float> mono = mix_to_mono(data + dataStart, frames, format);
    if (format.rate == OUTPUT_RATE) {
        samples = std::move(mono);
    } else {
        size_t n = static_cast<size_t>(outputCount);
        if (frames > 0 && n > 0)
            samples = resample(mono, n);
    }
    error.clear();
    return true;
}

bool read_wav(const std::filesystem::path& path, std::vector<float>& samples, std::string& error)
{
    samples.clear();
    std::vector<uint8_t> bytes;
    switch (read_whole_file(path, bytes, MAX_FILE_BYTES)) {
    case ReadResult::Unreadable:
        error = "no such file";
        return false;
    case ReadResult::TooLarge:
        error = "unsupported wav";
        return false;
    case ReadResult::Read:
        break;
    }
    return parse_wav(bytes.data(), bytes.size(), samples, error);
}

}  // namespace miradot
