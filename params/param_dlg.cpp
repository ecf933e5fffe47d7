#include "params/param_dlg.h"

void CParamDlg::SetDocument(HWND notify, std::shared_ptr<CRawDoc> doc) {
    m_hWndNotify = notify;
    m_doc = std::move(doc);
}
