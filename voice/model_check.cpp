#include "model_check.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <vector>

#include "open_file.h"

namespace miradot {

namespace {

constexpr uint32_t ONNX_METADATA_FIELD = 14;  // ModelProto.metadata_props
constexpr uint64_t LONGEST_METADATA_ENTRY = 1 << 20;

bool parse_int(const std::string& text, long& value)
{
    if (text.empty())
        return false;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data() + (text[0] == '+'), end, value);
    return error == std::errc() && stop == end;
}

bool seek_forward(FILE* file, uint64_t bytes)
{
#ifdef _WIN32
    return _fseeki64(file, static_cast<int64_t>(bytes), SEEK_CUR) == 0;
#else
    return fseeko(file, static_cast<off_t>(bytes), SEEK_CUR) == 0;
#endif
}

bool read_varint(FILE* file, uint64_t& value)
{
    value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        int c = std::fgetc(file);
        if (c == EOF)
            return false;
        value |= static_cast<uint64_t>(c & 0x7F) << shift;
        if (!(c & 0x80))
            return true;
    }
    return false;
}

bool read_varint(const std::string& bytes, size_t& at, uint64_t& value)
{
    value = 0;
    for (int shift = 0; shift < 64 && at < bytes.size(); shift += 7) {
        unsigned char c = bytes[at++];
        value |= static_cast<uint64_t>(c & 0x7F) << shift;
        if (!(c & 0x80))
            return true;
    }
    return false;
}

// One StringStringEntryProto: key (field 1) and value (field 2), strings.
bool parse_entry(const std::string& bytes, std::string& key, std::string& value)
{
    size_t at = 0;
    while (at < bytes.size()) {
        uint64_t tag = 0, length = 0;
        if (!read_varint(bytes, at, tag) || (tag & 7) != 2 || !read_varint(bytes, at, length)
            || length > bytes.size() - at)
            return false;
        std::string text = bytes.substr(at, length);
        at += length;
        if (tag >> 3 == 1)
            key = text;
        if (tag >> 3 == 2)
            value = text;
    }
    return true;
}

// Walks the model's top-level fields, skipping everything but the metadata
// (the graph with its weights can be hundreds of megabytes).
bool scan_model(FILE* file, std::map<std::string, std::string>& metadata)
{
    uint64_t tag = 0;
    while (read_varint(file, tag)) {
        uint64_t value = 0;
        switch (tag & 7) {
        case 0:
            if (!read_varint(file, value))
                return false;
            break;
        case 1:
            if (!seek_forward(file, 8))
                return false;
            break;
        case 5:
            if (!seek_forward(file, 4))
                return false;
            break;
        case 2: {
            if (!read_varint(file, value))
                return false;
            if (tag >> 3 != ONNX_METADATA_FIELD) {
                if (!seek_forward(file, value))
                    return false;
                break;
            }
            if (value > LONGEST_METADATA_ENTRY)
                return false;
            std::string bytes(value, '\0');
            std::string key, text;
            if (std::fread(bytes.data(), 1, value, file) != value || !parse_entry(bytes, key, text))
                return false;
            metadata[key] = text;
            break;
        }
        default:
            return false;
        }
    }
    return std::feof(file) != 0;
}

}  // namespace

bool onnx_metadata(const std::filesystem::path& path, std::map<std::string, std::string>& metadata)
{
    metadata.clear();
    FILE* file = open_for_reading(path);
    if (!file)
        return false;
    bool ok = scan_model(file, metadata);
    std::fclose(file);
    return ok;
}

size_t token_table_size(const std::filesystem::path& path)
{
    std::vector<uint8_t> bytes;
    if (read_whole_file(path, bytes) != ReadResult::Read)
        return 0;
    std::istringstream lines(std::string(bytes.begin(), bytes.end()));
    std::vector<bool> seen;
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::vector<std::string> parts;
        for (std::string part; fields >> part && parts.size() < 3;)
            parts.push_back(part);
        if (parts.empty())
            continue;
        long id = 0;
        if (parts.size() > 2 || !parse_int(parts.back(), id) || id < 0 || id > 1000000)
            return 0;
        if (static_cast<size_t>(id) >= seen.size())
            seen.resize(id + 1, false);
        if (seen[id])
            return 0;
        seen[id] = true;
    }
    for (bool present : seen) {
        if (!present)
            return 0;
    }
    return seen.size();
}

bool transducer_files_usable(const std::filesystem::path& encoder, const std::filesystem::path& decoder,
                             const std::filesystem::path& tokens)
{
    std::map<std::string, std::string> metadata;
    if (!onnx_metadata(encoder, metadata))
        return false;
    const std::string type = metadata["model_type"];
    if (type != "zipformer" && type != "zipformer2" && type != "conformer")
        return false;

    long vocabulary = 0, context = 0;
    if (!onnx_metadata(decoder, metadata) || !parse_int(metadata["vocab_size"], vocabulary)
        || !parse_int(metadata["context_size"], context) || vocabulary < 1 || context < 1)
        return false;
    return token_table_size(tokens) >= static_cast<size_t>(vocabulary);
}

}  // namespace miradot
