// miradot-quality: types a corpus of mixed Vietnamese and English sentences
// through the engine as a Telex user would, and reports how many words came
// out as meant.
//
//   miradot-quality [--data DIR] [--limit N] [--tone-after-vowel]
//                   [--min-vi PCT] [--min-en PCT] CORPUS
//
// Exit status 1 when a share falls below its --min floor, 2 on bad input.

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "engine.h"
#include "lexicon.h"
#include "vietnamese_word.h"
#include "word_alignment.h"

using namespace miradot;

namespace {

struct Options {
    std::string dataDir = MIRADOT_DATA_DIR;
    std::string corpus;
    long limit = -1;
    ToneKey tone = ToneKey::AtEnd;
    double minVi = 0, minEn = 0;
};

struct Tally {
    long sentences = 0, viWords = 0, viKept = 0, enWords = 0, enKept = 0;
    std::map<std::string, long> misses;  // "wanted -> got"
};

bool parse_options(int argc, char** argv, Options& opt) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--data" && hasValue) opt.dataDir = argv[++i];
        else if (arg == "--limit" && hasValue) opt.limit = std::atol(argv[++i]);
        else if (arg == "--tone-after-vowel") opt.tone = ToneKey::AfterVowel;
        else if (arg == "--min-vi" && hasValue) opt.minVi = std::atof(argv[++i]);
        else if (arg == "--min-en" && hasValue) opt.minEn = std::atof(argv[++i]);
        else if (arg[0] != '-' && opt.corpus.empty()) opt.corpus = arg;
        else return false;
    }
    return !opt.corpus.empty();
}

// A word meant as Vietnamese: it has a Vietnamese letter, or it is a
// syllable that needs none (cho, nhanh).
bool meant_vietnamese(const std::string& word) {
    if (has_vietnamese_letter(word)) return true;
    std::string lower = word;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    return lex_contains('v', lower.c_str()) != 0;
}

void type_sentence(const std::string& sentence, ToneKey tone, Tally& tally) {
    EngineContext* ctx = engine_create();
    if (!ctx) return;
    std::string keys = telex_text(sentence, tone);
    std::vector<char> out(keys.size() * 4 + 64);
    engine_feed_text(ctx, keys.c_str(), out.data(), static_cast<int>(out.size()));
    engine_destroy(ctx);

    std::vector<std::string> wanted = split_words(sentence);
    std::vector<AlignedWord> aligned = align_words(wanted, split_words(out.data()));
    for (size_t i = 0; i < wanted.size(); ++i) {
        bool vi = meant_vietnamese(wanted[i]);
        (vi ? tally.viWords : tally.enWords)++;
        if (aligned[i].kept) (vi ? tally.viKept : tally.enKept)++;
        else tally.misses[wanted[i] + " -> " + (aligned[i].got.empty() ? "(nothing)" : aligned[i].got)]++;
    }
    tally.sentences++;
}

double percent(long part, long whole) { return whole ? 100.0 * part / whole : 100.0; }

void report(const Tally& t) {
    long words = t.viWords + t.enWords;
    long missed = words - t.viKept - t.enKept;
    std::printf("corpus: %ld sentences, %ld words (%ld Vietnamese, %ld English)\n", t.sentences, words,
                t.viWords, t.enWords);
    std::printf("Vietnamese kept: %ld/%ld = %.2f%%\n", t.viKept, t.viWords, percent(t.viKept, t.viWords));
    std::printf("English kept:    %ld/%ld = %.2f%%\n", t.enKept, t.enWords, percent(t.enKept, t.enWords));
    std::printf("misdecided:      %ld/%ld = %.2f%%\n", missed, words, percent(missed, words));

    std::vector<std::pair<long, std::string>> ranked;
    for (const auto& [what, count] : t.misses) ranked.emplace_back(-count, what);
    std::sort(ranked.begin(), ranked.end());
    std::printf("most frequent misdecided words:\n");
    for (size_t i = 0; i < ranked.size() && i < 30; ++i)
        std::printf("  %4ld  %s\n", -ranked[i].first, ranked[i].second.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    Options opt;
    if (!parse_options(argc, argv, opt)) {
        std::fprintf(stderr,
                     "usage: miradot-quality [--data DIR] [--limit N] [--tone-after-vowel] [--min-vi PCT] "
                     "[--min-en PCT] CORPUS\n");
        return 2;
    }
    if (engine_load_data(opt.dataDir.c_str()) < 0) {
        std::fprintf(stderr, "miradot-quality: no lexicon file in %s\n", opt.dataDir.c_str());
        return 2;
    }
    std::ifstream in(opt.corpus);
    if (!in) {
        std::fprintf(stderr, "miradot-quality: cannot read %s\n", opt.corpus.c_str());
        return 2;
    }
    Tally tally;
    std::string line;
    while ((opt.limit < 0 || tally.sentences < opt.limit) && std::getline(in, line))
        if (!line.empty()) type_sentence(line, opt.tone, tally);
    report(tally);

    bool viLow = percent(tally.viKept, tally.viWords) < opt.minVi;
    bool enLow = percent(tally.enKept, tally.enWords) < opt.minEn;
    if (viLow || enLow) std::printf("below the floor: %s%s\n", viLow ? "Vietnamese " : "", enLow ? "English" : "");
    return viLow || enLow ? 1 : 0;
}
