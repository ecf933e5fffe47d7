// Times a parameter change in the image view on real documents: WM_APP, as the Parameters
// dialog sends it, and the repaint that decodes the picture again, until UpdateWindow
// returns. Also times a repaint of the whole view, which only copies the cached bitmap.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "decode/raw_doc.h"
#include "tests/win/scratch_file.h"
#include "view/pixolve_view.h"

namespace {

constexpr int kRounds = 40;

class CHostFrame : public CWindowImpl<CHostFrame, CWindow, CFrameWinTraits> {
public:
    BEGIN_MSG_MAP(CHostFrame)
    END_MSG_MAP()
};

double Milliseconds(LONGLONG ticks) {
    LARGE_INTEGER frequency{};
    ::QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

// Runs `action` kRounds times and prints the spread of its times.
void Report(const char* what, const std::function<void()>& action) {
    std::vector<double> times;
    for (int round = 0; round < kRounds; ++round) {
        LARGE_INTEGER start{}, end{};
        ::QueryPerformanceCounter(&start);
        action();
        ::QueryPerformanceCounter(&end);
        times.push_back(Milliseconds(end.QuadPart - start.QuadPart));
    }
    std::sort(times.begin(), times.end());
    std::printf("%-44s min %7.2f  median %7.2f  p90 %7.2f  max %7.2f ms\n", what, times.front(),
                times[times.size() / 2], times[times.size() * 9 / 10], times.back());
}

struct Case {
    const char* name;
    size_t fileBytes;
    PixelFormat depth;
    uint32_t width;
    uint32_t height;
};

void Measure(CPixolveView& view, const Case& c) {
    CScratchFile file(CScratchFile::RandomBytes(c.fileBytes));
    auto doc = file.Open();
    if (!doc) {
        std::printf("%s: cannot open the scratch file\n", c.name);
        return;
    }
    doc->m_depth = c.depth;
    doc->m_width = c.width;
    doc->m_height = c.height;
    view.SetDocument(doc);
    view.UpdateWindow();

    const unsigned long before = CPixolveView::CacheBuilds();
    Report((std::string(c.name) + ": change, decode, paint").c_str(), [&] {
        view.SendMessage(WM_APP);
        view.UpdateWindow();
    });
    // Every change a new size, as when dragging the height slider: a new bitmap each time.
    Report((std::string(c.name) + ": new size, decode, paint").c_str(), [&] {
        doc->m_height = doc->m_height == c.height ? c.height - 1 : c.height;
        view.SendMessage(WM_APP);
        view.UpdateWindow();
    });
    const unsigned long decodes = CPixolveView::CacheBuilds() - before;
    Report((std::string(c.name) + ": repaint from the cache").c_str(), [&] {
        view.Invalidate();
        view.UpdateWindow();
    });
    std::printf("%-44s %lu decodes in %d changes\n", "", decodes, 2 * kRounds);
    view.SetDocument(nullptr);
}

}  // namespace

int main() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&controls);
    CHostFrame frame;
    RECT frameRect{0, 0, 800, 700};
    if (frame.Create(nullptr, frameRect, L"Pixolve measurement") == nullptr) return 1;
    frame.ShowWindow(SW_SHOWNORMAL);
    CPixolveView view;
    view.Create(frame, rcDefault, nullptr,
                WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_HSCROLL | WS_VSCROLL,
                WS_EX_CLIENTEDGE);
    RECT client{};
    frame.GetClientRect(&client);
    view.MoveWindow(&client);
    view.SetScrollSize(100, 100);

    const Case cases[] = {
        {"640 x 512, 8-bit", 640 * 512, Depth8, 640, 512},
        {"640 x 512, 32-bit", 640 * 512 * 4, Depth32, 640, 512},
        {"4096 x 4096, 32-bit", size_t{4096} * 4096 * 4, Depth32, 4096, 4096},
        {"4096 x 4096, DXT1", size_t{4096} * 4096 / 2, DepthDXT1, 4096, 4096},
    };
    for (const Case& c : cases) Measure(view, c);
    frame.DestroyWindow();
    return 0;
}
