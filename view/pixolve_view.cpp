#include "view/pixolve_view.h"

void CPixolveView::SetDocument(std::shared_ptr<CRawDoc> doc) { m_doc = std::move(doc); }
BOOL CPixolveView::PreTranslateMessage(MSG*) { return FALSE; }
void CPixolveView::SetScrollSize(int, int, BOOL, bool) {}
