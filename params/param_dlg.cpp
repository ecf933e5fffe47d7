#include "params/param_dlg.h"

#include <algorithm>
#include <string>

#include "params/param_numbers.h"

namespace {

const wchar_t* const kDepthItems[] = {L"1", L"4", L"8", L"16", L"24", L"32", L"S3TC(DXT1)"};

// The field preset radios in the order of kFieldPresets.
constexpr int kFieldRadios[] = {IDC_FIELDS_R5G6B5, IDC_FIELDS_R5G5B5, IDC_FIELDS_R5G5B5A1,
                                IDC_FIELDS_R4G4B4A4};
constexpr int kBitEdits[] = {IDC_BITS_R, IDC_BITS_G, IDC_BITS_B, IDC_BITS_A};
constexpr int kShiftEdits[] = {IDC_SHIFT_R, IDC_SHIFT_G, IDC_SHIFT_B, IDC_SHIFT_A};

struct UpDownBinding {
    int upDown;
    int edit;
    int32_t lowerEnd;
};
constexpr UpDownBinding kUpDowns[] = {
    {IDC_OFFSET_SPIN, IDC_OFFSET, 0},
    {IDC_WIDTH_SPIN, IDC_WIDTH, 1},
    {IDC_HEIGHT_SPIN, IDC_HEIGHT, 1},
    {IDC_LINE_PAD_SPIN, IDC_LINE_PAD, 0},
};

ChannelQuad ToQuad(const uint8_t (&values)[4]) {
    return {values[0], values[1], values[2], values[3]};
}

void Store(const ChannelQuad& quad, uint8_t (&values)[4]) {
    std::copy(quad.begin(), quad.end(), values);
}

uint32_t AtLeastOne(uint32_t value) { return value == 0 ? 1 : value; }

std::wstring WindowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    ::GetWindowTextW(window, text.data(), length + 1);
    return text;
}

// Sets the up-down to the number in its edit, read signed. The up-down rewrites an edit
// whose text is not that number's, leaving the caret at the start; in the edit the user is
// typing into, the new text is then selected, so that the next key replaces it rather than
// landing in front of it (clearing the width and typing 640 would give 6401).
void SetUpDownFromEdit(HWND dialog, const UpDownBinding& binding) {
    const HWND edit = ::GetDlgItem(dialog, binding.edit);
    const std::wstring typed = WindowText(edit);
    ::SendDlgItemMessageW(dialog, binding.upDown, UDM_SETPOS32, 0,
                          ParseSignedNumber(typed.c_str()));
    if (edit == ::GetFocus() && WindowText(edit) != typed) {
        ::SendMessageW(edit, EM_SETSEL, 0, -1);
    }
}

LPARAM TrackbarRange(int32_t upperEnd) {
    return MAKELPARAM(kTrackbarLowerEnd, static_cast<WORD>(upperEnd));
}

// The way a line or page step moved the thumb: Left, Up, Page Up and a click before the
// thumb go towards the lower end (-1), the others towards the upper (+1); 0 for the codes
// that are no step.
int StepDirection(WORD code) {
    switch (code) {
        case TB_LINEUP:
        case TB_PAGEUP:
            return -1;
        case TB_LINEDOWN:
        case TB_PAGEDOWN:
            return 1;
        default:
            return 0;
    }
}

// Where a key or a click on the channel left the thumb, moved on past the number shown.
uint16_t SteppedPosition(HWND trackbar, WORD code, uint32_t shown, int64_t fileSize) {
    const auto position = static_cast<uint16_t>(::SendMessageW(trackbar, TBM_GETPOS, 0, 0));
    const int direction = StepDirection(code);
    if (direction == 0) return position;  // Home and End: an end of the range
    return PositionPastNumber(position, direction, shown, fileSize);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Messages

LRESULT CParamDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
    m_updating = false;
    PlaceAtOwnersTopRight();
    FillDepthList();
    return 1;  // the platform focuses the first tab stop, the offset edit
}

LRESULT CParamDlg::OnDestroy(UINT, WPARAM, LPARAM, BOOL&) {
    m_updating = true;  // left set: a window on its way out applies nothing
    return 1;
}

LRESULT CParamDlg::OnControlChange(WORD, WORD, HWND, BOOL&) {
    ApplyControls();
    return 1;
}

LRESULT CParamDlg::OnTrackbarScroll(UINT, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    const WORD code = LOWORD(wParam);
    const WORD thumbPosition = HIWORD(wParam);
    const HWND trackbar = reinterpret_cast<HWND>(lParam);

    int targetEdit = 0;
    if (trackbar != nullptr && trackbar == GetDlgItem(IDC_WIDTH_SLIDER)) targetEdit = IDC_WIDTH;
    if (trackbar != nullptr && trackbar == GetDlgItem(IDC_HEIGHT_SLIDER)) targetEdit = IDC_HEIGHT;
    if (targetEdit == 0) {
        bHandled = FALSE;
        return 0;
    }
    // The end of a step or drag brings no position: the one the trackbar sent before stands.
    if (m_updating || !m_doc || code == TB_ENDTRACK) return 1;

    const bool dragging = code == TB_THUMBPOSITION || code == TB_THUMBTRACK;
    const int64_t fileSize = FileSize();
    const uint16_t position =
        dragging ? thumbPosition
                 : SteppedPosition(trackbar, code, ReadUnsigned(targetEdit), fileSize);
    // Writing the edit runs one complete apply through its EN_CHANGE; this is the second.
    WriteUnsigned(targetEdit, TrackbarValue(position, fileSize));
    ApplyControls();
    // The applies place the thumb by the number, which the truncating scale can put a step
    // below where the user moved it; the next key or the release would then go on from
    // there, and the number would go backwards.
    ::SendMessageW(trackbar, TBM_SETPOS, TRUE, position);
    return 1;
}

// ---------------------------------------------------------------------------------------
// Showing the document

void CParamDlg::SetDocument(HWND notify, std::shared_ptr<CRawDoc> doc) {
    m_hWndNotify = notify;
    m_doc = std::move(doc);
    if (m_doc) FillControls();
}

void CParamDlg::FillControls() {
    m_updating = true;
    const CRawDoc& doc = *m_doc;
    WriteUnsigned(IDC_OFFSET, static_cast<uint32_t>(doc.m_offset));
    WriteUnsigned(IDC_WIDTH, doc.m_width);
    WriteUnsigned(IDC_HEIGHT, doc.m_height);
    SetCheck(IDC_INVERT_Y, doc.m_invertY);
    UpdateRanges();
    SendDlgItemMessageW(m_hWnd, IDC_DEPTH, CB_SETCURSEL, static_cast<WPARAM>(doc.m_depth), 0);
    UpdatePresets();
    SetCheck(IDC_BIG_ENDIAN, doc.m_bigEndian);
    SetCheck(IDC_SWAP_FIELD, doc.m_swapField);
    WriteUnsigned(IDC_LINE_PAD, doc.m_linePad);
    m_updating = false;
}

void CParamDlg::PlaceAtOwnersTopRight() {
    const HWND owner = GetParent();
    RECT client{};
    RECT self{};
    GetWindowRect(&self);
    const int width = self.right - self.left;
    const int height = self.bottom - self.top;
    if (owner == nullptr || !::GetClientRect(owner, &client)) {
        SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
        return;
    }
    POINT topLeft{client.left, client.top};
    POINT bottomRight{client.right, client.bottom};
    if (::ClientToScreen(owner, &topLeft)) ::ClientToScreen(owner, &bottomRight);
    SetWindowPos(nullptr, bottomRight.x - width, topLeft.y, width, height, SWP_SHOWWINDOW);
}

void CParamDlg::FillDepthList() {
    for (const wchar_t* item : kDepthItems) {
        SendDlgItemMessageW(m_hWnd, IDC_DEPTH, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    }
}

// ---------------------------------------------------------------------------------------
// Writing the document

void CParamDlg::ApplyControls() {
    if (m_updating || !m_doc) return;
    m_updating = true;
    CRawDoc& doc = *m_doc;

    doc.m_offset = static_cast<int32_t>(ReadUnsigned(IDC_OFFSET));
    doc.m_width = AtLeastOne(ReadUnsigned(IDC_WIDTH));
    doc.m_height = AtLeastOne(ReadUnsigned(IDC_HEIGHT));
    doc.m_invertY = IsChecked(IDC_INVERT_Y);
    UpdateRanges();
    doc.m_depth = static_cast<PixelFormat>(
        SendDlgItemMessageW(m_hWnd, IDC_DEPTH, CB_GETCURSEL, 0, 0));

    Store(ChosenFields(), doc.m_bits);
    Store(ChosenOrder(GetStandardShifts()), doc.m_shift);
    doc.m_bigEndian = IsChecked(IDC_BIG_ENDIAN);
    doc.m_swapField = IsChecked(IDC_SWAP_FIELD);
    doc.m_linePad = ReadUnsigned(IDC_LINE_PAD);  // after the up-down clamped it
    UpdatePresets();
    ::SendMessageW(m_hWndNotify, WM_APP, 0, 0);
    m_updating = false;
}

void CParamDlg::UpdateRanges() {
    const int64_t fileSize = FileSize();
    const int32_t upperEnd = UpDownLimit(fileSize);
    for (const UpDownBinding& binding : kUpDowns) {
        SendDlgItemMessageW(m_hWnd, binding.upDown, UDM_SETRANGE32,
                            static_cast<WPARAM>(binding.lowerEnd), upperEnd);
        SetUpDownFromEdit(m_hWnd, binding);
    }
    const LPARAM range = TrackbarRange(TrackbarLimit(fileSize));
    SendDlgItemMessageW(m_hWnd, IDC_WIDTH_SLIDER, TBM_SETRANGE, TRUE, range);
    SendDlgItemMessageW(m_hWnd, IDC_WIDTH_SLIDER, TBM_SETPOS, TRUE,
                        TrackbarPosition(m_doc->m_width, fileSize));
    SendDlgItemMessageW(m_hWnd, IDC_HEIGHT_SLIDER, TBM_SETRANGE, TRUE, range);
    SendDlgItemMessageW(m_hWnd, IDC_HEIGHT_SLIDER, TBM_SETPOS, TRUE,
                        TrackbarPosition(m_doc->m_height, fileSize));
}

// ---------------------------------------------------------------------------------------
// Presets

ChannelQuad CParamDlg::GetStandardShifts() const {
    if (!m_doc) return ::GetStandardShifts(Depth8, kFieldPresets[0]);
    return ::GetStandardShifts(m_doc->m_depth, ToQuad(m_doc->m_bits));
}

ChannelQuad CParamDlg::ChosenFields() const {
    for (size_t i = 0; i < kFieldPresets.size(); ++i) {
        if (IsChecked(kFieldRadios[i])) return kFieldPresets[i];
    }
    return ReadRow(kBitEdits);
}

ChannelQuad CParamDlg::ChosenOrder(const ChannelQuad& standard) const {
    if (IsChecked(IDC_ORDER_RGBA)) return RgbaOrder(standard);
    if (IsChecked(IDC_ORDER_BGRA)) return BgraOrder(standard);
    return ReadRow(kShiftEdits);
}

void CParamDlg::UpdatePresets() {
    UpdateFieldPreset();
    UpdateOrderPreset();
}

void CParamDlg::UpdateFieldPreset() {
    int choice = IDC_FIELDS_CUSTOM;
    if (!IsChecked(IDC_FIELDS_CUSTOM)) {
        const auto preset = std::find(kFieldPresets.begin(), kFieldPresets.end(),
                                      ToQuad(m_doc->m_bits));
        if (preset != kFieldPresets.end()) choice = kFieldRadios[preset - kFieldPresets.begin()];
    }
    ShowPresetChoice(choice, IDC_FIELDS_CUSTOM, kBitEdits, m_doc->m_bits);
}

void CParamDlg::UpdateOrderPreset() {
    int choice = IDC_ORDER_CUSTOM;
    if (!IsChecked(IDC_ORDER_CUSTOM)) {
        const ChannelQuad standard = GetStandardShifts();
        const ChannelQuad shifts = ToQuad(m_doc->m_shift);
        const bool isRgba = shifts == RgbaOrder(standard);
        const bool isBgra = shifts == BgraOrder(standard);
        // Where both orders give the same shifts the checked one stays, so that the
        // group never shows two checked radios.
        if (isBgra && IsChecked(IDC_ORDER_BGRA)) {
            choice = IDC_ORDER_BGRA;
        } else if (isRgba) {
            choice = IDC_ORDER_RGBA;
        } else if (isBgra) {
            choice = IDC_ORDER_BGRA;
        }
    }
    ShowPresetChoice(choice, IDC_ORDER_CUSTOM, kShiftEdits, m_doc->m_shift);
}

void CParamDlg::ShowPresetChoice(int choice, int customRadio, const EditRow& edits,
                                 const uint8_t (&values)[4]) {
    SetCheck(choice, true);
    const bool custom = choice == customRadio;
    EnableRow(edits, custom);
    // Disabled edits show the preset's numbers and keep them for a switch to "Custom:".
    if (!custom) WriteRow(edits, values);
}

// ---------------------------------------------------------------------------------------
// Controls

int64_t CParamDlg::FileSize() const {
    int64_t size = 0;
    if (!m_doc->GetSize(size)) return 0;
    return size;
}

uint32_t CParamDlg::ReadUnsigned(int editId) const {
    return ParseUnsignedNumber(WindowText(GetDlgItem(editId)).c_str());
}

int32_t CParamDlg::ReadSigned(int editId) const {
    return ParseSignedNumber(WindowText(GetDlgItem(editId)).c_str());
}

void CParamDlg::WriteUnsigned(int editId, uint32_t value) {
    ::SetDlgItemInt(m_hWnd, editId, value, FALSE);
}

ChannelQuad CParamDlg::ReadRow(const EditRow& edits) const {
    ChannelQuad values{};
    for (size_t i = 0; i < values.size(); ++i) {
        values[i] = static_cast<uint8_t>(ReadSigned(edits[i]));  // the low 8 bits
    }
    return values;
}

void CParamDlg::WriteRow(const EditRow& edits, const uint8_t (&values)[4]) {
    for (size_t i = 0; i < 4; ++i) WriteUnsigned(edits[i], values[i]);
}

void CParamDlg::EnableRow(const EditRow& edits, bool enable) {
    for (int id : edits) ::EnableWindow(GetDlgItem(id), enable);
}

bool CParamDlg::IsChecked(int buttonId) const {
    return SendDlgItemMessageW(m_hWnd, buttonId, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CParamDlg::SetCheck(int buttonId, bool checked) {
    SendDlgItemMessageW(m_hWnd, buttonId, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED,
                        0);
}
