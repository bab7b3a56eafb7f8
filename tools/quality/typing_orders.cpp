#include "typing_orders.h"

#include <algorithm>
#include <set>

#include "letters.h"

using namespace miradot;

namespace {

enum class MarkAt { RightAfter, LastVowel, AfterFinal };

struct Key {
    int slot;   // typed after letter `slot`; the letter count means after everything
    int order;  // marks before the stroke before the tone within one slot
    char key;
};

char mark_key(const Letter& l)
{
    if (l.mark == MARK_CIRCUMFLEX)
        return static_cast<char>(l.base);
    if (l.mark == MARK_HORN || l.mark == MARK_BREVE)
        return 'w';
    return 0;
}

const char TONE_KEYS[] = " sfrxj";

}  // namespace

std::vector<std::string> telex_typing_orders(const std::string& word)
{
    using miradot::is_vowel_letter;
    Syllable s;
    if (!miradot::parse_word(word.c_str(), &s) || s.count == 0)
        return {};
    SyllableSplit split = miradot::split_syllable(s);
    int n = s.count;
    for (int i = split.nucleusStart; i + 1 < split.nucleusEnd; ++i) {
        const Letter& a = s.letters[i];
        const Letter& b = s.letters[i + 1];
        if (a.base == 'o' && b.base == 'o' && a.mark == MARK_NONE && b.mark == MARK_NONE)
            return {};
    }
    int lastVowel = split.nucleusEnd - 1;
    int tonePos = s.tone ? miradot::tone_position(s, false) : -1;
    int stroke = -1;
    for (int i = 0; i < n; ++i)
        if (s.letters[i].mark == MARK_STROKE)
            stroke = i;

    std::set<std::string> orders;
    for (MarkAt at : {MarkAt::RightAfter, MarkAt::LastVowel, MarkAt::AfterFinal}) {
        std::vector<Key> marks;
        for (int i = 0; i < n; ++i) {
            char k = mark_key(s.letters[i]);
            if (!k)
                continue;
            // one w marks both letters of ươ
            if (k == 'w' && i + 1 < n && s.letters[i].base == 'u' && s.letters[i + 1].base == 'o'
                && s.letters[i + 1].mark == MARK_HORN) {
                continue;
            }
            int slot = at == MarkAt::RightAfter ? i : at == MarkAt::LastVowel ? std::max(i, lastVowel) : n - 1;
            marks.push_back({slot, 0, k});
        }
        std::vector<int> strokeSlots;
        if (stroke >= 0) {
            for (int slot = stroke; slot < n; ++slot)
                strokeSlots.push_back(slot);
        } else {
            strokeSlots.push_back(-1);
        }
        std::vector<int> toneSlots;
        if (tonePos >= 0) {
            for (int slot = tonePos; slot <= n; ++slot)
                toneSlots.push_back(slot);
        } else {
            toneSlots.push_back(-1);
        }
        for (int strokeSlot : strokeSlots) {
            for (int toneSlot : toneSlots) {
                std::vector<Key> keys = marks;
                if (strokeSlot >= 0)
                    keys.push_back({strokeSlot, 1, 'd'});
                if (toneSlot >= 0)
                    keys.push_back({toneSlot, 2, TONE_KEYS[s.tone]});
                std::string typed;
                for (int i = 0; i <= n; ++i) {
                    if (i < n)
                        typed += static_cast<char>(s.letters[i].base);
                    std::vector<Key> here;
                    for (const Key& k : keys)
                        if (k.slot == i || (i == n && k.slot >= n))
                            here.push_back(k);
                    std::stable_sort(here.begin(), here.end(),
                                     [](const Key& a, const Key& b) { return a.order < b.order; });
                    for (const Key& k : here)
                        typed += k.key;
                }
                orders.insert(typed);
            }
        }
    }
    return {orders.begin(), orders.end()};
}
