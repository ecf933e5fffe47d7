#include "view/pixolve_view.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "decode/decoder.h"

namespace {

unsigned long g_cacheBuilds = 0;
long g_liveCaches = 0;

// Picture sizes are unsigned 32-bit; a scroll extent or a blit size is an int.
int ExtentOf(uint32_t length) { return length > INT_MAX ? INT_MAX : static_cast<int>(length); }

// The bitmap header holds the height as a signed LONG: above LONG's range it would turn
// negative and describe a top-down bitmap smaller than the picture the decoder writes.
bool BitmapCanHold(uint32_t width, uint32_t height, size_t& bytes) {
    return width > 0 && height > 0 && width <= LONG_MAX && height <= LONG_MAX &&
           PixelBufferBytes(width, height, bytes);
}

// A 32-bit section whose memory is the decoder's pixel buffer: bottom-up, all zero.
HBITMAP CreatePictureSection(HDC memDC, uint32_t width, uint32_t height, void*& bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = static_cast<LONG>(height);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    bits = nullptr;
    return ::CreateDIBSection(memDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

}  // namespace

CPixolveView::~CPixolveView() { FreeCache(); }

unsigned long CPixolveView::CacheBuilds() { return g_cacheBuilds; }
long CPixolveView::LiveCaches() { return g_liveCaches; }

void CPixolveView::SetDocument(std::shared_ptr<CRawDoc> doc) {
    m_doc = std::move(doc);
    m_paramDlg.DestroyWindow();
    FreeCache();
    if (m_doc) m_paramDlg.Create(m_hWnd);
    // With an empty document this is where the previous one is let go, and its file closed.
    m_paramDlg.SetDocument(m_hWnd, m_doc);
    if (m_doc) SetScrollSizeToDocument();
    Invalidate(TRUE);
}

BOOL CPixolveView::PreTranslateMessage(MSG*) { return FALSE; }

// A picture of the same size is decoded again into the bitmap it has: a new bitmap costs a
// page fault for every 4 KiB of it on first touch, which for a large picture takes longer
// than the decode itself.
LRESULT CPixolveView::OnParamsChanged(UINT, WPARAM, LPARAM, BOOL&) {
    if (m_doc) SetScrollSizeToDocument();
    if (CacheHasPictureSize()) {
        m_cacheStale = true;
    } else {
        FreeCache();
    }
    return 0;
}

void CPixolveView::SetScrollSizeToDocument() {
    SetScrollSize(ExtentOf(m_doc->m_width), ExtentOf(m_doc->m_height), TRUE, false);
}

// Draws relative to the client area: scrolling a picture too large to show reaches picture
// coordinates near INT_MAX, past what the platform's coordinate arithmetic holds.
void CPixolveView::DoPaint(HDC dc) {
    POINT offset{};
    GetScrollOffset(offset);
    RECT client{};
    GetClientRect(&client);
    ::OffsetViewportOrgEx(dc, offset.x, offset.y, nullptr);
    FillBackground(dc, client);
    if (m_doc && m_cacheStale) DecodeIntoCache();
    if (m_doc && m_memDC == nullptr) BuildCache(dc);
    if (m_doc && m_memDC != nullptr) CopyVisiblePart(dc, client, offset);
    ::OffsetViewportOrgEx(dc, -offset.x, -offset.y, nullptr);
}

void CPixolveView::FillBackground(HDC dc, const RECT& client) {
    const COLORREF previous = ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
    if (previous == CLR_INVALID) return;
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &client, L"", 0, nullptr);
    ::SetBkColor(dc, previous);
}

void CPixolveView::CopyVisiblePart(HDC dc, const RECT& client, POINT offset) {
    const long long width =
        std::min<long long>(client.right, static_cast<long long>(m_doc->m_width) - offset.x);
    const long long height =
        std::min<long long>(client.bottom, static_cast<long long>(m_doc->m_height) - offset.y);
    if (width <= 0 || height <= 0) return;
    ::BitBlt(dc, 0, 0, static_cast<int>(width), static_cast<int>(height), m_memDC, offset.x,
             offset.y, SRCCOPY);
}

// Decodes the picture straight into a new section's memory. Fails when no bitmap can hold
// the picture; the next paint tries again.
void CPixolveView::BuildCache(HDC dc) {
    const uint32_t width = m_doc->m_width;
    const uint32_t height = m_doc->m_height;
    size_t bytes = 0;
    if (!BitmapCanHold(width, height, bytes)) return;
    HDC memDC = ::CreateCompatibleDC(dc);
    if (memDC == nullptr) return;
    void* bits = nullptr;
    HBITMAP section = CreatePictureSection(memDC, width, height, bits);
    if (section == nullptr || bits == nullptr) {
        if (section != nullptr) ::DeleteObject(section);
        ::DeleteDC(memDC);
        return;
    }
    DecodePixels(*m_doc, static_cast<uint8_t*>(bits));
    ++g_cacheBuilds;
    HGDIOBJ original = ::SelectObject(memDC, section);
    if (original == nullptr) {
        ::DeleteObject(section);
        ::DeleteDC(memDC);
        return;
    }
    m_memDCOriginalBitmap = original;
    m_memDC = memDC;
    m_cacheBits = bits;
    m_cacheWidth = width;
    m_cacheHeight = height;
    ++g_liveCaches;
}

bool CPixolveView::CacheHasPictureSize() const {
    return m_memDC != nullptr && m_doc && m_doc->m_width == m_cacheWidth &&
           m_doc->m_height == m_cacheHeight;
}

// Pixels the decode does not reach must be black, as in a new bitmap.
void CPixolveView::DecodeIntoCache() {
    m_cacheStale = false;
    size_t bytes = 0;
    if (!CacheHasPictureSize() || !PixelBufferBytes(m_cacheWidth, m_cacheHeight, bytes)) {
        FreeCache();
        return;
    }
    ::GdiFlush();  // drawing into the bitmap may still be queued
    std::memset(m_cacheBits, 0, bytes);
    DecodePixels(*m_doc, static_cast<uint8_t*>(m_cacheBits));
    ++g_cacheBuilds;
}

void CPixolveView::FreeCache() {
    if (m_memDC == nullptr) return;
    HGDIOBJ section = ::SelectObject(m_memDC, m_memDCOriginalBitmap);
    ::DeleteDC(m_memDC);
    ::DeleteObject(section);
    m_memDC = nullptr;
    m_memDCOriginalBitmap = nullptr;
    m_cacheBits = nullptr;
    m_cacheWidth = 0;
    m_cacheHeight = 0;
    m_cacheStale = false;
    --g_liveCaches;
}
