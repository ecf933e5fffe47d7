// The image view: a scrolling child window showing the current document's picture.
#pragma once

#include <memory>

#include "decode/raw_doc.h"
#include "framework/window.h"
#include "params/param_dlg.h"

class CPixolveView : public CWindowImpl<CPixolveView> {
public:
    // Binds a document; an empty reference closes the current one.
    void SetDocument(std::shared_ptr<CRawDoc> doc);
    BOOL PreTranslateMessage(MSG* msg);
    void SetScrollSize(int cx, int cy, BOOL redraw = TRUE, bool resetOffset = true);

    BEGIN_MSG_MAP(CPixolveView)
    END_MSG_MAP()

private:
    std::shared_ptr<CRawDoc> m_doc;
    CParamDlg m_paramDlg;
    HDC m_memDC = nullptr;
};
