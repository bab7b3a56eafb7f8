// Checks of the model folder's files that the recogniser library cannot
// report: it ends the whole process on missing or foreign model metadata and
// on token lines it cannot parse, and throws out of decoding for a token id
// its table lacks. The helper asks these before handing the files over.
#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace miradot {

// The metadata entries of an ONNX model file (key to value); false when the
// file cannot be read or is no ONNX model.
bool onnx_metadata(const std::filesystem::path& path, std::map<std::string, std::string>& metadata);

// The token table's size when it holds lines of a symbol and an integer id
// (or an id alone, for the space symbol) with the ids 0 to n - 1 each once;
// 0 otherwise.
size_t token_table_size(const std::filesystem::path& path);

// An offline transducer of the kind the recogniser configuration describes:
// an encoder that names its type, a decoder that gives its vocabulary and
// context sizes, and a token table covering that vocabulary.
bool transducer_files_usable(const std::filesystem::path& encoder, const std::filesystem::path& decoder,
                             const std::filesystem::path& tokens);

}  // namespace miradot
