// miradot-lexicon-image <data folder> <output folder>: copies the lexicon
// files of the data folder into the output folder, keeping their times, and
// writes there the image "lexicon.img" made from them, so that the engine
// maps the image instead of parsing the files.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "lexicon_image.h"

namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: miradot-lexicon-image <data folder> <output folder>\n");
        return 2;
    }
    fs::path from = fs::u8path(argv[1]);
    fs::path to = fs::u8path(argv[2]);
    std::error_code error;
    fs::create_directories(to, error);
    for (const miradot::LexFile& file : miradot::LEX_FILES) {
        fs::path source = from / file.name;
        fs::path copy = to / file.name;
        if (!fs::exists(source)) {
            fs::remove(copy, error);
            continue;
        }
        fs::copy_file(source, copy, fs::copy_options::overwrite_existing, error);
        if (!error)
            fs::last_write_time(copy, fs::last_write_time(source), error);
        if (error) {
            std::fprintf(stderr, "miradot-lexicon-image: %s: %s\n", copy.string().c_str(), error.message().c_str());
            return 1;
        }
    }
    std::string image = std::string(argv[2]) + "/" + miradot::LEX_IMAGE_NAME;
    if (!miradot::lex_image_write(argv[2], image.c_str())) {
        std::fprintf(stderr, "miradot-lexicon-image: cannot write %s\n", image.c_str());
        return 1;
    }
    return 0;
}
