// The modeless "Parameters" dialog: shows the document's parameters and writes every
// change back into it, then tells the window it was given (WM_APP).
#pragma once

#include <memory>

#include "decode/presets.h"
#include "decode/raw_doc.h"
#include "params/modeless_dialog.h"
#include "res/resource.h"

class CParamDlg : public CModelessDialogImpl<CParamDlg> {
public:
    enum { IDD = IDD_PARAMS };

    // Stores the window to notify and the document; fills the controls when there is one.
    void SetDocument(HWND notify, std::shared_ptr<CRawDoc> doc);

    // The "RGBA" shifts for the document's current depth and field bit counts.
    ChannelQuad GetStandardShifts() const;

    BEGIN_MSG_MAP(CParamDlg)
        CHAIN_MSG_MAP(CModelessDialogImpl<CParamDlg>)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
        COMMAND_HANDLER(IDC_OFFSET, EN_CHANGE, OnControlChange)
        COMMAND_HANDLER(IDC_WIDTH, EN_CHANGE, OnControlChange)
        COMMAND_HANDLER(IDC_HEIGHT, EN_CHANGE, OnControlChange)
        COMMAND_RANGE_CODE_HANDLER(IDC_BITS_R, IDC_BITS_A, EN_CHANGE, OnControlChange)
        COMMAND_RANGE_CODE_HANDLER(IDC_SHIFT_R, IDC_SHIFT_A, EN_CHANGE, OnControlChange)
        COMMAND_HANDLER(IDC_LINE_PAD, EN_CHANGE, OnControlChange)
        COMMAND_HANDLER(IDC_INVERT_Y, BN_CLICKED, OnControlChange)
        COMMAND_RANGE_CODE_HANDLER(IDC_FIELDS_R5G6B5, IDC_FIELDS_CUSTOM, BN_CLICKED, OnControlChange)
        COMMAND_RANGE_CODE_HANDLER(IDC_ORDER_RGBA, IDC_ORDER_CUSTOM, BN_CLICKED, OnControlChange)
        COMMAND_HANDLER(IDC_BIG_ENDIAN, BN_CLICKED, OnControlChange)
        COMMAND_HANDLER(IDC_SWAP_FIELD, BN_CLICKED, OnControlChange)
        COMMAND_HANDLER(IDC_DEPTH, CBN_SELCHANGE, OnControlChange)
        MESSAGE_HANDLER(WM_HSCROLL, OnTrackbarScroll)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnControlChange(WORD, WORD, HWND, BOOL&);
    LRESULT OnTrackbarScroll(UINT, WPARAM wParam, LPARAM lParam, BOOL& bHandled);

private:
    using EditRow = int[4];  // the r, g, b, a edits of a custom row

    void PlaceAtOwnersTopRight();
    void FillDepthList();
    void FillControls();
    void ApplyControls();
    void UpdateRanges();
    ChannelQuad ChosenFields() const;
    ChannelQuad ChosenOrder(const ChannelQuad& standard) const;
    void UpdatePresets();
    void UpdateFieldPreset();
    void UpdateOrderPreset();
    void ShowPresetChoice(int choice, int customRadio, const EditRow& edits,
                          const uint8_t (&values)[4]);
    int64_t FileSize() const;

    uint32_t ReadUnsigned(int editId) const;
    int32_t ReadSigned(int editId) const;
    void WriteUnsigned(int editId, uint32_t value);
    ChannelQuad ReadRow(const EditRow& edits) const;
    void WriteRow(const EditRow& edits, const uint8_t (&values)[4]);
    void EnableRow(const EditRow& edits, bool enable);
    bool IsChecked(int buttonId) const;
    void SetCheck(int buttonId, bool checked);

    HWND m_hWndNotify = nullptr;
    std::shared_ptr<CRawDoc> m_doc;
    bool m_updating = false;
};
