#include "framework/window.h"

#include <cwchar>

const RECT rcDefault = {CW_USEDEFAULT, CW_USEDEFAULT, 0, 0};

HINSTANCE ResourceInstance() { return ::GetModuleHandleW(nullptr); }

namespace window_binding {

void Bind(HWND hWnd, CMessageMap* object) {
    ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
}

CMessageMap* Find(HWND hWnd) {
    return reinterpret_cast<CMessageMap*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
}

void Unbind(HWND hWnd) { ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0); }

}  // namespace window_binding

CWndClassInfo MakeWndClassInfo(const wchar_t* name, UINT style, int backgroundColorIndex) {
    CWndClassInfo info{style, backgroundColorIndex, 0, {}, nullptr, nullptr};
    if (name != nullptr) ::lstrcpynW(info.name, name, 64);
    return info;
}

ATOM CWndClassInfo::Register(WNDPROC proc) {
    if (atom != 0) return atom;
    if (name[0] == L'\0') {
        std::swprintf(name, 64, L"Pixolve:%p", static_cast<void*>(this));
    }
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.hInstance = ResourceInstance();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(backgroundColorIndex + 1));
    wc.lpszClassName = name;
    wc.hIcon = largeIcon;
    wc.hIconSm = smallIcon;
    atom = ::RegisterClassExW(&wc);
    return atom;
}

namespace {

bool IsShownAndNotMinimised(HWND window) {
    return window != nullptr && ::IsWindowVisible(window) && !::IsIconic(window);
}

LONG KeepInside(LONG start, LONG size, LONG areaStart, LONG areaEnd) {
    if (start + size > areaEnd) start = areaEnd - size;
    if (start < areaStart) start = areaStart;  // the left or top edge wins
    return start;
}

}  // namespace

BOOL CWindow::CenterWindow(HWND owner) {
    if (owner == nullptr) {
        owner = (GetStyle() & WS_CHILD) ? ::GetParent(m_hWnd) : ::GetWindow(m_hWnd, GW_OWNER);
    }
    RECT dialog{};
    GetWindowRect(&dialog);
    const LONG width = dialog.right - dialog.left;
    const LONG height = dialog.bottom - dialog.top;

    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    HMONITOR nearest =
        ::MonitorFromWindow(owner != nullptr ? owner : m_hWnd, MONITOR_DEFAULTTONEAREST);
    ::GetMonitorInfoW(nearest, &monitor);
    const RECT work = monitor.rcWork;

    RECT centreOver = work;
    if (IsShownAndNotMinimised(owner)) ::GetWindowRect(owner, &centreOver);

    LONG x = (centreOver.left + centreOver.right) / 2 - width / 2;
    LONG y = (centreOver.top + centreOver.bottom) / 2 - height / 2;
    x = KeepInside(x, width, work.left, work.right);
    y = KeepInside(y, height, work.top, work.bottom);
    return SetWindowPos(nullptr, x, y, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
