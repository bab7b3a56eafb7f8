#include "word_alignment.h"

#include <algorithm>

#include "vietnamese_word.h"

namespace {

std::string joined(const std::vector<std::string>& words, size_t from, size_t to)
{
    std::string out;
    for (size_t i = from; i < to; ++i)
        out += (out.empty() ? "" : " ") + words[i];
    return out;
}

// The words between two matches: paired one to one when the counts agree,
// otherwise everything that came out is charged to the first wanted word.
void fill_gap(std::vector<AlignedWord>& out, const std::vector<std::string>& got, size_t wantFrom, size_t wantTo,
              size_t gotFrom, size_t gotTo)
{
    bool paired = wantTo - wantFrom == gotTo - gotFrom;
    for (size_t i = wantFrom; i < wantTo; ++i) {
        std::string piece;
        if (paired)
            piece = got[gotFrom + (i - wantFrom)];
        else if (i == wantFrom)
            piece = joined(got, gotFrom, gotTo);
        out[i] = {false, piece};
    }
}

}  // namespace

std::vector<AlignedWord> align_words(const std::vector<std::string>& wanted, const std::vector<std::string>& got)
{
    size_t n = wanted.size(), m = got.size();
    std::vector<std::string> a(n), b(m);
    for (size_t i = 0; i < n; ++i)
        a[i] = spelling_key(wanted[i]);
    for (size_t j = 0; j < m; ++j)
        b[j] = spelling_key(got[j]);

    // longest common subsequence, filled from the end so the walk goes forward
    std::vector<std::vector<int>> lcs(n + 1, std::vector<int>(m + 1, 0));
    for (size_t i = n; i-- > 0;)
        for (size_t j = m; j-- > 0;)
            lcs[i][j] = a[i] == b[j] ? lcs[i + 1][j + 1] + 1 : std::max(lcs[i + 1][j], lcs[i][j + 1]);

    std::vector<AlignedWord> out(n);
    size_t i = 0, j = 0, gapWant = 0, gapGot = 0;
    while (i < n && j < m) {
        if (a[i] == b[j] && lcs[i][j] == lcs[i + 1][j + 1] + 1) {
            fill_gap(out, got, gapWant, i, gapGot, j);
            out[i] = {true, got[j]};
            gapWant = ++i;
            gapGot = ++j;
        } else if (lcs[i + 1][j] >= lcs[i][j + 1]) {
            ++i;
        } else {
            ++j;
        }
    }
    fill_gap(out, got, gapWant, n, gapGot, m);
    return out;
}
