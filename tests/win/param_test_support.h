// Test scaffolding for the Parameters dialog: a real document on a temporary file, an
// owner frame with a child "view" that logs WM_APP, and the actions of a user.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "decode/raw_doc.h"
#include "framework/window.h"
#include "params/param_dlg.h"
#include "tests/win/scratch_file.h"

class TestFrame : public CWindowImpl<TestFrame, CWindow, CFrameWinTraits> {
public:
    BEGIN_MSG_MAP(TestFrame)
    END_MSG_MAP()
};

// The document's state each time the dialog notified the view.
struct Notice {
    WPARAM wParam;
    LPARAM lParam;
    int32_t offset;
    uint32_t width;
    uint32_t height;
    uint32_t linePad;
};

class NotifyView : public CWindowImpl<NotifyView> {
public:
    const CRawDoc* doc = nullptr;
    std::vector<Notice> notices;

    BEGIN_MSG_MAP(NotifyView)
        MESSAGE_HANDLER(WM_APP, OnParamsChanged)
    END_MSG_MAP()

    LRESULT OnParamsChanged(UINT, WPARAM wParam, LPARAM lParam, BOOL&);
};

class ParamDialogTest : public ::testing::Test {
protected:
    static constexpr RECT kFrameRect{100, 80, 900, 780};

    static void SetUpTestSuite();
    void TearDown() override;

    // Frame, view and a document on a file of `fileSize` bytes, with the dialog created
    // for the view and given the document, as the view does it.
    void Open(int64_t fileSize);
    void CreateWindows();
    void CloseDialog();

    // What a user does.
    void Type(int editId, const wchar_t* text);
    void Click(int buttonId);
    void SelectDepth(int index);
    void Scroll(int trackbarId, WORD code, WORD thumbPosition = 0);

    // Keyboard input as the program's message loop delivers it: posted to the control that
    // has the focus and taken through the dialog's message handling, which also turns key
    // presses into characters.
    void FocusByTab(int id);  // as Tab moves the focus: an edit's whole text gets selected
    void PressKey(UINT key);  // down, then up
    void TypeKeys(const wchar_t* keys);  // one key press for each character

    // What the user sees.
    std::wstring Text(int id) const;
    std::wstring RowText(const std::vector<int>& ids) const;  // texts joined by blanks
    bool Checked(int id) const;
    bool Enabled(int id) const;
    int UpDownLow(int id) const;
    int UpDownHigh(int id) const;
    int UpDownPos(int id) const;
    int Thumb(int trackbarId) const;
    std::pair<DWORD, DWORD> Selection(int editId) const;  // first and past-the-last character
    LRESULT Send(int id, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const;
    size_t Applies() const { return view.notices.size(); }

    static std::vector<int> BitEdits() { return {IDC_BITS_R, IDC_BITS_G, IDC_BITS_B, IDC_BITS_A}; }
    static std::vector<int> ShiftEdits() {
        return {IDC_SHIFT_R, IDC_SHIFT_G, IDC_SHIFT_B, IDC_SHIFT_A};
    }

    TestFrame frame;
    NotifyView view;
    CParamDlg dlg;
    std::unique_ptr<CScratchFile> file;
    std::shared_ptr<CRawDoc> doc;
};

// Gives the queue's messages to the dialog first, as the program's message loop does.
void PumpThroughDialog(HWND dialog);

// The four 8-bit entries as one comparable value.
ChannelQuad Quad(const uint8_t (&values)[4]);
