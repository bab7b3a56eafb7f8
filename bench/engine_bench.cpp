// Engine benchmarks: per-key cost of engine_key on mixed Vietnamese/English
// typing (median, p99, allocations per key; the word-end keys alone),
// lexicon load time and memory,
// and engine_clean_text throughput.
//
//   engine_bench [--data DIR] [google benchmark flags]
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "engine.h"
#include "lexicon.h"

using namespace miradot;

// Every allocation of the process goes through these, so the per-key figure
// counts the engine's allocations as well as the standard library's.
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
}
static std::atomic<long> g_allocations{0};
extern "C" void* malloc(size_t n)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(n);
}
extern "C" void* calloc(size_t n, size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(n, size);
}
extern "C" void* realloc(void* p, size_t n)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(p, n);
}

namespace {

// Telex keys of an ordinary mixed paragraph.
constexpr const char* MIXED_TEXT
    = "Hoom nay tooi vieets mootj email cho team veef project mowis. Chungs ta caanf test laij "
      "file config trwowcs khi deploy leen server, vif laanf trwowcs bij loói password. "
      "Banj cos theer check pull request cuar minh khoong? Tooi ddax update code vaf fix bug "
      "trong module login. Meeting luc 3 giowf chieeuf nay, nhow mang laptop nhes. "
      "Thanks banj nhieeuf, hejn gaawpj laij sau. Nguwowif dungf cos theer chonj mode offline "
      "hoawcj online tuyf thichs, nhwng cais naof cungx phair nhanh vaf ddungs. ";

std::string g_dataDir = MIRADOT_DATA_DIR;

double now_ns()
{
    using namespace std::chrono;
    return double(duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count());
}

// A figure of /proc/self/status in KiB: VmRSS, RssAnon (private memory) or
// RssFile (file pages, the shared lexicon image among them).
long status_kib(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    size_t length = std::strlen(field);
    while (std::getline(status, line)) {
        if (line.compare(0, length, field) == 0 && line.size() > length && line[length] == ':')
            return std::atol(line.c_str() + length + 1);
    }
    return -1;
}

struct TableBytes {
    uint64_t bytes = 0;
};

void add_entry(const char* key, const char* value, uint32_t, void* user)
{
    auto* total = static_cast<TableBytes*>(user);
    total->bytes += std::strlen(key) + 1 + (value ? std::strlen(value) + 1 : 0);
}

uint64_t table_bytes()
{
    TableBytes total;
    for (Table table : ALL_TABLES) {
        LexiconTable* t = lex_table(table);
        total.bytes += t->capacity * (2 * sizeof(char*) + sizeof(uint32_t));
        lex_for_each(table, add_entry, &total);
    }
    return total.bytes;
}

// The first load of the process, as a text service's first key meets it.
void report_load()
{
    long privateBefore = status_kib("RssAnon");
    long fileBefore = status_kib("RssFile");
    double start = now_ns();
    int entries = engine_load_data(g_dataDir.c_str());
    double elapsed = now_ns() - start;
    long privateAfter = status_kib("RssAnon");
    long fileAfter = status_kib("RssFile");
    bool mapped = lex_table(Table::English)->imageSlots != nullptr;
    const char* problem = engine_data_problem();
    std::printf("lexicon: %d entries from %s (%s%s)\n", entries, g_dataDir.c_str(),
                mapped ? "image mapped" : "files parsed", problem ? problem : "");
    std::printf("lexicon ready: %.3f ms; private memory added %ld KB; shared file pages added %ld KB", elapsed / 1e6,
                privateAfter - privateBefore, fileAfter - fileBefore);
    if (!mapped)
        std::printf("; tables %.2f MB (slots + strings)", table_bytes() / 1e6);
    std::printf("\n");
}

void report_per_key(uint32_t options)
{
    EngineContext* ctx = engine_create();
    engine_set_options(ctx, options);
    EngineOutput out;
    std::vector<double> samples, wordEnds;
    const int rounds = 200;
    size_t length = std::strlen(MIXED_TEXT);
    samples.reserve(rounds * length);
    wordEnds.reserve(rounds * length);
    // One warm-up round lets the learned tables reach their size first.
    for (const char* p = MIXED_TEXT; *p; ++p)
        engine_key(ctx, static_cast<unsigned char>(*p), &out);
    long allocationsBefore = g_allocations.load();
    for (int round = 0; round < rounds; ++round) {
        for (size_t i = 0; i < length; ++i) {
            unsigned char c = static_cast<unsigned char>(MIXED_TEXT[i]);
            double start = now_ns();
            engine_key(ctx, c, &out);
            double elapsed = now_ns() - start;
            samples.push_back(elapsed);
            // a key that is no letter ends the word in progress
            if (!std::isalpha(c) && i > 0 && std::isalpha(static_cast<unsigned char>(MIXED_TEXT[i - 1])))
                wordEnds.push_back(elapsed);
        }
    }
    long allocations = g_allocations.load() - allocationsBefore;
    engine_destroy(ctx);
    std::sort(samples.begin(), samples.end());
    double median = samples[samples.size() / 2];
    double p99 = samples[samples.size() * 99 / 100];
    std::printf("engine_key (options 0x%02X, %zu keys): median %.0f ns, p99 %.0f ns, allocations per key %.4f\n",
                options, samples.size(), median, p99, double(allocations) / double(samples.size()));
    std::sort(wordEnds.begin(), wordEnds.end());
    std::printf("word end (the key after a word, %zu keys): median %.0f ns, p99 %.0f ns\n", wordEnds.size(),
                wordEnds[wordEnds.size() / 2], wordEnds[wordEnds.size() * 99 / 100]);
}

void BM_EngineKey(benchmark::State& state)
{
    EngineContext* ctx = engine_create();
    EngineOutput out;
    size_t length = std::strlen(MIXED_TEXT);
    size_t i = 0;
    for (auto _ : state) {
        engine_key(ctx, static_cast<unsigned char>(MIXED_TEXT[i]), &out);
        benchmark::DoNotOptimize(out.preedit[0]);
        if (++i == length)
            i = 0;
    }
    state.SetItemsProcessed(state.iterations());
    engine_destroy(ctx);
}
BENCHMARK(BM_EngineKey);

void BM_CleanText(benchmark::State& state)
{
    const std::string text
        = "Hôm nay tôi viết một email cho team về dự án mới, hòa bình và khỏe mạnh là điều quý nhất. "
          "Chúng ta cần kiểm tra lại tệp cấu hình trước khi triển khai lên máy chủ năm 2024. ";
    EngineContext* ctx = engine_create();
    std::vector<char> buffer(text.size() * 2 + 16);
    for (auto _ : state) {
        int corrections = engine_clean_text(ctx, text.c_str(), buffer.data(), static_cast<int>(buffer.size()));
        benchmark::DoNotOptimize(corrections);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
    engine_destroy(ctx);
}
BENCHMARK(BM_CleanText);

}  // namespace

int main(int argc, char** argv)
{
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--data") == 0 && i + 1 < argc)
            g_dataDir = argv[++i];
        else
            rest.push_back(argv[i]);
    }
    int restCount = static_cast<int>(rest.size());
    report_load();
    report_per_key(DEFAULT_OPTIONS);
    report_per_key(0);  // pure composition
    benchmark::Initialize(&restCount, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
