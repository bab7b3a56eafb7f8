// miradot-quality: types text through the engine as a Telex user would and
// reports how much of it came out as meant.
//
//   miradot-quality [--data DIR] [--vni] [--limit N] [--tone-after-vowel]
//                   [--min-vi PCT] [--min-en PCT] CORPUS
//       mixed Vietnamese and English sentences, one per line
//   miradot-quality [--data DIR] [--min PCT] [--misses N] --english-words FILE
//       one English word a line, each typed alone in a fresh session: kept?
//   miradot-quality [--data DIR] [--vni] [--min PCT] --vietnamese-words FILE
//       one syllable a line, typed alone (marks after their vowel, tone at
//       the end): does it come out?
//   miradot-quality [--data DIR] [--min PCT] --composition
//       every syllable of the lexicon in every typing order, options 0
//   miradot-quality [--data DIR] [--min PCT] [--english FILE] --syllables
//       every syllable the spelling rules allow, in both tone placements,
//       typed alone and after a Vietnamese word in Telex and VNI, split into
//       those the lexicon holds and those it does not; with --english the
//       keys that are a word of FILE are counted apart
//   miradot-quality [--data DIR] [--min PCT] [--english FILE] --repeat-table
//       every mark and tone key typed twice, at options 0 and the defaults,
//       where keys that are a common word of FILE (one of its first
//       20,000, commonest first) stay as typed
//   miradot-quality [--data DIR] [--min PCT] [--english FILE] --letters
//       every single letter and bare marked vowel typed alone, at options 0
//       and the defaults, where keys that are a common word of FILE or a
//       paper size (A4) stay as typed
//
// Exit status 1 when a share falls below its --min floor (or an impossible
// syllable came out of --composition; for --syllables the floor holds for
// keys that are no English word, for the two tables at options 0), 2 on bad
// input.

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "engine.h"
#include "composer.h"
#include "letters.h"
#include "lexicon.h"
#include "repeat_convention.h"
#include "typing_orders.h"
#include "vietnamese_word.h"
#include "word_alignment.h"

using namespace miradot;

namespace {

// The English list holds the commonest words first: these many are the
// common English words that stay as typed in the repeat and letter tables.
constexpr long COMMON_ENGLISH_WORDS = 20000;

enum class Mode { Corpus, EnglishWords, VietnameseWords, Composition, Syllables, RepeatTable, Letters };

struct Options {
    std::string dataDir = MIRADOT_DATA_DIR;
    std::string corpus;
    Mode mode = Mode::Corpus;
    long limit = -1;
    ToneKey tone = ToneKey::AtEnd;
    Method method = Method::Telex;
    std::string englishList;  // --syllables: keys that are English words
    double minVi = 0, minEn = 0, min = 0;
    long shownMisses = 40;
};

struct Tally {
    long sentences = 0, viWords = 0, viKept = 0, enWords = 0, enKept = 0;
    long untypeable = 0;                 // VNI: words a digit follows right away
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
        else if (arg == "--vni")
            opt.method = Method::Vni;
        else if (arg == "--english" && hasValue)
            opt.englishList = argv[++i];
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
        else if (arg == "--syllables")
            opt.mode = Mode::Syllables;
        else if (arg == "--repeat-table")
            opt.mode = Mode::RepeatTable;
        else if (arg == "--letters")
            opt.mode = Mode::Letters;
        else if (arg[0] != '-' && opt.corpus.empty())
            opt.corpus = arg;
        else
            return false;
    }
    bool needsFile = opt.mode == Mode::Corpus || opt.mode == Mode::EnglishWords || opt.mode == Mode::VietnameseWords;
    return !needsFile || !opt.corpus.empty();
}

const char* method_name(Method method) { return method == Method::Vni ? "VNI" : "Telex"; }

// Types keys and a space into a fresh session; the committed text without
// the space.
std::string type_alone(const std::string& keys, uint32_t options, Method method = Method::Telex)
{
    EngineContext* ctx = engine_create();
    if (!ctx)
        return {};
    engine_set_options(ctx, options);
    engine_set_method(ctx, method == Method::Vni ? VNI : TELEX);
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
    long repaired = 0;  // misses that the hook/tilde repair made of a syllable no list holds
    std::vector<std::string> misses;
};

void report_list(const char* what, const ListTally& t, long shown)
{
    std::printf("%s: %ld/%ld = %.2f%%", what, t.kept, t.total, t.total ? 100.0 * t.kept / t.total : 100.0);
    if (t.impossible)
        std::printf(", impossible syllables: %ld", t.impossible);
    if (t.repaired)
        std::printf(", of the misses hook/tilde repairs: %ld", t.repaired);
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

ListTally vietnamese_words(std::istream& in, long limit, ToneKey tone, Method method)
{
    return run_list(in, limit, [tone, method](const std::string& word, ListTally& t) {
        std::string keys = typing_keys(word, method, tone);
        std::string got = type_alone(keys, DEFAULT_OPTIONS, method);
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
    lex_for_each(Table::Syllables, add_syllable, &syllables);
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

void add_allowed(const Syllable& s, void* user)
{
    auto* forms = static_cast<std::set<std::string>*>(user);
    char text[128];
    for (bool oldStyle : {false, true}) {
        render_syllable(s, oldStyle, true, text, sizeof text);
        forms->insert(text);
    }
}

// The first `limit` words of a list (all with -1), one a line.
std::set<std::string> read_words(const std::string& path, long limit = -1)
{
    std::set<std::string> words;
    std::ifstream in(path);
    std::string line;
    while ((limit < 0 || long(words.size()) < limit) && std::getline(in, line))
        if (!line.empty())
            words.insert(line);
    return words;
}

// Every allowed syllable typed alone and after a Vietnamese word, in one
// method: tallies by [in the lexicon][keys are an English word].
struct SyllableTallies {
    ListTally alone[2][2], after[2][2];
    std::vector<std::string> untypeable;  // no key order of the method composes them
};

// got is the syllable with hook and tilde switched.
bool hook_tilde_switched(const std::string& got, const std::string& form)
{
    Syllable a, b;
    if (!parse_word(got.c_str(), &a) || !parse_word(form.c_str(), &b) || a.count != b.count)
        return false;
    bool tones = (a.tone == TONE_HOOK && b.tone == TONE_TILDE) || (a.tone == TONE_TILDE && b.tone == TONE_HOOK);
    a.tone = b.tone;
    char x[128], y[128];
    render_syllable(a, false, true, x, sizeof x);
    render_syllable(b, false, true, y, sizeof y);
    return tones && std::string(x) == y;
}

SyllableTallies allowed_syllables(Method method, const std::set<std::string>& english, ToneKey tone)
{
    std::set<std::string> forms;
    for_each_allowed_syllable(add_allowed, &forms);
    const std::string before = "tôi";
    std::string beforeKeys = typing_keys(before, method) + " ";
    SyllableTallies t;
    for (const std::string& form : forms) {
        std::string keys = typing_keys(form, method, tone);
        if (spelling_key(type_alone(keys, 0, method)) != spelling_key(form)) {
            t.untypeable.push_back(form + " (" + keys + ")");
            continue;
        }
        Syllable s;
        parse_word(form.c_str(), &s);
        int known = is_known_syllable(s) ? 1 : 0;
        int isEnglish = english.count(keys) ? 1 : 0;
        std::string alone = type_alone(keys, DEFAULT_OPTIONS, method);
        std::string after = type_alone(beforeKeys + keys, DEFAULT_OPTIONS, method);
        std::string afterWord = after.substr(std::min(after.size(), before.size() + 1));
        bool afterKept
            = after.compare(0, before.size() + 1, before + " ") == 0 && spelling_key(afterWord) == spelling_key(form);
        for (auto [tally, kept, got, word] :
             {std::tuple{&t.alone[known][isEnglish], spelling_key(alone) == spelling_key(form), alone, alone},
              std::tuple{&t.after[known][isEnglish], afterKept, after, afterWord}}) {
            ++tally->total;
            if (kept) {
                ++tally->kept;
                continue;
            }
            tally->misses.push_back(form + " (" + keys + ") -> " + got);
            tally->repaired += !known && hook_tilde_switched(word, form);
        }
    }
    return t;
}

// The generated repeat table or the single letters, at options 0 and the
// defaults, in both methods; returns the lowest share at options 0.
template <typename Cases> double report_tables(const char* what, Cases cases, long shown)
{
    double lowest = 100;
    for (Method method : {Method::Telex, Method::Vni}) {
        for (uint32_t options : {0u, DEFAULT_OPTIONS}) {
            ListTally t;
            for (const auto& [keys, expected] : cases(method, options)) {
                ++t.total;
                std::string got = type_alone(keys, options, method);
                if (got == expected)
                    ++t.kept;
                else
                    t.misses.push_back(keys + " -> " + got + " (not " + expected + ")");
            }
            char title[160];
            std::snprintf(title, sizeof title, "%s (%s, options 0x%02X)", what, method_name(method), options);
            report_list(title, t, shown);
            if (options == 0)
                lowest = std::min(lowest, share(t));
        }
    }
    return lowest;
}

std::vector<std::pair<std::string, std::string>> repeat_pairs(Method method, bool englishDetection,
                                                              const std::set<std::string>& english)
{
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const RepeatCase& c : repeat_convention_cases(method))
        pairs.emplace_back(c.keys, englishDetection ? expected_with_english(c, english) : c.expected);
    return pairs;
}

// Paper sizes, whose VNI keys also spell a capital vowel with its tone (A4:
// Ã); in small letters the keys are the syllable (a5: ạ).
bool paper_size(const std::string& keys)
{
    return keys.size() == 2 && keys[0] == 'A' && keys[1] >= '3' && keys[1] <= '5';
}

// Every vowel with every mark and tone, đ, and ươ with every tone, in lower
// case and as a capital, with its keys; with English detection, keys that
// are a common English word ending in a tone key (as, of) or a paper size
// stay as typed.
std::vector<std::pair<std::string, std::string>> single_letters(Method method, bool englishDetection,
                                                                const std::set<std::string>& english)
{
    std::vector<std::string> letters = {"đ", "Đ"};
    for (const char* row : {"aáàảãạ", "ăắằẳẵặ", "âấầẩẫậ", "eéèẻẽẹ", "êếềểễệ", "iíìỉĩị", "oóòỏõọ", "ôốồổỗộ",
                            "ơớờởỡợ", "uúùủũụ", "ưứừửữự", "yýỳỷỹỵ", "AÁÀẢÃẠ", "ĂẮẰẲẴẶ", "ÂẤẦẨẪẬ", "EÉÈẺẼẸ",
                            "ÊẾỀỂỄỆ", "IÍÌỈĨỊ", "OÓÒỎÕỌ", "ÔỐỒỔỖỘ", "ƠỚỜỞỠỢ", "UÚÙỦŨỤ", "ƯỨỪỬỮỰ", "YÝỲỶỸỴ"}) {
        for (const char* c = row; *c;) {
            const char* start = c;
            decode_utf8_char(&c);
            letters.emplace_back(start, c);
        }
    }
    for (const char* pair : {"ươ", "ướ", "ườ", "ưở", "ưỡ", "ượ", "ƯƠ"})
        letters.emplace_back(pair);
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const std::string& letter : letters) {
        std::string keys = typing_keys(letter, method);
        std::string lower = keys;
        std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
        // Letters marked by their own keys (aa, aw, dd) are composed on
        // purpose whatever English spells with them; a tone key may end an
        // English word.
        bool toneLast = std::strchr(method == Method::Vni ? "12345" : "sfrxj", lower.back()) != nullptr;
        bool kept = englishDetection && ((toneLast && english.count(lower)) || paper_size(keys));
        pairs.emplace_back(keys, kept ? keys : letter);
    }
    return pairs;
}

// A word meant as Vietnamese: it has a Vietnamese letter, or it is a
// syllable that needs none (cho, nhanh).
bool meant_vietnamese(const std::string& word)
{
    if (has_vietnamese_letter(word))
        return true;
    std::string lower = word;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    return lex_contains(Table::Syllables, lower.c_str()) != 0;
}

void type_sentence(const std::string& sentence, ToneKey tone, Method method, Tally& tally)
{
    EngineContext* ctx = engine_create();
    if (!ctx)
        return;
    engine_set_method(ctx, method == Method::Vni ? VNI : TELEX);
    std::string keys = typing_text(sentence, method, tone);
    std::vector<char> out(keys.size() * 4 + 64);
    engine_feed_text(ctx, keys.c_str(), out.data(), static_cast<int>(out.size()));
    engine_destroy(ctx);

    std::vector<std::string> wanted = split_words(sentence);
    std::vector<AlignedWord> aligned = align_words(wanted, split_words(out.data()));
    std::vector<bool> beforeDigit = words_before_digit(sentence);
    for (size_t i = 0; i < wanted.size(); ++i) {
        // VNI takes a digit right after a word for one of its keys: the
        // text has no VNI keys.
        if (method == Method::Vni && beforeDigit[i]) {
            ++tally.untypeable;
            continue;
        }
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
    std::printf("corpus: %ld sentences, %ld words (%ld Vietnamese, %ld English)", t.sentences, words, t.viWords,
                t.enWords);
    if (t.untypeable)
        std::printf(", %ld words left out that a digit follows", t.untypeable);
    std::printf("\n");
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
        std::fprintf(stderr, "usage: miradot-quality [--data DIR] [--vni] [--limit N] [--tone-after-vowel] "
                             "[--min-vi PCT] [--min-en PCT] CORPUS\n"
                             "       miradot-quality [--data DIR] [--vni] [--min PCT] [--misses N] (--english-words "
                             "FILE | --vietnamese-words FILE | --composition | --syllables [--english FILE] | "
                             "[--english FILE] (--repeat-table | --letters))\n");
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
    if (opt.mode == Mode::RepeatTable) {
        std::set<std::string> english = read_words(opt.englishList, COMMON_ENGLISH_WORDS);
        auto cases = [&](Method method, uint32_t options) {
            return repeat_pairs(method, options & OPT_AUTO_ENGLISH, english);
        };
        return report_tables("repeat convention", cases, opt.shownMisses) < opt.min ? 1 : 0;
    }
    if (opt.mode == Mode::Letters) {
        std::set<std::string> english = read_words(opt.englishList, COMMON_ENGLISH_WORDS);
        auto cases = [&](Method method, uint32_t options) {
            return single_letters(method, options & OPT_AUTO_ENGLISH, english);
        };
        return report_tables("single letters", cases, opt.shownMisses) < opt.min ? 1 : 0;
    }
    if (opt.mode == Mode::Syllables) {
        std::set<std::string> english = read_words(opt.englishList);
        double lowest = 100;
        for (Method method : {Method::Telex, Method::Vni}) {
            SyllableTallies t = allowed_syllables(method, english, opt.tone);
            std::printf("allowed syllables that no %s key order composes: %zu", method_name(method),
                        t.untypeable.size());
            for (size_t i = 0; i < t.untypeable.size() && long(i) < opt.shownMisses; ++i)
                std::printf("%s%s", i ? ", " : " (", t.untypeable[i].c_str());
            std::printf("%s\n", t.untypeable.empty() ? "" : ")");
            for (auto [where, tallies] : {std::pair{"alone", &t.alone}, std::pair{"after a word", &t.after}}) {
                for (int known : {1, 0}) {
                    for (int isEnglish : {0, 1}) {
                        const ListTally& tally = (*tallies)[known][isEnglish];
                        if (isEnglish && tally.total == 0)
                            continue;
                        char title[200];
                        std::snprintf(title, sizeof title, "allowed syllables, %s, %s, %s, %s", method_name(method),
                                      where, known ? "in the lexicon" : "not in the lexicon",
                                      isEnglish ? "keys an English word" : "keys no English word");
                        report_list(title, tally, opt.shownMisses);
                        if (!isEnglish)
                            lowest = std::min(lowest, share(tally));
                    }
                }
            }
        }
        return lowest < opt.min ? 1 : 0;
    }
    std::ifstream in(opt.corpus);
    if (!in) {
        std::fprintf(stderr, "miradot-quality: cannot read %s\n", opt.corpus.c_str());
        return 2;
    }
    if (opt.mode != Mode::Corpus) {
        bool english = opt.mode == Mode::EnglishWords;
        ListTally t = english ? english_words(in, opt.limit) : vietnamese_words(in, opt.limit, opt.tone, opt.method);
        std::string title = english ? "English words kept as typed"
                                    : std::string("Vietnamese syllables typed in ") + method_name(opt.method);
        report_list(title.c_str(), t, opt.shownMisses);
        return share(t) < opt.min ? 1 : 0;
    }
    Tally tally;
    std::string line;
    while ((opt.limit < 0 || tally.sentences < opt.limit) && std::getline(in, line))
        if (!line.empty())
            type_sentence(line, opt.tone, opt.method, tally);
    report(tally);

    bool viLow = percent(tally.viKept, tally.viWords) < opt.minVi;
    bool enLow = percent(tally.enKept, tally.enWords) < opt.minEn;
    if (viLow || enLow)
        std::printf("below the floor: %s%s\n", viLow ? "Vietnamese " : "", enLow ? "English" : "");
    return viLow || enLow ? 1 : 0;
}
