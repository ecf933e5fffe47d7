// Modeless dialogs: each live one is listed in g_modelessDialogs, through which the
// message loop gives it the keyboard navigation of a dialog.
#pragma once

#include <set>

#include "framework/dialog.h"

// Orders handles by their value as an unsigned number.
struct HandleOrder {
    bool operator()(HWND a, HWND b) const {
        return reinterpret_cast<UINT_PTR>(a) < reinterpret_cast<UINT_PTR>(b);
    }
};
using ModelessDialogSet = std::set<HWND, HandleOrder>;

extern ModelessDialogSet g_modelessDialogs;

// A derived dialog chains this map first (CHAIN_MSG_MAP) so that its window leaves the set
// however it goes, also when the platform destroys it together with its owner.
template <class T, class TBase = CWindow>
class CModelessDialogImpl : public CDialogImpl<T, TBase> {
public:
    // Creates the dialog window and lists it; nothing is listed when creation fails.
    HWND Create(HWND parent) {
        HWND hWnd = CDialogImpl<T, TBase>::Create(parent);
        if (hWnd != nullptr) g_modelessDialogs.insert(hWnd);
        return hWnd;
    }

    // Unlists the window, then destroys it.
    BOOL DestroyWindow() {
        if (this->m_hWnd == nullptr) return FALSE;
        g_modelessDialogs.erase(this->m_hWnd);
        return ::DestroyWindow(this->m_hWnd);
    }

    BEGIN_MSG_MAP(CModelessDialogImpl)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroyUnlist)
    END_MSG_MAP()

    LRESULT OnDestroyUnlist(UINT, WPARAM, LPARAM, BOOL& bHandled) {
        g_modelessDialogs.erase(this->m_hWnd);
        bHandled = FALSE;  // the dialog's own WM_DESTROY handling still runs
        return 0;
    }
};
