// The main frame on real windows: what it shows at start, its bars and layout, its
// commands, accelerators, menu prompts, tooltips, opening and dropping files, and the
// two modal windows.
#include "tests/win/frame_test_support.h"

#include <commdlg.h>
#include <dlgs.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include "framework/update_ui.h"
#include "pixolve_version.h"
#include "tests/win/dialog_template.h"
#include "tests/win/import_patch.h"

using namespace frame_test;

namespace {

const UINT kAllCommands[] = {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS,
                             ID_APP_EXIT, ID_EDIT_UNDO, ID_EDIT_COPY, ID_EDIT_PASTE,
                             ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, ID_APP_ABOUT};

std::wstring StatusText(HWND statusBar, int part) {
    wchar_t text[256] = {};
    ::SendMessageW(statusBar, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text));
    return text;
}

std::wstring MenuText(HMENU menu, int position) {
    wchar_t text[128] = {};
    ::GetMenuStringW(menu, position, text, 128, MF_BYPOSITION);
    return text;
}

// What the View drop-down shows when it opens: the check state of each item.
std::pair<bool, bool> ViewMenuChecks(CMainFrame& frame) {
    HMENU view = ::GetSubMenu(frame.GetMenu(), 2);
    frame.SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(view), MAKELPARAM(2, FALSE));
    const UINT toolBar = ::GetMenuState(view, ID_VIEW_TOOLBAR, MF_BYCOMMAND);
    const UINT statusBar = ::GetMenuState(view, ID_VIEW_STATUS_BAR, MF_BYCOMMAND);
    return {(toolBar & MF_CHECKED) != 0, (statusBar & MF_CHECKED) != 0};
}

int WindowHeight(HWND window) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    return rect.bottom - rect.top;
}

// The space the view must fill: the client area less the shown bars.
RECT ExpectedViewRect(const CMainFrame& frame) {
    RECT rect{};
    frame.GetClientRect(&rect);
    if (::IsWindowVisible(frame.m_hWndToolBar)) rect.top += WindowHeight(frame.m_hWndToolBar);
    if (::IsWindowVisible(frame.m_hWndStatusBar)) rect.bottom -= WindowHeight(frame.m_hWndStatusBar);
    return rect;
}

void ExpectRectEq(const RECT& actual, const RECT& expected) {
    EXPECT_EQ(actual.left, expected.left);
    EXPECT_EQ(actual.top, expected.top);
    EXPECT_EQ(actual.right, expected.right);
    EXPECT_EQ(actual.bottom, expected.bottom);
}

std::wstring ToolTip(CMainFrame& frame, UINT id, UINT flags = 0) {
    NMTTDISPINFOW info{};
    info.hdr.hwndFrom = frame.m_hWndToolBar;
    info.hdr.idFrom = id;
    info.hdr.code = TTN_GETDISPINFOW;
    info.uFlags = flags;
    wcscpy(info.szText, L"stale");
    frame.SendMessage(WM_NOTIFY, id, reinterpret_cast<LPARAM>(&info));
    return std::wstring(info.szText) + ((info.uFlags & TTF_DI_SETITEM) ? L"|kept" : L"");
}

std::wstring MenuPrompt(CMainFrame& frame, WORD id, WORD flags, HMENU menu) {
    frame.SendMessage(WM_MENUSELECT, MAKEWPARAM(id, flags), reinterpret_cast<LPARAM>(menu));
    EXPECT_TRUE(::SendMessageW(frame.m_hWndStatusBar, SB_ISSIMPLE, 0, 0));
    return StatusText(frame.m_hWndStatusBar, 0);  // in simple mode part 0 is the simple text
}

bool PutTextOnClipboard(const wchar_t* text) {
    const size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    std::memcpy(::GlobalLock(memory), text, bytes);
    ::GlobalUnlock(memory);
    if (!::OpenClipboard(nullptr)) return false;
    ::EmptyClipboard();
    const bool put = ::SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    ::CloseClipboard();
    return put;
}

// A drop of `names` as the shell makes it: DROPFILES followed by a double-NUL list.
HDROP MakeDrop(const std::vector<std::wstring>& names) {
    size_t characters = 1;
    for (const std::wstring& name : names) characters += name.size() + 1;
    HGLOBAL memory = ::GlobalAlloc(GHND, sizeof(DROPFILES) + characters * sizeof(wchar_t));
    auto* header = static_cast<DROPFILES*>(::GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    auto* list = reinterpret_cast<wchar_t*>(header + 1);
    for (const std::wstring& name : names) {
        std::memcpy(list, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
        list += name.size() + 1;
    }
    *list = L'\0';
    ::GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// At start

TEST_F(FrameTest, StartsAt800By700TitledWithItsClassAndStyles) {
    RECT rect{};
    m_frame.GetWindowRect(&rect);
    EXPECT_EQ(rect.right - rect.left, 800);
    EXPECT_EQ(rect.bottom - rect.top, 700);
    EXPECT_EQ(WindowText(m_frame), L"pixolve");
    EXPECT_EQ(m_frame.GetStyle() & 0x06CF0000u, 0x06CF0000u);
    EXPECT_EQ(m_frame.GetExStyle() & (WS_EX_APPWINDOW | WS_EX_WINDOWEDGE),
              static_cast<DWORD>(WS_EX_APPWINDOW | WS_EX_WINDOWEDGE));
    EXPECT_TRUE(m_frame.GetExStyle() & WS_EX_ACCEPTFILES) << "files can be dropped";

    EXPECT_EQ(::GetClassLongPtrW(m_frame, GCL_STYLE), 0u);
    EXPECT_EQ(::GetClassLongPtrW(m_frame, GCLP_HBRBACKGROUND),
              static_cast<ULONG_PTR>(COLOR_WINDOW + 1));
    EXPECT_NE(::GetClassLongPtrW(m_frame, GCLP_HICON), 0u);
    EXPECT_NE(::GetClassLongPtrW(m_frame, GCLP_HICONSM), 0u);
    EXPECT_NE(m_frame.m_hAccel, nullptr);
}

TEST_F(FrameTest, StartsWithBothBarsAnEmptyViewAndReady) {
    ASSERT_NE(m_frame.m_hWndStatusBar, nullptr);
    EXPECT_TRUE(::IsWindowVisible(m_frame.m_hWndToolBar));
    EXPECT_TRUE(::IsWindowVisible(m_frame.m_hWndStatusBar));
    EXPECT_EQ(StatusText(m_frame.m_hWndStatusBar, 0), L"Ready");
    EXPECT_FALSE(::SendMessageW(m_frame.m_hWndStatusBar, SB_ISSIMPLE, 0, 0));
    EXPECT_EQ(::GetDlgCtrlID(m_frame.m_hWndStatusBar), 0xE801);
    EXPECT_EQ(::GetWindowLongW(m_frame.m_hWndStatusBar, GWL_STYLE) & 0x56000100, 0x56000100);

    EXPECT_EQ(m_frame.m_hWndClient, View());
    // The scroll bars come and go with the picture's extent, so only the rest is fixed.
    EXPECT_EQ(::GetWindowLongW(View(), GWL_STYLE) & 0x56000000, 0x56000000);
    EXPECT_TRUE(::GetWindowLongW(View(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_TRUE(LiveModelessDialogs().empty()) << "no document, no Parameters dialog";
    EXPECT_EQ(ViewMenuChecks(m_frame), std::make_pair(true, true));
}

TEST_F(FrameTest, RegistersItselfBehindTheDialogFilterAndLeavesOnDestroy) {
    ASSERT_EQ(m_loop.m_aMsgFilter.size(), 2u);
    EXPECT_EQ(m_loop.m_aMsgFilter[0], &g_dialogFilter);
    EXPECT_EQ(m_loop.m_aMsgFilter[1], static_cast<CMessageFilter*>(&m_frame));
    ASSERT_EQ(m_loop.m_aIdleHandler.size(), 1u);
    EXPECT_EQ(m_loop.m_aIdleHandler[0], static_cast<CIdleHandler*>(&m_frame));

    const std::wstring path = OpenNew(L"held.raw", 4096);
    ASSERT_TRUE(IsHeldOpen(path));
    m_frame.DestroyWindow();
    EXPECT_EQ(Pump(), 1);
    EXPECT_FALSE(IsHeldOpen(path)) << "the document went with the window";
    EXPECT_TRUE(LiveModelessDialogs().empty());
    ASSERT_EQ(m_loop.m_aMsgFilter.size(), 1u);
    EXPECT_EQ(m_loop.m_aMsgFilter[0], &g_dialogFilter);
    EXPECT_TRUE(m_loop.m_aIdleHandler.empty());
}

// ---------------------------------------------------------------------------------------
// Resources: menu, accelerators, toolbar, rebar band

TEST_F(FrameTest, MenuHasEveryItemEnabledAndUnchecked) {
    HMENU menu = m_frame.GetMenu();
    ASSERT_EQ(::GetMenuItemCount(menu), 4);
    const wchar_t* titles[] = {L"&File", L"&Edit", L"&View", L"&Help"};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(MenuText(menu, i), titles[i]);

    struct Item {
        int popup;
        int position;
        UINT id;
        const wchar_t* text;
    };
    const Item items[] = {
        {0, 0, ID_FILE_NEW, L"&New\tCtrl+N"},    {0, 1, ID_FILE_OPEN, L"&Open\tCtrl+O"},
        {0, 2, ID_FILE_SAVE, L"&Save\tCtrl+S"},  {0, 3, ID_FILE_SAVE_AS, L"Save &As..."},
        {0, 5, ID_APP_EXIT, L"E&xit"},           {1, 0, ID_EDIT_UNDO, L"&Undo\tCtrl+Z"},
        {1, 2, ID_EDIT_COPY, L"&Copy\tCtrl+C"},  {1, 3, ID_EDIT_PASTE, L"&Paste\tCtrl+V"},
        {2, 0, ID_VIEW_TOOLBAR, L"&Toolbar"},    {2, 1, ID_VIEW_STATUS_BAR, L"&Status Bar"},
        {3, 0, ID_APP_ABOUT, L"&About pixolve"},
    };
    for (const Item& item : items) {
        HMENU popup = ::GetSubMenu(menu, item.popup);
        EXPECT_EQ(::GetMenuItemID(popup, item.position), item.id);
        EXPECT_EQ(MenuText(popup, item.position), item.text);
        EXPECT_EQ(::GetMenuState(popup, item.position, MF_BYPOSITION) & (MF_GRAYED | MF_CHECKED), 0u)
            << item.id;
    }
    EXPECT_EQ(::GetMenuItemCount(::GetSubMenu(menu, 0)), 6);
    EXPECT_TRUE(::GetMenuState(::GetSubMenu(menu, 0), 4, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(::GetMenuItemCount(::GetSubMenu(menu, 1)), 4);
    EXPECT_TRUE(::GetMenuState(::GetSubMenu(menu, 1), 1, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(::GetMenuItemCount(::GetSubMenu(menu, 2)), 2);
    EXPECT_EQ(::GetMenuItemCount(::GetSubMenu(menu, 3)), 1);
}

TEST_F(FrameTest, AcceleratorTableHasTheElevenKeysInOrder) {
    ACCEL keys[16] = {};
    ASSERT_EQ(::CopyAcceleratorTableW(m_frame.m_hAccel, keys, 16), 11);
    const BYTE plain = FVIRTKEY | FNOINVERT;
    const ACCEL expected[] = {
        {static_cast<BYTE>(plain | FCONTROL), 'C', ID_EDIT_COPY},
        {static_cast<BYTE>(plain | FCONTROL), VK_INSERT, ID_EDIT_COPY},
        {static_cast<BYTE>(plain | FCONTROL), 'V', ID_EDIT_PASTE},
        {static_cast<BYTE>(plain | FSHIFT), VK_INSERT, ID_EDIT_PASTE},
        {static_cast<BYTE>(plain | FALT), VK_BACK, ID_EDIT_UNDO},
        {static_cast<BYTE>(plain | FCONTROL), 'Z', ID_EDIT_UNDO},
        {static_cast<BYTE>(plain | FCONTROL), 'N', ID_FILE_NEW},
        {static_cast<BYTE>(plain | FCONTROL), 'O', ID_FILE_OPEN},
        {static_cast<BYTE>(plain | FCONTROL), 'S', ID_FILE_SAVE},
        {plain, VK_F6, ID_NEXT_PANE},
        {static_cast<BYTE>(plain | FSHIFT), VK_F6, ID_PREV_PANE},
    };
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(keys[i].fVirt & ~0x80, expected[i].fVirt) << i;  // 0x80 marks the last
        EXPECT_EQ(keys[i].key, expected[i].key) << i;
        EXPECT_EQ(keys[i].cmd, expected[i].cmd) << i;
    }
}

TEST_F(FrameTest, ToolBarHasSixButtonsTwoSeparatorsInARebarBand) {
    HWND reBar = m_frame.m_hWndToolBar;
    wchar_t className[64] = {};
    ::GetClassNameW(reBar, className, 64);
    EXPECT_STREQ(className, L"ReBarWindow32");
    EXPECT_EQ(::GetDlgCtrlID(reBar), 0xE800);
    EXPECT_EQ(::GetWindowLongW(reBar, GWL_STYLE) & 0x56002640, 0x56002640);
    ASSERT_EQ(::SendMessageW(reBar, RB_GETBANDCOUNT, 0, 0), 1);

    REBARBANDINFOW band{};
    band.cbSize = REBARBANDINFOW_V6_SIZE;
    band.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_ID | RBBIM_CHILDSIZE | RBBIM_IDEALSIZE;
    ASSERT_TRUE(::SendMessageW(reBar, RB_GETBANDINFOW, 0, reinterpret_cast<LPARAM>(&band)));
    EXPECT_EQ(band.wID, 0xEB00u);
    EXPECT_EQ(band.fStyle & 0x205u, 0x205u) << "child edge, new row, chevron";
    HWND toolBar = band.hwndChild;
    ASSERT_NE(toolBar, nullptr);

    ::GetClassNameW(toolBar, className, 64);
    EXPECT_STREQ(className, L"ToolbarWindow32");
    EXPECT_EQ(::GetDlgCtrlID(toolBar), 0xE800);
    EXPECT_EQ(static_cast<DWORD>(::GetWindowLongW(toolBar, GWL_STYLE)) & 0x5600094Cu, 0x5600094Cu);
    EXPECT_TRUE(::SendMessageW(toolBar, TB_GETEXTENDEDSTYLE, 0, 0) & TBSTYLE_EX_HIDECLIPPEDBUTTONS);

    const int expectedIds[] = {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, 0,
                               ID_EDIT_COPY, ID_EDIT_PASTE, 0, ID_APP_ABOUT};
    ASSERT_EQ(::SendMessageW(toolBar, TB_BUTTONCOUNT, 0, 0), 8);
    int image = 0;
    for (int i = 0; i < 8; ++i) {
        TBBUTTON button{};
        ::SendMessageW(toolBar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        if (expectedIds[i] == 0) {
            EXPECT_TRUE(button.fsStyle & BTNS_SEP) << i;
            EXPECT_EQ(button.iBitmap, 8) << "separator width";
        } else {
            EXPECT_EQ(button.idCommand, expectedIds[i]);
            EXPECT_EQ(button.iBitmap, image++);
            EXPECT_TRUE(button.fsState & TBSTATE_ENABLED);
        }
    }
    const LRESULT buttonSize = ::SendMessageW(toolBar, TB_GETBUTTONSIZE, 0, 0);
    EXPECT_EQ(LOWORD(buttonSize), 16 + 7);
    EXPECT_GE(HIWORD(buttonSize), 15 + 7);

    RECT last{}, first{};
    ::SendMessageW(toolBar, TB_GETITEMRECT, 7, reinterpret_cast<LPARAM>(&last));
    ::SendMessageW(toolBar, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    EXPECT_EQ(band.cxIdeal, static_cast<UINT>(last.right));
    EXPECT_EQ(band.cxMinChild, static_cast<UINT>(first.right));
    EXPECT_EQ(band.cyMinChild, static_cast<UINT>(last.bottom - last.top));
}

TEST(Resources, AboutTemplateIconsToolBarStripAndVersion) {
    HMODULE module = ::GetModuleHandleW(nullptr);
    auto resource = [&](UINT id, LPCWSTR type) -> const BYTE* {
        HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id), type);
        return found ? static_cast<const BYTE*>(::LockResource(::LoadResource(module, found))) : nullptr;
    };
    auto word = [](const BYTE* at) { return TemplateReader(at).Word(); };
    auto dword = [](const BYTE* at) { return TemplateReader(at).Dword(); };

    const BYTE* about = LoadDialogTemplate(IDD_ABOUTBOX);
    ASSERT_NE(about, nullptr);
    TemplateReader reader(about);
    const TemplateHeader header = ReadHeader(reader);
    EXPECT_EQ(header.signature, 0xFFFF) << "an extended template";
    EXPECT_EQ(header.exStyle, 0u);
    EXPECT_EQ(header.style, 0x80C800C8u);
    EXPECT_EQ(header.controls, 4);
    EXPECT_EQ(std::vector<short>({header.x, header.y, header.cx, header.cy}),
              std::vector<short>({0, 0, 187, 102}));
    EXPECT_EQ(header.caption, L"About");
    EXPECT_EQ(header.points, 8);
    EXPECT_EQ(header.font, L"MS Shell Dlg");
    constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
    const ExpectedControl controls[] = {
        {IDOK, L"Button", kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, L"OK", 130, 81, 50, 14},
        {-1, L"Static", kChild | WS_GROUP | SS_CENTER, nullptr, 25, 57, 78, 32},
        {-1, L"Static", kChild | SS_ICON, L"#101", 55, 26, 20, 20},
        {-1, L"Button", kChild | BS_GROUPBOX, L"", 7, 7, 115, 88},
    };
    for (const ExpectedControl& expected : controls) ExpectNextControl(reader, expected);

    const BYTE* icons = resource(IDR_MAINFRAME, RT_GROUP_ICON);  // GRPICONDIR
    ASSERT_NE(icons, nullptr);
    ASSERT_EQ(word(icons + 4), 2);
    for (int i = 0; i < 2; ++i) {
        const BYTE* entry = icons + 6 + 14 * i;
        EXPECT_EQ(entry[0], i == 0 ? 32 : 16);
        EXPECT_EQ(entry[1], i == 0 ? 32 : 16);
        EXPECT_EQ(entry[2], 16) << "colours";
    }

    const auto* strip = reinterpret_cast<const BITMAPINFOHEADER*>(resource(IDR_MAINFRAME, RT_BITMAP));
    ASSERT_NE(strip, nullptr);
    EXPECT_EQ(strip->biWidth, 96);
    EXPECT_EQ(strip->biHeight, 15);
    EXPECT_EQ(strip->biBitCount, 4);

    const BYTE* version = resource(VS_VERSION_INFO, RT_VERSION);
    ASSERT_NE(version, nullptr);
    const BYTE* fixed = version;
    while (dword(fixed) != 0xFEEF04BD) fixed += 4;  // VS_FIXEDFILEINFO's signature
    // The project version, as pixolve-render --version prints it.
    const DWORD high = PIXOLVE_VERSION_MAJOR << 16 | PIXOLVE_VERSION_MINOR;
    const DWORD low = PIXOLVE_VERSION_PATCH << 16 | PIXOLVE_VERSION_TWEAK;
    EXPECT_EQ(std::vector<DWORD>({dword(fixed + 8), dword(fixed + 12), dword(fixed + 16), dword(fixed + 20)}),
              std::vector<DWORD>({high, low, high, low})) << "file and product versions";
    const std::wstring info(reinterpret_cast<const wchar_t*>(version),
                            word(version) / sizeof(wchar_t));
    EXPECT_NE(info.find(L"040904b0"), std::wstring::npos) << "English (United States), Unicode";
    EXPECT_NE(info.find(L"" PIXOLVE_VERSION_TEXT), std::wstring::npos) << "the version as text";
}

// ---------------------------------------------------------------------------------------
// Layout and the two toggles

TEST_F(FrameTest, ViewFillsWhatTheBarsLeave) {
    ExpectRectEq(ChildRectInParent(View()), ExpectedViewRect(m_frame));
    m_frame.SetWindowPos(nullptr, 0, 0, 640, 480, SWP_NOMOVE | SWP_NOZORDER);
    ExpectRectEq(ChildRectInParent(View()), ExpectedViewRect(m_frame));
    RECT client{};
    m_frame.GetClientRect(&client);
    RECT statusBar = ChildRectInParent(m_frame.m_hWndStatusBar);
    EXPECT_EQ(statusBar.bottom, client.bottom) << "the status bar follows the new size";
    EXPECT_EQ(statusBar.right, client.right);
}

TEST_F(FrameTest, StatusBarToggleHidesShowsChecksAndLaysOut) {
    const RECT before = ChildRectInParent(View());
    Command(ID_VIEW_STATUS_BAR);
    EXPECT_FALSE(::IsWindowVisible(m_frame.m_hWndStatusBar));
    EXPECT_EQ(ViewMenuChecks(m_frame), std::make_pair(true, false));
    RECT client{};
    m_frame.GetClientRect(&client);
    EXPECT_EQ(ChildRectInParent(View()).bottom, client.bottom) << "the view takes the space";

    Command(ID_VIEW_STATUS_BAR);
    EXPECT_TRUE(::IsWindowVisible(m_frame.m_hWndStatusBar));
    EXPECT_EQ(ViewMenuChecks(m_frame), std::make_pair(true, true));
    ExpectRectEq(ChildRectInParent(View()), before);
}

TEST_F(FrameTest, ToolBarToggleHidesTheBandAndTheViewTakesTheSpace) {
    HWND reBar = m_frame.m_hWndToolBar;
    const RECT before = ChildRectInParent(View());
    const int heightBefore = WindowHeight(reBar);
    Command(ID_VIEW_TOOLBAR);
    Pump();
    REBARBANDINFOW band{};
    band.cbSize = REBARBANDINFOW_V6_SIZE;
    band.fMask = RBBIM_STYLE;
    ::SendMessageW(reBar, RB_GETBANDINFOW, 0, reinterpret_cast<LPARAM>(&band));
    EXPECT_TRUE(band.fStyle & RBBS_HIDDEN);
    EXPECT_TRUE(::IsWindowVisible(reBar)) << "the rebar itself stays";
    EXPECT_LT(WindowHeight(reBar), heightBefore);
    EXPECT_EQ(ChildRectInParent(View()).top, WindowHeight(reBar));
    EXPECT_EQ(ViewMenuChecks(m_frame), std::make_pair(false, true));

    Command(ID_VIEW_TOOLBAR);
    Pump();
    ::SendMessageW(reBar, RB_GETBANDINFOW, 0, reinterpret_cast<LPARAM>(&band));
    EXPECT_FALSE(band.fStyle & RBBS_HIDDEN);
    EXPECT_EQ(ViewMenuChecks(m_frame), std::make_pair(true, true));
    ExpectRectEq(ChildRectInParent(View()), before);
}

TEST_F(FrameTest, MinimisingDoesNotLayOutAndRestoringDoes) {
    const RECT laidOut = ChildRectInParent(View());
    ::MoveWindow(View(), 5, 5, 50, 50, FALSE);
    m_frame.SendMessage(WM_SIZE, SIZE_MINIMIZED, 0);
    EXPECT_EQ(ChildRectInParent(View()).right, 55) << "left alone while minimised";
    RECT client{};
    m_frame.GetClientRect(&client);
    m_frame.SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
    ExpectRectEq(ChildRectInParent(View()), laidOut);
}

TEST_F(FrameTest, RebarAutoSizeLaysOutWithoutResizingTheBars) {
    const RECT laidOut = ChildRectInParent(View());
    ::MoveWindow(View(), 5, 5, 50, 50, FALSE);
    NMHDR header{m_frame.m_hWndToolBar, 0xE800, static_cast<UINT>(RBN_AUTOSIZE)};
    EXPECT_EQ(m_frame.SendMessage(WM_NOTIFY, 0xE800, reinterpret_cast<LPARAM>(&header)), 0);
    ExpectRectEq(ChildRectInParent(View()), laidOut);
}

TEST_F(FrameTest, ErasesNothingWhileAClientExists) {
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 8, 8);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    const COLORREF marker = RGB(12, 34, 56);
    ::SetPixel(memory, 1, 1, marker);

    EXPECT_EQ(m_frame.SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory)), 1);
    EXPECT_EQ(::GetPixel(memory, 1, 1), marker);

    const HWND client = m_frame.m_hWndClient;
    m_frame.m_hWndClient = nullptr;  // as when the view could not be made
    m_frame.SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory));
    m_frame.m_hWndClient = client;
    EXPECT_EQ(::GetPixel(memory, 1, 1), ::GetSysColor(COLOR_WINDOW));

    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
}

TEST_F(FrameTest, FocusOnTheFramePassesToTheView) {
    ::SetFocus(m_frame.m_hWndStatusBar);
    m_frame.SetFocus();
    EXPECT_EQ(::GetFocus(), View());
}

// ---------------------------------------------------------------------------------------
// Menu prompts and tooltips

TEST_F(FrameTest, MenuSelectShowsPromptsAndReadyAgainWhenTheMenuCloses) {
    HMENU file = ::GetSubMenu(m_frame.GetMenu(), 0);
    EXPECT_EQ(MenuPrompt(m_frame, ID_FILE_OPEN, MF_HILITE, file), L"Open an existing document");
    EXPECT_EQ(MenuPrompt(m_frame, ID_APP_EXIT, MF_HILITE, file),
              L"Quit the application; prompts to save documents");
    EXPECT_EQ(MenuPrompt(m_frame, 0, MF_POPUP | MF_HILITE, m_frame.GetMenu()), L"")
        << "a drop-down title";
    EXPECT_EQ(MenuPrompt(m_frame, 0, MF_SEPARATOR, file), L"") << "a separator";

    HMENU system = ::GetSystemMenu(m_frame, FALSE);
    EXPECT_EQ(MenuPrompt(m_frame, SC_MINIMIZE, MF_HILITE | MF_SYSMENU, system),
              L"Reduce the window to an icon");
    EXPECT_EQ(MenuPrompt(m_frame, SC_RESTORE, MF_HILITE | MF_SYSMENU, system),
              L"Restore the window to normal size");
    EXPECT_EQ(MenuPrompt(m_frame, SC_CLOSE, MF_HILITE | MF_SYSMENU, system),
              L"Close the active window and prompts to save the documents");
    EXPECT_EQ(MenuPrompt(m_frame, SC_TASKLIST, MF_HILITE | MF_SYSMENU, system),
              L"Activate Task List");

    m_frame.SendMessage(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_FALSE(::SendMessageW(m_frame.m_hWndStatusBar, SB_ISSIMPLE, 0, 0));
    EXPECT_EQ(StatusText(m_frame.m_hWndStatusBar, 0), L"Ready");
}

TEST_F(FrameTest, ToolTipsAreTheTextAfterTheNewline) {
    EXPECT_EQ(ToolTip(m_frame, ID_FILE_NEW), L"New|kept");
    EXPECT_EQ(ToolTip(m_frame, ID_FILE_OPEN), L"Open|kept");
    EXPECT_EQ(ToolTip(m_frame, ID_FILE_SAVE), L"Save|kept");
    EXPECT_EQ(ToolTip(m_frame, ID_EDIT_COPY), L"Copy|kept");
    EXPECT_EQ(ToolTip(m_frame, ID_EDIT_PASTE), L"Paste|kept");
    EXPECT_EQ(ToolTip(m_frame, ID_APP_ABOUT), L"About|kept");
    EXPECT_EQ(ToolTip(m_frame, ATL_IDS_SCCLOSE), L"|kept") << "a string without a tooltip";
    EXPECT_EQ(ToolTip(m_frame, 0x1234), L"") << "no string";
    EXPECT_EQ(ToolTip(m_frame, 0), L"") << "no control id";
    EXPECT_EQ(ToolTip(m_frame, ID_FILE_OPEN, TTF_IDISHWND), L"") << "a tool named by its window";

    NMTTDISPINFOA narrow{};
    narrow.hdr.idFrom = ID_APP_ABOUT;
    narrow.hdr.code = TTN_GETDISPINFOA;
    m_frame.SendMessage(WM_NOTIFY, ID_APP_ABOUT, reinterpret_cast<LPARAM>(&narrow));
    EXPECT_STREQ(narrow.szText, "About");
}

TEST_F(FrameTest, TheToolBarsOwnTooltipAsksTheFrame) {
    REBARBANDINFOW band{};
    band.cbSize = REBARBANDINFOW_V6_SIZE;
    band.fMask = RBBIM_CHILD;
    ::SendMessageW(m_frame.m_hWndToolBar, RB_GETBANDINFOW, 0, reinterpret_cast<LPARAM>(&band));
    HWND tooltip = reinterpret_cast<HWND>(::SendMessageW(band.hwndChild, TB_GETTOOLTIPS, 0, 0));
    ASSERT_NE(tooltip, nullptr);
    wchar_t text[80] = {};
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = band.hwndChild;
    tool.uId = ID_EDIT_PASTE;
    tool.lpszText = text;
    ::SendMessageW(tooltip, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(text, L"Paste");
}

TEST_F(FrameTest, ChevronMenuListsTheButtonsTheBandCannotShow) {
    REBARBANDINFOW band{};
    band.cbSize = REBARBANDINFOW_V6_SIZE;
    band.fMask = RBBIM_CHILD;
    ::SendMessageW(m_frame.m_hWndToolBar, RB_GETBANDINFOW, 0, reinterpret_cast<LPARAM>(&band));
    EXPECT_EQ(frame_parts::MakeChevronMenu(band.hwndChild), nullptr) << "all buttons fit";

    // Narrow enough that only the first buttons fit.
    RECT first{};
    ::SendMessageW(band.hwndChild, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    ::MoveWindow(band.hwndChild, 0, 0, first.right * 2 + 2, first.bottom, FALSE);
    HMENU menu = frame_parts::MakeChevronMenu(band.hwndChild);
    ASSERT_NE(menu, nullptr);
    std::vector<UINT> ids;
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) ids.push_back(::GetMenuItemID(menu, i));
    const UINT separator = 0;
    EXPECT_EQ(ids, (std::vector<UINT>{ID_FILE_SAVE, separator, ID_EDIT_COPY, ID_EDIT_PASTE,
                                      separator, ID_APP_ABOUT}));
    EXPECT_EQ(MenuText(menu, 0), L"Save");
    ::DestroyMenu(menu);
}

TEST_F(FrameTest, ChevronDropsTheMenuUnderItAndItsChoiceBecomesACommand) {
    REBARBANDINFOW band{};
    band.cbSize = REBARBANDINFOW_V6_SIZE;
    band.fMask = RBBIM_CHILD;
    ::SendMessageW(m_frame.m_hWndToolBar, RB_GETBANDINFOW, 0, reinterpret_cast<LPARAM>(&band));
    RECT first{};
    ::SendMessageW(band.hwndChild, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    ::MoveWindow(band.hwndChild, 0, 0, first.right * 2 + 2, first.bottom, FALSE);

    NMREBARCHEVRON chevron{};
    chevron.hdr = {m_frame.m_hWndToolBar, 0xE800, static_cast<UINT>(RBN_CHEVRONPUSHED)};
    chevron.uBand = 0;
    chevron.rc = RECT{100, 2, 112, 20};
    POINT below{chevron.rc.left, chevron.rc.bottom};
    ::ClientToScreen(m_frame.m_hWndToolBar, &below);
    RECT menu{};
    // Down selects the first item (Save), Return chooses it.
    WindowAnswerer choose(L"#32768", L"", WM_KEYDOWN, VK_RETURN, [&](HWND popup) {
        ::GetWindowRect(popup, &menu);
        ::PostMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);
    });
    m_frame.SendMessage(WM_NOTIFY, 0xE800, reinterpret_cast<LPARAM>(&chevron));
    ASSERT_TRUE(choose.Join());
    EXPECT_EQ(menu.left, below.x);
    EXPECT_EQ(menu.top, below.y);
    MSG command{};
    ASSERT_TRUE(::PeekMessageW(&command, m_frame, WM_COMMAND, WM_COMMAND, PM_REMOVE));
    EXPECT_EQ(LOWORD(command.wParam), ID_FILE_SAVE);
}

// ---------------------------------------------------------------------------------------
// Opening, replacing and closing documents

TEST_F(FrameTest, OpeningAFileShowsItsParametersAndFocusesTheView) {
    const std::wstring path = OpenNew(L"first.raw", 12 * 400);
    Pump();
    EXPECT_TRUE(IsHeldOpen(path));
    const std::vector<HWND> dialogs = LiveModelessDialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(WindowText(dialogs[0]), L"Parameters");
    EXPECT_EQ(::GetFocus(), View());
    EXPECT_EQ(::GetActiveWindow(), static_cast<HWND>(m_frame));
}

TEST_F(FrameTest, OpeningAnotherFileReplacesTheFirst) {
    const std::wstring first = m_files.MakeFile(L"first.raw", 4800);
    const std::wstring second = m_files.MakeFile(L"second.raw", 9600);
    m_frame.OpenRawFile(first.c_str());
    const HWND firstDialog = ParametersDialog();
    m_frame.OpenRawFile(second.c_str());
    Pump();
    EXPECT_FALSE(IsHeldOpen(first)) << "the previous document is closed";
    EXPECT_TRUE(IsHeldOpen(second));
    EXPECT_FALSE(::IsWindow(firstDialog));
    EXPECT_EQ(LiveModelessDialogs().size(), 1u);
    EXPECT_EQ(::GetFocus(), View());
}

TEST_F(FrameTest, FailedOpensChangeNothing) {
    const std::wstring shown = m_files.MakeFile(L"shown.raw", 4800);
    const std::wstring folder = m_files.MakeFolder(L"a folder");
    m_frame.OpenRawFile(shown.c_str());
    const HWND dialog = ParametersDialog();
    const std::wstring width = WindowText(::GetDlgItem(dialog, IDC_WIDTH));

    const std::wstring missing = m_files.Path() + L"\\missing.raw";
    for (const std::wstring& bad : {missing, folder, std::wstring()}) {
        m_frame.OpenRawFile(bad.c_str());
        EXPECT_TRUE(IsHeldOpen(shown));
        EXPECT_EQ(LiveModelessDialogs(), std::vector<HWND>{dialog});
        EXPECT_EQ(WindowText(::GetDlgItem(dialog, IDC_WIDTH)), width);
    }
}

TEST_F(FrameTest, ReopeningTheShownFileStartsAgainFromItsDefaults) {
    const std::wstring path = OpenNew(L"same.raw", 12 * 100);  // 40 x 30 by default
    HWND dialog = ParametersDialog();
    const std::wstring defaultWidth = WindowText(::GetDlgItem(dialog, IDC_WIDTH));
    ::SetDlgItemTextW(dialog, IDC_WIDTH, L"7");
    ASSERT_EQ(WindowText(::GetDlgItem(dialog, IDC_WIDTH)), L"7");

    m_frame.OpenRawFile(path.c_str());
    dialog = ParametersDialog();
    EXPECT_EQ(WindowText(::GetDlgItem(dialog, IDC_WIDTH)), defaultWidth);
    EXPECT_TRUE(IsHeldOpen(path));
}

TEST_F(FrameTest, NewDropsTheDocumentAndItsDialog) {
    Command(ID_FILE_NEW);  // nothing shown: nothing happens
    EXPECT_TRUE(LiveModelessDialogs().empty());

    const std::wstring path = OpenNew(L"new.raw");
    ASSERT_EQ(LiveModelessDialogs().size(), 1u);
    Command(ID_FILE_NEW);
    EXPECT_TRUE(LiveModelessDialogs().empty());
    EXPECT_FALSE(IsHeldOpen(path));
    EXPECT_TRUE(m_frame.IsWindow());
}

TEST_F(FrameTest, CommandsThatDoNothingLeaveEverythingAsItWas) {
    const std::wstring path = OpenNew(L"kept.raw");
    const std::vector<HWND> dialogs = LiveModelessDialogs();
    for (WORD id : {ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_EDIT_COPY, ID_EDIT_PASTE, ID_NEXT_PANE,
                    ID_PREV_PANE}) {
        Command(id);
        Pump();
        EXPECT_TRUE(IsHeldOpen(path)) << id;
        EXPECT_EQ(LiveModelessDialogs(), dialogs) << id;
    }
    HMENU menu = m_frame.GetMenu();
    for (UINT id : kAllCommands) {
        EXPECT_EQ(::GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED, 0u) << id;
    }
}

TEST_F(FrameTest, ExitClosesTheWindowWithQuitCodeOne) {
    const std::wstring path = OpenNew(L"exit.raw");
    Command(ID_APP_EXIT);
    EXPECT_TRUE(m_frame.IsWindow()) << "posted, not sent";
    EXPECT_EQ(Pump(), 1);
    EXPECT_FALSE(m_frame.IsWindow());
    EXPECT_FALSE(IsHeldOpen(path));
}

// ---------------------------------------------------------------------------------------
// Dropped files

TEST_F(FrameTest, DropOpensOnlyTheFirstFile) {
    const std::wstring first = m_files.MakeFile(L"drop1.raw", 4800);
    const std::wstring second = m_files.MakeFile(L"drop2.raw", 4800);
    const std::wstring third = m_files.MakeFile(L"drop3.raw", 4800);
    EXPECT_EQ(m_frame.SendMessage(WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({first, second, third}))), 0);
    EXPECT_TRUE(IsHeldOpen(first));
    EXPECT_FALSE(IsHeldOpen(second));
    EXPECT_FALSE(IsHeldOpen(third));
    EXPECT_EQ(LiveModelessDialogs().size(), 1u);
    EXPECT_EQ(::GetFocus(), View());
}

TEST_F(FrameTest, DroppingAFolderOrAnOverlongNameChangesNothing) {
    const std::wstring shown = OpenNew(L"shown.raw");
    const std::vector<HWND> dialogs = LiveModelessDialogs();

    const std::wstring folder = m_files.MakeFolder(L"dropped folder");
    m_frame.SendMessage(WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({folder, shown})));
    const std::wstring overlong = m_files.Path() + L"\\" + std::wstring(300, L'x');
    m_frame.SendMessage(WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({overlong})));
    m_frame.SendMessage(WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({})));

    EXPECT_TRUE(IsHeldOpen(shown));
    EXPECT_EQ(LiveModelessDialogs(), dialogs);
}

TEST(DroppedName, StaysInsideItsBufferWhateverTheNameLength) {
    struct Guarded {
        wchar_t name[MAX_PATH];
        wchar_t guard[64];
    } buffer;
    for (size_t length : {size_t(5), size_t(259), size_t(260), size_t(300), size_t(1000)}) {
        std::fill(std::begin(buffer.guard), std::end(buffer.guard), L'G');
        const std::wstring name = L"C:\\" + std::wstring(length - 3, L'n');
        // Wine reports the whole name's length even when only part of it was copied.
        HDROP drop = MakeDrop({name});
        ReadFirstDroppedName(drop, buffer.name);
        ::DragFinish(drop);
        EXPECT_EQ(std::wstring(buffer.name), name.substr(0, MAX_PATH - 1)) << length;
        EXPECT_EQ(std::count(std::begin(buffer.guard), std::end(buffer.guard), L'G'), 64) << length;
    }
    HDROP empty = MakeDrop({});
    ReadFirstDroppedName(empty, buffer.name);
    ::DragFinish(empty);
    EXPECT_STREQ(buffer.name, L"");
}

// ---------------------------------------------------------------------------------------
// Modal windows: the open-file dialog, the "NotImplemented" box and the About box

TEST_F(FrameTest, OpenCommandAsksForAFileAndOpensTheChosenOne) {
    const std::wstring path = m_files.MakeFile(L"chosen.raw", 4800);
    std::wstring filter;
    WindowAnswerer answer(L"Open raw file", IDOK, [&](HWND dialog) {
        filter = WindowText(::GetDlgItem(dialog, cmb1));
        HWND name = ::GetDlgItem(dialog, edt1);
        if (name == nullptr) name = ::GetDlgItem(dialog, cmb13);
        ::SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    });
    Command(ID_FILE_OPEN);
    ASSERT_TRUE(answer.Join());
    EXPECT_EQ(filter, L"All files");
    EXPECT_TRUE(IsHeldOpen(path));
    EXPECT_EQ(LiveModelessDialogs().size(), 1u);
}

TEST_F(FrameTest, CancellingTheOpenDialogChangesNothing) {
    const std::wstring shown = OpenNew(L"shown.raw");
    const std::vector<HWND> dialogs = LiveModelessDialogs();
    WindowAnswerer answer(L"Open raw file", IDCANCEL);
    Command(ID_FILE_OPEN);
    ASSERT_TRUE(answer.Join());
    EXPECT_TRUE(IsHeldOpen(shown));
    EXPECT_EQ(LiveModelessDialogs(), dialogs);
}

TEST_F(FrameTest, UndoShowsTheNotImplementedBoxOwnedByTheFrame) {
    std::wstring text;
    HWND owner = nullptr;
    bool hasCancel = true;
    WindowAnswerer answer(L"NotImplemented", IDOK, [&](HWND box) {
        text = WindowText(::GetDlgItem(box, 0xFFFF));  // the box's message text
        owner = ::GetWindow(box, GW_OWNER);
        hasCancel = ::GetDlgItem(box, IDCANCEL) != nullptr;
    });
    Command(ID_EDIT_UNDO);
    ASSERT_TRUE(answer.Join());
    EXPECT_EQ(text, L"Uh-huh?");
    EXPECT_EQ(owner, static_cast<HWND>(m_frame));
    EXPECT_FALSE(hasCancel) << "an OK button only";
    EXPECT_TRUE(m_frame.IsWindow());
}

namespace {

// What the frame asks of the open-file dialog and the message box, taken by stand-ins
// that show nothing: the open-file dialog is cancelled, the box answered with OK.
struct ModalRequests {
    static inline int openCalls = 0;
    static inline OPENFILENAMEW request{};
    static inline std::wstring filter;  // up to the double NUL, NULs as '|'
    static inline std::wstring fileName;
    static inline int boxCalls = 0;
    static inline UINT boxStyle = 0;

    static BOOL WINAPI Open(OPENFILENAMEW* request) {
        ++openCalls;
        ModalRequests::request = *request;
        filter.clear();
        for (const wchar_t* c = request->lpstrFilter; c != nullptr && (c[0] || c[1]); ++c) {
            filter += c[0] ? c[0] : L'|';
        }
        fileName = request->lpstrFile != nullptr ? request->lpstrFile : L"(none)";
        return FALSE;
    }
    static int WINAPI Box(HWND, const wchar_t*, const wchar_t*, UINT style) {
        ++boxCalls;
        boxStyle = style;
        return IDOK;
    }
};

}  // namespace

TEST_F(FrameTest, OpenFileDialogIsAskedForWithTheFilterFlagsAndBufferItNeeds) {
    CImportPatch patch(L"comdlg32.dll", "GetOpenFileNameW",
                       reinterpret_cast<const void*>(&ModalRequests::Open));
    ASSERT_TRUE(patch.Active());
    ModalRequests::openCalls = 0;
    Command(ID_FILE_OPEN);
    ASSERT_EQ(ModalRequests::openCalls, 1);
    const OPENFILENAMEW& open = ModalRequests::request;
    EXPECT_EQ(open.lStructSize, sizeof(OPENFILENAMEW));
    EXPECT_EQ(open.hwndOwner, static_cast<HWND>(m_frame));
    EXPECT_EQ(ModalRequests::filter, L"All files|*.*");
    EXPECT_EQ(open.nFilterIndex, 1u);
    EXPECT_EQ(open.nMaxFile, static_cast<DWORD>(MAX_PATH));
    EXPECT_EQ(ModalRequests::fileName, L"");
    EXPECT_EQ(std::wstring(open.lpstrTitle), L"Open raw file");
    EXPECT_EQ(open.Flags, static_cast<DWORD>(OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY));
    EXPECT_EQ(open.lpstrInitialDir, nullptr);
    EXPECT_EQ(open.lpstrDefExt, nullptr);
    EXPECT_EQ(open.lpstrFileTitle, nullptr);
    EXPECT_EQ(open.lpstrCustomFilter, nullptr);
    EXPECT_TRUE(LiveModelessDialogs().empty()) << "a cancelled dialog opens nothing";
}

TEST_F(FrameTest, NotImplementedBoxHasAnOkButtonAndTheInformationIcon) {
    CImportPatch patch(L"user32.dll", "MessageBoxW",
                       reinterpret_cast<const void*>(&ModalRequests::Box));
    ASSERT_TRUE(patch.Active());
    ModalRequests::boxCalls = 0;
    Command(ID_EDIT_UNDO);
    ASSERT_EQ(ModalRequests::boxCalls, 1);
    EXPECT_EQ(ModalRequests::boxStyle, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
}

TEST_F(FrameTest, AboutBoxIsCentredOverTheFrameInsideTheWorkArea) {
    m_frame.SetWindowPos(nullptr, 100, 80, 800, 700, SWP_NOZORDER);
    RECT frameRect{};
    m_frame.GetWindowRect(&frameRect);
    RECT box{};
    std::wstring text;
    bool hasIcon = false;
    WindowAnswerer answer(L"About", IDOK, [&](HWND dialog) {
        ::GetWindowRect(dialog, &box);
        for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            const LONG style = ::GetWindowLongW(child, GWL_STYLE);
            if ((style & SS_TYPEMASK) == SS_ICON) hasIcon = ::SendMessageW(child, STM_GETICON, 0, 0) != 0;
            if ((style & SS_TYPEMASK) == SS_CENTER) text = WindowText(child);
        }
    });
    Command(ID_APP_ABOUT);
    ASSERT_TRUE(answer.Join());
    EXPECT_NEAR((box.left + box.right) / 2, (frameRect.left + frameRect.right) / 2, 1);
    EXPECT_NEAR((box.top + box.bottom) / 2, (frameRect.top + frameRect.bottom) / 2, 1);
    EXPECT_EQ(text.rfind(L"pixolve Application v" PIXOLVE_VERSION_SHORT "\n\n", 0), 0u);
    EXPECT_TRUE(hasIcon);
    RECT after{};
    m_frame.GetWindowRect(&after);
    ExpectRectEq(after, frameRect);
}

TEST_F(FrameTest, AboutBoxStaysInsideTheWorkAreaAndClosesWithCancel) {
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    m_frame.SetWindowPos(nullptr, work.left - 700, work.top - 600, 800, 700, SWP_NOZORDER);
    RECT box{};
    WindowAnswerer answer(L"About", IDCANCEL, [&](HWND dialog) { ::GetWindowRect(dialog, &box); });
    Command(ID_APP_ABOUT);
    ASSERT_TRUE(answer.Join());
    EXPECT_EQ(box.left, work.left);
    EXPECT_EQ(box.top, work.top);
}

// ---------------------------------------------------------------------------------------
// Accelerators through the loop's filter chain

TEST_F(FrameTest, AcceleratorsSendTheirCommandsAndNothingElseDoes) {
    struct Key {
        UINT key;
        unsigned modifiers;
        WORD command;
    };
    const Key keys[] = {
        {'C', kCtrl, ID_EDIT_COPY},      {VK_INSERT, kCtrl, ID_EDIT_COPY},
        {'V', kCtrl, ID_EDIT_PASTE},     {VK_INSERT, kShift, ID_EDIT_PASTE},
        {'N', kCtrl, ID_FILE_NEW},       {'S', kCtrl, ID_FILE_SAVE},
        {VK_F6, kNone, ID_NEXT_PANE},    {VK_F6, kShift, ID_PREV_PANE},
    };
    CommandLog log(m_frame);
    for (const Key& key : keys) {
        log.m_commands.clear();
        PressKey(m_loop, View(), key.key, key.modifiers);
        ASSERT_EQ(log.m_commands.size(), 1u) << key.key;
        EXPECT_EQ(log.m_commands[0].first, key.command);
        EXPECT_EQ(log.m_commands[0].second, 1) << "from an accelerator";
    }
    log.m_commands.clear();
    PressKey(m_loop, View(), 'C', kNone);
    PressKey(m_loop, View(), 'O', kShift);
    PressKey(m_loop, View(), VK_INSERT, kNone);
    EXPECT_TRUE(log.m_commands.empty());
    EXPECT_TRUE(m_frame.IsWindow());
}

TEST_F(FrameTest, UndoKeysShowTheBoxAndCtrlOOpensTheDialog) {
    for (auto [key, modifiers] : {std::make_pair(UINT('Z'), unsigned(kCtrl)),
                                  std::make_pair(UINT(VK_BACK), unsigned(kAlt))}) {
        WindowAnswerer answer(L"NotImplemented", IDOK);
        PressKey(m_loop, View(), key, modifiers);
        EXPECT_TRUE(answer.Join()) << key;
    }
    WindowAnswerer answer(L"Open raw file", IDCANCEL);
    PressKey(m_loop, View(), 'O', kCtrl);
    EXPECT_TRUE(answer.Join());
}

TEST_F(FrameTest, AcceleratorsWinWhileTheParametersDialogHasTheFocus) {
    const std::wstring path = OpenNew(L"focus.raw");
    const HWND dialog = ParametersDialog();
    const HWND width = ::GetDlgItem(dialog, IDC_WIDTH);
    ::SetFocus(width);
    ASSERT_EQ(::GetFocus(), width);
    const std::wstring before = WindowText(width);
    ASSERT_TRUE(PutTextOnClipboard(L"987"));

    // In an edit box Shift+Insert and Ctrl+V would paste, Ctrl+Insert copy; none reaches it.
    CommandLog log(m_frame);
    ::SendMessageW(width, EM_SETSEL, 0, -1);
    PressKey(m_loop, width, VK_INSERT, kShift);
    PressKey(m_loop, width, VK_INSERT, kCtrl);
    PressKey(m_loop, width, 'V', kCtrl);
    EXPECT_EQ(WindowText(width), before);
    ASSERT_EQ(log.m_commands.size(), 3u);
    EXPECT_EQ(log.m_commands[0].first, ID_EDIT_PASTE);
    EXPECT_EQ(log.m_commands[1].first, ID_EDIT_COPY);
    EXPECT_EQ(log.m_commands[2].first, ID_EDIT_PASTE);
    ::SendMessageW(width, WM_PASTE, 0, 0);
    EXPECT_EQ(WindowText(width), L"987") << "what a paste that got through would have done";

    {
        WindowAnswerer answer(L"NotImplemented", IDOK);
        PressKey(m_loop, width, 'Z', kCtrl);
        EXPECT_TRUE(answer.Join());
    }
    PressKey(m_loop, width, 'N', kCtrl);
    EXPECT_FALSE(::IsWindow(dialog)) << "Ctrl+N dropped the document and its dialog";
    EXPECT_FALSE(IsHeldOpen(path));
}

TEST_F(FrameTest, OtherKeysReachTheParametersDialog) {
    const std::wstring path = OpenNew(L"tab.raw");
    const HWND dialog = ParametersDialog();
    const HWND offset = ::GetDlgItem(dialog, IDC_OFFSET);
    ::SetFocus(offset);
    PressKey(m_loop, offset, VK_TAB, kNone);
    EXPECT_EQ(::GetFocus(), ::GetDlgItem(dialog, IDC_WIDTH)) << "Tab moves between the controls";
    PressKey(m_loop, ::GetFocus(), VK_TAB, kShift);
    EXPECT_EQ(::GetFocus(), offset) << "Shift+Tab moves back";
}

// ---------------------------------------------------------------------------------------
// The update-UI table on its own

namespace {

class UiOwner : public CUpdateUI<UiOwner> {
public:
    BEGIN_UPDATE_UI_MAP(UiOwner)
        UPDATE_ELEMENT(ID_FILE_SAVE, UPDUI_MENUPOPUP | UPDUI_TOOLBAR)
        UPDATE_ELEMENT(ID_VIEW_TOOLBAR, UPDUI_MENUPOPUP)
    END_UPDATE_UI_MAP()
};

}  // namespace

TEST(UpdateUI, PushesChangedToolBarStatesWhenAskedAndForcedOnesAlways) {
    InitControls();
    CWindow host(MakeHostWindow());
    ASSERT_NE(host.m_hWnd, nullptr);
    HWND toolBar = frame_parts::CreateSimpleToolBarCtrl(host, IDR_MAINFRAME, FALSE,
                                                        ATL_SIMPLE_TOOLBAR_PANE_STYLE, 0xE800);
    ASSERT_NE(toolBar, nullptr);
    auto enabled = [&] { return ::SendMessageW(toolBar, TB_ISBUTTONENABLED, ID_FILE_SAVE, 0) != 0; };
    UiOwner ui;
    EXPECT_TRUE(ui.UIAddToolBar(toolBar));
    EXPECT_FALSE(ui.UIAddToolBar(nullptr));

    EXPECT_TRUE(ui.UIEnable(ID_FILE_SAVE, FALSE));
    EXPECT_TRUE(enabled()) << "nothing reaches the toolbar before the push";
    ui.UIUpdateToolBar();
    EXPECT_FALSE(enabled());

    ::SendMessageW(toolBar, TB_ENABLEBUTTON, ID_FILE_SAVE, TRUE);
    ui.UIUpdateToolBar();
    EXPECT_TRUE(enabled()) << "an unchanged state is not pushed again";
    ui.UIUpdateToolBar(TRUE);
    EXPECT_FALSE(enabled());

    ui.UISetCheck(ID_FILE_SAVE, 1);
    ui.UIUpdateToolBar();
    EXPECT_TRUE(::SendMessageW(toolBar, TB_ISBUTTONCHECKED, ID_FILE_SAVE, 0));
    EXPECT_FALSE(ui.UISetCheck(0x1234, 1)) << "not in the table";
    host.DestroyWindow();
}

TEST(UpdateUI, SetsCheckMarksOfTheDropDownThatOpens) {
    UiOwner ui;
    HMENU menu = ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
    HMENU file = ::GetSubMenu(menu, 0);
    HMENU view = ::GetSubMenu(menu, 2);
    ui.UISetCheck(ID_VIEW_TOOLBAR, 1);
    ui.UISetCheck(ID_FILE_SAVE, 1);
    ui.UIEnable(ID_FILE_SAVE, FALSE);

    LRESULT result = 0;
    EXPECT_FALSE(ui.ProcessWindowMessage(nullptr, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(view), 2, result))
        << "the default procedure still sees the message";
    EXPECT_TRUE(::GetMenuState(view, ID_VIEW_TOOLBAR, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(::GetMenuState(view, ID_VIEW_STATUS_BAR, MF_BYCOMMAND) & MF_CHECKED) << "not in the table";
    EXPECT_FALSE(::GetMenuState(file, ID_FILE_SAVE, MF_BYCOMMAND) & MF_CHECKED) << "not opened yet";

    ui.ProcessWindowMessage(nullptr, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0, result);
    const UINT save = ::GetMenuState(file, ID_FILE_SAVE, MF_BYCOMMAND);
    EXPECT_TRUE(save & MF_CHECKED);
    EXPECT_TRUE(save & MF_GRAYED);

    ui.UISetCheck(ID_VIEW_TOOLBAR, 0);
    ui.ProcessWindowMessage(nullptr, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(view), 2, result);
    EXPECT_FALSE(::GetMenuState(view, ID_VIEW_TOOLBAR, MF_BYCOMMAND) & MF_CHECKED);
    ::DestroyMenu(menu);
}
