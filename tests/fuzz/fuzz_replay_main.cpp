// Runs a fuzz target over files, so the ordinary build replays the seeds and
// any crash input without libFuzzer.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    int inputs = 0;
    for (int i = 1; i < argc; ++i) {
        std::filesystem::path root = argv[i];
        std::vector<std::filesystem::path> files;
        if (std::filesystem::is_directory(root)) {
            for (const auto& entry : std::filesystem::directory_iterator(root))
                files.push_back(entry.path());
        } else {
            files.push_back(root);
        }
        for (const auto& file : files) {
            std::ifstream in(file, std::ios::binary);
            std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            LLVMFuzzerTestOneInput(data.data(), data.size());
            ++inputs;
        }
    }
    std::printf("%d inputs ran clean\n", inputs);
    return inputs > 0 ? 0 : 1;
}
