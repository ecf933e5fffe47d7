// The scrolling window on a real window: extent, bars, steps, scroll bar codes, wheels,
// resizing and the painting hook's viewport origin.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/scroll.h"
#include "tests/win/test_host.h"

static bool operator==(POINT a, POINT b) { return a.x == b.x && a.y == b.y; }
static bool operator==(SIZE a, SIZE b) { return a.cx == b.cx && a.cy == b.cy; }

namespace {

class CScrollProbe : public CScrollWindowImpl<CScrollProbe> {
public:
    std::vector<std::string> log;
    std::vector<POINT> paintOrigins;

    BEGIN_MSG_MAP(CScrollProbe)
        MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
        CHAIN_MSG_MAP(CScrollWindowImpl<CScrollProbe>)
    END_MSG_MAP()

    LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, BOOL& bHandled) {
        log.push_back("erase");
        bHandled = FALSE;
        return 0;
    }
    void DoPaint(HDC dc) {
        POINT origin{};
        ::GetViewportOrgEx(dc, &origin);
        paintOrigins.push_back(origin);
        log.push_back("paint");
    }

    POINT Offset() const {
        POINT offset{};
        GetScrollOffset(offset);
        return offset;
    }
    SIZE Client() const {
        RECT rect{};
        GetClientRect(&rect);
        return {rect.right, rect.bottom};
    }
    SCROLLINFO Bar(int bar) const {
        SCROLLINFO si{};
        si.cbSize = sizeof(si);
        si.fMask = SIF_ALL;
        ::GetScrollInfo(m_hWnd, bar, &si);
        return si;
    }
    bool BarShown(DWORD styleBit) const { return (GetStyle() & styleBit) != 0; }
    void Scroll(UINT message, int code) { SendMessage(message, MAKEWPARAM(code, 0)); }
    void Wheel(UINT message, int delta) { SendMessage(message, MAKEWPARAM(0, delta)); }
};

// Wheel settings changed for the session only, put back whatever a test does.
class WheelSettings {
public:
    ~WheelSettings() { Set(3, 3); }
    static void Set(UINT lines, UINT chars) {
        ::SystemParametersInfoW(SPI_SETWHEELSCROLLLINES, lines, nullptr, 0);
        ::SystemParametersInfoW(SPI_SETWHEELSCROLLCHARS, chars, nullptr, 0);
    }
};

class ScrollWindowTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 200;
    static constexpr int kHeight = 150;
    CTestHost host;
    CScrollProbe window;

    void SetUp() override {
        ASSERT_TRUE(host.CreateShown(400, 300));
        RECT rect{0, 0, kWidth, kHeight};
        const DWORD style = WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL;
        ASSERT_NE(window.Create(host, rect, nullptr, style), nullptr);
    }
    void TearDown() override { host.DestroyWindow(); }

    void Resize(int width, int height) {
        window.SetWindowPos(nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    void PaintNow() {
        window.UpdateWindow();
        window.log.clear();
        window.paintOrigins.clear();
    }
};

}  // namespace

TEST_F(ScrollWindowTest, ExtentSetsBarsAndStepsAndHidesBarsThatFit) {
    window.SetScrollSize(1000, 2500);
    const SIZE client = window.Client();
    EXPECT_TRUE(window.BarShown(WS_HSCROLL));
    EXPECT_TRUE(window.BarShown(WS_VSCROLL));
    const SCROLLINFO h = window.Bar(SB_HORZ), v = window.Bar(SB_VERT);
    EXPECT_EQ(h.nMin, 0);
    EXPECT_EQ(h.nMax, 999);
    EXPECT_EQ(h.nPage, static_cast<UINT>(client.cx));
    EXPECT_EQ(v.nMax, 2499);
    EXPECT_EQ(v.nPage, static_cast<UINT>(client.cy));
    SIZE line{}, page{};
    window.GetScrollLine(line);
    window.GetScrollPage(page);
    EXPECT_EQ(line, (SIZE{10, 25}));
    EXPECT_EQ(page, (SIZE{100, 250}));

    window.SetScrollSize(1000, 100);  // fits vertically below the horizontal bar
    EXPECT_TRUE(window.BarShown(WS_HSCROLL));
    EXPECT_FALSE(window.BarShown(WS_VSCROLL));

    window.SetScrollSize(50, 5);
    EXPECT_FALSE(window.BarShown(WS_HSCROLL));
    EXPECT_FALSE(window.BarShown(WS_VSCROLL));
    EXPECT_EQ(window.Client(), (SIZE{kWidth, kHeight}));
    window.GetScrollLine(line);
    window.GetScrollPage(page);
    EXPECT_EQ(line, (SIZE{1, 1}));
    EXPECT_EQ(page, (SIZE{5, 1}));
}

TEST_F(ScrollWindowTest, OffsetIsResetOrClampedAndRedrawInvalidatesWithErase) {
    window.SetScrollSize(1000, 1000);
    window.Scroll(WM_HSCROLL, SB_RIGHT);
    window.Scroll(WM_VSCROLL, SB_BOTTOM);
    const SIZE client = window.Client();
    EXPECT_EQ(window.Offset(), (POINT{1000 - client.cx, 1000 - client.cy}));
    PaintNow();

    window.SetScrollSize(600, 500, FALSE, false);
    EXPECT_EQ(window.Offset(), (POINT{600 - client.cx, 500 - client.cy}));
    EXPECT_EQ(window.Bar(SB_VERT).nPos, 500 - client.cy);
    EXPECT_FALSE(::GetUpdateRect(window, nullptr, FALSE));

    window.SetScrollSize(600, 500, TRUE, false);
    RECT dirty{};
    ::GetUpdateRect(window, &dirty, FALSE);
    EXPECT_EQ(dirty.right - dirty.left, client.cx);
    EXPECT_EQ(dirty.bottom - dirty.top, client.cy);
    window.UpdateWindow();
    EXPECT_EQ(window.log, (std::vector<std::string>{"erase", "paint"}));

    window.SetScrollSize(600, 500, FALSE, true);
    EXPECT_EQ(window.Offset(), (POINT{0, 0}));
    EXPECT_EQ(window.Bar(SB_HORZ).nPos, 0);
}

TEST_F(ScrollWindowTest, ScrollBarCodesMoveByLinesAndPagesWithinTheRange) {
    window.SetScrollSize(1000, 3000);
    const SIZE client = window.Client();
    const int bottom = 3000 - client.cy;
    const std::vector<std::pair<int, int>> vertical = {
        {SB_LINEDOWN, 30}, {SB_PAGEDOWN, 330},  {SB_LINEUP, 300},      {SB_PAGEUP, 0},
        {SB_PAGEUP, 0},    {SB_BOTTOM, bottom}, {SB_LINEDOWN, bottom}, {SB_ENDSCROLL, bottom},
        {SB_TOP, 0}};
    for (const auto& [code, expected] : vertical) {
        window.Scroll(WM_VSCROLL, code);
        EXPECT_EQ(window.Offset().y, expected) << "code " << code;
        EXPECT_EQ(window.Bar(SB_VERT).nPos, expected) << "code " << code;
    }
    const int right = 1000 - client.cx;
    const std::vector<std::pair<int, int>> horizontal = {
        {SB_LINERIGHT, 10}, {SB_PAGERIGHT, 110}, {SB_RIGHT, right}, {SB_LINELEFT, right - 10},
        {SB_LEFT, 0}};
    for (const auto& [code, expected] : horizontal) {
        window.Scroll(WM_HSCROLL, code);
        EXPECT_EQ(window.Offset().x, expected) << "code " << code;
    }
}

// The 16-bit position in wParam wraps above 65535; the bar's own position does not.
TEST_F(ScrollWindowTest, ThumbTrackingUsesTheFull32BitPosition) {
    window.SetScrollSize(100, 200000);
    for (int position : {70000, 150000}) {
        ::SetScrollPos(window, SB_VERT, position, FALSE);
        window.SendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, position & 0xFFFF));
        EXPECT_EQ(window.Offset().y, position);
    }
    ::SetScrollPos(window, SB_VERT, 99000, FALSE);
    window.SendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 99000 & 0xFFFF));
    EXPECT_EQ(window.Offset().y, 99000);
}

TEST_F(ScrollWindowTest, ScrollingInvalidatesAndErasesOnlyTheUncoveredStrip) {
    window.SetScrollSize(1000, 1000);
    PaintNow();
    window.Scroll(WM_VSCROLL, SB_LINEDOWN);
    const SIZE client = window.Client();
    RECT dirty{};
    ASSERT_TRUE(::GetUpdateRect(window, &dirty, FALSE));
    EXPECT_EQ(dirty.left, 0);
    EXPECT_EQ(dirty.top, client.cy - 10);
    EXPECT_EQ(dirty.right, client.cx);
    EXPECT_EQ(dirty.bottom, client.cy);
    window.UpdateWindow();
    EXPECT_EQ(window.log, (std::vector<std::string>{"erase", "paint"}));
    EXPECT_EQ(window.paintOrigins.back(), (POINT{0, -10}));
}

TEST_F(ScrollWindowTest, WheelNotchesScrollThreeLinesPaintingEachStep) {
    window.SetScrollSize(1000, 3000);
    PaintNow();
    window.Wheel(WM_MOUSEWHEEL, -WHEEL_DELTA);
    EXPECT_EQ(window.Offset().y, 90);
    EXPECT_EQ(window.paintOrigins, (std::vector<POINT>{{0, -30}, {0, -60}, {0, -90}}));
    window.Wheel(WM_MOUSEWHEEL, 2 * WHEEL_DELTA);
    EXPECT_EQ(window.Offset().y, 0);

    // Part notches add up to a whole one.
    window.Wheel(WM_MOUSEWHEEL, -WHEEL_DELTA / 2);
    EXPECT_EQ(window.Offset().y, 0);
    window.Wheel(WM_MOUSEWHEEL, -WHEEL_DELTA / 2);
    EXPECT_EQ(window.Offset().y, 90);

    window.Wheel(WM_MOUSEHWHEEL, WHEEL_DELTA);
    EXPECT_EQ(window.Offset().x, 30);
    window.Wheel(WM_MOUSEHWHEEL, -WHEEL_DELTA);
    EXPECT_EQ(window.Offset().x, 0);

    // Only the horizontal axis can move: the vertical wheel moves it.
    window.SetScrollSize(3000, 50);
    window.Wheel(WM_MOUSEWHEEL, -WHEEL_DELTA);
    EXPECT_EQ(window.Offset(), (POINT{90, 0}));
}

TEST_F(ScrollWindowTest, WheelTakesTheSystemSettingsAfterASettingChange) {
    WheelSettings restore;
    window.SetScrollSize(1000, 3000);
    WheelSettings::Set(1, 5);
    window.Wheel(WM_MOUSEWHEEL, -WHEEL_DELTA);
    EXPECT_EQ(window.Offset().y, 90);  // not asked yet

    window.SendMessage(WM_SETTINGCHANGE, SPI_SETWHEELSCROLLLINES);
    window.Wheel(WM_MOUSEWHEEL, -WHEEL_DELTA);
    EXPECT_EQ(window.Offset().y, 120);
    window.Wheel(WM_MOUSEHWHEEL, WHEEL_DELTA);
    EXPECT_EQ(window.Offset().x, 50);

    WheelSettings::Set(WHEEL_PAGESCROLL, 3);
    window.SendMessage(WM_SETTINGCHANGE, SPI_SETWHEELSCROLLLINES);
    window.Wheel(WM_MOUSEWHEEL, -WHEEL_DELTA);
    EXPECT_EQ(window.Offset().y, 420);
}

TEST_F(ScrollWindowTest, ResizingUpdatesTheBarsAndClampsTheOffset) {
    window.SetScrollSize(400, 300);
    window.Scroll(WM_HSCROLL, SB_RIGHT);
    window.Scroll(WM_VSCROLL, SB_BOTTOM);
    Resize(300, 250);
    const SIZE client = window.Client();
    EXPECT_EQ(window.Offset(), (POINT{400 - client.cx, 300 - client.cy}));
    EXPECT_EQ(window.Bar(SB_HORZ).nPage, static_cast<UINT>(client.cx));
    EXPECT_EQ(window.Bar(SB_VERT).nPos, 300 - client.cy);

    Resize(500, 400);
    EXPECT_EQ(window.Offset(), (POINT{0, 0}));
    EXPECT_FALSE(window.BarShown(WS_HSCROLL));
    EXPECT_FALSE(window.BarShown(WS_VSCROLL));
}

TEST_F(ScrollWindowTest, PaintingMovesTheViewportOriginByTheOffset) {
    window.SetScrollSize(1000, 1000);
    window.Scroll(WM_HSCROLL, SB_PAGERIGHT);
    window.Scroll(WM_VSCROLL, SB_LINEDOWN);
    window.Invalidate();
    PaintNow();
    window.Invalidate();
    window.UpdateWindow();
    EXPECT_EQ(window.paintOrigins, (std::vector<POINT>{{-100, -10}}));

    // A context handed in keeps the origin its owner gave it, moved for the paint only.
    HDC dc = ::CreateCompatibleDC(nullptr);
    ::SetViewportOrgEx(dc, 4, 6, nullptr);
    window.SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    EXPECT_EQ(window.paintOrigins.back(), (POINT{4 - 100, 6 - 10}));
    POINT after{};
    ::GetViewportOrgEx(dc, &after);
    EXPECT_EQ(after, (POINT{4, 6}));
    ::DeleteDC(dc);
}
