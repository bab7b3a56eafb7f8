// miradot-quality: types text through the engine as a Telex user would and
// reports how much of it came out as meant.
//
//   miradot-quality [--data DIR] [--limit N] [--tone-after-vowel]
//                   [--min-vi PCT] [--min-en PCT] CORPUS
//       mixed Vietnamese and English sentences, one per line
//   miradot-quality [--data DIR] [--min PCT] [--misses N] --english-words FILE
//       one English word a line, each typed alone in a fresh session: kept?
//   miradot-quality [--data DIR] [--min PCT] --vietnamese-words FILE
//       one syllable a line, typed alone (marks after their vowel, tone at
//       the end): does it come out?
//   miradot-quality [--data DIR] [--min PCT] --composition
//       every syllable of the lexicon in every typing order, options 0
//
// Exit status 1 when a share falls below its --min floor (or an impossible
// syllable came out of --composition), 2 on bad input.

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "engine.h"
#include "composer.h"
#include "letters.h"
#include "lexicon.h"
#include "typing_orders.h"
#include "vietnamese_word.h"
#include "word_alignment.h"

using namespace miradot;

namespace {

enum class Mode { Corpus, EnglishWords, VietnameseWords, Composition };

struct Options {
    std::string dataDir = MIRADOT_DATA_DIR;
    std::string corpus;
    Mode mode = Mode::Corpus;
    long limit = -1;
    ToneKey tone = ToneKey::AtEnd;
    double minVi = 0, minEn = 0, min = 0;
    long shownMisses = 40;
};

struct Tally {
    long sentences = 0, viWords = 0, viKept = 0, enWords = 0, enKept = 0;
    std::map<std::string, long> misses;  // "wanted -> got"
};

bool parse_options(int argc, char** argv, Options& opt)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--data" && hasValue)
            opt.dataDir = argv[++i];
        else if (arg == "--limit" && hasValue)
            opt.limit = std::atol(argv[++i]);
        else if (arg == "--tone-after-vowel")
            opt.tone = ToneKey::AfterVowel;
        else if (arg == "--min-vi" && hasValue)
            opt.minVi = std::atof(argv[++i]);
        else if (arg == "--min-en" && hasValue)
            opt.minEn = std::atof(argv[++i]);
        else if (arg == "--min" && hasValue)
            opt.min = std::atof(argv[++i]);
        else if (arg == "--misses" && hasValue)
            opt.shownMisses = std::atol(argv[++i]);
        else if (arg == "--english-words" && hasValue)
            opt.mode = Mode::EnglishWords, opt.corpus = argv[++i];
        else if (arg == "--vietnamese-words" && hasValue)
            opt.mode = Mode::VietnameseWords, opt.corpus = argv[++i];
        else if (arg == "--composition")
            opt.mode = Mode::Composition;
        else if (arg[0] != '-' && opt.corpus.empty())
            opt.corpus = arg;
        else
            return false;
    }
    return opt.mode == Mode::Composition || !opt.corpus.empty();
}

// Types keys and a space into a fresh session; the committed text without
// the space.
std::string type_alone(const std::string& keys, uint32_t options)
{
    EngineContext* ctx = engine_create();
    if (!ctx)
        return {};
    engine_set_options(ctx, options);
    std::string typed = keys + " ";
    std::vector<char> out(typed.size() * 4 + 64);
    engine_feed_text(ctx, typed.c_str(), out.data(), static_cast<int>(out.size()));
    engine_destroy(ctx);
    std::string got = out.data();
    if (!got.empty() && got.back() == ' ')
        got.pop_back();
    return got;
}

// Text that reads as a Vietnamese syllable with a letter no syllable can
// hold together (huư, gĩwa): what a user must never be left with.
bool impossible_syllable(const std::string& text)
{
    if (!has_vietnamese_letter(text))
        return false;
    Syllable s;
    return !parse_word(text.c_str(), &s) || !is_valid_syllable(s);
}

struct ListTally {
    long total = 0, kept = 0, impossible = 0;
    std::vector<std::string> misses;
};

void report_list(const char* what, const ListTally& t, long shown)
{
    std::printf("%s: %ld/%ld = %.2f%%", what, t.kept, t.total, t.total ? 100.0 * t.kept / t.total : 100.0);
    if (t.impossible)
        std::printf(", impossible syllables: %ld", t.impossible);
    std::printf("\nmisses (first %ld):\n", shown);
    for (size_t i = 0; i < t.misses.size() && long(i) < shown; ++i)
        std::printf("  %s\n", t.misses[i].c_str());
}

template <typename Check> ListTally run_list(std::istream& in, long limit, Check check)
{
    ListTally t;
    std::string line;
    while ((limit < 0 || t.total < limit) && std::getline(in, line)) {
        if (line.empty())
            continue;
        ++t.total;
        check(line, t);
    }
    return t;
}

ListTally english_words(std::istream& in, long limit)
{
    return run_list(in, limit, [](const std::string& word, ListTally& t) {
        std::string got = type_alone(word, DEFAULT_OPTIONS);
        if (got == word)
            ++t.kept;
        else
            t.misses.push_back(word + " -> " + got);
    });
}

ListTally vietnamese_words(std::istream& in, long limit, ToneKey tone)
{
    return run_list(in, limit, [tone](const std::string& word, ListTally& t) {
        std::string keys = telex_keys(word, tone);
        std::string got = type_alone(keys, DEFAULT_OPTIONS);
        if (spelling_key(got) == spelling_key(word))
            ++t.kept;
        else
            t.misses.push_back(word + " (" + keys + ") -> " + got);
    });
}

void add_syllable(const char* key, const char*, uint32_t, void* user)
{
    static_cast<std::vector<std::string>*>(user)->push_back(key);
}

ListTally composition_orders()
{
    std::vector<std::string> syllables;
    lex_for_each('v', add_syllable, &syllables);
    std::sort(syllables.begin(), syllables.end());
    ListTally t;
    for (const std::string& syllable : syllables) {
        for (const std::string& keys : telex_typing_orders(syllable)) {
            ++t.total;
            std::string got = type_alone(keys, 0);
            if (spelling_key(got) == spelling_key(syllable)) {
                ++t.kept;
                continue;
            }
            bool impossible = impossible_syllable(got);
            if (impossible)
                ++t.impossible;
            t.misses.push_back(syllable + " (" + keys + ") -> " + got + (impossible ? "  IMPOSSIBLE" : ""));
        }
    }
    return t;
}

double share(const ListTally& t) { return t.total ? 100.0 * t.kept / t.total : 100.0; }

// A word meant as Vietnamese: it has a Vietnamese letter, or it is a
// syllable that needs none (cho, nhanh).
bool meant_vietnamese(const std::string& word)
{
    if (has_vietnamese_letter(word))
        return true;
    std::string lower = word;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    return lex_contains('v', lower.c_str()) != 0;
}

void type_sentence(const std::string& sentence, ToneKey tone, Tally& tally)
{
    EngineContext* ctx = engine_create();
    if (!ctx)
        return;
    std::string keys = telex_text(sentence, tone);
    std::vector<char> out(keys.size() * 4 + 64);
    engine_feed_text(ctx, keys.c_str(), out.data(), static_cast<int>(out.size()));
    engine_destroy(ctx);

    std::vector<std::string> wanted = split_words(sentence);
    std::vector<AlignedWord> aligned = align_words(wanted, split_words(out.data()));
    for (size_t i = 0; i < wanted.size(); ++i) {
        bool vi = meant_vietnamese(wanted[i]);
        (vi ? tally.viWords : tally.enWords)++;
        if (aligned[i].kept)
            (vi ? tally.viKept : tally.enKept)++;
        else
            tally.misses[wanted[i] + " -> " + (aligned[i].got.empty() ? "(nothing)" : aligned[i].got)]++;
    }
    tally.sentences++;
}

double percent(long part, long whole) { return whole ? 100.0 * part / whole : 100.0; }

void report(const Tally& t)
{
    long words = t.viWords + t.enWords;
    long missed = words - t.viKept - t.enKept;
    std::printf("corpus: %ld sentences, %ld words (%ld Vietnamese, %ld English)\n", t.sentences, words, t.viWords,
                t.enWords);
    std::printf("Vietnamese kept: %ld/%ld = %.2f%%\n", t.viKept, t.viWords, percent(t.viKept, t.viWords));
    std::printf("English kept:    %ld/%ld = %.2f%%\n", t.enKept, t.enWords, percent(t.enKept, t.enWords));
    std::printf("misdecided:      %ld/%ld = %.2f%%\n", missed, words, percent(missed, words));

    std::vector<std::pair<long, std::string>> ranked;
    for (const auto& [what, count] : t.misses)
        ranked.emplace_back(-count, what);
    std::sort(ranked.begin(), ranked.end());
    std::printf("most frequent misdecided words:\n");
    for (size_t i = 0; i < ranked.size() && i < 30; ++i)
        std::printf("  %4ld  %s\n", -ranked[i].first, ranked[i].second.c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    Options opt;
    if (!parse_options(argc, argv, opt)) {
        std::fprintf(stderr, "usage: miradot-quality [--data DIR] [--limit N] [--tone-after-vowel] [--min-vi PCT] "
                             "[--min-en PCT] CORPUS\n"
                             "       miradot-quality [--data DIR] [--min PCT] [--misses N] (--english-words FILE | "
                             "--vietnamese-words FILE | --composition)\n");
        return 2;
    }
    if (engine_load_data(opt.dataDir.c_str()) < 0) {
        std::fprintf(stderr, "miradot-quality: no lexicon file in %s\n", opt.dataDir.c_str());
        return 2;
    }
    if (opt.mode == Mode::Composition) {
        ListTally t = composition_orders();
        report_list("typing orders giving their syllable (options 0)", t, opt.shownMisses);
        return share(t) < opt.min || t.impossible ? 1 : 0;
    }
    std::ifstream in(opt.corpus);
    if (!in) {
        std::fprintf(stderr, "miradot-quality: cannot read %s\n", opt.corpus.c_str());
        return 2;
    }
    if (opt.mode != Mode::Corpus) {
        bool english = opt.mode == Mode::EnglishWords;
        ListTally t = english ? english_words(in, opt.limit) : vietnamese_words(in, opt.limit, opt.tone);
        report_list(english ? "English words kept as typed" : "Vietnamese syllables typed in Telex", t,
                    opt.shownMisses);
        return share(t) < opt.min ? 1 : 0;
    }
    Tally tally;
    std::string line;
    while ((opt.limit < 0 || tally.sentences < opt.limit) && std::getline(in, line))
        if (!line.empty())
            type_sentence(line, opt.tone, tally);
    report(tally);

    bool viLow = percent(tally.viKept, tally.viWords) < opt.minVi;
    bool enLow = percent(tally.enKept, tally.enWords) < opt.minEn;
    if (viLow || enLow)
        std::printf("below the floor: %s%s\n", viLow ? "Vietnamese " : "", enLow ? "English" : "");
    return viLow || enLow ? 1 : 0;
}
