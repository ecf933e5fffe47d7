// The Parameters dialog as a window: its template, where it opens, its life in the set of
// modeless dialogs, that it cannot be closed, and the platform behaviour it relies on.
#include <gtest/gtest.h>


#include <string>
#include <vector>

#include "tests/win/dialog_template.h"
#include "tests/win/param_test_support.h"

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kStatic = kChild | WS_GROUP | SS_LEFT;
constexpr DWORD kEdit = kChild | WS_BORDER | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
constexpr DWORD kUpDown = kChild | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY |
                          UDS_ARROWKEYS | UDS_NOTHOUSANDS | UDS_HOTTRACK;
constexpr DWORD kTrackbar = kChild | WS_TABSTOP | TBS_HORZ | TBS_BOTH | TBS_NOTICKS;
constexpr DWORD kCheckBox = kChild | WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD kList = kChild | WS_TABSTOP | CBS_DROPDOWNLIST;
constexpr DWORD kRadio = kChild | BS_AUTORADIOBUTTON;

const std::vector<ExpectedControl>& ExpectedControls() {
    static const std::vector<ExpectedControl> controls = {
        {-1, L"Static", kStatic, L"Offset:", 7, 10, 22, 8},
        {1001, L"Edit", kEdit, L"", 35, 7, 40, 14},
        {1002, L"msctls_updown32", kUpDown, L"", 63, 7, 12, 14},
        {-1, L"Static", kStatic, L"Width:", 7, 29, 19, 8},
        {1003, L"Edit", kEdit, L"", 35, 26, 40, 14},
        {1004, L"msctls_updown32", kUpDown, L"", 63, 26, 12, 14},
        {1005, L"msctls_trackbar32", kTrackbar, L"", 77, 26, 60, 15},
        {-1, L"Static", kStatic, L"Height:", 7, 49, 22, 8},
        {1006, L"Edit", kEdit, L"", 35, 46, 40, 14},
        {1007, L"msctls_updown32", kUpDown, L"", 63, 46, 12, 14},
        {1008, L"msctls_trackbar32", kTrackbar, L"", 77, 46, 60, 15},
        {1009, L"Button", kCheckBox, L"Invert Y", 139, 49, 41, 8},
        {-1, L"Static", kStatic, L"Depth:", 7, 68, 21, 8},
        {1010, L"ComboBox", kList, L"", 35, 65, 48, 30},
        {-1, L"Static", kStatic, L"Fields:", 7, 83, 20, 8},
        {-1, L"Static", kStatic, L"(16bit only)", 35, 83, 35, 8},
        {1011, L"Button", kRadio, L"r5g6b5", 35, 93, 37, 8},
        {1012, L"Button", kRadio, L"r5g5b5", 74, 93, 37, 8},
        {1013, L"Button", kRadio, L"r5g5b5a1", 113, 93, 45, 8},
        {1014, L"Button", kRadio, L"r4g4b4a4", 160, 93, 45, 8},
        {1015, L"Button", kRadio, L"Custom:", 35, 106, 41, 8},
        {-1, L"Static", kStatic, L"r", 80, 106, 8, 8},
        {1016, L"Edit", kEdit, L"", 86, 103, 15, 14},
        {-1, L"Static", kStatic, L"g", 103, 106, 8, 8},
        {1017, L"Edit", kEdit, L"", 109, 103, 15, 14},
        {-1, L"Static", kStatic, L"b", 126, 106, 8, 8},
        {1018, L"Edit", kEdit, L"", 132, 103, 15, 14},
        {-1, L"Static", kStatic, L"a", 149, 106, 8, 8},
        {1019, L"Edit", kEdit, L"", 155, 103, 15, 14},
        {-1, L"Static", kStatic, L"Order:", 7, 122, 20, 8},
        {1020, L"Button", kRadio, L"RGBA", 35, 122, 35, 8},
        {1021, L"Button", kRadio, L"BGRA", 72, 122, 35, 8},
        {1022, L"Button", kRadio, L"Custom:", 35, 135, 41, 8},
        {-1, L"Static", kStatic, L"r", 80, 135, 8, 8},
        {1023, L"Edit", kEdit, L"", 86, 132, 15, 14},
        {-1, L"Static", kStatic, L"g", 103, 135, 8, 8},
        {1024, L"Edit", kEdit, L"", 109, 132, 15, 14},
        {-1, L"Static", kStatic, L"b", 126, 135, 8, 8},
        {1025, L"Edit", kEdit, L"", 132, 132, 15, 14},
        {-1, L"Static", kStatic, L"a", 149, 135, 8, 8},
        {1026, L"Edit", kEdit, L"", 155, 132, 15, 14},
        {1027, L"Button", kCheckBox, L"Big Endian (1, 4, 16bit only)", 35, 151, 98, 8},
        {1028, L"Button", kCheckBox, L"Swap field (1bit, 4px width only)", 35, 163, 110, 8},
        {-1, L"Static", kStatic, L"Line pad:", 7, 179, 28, 8},
        {1029, L"Edit", kEdit, L"", 35, 176, 40, 14},
        {1030, L"msctls_updown32", kUpDown, L"", 63, 176, 12, 14},
    };
    return controls;
}

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_3DLOOK |
                               DS_CENTER | DS_SETFONT | DS_FIXEDSYS;
constexpr DWORD kDialogExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_WINDOWEDGE;

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

int g_setTextCount = 0;

LRESULT CALLBACK CountSetText(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                              DWORD_PTR) {
    if (msg == WM_SETTEXT) ++g_setTextCount;
    return ::DefSubclassProc(window, msg, wParam, lParam);
}

}  // namespace

TEST(ParamTemplate, ResourceHoldsTheDialogAndItsControlsExactly) {
    const BYTE* data = LoadDialogTemplate(IDD_PARAMS);
    ASSERT_NE(data, nullptr);
    TemplateReader reader(data);
    const TemplateHeader header = ReadHeader(reader);
    EXPECT_EQ(header.version, 1);  // extended template
    EXPECT_EQ(header.signature, 0xFFFF);
    EXPECT_EQ(header.exStyle, kDialogExStyle);
    EXPECT_EQ(header.style, kDialogStyle);
    ASSERT_EQ(header.controls, ExpectedControls().size());
    EXPECT_EQ(std::vector<short>({header.x, header.y, header.cx, header.cy}),
              std::vector<short>({0, 0, 212, 197}));
    EXPECT_EQ(header.menu, L"");
    EXPECT_EQ(header.windowClass, L"");  // the platform's dialog class
    EXPECT_EQ(header.caption, L"Parameters");
    EXPECT_EQ(header.points, 8);
    EXPECT_EQ(header.weight, 400);
    EXPECT_EQ(header.italic, 0);
    EXPECT_EQ(header.charset, 1);
    EXPECT_EQ(header.font, L"MS Shell Dlg");
    for (const ExpectedControl& expected : ExpectedControls()) ExpectNextControl(reader, expected);
}

using ParamWindow = ParamDialogTest;

TEST_F(ParamWindow, LiveControlsFollowTheTemplateInTabOrder) {
    CreateWindows();
    ASSERT_NE(dlg.Create(view), nullptr);  // no document yet: no radio has been checked

    wchar_t caption[32] = {};
    dlg.GetWindowText(caption, 32);
    EXPECT_STREQ(caption, L"Parameters");
    EXPECT_EQ(dlg.GetStyle() & kDialogStyle, kDialogStyle);
    EXPECT_EQ(dlg.GetExStyle() & kDialogExStyle, kDialogExStyle);
    RECT expectedClient{0, 0, 212, 197};
    ::MapDialogRect(dlg, &expectedClient);
    RECT client{};
    dlg.GetClientRect(&client);
    EXPECT_EQ(client.right, expectedClient.right);
    EXPECT_EQ(client.bottom, expectedClient.bottom);

    HWND control = ::GetWindow(dlg, GW_CHILD);
    for (const ExpectedControl& expected : ExpectedControls()) {
        SCOPED_TRACE(testing::Message() << expected.id << " " << expected.y << " " << expected.x);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(::GetDlgCtrlID(control), expected.id);
        EXPECT_EQ(_wcsicmp(ClassOf(control).c_str(), expected.className), 0)
            << ClassOf(control).c_str();
        DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(control, GWL_STYLE));
        if (expected.style == kEdit) {
            // Edits trade their flat border for the sunken client edge.
            EXPECT_TRUE(::GetWindowLongPtrW(control, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
            style |= WS_BORDER;
        }
        EXPECT_EQ(style & 0xFFFF0000u, expected.style & 0xFFFF0000u);
        if (expected.style != kList) {
            EXPECT_EQ(style & 0xFFFFu, expected.style & 0xFFFFu);
        }
        if (expected.style != kList && expected.style != kEdit) {
            wchar_t text[64] = {};
            ::GetWindowTextW(control, text, 64);
            EXPECT_STREQ(text, expected.text);
        }
        control = ::GetWindow(control, GW_HWNDNEXT);
    }
    EXPECT_EQ(control, nullptr);

    // Each up-down steps the edit before it.
    EXPECT_EQ(reinterpret_cast<HWND>(Send(IDC_OFFSET_SPIN, UDM_GETBUDDY)), dlg.GetDlgItem(IDC_OFFSET));
    EXPECT_EQ(reinterpret_cast<HWND>(Send(IDC_LINE_PAD_SPIN, UDM_GETBUDDY)),
              dlg.GetDlgItem(IDC_LINE_PAD));
}

TEST_F(ParamWindow, OpensAtTheTopRightOfItsOwnersClientAreaOnceAndShown) {
    Open(1200);
    EXPECT_TRUE(dlg.IsWindowVisible());
    EXPECT_EQ(dlg.GetParent(), static_cast<HWND>(frame));  // the view's top-level window

    RECT client{};
    frame.GetClientRect(&client);
    POINT topRight{client.right, client.top};
    frame.ClientToScreen(&topRight);
    RECT placed{};
    dlg.GetWindowRect(&placed);
    EXPECT_EQ(placed.right, topRight.x);
    EXPECT_EQ(placed.top, topRight.y);
    RECT dialogClient{0, 0, 212, 197};
    ::MapDialogRect(dlg, &dialogClient);
    EXPECT_GT(placed.right - placed.left, dialogClient.right);  // the frame around it kept

    frame.SetWindowPos(nullptr, 20, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    RECT later{};
    dlg.GetWindowRect(&later);
    EXPECT_EQ(later.left, placed.left);  // it does not follow the owner
    EXPECT_EQ(later.top, placed.top);
}

TEST_F(ParamWindow, IsListedExactlyWhileItsWindowLives) {
    Open(1200);
    EXPECT_EQ(g_modelessDialogs, ModelessDialogSet{dlg.m_hWnd});
    const HWND first = dlg;
    CloseDialog();
    EXPECT_FALSE(::IsWindow(first));
    EXPECT_TRUE(g_modelessDialogs.empty());
    EXPECT_EQ(doc.use_count(), 1);  // the dialog let go of the document

    // A new window for the same object starts afresh and edits again.
    ASSERT_NE(dlg.Create(view), nullptr);
    dlg.SetDocument(view, doc);
    EXPECT_EQ(g_modelessDialogs, ModelessDialogSet{dlg.m_hWnd});
    Type(IDC_WIDTH, L"33");
    EXPECT_EQ(doc->m_width, 33u);
    EXPECT_EQ(Applies(), 1u);

    // Destroyed with its owner, the window leaves the set all the same.
    frame.DestroyWindow();
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_TRUE(g_modelessDialogs.empty());

    // A window that cannot be created is not listed; the document is still held.
    EXPECT_EQ(dlg.Create(reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x7ff00001))), nullptr);
    EXPECT_TRUE(g_modelessDialogs.empty());
    dlg.SetDocument(nullptr, doc);
    EXPECT_EQ(doc.use_count(), 2);
}

TEST_F(ParamWindow, CloseBoxAltF4AndEscapeLeaveItOpen) {
    Open(1200);
    constexpr LPARAM kAltDown = LPARAM{1} << 29;
    ::PostMessageW(dlg, WM_SYSKEYDOWN, VK_F4, 1 | kAltDown);
    PumpThroughDialog(dlg);
    dlg.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box
    dlg.SendMessage(WM_CLOSE);
    PumpThroughDialog(dlg);
    ::SetFocus(dlg.GetDlgItem(IDC_WIDTH));
    ::PostMessageW(dlg.GetDlgItem(IDC_WIDTH), WM_KEYDOWN, VK_ESCAPE, 1);
    PumpThroughDialog(dlg);
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(::IsWindow(dlg));
    EXPECT_TRUE(dlg.IsWindowVisible());
    EXPECT_EQ(g_modelessDialogs.size(), 1u);
    EXPECT_EQ(Applies(), 0u);
}

TEST_F(ParamWindow, UpDownRewritesItsEditOnlyWhenTheNumberReadsDifferently) {
    Open(1200);
    HWND width = dlg.GetDlgItem(IDC_WIDTH);
    ASSERT_TRUE(::SetWindowSubclass(width, CountSetText, 1, 0));
    g_setTextCount = 0;
    Type(IDC_WIDTH, L"640");
    EXPECT_EQ(g_setTextCount, 1);  // the typing alone
    Type(IDC_WIDTH, L"0640");
    EXPECT_EQ(g_setTextCount, 3);  // rewritten as plain digits
    EXPECT_EQ(Text(IDC_WIDTH), L"640");
    Type(IDC_WIDTH, L"1100");  // no thousands separator
    EXPECT_EQ(Text(IDC_WIDTH), L"1100");
    EXPECT_EQ(g_setTextCount, 4);
    ::RemoveWindowSubclass(width, CountSetText, 1);
    EXPECT_EQ(Applies(), 3u);
}

// This Wine's GetDlgItemInt reads some texts differently from the dialog's own reading, so
// the dialog parses the edits itself. Measured under this Wine (unsigned, signed reads):
//   "-5" 4294967291, -5    "+5" 5, 5    "-2147483649" 2147483647, 0
//   and once any read was out of range, later signed reads of "2147483647" and
//   "-2147483648" give 0.
TEST_F(ParamWindow, DialogReadsNumbersByItsOwnRuleWhereWineGetDlgItemIntDiffers) {
    Open(1200);
    Click(IDC_FIELDS_CUSTOM);
    // What the document gets: the dialog's own reading, seen while the view is told.
    Type(IDC_OFFSET, L"-5");
    EXPECT_EQ(view.notices.back().offset, 0);
    Type(IDC_WIDTH, L"+5");
    EXPECT_EQ(view.notices.back().width, 1u);
    Type(IDC_BITS_A, L"+5");
    EXPECT_EQ(doc->m_bits[3], 0);
    Type(IDC_BITS_A, L"2147483647");
    EXPECT_EQ(doc->m_bits[3], 255);  // low 8 bits of 0x7FFFFFFF
    Type(IDC_BITS_R, L"-2147483647");
    EXPECT_EQ(doc->m_bits[0], 1);  // low 8 bits of 0x80000001
    Type(IDC_BITS_G, L"-2147483649");
    EXPECT_EQ(doc->m_bits[1], 0);  // beyond the signed range
    Type(IDC_BITS_B, L"2147483647");
    EXPECT_EQ(doc->m_bits[2], 255) << "read after an out-of-range reading";
}
