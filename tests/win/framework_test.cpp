// The window layer on real windows: binding, message maps with the handled flag,
// chaining, dialogs, and the message loop's filter and idle rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/dialog.h"
#include "framework/message_loop.h"
#include "params/modeless_dialog.h"
#include "res/resource.h"

namespace {

constexpr UINT kPing = WM_APP + 10;
constexpr UINT kPass = WM_APP + 11;

class Chained {
public:
    std::vector<std::string> log;
    BEGIN_MSG_MAP(Chained)
        MESSAGE_HANDLER(kPass, OnPass)
    END_MSG_MAP()
    LRESULT OnPass(UINT, WPARAM, LPARAM, BOOL&) {
        log.push_back("chained");
        return 7;
    }
};

class TestWindow : public CWindowImpl<TestWindow>, public Chained {
public:
    std::vector<std::string> log;
    bool finalCalled = false;
    BEGIN_MSG_MAP(TestWindow)
        MESSAGE_HANDLER(WM_CREATE, OnCreate)
        MESSAGE_HANDLER(kPing, OnPing)
        MESSAGE_HANDLER(kPass, OnPassDeclined)
        CHAIN_MSG_MAP(Chained)
    END_MSG_MAP()
    LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&) {
        log.push_back(m_hWnd != nullptr ? "create bound" : "create unbound");
        return 0;
    }
    LRESULT OnPing(UINT, WPARAM wParam, LPARAM, BOOL&) { return static_cast<LRESULT>(wParam) * 2; }
    LRESULT OnPassDeclined(UINT, WPARAM, LPARAM, BOOL& bHandled) {
        log.push_back("declined");
        bHandled = FALSE;
        return 99;
    }
    void OnFinalMessage(HWND) override { finalCalled = true; }
};

}  // namespace

TEST(WindowLayer, BindsAtCreationAndRoutesThroughTheMap) {
    TestWindow window;
    HWND hWnd = window.Create(nullptr, rcDefault, L"test", WS_OVERLAPPEDWINDOW);
    ASSERT_NE(hWnd, nullptr);
    EXPECT_EQ(window.m_hWnd, hWnd);
    ASSERT_EQ(window.log.size(), 1u);
    EXPECT_EQ(window.log[0], "create bound");

    EXPECT_EQ(window.SendMessage(kPing, 21), 42);
    // A handler that clears the flag passes the message on to the chained map.
    EXPECT_EQ(window.SendMessage(kPass), 7);
    EXPECT_EQ(window.log.back(), "declined");
    EXPECT_EQ(window.Chained::log.size(), 1u);
    // Unhandled messages reach the default procedure.
    EXPECT_TRUE(window.SendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"renamed")));
    wchar_t text[32] = {};
    window.GetWindowText(text, 32);
    EXPECT_STREQ(text, L"renamed");

    EXPECT_TRUE(window.DestroyWindow());
    EXPECT_EQ(window.m_hWnd, nullptr);
    EXPECT_TRUE(window.finalCalled);
    EXPECT_EQ(window_binding::Find(hWnd), nullptr);
}

TEST(WindowLayer, ChildStyleAndClassDefaultsComeFromTraits) {
    TestWindow parent;
    ASSERT_NE(parent.Create(nullptr, rcDefault, L"parent", WS_OVERLAPPEDWINDOW), nullptr);
    TestWindow child;
    RECT rect{0, 0, 50, 40};
    ASSERT_NE(child.Create(parent, rect, nullptr, 0, 0, 77), nullptr);
    EXPECT_EQ(child.GetStyle() & (WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN),
              static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN));
    EXPECT_EQ(child.GetDlgCtrlID(), 77);
    const ULONG_PTR classStyle = ::GetClassLongPtrW(child, GCL_STYLE);
    EXPECT_EQ(classStyle, static_cast<ULONG_PTR>(CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS));
    EXPECT_EQ(::GetClassLongPtrW(child, GCLP_HBRBACKGROUND),
              static_cast<ULONG_PTR>(COLOR_WINDOW + 1));
    parent.DestroyWindow();
    EXPECT_EQ(child.m_hWnd, nullptr);  // destroyed with its parent, unbound
}

namespace {

class CountingFilter : public CMessageFilter {
public:
    std::vector<int>* order;
    int id;
    bool take;
    CountingFilter(std::vector<int>* o, int i, bool t) : order(o), id(i), take(t) {}
    BOOL PreTranslateMessage(MSG*) override {
        order->push_back(id);
        return take;
    }
};

// Scripted idle handler: the first idle period posts a mouse move and starts a 100 ms
// timer; the second records whether the timer came first (only a message that re-arms
// idle processing may end an idle period) and asks the window to quit.
class ScriptedIdle : public CIdleHandler {
public:
    HWND window = nullptr;
    int calls = 0;
    bool timerCameFirst = false;
    BOOL OnIdle() override {
        ++calls;
        if (calls == 1) {
            s_timerFired = false;
            ::PostMessageW(window, WM_MOUSEMOVE, 0, 0);
            ::SetTimer(window, 1, 100, &TimerFired);
        } else if (calls == 2) {
            timerCameFirst = s_timerFired;
            ::KillTimer(window, 1);
            ::PostMessageW(window, kPing, 1, 0);
        }
        return TRUE;
    }

private:
    static void CALLBACK TimerFired(HWND, UINT, UINT_PTR, DWORD) { s_timerFired = true; }
    static inline bool s_timerFired = false;
};

class QuitWindow : public CWindowImpl<QuitWindow> {
public:
    int seen = 0;
    BEGIN_MSG_MAP(QuitWindow)
        MESSAGE_HANDLER(kPing, OnPing)
    END_MSG_MAP()
    LRESULT OnPing(UINT, WPARAM wParam, LPARAM, BOOL&) {
        ++seen;
        if (wParam == 1) ::PostQuitMessage(5);
        return 0;
    }
};

}  // namespace

TEST(MessageLoop, AsksFiltersLastRegisteredFirstAndStopsAtTheTaker) {
    std::vector<int> order;
    CountingFilter first(&order, 1, false), second(&order, 2, true), third(&order, 3, false);
    CMessageLoop loop;
    loop.AddMessageFilter(&first);
    loop.AddMessageFilter(&second);
    loop.AddMessageFilter(nullptr);  // empty entries are skipped
    loop.AddMessageFilter(&third);
    MSG msg{};
    EXPECT_TRUE(loop.PreTranslateMessage(&msg));
    EXPECT_EQ(order, (std::vector<int>{3, 2}));

    EXPECT_TRUE(loop.RemoveMessageFilter(&second));
    EXPECT_FALSE(loop.RemoveMessageFilter(&second));
    order.clear();
    EXPECT_FALSE(loop.PreTranslateMessage(&msg));
    EXPECT_EQ(order, (std::vector<int>{3, 1}));
}

TEST(MessageLoop, RunsIdleHandlersOncePerIdlePeriodAndReturnsTheQuitCode) {
    QuitWindow window;
    ASSERT_NE(window.Create(nullptr, rcDefault, L"loop", WS_OVERLAPPEDWINDOW), nullptr);
    MSG drain;
    while (::PeekMessageW(&drain, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&drain);

    ScriptedIdle idle;
    idle.window = window;
    CMessageLoop loop;
    loop.AddIdleHandler(nullptr);  // empty entries are skipped
    loop.AddIdleHandler(&idle);
    EXPECT_EQ(loop.Run(), 5);
    // Once at the start, once after the timer; the mouse move did not re-arm idling, and
    // with the queue empty the loop waited instead of idling again.
    EXPECT_EQ(idle.calls, 2);
    EXPECT_TRUE(idle.timerCameFirst);
    EXPECT_EQ(window.seen, 1);
    window.DestroyWindow();
}

TEST(MessageLoop, IdleRearmingRule) {
    for (UINT quiet : {UINT(WM_MOUSEMOVE), UINT(WM_NCMOUSEMOVE), UINT(WM_PAINT), UINT(0x0118)}) {
        MSG msg{};
        msg.message = quiet;
        EXPECT_FALSE(CMessageLoop::IsIdleMessage(msg)) << quiet;
    }
    MSG key{};
    key.message = WM_KEYDOWN;
    EXPECT_TRUE(CMessageLoop::IsIdleMessage(key));
}

TEST(AppModule, KeepsOneLoopPerThread) {
    CAppModule module;
    CMessageLoop loop;
    EXPECT_EQ(module.GetMessageLoop(), nullptr);
    module.Init(::GetModuleHandleW(nullptr));
    EXPECT_EQ(module.m_dwMainThreadID, ::GetCurrentThreadId());
    EXPECT_TRUE(module.AddMessageLoop(&loop));
    EXPECT_EQ(module.GetMessageLoop(), &loop);
    EXPECT_EQ(module.GetMessageLoop(::GetCurrentThreadId() + 1), nullptr);
    EXPECT_TRUE(module.RemoveMessageLoop());
    EXPECT_EQ(module.GetMessageLoop(), nullptr);
    module.Term();
}

TEST(ModelessDialogSet, OrdersHandlesAsUnsignedNumbers) {
    ModelessDialogSet set;
    HWND low = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x10));
    HWND high = reinterpret_cast<HWND>(~static_cast<UINT_PTR>(0));
    set.insert(high);
    set.insert(low);
    set.insert(low);
    ASSERT_EQ(set.size(), 2u);
    EXPECT_EQ(*set.begin(), low);
    EXPECT_EQ(*set.rbegin(), high);
    set.erase(reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x20)));
    EXPECT_EQ(set.size(), 2u);
}
