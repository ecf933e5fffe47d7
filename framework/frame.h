// The frame window: a top-level window with a menu, accelerators, a toolbar in a rebar,
// a status bar and one client window laid out in the space the bars leave.
#pragma once

#include "framework/window.h"

#define ATL_SIMPLE_TOOLBAR_PANE_STYLE                                                      \
    (WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | CCS_NODIVIDER |           \
     CCS_NORESIZE | CCS_NOPARENTALIGN | TBSTYLE_TOOLTIPS | TBSTYLE_FLAT)
#define ATL_SIMPLE_REBAR_NOBORDER_STYLE                                                    \
    (WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | RBS_VARHEIGHT |           \
     RBS_BANDBORDERS | RBS_AUTOSIZE | CCS_NODIVIDER)
#define ATL_SIMPLE_STATUSBAR_STYLE \
    (WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | SBARS_SIZEGRIP)

namespace frame_parts {

constexpr UINT kToolBarId = 0xE800;    // ATL_IDW_TOOLBAR
constexpr UINT kStatusBarId = 0xE801;  // ATL_IDW_STATUS_BAR
constexpr UINT kFirstBandId = 0xEB00;  // ATL_IDW_BAND_FIRST
constexpr UINT kIdleMessageId = 0xE001;  // ATL_IDS_IDLEMESSAGE
constexpr UINT kSystemMenuPromptFirst = 0xEF00;  // ATL_IDS_SCFIRST

// Registration data of a frame class: no class style, the window colour, and the large
// and small icons of `iconId` at the system's sizes.
CWndClassInfo MakeFrameWndClassInfo(UINT iconId);

HWND CreateSimpleToolBarCtrl(HWND parent, UINT resourceId, BOOL initialSeparator, DWORD style,
                             UINT id);
// A rebar with an empty bar description, or null when the rebar refuses it.
HWND CreateSimpleReBarCtrl(HWND parent, DWORD style, UINT id);
BOOL AddSimpleReBarBandCtrl(HWND reBar, HWND band, const wchar_t* title, BOOL newRow,
                            int cxWidth, BOOL fullWidthAlways);
HWND CreateSimpleStatusBar(HWND parent, UINT textId, DWORD style, UINT id);

// Moves the client window into what the top bar and the status bar leave of the parent's
// client area; with `resizeBars` the bars first size themselves to the parent.
void UpdateLayout(HWND parent, HWND topBar, HWND statusBar, HWND client, BOOL resizeBars);

// The status-bar prompt for a WM_MENUSELECT (flags 0xFFFF with no menu: the menu closed).
void ShowMenuPrompt(HWND statusBar, WPARAM wParam, LPARAM lParam);
// Fills a tooltip request for a command id from the text after "\n" in its string.
void FillToolTipText(UINT_PTR id, UINT& flags, wchar_t* text, int textCount);
void FillToolTipText(UINT_PTR id, UINT& flags, char* text, int textCount);

// The drop-down of the toolbar buttons that a band is too narrow to show, or null when
// all of them are shown.
HMENU MakeChevronMenu(HWND toolBar);
void ShowChevronMenu(HWND frame, HWND reBar, const NMREBARCHEVRON& chevron);

}  // namespace frame_parts

#define DECLARE_FRAME_WND_CLASS(resourceId)                                         \
    static CWndClassInfo& GetWndClassInfo() {                                       \
        static CWndClassInfo info = frame_parts::MakeFrameWndClassInfo(resourceId); \
        return info;                                                                \
    }

template <class T, class TBase = CWindow, class TWinTraits = CFrameWinTraits>
class CFrameWindowImpl : public CWindowImplBaseT<TBase> {
public:
    HWND m_hWndToolBar = nullptr;
    HWND m_hWndStatusBar = nullptr;
    HWND m_hWndClient = nullptr;
    HACCEL m_hAccel = nullptr;

    // Creates the window with the title and menu of resource T::IDR (a null rectangle lets
    // the system place and size it); the accelerators are loaded once the window exists.
    HWND CreateEx(HWND parent = nullptr, const RECT* rect = nullptr, DWORD style = 0,
                  DWORD exStyle = 0) {
        const UINT resourceId = T::IDR;
        wchar_t title[256] = {};
        ::LoadStringW(ResourceInstance(), resourceId, title, 256);
        HMENU menu = ::LoadMenuW(ResourceInstance(), MAKEINTRESOURCEW(resourceId));
        const RECT placement = rect != nullptr ? *rect : rcDefault;
        const ATOM atom = T::GetWndClassInfo().Register(this->GetWindowProc());
        HWND hWnd = this->CreateBound(parent, placement, title, TWinTraits::GetWndStyle(style),
                                      TWinTraits::GetWndExStyle(exStyle), menu, atom);
        if (hWnd == nullptr) {
            if (menu != nullptr) ::DestroyMenu(menu);
            return nullptr;
        }
        m_hAccel = ::LoadAcceleratorsW(ResourceInstance(), MAKEINTRESOURCEW(resourceId));
        return hWnd;
    }

    static HWND CreateSimpleToolBarCtrl(HWND parent, UINT resourceId,
                                        BOOL initialSeparator = FALSE,
                                        DWORD style = ATL_SIMPLE_TOOLBAR_PANE_STYLE,
                                        UINT id = frame_parts::kToolBarId) {
        return frame_parts::CreateSimpleToolBarCtrl(parent, resourceId, initialSeparator, style,
                                                    id);
    }
    BOOL CreateSimpleReBar(DWORD style = ATL_SIMPLE_REBAR_NOBORDER_STYLE,
                           UINT id = frame_parts::kToolBarId) {
        m_hWndToolBar = frame_parts::CreateSimpleReBarCtrl(this->m_hWnd, style, id);
        return m_hWndToolBar != nullptr;
    }
    BOOL AddSimpleReBarBand(HWND band, const wchar_t* title = nullptr, BOOL newRow = FALSE,
                            int cxWidth = 0, BOOL fullWidthAlways = FALSE) {
        return frame_parts::AddSimpleReBarBandCtrl(m_hWndToolBar, band, title, newRow, cxWidth,
                                                   fullWidthAlways);
    }
    BOOL CreateSimpleStatusBar(UINT textId = frame_parts::kIdleMessageId,
                               DWORD style = ATL_SIMPLE_STATUSBAR_STYLE,
                               UINT id = frame_parts::kStatusBarId) {
        m_hWndStatusBar = frame_parts::CreateSimpleStatusBar(this->m_hWnd, textId, style, id);
        return m_hWndStatusBar != nullptr;
    }

    void UpdateLayout(BOOL resizeBars = TRUE) {
        frame_parts::UpdateLayout(this->m_hWnd, m_hWndToolBar, m_hWndStatusBar, m_hWndClient,
                                  resizeBars);
    }

    BEGIN_MSG_MAP(CFrameWindowImpl)
        MESSAGE_HANDLER(WM_SIZE, OnSize)
        NOTIFY_CODE_HANDLER(RBN_AUTOSIZE, OnReBarAutoSize)
        NOTIFY_CODE_HANDLER(RBN_CHEVRONPUSHED, OnChevronPushed)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
        MESSAGE_HANDLER(WM_SETFOCUS, OnSetFocus)
        MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
        MESSAGE_HANDLER(WM_MENUSELECT, OnMenuSelect)
        NOTIFY_CODE_HANDLER(TTN_GETDISPINFOW, OnToolTipTextW)
        NOTIFY_CODE_HANDLER(TTN_GETDISPINFOA, OnToolTipTextA)
    END_MSG_MAP()

    LRESULT OnSize(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
        const UINT sizeType = static_cast<UINT>(wParam);
        if (sizeType != SIZE_MINIMIZED) UpdateLayout();
        bHandled = FALSE;
        return 1;
    }

    LRESULT OnReBarAutoSize(int, LPNMHDR, BOOL&) {
        UpdateLayout(FALSE);
        return 0;
    }

    LRESULT OnChevronPushed(int, LPNMHDR header, BOOL&) {
        const auto* chevron = reinterpret_cast<const NMREBARCHEVRON*>(header);
        frame_parts::ShowChevronMenu(this->m_hWnd, header->hwndFrom, *chevron);
        return 0;
    }

    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled) {
        const bool topLevel = (this->GetStyle() & (WS_CHILD | WS_POPUP)) == 0;
        if (topLevel) ::PostQuitMessage(1);
        bHandled = FALSE;
        return 1;
    }

    LRESULT OnSetFocus(UINT, WPARAM, LPARAM, BOOL& bHandled) {
        if (m_hWndClient != nullptr && ::IsWindowVisible(m_hWndClient)) ::SetFocus(m_hWndClient);
        bHandled = FALSE;
        return 1;
    }

    LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, BOOL& bHandled) {
        // The client covers everything the bars leave; erasing would only flicker.
        if (m_hWndClient != nullptr) return 1;
        bHandled = FALSE;
        return 0;
    }

    LRESULT OnMenuSelect(UINT, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
        bHandled = FALSE;
        if (m_hWndStatusBar != nullptr) frame_parts::ShowMenuPrompt(m_hWndStatusBar, wParam, lParam);
        return 1;
    }

    LRESULT OnToolTipTextW(int idCtrl, LPNMHDR header, BOOL&) {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
        FillToolTip(idCtrl, *info);
        return 0;
    }

    LRESULT OnToolTipTextA(int idCtrl, LPNMHDR header, BOOL&) {
        auto* info = reinterpret_cast<NMTTDISPINFOA*>(header);
        FillToolTip(idCtrl, *info);
        return 0;
    }

private:
    template <class DispInfo>
    static void FillToolTip(int idCtrl, DispInfo& info) {
        info.szText[0] = 0;
        if (idCtrl == 0 || (info.uFlags & TTF_IDISHWND)) return;
        frame_parts::FillToolTipText(static_cast<UINT_PTR>(idCtrl), info.uFlags, info.szText,
                                     static_cast<int>(sizeof(info.szText) / sizeof(info.szText[0])));
    }
};
