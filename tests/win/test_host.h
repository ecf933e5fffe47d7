// A plain top-level window to parent the windows under test, shown without activation.
// Borderless, so that Wine leaves it to no window manager and shows and hides it at once.
#pragma once

#include "framework/window.h"

using CTestHostTraits = CWinTraits<WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0>;

class CTestHost : public CWindowImpl<CTestHost, CWindow, CTestHostTraits> {
public:
    BEGIN_MSG_MAP(CTestHost)
    END_MSG_MAP()

    // A window whose client area is `width` x `height`.
    bool CreateShown(int width, int height) {
        RECT rect{0, 0, width, height};
        ::OffsetRect(&rect, 40, 40);
        if (Create(nullptr, rect, L"host") == nullptr) return false;
        ShowWindow(SW_SHOWNOACTIVATE);
        return true;
    }
};
