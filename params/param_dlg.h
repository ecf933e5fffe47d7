// The modeless "Parameters" dialog: shows the document's parameters and writes every
// change back into it, then tells the window it was given (WM_APP).
#pragma once

#include <memory>

#include "decode/raw_doc.h"
#include "params/modeless_dialog.h"
#include "res/resource.h"

class CParamDlg : public CModelessDialogImpl<CParamDlg> {
public:
    enum { IDD = IDD_PARAMS };

    // Stores the window to notify and the document; fills the controls when there is one.
    void SetDocument(HWND notify, std::shared_ptr<CRawDoc> doc);

    BEGIN_MSG_MAP(CParamDlg)
    END_MSG_MAP()

private:
    HWND m_hWndNotify = nullptr;
    std::shared_ptr<CRawDoc> m_doc;
    bool m_updating = false;
};
