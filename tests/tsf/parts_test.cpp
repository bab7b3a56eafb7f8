// The processor's own rules that need no document and no native build:
// note placement, the Vietnamese layout, the language icon, preserved-key
// conversion and registration order (the edit plan is in edit_plan_test).
#include "host_tsf.h"

#include "../../tsf/guids.h"
#include "../../tsf/caret_note.h"
#include "../../tsf/language_bar.h"
#include "../../tsf/layout_chars.h"
#include "../../tsf/preserved_keys.h"

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <string>

using namespace miradot;

namespace {

TEST(VietnameseLayout, GivesTheEngineUsCharacters)
{
    const struct {
        WPARAM key;
        bool shift, caps;
        wchar_t expected;
    } cases[] = {
        {'1', true, false, L'!'},      {'2', true, false, L'@'},       {'0', true, false, L')'},
        {'7', false, false, L'7'},     {VK_OEM_1, true, false, L':'},  {VK_OEM_7, true, false, L'"'},
        {VK_OEM_5, true, false, L'|'}, {VK_OEM_3, false, false, L'`'}, {'A', false, false, L'a'},
        {'A', true, false, L'A'},      {'A', false, true, L'A'},       {'A', true, true, L'a'},
        {VK_SPACE, true, false, L' '}, {VK_F5, false, false, 0},       {VK_NUMPAD1, false, false, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(vietnamese_layout_char(c.key, c.shift, c.caps), c.expected) << c.key << c.shift << c.caps;
}

TEST(NoteFrame, StaysInsideTheWorkArea)
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
        RECT frame = note_frame(c.anchor, text, &work);
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

}  // namespace
