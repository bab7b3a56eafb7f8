// Reads members out of arbitrary text with json_field at every capacity, and
// checks that json_escape round-trips through it.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz_checks.h"
#include "json.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    // First byte: the capacity; the text up to the first NUL after it names
    // the member (at most 20 bytes); the rest is the JSON text.
    const size_t capacity = data[0] % 40 + 1;
    const std::string input(reinterpret_cast<const char*>(data + 1), size - 1);
    const size_t split = std::min<size_t>(input.find('\0') == std::string::npos ? 0 : input.find('\0'), 20);
    const std::string name = input.substr(0, split);
    const std::string json = input.substr(split);

    // Exact-size buffers, so any write past the capacity is caught.
    std::unique_ptr<char[]> out(new char[capacity]);
    bool found = json_field(json.c_str(), name.c_str(), out.get(), capacity);
    require_terminated(out.get(), capacity);
    if (!found)
        require(out[0] == '\0');

    // Escaping makes one line whose member reads back as the original text
    // (up to its first NUL, where C strings end).
    const std::string text = input.substr(0, input.find('\0'));
    const std::string escaped = json_escape(text);
    for (unsigned char c : escaped)
        require(c >= 0x20);
    const std::string line = "{\"k\":\"" + escaped + "\"}";
    const size_t room = text.size() + 8;
    std::unique_ptr<char[]> back(new char[room]);
    require(json_field(line.c_str(), "k", back.get(), room));
    require(text == back.get());
    return 0;
}
