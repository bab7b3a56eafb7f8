// Converter throughput on a large Vietnamese text: the held-out prose of the
// quality tool repeated to 64 MB, written from Unicode into each encoding and
// read back, in MB of input per second of the thread's processor time (best
// of three), so that other work on a shared machine does not count.
//
//   convert_bench [TEXT_FILE] [MB]
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "charset.h"

using namespace miradot;

namespace {

template <class Work> double best_seconds(Work work)
{
    double best = 1e9;
    for (int round = 0; round < 3; ++round) {
        timespec start, end;
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
        work();
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
        double seconds = double(end.tv_sec - start.tv_sec) + (end.tv_nsec - start.tv_nsec) / 1e9;
        best = seconds < best ? seconds : best;
    }
    return best;
}

}  // namespace

int main(int argc, char** argv)
{
    const char* path = argc > 1 ? argv[1] : MIRADOT_BENCH_TEXT;
    size_t megabytes = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 64;
    std::ifstream in(path, std::ios::binary);
    std::string piece((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (piece.empty()) {
        std::fprintf(stderr, "convert_bench: cannot read '%s'\n", path);
        return 1;
    }
    std::string text;
    text.reserve(megabytes << 20);
    while (text.size() + piece.size() <= megabytes << 20)
        text += piece;
    std::printf("text: %.1f MB of %s\n", text.size() / 1e6, path);
    std::printf("%-12s %14s %14s\n", "encoding", "write MB/s", "read MB/s");
    volatile size_t sink = 0;
    for (int i = 0; i < CHARSET_COUNT; ++i) {
        Charset charset = Charset(i);
        std::string written = charset_encode(charset, text, LEGACY_BYTES, nullptr);
        double write = best_seconds([&] { sink = sink + charset_encode(charset, text, LEGACY_BYTES, nullptr).size(); });
        double read = best_seconds([&] { sink = sink + charset_decode(charset, written, LEGACY_BYTES).size(); });
        std::printf("%-12s %14.0f %14.0f\n", charset_name(charset), text.size() / 1e6 / write,
                    written.size() / 1e6 / read);
    }
    std::string tcvn3 = charset_encode(CHARSET_TCVN3, text, LEGACY_BYTES, nullptr);
    double through = best_seconds([&] {
        sink = sink
               + charset_encode(CHARSET_VNI_WINDOWS, charset_decode(CHARSET_TCVN3, tcvn3, LEGACY_BYTES), LEGACY_BYTES,
                                nullptr)
                     .size();
    });
    std::printf("tcvn3 -> vni-windows: %.0f MB/s\n", tcvn3.size() / 1e6 / through);
    double guess = best_seconds([&] { sink = sink + guess_charset(tcvn3, LEGACY_BYTES).words; });
    std::printf("guess (first 256 KB): %.1f ms\n", guess * 1e3);
    return 0;
}
