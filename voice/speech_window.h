// Finds the stretch of a 16 kHz recording that holds speech, so that silence
// before and after it stays out of the decoder.
#pragma once

#include <cstddef>
#include <vector>

namespace miradot {

struct SampleRange {
    size_t start;
    size_t end;  // one past the last sample
};

SampleRange speech_window(const std::vector<float>& samples);

// Root mean square over all samples; 0 for none.
double recording_level(const std::vector<float>& samples);

}  // namespace miradot
