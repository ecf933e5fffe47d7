// Scrolling windows: a mix-in that keeps a scroll offset over a total extent, drives the
// window's own scroll bars and the mouse wheels, and paints through T::DoPaint(HDC) in
// extent coordinates; and a window implementation combining it with CWindowImpl.
#pragma once

#include "framework/window.h"

namespace scroll_detail {

// The part of an extent the scroll offset can reach: 0 ... max(0, extent - client).
inline int MaxOffset(int extent, int client) { return extent > client ? extent - client : 0; }

template <class N>
N Clamp(N value, N low, N high) {
    return value < low ? low : (value > high ? high : value);
}

inline int StepOf(int extent, int divisor) {
    const int step = extent / divisor;
    return step > 0 ? step : 1;
}

// Line steps a wheel notch scrolls, WHEEL_PAGESCROLL for a page a notch; `fallback` when
// the system cannot say.
inline UINT WheelSetting(UINT action, UINT fallback) {
    UINT value = fallback;
    return ::SystemParametersInfoW(action, 0, &value, 0) ? value : fallback;
}

}  // namespace scroll_detail

template <class T>
class CScrollImpl {
public:
    // Sets the total extent. The offset becomes (0, 0) with `resetOffset`, else stays,
    // clamped into the new extent. Line and page steps follow the extent.
    void SetScrollSize(int cx, int cy, BOOL redraw = TRUE, bool resetOffset = true) {
        m_sizeAll = {cx > 0 ? cx : 0, cy > 0 ? cy : 0};
        m_sizeLine = {scroll_detail::StepOf(m_sizeAll.cx, 100),
                      scroll_detail::StepOf(m_sizeAll.cy, 100)};
        m_sizePage = {scroll_detail::StepOf(m_sizeAll.cx, 10),
                      scroll_detail::StepOf(m_sizeAll.cy, 10)};
        m_ptOffset = resetOffset ? POINT{0, 0} : ClampedOffset(m_ptOffset);
        // Showing or hiding a bar resizes the client area; the WM_SIZE that follows,
        // nested in these calls, records the new size and clamps the offset again.
        UpdateScrollBar(SB_HORZ, redraw);
        UpdateScrollBar(SB_VERT, redraw);
        if (redraw) ::InvalidateRect(Self(), nullptr, TRUE);
    }

    void GetScrollOffset(POINT& offset) const { offset = m_ptOffset; }
    void GetScrollSize(SIZE& size) const { size = m_sizeAll; }
    void GetScrollLine(SIZE& line) const { line = m_sizeLine; }
    void GetScrollPage(SIZE& page) const { page = m_sizePage; }

    BEGIN_MSG_MAP(CScrollImpl)
        MESSAGE_HANDLER(WM_VSCROLL, OnVScroll)
        MESSAGE_HANDLER(WM_HSCROLL, OnHScroll)
        MESSAGE_HANDLER(WM_MOUSEWHEEL, OnMouseWheel)
        MESSAGE_HANDLER(WM_MOUSEHWHEEL, OnMouseHWheel)
        MESSAGE_HANDLER(WM_SETTINGCHANGE, OnSettingChange)
        MESSAGE_HANDLER(WM_SIZE, OnSize)
        MESSAGE_HANDLER(WM_PAINT, OnPaint)
        MESSAGE_HANDLER(WM_PRINTCLIENT, OnPaint)
    END_MSG_MAP()

    LRESULT OnVScroll(UINT, WPARAM wParam, LPARAM, BOOL&) {
        const int code = LOWORD(wParam);
        ScrollAxis(SB_VERT, code);
        return 0;
    }

    LRESULT OnHScroll(UINT, WPARAM wParam, LPARAM, BOOL&) {
        const int code = LOWORD(wParam);
        ScrollAxis(SB_HORZ, code);
        return 0;
    }

    // The vertical wheel scrolls vertically, or horizontally when only that axis can move.
    LRESULT OnMouseWheel(UINT, WPARAM wParam, LPARAM, BOOL&) {
        const int delta = GET_WHEEL_DELTA_WPARAM(wParam);
        const int notches = TakeNotches(m_zDelta, delta);
        if (CanScroll(SB_VERT)) {
            ScrollByWheel(SB_VERT, -notches, m_nWheelLines);
        } else if (CanScroll(SB_HORZ)) {
            ScrollByWheel(SB_HORZ, -notches, m_nWheelLines);
        }
        return 0;
    }

    // A tilt to the right (positive delta) scrolls right.
    LRESULT OnMouseHWheel(UINT, WPARAM wParam, LPARAM, BOOL&) {
        const int delta = GET_WHEEL_DELTA_WPARAM(wParam);
        const int notches = TakeNotches(m_zHDelta, delta);
        if (CanScroll(SB_HORZ)) ScrollByWheel(SB_HORZ, notches, m_nHWheelChars);
        return 0;
    }

    LRESULT OnSettingChange(UINT, WPARAM, LPARAM, BOOL&) {
        m_nWheelLines = scroll_detail::WheelSetting(SPI_GETWHEELSCROLLLINES, m_nWheelLines);
        m_nHWheelChars = scroll_detail::WheelSetting(SPI_GETWHEELSCROLLCHARS, m_nHWheelChars);
        return 0;
    }

    // Left unhandled so that the default procedure and derived maps see it too.
    LRESULT OnSize(UINT, WPARAM, LPARAM lParam, BOOL& bHandled) {
        const int cx = LOWORD(lParam);
        const int cy = HIWORD(lParam);
        ApplyClientSize(cx, cy);
        bHandled = FALSE;
        return 0;
    }

    // DoPaint draws in extent coordinates: the viewport origin is moved by the offset,
    // relative to where the caller of WM_PRINTCLIENT left it, and put back afterwards.
    LRESULT OnPaint(UINT, WPARAM wParam, LPARAM, BOOL&) {
        HDC carried = reinterpret_cast<HDC>(wParam);
        if (carried != nullptr) {
            POINT previous{};
            ::OffsetViewportOrgEx(carried, -m_ptOffset.x, -m_ptOffset.y, &previous);
            static_cast<T*>(this)->DoPaint(carried);
            ::SetViewportOrgEx(carried, previous.x, previous.y, nullptr);
            return 0;
        }
        PAINTSTRUCT ps{};
        HDC dc = ::BeginPaint(Self(), &ps);
        if (dc == nullptr) return 0;
        ::SetViewportOrgEx(dc, -m_ptOffset.x, -m_ptOffset.y, nullptr);
        static_cast<T*>(this)->DoPaint(dc);
        ::EndPaint(Self(), &ps);
        return 0;
    }

protected:
    POINT m_ptOffset{0, 0};
    SIZE m_sizeAll{0, 0};
    SIZE m_sizeLine{1, 1};
    SIZE m_sizePage{1, 1};
    SIZE m_sizeClient{0, 0};
    int m_zDelta = 0;   // wheel movement short of a whole notch, carried to the next message
    int m_zHDelta = 0;
    UINT m_nWheelLines = 3;
    UINT m_nHWheelChars = 3;
    UINT m_uScrollFlags = SW_INVALIDATE | SW_ERASE;

private:
    HWND Self() const { return static_cast<const T*>(this)->m_hWnd; }

    static LONG& Of(POINT& point, int bar) { return bar == SB_HORZ ? point.x : point.y; }
    static int Of(const POINT& point, int bar) { return bar == SB_HORZ ? point.x : point.y; }
    static int Of(const SIZE& size, int bar) { return bar == SB_HORZ ? size.cx : size.cy; }

    int MaxOffset(int bar) const {
        return scroll_detail::MaxOffset(Of(m_sizeAll, bar), Of(m_sizeClient, bar));
    }
    bool CanScroll(int bar) const { return MaxOffset(bar) > 0; }

    POINT ClampedOffset(POINT offset) const {
        return {scroll_detail::Clamp<LONG>(offset.x, 0, MaxOffset(SB_HORZ)),
                scroll_detail::Clamp<LONG>(offset.y, 0, MaxOffset(SB_VERT))};
    }

    // Range 0 ... extent - 1 with a page of the client size: the platform hides the bar
    // when the page covers the range.
    void UpdateScrollBar(int bar, BOOL redraw) {
        SCROLLINFO si{};
        si.cbSize = sizeof(si);
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        si.nMin = 0;
        si.nMax = Of(m_sizeAll, bar) - 1;
        si.nPage = static_cast<UINT>(Of(m_sizeClient, bar));
        si.nPos = Of(m_ptOffset, bar);
        ::SetScrollInfo(Self(), bar, &si, redraw);
    }

    // Reads the members again after each bar update: a bar that appears or disappears
    // sends a nested WM_SIZE with a newer client size.
    void ApplyClientSize(int cx, int cy) {
        m_sizeClient = {cx, cy};
        UpdateScrollBar(SB_HORZ, TRUE);
        UpdateScrollBar(SB_VERT, TRUE);
        const POINT clamped = ClampedOffset(m_ptOffset);
        ScrollTo(SB_HORZ, clamped.x);
        ScrollTo(SB_VERT, clamped.y);
    }

    // Moves one axis to `offset` (already within range), shifting the window's content
    // and leaving the uncovered part to be repainted.
    void ScrollTo(int bar, int offset) {
        LONG& current = Of(m_ptOffset, bar);
        const int shift = current - offset;
        if (shift == 0) return;
        current = offset;
        ::SetScrollPos(Self(), bar, offset, TRUE);
        const int dx = bar == SB_HORZ ? shift : 0;
        const int dy = bar == SB_VERT ? shift : 0;
        ::ScrollWindowEx(Self(), dx, dy, nullptr, nullptr, nullptr, nullptr, m_uScrollFlags);
    }

    // The position the user dragged the thumb to, with the scroll bar's full 32 bits.
    int TrackPosition(int bar) const {
        SCROLLINFO si{};
        si.cbSize = sizeof(si);
        si.fMask = SIF_TRACKPOS;
        return ::GetScrollInfo(Self(), bar, &si) ? si.nTrackPos : Of(m_ptOffset, bar);
    }

    void ScrollAxis(int bar, int code) {
        // Wide enough for an offset near INT_MAX plus a page.
        const long long current = Of(m_ptOffset, bar);
        const long long line = Of(m_sizeLine, bar);
        const long long page = Of(m_sizePage, bar);
        long long target = current;
        switch (code) {
            case SB_TOP: target = 0; break;
            case SB_BOTTOM: target = MaxOffset(bar); break;
            case SB_LINEUP: target = current - line; break;
            case SB_LINEDOWN: target = current + line; break;
            case SB_PAGEUP: target = current - page; break;
            case SB_PAGEDOWN: target = current + page; break;
            case SB_THUMBTRACK:
            case SB_THUMBPOSITION: target = TrackPosition(bar); break;
            default: return;
        }
        const long long clamped = scroll_detail::Clamp<long long>(target, 0, MaxOffset(bar));
        ScrollTo(bar, static_cast<int>(clamped));
    }

    // Whole notches in `pending` plus `delta`; what is short of a notch stays pending.
    static int TakeNotches(int& pending, int delta) {
        pending += delta;
        const int notches = pending / WHEEL_DELTA;
        pending -= notches * WHEEL_DELTA;
        return notches;
    }

    // `notches` > 0 scrolls towards the end of the axis. Each step is painted at once.
    void ScrollByWheel(int bar, int notches, UINT stepsPerNotch) {
        const bool byPage = stepsPerNotch == WHEEL_PAGESCROLL;
        const int code = notches > 0 ? (byPage ? SB_PAGEDOWN : SB_LINEDOWN)
                                     : (byPage ? SB_PAGEUP : SB_LINEUP);
        const long long count = static_cast<long long>(notches > 0 ? notches : -notches) *
                                (byPage ? 1 : stepsPerNotch);
        for (long long step = 0; step < count && CanStep(bar, notches > 0); ++step) {
            ScrollAxis(bar, code);
            ::UpdateWindow(Self());
        }
    }

    bool CanStep(int bar, bool towardsEnd) const {
        const int current = Of(m_ptOffset, bar);
        return towardsEnd ? current < MaxOffset(bar) : current > 0;
    }
};

template <class T, class TBase = CWindow, class TWinTraits = CControlWinTraits>
class CScrollWindowImpl : public CWindowImpl<T, TBase, TWinTraits>, public CScrollImpl<T> {
public:
    BEGIN_MSG_MAP(CScrollWindowImpl)
        CHAIN_MSG_MAP(CScrollImpl<T>)
    END_MSG_MAP()
};
