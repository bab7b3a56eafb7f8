// miradot-convert: converts Vietnamese text between Unicode and the older
// encodings, from a file or standard input to standard output.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

#include "charset.h"

using namespace miradot;

namespace {

constexpr const char* USAGE = "usage: miradot-convert --from ENCODING --to ENCODING [FILE]\n"
                              "Converts FILE (default: standard input) and writes it to standard output.\n"
                              "  encodings: unicode nfd tcvn3 vni-windows viscii viqr ncr ncr-hex nomarks\n"
                              "  --from auto  guesses the encoding and names its guess on standard error\n"
                              "TCVN3, VNI and VISCII are read as bytes, or as their Windows-1252 reading when\n"
                              "the input is UTF-8, and written as bytes.\n";

int usage_error(const std::string& message)
{
    std::fprintf(stderr, "miradot-convert: %s\n%s", message.c_str(), USAGE);
    return 2;
}

struct Arguments {
    bool guess = false;
    Charset from = CHARSET_UNICODE;
    Charset to = CHARSET_UNICODE;
    std::string file;
};

// 0 to go on, -1 after --help, otherwise the exit status.
int parse_arguments(int argc, char** argv, Arguments* args)
{
    bool have_from = false, have_to = false, have_file = false;
    for (int i = 1; i < argc; ++i) {
        std::string flag = argv[i];
        if (flag == "--help" || flag == "-h") {
            std::fputs(USAGE, stdout);
            return -1;
        }
        if (flag == "--from" || flag == "--to") {
            if (i + 1 >= argc)
                return usage_error(flag + " needs an encoding");
            std::string name = argv[++i];
            bool from = flag == "--from";
            if (from && name == "auto") {
                args->guess = true;
            } else if (!charset_from_name(name, from ? &args->from : &args->to)) {
                return usage_error("unknown encoding '" + name + "'");
            }
            (from ? have_from : have_to) = true;
        } else if (!flag.empty() && flag[0] == '-' && flag != "-") {
            return usage_error("unknown argument '" + flag + "'");
        } else if (have_file) {
            return usage_error("one file at most");
        } else {
            args->file = flag;
            have_file = true;
        }
    }
    if (!have_from || !have_to)
        return usage_error(!have_from ? "--from is missing" : "--to is missing");
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    Arguments args;
    int status = parse_arguments(argc, argv, &args);
    if (status != 0)
        return status < 0 ? 0 : status;
    std::string input;
    if (args.file.empty() || args.file == "-") {
        std::ostringstream buffer;
        buffer << std::cin.rdbuf();
        input = buffer.str();
    } else {
        std::ifstream in(args.file, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "miradot-convert: cannot read '%s'\n", args.file.c_str());
            return 1;
        }
        input.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    LegacyForm form = legacy_form_of(input);
    if (args.guess) {
        CharsetGuess guess = guess_charset(input, form);
        args.from = guess.charset;
        std::fprintf(stderr, "miradot-convert: read as %s\n", charset_name(args.from));
    }
    size_t unwritable = 0;
    std::string output = charset_encode(args.to, charset_decode(args.from, input, form), LEGACY_BYTES, &unwritable);
    std::fwrite(output.data(), 1, output.size(), stdout);
    if (unwritable) {
        std::fprintf(stderr, "miradot-convert: %zu characters have no place in %s and were written as '?'\n",
                     unwritable, charset_name(args.to));
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
