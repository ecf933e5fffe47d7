// The Parameters dialog's guards and derived controls: a dialog on its way out applies
// nothing, a typed size puts the trackbar thumb exactly on it, and each preset group shows
// exactly one checked radio.
#include <gtest/gtest.h>

#include <vector>

#include "tests/win/param_test_support.h"

using ParamGuard = ParamDialogTest;

namespace {

// While the dialog's width edit is being destroyed (after the dialog's own WM_DESTROY),
// tells the dialog that the edit changed, as a control on its way out may.
class ChangeWhileDestroying {
public:
    explicit ChangeWhileDestroying(HWND dialog) {
        s_dialog = dialog;
        s_edit = ::GetDlgItem(dialog, IDC_WIDTH);
        m_hook = ::SetWindowsHookExW(WH_CALLWNDPROC, Look, nullptr, ::GetCurrentThreadId());
    }
    ~ChangeWhileDestroying() { ::UnhookWindowsHookEx(m_hook); }
    static inline bool sent = false;

private:
    static LRESULT CALLBACK Look(int code, WPARAM wParam, LPARAM lParam) {
        const auto* msg = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && msg->hwnd == s_edit && msg->message == WM_DESTROY) {
            sent = true;
            ::SendMessageW(s_dialog, WM_COMMAND, MAKEWPARAM(IDC_WIDTH, EN_CHANGE),
                           reinterpret_cast<LPARAM>(s_edit));
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline HWND s_dialog = nullptr;
    static inline HWND s_edit = nullptr;
    HHOOK m_hook = nullptr;
};

}  // namespace

TEST_F(ParamGuard, ADialogOnItsWayOutAppliesNothing) {
    Open(1200);
    const size_t before = Applies();
    {
        ChangeWhileDestroying change(dlg);
        dlg.DestroyWindow();
        ASSERT_TRUE(ChangeWhileDestroying::sent);
    }
    EXPECT_EQ(Applies(), before);
}

// 2 / 49 * 49 is just below 2 in floating point: dividing first would leave the thumb on 1.
TEST_F(ParamGuard, ATypedWidthPutsTheThumbExactlyOnIt) {
    Open(49);
    ASSERT_EQ(Send(IDC_WIDTH_SLIDER, TBM_GETRANGEMAX), 49);
    for (const wchar_t* width : {L"2", L"27", L"1", L"16"}) {
        Type(IDC_WIDTH, width);
        EXPECT_EQ(Send(IDC_WIDTH_SLIDER, TBM_GETPOS), _wtoi(width)) << width;
    }
}

TEST_F(ParamGuard, EachPresetGroupShowsExactlyOneCheckedRadio) {
    Open(1200);
    const std::vector<int> fields = {IDC_FIELDS_R5G6B5, IDC_FIELDS_R5G5B5, IDC_FIELDS_R5G5B5A1,
                                     IDC_FIELDS_R4G4B4A4, IDC_FIELDS_CUSTOM};
    const std::vector<int> orders = {IDC_ORDER_RGBA, IDC_ORDER_BGRA, IDC_ORDER_CUSTOM};
    const auto checkedOf = [&](const std::vector<int>& radios) {
        std::vector<int> on;
        for (int radio : radios) {
            if (Checked(radio)) on.push_back(radio);
        }
        return on;
    };
    const auto expectChecked = [&](int field, int order, const char* step) {
        EXPECT_EQ(checkedOf(fields), std::vector<int>{field}) << step;
        EXPECT_EQ(checkedOf(orders), std::vector<int>{order}) << step;
    };
    SelectDepth(Depth16);
    Click(IDC_FIELDS_CUSTOM);
    Type(IDC_BITS_R, L"0");
    Type(IDC_BITS_G, L"0");  // red and green take no bits: both orders give the same shifts
    Click(IDC_ORDER_BGRA);
    expectChecked(IDC_FIELDS_CUSTOM, IDC_ORDER_BGRA, "BGRA clicked");
    Click(IDC_INVERT_Y);
    expectChecked(IDC_FIELDS_CUSTOM, IDC_ORDER_BGRA, "after another change");
    Click(IDC_ORDER_RGBA);
    expectChecked(IDC_FIELDS_CUSTOM, IDC_ORDER_RGBA, "RGBA clicked");
    Click(IDC_FIELDS_R5G6B5);
    expectChecked(IDC_FIELDS_R5G6B5, IDC_ORDER_RGBA, "r5g6b5 clicked");
    Click(IDC_ORDER_BGRA);
    expectChecked(IDC_FIELDS_R5G6B5, IDC_ORDER_BGRA, "BGRA with r5g6b5");
    Click(IDC_ORDER_CUSTOM);
    expectChecked(IDC_FIELDS_R5G6B5, IDC_ORDER_CUSTOM, "custom order");
}
