#include "frame/about_dlg.h"

LRESULT CAboutDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
    CenterWindow(::GetWindow(m_hWnd, GW_OWNER));
    return TRUE;  // the default button takes the focus
}

LRESULT CAboutDlg::OnCloseCmd(WORD, WORD id, HWND, BOOL&) {
    EndDialog(id);
    return 0;
}
