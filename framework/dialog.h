// Dialog implementations: modal (DoModal/EndDialog) and modeless (Create) dialogs from a
// template resource `T::IDD`, bound to their object at WM_INITDIALOG.
#pragma once

#include "framework/window.h"

template <class TBase = CWindow>
class CDialogImplBaseT : public TBase, public CMessageMap {
public:
    virtual DLGPROC GetDialogProc() { return DialogProc; }
    virtual void OnFinalMessage(HWND /*hWnd*/) {}

    // The dialog procedure of every dialog of this layer. The object travels in the
    // initialisation parameter and is bound to the window at WM_INITDIALOG; messages
    // before it (WM_SETFONT and the like) get the default handling.
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
        if (uMsg == WM_INITDIALOG) {
            auto* self = static_cast<CDialogImplBaseT*>(reinterpret_cast<CMessageMap*>(lParam));
            self->m_hWnd = hWnd;
            window_binding::Bind(hWnd, self);
        }
        auto* self = static_cast<CDialogImplBaseT*>(window_binding::Find(hWnd));
        if (self == nullptr) return FALSE;

        LRESULT result = 0;
        const BOOL handled = self->ProcessWindowMessage(hWnd, uMsg, wParam, lParam, result, 0);
        if (uMsg == WM_NCDESTROY) {
            window_binding::Unbind(hWnd);
            self->m_hWnd = nullptr;
            self->OnFinalMessage(hWnd);
        }
        if (!handled) return FALSE;
        if (ReturnsResultDirectly(uMsg)) return static_cast<INT_PTR>(result);
        ::SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, result);
        return TRUE;
    }

protected:
    // Messages whose answer is the dialog procedure's own return value rather than
    // DWLP_MSGRESULT.
    static bool ReturnsResultDirectly(UINT uMsg) {
        switch (uMsg) {
            case WM_COMPAREITEM:
            case WM_VKEYTOITEM:
            case WM_CHARTOITEM:
            case WM_INITDIALOG:
            case WM_QUERYDRAGICON:
            case WM_CTLCOLORMSGBOX:
            case WM_CTLCOLOREDIT:
            case WM_CTLCOLORLISTBOX:
            case WM_CTLCOLORBTN:
            case WM_CTLCOLORDLG:
            case WM_CTLCOLORSCROLLBAR:
            case WM_CTLCOLORSTATIC:
                return true;
            default:
                return false;
        }
    }

    LPARAM SelfAsInitParam() { return reinterpret_cast<LPARAM>(static_cast<CMessageMap*>(this)); }
};

template <class T, class TBase = CWindow>
class CDialogImpl : public CDialogImplBaseT<TBase> {
public:
    // Runs the dialog modally, owned by `parent`; returns what EndDialog was given, or -1.
    INT_PTR DoModal(HWND parent = ::GetActiveWindow()) {
        return ::DialogBoxParamW(ResourceInstance(), MAKEINTRESOURCEW(T::IDD), parent,
                                 this->GetDialogProc(), this->SelfAsInitParam());
    }
    BOOL EndDialog(int result) { return ::EndDialog(this->m_hWnd, result); }

    // Creates the dialog modelessly; WM_INITDIALOG runs inside this call.
    HWND Create(HWND parent) {
        return ::CreateDialogParamW(ResourceInstance(), MAKEINTRESOURCEW(T::IDD), parent,
                                    this->GetDialogProc(), this->SelfAsInitParam());
    }
};
