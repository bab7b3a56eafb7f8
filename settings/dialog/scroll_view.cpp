// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
#include "scroll_view.h"

#include <algorithm>

void fit_scroll_view(ScrollView& view, int contentHeight, int available)
{
    view.contentHeight = contentHeight;
    view.scrollable = contentHeight > available;
    view.viewHeight = view.scrollable ? available : contentHeight;
    view.scroll = std::clamp(view.scroll, 0, std::max(0, contentHeight - view.viewHeight));
}

void apply_scroll_info(HWND window, const ScrollView& view)
{
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = view.contentHeight - 1;
    info.nPage = UINT(view.viewHeight);
    info.nPos = view.scroll;
    SetScrollInfo(window, SB_VERT, &info, TRUE);
    ShowScrollBar(window, SB_VERT, view.scrollable);
}

bool move_scroll(HWND window, ScrollView& view, int position)
{
    int limit = std::max(0, view.contentHeight - view.viewHeight);
    position = std::clamp(position, 0, view.scrollable ? limit : 0);
    if (position == view.scroll)
        return false;
    view.scroll = position;
    SetScrollPos(window, SB_VERT, position, TRUE);
    return true;
}

int requested_scroll(HWND window, const ScrollView& view, int request, int line)
{
    switch (request) {
    case SB_LINEUP:
        return view.scroll - line;
    case SB_LINEDOWN:
        return view.scroll + line;
    case SB_PAGEUP:
        return view.scroll - (view.viewHeight - line);
    case SB_PAGEDOWN:
        return view.scroll + (view.viewHeight - line);
    case SB_TOP:
        return 0;
    case SB_BOTTOM:
        return view.contentHeight;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_TRACKPOS;
        GetScrollInfo(window, SB_VERT, &info);
        return info.nTrackPos;
    }
    }
    return view.scroll;
}

int wheel_scroll(const ScrollView& view, int delta, int line) { return view.scroll - delta * 3 * line / WHEEL_DELTA; }

int scroll_showing(HWND window, const ScrollView& view, HWND child, int margin)
{
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    if (r.top < margin)
        return view.scroll - (margin - r.top);
    if (r.bottom > view.viewHeight - margin)
        return view.scroll + (r.bottom - (view.viewHeight - margin));
    return view.scroll;
}
