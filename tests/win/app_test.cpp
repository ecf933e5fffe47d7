// The program's run: the dialog filter, RunMainFrame's exit codes, and the real loop
// driving the real frame (filter order, accelerators, idle rule).
#include "tests/win/frame_test_support.h"

using namespace frame_test;

namespace {

// A modeless dialog (on the About template) that joins the modeless set like the
// Parameters dialog does.
class ListedDialog : public CModelessDialogImpl<ListedDialog> {
public:
    enum { IDD = IDD_ABOUTBOX };
    BEGIN_MSG_MAP(ListedDialog)
    END_MSG_MAP()
};

MSG KeyFor(HWND window, UINT key) {
    MSG msg{};
    msg.hwnd = window;
    msg.message = WM_KEYDOWN;
    msg.wParam = key;
    msg.lParam = 1;
    return msg;
}

// Refuses every top-level window while it lives.
class TopLevelVeto {
public:
    TopLevelVeto() { m_hook = ::SetWindowsHookExW(WH_CBT, Veto, nullptr, ::GetCurrentThreadId()); }
    ~TopLevelVeto() { ::UnhookWindowsHookEx(m_hook); }

private:
    static LRESULT CALLBACK Veto(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_CREATEWND) {
            const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
            if (!(create->lpcs->style & WS_CHILD)) return 1;
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    HHOOK m_hook = nullptr;
};

}  // namespace

TEST(DialogFilter, TakesOnlyMessagesOfListedLiveDialogs) {
    InitControls();
    CWindow host(MakeHostWindow());
    ASSERT_NE(host.m_hWnd, nullptr);
    MSG forHost = KeyFor(host, VK_TAB);
    EXPECT_FALSE(g_dialogFilter.PreTranslateMessage(&forHost)) << "nothing listed";

    ListedDialog dialog;
    ASSERT_NE(dialog.Create(host), nullptr);
    ASSERT_EQ(g_modelessDialogs.count(dialog), 1u);
    const HWND goneHandle = MakeHostWindow();
    ::DestroyWindow(goneHandle);
    g_modelessDialogs.insert(goneHandle);  // a dialog destroyed before it was unlisted

    MSG tab = KeyFor(dialog.GetDlgItem(IDOK), VK_TAB);
    EXPECT_TRUE(g_dialogFilter.PreTranslateMessage(&tab));
    EXPECT_FALSE(g_dialogFilter.PreTranslateMessage(&forHost)) << "another window's message";
    MSG paint = forHost;
    paint.message = WM_PAINT;
    EXPECT_FALSE(g_dialogFilter.PreTranslateMessage(&paint));

    g_modelessDialogs.erase(goneHandle);
    dialog.DestroyWindow();
    EXPECT_EQ(g_modelessDialogs.count(dialog.m_hWnd), 0u);
    host.DestroyWindow();
}

TEST(RunMainFrame, ShowsTheFrameAndReturnsOneWhenItCloses) {
    InitControls();
    g_appModule.Init(::GetModuleHandleW(nullptr));
    RECT frameRect{};
    WindowAnswerer closer(nullptr, L"pixolve", WM_CLOSE, 0,
                          [&](HWND frame) { ::GetWindowRect(frame, &frameRect); });
    EXPECT_EQ(RunMainFrame(SW_SHOWNORMAL), 1);
    EXPECT_TRUE(closer.Join());
    EXPECT_EQ(frameRect.right - frameRect.left, 800);
    EXPECT_EQ(frameRect.bottom - frameRect.top, 700);
    EXPECT_EQ(g_appModule.GetMessageLoop(), nullptr) << "the loop left the module";
}

namespace {

// Reads the loop's filters when the frame is first shown, inside RunMainFrame, then
// closes the frame.
class FiltersAtShow {
public:
    FiltersAtShow() {
        s_seen = this;
        m_hook = ::SetWindowsHookExW(WH_CALLWNDPROC, Look, nullptr, ::GetCurrentThreadId());
    }
    ~FiltersAtShow() {
        ::UnhookWindowsHookEx(m_hook);
        s_seen = nullptr;
    }
    bool shown = false;
    std::vector<CMessageFilter*> filters;

private:
    static LRESULT CALLBACK Look(int code, WPARAM wParam, LPARAM lParam) {
        const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && s_seen != nullptr && !s_seen->shown &&
            sent->message == WM_SHOWWINDOW && sent->wParam && ::GetParent(sent->hwnd) == nullptr &&
            (::GetWindowLongW(sent->hwnd, GWL_STYLE) & WS_CHILD) == 0) {
            s_seen->shown = true;
            CMessageLoop* loop = g_appModule.GetMessageLoop();
            if (loop != nullptr) s_seen->filters = loop->m_aMsgFilter;
            ::PostMessageW(sent->hwnd, WM_CLOSE, 0, 0);
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline FiltersAtShow* s_seen = nullptr;
    HHOOK m_hook = nullptr;
};

}  // namespace

// The frame's accelerators must be asked before the dialog filter: the loop asks the last
// registered first, so the dialog filter has to be registered before the frame exists.
TEST(RunMainFrame, RegistersTheDialogFilterBeforeTheFramesOwn) {
    InitControls();
    g_appModule.Init(::GetModuleHandleW(nullptr));
    FiltersAtShow seen;
    EXPECT_EQ(RunMainFrame(SW_SHOWNORMAL), 1);
    ASSERT_TRUE(seen.shown);
    ASSERT_EQ(seen.filters.size(), 2u);
    EXPECT_EQ(seen.filters[0], &g_dialogFilter);
    EXPECT_NE(seen.filters[1], &g_dialogFilter);
}

TEST(RunMainFrame, ReturnsZeroWhenTheFrameCannotBeCreated) {
    InitControls();
    g_appModule.Init(::GetModuleHandleW(nullptr));
    {
        TopLevelVeto veto;
        EXPECT_EQ(RunMainFrame(SW_SHOWNORMAL), 0);
    }
    EXPECT_EQ(g_appModule.GetMessageLoop(), nullptr);
    MSG msg{};
    EXPECT_FALSE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "no quit posted";
}

namespace {

// Counts idle periods; the first one leaves only messages that must not re-arm idling
// (a mouse move, a paint) plus a 100 ms timer that must; the second records whether the
// timer came first and closes the frame.
class IdleScript : public CIdleHandler {
public:
    HWND frame = nullptr;
    HWND view = nullptr;
    int calls = 0;
    bool timerCameFirst = false;
    BOOL OnIdle() override {
        ++calls;
        if (calls == 1) {
            s_timerFired = false;
            ::PostMessageW(view, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
            ::InvalidateRect(view, nullptr, TRUE);
            ::SetTimer(frame, 77, 100, &TimerFired);
        } else if (calls == 2) {
            timerCameFirst = s_timerFired;
            ::KillTimer(frame, 77);
            ::PostMessageW(frame, WM_CLOSE, 0, 0);
        }
        return TRUE;
    }

private:
    static void CALLBACK TimerFired(HWND, UINT, UINT_PTR, DWORD) { s_timerFired = true; }
    static inline bool s_timerFired = false;
};

}  // namespace

TEST_F(FrameTest, TheRealLoopRunsTheFramesKeysFirstAndItsIdleOncePerPeriod) {
    const std::wstring path = OpenNew(L"loop.raw");
    const HWND dialog = ParametersDialog();
    Pump();

    IdleScript idle;
    idle.frame = m_frame;
    idle.view = View();
    m_loop.AddIdleHandler(&idle);
    CommandLog log(m_frame);
    // Ctrl+C aimed at the dialog's edit box: the frame's filter, asked first, takes it.
    BYTE state[256] = {};
    state[VK_CONTROL] = 0x80;
    ::SetKeyboardState(state);
    ::PostMessageW(::GetDlgItem(dialog, IDC_WIDTH), WM_KEYDOWN, 'C', 1);
    const int exitCode = m_loop.Run();
    BYTE released[256] = {};
    ::SetKeyboardState(released);

    EXPECT_EQ(exitCode, 1);
    EXPECT_EQ(idle.calls, 2);
    EXPECT_TRUE(idle.timerCameFirst);
    ASSERT_FALSE(log.m_commands.empty());
    EXPECT_EQ(log.m_commands[0], std::make_pair(WORD(ID_EDIT_COPY), WORD(1)));
    EXPECT_FALSE(m_frame.IsWindow());
    EXPECT_FALSE(IsHeldOpen(path));
    EXPECT_EQ(m_loop.m_aMsgFilter, std::vector<CMessageFilter*>{&g_dialogFilter});
    EXPECT_EQ(m_loop.m_aIdleHandler, std::vector<CIdleHandler*>{&idle});
}
