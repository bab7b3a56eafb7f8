// The user's own shorthand: the load of a list of 10,000 entries, and what
// the list adds to each word end (typing a mixed paragraph whose words are
// not in the list, with the list empty and with it loaded).
//
//   user_shorthand_bench [--data DIR]
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "engine.h"
#include "user_shorthand.h"

using namespace miradot;

namespace {

constexpr int ENTRIES = 10000;

constexpr const char* MIXED_TEXT
    = "Hoom nay tooi vieets mootj email cho team veef project mowis. Chungs ta caanf test laij "
      "file config trwowcs khi deploy leen server, vif laanf trwowcs bij loói password. "
      "Banj cos theer check pull request cuar minh khoong? Tooi ddax update code vaf fix bug "
      "trong module login. Meeting luc 3 giowf chieeuf nay, nhow mang laptop nhes. ";

double now_ns()
{
    using namespace std::chrono;
    return double(duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count());
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Abbreviations of 3 to 8 letters that no word of the paragraph is; each
// expansion a phrase of some 40 characters.
std::string make_list()
{
    std::mt19937 random(23);
    std::uniform_int_distribution<int> letter('a', 'z'), length(3, 8);
    std::string text;
    std::vector<std::string> taken;
    for (int i = 0; i < ENTRIES; ++i) {
        std::string abbreviation = "q";
        for (int n = length(random); static_cast<int>(abbreviation.size()) < n;)
            abbreviation += static_cast<char>(letter(random));
        abbreviation += std::to_string(i);
        text += abbreviation + "\tCông ty trách nhiệm hữu hạn số " + std::to_string(i) + " Hà Nội\n";
    }
    return text;
}

// Median time of the keys that end words, over many rounds of the paragraph.
double word_end_ns(uint32_t options)
{
    EngineContext* ctx = engine_create();
    engine_set_options(ctx, options);
    EngineOutput out;
    std::vector<double> samples;
    for (int round = 0; round < 400; ++round) {
        engine_reset(ctx);
        for (const char* p = MIXED_TEXT; *p; ++p) {
            unsigned char c = static_cast<unsigned char>(*p);
            bool ends = !std::isalpha(c);
            double start = ends ? now_ns() : 0;
            engine_key(ctx, c, &out);
            if (ends)
                samples.push_back(now_ns() - start);
        }
    }
    engine_destroy(ctx);
    return median(samples);
}

}  // namespace

int main(int argc, char** argv)
{
    std::string dataDir = MIRADOT_DATA_DIR;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--data") == 0)
            dataDir = argv[++i];
    }
    if (engine_load_data(dataDir.c_str()) < 0) {
        std::fprintf(stderr, "no lexicon in %s\n", dataDir.c_str());
        return 1;
    }

    std::string path = "/tmp/miradot-shorthand-bench-" + std::to_string(getpid()) + ".tsv";
    std::ofstream(path, std::ios::binary) << make_list();
    std::vector<double> loads;
    int loaded = 0;
    for (int i = 0; i < 30; ++i) {
        double start = now_ns();
        loaded = user_shorthand_load(path.c_str());
        loads.push_back(now_ns() - start);
    }
    std::remove(path.c_str());
    std::printf("user shorthand load: %d entries in %.3f ms (median of 30; read, checked, tabled)\n", loaded,
                median(loads) / 1e6);

    // Interleaved, so that drift of the machine falls on both alike.
    const uint32_t options = DEFAULT_OPTIONS | OPT_SHORTHAND;
    std::vector<double> without, with;
    ShorthandList list = parse_shorthand_list(make_list());
    for (int i = 0; i < 5; ++i) {
        user_shorthand_use({});
        without.push_back(word_end_ns(options));
        user_shorthand_use(list);
        with.push_back(word_end_ns(options));
    }
    double before = median(without), after = median(with);
    std::printf("word end: %.1f ns with no list, %.1f ns with %d entries: %+.1f ns added (median key)\n", before,
                after, user_shorthand_count(), after - before);

    // The lookups alone: the three forms of a word that is in no list.
    const char* forms[] = {"vieets", "viết", "viết"};
    const int lookups = 3000000;
    double start = now_ns();
    int found = 0;
    for (int i = 0; i < lookups; ++i)
        found += user_shorthand_value(forms[i % 3]) != nullptr;
    double perWord = (now_ns() - start) / lookups * 3;
    std::printf("user list lookups of one word end (3 forms): %.1f ns (%d found)\n", perWord, found);
    return 0;
}
