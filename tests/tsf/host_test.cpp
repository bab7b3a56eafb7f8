// End to end: the registered text service, loaded by COM from its DLL, types
// into documents of this host through real key events.
#include "host_fixture.h"
#include "host_window.h"

#include "../../tsf/com_ptr.h"
#include "../../tsf/guids.h"
#include "user_shorthand.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

namespace {

using miradot::ShorthandEntry;
using miradot::ShorthandList;

const TF_PRESERVEDKEY SWITCH_KEY = {VK_SPACE, TF_MOD_CONTROL | TF_MOD_SHIFT};

std::wstring button_text(ITfLangBarItemButton* button)
{
    BSTR text = nullptr;
    if (!button || FAILED(button->GetText(&text)))
        return L"(none)";
    std::wstring result(text);
    SysFreeString(text);
    return result;
}

struct TypingCase {
    const wchar_t* keys;
    const wchar_t* text;
    const wchar_t* composed;  // the marked word still being typed
};

TEST_F(HostTest, TypedKeysBecomeComposedThenCommittedText)
{
    const TypingCase cases[] = {
        {L"v", L"v", L"v"},
        {L"vi", L"vi", L"vi"},
        {L"vie", L"vie", L"vie"},
        {L"viee", L"vi\u00EA", L"vi\u00EA"},
        {L"vieet", L"vi\u00EAt", L"vi\u00EAt"},
        {L"vieetj", L"vi\u1EC7t", L"vi\u1EC7t"},
        {L"vieetj ", L"vi\u1EC7t ", L""},
        {L"vieetj nam", L"vi\u1EC7t nam", L"nam"},
        {L"vieetj nam ", L"vi\u1EC7t nam ", L""},
        {L"ddaau ", L"\u0111\u00E2u ", L""},
        {L"Vieetj", L"Vi\u1EC7t", L"Vi\u1EC7t"},
    };
    activate();
    LONG atom = display_attribute_atom();
    ASSERT_NE(atom, 0);
    for (const TypingCase& c : cases) {
        HostDocument fresh;
        threadMgr->set_focus(&fresh);
        threadMgr->type(c.keys);
        EXPECT_EQ(fresh.text(), c.text) << narrow(c.keys);
        std::wstring composed = fresh.text().substr(fresh.composition_span().start,
                                                    fresh.composition_span().end - fresh.composition_span().start);
        EXPECT_EQ(composed, c.composed) << narrow(c.keys);
        // Only the word being typed carries the display attribute.
        std::vector<Span> marked = fresh.attribute_spans(atom);
        if (*c.composed)
            EXPECT_EQ(marked, std::vector<Span>{fresh.composition_span()}) << narrow(c.keys);
        else
            EXPECT_TRUE(marked.empty()) << narrow(c.keys);
        EXPECT_EQ(fresh.selection().end, static_cast<int>(fresh.text().size())) << narrow(c.keys);
        threadMgr->set_focus(&document);
    }
}

TEST_F(HostTest, WordEndDecisionsReplaceTheComposedWord)
{
    const struct {
        const wchar_t* keys;
        const wchar_t* text;
    } cases[] = {
        {L"pass ", L"pass "},       // English keys are not left as "pás"
        {L"beeps ", L"b\u1EBFp "},  // a Vietnamese word is not taken back to "beeps"
        {L"vieetj ", L"vi\u1EC7t "},
    };
    for (bool transitory : {false, true}) {
        for (const auto& c : cases) {
            // A fresh processor each time: the kind of the previous word weighs on the next one.
            ASSERT_EQ(threadMgr->activate_processor(), S_OK);
            HostDocument fresh(transitory);
            threadMgr->set_focus(&fresh);
            threadMgr->type(c.keys);
            threadMgr->press(VK_ESCAPE);  // ends what a legacy control keeps composed
            EXPECT_EQ(fresh.text(), c.text) << narrow(c.keys) << transitory;
            EXPECT_FALSE(fresh.composing()) << narrow(c.keys) << transitory;
            threadMgr->deactivate_processor();
            threadMgr->set_focus(nullptr);
        }
    }
}

TEST_F(HostTest, CorrectionOfThePreviousWordReplacesExactlyThatWord)
{
    // "chuẩn" is kept open: the next word may show it was meant as "chẩn".
    activate();
    for (bool transitory : {false, true}) {
        HostDocument fresh(transitory);
        threadMgr->set_focus(&fresh);
        threadMgr->type(L"ab chuaanr ddoans ");
        EXPECT_EQ(fresh.text(), L"ab ch\u1EA9n \u0111o\u00E1n ") << transitory;
        threadMgr->press(VK_ESCAPE);
        EXPECT_EQ(fresh.text(), L"ab ch\u1EA9n \u0111o\u00E1n ") << transitory;
        EXPECT_FALSE(fresh.composing()) << transitory;
        threadMgr->set_focus(&document);
    }
}

std::string learned_file()
{
    HANDLE file
        = CreateFileW(learned_path().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    std::string content(1 << 16, '\0');
    DWORD got = 0;
    ReadFile(file, content.data(), static_cast<DWORD>(content.size()), &got, nullptr);
    CloseHandle(file);
    content.resize(got);
    return content;
}

TEST_F(HostTest, PasswordAndPrivateFieldsTeachTheEngineNothing)
{
    const struct {
        std::vector<InputScope> scopes;
        const wchar_t* keys;
        const char* word;  // UTF-8, as the learned-data file keeps it
        bool learned;
    } cases[] = {
        {{IS_PASSWORD}, L"chaof banj ", "ch\xC3\xA0o", false},
        {{IS_DEFAULT, IS_PRIVATE},
         L"khoer manhj ",
         "kh\xE1\xBB\x8F"
         "e",
         false},
        {{IS_NUMERIC_PIN}, L"tooi ddi ", "t\xC3\xB4i", false},
        {{IS_DEFAULT}, L"xinh ddepj ", "xinh", true},
        {{},
         L"muaf thu ",
         "m\xC3\xB9"
         "a",
         true},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(threadMgr->activate_processor(), S_OK);
        HostDocument field;
        field.inputScopes = c.scopes;
        threadMgr->set_focus(&field);
        threadMgr->type(c.keys);
        threadMgr->deactivate_processor();  // saves what was learned
        threadMgr->set_focus(nullptr);
        EXPECT_EQ(learned_file().find(c.word) != std::string::npos, c.learned) << c.word;
    }
}

struct BackspaceCase {
    const wchar_t* keys;
    int backspaces;
    const wchar_t* text;
    bool composing;
};

TEST_F(HostTest, BackspaceShortensTheWordThenDeletesCommittedText)
{
    const BackspaceCase cases[] = {
        {L"vieetj", 1, L"vi\u00EAt", true},  // the tone key goes first
        {L"vieetj", 3, L"vie", true},
        {L"vieetj", 6, L"", false},            // an emptied word leaves no composition behind
        {L"vieetj ", 1, L"vi\u1EC7t", false},  // committed text: the application deletes it
        {L"ab cd", 2, L"ab ", false},
    };
    activate();
    for (const BackspaceCase& c : cases) {
        HostDocument fresh;
        threadMgr->set_focus(&fresh);
        threadMgr->type(c.keys);
        for (int i = 0; i < c.backspaces; ++i)
            threadMgr->press(VK_BACK);
        EXPECT_EQ(fresh.text(), c.text) << narrow(c.keys) << " -" << c.backspaces;
        EXPECT_EQ(fresh.composing(), c.composing) << narrow(c.keys) << " -" << c.backspaces;
        threadMgr->set_focus(&document);
    }
}

TEST_F(HostTest, TabSwapsAnAmbiguousWordAndShowsTheHintBefore)
{
    activate();
    document.window = create_document_window(&document, display_attribute_atom(), 40, 40);
    threadMgr->type(L"mix ");
    EXPECT_EQ(document.text(), L"mix ");
    HWND hint = FindWindowW(L"miraDotHint", nullptr);
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(IsWindowVisible(hint));
    EXPECT_EQ(window_text(hint), L"Tab \u2192 m\u0129");
    // The note hangs below the word, not over it.
    RECT note, host;
    GetWindowRect(hint, &note);
    GetWindowRect(document.window, &host);
    EXPECT_GT(note.top, host.top + 10);

    pump_messages();
    EXPECT_TRUE(take_screenshot(L"hint_window.png"));

    EXPECT_TRUE(threadMgr->press(VK_TAB));
    EXPECT_EQ(document.text(), L"m\u0129 ");
    EXPECT_FALSE(document.composing());
    EXPECT_FALSE(IsWindowVisible(hint));
    // Nothing left to swap: Tab now reaches the application.
    EXPECT_FALSE(threadMgr->press(VK_TAB));
    // The swap taught the engine: the same keys now give the swapped word at once.
    threadMgr->type(L"mix ");
    EXPECT_EQ(document.text(), L"m\u0129 m\u0129 ");
}

// Written as the settings program writes it: a new file moved over the old.
void write_shorthand(std::initializer_list<ShorthandEntry> entries)
{
    ShorthandList list;
    list.entries = entries;
    ASSERT_TRUE(miradot::write_shorthand_file(narrow(shorthand_path()).c_str(), list));
}

TEST_F(HostTest, TheUsersShorthandFollowsItsFileWhileTheServiceRuns)
{
    activate();
    write_shorthand({{"kg", "kh\u00F4ng"}});
    threadMgr->type(L"kg ");
    EXPECT_EQ(document.text(), L"kh\u00F4ng ");
    // Changed while the service runs: the next word already knows the new entry.
    write_shorthand({{"kg", "kh\u00F4ng"}, {"sdt", "s\u1ED1 \u0111i\u1EC7n tho\u1EA1i"}});
    threadMgr->type(L"sdt ");
    EXPECT_EQ(document.text(), L"kh\u00F4ng s\u1ED1 \u0111i\u1EC7n tho\u1EA1i ");
    // Backspace right after gives the keys back, and so does Tab.
    EXPECT_TRUE(threadMgr->press(VK_BACK));
    EXPECT_EQ(document.text(), L"kh\u00F4ng sdt");
    threadMgr->type(L" Kg ");
    EXPECT_EQ(document.text(), L"kh\u00F4ng sdt Kh\u00F4ng ");
    EXPECT_TRUE(threadMgr->press(VK_TAB));
    EXPECT_EQ(document.text(), L"kh\u00F4ng sdt Kg ");
    // Gone from the list, gone from typing; and Backspace is the application's again.
    write_shorthand({{"sdt", "s\u1ED1 \u0111i\u1EC7n tho\u1EA1i"}});
    threadMgr->type(L"kg ");
    EXPECT_EQ(document.text(), L"kh\u00F4ng sdt Kg kg ");
    EXPECT_FALSE(threadMgr->press(VK_BACK));
}

TEST_F(HostTest, TheNextLetterWithdrawsTheHint)
{
    activate();
    threadMgr->type(L"mix ");
    HWND hint = FindWindowW(L"miraDotHint", nullptr);
    ASSERT_NE(hint, nullptr);
    ASSERT_TRUE(IsWindowVisible(hint));
    threadMgr->type(L"a");
    EXPECT_FALSE(IsWindowVisible(hint));
    // The offer is gone with it: Tab ends the new word and reaches the application.
    EXPECT_FALSE(threadMgr->press(VK_TAB));
    EXPECT_EQ(document.text(), L"mix a");
}

TEST_F(HostTest, NoHintWhenHintsAreSwitchedOff)
{
    const DWORD without_hints = 0xD3 & ~0x80u;
    for (bool while_running : {false, true}) {
        SettingsWriter settings;
        settings.set(L"OptionsKnown", 0xF7);
        settings.set(L"Options", while_running ? 0xD3 : without_hints);
        HostDocument fresh;
        ASSERT_EQ(threadMgr->activate_processor(), S_OK);
        threadMgr->set_focus(&fresh);
        if (while_running) {
            // Taken at the next key while no word is being typed.
            settings.set(L"Options", without_hints);
            threadMgr->press(VK_RIGHT);
        }
        threadMgr->type(L"mix ");
        HWND hint = FindWindowW(L"miraDotHint", nullptr);
        EXPECT_TRUE(!hint || !IsWindowVisible(hint)) << while_running;
        EXPECT_FALSE(threadMgr->press(VK_TAB)) << while_running;  // no swap on offer
        EXPECT_EQ(fresh.text(), L"mix ") << while_running;
        threadMgr->deactivate_processor();
        threadMgr->set_focus(nullptr);
    }
}

TEST_F(HostTest, CompositionIsDrawnMarkedInTheHostWindow)
{
    activate();
    document.window = create_document_window(&document, display_attribute_atom(), 40, 40);
    threadMgr->type(L"vieetj nam");
    EXPECT_EQ(document.composition_span(), (Span{5, 8}));
    pump_messages();
    EXPECT_TRUE(take_screenshot(L"composition.png"));
}

TEST_F(HostTest, WordEndingKeysCommitAndPassTheKeyOn)
{
    const struct {
        UINT vk;
        bool ctrl;
        const wchar_t* text;  // the application has the key after the word
    } keys[] = {{VK_ESCAPE, false, L"vi\u1EC7t"},
                {VK_RETURN, false, L"vi\u1EC7t\n"},
                {VK_LEFT, false, L"vi\u1EC7t"},
                {'C', true, L"vi\u1EC7t"}};
    activate();
    for (const auto& key : keys) {
        HostDocument fresh;
        threadMgr->set_focus(&fresh);
        threadMgr->type(L"vieetj");
        EXPECT_FALSE(threadMgr->press(key.vk, false, key.ctrl)) << key.vk;
        EXPECT_EQ(fresh.text(), key.text) << key.vk;
        EXPECT_FALSE(fresh.composing()) << key.vk;
        threadMgr->set_focus(&document);
    }
}

TEST_F(HostTest, ModifierKeysAloneAreNeverEaten)
{
    activate();
    threadMgr->type(L"vie");
    for (UINT vk : {VK_SHIFT, VK_CONTROL, VK_MENU, VK_CAPITAL})
        EXPECT_FALSE(threadMgr->press(vk)) << vk;
    EXPECT_TRUE(document.composing());
    EXPECT_EQ(document.text(), L"vie");
}

TEST_F(HostTest, SwitchKeyTurnsVietnameseOffAndOn)
{
    activate();
    ASSERT_TRUE(threadMgr->preserved(GUID_MIRADOT_KEY_LANGUAGE, VK_SPACE, TF_MOD_CONTROL | TF_MOD_SHIFT));
    EXPECT_EQ(button_text(threadMgr->button()), L"V");
    threadMgr->type(L"vieetj");
    int updates = threadMgr->buttonUpdates;
    EXPECT_TRUE(threadMgr->press(VK_SPACE, true, true));
    // The word in progress is committed before the switch.
    EXPECT_EQ(document.text(), L"vi\u1EC7t");
    EXPECT_FALSE(document.composing());
    EXPECT_EQ(button_text(threadMgr->button()), L"E");
    EXPECT_GT(threadMgr->buttonUpdates, updates);
    // English: every key reaches the application untouched, Backspace included.
    threadMgr->type(L" vieetj");
    threadMgr->press(VK_BACK);
    EXPECT_EQ(document.text(), L"vi\u1EC7t vieet");
    EXPECT_FALSE(document.composing());

    EXPECT_TRUE(threadMgr->press(VK_SPACE, true, true));
    EXPECT_EQ(button_text(threadMgr->button()), L"V");
    threadMgr->type(L" nam");
    EXPECT_TRUE(document.composing());
}

TEST_F(HostTest, EnglishStaysOnAcrossWindowsAndNewApplications)
{
    activate();
    EXPECT_TRUE(threadMgr->press(VK_SPACE, true, true));
    HostDocument other_window;
    threadMgr->set_focus(&other_window);
    threadMgr->type(L"vieetj ");
    EXPECT_EQ(other_window.text(), L"vieetj ");
    // An application started now gets a new processor, which reads the global state.
    threadMgr->deactivate_processor();
    threadMgr->set_focus(nullptr);
    HostThreadMgr* started = new HostThreadMgr();
    HostDocument started_document;
    ASSERT_EQ(started->activate_processor(), S_OK);
    started->set_focus(&started_document);
    EXPECT_EQ(button_text(started->button()), L"E");
    started->type(L"vieetj");
    EXPECT_EQ(started_document.text(), L"vieetj");
    EXPECT_FALSE(started_document.composing());
    started->deactivate_processor();
    started->set_focus(nullptr);
    started->Release();
}

TEST_F(HostTest, SwitchReachesTheProcessorOfAnotherThread)
{
    activate();
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE switched = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::wstring other_text, other_button;
    bool other_composing = true;
    std::thread other([&] {
        use_own_desktop();
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        {
            HostDocument other_document;
            HostThreadMgr* other_mgr = new HostThreadMgr();
            if (other_mgr->activate_processor() == S_OK) {
                other_mgr->set_focus(&other_document);
                SetEvent(ready);
                WaitForSingleObject(switched, 10000);
                other_button = button_text(other_mgr->button());
                other_mgr->type(L"vieetj");
                other_text = other_document.text();
                other_composing = other_document.composing();
                other_mgr->deactivate_processor();
                other_mgr->set_focus(nullptr);
            }
            SetEvent(ready);
            other_mgr->Release();
        }
        CoUninitialize();
    });
    WaitForSingleObject(ready, 10000);
    EXPECT_TRUE(threadMgr->press(VK_SPACE, true, true));
    SetEvent(switched);
    other.join();
    CloseHandle(ready);
    CloseHandle(switched);
    EXPECT_EQ(other_button, L"E");
    EXPECT_EQ(other_text, L"vieetj");
    EXPECT_FALSE(other_composing);
}

TEST_F(HostTest, WithoutGlobalCompartmentTheSwitchStillWorksInItsThread)
{
    threadMgr->offerGlobalCompartment = false;
    activate();
    EXPECT_TRUE(threadMgr->press(VK_SPACE, true, true));
    EXPECT_EQ(button_text(threadMgr->button()), L"E");
    threadMgr->type(L"vieetj");
    EXPECT_EQ(document.text(), L"vieetj");
}

TEST_F(HostTest, WithoutLanguageBarTypingWorks)
{
    threadMgr->offerLanguageBar = false;
    activate();
    EXPECT_EQ(threadMgr->button(), nullptr);
    threadMgr->type(L"vieetj ");
    EXPECT_EQ(document.text(), L"vi\u1EC7t ");
}

struct PolicyCase {
    const char* name;
    SessionPolicy policy;
    bool compositions;
    const wchar_t* keys;
    const wchar_t* text;
};

TEST_F(HostTest, ApplicationsThatLimitEditsLoseNoText)
{
    const PolicyCase cases[] = {
        {"asynchronous only", SessionPolicy::AsyncOnly, true, L"vieetj nam ", L"vi\u1EC7t nam "},
        // A browser may grant the sessions of several keys only later, all at once.
        {"granted late", SessionPolicy::Deferred, true, L"vieetj nam ", L"vi\u1EC7t nam "},
        // Without compositions every key's result is inserted as it comes.
        {"no compositions", SessionPolicy::Grant, false, L"vieetj nam ", L"vieetj nam "},
    };
    activate();
    for (const PolicyCase& c : cases) {
        HostDocument fresh;
        fresh.policy = c.policy;
        fresh.acceptsCompositions = c.compositions;
        threadMgr->set_focus(&fresh);
        threadMgr->type(c.keys);
        fresh.run_pending_sessions();
        EXPECT_EQ(fresh.text(), c.text) << c.name;
        EXPECT_FALSE(fresh.composing()) << c.name;
        threadMgr->set_focus(&document);
    }
}

TEST_F(HostTest, ApplicationRewritingTheFieldMidWordLosesAndDoublesNothing)
{
    const struct {
        const char* name;
        int start, end;  // what the application rewrites; -1 = to the end
        const wchar_t* with;
        const wchar_t* text;  // after the rest of the keys
    } cases[] = {
        // A page script setting the value it already shows: the word stays as shown
        // and the next key starts a new one.
        {"same value", 0, -1, L"xin vi\u00EAt", L"xin vi\u00EAtj nam "},
        // A cell editor capitalising what was typed before the word: the word goes on.
        {"text before the word", 0, 3, L"Xin", L"Xin vi\u1EC7t nam "},
        // An editor replacing the line, word and all.
        {"whole line", 0, -1, L"xin chao", L"xin chaoj nam "},
    };
    activate();
    for (const auto& c : cases) {
        HostDocument fresh;
        threadMgr->set_focus(&fresh);
        threadMgr->type(L"xin vieet");
        ASSERT_TRUE(fresh.composing()) << c.name;
        int end = c.end < 0 ? static_cast<int>(fresh.text().size()) : c.end;
        fresh.rewrite(c.start, end, c.with);
        threadMgr->type(L"j nam ");
        EXPECT_EQ(fresh.text(), c.text) << c.name;
        EXPECT_FALSE(fresh.composing()) << c.name;
        threadMgr->set_focus(&document);
    }
}

TEST_F(HostTest, RefusedEditSessionIsMadeUpLater)
{
    const struct {
        const char* name;
        const wchar_t* before;   // typed while the application grants edits
        const wchar_t* refused;  // typed while it refuses them
        UINT then;               // the key pressed once it grants them again, 0 = none
        const wchar_t* after;
        const wchar_t* text;
        bool leaves = false;  // the focus leaves while it refuses, and comes back once it grants
    } cases[] = {
        {"inside the word", L"vie", L"e", 0, L"tj ", L"vi\u1EC7t "},
        // The word it refused to end is ended when the focus comes back.
        {"the focus leaving", L"vieetj", L"", 0, L"", L"vi\u1EC7t", true},
        {"the focus leaving, then more", L"vieetj", L"", 0, L" nam ", L"vi\u1EC7t nam ", true},
        // The committed word is written with the next key, never lost.
        {"the word's end", L"vieetj", L" ", 0, L"nam ", L"vi\u1EC7t nam "},
        {"the word's end, then Enter", L"vieetj", L" ", VK_RETURN, L"", L"vi\u1EC7t \n"},
        {"the word's end, then a switch", L"vieetj", L" ", VK_SPACE, L"", L"vi\u1EC7t "},
    };
    activate();
    for (const auto& c : cases) {
        HostDocument fresh;
        threadMgr->set_focus(&fresh);
        threadMgr->type(c.before);
        fresh.policy = SessionPolicy::Refuse;
        threadMgr->type(c.refused);
        if (c.leaves)
            threadMgr->set_focus(&document);
        fresh.policy = SessionPolicy::Grant;
        if (c.leaves)
            threadMgr->set_focus(&fresh);
        if (c.then == VK_SPACE)
            threadMgr->press(VK_SPACE, true, true);
        else if (c.then)
            threadMgr->press(c.then);
        threadMgr->type(c.after);
        EXPECT_EQ(fresh.text(), c.text) << c.name;
        EXPECT_FALSE(fresh.composing()) << c.name;
        threadMgr->set_focus(&document);
        if (c.then == VK_SPACE)
            threadMgr->press(VK_SPACE, true, true);  // back to Vietnamese
    }
}

// How a document grants edit sessions, for the cases that must come out the
// same whichever it is; a document that refuses them has its own cases.
const struct GrantCase {
    const char* name;
    SessionPolicy policy;
} GRANTS[] = {
    {"immediate", SessionPolicy::Grant},
    {"asynchronous", SessionPolicy::AsyncOnly},
    {"deferred", SessionPolicy::Deferred},
};

// A field of an application: a document with a window of its own, to which
// the processor sends again the keys it held back.
class Field {
public:
    explicit Field(SessionPolicy policy, bool shown = false)
    {
        document.policy = policy;
        if (shown)
            create_document_window(&document, display_attribute_atom(), 40, 40);
        else
            create_document_message_window(&document);
    }
    ~Field() { DestroyWindow(document.window); }
    Field(const Field&) = delete;
    Field& operator=(const Field&) = delete;

    HostDocument document;
};

TEST_F(HostTest, KeysThatEndOrEditTheWordNeverOvertakeItsWrite)
{
    const struct {
        const wchar_t* before;
        UINT vk;
        const wchar_t* after;
        const wchar_t* text;
    } cases[] = {
        {L"ab vieetj", VK_RETURN, L"nam", L"ab vi\u1EC7t\nnam"},
        {L"ab vieetj ", VK_BACK, L"x", L"ab vi\u1EC7tx"},
        {L"ab vieetj", VK_ESCAPE, L"nam", L"ab vi\u1EC7tnam"},
        {L"ab vieetj", VK_LEFT, L"x", L"ab vi\u1EC7xt"},
        // Keys typed after a held key wait with it, capitals included.
        {L"ab vieetj", VK_RETURN, L"Nam ", L"ab vi\u1EC7t\nNam "},
    };
    activate();
    for (const GrantCase& grant : GRANTS) {
        for (const auto& c : cases) {
            Field field(grant.policy);
            threadMgr->set_focus(&field.document);
            threadMgr->type(c.before);
            threadMgr->press(c.vk);
            threadMgr->type(c.after);
            field.document.run_pending_sessions();
            EXPECT_EQ(field.document.text(), c.text) << grant.name << " " << narrow(c.before) << " " << c.vk;
            threadMgr->set_focus(&document);
        }
    }
}

TEST_F(HostTest, ClickWhileTheWordWaitsLeavesItWhereItWasTyped)
{
    const struct {
        const wchar_t* written;  // granted before the word
        const wchar_t* word;     // typed while the document grants late
        int click;
        const wchar_t* after;
        const wchar_t* text;
    } cases[] = {
        {L"", L"xin vieetj", 0, L"a", L"axin vi\u1EC7t"},
        {L"hello ", L"vieetj", 2, L"x", L"hexllo vi\u1EC7t"},
    };
    activate();
    for (const GrantCase& grant : GRANTS) {
        for (const auto& c : cases) {
            Field field(SessionPolicy::Grant);
            threadMgr->set_focus(&field.document);
            threadMgr->type(c.written);
            field.document.policy = grant.policy;
            threadMgr->type(c.word);
            field.document.move_caret(c.click);
            threadMgr->type(c.after);
            field.document.run_pending_sessions();
            EXPECT_EQ(field.document.text(), c.text) << grant.name << " " << narrow(c.word);
            // The new word is the one being typed, at the click.
            EXPECT_EQ(field.document.composition_span(), (Span{c.click, c.click + 1})) << grant.name;
            threadMgr->set_focus(&document);
        }
    }
}

TEST_F(HostTest, FocusLeavingWhileTheWordWaitsKeepsIt)
{
    activate();
    for (const GrantCase& grant : GRANTS) {
        Field first(grant.policy), second(grant.policy);
        threadMgr->set_focus(&first.document);
        threadMgr->type(L"vieetj");
        threadMgr->set_focus(&second.document);
        threadMgr->type(L"nam ");
        threadMgr->set_focus(&first.document);
        threadMgr->type(L" ab ");
        first.document.run_pending_sessions();
        second.document.run_pending_sessions();
        EXPECT_EQ(first.document.text(), L"vi\u1EC7t ab ") << grant.name;
        EXPECT_EQ(second.document.text(), L"nam ") << grant.name;
        threadMgr->set_focus(&document);
    }
}

TEST_F(HostTest, TabAfterTheApplicationWroteUnannouncedSwapsNothing)
{
    activate();
    for (const GrantCase& grant : GRANTS) {
        Field field(grant.policy);
        threadMgr->set_focus(&field.document);
        threadMgr->type(L"ab mix ");
        field.document.run_pending_sessions();
        EXPECT_EQ(field.document.text(), L"ab mix ") << grant.name;
        field.document.type_plainly(L'z');  // a script, without a word to the text service
        threadMgr->press(VK_TAB);
        field.document.run_pending_sessions();
        EXPECT_EQ(field.document.text(), L"ab mix z") << grant.name;
        EXPECT_FALSE(field.document.composing()) << grant.name;
        threadMgr->set_focus(&document);
    }
}

// The switch is a preserved key: it waits behind held keys like any other.
TEST_F(HostTest, SwitchWhileTheWordWaitsComesAfterIt)
{
    activate();
    for (const GrantCase& grant : GRANTS) {
        Field field(grant.policy);
        threadMgr->set_focus(&field.document);
        threadMgr->type(L"ka? a ");
        threadMgr->press(VK_SPACE, true, true);
        threadMgr->type(L"ga");
        threadMgr->press(VK_BACK);
        threadMgr->type(L"on");
        field.document.run_pending_sessions();
        EXPECT_EQ(field.document.text(), L"ka? a gon") << grant.name;
        threadMgr->press(VK_SPACE, true, true);
        threadMgr->set_focus(&document);
    }
}

TEST_F(HostTest, TypeFailsOnACharacterWithoutAKey)
{
    activate();
    threadMgr->type(L"(vieetj) ");
    EXPECT_EQ(document.text(), L"(vi\u1EC7t) ");
    EXPECT_NONFATAL_FAILURE(threadMgr->type(L"\u4E2D"), "no key types U+4e2d");
}

TEST_F(HostTest, FocusChangeMidWordCommitsItWhereItWasTyped)
{
    activate();
    threadMgr->type(L"vieetj");
    HostDocument second;
    threadMgr->set_focus(&second);
    EXPECT_EQ(document.text(), L"vi\u1EC7t");
    EXPECT_FALSE(document.composing());
    threadMgr->type(L"nam");
    EXPECT_EQ(second.text(), L"nam");
    EXPECT_TRUE(second.composing());
    EXPECT_EQ(document.text(), L"vi\u1EC7t");
    threadMgr->set_focus(&document);
}

TEST_F(HostTest, CaretMovedElsewhereEndsTheWordAsShown)
{
    activate();
    threadMgr->type(L"vieetj");
    document.move_caret(0);
    EXPECT_FALSE(document.composing());
    EXPECT_EQ(document.text(), L"vi\u1EC7t");
    threadMgr->type(L"a");
    EXPECT_EQ(document.text(), L"avi\u1EC7t");
    EXPECT_EQ(document.composition_span(), (Span{0, 1}));
}

TEST_F(HostTest, DeactivationMidWordLeavesTheWordCommitted)
{
    activate();
    EXPECT_TRUE(threadMgr->event_sink_advised());
    EXPECT_EQ(document.edit_sinks(), 1u);
    EXPECT_EQ(threadMgr->preserved_keys(), 3u);  // the switch and the two feature hotkeys
    threadMgr->type(L"vieetj");
    threadMgr->deactivate_processor();
    EXPECT_EQ(document.text(), L"vi\u1EC7t");
    EXPECT_FALSE(document.composing());
    // Every sink and key it took is given back.
    EXPECT_EQ(threadMgr->preserved_keys(), 0u);
    EXPECT_EQ(threadMgr->button(), nullptr);
    CLSID foreground;
    EXPECT_EQ(threadMgr->GetForeground(&foreground), S_FALSE);
    EXPECT_FALSE(threadMgr->event_sink_advised());
    EXPECT_EQ(document.edit_sinks(), 0u);
}

TEST_F(HostTest, ActivationThatCannotTakeKeysFailsAndGivesBackWhatItTook)
{
    threadMgr->acceptKeySink = false;
    threadMgr->set_focus(&document);
    EXPECT_EQ(threadMgr->activate_processor(), E_FAIL);
    EXPECT_EQ(threadMgr->preserved_keys(), 0u);
    EXPECT_FALSE(threadMgr->event_sink_advised());
    EXPECT_EQ(threadMgr->button(), nullptr);
    EXPECT_EQ(document.edit_sinks(), 0u);
    // The keys reach the application untouched.
    threadMgr->type(L"vieetj");
    EXPECT_EQ(document.text(), L"vieetj");
}

TEST_F(HostTest, FeatureHotkeysFollowTheSettings)
{
    activate();
    EXPECT_TRUE(threadMgr->preserved(GUID_MIRADOT_KEY_VOICE, 'V', TF_MOD_CONTROL | TF_MOD_ALT));
    EXPECT_TRUE(threadMgr->preserved(GUID_MIRADOT_KEY_TRANSLATE, 'Y', TF_MOD_CONTROL | TF_MOD_ALT));
    // Swapping the two combinations must free both old keys before taking the new ones.
    SettingsWriter settings;
    settings.set(L"HotkeyVoice", L"Ctrl+Alt+Y");
    settings.set(L"HotkeyTranslate", L"Ctrl+Alt+V");
    HostDocument other;
    threadMgr->set_focus(&other);  // a focus change re-reads the settings
    EXPECT_TRUE(threadMgr->preserved(GUID_MIRADOT_KEY_VOICE, 'Y', TF_MOD_CONTROL | TF_MOD_ALT));
    EXPECT_TRUE(threadMgr->preserved(GUID_MIRADOT_KEY_TRANSLATE, 'V', TF_MOD_CONTROL | TF_MOD_ALT));
    // A change seen by the watcher is applied at the next key, without a focus change.
    settings.remove(L"HotkeyVoice");
    settings.remove(L"HotkeyTranslate");
    threadMgr->press(VK_SPACE);
    EXPECT_TRUE(threadMgr->preserved(GUID_MIRADOT_KEY_VOICE, 'V', TF_MOD_CONTROL | TF_MOD_ALT));
    EXPECT_TRUE(threadMgr->preserved(GUID_MIRADOT_KEY_TRANSLATE, 'Y', TF_MOD_CONTROL | TF_MOD_ALT));
    // The voice hotkey wins a clash: translation is left without one.
    settings.set(L"HotkeyVoice", L"Ctrl+Alt+Y");
    threadMgr->press(VK_SPACE);
    EXPECT_TRUE(threadMgr->preserved(GUID_MIRADOT_KEY_VOICE, 'Y', TF_MOD_CONTROL | TF_MOD_ALT));
    EXPECT_EQ(threadMgr->preserved_keys(), 2u);  // the switch and the voice key
    threadMgr->set_focus(&document);
}

TEST_F(HostTest, LanguageBarButtonAnswersAndSwitchesOnClick)
{
    activate();
    ITfLangBarItemButton* button = threadMgr->button();
    ASSERT_NE(button, nullptr);
    TF_LANGBARITEMINFO info{};
    ASSERT_EQ(button->GetInfo(&info), S_OK);
    EXPECT_TRUE(IsEqualGUID(info.guidItem, GUID_MIRADOT_LANGBAR_ITEM));
    EXPECT_STREQ(info.szDescription, L"miraDot V/E");
    BSTR tooltip = nullptr;
    ASSERT_EQ(button->GetTooltipString(&tooltip), S_OK);
    EXPECT_STREQ(tooltip, L"miraDot: Ti\u1EBFng Vi\u1EC7t (Ctrl+Shift+Space)");
    SysFreeString(tooltip);
    HICON icon = nullptr;
    ASSERT_EQ(button->GetIcon(&icon), S_OK);
    ICONINFO drawn{};
    ASSERT_TRUE(GetIconInfo(icon, &drawn));
    BITMAP bitmap{};
    GetObjectW(drawn.hbmColor, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, GetSystemMetrics(SM_CXSMICON));
    DeleteObject(drawn.hbmColor);
    DeleteObject(drawn.hbmMask);
    DestroyIcon(icon);
    // The host already advised its sink: a second one is refused.
    ComPtr<ITfSource> source;
    ASSERT_EQ(button->QueryInterface(IID_ITfSource, source.out_void()), S_OK);
    DWORD cookie = 0;
    EXPECT_EQ(source->AdviseSink(IID_ITfLangBarItemSink, button, &cookie), CONNECT_E_ADVISELIMIT);

    EXPECT_EQ(button->OnClick(TF_LBI_CLK_LEFT, POINT{0, 0}, nullptr), S_OK);
    EXPECT_EQ(button_text(button), L"E");
    ASSERT_EQ(button->GetTooltipString(&tooltip), S_OK);
    EXPECT_STREQ(tooltip, L"miraDot: English (Ctrl+Shift+Space)");
    SysFreeString(tooltip);
}

// What the user sees of the button's menu; the first item is then chosen with the keyboard.
std::vector<std::wstring> g_menu_items;

void CALLBACK choose_first_menu_item(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND shown = FindWindowW(L"#32768", nullptr);
    if (!shown)
        return;  // not up yet: the timer comes again
    KillTimer(nullptr, timer);
    auto menu = reinterpret_cast<HMENU>(SendMessageW(shown, MN_GETHMENU, 0, 0));
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[64] = {};
        GetMenuStringW(menu, i, text, 64, MF_BYPOSITION);
        g_menu_items.push_back(text);
    }
    PostMessageW(shown, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(shown, WM_KEYDOWN, VK_RETURN, 0);
}

void CALLBACK close_menu(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    EndMenu();
}

TEST_F(HostTest, RightClickMenuOffersTheSwitchAndTheSettings)
{
    activate();
    ITfLangBarItemButton* button = threadMgr->button();
    ASSERT_NE(button, nullptr);
    g_menu_items.clear();
    UINT_PTR chooser = SetTimer(nullptr, 0, 50, choose_first_menu_item);
    UINT_PTR bound = SetTimer(nullptr, 0, 15000, close_menu);  // never left hanging
    EXPECT_EQ(button->OnClick(TF_LBI_CLK_RIGHT, POINT{200, 300}, nullptr), S_OK);
    KillTimer(nullptr, chooser);
    KillTimer(nullptr, bound);
    EXPECT_EQ(g_menu_items, (std::vector<std::wstring>{L"Chuy\u1EC3n Vi\u1EC7t / Anh\tCtrl+Shift+Space",
                                                       L"C\u00E0i \u0111\u1EB7t\u2026"}));
    EXPECT_EQ(button_text(button), L"E");  // the first item switched
}

TEST_F(HostTest, DisplayAttributeIsOfferedByTheProcessor)
{
    activate();
    ComPtr<ITfDisplayAttributeProvider> provider;
    ASSERT_EQ(threadMgr->processor()->QueryInterface(IID_ITfDisplayAttributeProvider, provider.out_void()), S_OK);
    ComPtr<ITfDisplayAttributeInfo> info;
    ASSERT_EQ(provider->GetDisplayAttributeInfo(GUID_MIRADOT_DISPLAY_ATTRIBUTE, info.out()), S_OK);
    BSTR description = nullptr;
    ASSERT_EQ(info->GetDescription(&description), S_OK);
    EXPECT_STREQ(description, L"miraDot: word being typed");
    SysFreeString(description);
    TF_DISPLAYATTRIBUTE attribute{};
    ASSERT_EQ(info->GetAttributeInfo(&attribute), S_OK);
    EXPECT_EQ(attribute.bAttr, TF_ATTR_INPUT);
    EXPECT_EQ(attribute.lsStyle, TF_LS_SOLID);
    EXPECT_EQ(provider->GetDisplayAttributeInfo(GUID_MIRADOT_LANGBAR_ITEM, info.out()), E_INVALIDARG);

    ComPtr<IEnumTfDisplayAttributeInfo> all;
    ASSERT_EQ(provider->EnumDisplayAttributeInfo(all.out()), S_OK);
    ITfDisplayAttributeInfo* fetched[2] = {};
    ULONG count = 0;
    EXPECT_EQ(all->Next(2, fetched, &count), S_FALSE);
    EXPECT_EQ(count, 1u);
    fetched[0]->Release();
    EXPECT_EQ(all->Next(1, fetched, &count), S_FALSE);
    EXPECT_EQ(count, 0u);
}

// The text service built to fail on purpose where the test says: each fault
// is contained, the key reaches the document, and typing in that field stays
// off, with a note, until the next activation.
TEST_F(HostTest, FaultInsideTheTextServiceLeavesTheApplicationTyping)
{
    const std::wstring failing = folder_of_program() + L"\\stage\\tsf\\miradot_tsf_failing.dll";
    const wchar_t* note_text = L"miraDot g\u1EB7p s\u1EF1 c\u1ED1 n\u00EAn \u0111\u00E3 t\u1EAFt g\u00F5 ti\u1EBFng "
                               L"Vi\u1EC7t trong \u00F4 n\u00E0y.";
    const struct {
        const wchar_t* fault;
        const char* name;
    } faults[] = {
        {L"alloc", "allocation failure in key handling"},
        {L"throw", "exception in key handling"},
        {L"session", "exception in an edit session"},
    };
    for (const auto& f : faults) {
        ASSERT_EQ(threadMgr->activate_processor(failing.c_str()), S_OK) << f.name;
        Field field(SessionPolicy::Grant, true);
        threadMgr->set_focus(&field.document);
        threadMgr->type(L"vie");
        ASSERT_TRUE(field.document.composing()) << f.name;
        SetEnvironmentVariableW(L"MIRADOT_TEST_FAULT", f.fault);
        EXPECT_FALSE(threadMgr->press('E')) << f.name;  // the application has the key
        HWND note = FindWindowW(L"miraDotHint", note_text);
        ASSERT_NE(note, nullptr) << f.name;
        EXPECT_TRUE(IsWindowVisible(note)) << f.name;
        if (f.fault == faults[0].fault) {
            pump_messages();
            RECT frame;
            GetWindowRect(note, &frame);
            InflateRect(&frame, 12, 12);
            EXPECT_TRUE(take_screenshot(L"fault_note.png", frame));
        }
        threadMgr->type(L"tj ");
        EXPECT_EQ(field.document.text(), L"vieetj ") << f.name;
        EXPECT_FALSE(field.document.composing()) << f.name;
        // Another field types on; this one stays plain.
        HostDocument other;
        threadMgr->set_focus(&other);
        threadMgr->type(L"vieetj ");
        EXPECT_EQ(other.text(), L"vi\u1EC7t ") << f.name;
        threadMgr->set_focus(&field.document);
        threadMgr->type(L"aa");
        EXPECT_EQ(field.document.text(), L"vieetj aa") << f.name;
        threadMgr->deactivate_processor();
        threadMgr->set_focus(nullptr);
        // The next activation types there again.
        ASSERT_EQ(threadMgr->activate_processor(failing.c_str()), S_OK) << f.name;
        threadMgr->set_focus(&field.document);
        threadMgr->type(L" vieetj ");
        EXPECT_EQ(field.document.text(), L"vieetj aa vi\u1EC7t ") << f.name;
        threadMgr->deactivate_processor();
        threadMgr->set_focus(nullptr);
    }
}

// A legacy control seen through TSF: keys and clicks that end the word reach
// the control only after the edit, so the processor takes them and sends them again.
class TransitoryTest : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        activate();
        threadMgr->set_focus(&legacy);
        legacy.window = create_document_window(&legacy, display_attribute_atom(), 40, 200);
        SetForegroundWindow(legacy.window);
        SetFocus(legacy.window);
        // The window manager maps and focuses the window in its own time.
        ASSERT_TRUE(pump_until([&] { return GetFocus() == legacy.window && IsWindowVisible(legacy.window); }));
    }
    void TearDown() override
    {
        threadMgr->set_focus(&document);
        DestroyWindow(legacy.window);
        HostTest::TearDown();
    }

    HostDocument legacy{true};
};

TEST_F(TransitoryTest, EnterIsEatenAndReplayedAfterTheCommit)
{
    threadMgr->type(L"vieetj");
    EXPECT_TRUE(threadMgr->press(VK_RETURN));
    EXPECT_EQ(legacy.text(), L"vi\u1EC7t\n");
    EXPECT_FALSE(legacy.composing());
    EXPECT_TRUE(pump_until([&] { return received(legacy.window).keyDowns > 0; }));
    pump_messages();
    EXPECT_EQ(received(legacy.window).keyDowns, 1);
    EXPECT_EQ(received(legacy.window).lastKey, static_cast<WPARAM>(VK_RETURN));
}

TEST_F(TransitoryTest, EscapeEndsWhatTheControlKeepsComposed)
{
    for (const GrantCase& grant : GRANTS) {
        HostDocument control(true);
        control.policy = grant.policy;
        control.window = legacy.window;  // drawn there, and sent keys there
        threadMgr->set_focus(&control);
        threadMgr->type(L"vieetj ");
        threadMgr->press(VK_ESCAPE);
        control.run_pending_sessions();
        EXPECT_EQ(control.text(), L"vi\u1EC7t ") << grant.name;
        EXPECT_FALSE(control.composing()) << grant.name;
        threadMgr->set_focus(&legacy);
    }
}

TEST_F(TransitoryTest, ClickEndsTheWordAsShownAndStillLands)
{
    threadMgr->type(L"vieetj");
    ASSERT_TRUE(legacy.composing());
    RECT frame;
    GetWindowRect(legacy.window, &frame);
    POINT target{frame.left + 200, frame.top + 20};
    SetCursorPos(target.x, target.y);
    ASSERT_TRUE(pump_until([&] {
        POINT at;
        return GetCursorPos(&at) && at.x == target.x && at.y == target.y && WindowFromPoint(target) == legacy.window;
    }));
    INPUT click[2] = {};
    click[0].type = click[1].type = INPUT_MOUSE;
    click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ASSERT_EQ(SendInput(2, click, sizeof(INPUT)), 2u);
    // The hook swallows the click, ends the word in an asynchronous session and replays the click.
    EXPECT_TRUE(pump_until([&] {
        legacy.run_pending_sessions();
        return received(legacy.window).clicks > 0 && !legacy.composing();
    }));
    pump_messages();
    EXPECT_EQ(received(legacy.window).clicks, 1);
    EXPECT_FALSE(legacy.composing());
    EXPECT_EQ(legacy.text(), L"vi\u1EC7t");
    // The engine starts afresh: the next letter begins a new word.
    threadMgr->type(L"a");
    EXPECT_EQ(legacy.text(), L"vi\u1EC7ta");
}

TEST_F(TransitoryTest, HintFollowsTheSystemCaret)
{
    // A legacy control has no text extents to offer; its caret tells where the text is.
    ASSERT_TRUE(CreateCaret(legacy.window, nullptr, 1, 16));
    ASSERT_TRUE(SetCaretPos(120, 10));
    threadMgr->type(L"mix ");
    HWND hint = FindWindowW(L"miraDotHint", nullptr);
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(IsWindowVisible(hint));
    POINT caret{120, 10};
    ClientToScreen(legacy.window, &caret);
    RECT note;
    GetWindowRect(hint, &note);
    EXPECT_EQ(note.left, caret.x);
    EXPECT_EQ(note.top, caret.y + 16 + 4);
    DestroyCaret();
}

// The one path where Wine's own thread manager drives the processor: the
// registered profile is activated by Wine, which calls Activate and keeps the
// preserved switch key; the language bar, which Wine lacks, is simply absent.
TEST(WineThreadMgr, ActivatesTheRegisteredProfile)
{
    ComPtr<ITfInputProcessorProfiles> profiles;
    ASSERT_EQ(CoCreateInstance(CLSID_TF_InputProcessorProfiles, nullptr, CLSCTX_INPROC_SERVER,
                               IID_ITfInputProcessorProfiles, profiles.out_void()),
              S_OK);
    LANGID language = 0;
    ASSERT_EQ(profiles->GetCurrentLanguage(&language), S_OK);
    // Wine only activates profiles of its current language.
    profiles->AddLanguageProfile(CLSID_MIRADOT, language, GUID_MIRADOT_PROFILE, L"miraDot", 7, L"", 0, 0);
    ASSERT_EQ(profiles->EnableLanguageProfile(CLSID_MIRADOT, language, GUID_MIRADOT_PROFILE, TRUE), S_OK);
    ComPtr<ITfThreadMgr> wine;
    ASSERT_EQ(CoCreateInstance(CLSID_TF_ThreadMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ITfThreadMgr, wine.out_void()),
              S_OK);
    // Wine lists the profile only after activating it, and its keystroke
    // manager refuses a text service it cannot find in the list: the profile
    // is made active first and the thread manager activated afterwards.
    ASSERT_EQ(profiles->ActivateLanguageProfile(CLSID_MIRADOT, language, GUID_MIRADOT_PROFILE), S_OK);
    TfClientId id = 0;
    ASSERT_EQ(wine->Activate(&id), S_OK);
    ComPtr<ITfKeystrokeMgr> keystrokes;
    ASSERT_EQ(wine->QueryInterface(IID_ITfKeystrokeMgr, keystrokes.out_void()), S_OK);
    CLSID foreground{};
    EXPECT_EQ(keystrokes->GetForeground(&foreground), S_OK);
    EXPECT_TRUE(IsEqualCLSID(foreground, CLSID_MIRADOT));
    BOOL registered = FALSE;
    keystrokes->IsPreservedKey(GUID_MIRADOT_KEY_LANGUAGE, &SWITCH_KEY, &registered);
    EXPECT_TRUE(registered);
    ASSERT_EQ(wine->Deactivate(), S_OK);
    keystrokes->IsPreservedKey(GUID_MIRADOT_KEY_LANGUAGE, &SWITCH_KEY, &registered);
    EXPECT_FALSE(registered);
    EXPECT_EQ(keystrokes->GetForeground(&foreground), S_FALSE);
}

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (!use_own_desktop()) {
        fprintf(stderr, "no desktop of our own\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // Settings and learning stay inside this run.
    SetEnvironmentVariableW(L"MIRADOT_SETTINGS_KEY", settings_key().c_str());
    SetEnvironmentVariableW(L"MIRADOT_USER_FILE", learned_path().c_str());
    GdiplusSession gdiplus;
    int result = RUN_ALL_TESTS();
    // The prefix is shared: leave it as it was found (a child of this
    // program leaves that to its parent, which still runs).
    if (!GetEnvironmentVariableW(L"HOST_TEST_CHILD", nullptr, 0))
        call_server_entry("DllUnregisterServer");
    RegDeleteTreeW(HKEY_CURRENT_USER, settings_key().c_str());
    DeleteFileW(learned_path().c_str());
    DeleteFileW(shorthand_path().c_str());
    CoUninitialize();
    return result;
}
