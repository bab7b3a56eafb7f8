#include "speech_window.h"

#include <algorithm>
#include <cmath>

namespace miradot {

namespace {

constexpr size_t FRAME = 320;
constexpr size_t SHORTEST_TRIMMED = 3 * FRAME;
constexpr size_t LEAD_IN = 4000;
constexpr size_t TAIL = 4800;
constexpr size_t FRAMES_STARTING_AT_ZERO = 13;

double percentile95(std::vector<double> levels)
{
    std::sort(levels.begin(), levels.end());
    const double position = (levels.size() - 1) * 0.95;
    const size_t i = static_cast<size_t>(position);
    if (i + 1 < levels.size())
        return levels[i] + (position - i) * (levels[i + 1] - levels[i]);
    return levels[i];
}

}  // namespace

SampleRange speech_window(const std::vector<float>& samples)
{
    const size_t n = samples.size();
    if (n < SHORTEST_TRIMMED)
        return {0, n};

    const size_t frames = n / FRAME;
    std::vector<double> levels(frames);
    for (size_t f = 0; f < frames; ++f) {
        double sum = 0;
        for (size_t i = f * FRAME; i < (f + 1) * FRAME; ++i)
            sum += static_cast<double>(samples[i]) * samples[i];
        levels[f] = std::sqrt(sum / FRAME);
    }
    const double threshold = std::max(0.05 * percentile95(levels), 0.003);

    size_t first = frames;
    size_t last = 0;
    for (size_t f = 0; f < frames; ++f) {
        if (levels[f] > threshold) {
            first = std::min(first, f);
            last = f;
        }
    }
    if (first == frames)
        return {0, n};
    const size_t start = first < FRAMES_STARTING_AT_ZERO ? 0 : first * FRAME - LEAD_IN;
    const size_t end = std::min((last + 1) * FRAME + TAIL, n);
    return {start, end};
}

double recording_level(const std::vector<float>& samples)
{
    if (samples.empty())
        return 0;
    double sum = 0;
    for (float s : samples)
        sum += static_cast<double>(s) * s;
    return std::sqrt(sum / samples.size());
}

}  // namespace miradot
