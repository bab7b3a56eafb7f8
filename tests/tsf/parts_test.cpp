// The processor's own rules that need no document: edit requests built from
// engine output, code-point arithmetic, kept characters, note placement,
// preserved-key conversion and registration order.
#include "host_tsf.h"

#include "../../engine/engine.h"
#include "../../tsf/edit_request.h"
#include "../../tsf/guids.h"
#include "../../tsf/hint_window.h"
#include "../../tsf/language_bar.h"
#include "../../tsf/layout_chars.h"
#include "../../tsf/preserved_keys.h"

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <string>

namespace {

EngineOutput output(const char* text, const char* preedit = "", int delete_count = 0)
{
    EngineOutput out{};
    out.deleteCount = delete_count;
    std::strncpy(out.text, text, sizeof out.text - 1);
    std::strncpy(out.preedit, preedit, sizeof out.preedit - 1);
    return out;
}

TEST(EditRequest, IsBuiltFromTheEngineOutput)
{
    EditRequest request = make_edit_request(output("vi\xE1\xBB\x87t ", "nam", -3));
    EXPECT_EQ(request.deleteCount, 0);
    EXPECT_EQ(std::wstring(request.commitText, request.commitLength), L"vi\u1EC7t ");
    EXPECT_EQ(std::wstring(request.compositionText, request.compositionLength), L"nam");
    EXPECT_EQ(request.keepCount, 0);
    EXPECT_EQ(request.emptiedWord, 0);
}

TEST(EditRequest, TextThatIsNotUtf8ConvertsToNothing)
{
    EditRequest invalid = make_edit_request(output("\xFF\xFE", "ok"));
    EXPECT_EQ(invalid.commitLength, 0);
    EXPECT_EQ(invalid.compositionLength, 2);
}

TEST(EditRequest, AnUnwrittenCommitIsWrittenWithTheNextRequest)
{
    auto request = [](int delete_count, const wchar_t* commit, const wchar_t* composition) {
        EditRequest r;
        r.deleteCount = delete_count;
        r.commitLength = static_cast<int>(wcslen(commit));
        wcscpy(r.commitText, commit);
        r.compositionLength = static_cast<int>(wcslen(composition));
        wcscpy(r.compositionText, composition);
        return r;
    };
    const struct {
        const char* name;
        EditRequest unwritten, next;
        int deleteCount;
        const wchar_t* commit;
        const wchar_t* composition;
    } cases[] = {
        {"next word", request(0, L"vi\u1EC7t ", L""), request(0, L"", L"n"), 0, L"vi\u1EC7t ", L"n"},
        // The correction takes back the unwritten word and its space: none of it is written.
        {"corrected", request(0, L"chu\u1EA9n ", L""), request(6, L"ch\u1EA9n \u0111o\u00E1n ", L""), 0,
         L"ch\u1EA9n \u0111o\u00E1n ", L""},
        // Deletions beyond the unwritten text reach the document, after its own.
        {"reaches before", request(2, L"a\U0001F600 ", L""), request(4, L"xy ", L""), 3, L"xy ", L""},
        {"one code point back", request(0, L"a\U0001F600", L""), request(1, L"b", L"c"), 0, L"ab", L"c"},
    };
    for (const auto& c : cases) {
        EditRequest merged = merge_unwritten(c.unwritten, c.next);
        EXPECT_EQ(merged.deleteCount, c.deleteCount) << c.name;
        EXPECT_EQ(std::wstring(merged.commitText, merged.commitLength), c.commit) << c.name;
        EXPECT_EQ(merged.commitText[merged.commitLength], 0) << c.name;
        EXPECT_EQ(std::wstring(merged.compositionText, merged.compositionLength), c.composition) << c.name;
    }
}

TEST(CodePoints, SurrogatePairsCountOnce)
{
    const std::wstring text = L"a\U0001F600b ";  // a, pair, b, space: 5 units, 4 code points
    const int length = static_cast<int>(text.size());
    EXPECT_EQ(count_code_points(text.c_str(), length), 4);
    const struct {
        int count;
        int units;
    } tails[] = {{0, 0}, {1, 1}, {2, 2}, {3, 4}, {4, 5}, {5, -1}};
    for (const auto& tail : tails)
        EXPECT_EQ(units_of_last_code_points(text.c_str(), length, tail.count), tail.units) << tail.count;
    EXPECT_EQ(move_back_code_points(text.c_str(), 3, 1), 1);  // never lands inside the pair
    EXPECT_EQ(move_back_code_points(text.c_str(), 3, 9), 0);
}

TEST(VietnameseLayout, GivesTheEngineUsCharacters)
{
    const struct {
        WPARAM key;
        bool shift, caps;
        wchar_t expected;
    } cases[] = {
        {'1', true, false, L'!'},      {'2', true, false, L'@'},     {'0', true, false, L')'},
        {'7', false, false, L'7'},     {VK_OEM_1, true, false, L':'}, {VK_OEM_7, true, false, L'"'},
        {VK_OEM_5, true, false, L'|'}, {VK_OEM_3, false, false, L'`'}, {'A', false, false, L'a'},
        {'A', true, false, L'A'},      {'A', false, true, L'A'},      {'A', true, true, L'a'},
        {VK_SPACE, true, false, L' '}, {VK_F5, false, false, 0},      {VK_NUMPAD1, false, false, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(vietnamese_layout_char(c.key, c.shift, c.caps), c.expected) << c.key << c.shift << c.caps;
}

TEST(LastWord, StartsAfterThePreviousSpace)
{
    const struct {
        const wchar_t* text;
        int start;
    } cases[] = {{L"", 0}, {L"word", 0}, {L"word ", 0}, {L"two words ", 4}, {L"two words", 4}, {L"a  b ", 3}};
    for (const auto& c : cases)
        EXPECT_EQ(last_word_start(c.text, static_cast<int>(wcslen(c.text))), c.start) << c.text;
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
        {"", 3, DEFAULT_OPTIONS, false, 3},             // nothing committed: the span stands
        {"mix", 2, DEFAULT_OPTIONS, true, 2},           // no final space
        {"mix  ", 2, DEFAULT_OPTIONS, true, 2},         // two spaces end every decision
        {"mix ", 0, DEFAULT_OPTIONS, false, 1},         // the space may still move before punctuation
        {"mix ", 0, DEFAULT_OPTIONS & ~OPT_PUNCTUATION, false, 0},
        {"mix ", 0, DEFAULT_OPTIONS, true, 4},          // a swap rewrites the word and its space
        {"a m\xC4\xA9 ", 0, DEFAULT_OPTIONS, true, 3},  // counted in code points
        {"mix ", 7, DEFAULT_OPTIONS, true, 7},
    };
    for (const auto& c : cases)
        EXPECT_EQ(keep_count(output(c.text), c.span, c.options, c.hint), c.expected) << c.text << "/" << c.span;
}

TEST(HintFrame, StaysInsideTheWorkArea)
{
    const RECT work = {0, 0, 800, 600};
    const SIZE text = {100, 16};
    const struct {
        const char* name;
        RECT anchor;
        RECT expected;
    } cases[] = {
        {"below the caret", {50, 100, 51, 120}, {50, 124, 168, 150}},
        {"right edge: shifted left", {780, 100, 781, 120}, {682, 124, 800, 150}},
        {"bottom edge: above the line", {50, 570, 51, 590}, {50, 540, 168, 566}},
        {"left of the work area", {-40, 100, -39, 120}, {0, 124, 118, 150}},
    };
    for (const auto& c : cases) {
        RECT frame = hint_frame(c.anchor, text, &work);
        EXPECT_EQ(frame.left, c.expected.left) << c.name;
        EXPECT_EQ(frame.top, c.expected.top) << c.name;
        EXPECT_EQ(frame.right, c.expected.right) << c.name;
        EXPECT_EQ(frame.bottom, c.expected.bottom) << c.name;
    }
}

TEST(LanguageIcon, IsDrawnAtTheSmallIconSize)
{
    EXPECT_EQ(language_icon_font_height(16), -14);
    EXPECT_EQ(language_icon_font_height(20), -17);
    for (bool english : {false, true}) {
        HICON icon = draw_language_icon(english, 20, 20);
        ASSERT_NE(icon, nullptr);
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP bitmap{};
        GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
        EXPECT_EQ(bitmap.bmWidth, 20);
        EXPECT_EQ(bitmap.bmHeight, 20);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}

TEST(PreservedKeys, ModifiersConvertAndWinIsDropped)
{
    const struct {
        Hotkey hotkey;
        UINT modifiers;
    } cases[] = {
        {{'Y', HK_CTRL | HK_ALT}, TF_MOD_CONTROL | TF_MOD_ALT},
        {{'V', HK_SHIFT}, TF_MOD_SHIFT},
        {{'V', HK_WIN | HK_CTRL}, TF_MOD_CONTROL},
    };
    for (const auto& c : cases) {
        TF_PRESERVEDKEY key = to_preserved_key(c.hotkey);
        EXPECT_EQ(key.uVKey, c.hotkey.vk);
        EXPECT_EQ(key.uModifiers, c.modifiers) << c.hotkey.mods;
    }
}

class FeatureHotkeysTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        keystrokes = new HostThreadMgr();
    }
    void TearDown() override
    {
        keystrokes->Release();
        CoUninitialize();
    }
    bool preserved(REFGUID guid, const Hotkey& hotkey)
    {
        TF_PRESERVEDKEY key = to_preserved_key(hotkey);
        return keystrokes->preserved(guid, key.uVKey, key.uModifiers);
    }

    HostThreadMgr* keystrokes = nullptr;
    const TfClientId client = 1;
    FeatureHotkeys state;
    const Hotkey ctrlAltV = {'V', HK_CTRL | HK_ALT};
    const Hotkey ctrlAltY = {'Y', HK_CTRL | HK_ALT};
};

TEST_F(FeatureHotkeysTest, SwappedCombinationsAreBothReRegistered)
{
    // The host's keystroke manager refuses a combination that is already taken,
    // so a new key preserved before the old one is freed would be lost.
    register_feature_hotkeys(keystrokes, client, state, ctrlAltV, ctrlAltY);
    ASSERT_TRUE(state.voice.registered && state.translate.registered);
    register_feature_hotkeys(keystrokes, client, state, ctrlAltY, ctrlAltV);
    EXPECT_TRUE(state.voice.registered);
    EXPECT_TRUE(state.translate.registered);
    EXPECT_TRUE(preserved(GUID_MIRADOT_KEY_VOICE, ctrlAltY));
    EXPECT_TRUE(preserved(GUID_MIRADOT_KEY_TRANSLATE, ctrlAltV));
    unregister_feature_hotkeys(keystrokes, state);
    EXPECT_FALSE(preserved(GUID_MIRADOT_KEY_VOICE, ctrlAltY));
    EXPECT_FALSE(preserved(GUID_MIRADOT_KEY_TRANSLATE, ctrlAltV));
}

TEST_F(FeatureHotkeysTest, NoHotkeyIsNotPreservedAndAFailureIsRetried)
{
    register_feature_hotkeys(keystrokes, client, state, ctrlAltV, NO_HOTKEY);
    EXPECT_TRUE(state.voice.registered);
    EXPECT_FALSE(state.translate.registered);
    // Another holder takes Ctrl+Alt+Y first: the pass fails for it, the next one succeeds.
    TF_PRESERVEDKEY taken = to_preserved_key(ctrlAltY);
    const GUID other = GUID_MIRADOT_LANGBAR_ITEM;
    ASSERT_EQ(keystrokes->PreserveKey(client, other, &taken, nullptr, 0), S_OK);
    register_feature_hotkeys(keystrokes, client, state, ctrlAltV, ctrlAltY);
    EXPECT_FALSE(state.translate.registered);
    keystrokes->UnpreserveKey(other, &taken);
    register_feature_hotkeys(keystrokes, client, state, ctrlAltV, ctrlAltY);
    EXPECT_TRUE(state.translate.registered);
    EXPECT_TRUE(preserved(GUID_MIRADOT_KEY_TRANSLATE, ctrlAltY));
}

} // namespace
