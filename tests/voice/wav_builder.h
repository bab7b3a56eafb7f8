// Builds RIFF WAVE files in memory for the reader's tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

class WavBuilder {
public:
    WavBuilder() { append("RIFF"), put32(0), append("WAVE"); }

    WavBuilder& format(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits)
    {
        chunk("fmt ", 16);
        put16(tag), put16(channels), put32(rate), put32(rate * channels * bits / 8), put16(channels * bits / 8);
        put16(bits);
        return *this;
    }

    // WAVE_FORMAT_EXTENSIBLE with the given sub-format tag.
    WavBuilder& extensible(uint16_t subTag, uint16_t channels, uint32_t rate, uint16_t bits)
    {
        chunk("fmt ", 40);
        put16(0xFFFE), put16(channels), put32(rate), put32(rate * channels * bits / 8), put16(channels * bits / 8);
        put16(bits), put16(22), put16(bits), put32(0);
        put16(subTag);
        for (int i = 0; i < 14; ++i)
            bytes.push_back(0);
        return *this;
    }

    WavBuilder& chunk(const char* id, uint32_t size)
    {
        append(id);
        put32(size);
        return *this;
    }

    WavBuilder& pcm16(const std::vector<int16_t>& samples)
    {
        chunk("data", static_cast<uint32_t>(samples.size() * 2));
        for (int16_t s : samples)
            put16(static_cast<uint16_t>(s));
        return *this;
    }

    WavBuilder& float32(const std::vector<float>& samples)
    {
        chunk("data", static_cast<uint32_t>(samples.size() * 4));
        for (float s : samples) {
            uint32_t bits;
            std::memcpy(&bits, &s, 4);
            put32(bits);
        }
        return *this;
    }

    WavBuilder& raw(const std::string& text)
    {
        append(text.c_str());
        return *this;
    }

    void put16(uint16_t v) { bytes.push_back(v & 0xFF), bytes.push_back(v >> 8); }
    void put32(uint32_t v) { put16(v & 0xFFFF), put16(v >> 16); }
    void append(const char* text) { bytes.insert(bytes.end(), text, text + std::strlen(text)); }

    std::vector<uint8_t> bytes;
};
