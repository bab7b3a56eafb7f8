// miradot-type: types each line of standard input through the engine and
// prints what it commits.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "engine.h"

namespace {

constexpr const char* USAGE = "usage: miradot-type [--vni] [--options HEX] [--data DIR]\n"
                              "Reads lines of keys from standard input and prints the text committed for each.\n"
                              "  --vni          use the VNI convention (default Telex)\n"
                              "  --options HEX  option word, e.g. 0xD3 (the default)\n"
                              "  --data DIR     lexicon folder (default: the shipped data folder)\n";

struct Arguments {
    uint32_t method = TELEX;
    uint32_t options = DEFAULT_OPTIONS;
    std::string dataDir = MIRADOT_DATA_DIR;
};

int usage_error(const std::string& message)
{
    std::fprintf(stderr, "miradot-type: %s\n%s", message.c_str(), USAGE);
    return 2;
}

bool parse_hex(const char* text, uint32_t* value)
{
    char* end = nullptr;
    errno = 0;
    unsigned long parsed = std::strtoul(text, &end, 16);
    if (!*text || *end || errno || parsed > 0xFFFFFFFFul)
        return false;
    *value = static_cast<uint32_t>(parsed);
    return true;
}

// 0 to go on, otherwise the exit status.
int parse_arguments(int argc, char** argv, Arguments* args)
{
    for (int i = 1; i < argc; ++i) {
        std::string flag = argv[i];
        bool hasValue = i + 1 < argc;
        if (flag == "--help" || flag == "-h") {
            std::fputs(USAGE, stdout);
            return -1;
        } else if (flag == "--vni") {
            args->method = VNI;
        } else if (flag == "--options") {
            if (!hasValue)
                return usage_error("--options needs a value");
            if (!parse_hex(argv[++i], &args->options))
                return usage_error("--options takes a hexadecimal number, not '" + std::string(argv[i]) + "'");
        } else if (flag == "--data") {
            if (!hasValue)
                return usage_error("--data needs a folder");
            args->dataDir = argv[++i];
        } else {
            return usage_error("unknown argument '" + flag + "'");
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    Arguments args;
    int status = parse_arguments(argc, argv, &args);
    if (status != 0)
        return status < 0 ? 0 : status;
    if (engine_load_data(args.dataDir.c_str()) < 0) {
        std::fprintf(stderr, "miradot-type: no lexicon files in '%s'; typing without dictionaries\n",
                     args.dataDir.c_str());
    }
    EngineContext* ctx = engine_create();
    if (!ctx) {
        std::fputs("miradot-type: out of memory\n", stderr);
        return 1;
    }
    engine_set_method(ctx, args.method);
    engine_set_options(ctx, args.options);
    std::string line;
    std::vector<char> committed;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        committed.resize(line.size() * 4 + 1024);
        engine_feed_text(ctx, line.c_str(), committed.data(), static_cast<int>(committed.size()));
        std::printf("%s\n", committed.data());
    }
    engine_destroy(ctx);
    return 0;
}
