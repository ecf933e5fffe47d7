// The image view on real windows: what it paints, when it decodes, how it hands documents
// to their Parameters dialog, and pictures no bitmap can hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "decode/decoder.h"
#include "params/modeless_dialog.h"
#include "tests/win/import_patch.h"
#include "tests/win/scratch_file.h"
#include "tests/win/test_host.h"
#include "view/pixolve_view.h"

namespace {

constexpr DWORD kFrameViewStyle =
    WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_HSCROLL | WS_VSCROLL;

std::vector<uint8_t> RandomBytes(size_t count) { return CScratchFile::RandomBytes(count); }

// Creations and destructions of dialog windows on this thread, in order.
class DialogLog {
public:
    DialogLog() {
        s_events = &m_events;
        m_hook = ::SetWindowsHookExW(WH_CBT, Hook, nullptr, ::GetCurrentThreadId());
    }
    ~DialogLog() {
        ::UnhookWindowsHookEx(m_hook);
        s_events = nullptr;
    }
    const std::vector<std::pair<std::string, HWND>>& Events() const { return m_events; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        HWND window = reinterpret_cast<HWND>(wParam);
        wchar_t name[16] = {};
        ::GetClassNameW(window, name, 16);
        if (s_events != nullptr && std::wstring(name) == L"#32770") {
            if (code == HCBT_CREATEWND) s_events->emplace_back("create", window);
            if (code == HCBT_DESTROYWND) s_events->emplace_back("destroy", window);
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline std::vector<std::pair<std::string, HWND>>* s_events = nullptr;
    std::vector<std::pair<std::string, HWND>> m_events;
    HHOOK m_hook = nullptr;
};

// The memory contexts and bitmap sections made on this thread while it lives, whoever
// made them, so that a test can ask the platform whether they still exist; and how often
// a bitmap was deleted while still selected into one of those contexts, which Windows
// refuses (leaking the bitmap) where Wine deletes it later.
class GdiLog {
public:
    GdiLog()
        : m_contexts(L"gdi32.dll", "CreateCompatibleDC", reinterpret_cast<const void*>(&MakeContext)),
          m_sections(L"gdi32.dll", "CreateDIBSection", reinterpret_cast<const void*>(&MakeSection)),
          m_deletes(L"gdi32.dll", "DeleteObject", reinterpret_cast<const void*>(&Delete)) {
        s_log = this;
    }
    ~GdiLog() { s_log = nullptr; }
    bool Active() const { return m_contexts.Active() && m_sections.Active() && m_deletes.Active(); }
    std::vector<HGDIOBJ> made;
    int deletedWhileSelected = 0;

private:
    static HDC WINAPI MakeContext(HDC dc) {
        const HDC context = s_log->m_contexts.Original<decltype(&::CreateCompatibleDC)>()(dc);
        s_log->made.push_back(context);
        return context;
    }
    static HBITMAP WINAPI MakeSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits,
                                      HANDLE mapping, DWORD offset) {
        const HBITMAP section = s_log->m_sections.Original<decltype(&::CreateDIBSection)>()(
            dc, info, usage, bits, mapping, offset);
        s_log->made.push_back(section);
        return section;
    }
    static BOOL WINAPI Delete(HGDIOBJ object) {
        for (HGDIOBJ context : s_log->made) {
            if (::GetObjectType(context) == OBJ_MEMDC &&
                ::GetCurrentObject(static_cast<HDC>(context), OBJ_BITMAP) == object) {
                ++s_log->deletedWhileSelected;
            }
        }
        return s_log->m_deletes.Original<decltype(&::DeleteObject)>()(object);
    }
    static inline GdiLog* s_log = nullptr;
    CImportPatch m_contexts;
    CImportPatch m_sections;
    CImportPatch m_deletes;
};

std::vector<DWORD> ObjectTypes(const std::vector<HGDIOBJ>& objects) {
    std::vector<DWORD> types;
    for (HGDIOBJ object : objects) types.push_back(::GetObjectType(object));
    return types;
}

class ImageViewTest : public ::testing::Test {
protected:
    CTestHost host;
    CPixolveView view;

    void SetUp() override {
        ASSERT_TRUE(host.CreateShown(420, 320));
        ASSERT_NE(view.Create(host, rcDefault, nullptr, kFrameViewStyle, WS_EX_CLIENTEDGE),
                  nullptr);
        FitViewToHost();
        view.SetScrollSize(100, 100);  // as the frame does right after creating it
    }
    void TearDown() override {
        view.SetDocument(nullptr);
        host.DestroyWindow();
    }

    void FitViewToHost() {
        RECT client{};
        host.GetClientRect(&client);
        view.MoveWindow(&client);
    }
    SIZE Client() const {
        RECT rect{};
        view.GetClientRect(&rect);
        return {rect.right, rect.bottom};
    }
    POINT Offset() const {
        POINT offset{};
        view.GetScrollOffset(offset);
        return offset;
    }
    void Scroll(UINT message, int code) { view.SendMessage(message, MAKEWPARAM(code, 0)); }
    void Repaint() {
        view.Invalidate();
        view.UpdateWindow();
    }

    // The client area as WM_PRINTCLIENT draws it into a bitmap of our own: rows top-down,
    // each pixel 0x00RRGGBB. Checks that the context's viewport origin and background
    // colour are left as they were.
    std::vector<uint32_t> PrintClient() {
        const SIZE client = Client();
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = client.cx;
        info.bmiHeader.biHeight = -client.cy;  // top-down, like the screen
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HDC dc = ::CreateCompatibleDC(nullptr);
        HBITMAP bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ original = ::SelectObject(dc, bitmap);
        const size_t count = static_cast<size_t>(client.cx) * client.cy;
        std::fill_n(static_cast<uint32_t*>(bits), count, kUnpainted);
        const COLORREF background = RGB(1, 2, 3);
        ::SetBkColor(dc, background);
        view.SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        POINT origin{-1, -1};
        ::GetViewportOrgEx(dc, &origin);
        EXPECT_EQ(origin.x, 0);
        EXPECT_EQ(origin.y, 0);
        EXPECT_EQ(::GetBkColor(dc), background);
        ::GdiFlush();
        const uint32_t* first = static_cast<const uint32_t*>(bits);
        std::vector<uint32_t> pixels(first, first + count);
        for (auto& pixel : pixels) pixel &= 0xFFFFFF;
        ::SelectObject(dc, original);
        ::DeleteObject(bitmap);
        ::DeleteDC(dc);
        return pixels;
    }

    // Every client pixel is the picture's pixel at the scroll offset, or the window colour.
    void ExpectShows(const CRawDoc& doc) {
        size_t bytes = 0;
        ASSERT_TRUE(PixelBufferBytes(doc.m_width, doc.m_height, bytes));
        std::vector<uint8_t> decoded(bytes);
        DecodePixels(doc, decoded.data());
        const std::vector<uint32_t> shown = PrintClient();
        const SIZE client = Client();
        const POINT offset = Offset();
        size_t wrong = 0;
        for (LONG y = 0; y < client.cy; ++y) {
            for (LONG x = 0; x < client.cx; ++x) {
                const size_t px = static_cast<size_t>(x + offset.x);
                const size_t py = static_cast<size_t>(y + offset.y);
                uint32_t expected = WindowColour();
                if (px < doc.m_width && py < doc.m_height) {
                    const size_t at = ((doc.m_height - 1 - py) * doc.m_width + px) * 4;
                    expected = decoded[at] | decoded[at + 1] << 8 | decoded[at + 2] << 16;
                }
                const uint32_t actual = shown[static_cast<size_t>(y) * client.cx + x];
                if (actual != expected && wrong++ == 0) {
                    ADD_FAILURE() << "first wrong pixel at client " << x << "," << y << ": "
                                  << std::hex << actual << " instead of " << expected;
                }
            }
        }
        EXPECT_EQ(wrong, 0u);
    }
    void ExpectOnlyBackground() {
        const std::vector<uint32_t> shown = PrintClient();
        EXPECT_EQ(std::count(shown.begin(), shown.end(), WindowColour()),
                  static_cast<std::ptrdiff_t>(shown.size()));
    }
    static uint32_t WindowColour() {
        const COLORREF colour = ::GetSysColor(COLOR_WINDOW);
        return GetBValue(colour) | GetGValue(colour) << 8 | GetRValue(colour) << 16;
    }
    static constexpr uint32_t kUnpainted = 0x00FE01FD;
};

}  // namespace

TEST_F(ImageViewTest, PaintsThePictureOverTheWindowColourAtAnyScrollOffset) {
    CScratchFile file(RandomBytes(900 * 200 * 3));
    auto doc = file.Open();
    doc->m_depth = Depth24;
    doc->m_width = 900;  // wider than the view, lower than it: only the width scrolls
    doc->m_height = 200;
    view.SetDocument(doc);
    EXPECT_EQ(Offset().y, 0);
    ExpectShows(*doc);

    Scroll(WM_HSCROLL, SB_PAGERIGHT);
    Scroll(WM_HSCROLL, SB_PAGERIGHT);
    Scroll(WM_HSCROLL, SB_LINERIGHT);
    ASSERT_EQ(Offset().x, 189);
    ExpectShows(*doc);

    // Same size, and data for a few rows only: the rest must be black, not the old picture.
    doc->m_offset = 900 * 200 * 3 - 900 * 3 * 5 - 7;
    view.SendMessage(WM_APP);
    ExpectShows(*doc);

    doc->m_offset = 0;
    doc->m_depth = Depth32;  // bytes 4 apart now; the fourth never shows
    doc->m_width = 130;
    doc->m_height = 90;
    view.SendMessage(WM_APP);
    EXPECT_EQ(Offset().x, 0);
    ExpectShows(*doc);
}

TEST_F(ImageViewTest, DecodesOncePerChangeNeverForScrollingResizingOrRepainting) {
    CScratchFile file(RandomBytes(900 * 700));
    auto doc = file.Open();
    doc->m_width = 900;
    doc->m_height = 700;
    const unsigned long before = CPixolveView::CacheBuilds();
    view.SetDocument(doc);
    view.UpdateWindow();
    EXPECT_EQ(CPixolveView::CacheBuilds(), before + 1);

    Repaint();
    Repaint();
    Scroll(WM_VSCROLL, SB_PAGEDOWN);
    Scroll(WM_HSCROLL, SB_LINERIGHT);
    view.UpdateWindow();
    view.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA));
    host.SetWindowPos(nullptr, 0, 0, 300, 260, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    FitViewToHost();
    view.UpdateWindow();
    PrintClient();
    EXPECT_EQ(CPixolveView::CacheBuilds(), before + 1);

    doc->m_width = 500;
    view.SendMessage(WM_APP);
    EXPECT_EQ(CPixolveView::LiveCaches(), 0);  // a change drops the cached picture at once
    SIZE extent{};
    view.GetScrollSize(extent);
    EXPECT_EQ(extent.cx, 500);
    view.UpdateWindow();
    EXPECT_EQ(CPixolveView::CacheBuilds(), before + 2);

    for (int change = 0; change < 5; ++change) view.SendMessage(WM_APP);
    EXPECT_EQ(CPixolveView::LiveCaches(), 1);  // same size: decoded again into the same bitmap
    Repaint();
    EXPECT_EQ(CPixolveView::CacheBuilds(), before + 3);

    for (int change = 0; change < 20; ++change) {
        view.SendMessage(WM_APP);
        view.UpdateWindow();
        EXPECT_EQ(CPixolveView::LiveCaches(), 1);
    }
    EXPECT_EQ(CPixolveView::CacheBuilds(), before + 23);
    view.SetDocument(nullptr);
    EXPECT_EQ(CPixolveView::LiveCaches(), 0);
}

// The kept bitmap is only written when it still has the picture's size, whoever changed it.
TEST_F(ImageViewTest, ASizeChangedAfterTheChangeNoticeGetsANewBitmap) {
    CScratchFile file(RandomBytes(300 * 200));
    auto doc = file.Open();
    doc->m_width = 100;
    doc->m_height = 50;
    view.SetDocument(doc);
    view.UpdateWindow();
    view.SendMessage(WM_APP);
    doc->m_width = 300;
    doc->m_height = 200;
    ExpectShows(*doc);
    EXPECT_EQ(CPixolveView::LiveCaches(), 1);
}

TEST_F(ImageViewTest, ANewDocumentGetsANewDialogAndKeepsTheScrollPositionClamped) {
    CScratchFile file(RandomBytes(4000));
    auto first = file.Open();
    first->m_width = 900;
    first->m_height = 700;
    std::weak_ptr<CRawDoc> firstAlive = first;
    DialogLog dialogs;

    view.SetDocument(std::move(first));
    ASSERT_EQ(dialogs.Events().size(), 1u);
    const HWND firstDialog = dialogs.Events()[0].second;
    EXPECT_EQ(g_modelessDialogs, ModelessDialogSet{firstDialog});
    EXPECT_EQ(::GetWindow(firstDialog, GW_OWNER), host.m_hWnd);
    Scroll(WM_HSCROLL, SB_RIGHT);
    Scroll(WM_VSCROLL, SB_BOTTOM);

    auto second = file.Open();
    second->m_width = 700;
    second->m_height = 500;
    std::weak_ptr<CRawDoc> secondAlive = second;
    view.SetDocument(std::move(second));
    ASSERT_EQ(dialogs.Events().size(), 3u);
    EXPECT_EQ(dialogs.Events()[1], std::make_pair(std::string("destroy"), firstDialog));
    EXPECT_EQ(dialogs.Events()[2].first, "create");
    EXPECT_EQ(g_modelessDialogs, ModelessDialogSet{dialogs.Events()[2].second});
    EXPECT_TRUE(firstAlive.expired());
    const SIZE client = Client();
    EXPECT_EQ(Offset().x, 700 - client.cx);
    EXPECT_EQ(Offset().y, 500 - client.cy);

    view.SetDocument(nullptr);
    EXPECT_TRUE(g_modelessDialogs.empty());
    EXPECT_EQ(dialogs.Events().back().first, "destroy");
    EXPECT_TRUE(secondAlive.expired());
    SIZE extent{};
    view.GetScrollSize(extent);
    EXPECT_EQ(extent.cx, 700);  // the closed picture's extent stays
    EXPECT_EQ(extent.cy, 500);
}

TEST_F(ImageViewTest, ClosingTheDocumentClosesItsFileAndLeavesTheWindowColour) {
    CScratchFile file(RandomBytes(3000));
    auto doc = file.Open();
    std::weak_ptr<CRawDoc> alive = doc;
    view.SetDocument(std::move(doc));
    view.UpdateWindow();
    EXPECT_FALSE(file.CanOpenForWriting());
    EXPECT_FALSE(alive.expired());

    view.SetDocument(nullptr);
    EXPECT_TRUE(alive.expired());
    EXPECT_TRUE(file.CanOpenForWriting());
    ExpectOnlyBackground();
    EXPECT_EQ(view.SendMessage(WM_APP), 0);  // nothing bound: nothing to do
    EXPECT_FALSE(view.PreTranslateMessage(nullptr));
}

// A height above LONG's range would make a negative, top-down bitmap header of another
// size than the picture the decoder writes.
TEST_F(ImageViewTest, PicturesNoBitmapCanHoldPaintOnlyTheBackground) {
    const unsigned long before = CPixolveView::CacheBuilds();
    CScratchFile tiny(RandomBytes(11));
    auto empty = tiny.Open();
    ASSERT_EQ(empty->m_width, 0u);
    ASSERT_EQ(empty->m_height, 0u);
    view.SetDocument(empty);
    view.UpdateWindow();
    ExpectOnlyBackground();

    CScratchFile some(RandomBytes(64));
    auto doc = some.Open();
    view.SetDocument(doc);
    const std::vector<std::pair<uint32_t, uint32_t>> sizes = {
        {3, 0}, {0, 3}, {1, 0xFFFFFFFEu}, {4, 0xFFFFFFFFu}, {0x80000000u, 1}, {65536, 65537}};
    for (const auto& [width, height] : sizes) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        doc->m_width = width;
        doc->m_height = height;
        view.SendMessage(WM_APP);
        Scroll(WM_VSCROLL, SB_BOTTOM);
        Scroll(WM_HSCROLL, SB_RIGHT);
        view.UpdateWindow();
        ExpectOnlyBackground();
        ExpectOnlyBackground();
        EXPECT_EQ(CPixolveView::LiveCaches(), 0);
    }
    EXPECT_EQ(CPixolveView::CacheBuilds(), before);
    SIZE extent{};
    view.GetScrollSize(extent);
    EXPECT_EQ(extent.cx, 65536);
}

// Only the height or only the width changes: the kept bitmap no longer fits the picture.
TEST_F(ImageViewTest, ChangingOneSideOnlyGetsABitmapOfTheNewSize) {
    CScratchFile file(RandomBytes(300 * 300));
    auto doc = file.Open();
    doc->m_width = 150;
    doc->m_height = 120;
    view.SetDocument(doc);
    view.UpdateWindow();
    const std::vector<std::pair<uint32_t, uint32_t>> sizes = {{150, 60}, {150, 200}, {90, 200}};
    for (const auto& [width, height] : sizes) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        doc->m_width = width;
        doc->m_height = height;
        view.SendMessage(WM_APP);
        ExpectShows(*doc);
        EXPECT_EQ(CPixolveView::LiveCaches(), 1);
    }
}

TEST_F(ImageViewTest, ASecondFileOfTheSameSizeShowsItsOwnPixels) {
    std::vector<uint8_t> bytes = RandomBytes(6000);
    CScratchFile firstFile(bytes);
    for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(~byte);
    CScratchFile secondFile(bytes);
    auto first = firstFile.Open();
    auto second = secondFile.Open();
    for (auto* doc : {first.get(), second.get()}) {
        doc->m_width = 80;
        doc->m_height = 60;
    }
    view.SetDocument(first);
    view.UpdateWindow();
    ExpectShows(*first);
    view.SetDocument(second);
    ExpectShows(*second);
}

// The platform's own word on the context and bitmap the view let go, not the view's
// counters: after every change that drops them they no longer exist.
TEST_F(ImageViewTest, EveryDroppedCacheFreesItsContextAndBitmap) {
    CScratchFile file(RandomBytes(40000));
    auto doc = file.Open();
    doc->m_width = 100;
    doc->m_height = 80;
    GdiLog gdi;
    ASSERT_TRUE(gdi.Active());
    const auto paint = [&] {
        gdi.made.clear();
        view.Invalidate();
        view.UpdateWindow();
        EXPECT_EQ(ObjectTypes(gdi.made), (std::vector<DWORD>{OBJ_MEMDC, OBJ_BITMAP}));
        return gdi.made;
    };
    const std::vector<DWORD> gone = {0, 0};

    view.SetDocument(doc);
    std::vector<HGDIOBJ> cache = paint();
    doc->m_offset = 5;  // same size: the same context and bitmap go on
    view.SendMessage(WM_APP);
    view.UpdateWindow();
    EXPECT_EQ(ObjectTypes(cache), (std::vector<DWORD>{OBJ_MEMDC, OBJ_BITMAP}));

    doc->m_height = 90;
    view.SendMessage(WM_APP);
    EXPECT_EQ(ObjectTypes(cache), gone) << "after a new size";
    cache = paint();

    auto other = file.Open();
    other->m_width = 100;
    other->m_height = 90;
    view.SetDocument(other);
    EXPECT_EQ(ObjectTypes(cache), gone) << "after a new document";
    cache = paint();

    view.SetDocument(nullptr);
    EXPECT_EQ(ObjectTypes(cache), gone) << "after closing the document";
    EXPECT_EQ(gdi.deletedWhileSelected, 0);
}
