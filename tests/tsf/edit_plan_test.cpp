// The platform-neutral part of the text service's edits: requests built from
// engine output, code-point arithmetic, what a correction reaches and what a
// transitory context keeps composed.
#include "edit_plan.h"
#include "edit_request.h"
#include "engine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace miradot;

namespace {

EngineOutput output(const char* text, const char* preedit = "", int delete_count = 0)
{
    EngineOutput out{};
    out.deleteCount = delete_count;
    std::strncpy(out.text, text, sizeof out.text - 1);
    std::strncpy(out.preedit, preedit, sizeof out.preedit - 1);
    return out;
}

std::u16string commit_of(const EditRequest& request) { return {request.commitText, size_t(request.commitLength)}; }

std::u16string composition_of(const EditRequest& request)
{
    return {request.compositionText, size_t(request.compositionLength)};
}

EditRequest request(int delete_count, std::u16string commit, std::u16string composition)
{
    EditRequest r;
    r.deleteCount = delete_count;
    r.commitLength = static_cast<int>(commit.copy(r.commitText, EDIT_COMMIT_UNITS));
    r.compositionLength = static_cast<int>(composition.copy(r.compositionText, 299));
    return r;
}

TEST(EditRequest, IsBuiltFromTheEngineOutput)
{
    EditRequest built = make_edit_request(output("vi\xE1\xBB\x87t ", "nam", -3));
    EXPECT_EQ(built.deleteCount, 0);
    EXPECT_EQ(commit_of(built), u"vi\u1EC7t ");
    EXPECT_EQ(composition_of(built), u"nam");
    EXPECT_EQ(built.keepCount, 0);
    EXPECT_EQ(built.emptiedWord, 0);
    EXPECT_EQ(make_edit_request(output("", "", 4)).deleteCount, 4);
}

TEST(EditRequest, TextThatIsNotUtf8ConvertsToNothing)
{
    EditRequest invalid = make_edit_request(output("\xFF\xFE", "ok"));
    EXPECT_EQ(invalid.commitLength, 0);
    EXPECT_EQ(invalid.compositionLength, 2);
}

TEST(EditRequest, AnUnwrittenCommitIsWrittenWithTheNextRequest)
{
    const struct {
        const char* name;
        EditRequest unwritten, next;
        int deleteCount;
        const char16_t* commit;
        const char16_t* composition;
    } cases[] = {
        {"next word", request(0, u"vi\u1EC7t ", u""), request(0, u"", u"n"), 0, u"vi\u1EC7t ", u"n"},
        // The correction takes back the unwritten word and its space: none of it is written.
        {"corrected", request(0, u"chu\u1EA9n ", u""), request(6, u"ch\u1EA9n \u0111o\u00E1n ", u""), 0,
         u"ch\u1EA9n \u0111o\u00E1n ", u""},
        // Deletions beyond the unwritten text reach the document, after its own.
        {"reaches before", request(2, u"a\U0001F600 ", u""), request(4, u"xy ", u""), 3, u"xy ", u""},
        {"one code point back", request(0, u"a\U0001F600", u""), request(1, u"b", u"c"), 0, u"ab", u"c"},
    };
    for (const auto& c : cases) {
        EditRequest merged = merge_unwritten(c.unwritten, c.next);
        EXPECT_EQ(merged.deleteCount, c.deleteCount) << c.name;
        EXPECT_EQ(commit_of(merged), c.commit) << c.name;
        EXPECT_EQ(merged.commitText[merged.commitLength], 0) << c.name;
        EXPECT_EQ(composition_of(merged), c.composition) << c.name;
    }
}

TEST(EditRequest, AnApplicationWithoutCompositionsGetsTheLastWordOfACorrection)
{
    EXPECT_EQ(plain_commit_start(request(0, u"two words ", u"")), 0);
    EXPECT_EQ(plain_commit_start(request(5, u"two words ", u"")), 4);
    EXPECT_EQ(plain_commit_start(request(5, u"", u"x")), 0);
}

TEST(CodePoints, SurrogatePairsCountOnce)
{
    const std::u16string text = u"a\U0001F600b ";  // a, pair, b, space: 5 units, 4 code points
    EXPECT_EQ(count_code_points(text), 4);
    const struct {
        int count;
        int units;
    } tails[] = {{0, 0}, {1, 1}, {2, 2}, {3, 4}, {4, 5}, {5, -1}};
    for (const auto& tail : tails)
        EXPECT_EQ(units_of_last_code_points(text, tail.count), tail.units) << tail.count;
    EXPECT_EQ(move_back_code_points(text, 3, 1), 1);  // never lands inside the pair
    EXPECT_EQ(move_back_code_points(text, 3, 9), 0);
    // Reaching back that starts inside a pair has not reached its character.
    EXPECT_EQ(reached_code_points(text.substr(2)), 2);
    EXPECT_EQ(reached_code_points(text.substr(1)), 3);
    EXPECT_EQ(reached_code_points(u""), 0);
}

TEST(LastWord, StartsAfterThePreviousSpace)
{
    const struct {
        const char16_t* text;
        int start;
    } cases[] = {{u"", 0}, {u"word", 0}, {u"word ", 0}, {u"two words ", 4}, {u"two words", 4}, {u"a  b ", 3}};
    for (const auto& c : cases)
        EXPECT_EQ(last_word_start(c.text), c.start) << c.start;
}

TEST(KeepCount, CoversWhatALaterDecisionMayStillRewrite)
{
    const struct {
        const char* text;
        int span;
        uint32_t options;
        bool hint;
        int expected;
    } cases[] = {
        {"", 3, DEFAULT_OPTIONS, false, 3},      // nothing committed: the span stands
        {"mix", 2, DEFAULT_OPTIONS, true, 2},    // no final space
        {"mix  ", 2, DEFAULT_OPTIONS, true, 2},  // two spaces end every decision
        {"mix ", 0, DEFAULT_OPTIONS, false, 1},  // the space may still move before punctuation
        {"mix ", 0, DEFAULT_OPTIONS & ~OPT_PUNCTUATION, false, 0},
        {"mix ", 0, DEFAULT_OPTIONS, true, 4},          // a swap rewrites the word and its space
        {"a m\xC4\xA9 ", 0, DEFAULT_OPTIONS, true, 3},  // counted in code points
        {"mix ", 7, DEFAULT_OPTIONS, true, 7},
    };
    for (const auto& c : cases)
        EXPECT_EQ(keep_count(output(c.text), c.span, c.options, c.hint), c.expected) << c.text << "/" << c.span;
}

// Characters kept composed before the word take a correction only when it
// covers whole characters ending in a space; otherwise it reaches before them.
TEST(KeptPrefix, TakesACorrectionOnlyOfWholeKeptWords)
{
    const struct {
        const char* name;
        const char16_t* kept;
        int deleteCount;
        int units;
        bool lastWordOnly;
    } cases[] = {
        {"nothing deleted", u"xin ", 0, 4, false},    {"word and space", u"xin ", 4, 0, false},
        {"last word of two", u"a xin ", 4, 2, false}, {"surrogate pair", u"a\U0001F600 ", 2, 1, false},
        {"more than kept", u"xin ", 5, 4, true},      {"no final space", u"xin", 2, 3, true},
        {"nothing kept", u"", 3, 0, false},
    };
    for (const auto& c : cases) {
        KeptPrefix prefix = keep_prefix(c.kept, c.deleteCount);
        EXPECT_EQ(prefix.units, c.units) << c.name;
        EXPECT_EQ(prefix.lastWordOnly, c.lastWordOnly) << c.name;
    }
}

TEST(KeptUnits, KeepWhatMayStillChangeOrAContextWord)
{
    auto context_words = [](std::u16string_view word) { return word == u"cho"; };
    const struct {
        const char* name;
        const char16_t* written;
        int prefix;
        const char16_t* committed;
        int keepCount;
        int expected;
    } cases[] = {
        {"nothing committed", u"ab ", 3, u"", 0, 3},
        {"final", u"xin ", 0, u"xin ", 0, 0},
        {"pending span", u"xin ", 0, u"xin ", 1, 1},
        {"context word", u"cho ", 0, u"cho ", 0, 4},
        {"context word after a prefix", u"a cho ", 2, u"cho ", 1, 4},
        {"span longer than the word", u"a cho ", 2, u"cho ", 6, 6},
        {"two spaces end it", u"cho  ", 0, u"cho  ", 0, 0},
        {"span over a surrogate pair", u"\U0001F600 ", 0, u"\U0001F600 ", 2, 3},
    };
    for (const auto& c : cases)
        EXPECT_EQ(kept_units(c.written, c.prefix, c.committed, c.keepCount, context_words), c.expected) << c.name;
}

}  // namespace
