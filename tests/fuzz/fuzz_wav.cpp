// Parses arbitrary bytes as a WAV file: every input ends in samples or in
// one of the reader's two messages, within the sample limit; the samples
// then go through the speech window and level as a recording would.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_checks.h"
#include "speech_window.h"
#include "wav_reader.h"

using namespace miradot;

namespace {

// The rate field of a format chunk in its usual place, right after the RIFF
// header.
uint32_t usual_rate(const uint8_t* data, size_t size)
{
    if (size < 28)
        return 0;
    return data[24] | data[25] << 8 | data[26] << 16 | uint32_t{data[27]} << 24;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A rate of a few hertz stretches a few bytes into millions of samples,
    // and the run then repeats the same interpolation loop at a few hundred
    // inputs a second; the unit tests cover such rates.
    const uint32_t rate = usual_rate(data, size);
    if (rate > 0 && rate < 1000)
        return 0;
    std::vector<float> samples;
    std::string error;
    // An exact-size copy, so a read past the end is caught.
    std::vector<uint8_t> bytes(data, data + size);
    bool ok = parse_wav(bytes.data(), bytes.size(), samples, error);
    if (ok) {
        require(error.empty());
        require(samples.size() <= WAV_MAX_SAMPLES);
        for (float s : samples)
            require(std::isfinite(s));
        const SampleRange window = speech_window(samples);
        require(window.start <= window.end && window.end <= samples.size());
        require(recording_level(samples) >= 0);
    } else {
        require(samples.empty());
        require(error == "not a wav file" || error == "unsupported wav");
    }
    return 0;
}
