// Reads RIFF WAVE files (16-bit PCM or 32-bit float, any rate, any channel
// count) into the helper's sample form: 16,000 Hz mono floats.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace miradot {

// The longest input accepted, in output samples (two hours). A header that
// claims a tiny rate would otherwise ask for an unbounded resample.
constexpr size_t WAV_MAX_SAMPLES = size_t{16000} * 60 * 60 * 2;

bool parse_wav(const uint8_t* data, size_t size, std::vector<float>& samples, std::string& error);

bool read_wav(const std::filesystem::path& path, std::vector<float>& samples, std::string& error);

}  // namespace miradot
