// Reads arbitrary bytes as a model file's metadata and as a token table,
// the checks the voice helper makes before the recogniser library sees them.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

#include "fuzz_checks.h"
#include "model_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/miradot-fuzz-model-" + std::to_string(getpid());
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    std::map<std::string, std::string> metadata;
    onnx_metadata(path, metadata);
    require(metadata.size() <= size);  // each entry takes bytes of its own
    size_t tokens = token_table_size(path);
    require(tokens <= size);  // each id needs at least a digit and a line
    std::remove(path.c_str());
    return 0;
}
