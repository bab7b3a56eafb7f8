// The notes the text service shows near the caret: the "Tab → …" hint, the
// voice note and the translation note, each one `CaretNote` in its own look.
#pragma once

#include <windows.h>

namespace miradot {

// Screen frame of a note whose text measures `text`, hung below `anchor` and
// kept inside the work area (above the anchor when there is no room below).
RECT note_frame(const RECT& anchor, SIZE text, const RECT* work);

// Where a note hangs when the text's own position is unknown: the caret of
// this thread, else the bottom edge of its focus window, else near (100, 100).
RECT caret_anchor();

// How one kind of note looks; its window class is how it is told apart.
struct NoteLook {
    const wchar_t* windowClass;
    COLORREF background;
    COLORREF text;
    bool letsClicksThrough;
};

extern const NoteLook HINT_LOOK;         // "miraDotHint"
extern const NoteLook VOICE_NOTE_LOOK;   // "miraDotVoiceNote"
extern const NoteLook TRANSLATION_LOOK;  // "miraDotTranslationNote"

// A topmost popup that never activates, made when first shown; a text wider
// than the work area wraps into lines.
class CaretNote {
public:
    explicit CaretNote(const NoteLook& look) : look_(look) {}
    ~CaretNote() { destroy(); }
    CaretNote(const CaretNote&) = delete;
    CaretNote& operator=(const CaretNote&) = delete;

    // Copies the text (at most 399 characters) and creates the window when needed;
    // false when there is no window to show it in.
    bool set_text(const wchar_t* text);
    // Places and shows the window below `anchor`, or at the caret when null.
    void place(const RECT* anchor);
    void hide();
    void destroy();

    bool empty() const { return text_[0] == 0; }
    HWND window() const { return window_; }
    // The note that `window` shows; null once that window is gone. Work that
    // runs later (an edit session granted late) reaches its note this way.
    static CaretNote* of(HWND window);

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    void paint();

    const NoteLook& look_;
    HWND window_ = nullptr;
    HFONT font_ = nullptr;
    wchar_t text_[400] = {};
};

}  // namespace miradot
