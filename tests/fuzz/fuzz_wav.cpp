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

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
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
