// The image view: a scrolling child window showing the current document's picture at one
// screen pixel per picture pixel. It owns the document's Parameters dialog and keeps the
// decoded picture in a memory context, decoding again only after a change.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "decode/raw_doc.h"
#include "framework/scroll.h"
#include "params/param_dlg.h"

class CPixolveView : public CScrollWindowImpl<CPixolveView> {
public:
    CPixolveView() = default;
    ~CPixolveView() override;
    CPixolveView(const CPixolveView&) = delete;
    CPixolveView& operator=(const CPixolveView&) = delete;

    // Binds a document and gives it a new Parameters dialog; an empty reference closes
    // the current one.
    void SetDocument(std::shared_ptr<CRawDoc> doc);
    BOOL PreTranslateMessage(MSG* msg);
    // Draws in picture coordinates (the scroll offset is in the viewport origin).
    void DoPaint(HDC dc);

    // How many pictures have been decoded into a cache, and how many caches exist now;
    // for tests and measurements.
    static unsigned long CacheBuilds();
    static long LiveCaches();

    BEGIN_MSG_MAP(CPixolveView)
        MESSAGE_HANDLER(WM_APP, OnParamsChanged)
        CHAIN_MSG_MAP(CScrollWindowImpl<CPixolveView>)
    END_MSG_MAP()

    LRESULT OnParamsChanged(UINT, WPARAM, LPARAM, BOOL&);

private:
    void SetScrollSizeToDocument();
    void FillBackground(HDC dc, const RECT& client);
    void CopyVisiblePart(HDC dc, const RECT& client, POINT offset);
    void BuildCache(HDC dc);
    bool CacheHasPictureSize() const;
    void DecodeIntoCache();
    void FreeCache();

    std::shared_ptr<CRawDoc> m_doc;
    CParamDlg m_paramDlg;
    // The cache: a memory context with the decoded picture's bitmap selected into it;
    // null when nothing is cached. The context and its bitmap are freed together.
    HDC m_memDC = nullptr;
    HGDIOBJ m_memDCOriginalBitmap = nullptr;  // selected back before the context goes
    // The cached bitmap's memory and size, and whether the document has changed since it
    // was decoded; a change that keeps the size is decoded into the same bitmap.
    void* m_cacheBits = nullptr;
    uint32_t m_cacheWidth = 0;
    uint32_t m_cacheHeight = 0;
    bool m_cacheStale = false;
};
