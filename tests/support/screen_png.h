// The tests' screenshots: a rectangle of the screen saved as a PNG with GDI+,
// which a GdiplusSession keeps running for the test program's life.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

class GdiplusSession {
public:
    GdiplusSession()
    {
        Gdiplus::GdiplusStartupInput startup;
        Gdiplus::GdiplusStartup(&token_, &startup, nullptr);
    }
    ~GdiplusSession() { Gdiplus::GdiplusShutdown(token_); }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

private:
    ULONG_PTR token_ = 0;
};

// Saves what the screen shows in area; false when it cannot.
inline bool save_screen_png(const RECT& area, const wchar_t* path)
{
    int width = area.right - area.left, height = area.bottom - area.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    // The PNG encoder's class id, as GDI+ lists it.
    const CLSID png = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
    bool saved = false;
    {
        Gdiplus::Bitmap image(bitmap, nullptr);
        saved = image.Save(path, &png, nullptr) == Gdiplus::Ok;
    }
    DeleteObject(bitmap);
    return saved;
}
