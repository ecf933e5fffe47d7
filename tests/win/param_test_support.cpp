#include "tests/win/param_test_support.h"

LRESULT NotifyView::OnParamsChanged(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
    notices.push_back(Notice{wParam, lParam, doc->m_offset, doc->m_width, doc->m_height,
                             doc->m_linePad});
    return 0;
}

void PumpThroughDialog(HWND dialog) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (::IsDialogMessageW(dialog, &msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

ChannelQuad Quad(const uint8_t (&values)[4]) {
    return {values[0], values[1], values[2], values[3]};
}

void ParamDialogTest::SetUpTestSuite() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
}

void ParamDialogTest::CreateWindows() {
    RECT frameRect = kFrameRect;
    ASSERT_NE(frame.Create(nullptr, frameRect, L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE),
              nullptr);
    RECT client{};
    frame.GetClientRect(&client);
    ASSERT_NE(view.Create(frame, client), nullptr);
}

void ParamDialogTest::Open(int64_t fileSize) {
    file = std::make_unique<CScratchFile>(ScratchSize{fileSize});
    doc = file->Open();
    ASSERT_NE(doc, nullptr);
    view.doc = doc.get();
    CreateWindows();
    ASSERT_NE(dlg.Create(view), nullptr);
    dlg.SetDocument(view, doc);
}

void ParamDialogTest::CloseDialog() {
    dlg.DestroyWindow();
    dlg.SetDocument(view, nullptr);
}

void ParamDialogTest::TearDown() {
    CloseDialog();
    frame.DestroyWindow();
    doc.reset();
    file.reset();
}

void ParamDialogTest::Type(int editId, const wchar_t* text) {
    Send(editId, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void ParamDialogTest::Click(int buttonId) { Send(buttonId, BM_CLICK); }

void ParamDialogTest::SelectDepth(int index) {
    Send(IDC_DEPTH, CB_SETCURSEL, static_cast<WPARAM>(index));
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_DEPTH, CBN_SELCHANGE),
                    reinterpret_cast<LPARAM>(dlg.GetDlgItem(IDC_DEPTH)));
}

void ParamDialogTest::Scroll(int trackbarId, WORD code, WORD thumbPosition) {
    dlg.SendMessage(WM_HSCROLL, MAKEWPARAM(code, thumbPosition),
                    reinterpret_cast<LPARAM>(dlg.GetDlgItem(trackbarId)));
}

void ParamDialogTest::FocusByTab(int id) {
    dlg.SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(dlg.GetDlgItem(id)), TRUE);
    ASSERT_EQ(::GetFocus(), dlg.GetDlgItem(id));
}

void ParamDialogTest::PressKey(UINT key) {
    const LPARAM scanCode = static_cast<LPARAM>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
    constexpr LPARAM kWasDown = LPARAM{1} << 30;
    constexpr LPARAM kReleased = LPARAM{1} << 31;
    const HWND focus = ::GetFocus();
    ::PostMessageW(focus, WM_KEYDOWN, key, 1 | scanCode);
    PumpThroughDialog(dlg);
    ::PostMessageW(focus, WM_KEYUP, key, 1 | scanCode | kWasDown | kReleased);
    PumpThroughDialog(dlg);
}

void ParamDialogTest::TypeKeys(const wchar_t* keys) {
    for (; *keys != L'\0'; ++keys) PressKey(LOBYTE(::VkKeyScanW(*keys)));
}

std::wstring ParamDialogTest::Text(int id) const {
    wchar_t text[256] = {};
    ::GetDlgItemTextW(dlg, id, text, 256);
    return text;
}

std::wstring ParamDialogTest::RowText(const std::vector<int>& ids) const {
    std::wstring row;
    for (int id : ids) row += (row.empty() ? L"" : L" ") + Text(id);
    return row;
}

bool ParamDialogTest::Checked(int id) const { return Send(id, BM_GETCHECK) == BST_CHECKED; }

bool ParamDialogTest::Enabled(int id) const { return ::IsWindowEnabled(dlg.GetDlgItem(id)); }

int ParamDialogTest::UpDownLow(int id) const {
    int low = 0;
    Send(id, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low), 0);
    return low;
}

int ParamDialogTest::UpDownHigh(int id) const {
    int high = 0;
    Send(id, UDM_GETRANGE32, 0, reinterpret_cast<LPARAM>(&high));
    return high;
}

int ParamDialogTest::UpDownPos(int id) const {
    return static_cast<int>(Send(id, UDM_GETPOS32));
}

int ParamDialogTest::Thumb(int trackbarId) const {
    return static_cast<int>(Send(trackbarId, TBM_GETPOS));
}

std::pair<DWORD, DWORD> ParamDialogTest::Selection(int editId) const {
    DWORD start = 0;
    DWORD end = 0;
    Send(editId, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {start, end};
}

LRESULT ParamDialogTest::Send(int id, UINT msg, WPARAM wParam, LPARAM lParam) const {
    return ::SendDlgItemMessageW(dlg, id, msg, wParam, lParam);
}
