// Reads arbitrary bytes as a model file's metadata and as a token table,
// the checks the voice helper makes before the recogniser library sees them.
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

#include "fuzz_checks.h"
#include "fuzz_file.h"
#include "model_check.h"

using namespace miradot;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = fuzz_file_path("model");
    if (!write_fuzz_file(path, data, size))
        return 0;
    std::map<std::string, std::string> metadata;
    onnx_metadata(path, metadata);
    require(metadata.size() <= size);  // each entry takes bytes of its own
    size_t tokens = token_table_size(path);
    require(tokens <= size);  // each id needs at least a digit and a line
    std::remove(path.c_str());
    return 0;
}
