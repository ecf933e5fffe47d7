// The window layer's core: a window-handle wrapper, message maps with a "handled" flag,
// and window implementations that bind each window to its object once, when the window
// is created, through the window's user data.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <commctrl.h>

#include <cstdint>

// ---------------------------------------------------------------------------------------
// Message maps. A class's map is a flat table of entries tried in order; an entry whose
// handler leaves bHandled set ends the search. Unhandled messages fall through to chained
// maps and, in the window procedure, to the default procedure.

#define BEGIN_MSG_MAP(theClass)                                                             \
public:                                                                                     \
    BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,           \
                              LRESULT& lResult, DWORD dwMsgMapID = 0) {                     \
        BOOL bHandled = TRUE;                                                               \
        (void)hWnd, (void)uMsg, (void)wParam, (void)lParam, (void)lResult, (void)bHandled;  \
        switch (dwMsgMapID) {                                                               \
            case 0:

#define ALT_MSG_MAP(mapId) \
    break;                 \
    case mapId:

#define END_MSG_MAP() \
    break;            \
    default:          \
        break;        \
        }             \
        return FALSE; \
        }

// LRESULT OnMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
#define MESSAGE_HANDLER(msg, func)                                 \
    if (uMsg == (msg)) {                                           \
        bHandled = TRUE;                                           \
        lResult = func(uMsg, wParam, lParam, bHandled);            \
        if (bHandled) return TRUE;                                 \
    }

#define MESSAGE_RANGE_HANDLER(msgFirst, msgLast, func)             \
    if (uMsg >= (msgFirst) && uMsg <= (msgLast)) {                 \
        bHandled = TRUE;                                           \
        lResult = func(uMsg, wParam, lParam, bHandled);            \
        if (bHandled) return TRUE;                                 \
    }

// LRESULT OnCommand(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled)
#define COMMAND_HANDLER(id, code, func)                                                  \
    if (uMsg == WM_COMMAND && LOWORD(wParam) == (id) && HIWORD(wParam) == (code)) {      \
        bHandled = TRUE;                                                                 \
        lResult = func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam),   \
                       bHandled);                                                        \
        if (bHandled) return TRUE;                                                       \
    }

#define COMMAND_ID_HANDLER(id, func)                                                     \
    if (uMsg == WM_COMMAND && LOWORD(wParam) == (id)) {                                  \
        bHandled = TRUE;                                                                 \
        lResult = func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam),   \
                       bHandled);                                                        \
        if (bHandled) return TRUE;                                                       \
    }

#define COMMAND_RANGE_CODE_HANDLER(idFirst, idLast, code, func)                          \
    if (uMsg == WM_COMMAND && HIWORD(wParam) == (code) && LOWORD(wParam) >= (idFirst) && \
        LOWORD(wParam) <= (idLast)) {                                                    \
        bHandled = TRUE;                                                                 \
        lResult = func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam),   \
                       bHandled);                                                        \
        if (bHandled) return TRUE;                                                       \
    }

// LRESULT OnNotify(int idCtrl, LPNMHDR pnmh, BOOL& bHandled)
#define NOTIFY_CODE_HANDLER(notifyCode, func)                                            \
    if (uMsg == WM_NOTIFY && reinterpret_cast<LPNMHDR>(lParam)->code == (notifyCode)) {  \
        bHandled = TRUE;                                                                 \
        lResult = func(static_cast<int>(wParam), reinterpret_cast<LPNMHDR>(lParam),      \
                       bHandled);                                                        \
        if (bHandled) return TRUE;                                                       \
    }

#define NOTIFY_HANDLER(id, notifyCode, func)                                             \
    if (uMsg == WM_NOTIFY && reinterpret_cast<LPNMHDR>(lParam)->idFrom == (id) &&        \
        reinterpret_cast<LPNMHDR>(lParam)->code == (notifyCode)) {                       \
        bHandled = TRUE;                                                                 \
        lResult = func(static_cast<int>(wParam), reinterpret_cast<LPNMHDR>(lParam),      \
                       bHandled);                                                        \
        if (bHandled) return TRUE;                                                       \
    }

#define CHAIN_MSG_MAP(theChainClass)                                                     \
    if (theChainClass::ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult)) {      \
        return TRUE;                                                                     \
    }

#define CHAIN_MSG_MAP_ALT(theChainClass, mapId)                                          \
    if (theChainClass::ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult, mapId)) \
        return TRUE;

// ---------------------------------------------------------------------------------------

// right - left with the platform's wrap-around: a rectangle measured from CW_USEDEFAULT
// (the most negative int) would overflow a signed subtraction.
inline int RectExtent(LONG from, LONG to) {
    return static_cast<int>(static_cast<uint32_t>(to) - static_cast<uint32_t>(from));
}

// The module whose resources the windows load (the executable itself).
HINSTANCE ResourceInstance();

class CWindow {
public:
    HWND m_hWnd = nullptr;

    CWindow(HWND hWnd = nullptr) : m_hWnd(hWnd) {}
    CWindow& operator=(HWND hWnd) {
        m_hWnd = hWnd;
        return *this;
    }
    operator HWND() const { return m_hWnd; }

    void Attach(HWND hWnd) { m_hWnd = hWnd; }
    HWND Detach() {
        HWND hWnd = m_hWnd;
        m_hWnd = nullptr;
        return hWnd;
    }

    BOOL IsWindow() const { return ::IsWindow(m_hWnd); }
    BOOL DestroyWindow() { return ::DestroyWindow(m_hWnd); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    BOOL ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }
    BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    HWND SetFocus() { return ::SetFocus(m_hWnd); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
    DWORD GetExStyle() const {
        return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE));
    }

    LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageW(m_hWnd, msg, wParam, lParam);
    }
    BOOL PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::PostMessageW(m_hWnd, msg, wParam, lParam);
    }

    BOOL GetClientRect(RECT* rect) const { return ::GetClientRect(m_hWnd, rect); }
    BOOL GetWindowRect(RECT* rect) const { return ::GetWindowRect(m_hWnd, rect); }
    BOOL ClientToScreen(POINT* point) const { return ::ClientToScreen(m_hWnd, point); }
    BOOL ScreenToClient(POINT* point) const { return ::ScreenToClient(m_hWnd, point); }
    BOOL SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
        return ::SetWindowPos(m_hWnd, insertAfter, x, y, cx, cy, flags);
    }
    BOOL SetWindowPos(HWND insertAfter, const RECT* rect, UINT flags) {
        return ::SetWindowPos(m_hWnd, insertAfter, rect->left, rect->top,
                              rect->right - rect->left, rect->bottom - rect->top, flags);
    }
    BOOL MoveWindow(const RECT* rect, BOOL repaint = TRUE) {
        return ::MoveWindow(m_hWnd, rect->left, rect->top, rect->right - rect->left,
                            rect->bottom - rect->top, repaint);
    }
    BOOL Invalidate(BOOL erase = TRUE) { return ::InvalidateRect(m_hWnd, nullptr, erase); }
    BOOL UpdateWindow() { return ::UpdateWindow(m_hWnd); }

    BOOL SetWindowText(const wchar_t* text) { return ::SetWindowTextW(m_hWnd, text); }
    int GetWindowTextLength() const { return ::GetWindowTextLengthW(m_hWnd); }
    int GetWindowText(wchar_t* text, int count) const {
        return ::GetWindowTextW(m_hWnd, text, count);
    }

    HMENU GetMenu() const { return ::GetMenu(m_hWnd); }
    BOOL SetMenu(HMENU menu) { return ::SetMenu(m_hWnd, menu); }
    HICON SetIcon(HICON icon, BOOL big = TRUE) {
        return reinterpret_cast<HICON>(
            SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
    }

    // Centres the window over `owner` (its parent or owner when null) when that window is
    // visible and not minimised, else over the work area of the nearest monitor; then keeps
    // it inside that work area, left and top edges taking precedence.
    BOOL CenterWindow(HWND owner = nullptr);
};

// Window traits: default styles of a window class, used when the creator passes 0.
template <DWORD t_dwStyle = 0, DWORD t_dwExStyle = 0>
class CWinTraits {
public:
    static DWORD GetWndStyle(DWORD style) { return style == 0 ? t_dwStyle : style; }
    static DWORD GetWndExStyle(DWORD exStyle) { return exStyle == 0 ? t_dwExStyle : exStyle; }
};

using CControlWinTraits = CWinTraits<WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0>;
using CFrameWinTraits = CWinTraits<WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                                   WS_EX_APPWINDOW | WS_EX_WINDOWEDGE>;

// The class-registration data a window implementation declares with DECLARE_WND_CLASS_EX.
struct CWndClassInfo {
    UINT style;
    int backgroundColorIndex;  // COLOR_xxx; the brush is that colour + 1
    ATOM atom;
    wchar_t name[64];
    HICON largeIcon;
    HICON smallIcon;

    // Registers the class once, with a generated name when none is given.
    ATOM Register(WNDPROC proc);
};

CWndClassInfo MakeWndClassInfo(const wchar_t* name, UINT style, int backgroundColorIndex);

#define DECLARE_WND_CLASS_EX(className, classStyle, bkgndColor)                           \
    static CWndClassInfo& GetWndClassInfo() {                                             \
        static CWndClassInfo info = MakeWndClassInfo((className), (classStyle), (bkgndColor)); \
        return info;                                                                      \
    }

// The message-map interface: every window and dialog object routes its messages here.
class CMessageMap {
public:
    virtual BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,
                                      LRESULT& lResult, DWORD dwMsgMapID = 0) = 0;
    virtual ~CMessageMap() = default;
};

// Stores and finds the object bound to a window; the one place where windows meet objects.
namespace window_binding {
void Bind(HWND hWnd, CMessageMap* object);
CMessageMap* Find(HWND hWnd);
void Unbind(HWND hWnd);
}  // namespace window_binding

template <class TBase = CWindow>
class CWindowImplBaseT : public TBase, public CMessageMap {
public:
    virtual WNDPROC GetWindowProc() { return WindowProc; }
    virtual void OnFinalMessage(HWND /*hWnd*/) {}

    // The procedure of every window class registered by this layer. The creating object
    // travels in lpCreateParams and is bound to the window at WM_NCCREATE.
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
        if (uMsg == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
            auto* self = static_cast<CWindowImplBaseT*>(
                static_cast<CMessageMap*>(create->lpCreateParams));
            self->m_hWnd = hWnd;
            window_binding::Bind(hWnd, self);
        }
        auto* self = static_cast<CWindowImplBaseT*>(window_binding::Find(hWnd));
        if (self == nullptr) return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);

        LRESULT result = 0;
        if (!self->ProcessWindowMessage(hWnd, uMsg, wParam, lParam, result, 0)) {
            result = ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
        }
        if (uMsg == WM_NCDESTROY) {
            window_binding::Unbind(hWnd);
            self->m_hWnd = nullptr;
            self->OnFinalMessage(hWnd);
        }
        return result;
    }

protected:
    HWND CreateBound(HWND parent, const RECT& rect, const wchar_t* name, DWORD style,
                     DWORD exStyle, HMENU menuOrId, ATOM atom) {
        if (atom == 0) return nullptr;
        return ::CreateWindowExW(exStyle, MAKEINTATOM(atom), name, style, rect.left, rect.top,
                                 RectExtent(rect.left, rect.right),
                                 RectExtent(rect.top, rect.bottom), parent,
                                 menuOrId, ResourceInstance(), static_cast<CMessageMap*>(this));
    }
};

// The framework's default rectangle: the system chooses position and size.
extern const RECT rcDefault;

template <class T, class TBase = CWindow, class TWinTraits = CControlWinTraits>
class CWindowImpl : public CWindowImplBaseT<TBase> {
public:
    DECLARE_WND_CLASS_EX(nullptr, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, COLOR_WINDOW)

    HWND Create(HWND parent, const RECT& rect = rcDefault, const wchar_t* name = nullptr,
                DWORD style = 0, DWORD exStyle = 0, UINT id = 0) {
        const ATOM atom = T::GetWndClassInfo().Register(this->GetWindowProc());
        style = TWinTraits::GetWndStyle(style);
        exStyle = TWinTraits::GetWndExStyle(exStyle);
        HMENU menuOrId = (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id))
                                            : nullptr;
        return this->CreateBound(parent, rect, name, style, exStyle, menuOrId, atom);
    }
};
