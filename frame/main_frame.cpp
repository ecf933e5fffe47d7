#include "frame/main_frame.h"

#include <commdlg.h>

#include <algorithm>
#include <memory>

#include "frame/about_dlg.h"

namespace {

constexpr DWORD kViewStyle =
    WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_HSCROLL | WS_VSCROLL;
constexpr int kStartExtent = 100;

}  // namespace

BOOL CMainFrame::PreTranslateMessage(MSG* msg) {
    if (m_hAccel != nullptr && ::TranslateAcceleratorW(m_hWnd, m_hAccel, msg)) return TRUE;
    return m_view.PreTranslateMessage(msg);
}

BOOL CMainFrame::OnIdle() {
    UIUpdateToolBar();
    return FALSE;
}

void CMainFrame::OpenRawFile(const wchar_t* path) {
    HANDLE file = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    m_view.SetDocument(std::make_shared<CRawDoc>(file));
    SetFocus();  // passed on to the view
}

void CMainFrame::CreateBars() {
    HWND toolBar = CreateSimpleToolBarCtrl(m_hWnd, IDR_MAINFRAME, FALSE, ATL_SIMPLE_TOOLBAR_PANE_STYLE);
    CreateSimpleReBar(ATL_SIMPLE_REBAR_NOBORDER_STYLE);
    AddSimpleReBarBand(toolBar, nullptr, TRUE);
    CreateSimpleStatusBar();
    UIAddToolBar(toolBar);
}

void CMainFrame::CreateView() {
    m_hWndClient = m_view.Create(m_hWnd, rcDefault, nullptr, kViewStyle, WS_EX_CLIENTEDGE);
    m_view.SetScrollSize(kStartExtent, kStartExtent, TRUE, true);
}

LRESULT CMainFrame::OnCreate(UINT, WPARAM, LPARAM, BOOL&) {
    CreateBars();
    CreateView();
    UISetCheck(ID_VIEW_TOOLBAR, 1);
    UISetCheck(ID_VIEW_STATUS_BAR, 1);
    ::DragAcceptFiles(m_hWnd, TRUE);
    if (CMessageLoop* loop = g_appModule.GetMessageLoop()) {
        loop->AddMessageFilter(this);
        loop->AddIdleHandler(this);
    }
    return 0;  // the window opens even when a bar or the view could not be made
}

LRESULT CMainFrame::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    m_view.SetDocument(nullptr);
    if (CMessageLoop* loop = g_appModule.GetMessageLoop()) {
        loop->RemoveMessageFilter(this);
        loop->RemoveIdleHandler(this);
    }
    bHandled = FALSE;  // the frame layer still posts the quit message
    return 1;
}

void ReadFirstDroppedName(HDROP drop, wchar_t (&name)[MAX_PATH]) {
    name[0] = L'\0';
    const UINT copied = ::DragQueryFileW(drop, 0, name, MAX_PATH);
    // Some platforms report the name's full length rather than what fitted.
    name[std::min<UINT>(copied, MAX_PATH - 1)] = L'\0';
}

LRESULT CMainFrame::OnDropFiles(UINT, WPARAM wParam, LPARAM, BOOL&) {
    const auto drop = reinterpret_cast<HDROP>(wParam);
    wchar_t name[MAX_PATH];
    ReadFirstDroppedName(drop, name);
    ::DragFinish(drop);
    OpenRawFile(name);
    return 0;
}

LRESULT CMainFrame::OnFileExit(WORD, WORD, HWND, BOOL&) {
    PostMessage(WM_CLOSE);
    return 0;
}

LRESULT CMainFrame::OnFileNew(WORD, WORD, HWND, BOOL&) {
    m_view.SetDocument(nullptr);
    return 0;
}

LRESULT CMainFrame::OnFileOpen(WORD, WORD, HWND, BOOL&) {
    static const wchar_t kFilter[] = L"All files\0*.*\0";
    wchar_t name[MAX_PATH] = {};
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = m_hWnd;
    dialog.lpstrFilter = kFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = name;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrTitle = L"Open raw file";
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (::GetOpenFileNameW(&dialog)) OpenRawFile(name);
    return 0;
}

LRESULT CMainFrame::OnNothing(WORD, WORD, HWND, BOOL&) { return 0; }

LRESULT CMainFrame::OnEditUndo(WORD, WORD, HWND, BOOL&) {
    ::MessageBoxW(m_hWnd, L"Uh-huh?", L"NotImplemented", MB_OK | MB_ICONINFORMATION);
    return 0;
}

LRESULT CMainFrame::OnViewToolBar(WORD, WORD, HWND, BOOL&) {
    m_toolBarVisible = !m_toolBarVisible;
    const int band = static_cast<int>(
        ::SendMessageW(m_hWndToolBar, RB_IDTOINDEX, frame_parts::kFirstBandId, 0));
    ::SendMessageW(m_hWndToolBar, RB_SHOWBAND, band, m_toolBarVisible);
    UISetCheck(ID_VIEW_TOOLBAR, m_toolBarVisible);
    UpdateLayout();
    return 0;
}

LRESULT CMainFrame::OnViewStatusBar(WORD, WORD, HWND, BOOL&) {
    const BOOL wasVisible = ::IsWindowVisible(m_hWndStatusBar);
    ::ShowWindow(m_hWndStatusBar, wasVisible ? SW_HIDE : SW_SHOWNOACTIVATE);
    UISetCheck(ID_VIEW_STATUS_BAR, !wasVisible);
    UpdateLayout();
    return 0;
}

LRESULT CMainFrame::OnAppAbout(WORD, WORD, HWND, BOOL&) {
    CAboutDlg dialog;
    dialog.DoModal(::GetActiveWindow());
    return 0;
}
