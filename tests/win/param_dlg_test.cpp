// The Parameters dialog on real windows under Wine: what the user sees, what each action
// writes into the document, and the one WM_APP that follows every apply.
#include <gtest/gtest.h>


#include "tests/win/param_test_support.h"

using ParamDialog = ParamDialogTest;

TEST_F(ParamDialog, ShowsANewDocumentsDefaultsWithoutWritingOrNotifying) {
    Open(1200);  // 40 by 30
    EXPECT_EQ(Text(IDC_OFFSET), L"0");
    EXPECT_EQ(Text(IDC_WIDTH), L"40");
    EXPECT_EQ(Text(IDC_HEIGHT), L"30");
    EXPECT_EQ(Text(IDC_LINE_PAD), L"0");
    EXPECT_FALSE(Checked(IDC_INVERT_Y));
    EXPECT_FALSE(Checked(IDC_BIG_ENDIAN));
    EXPECT_FALSE(Checked(IDC_SWAP_FIELD));

    ASSERT_EQ(Send(IDC_DEPTH, CB_GETCOUNT), 7);
    const wchar_t* items[] = {L"1", L"4", L"8", L"16", L"24", L"32", L"S3TC(DXT1)"};
    for (int i = 0; i < 7; ++i) {
        wchar_t item[32] = {};
        Send(IDC_DEPTH, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
        EXPECT_STREQ(item, items[i]);
    }
    EXPECT_EQ(Send(IDC_DEPTH, CB_GETCURSEL), 2);

    for (int id = IDC_FIELDS_R5G6B5; id <= IDC_FIELDS_CUSTOM; ++id) {
        EXPECT_EQ(Checked(id), id == IDC_FIELDS_R5G6B5) << id;
    }
    for (int id = IDC_ORDER_RGBA; id <= IDC_ORDER_CUSTOM; ++id) {
        EXPECT_EQ(Checked(id), id == IDC_ORDER_RGBA) << id;
    }
    EXPECT_EQ(RowText(BitEdits()), L"5 6 5 0");
    EXPECT_EQ(RowText(ShiftEdits()), L"0 8 16 24");
    for (int id : BitEdits()) EXPECT_FALSE(Enabled(id)) << id;
    for (int id : ShiftEdits()) EXPECT_FALSE(Enabled(id)) << id;
    for (int id : {IDC_OFFSET, IDC_WIDTH, IDC_HEIGHT, IDC_DEPTH, IDC_FIELDS_R5G6B5,
                   IDC_ORDER_RGBA, IDC_BIG_ENDIAN, IDC_SWAP_FIELD, IDC_LINE_PAD}) {
        EXPECT_TRUE(Enabled(id)) << id;
    }

    EXPECT_EQ(UpDownLow(IDC_OFFSET_SPIN), 0);
    EXPECT_EQ(UpDownLow(IDC_WIDTH_SPIN), 1);
    EXPECT_EQ(UpDownLow(IDC_HEIGHT_SPIN), 1);
    EXPECT_EQ(UpDownLow(IDC_LINE_PAD_SPIN), 0);
    for (int id : {IDC_OFFSET_SPIN, IDC_WIDTH_SPIN, IDC_HEIGHT_SPIN, IDC_LINE_PAD_SPIN}) {
        EXPECT_EQ(UpDownHigh(id), 1200) << id;
    }
    for (int id : {IDC_WIDTH_SLIDER, IDC_HEIGHT_SLIDER}) {
        EXPECT_EQ(Send(id, TBM_GETRANGEMIN), 1) << id;
        EXPECT_EQ(Send(id, TBM_GETRANGEMAX), 1200) << id;
    }
    EXPECT_EQ(Send(IDC_WIDTH_SLIDER, TBM_GETPOS), 40);
    EXPECT_EQ(Send(IDC_HEIGHT_SLIDER, TBM_GETPOS), 30);

    EXPECT_EQ(Applies(), 0u);
    EXPECT_EQ(doc->m_width, 40u);
    EXPECT_EQ(doc->m_depth, Depth8);
    EXPECT_EQ(Quad(doc->m_shift), (ChannelQuad{0, 8, 16, 24}));
    EXPECT_EQ(::GetFocus(), dlg.GetDlgItem(IDC_OFFSET));
}

TEST_F(ParamDialog, EveryApplyWritesEveryFieldAndNotifiesOnceSynchronously) {
    Open(1200);
    doc->m_width = 7;  // anything the controls do not show is overwritten by an apply
    doc->m_bits[3] = 9;
    doc->m_shift[0] = 99;
    doc->m_linePad = 3;
    Click(IDC_INVERT_Y);
    ASSERT_EQ(Applies(), 1u);
    EXPECT_EQ(view.notices[0].wParam, 0u);
    EXPECT_EQ(view.notices[0].lParam, 0);
    EXPECT_EQ(view.notices[0].width, 40u);  // the document was complete when the view looked
    EXPECT_TRUE(doc->m_invertY);
    EXPECT_EQ(Quad(doc->m_bits), (ChannelQuad{5, 6, 5, 0}));
    EXPECT_EQ(Quad(doc->m_shift), (ChannelQuad{0, 8, 16, 24}));
    EXPECT_EQ(doc->m_linePad, 0u);

    Click(IDC_BIG_ENDIAN);
    Click(IDC_SWAP_FIELD);
    Type(IDC_LINE_PAD, L"12");
    Type(IDC_OFFSET, L"345");
    Type(IDC_HEIGHT, L"17");
    EXPECT_EQ(Applies(), 6u);
    EXPECT_TRUE(doc->m_bigEndian);
    EXPECT_TRUE(doc->m_swapField);
    EXPECT_EQ(doc->m_linePad, 12u);
    EXPECT_EQ(doc->m_offset, 345);
    EXPECT_EQ(doc->m_height, 17u);
    EXPECT_EQ(Send(IDC_HEIGHT_SLIDER, TBM_GETPOS), 17);

    Click(IDC_INVERT_Y);
    EXPECT_FALSE(doc->m_invertY);
    EXPECT_EQ(Applies(), 7u);
    for (const Notice& notice : view.notices) {
        EXPECT_EQ(notice.wParam, 0u);
        EXPECT_EQ(notice.lParam, 0);
    }
}

TEST_F(ParamDialog, DepthFieldsAndOrderGiveTheStandardShifts) {
    Open(1200);
    SelectDepth(Depth16);
    EXPECT_EQ(doc->m_depth, Depth16);
    EXPECT_EQ(Quad(doc->m_shift), (ChannelQuad{0, 5, 11, 16}));
    EXPECT_EQ(RowText(ShiftEdits()), L"0 5 11 16");
    EXPECT_TRUE(Checked(IDC_ORDER_RGBA));

    Click(IDC_ORDER_BGRA);
    EXPECT_EQ(Quad(doc->m_shift), (ChannelQuad{11, 5, 0, 16}));
    EXPECT_FALSE(Checked(IDC_ORDER_RGBA));
    EXPECT_EQ(RowText(ShiftEdits()), L"11 5 0 16");

    SelectDepth(Depth32);
    EXPECT_EQ(Quad(doc->m_shift), (ChannelQuad{16, 8, 0, 24}));
    EXPECT_TRUE(Checked(IDC_ORDER_BGRA));
    EXPECT_EQ(Applies(), 3u);

    struct Row {
        int depth;
        int fields;
        ChannelQuad bits, rgba, bgra;
    };
    const Row rows[] = {
        {Depth1, IDC_FIELDS_R4G4B4A4, {4, 4, 4, 4}, {0, 8, 16, 24}, {16, 8, 0, 24}},
        {Depth24, IDC_FIELDS_R5G5B5, {5, 5, 5, 0}, {0, 8, 16, 24}, {16, 8, 0, 24}},
        {Depth16, IDC_FIELDS_R5G6B5, {5, 6, 5, 0}, {0, 5, 11, 16}, {11, 5, 0, 16}},
        {Depth16, IDC_FIELDS_R5G5B5, {5, 5, 5, 0}, {0, 5, 10, 15}, {10, 5, 0, 15}},
        {DepthDXT1, IDC_FIELDS_R5G5B5A1, {5, 5, 5, 1}, {0, 5, 10, 15}, {10, 5, 0, 15}},
        {DepthDXT1, IDC_FIELDS_R4G4B4A4, {4, 4, 4, 4}, {0, 4, 8, 12}, {8, 4, 0, 12}},
    };
    for (const Row& row : rows) {
        SelectDepth(row.depth);
        Click(row.fields);
        Click(IDC_ORDER_RGBA);
        EXPECT_EQ(Quad(doc->m_bits), row.bits) << row.depth << " " << row.fields;
        EXPECT_EQ(RowText(BitEdits()), std::to_wstring(row.bits[0]) + L" " +
                                           std::to_wstring(row.bits[1]) + L" " +
                                           std::to_wstring(row.bits[2]) + L" " +
                                           std::to_wstring(row.bits[3]));
        EXPECT_EQ(Quad(doc->m_shift), row.rgba) << row.depth << " " << row.fields;
        EXPECT_EQ(dlg.GetStandardShifts(), row.rgba);
        Click(IDC_ORDER_BGRA);
        EXPECT_EQ(Quad(doc->m_shift), row.bgra) << row.depth << " " << row.fields;
    }
}

TEST_F(ParamDialog, CustomFieldsAreEnabledKeepTheirCheckAndStoreLowEightBits) {
    Open(1200);
    SelectDepth(Depth16);
    Click(IDC_FIELDS_R5G5B5);
    Click(IDC_FIELDS_CUSTOM);
    EXPECT_TRUE(Checked(IDC_FIELDS_CUSTOM));
    EXPECT_FALSE(Checked(IDC_FIELDS_R5G5B5));
    for (int id : BitEdits()) EXPECT_TRUE(Enabled(id)) << id;
    for (int id : ShiftEdits()) EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_EQ(RowText(BitEdits()), L"5 5 5 0");  // the previous preset, picture unchanged
    EXPECT_EQ(Quad(doc->m_bits), (ChannelQuad{5, 5, 5, 0}));

    Type(IDC_BITS_G, L"6");  // now the numbers of "r5g6b5": the check stays
    EXPECT_EQ(Quad(doc->m_bits), (ChannelQuad{5, 6, 5, 0}));
    EXPECT_TRUE(Checked(IDC_FIELDS_CUSTOM));
    EXPECT_FALSE(Checked(IDC_FIELDS_R5G6B5));
    EXPECT_EQ(Quad(doc->m_shift), (ChannelQuad{0, 5, 11, 16}));

    Type(IDC_BITS_R, L"-1");
    Type(IDC_BITS_G, L"300");
    Type(IDC_BITS_B, L"blue");
    Type(IDC_BITS_A, L" 7px");
    EXPECT_EQ(Quad(doc->m_bits), (ChannelQuad{255, 44, 0, 7}));
    EXPECT_EQ(RowText(BitEdits()), L"-1 300 blue  7px");  // custom edits keep what was typed
    // Standard shifts of 16-bit fields: sums modulo 256.
    EXPECT_EQ(Quad(doc->m_shift), (ChannelQuad{0, 255, 43, 43}));

    Click(IDC_FIELDS_R4G4B4A4);
    for (int id : BitEdits()) EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_EQ(RowText(BitEdits()), L"4 4 4 4");
    EXPECT_FALSE(Checked(IDC_FIELDS_CUSTOM));
}

TEST_F(ParamDialog, CustomOrderStoresTypedShiftsAndAnEmptyEntryAsZero) {
    Open(1200);
    Click(IDC_ORDER_CUSTOM);
    for (int id : ShiftEdits()) EXPECT_TRUE(Enabled(id)) << id;
    for (int id : BitEdits()) EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_EQ(RowText(ShiftEdits()), L"0 8 16 24");
    Type(IDC_SHIFT_R, L"16");
    Type(IDC_SHIFT_B, L"0");  // now the numbers of "BGRA": the check stays
    EXPECT_EQ(Quad(doc->m_shift), (ChannelQuad{16, 8, 0, 24}));
    EXPECT_TRUE(Checked(IDC_ORDER_CUSTOM));
    EXPECT_FALSE(Checked(IDC_ORDER_BGRA));

    Type(IDC_SHIFT_G, L"");
    Click(IDC_INVERT_Y);  // a change elsewhere still writes every shift
    EXPECT_EQ(Quad(doc->m_shift), (ChannelQuad{16, 0, 0, 24}));
    EXPECT_EQ(Text(IDC_SHIFT_G), L"");
    EXPECT_EQ(Applies(), 5u);
}

TEST_F(ParamDialog, OrderRadiosStaySingleWhenBothOrdersGiveTheSameShifts) {
    Open(1200);
    SelectDepth(Depth16);
    Click(IDC_FIELDS_CUSTOM);
    Type(IDC_BITS_R, L"0");
    Type(IDC_BITS_G, L"0");  // red and green take no bits: blue's shift is 0 as well
    EXPECT_EQ(Quad(doc->m_shift), (ChannelQuad{0, 0, 0, 5}));
    Click(IDC_ORDER_BGRA);
    EXPECT_EQ(Quad(doc->m_shift), (ChannelQuad{0, 0, 0, 5}));
    EXPECT_TRUE(Checked(IDC_ORDER_BGRA));
    EXPECT_FALSE(Checked(IDC_ORDER_RGBA));
}

TEST_F(ParamDialog, NumbersThatAreNotThereReadAsZeroAndSizesAsOne) {
    Open(1200);
    Type(IDC_WIDTH, L"0");
    EXPECT_EQ(doc->m_width, 1u);
    EXPECT_EQ(Text(IDC_WIDTH), L"1");
    Type(IDC_HEIGHT, L"tall");
    EXPECT_EQ(doc->m_height, 1u);
    EXPECT_EQ(Text(IDC_HEIGHT), L"1");
    Type(IDC_OFFSET, L"xyz");
    EXPECT_EQ(doc->m_offset, 0);
    EXPECT_EQ(Text(IDC_OFFSET), L"0");
    Type(IDC_OFFSET, L"-5");  // no sign in an unsigned read
    EXPECT_EQ(doc->m_offset, 0);
    Type(IDC_LINE_PAD, L"  42 bytes");
    EXPECT_EQ(doc->m_linePad, 42u);
    EXPECT_EQ(Text(IDC_LINE_PAD), L"42");
    EXPECT_EQ(Applies(), 5u);
}

TEST_F(ParamDialog, NumbersAboveTheFileSizeAreClampedByTheUpDowns) {
    Open(1000);
    Type(IDC_WIDTH, L"640");
    EXPECT_EQ(Send(IDC_WIDTH_SLIDER, TBM_GETPOS), 640);

    Type(IDC_WIDTH, L"5000");
    EXPECT_EQ(view.notices.back().width, 5000u);  // as typed for that apply
    EXPECT_EQ(Text(IDC_WIDTH), L"1000");
    EXPECT_EQ(Send(IDC_WIDTH_SLIDER, TBM_GETPOS), 1000);
    Click(IDC_INVERT_Y);
    EXPECT_EQ(doc->m_width, 1000u);

    Type(IDC_LINE_PAD, L"5000");
    EXPECT_EQ(view.notices.back().linePad, 1000u);  // clamped before it is read
    EXPECT_EQ(Text(IDC_LINE_PAD), L"1000");

    Type(IDC_OFFSET, L"3000000000");
    EXPECT_EQ(view.notices.back().offset, -1294967296);
    EXPECT_EQ(Text(IDC_OFFSET), L"0");  // the up-down's signed read found no number
    Click(IDC_INVERT_Y);
    EXPECT_EQ(doc->m_offset, 0);
    EXPECT_EQ(Applies(), 6u);
}

TEST_F(ParamDialog, WidthsBeyondThirtyTwoBitsPutTheThumbAtTheEnd) {
    Open(1000);
    Type(IDC_WIDTH, L"4294967295");
    EXPECT_EQ(view.notices.back().width, 4294967295u);
    Type(IDC_HEIGHT, L"4000000000");
    EXPECT_EQ(view.notices.back().height, 4000000000u);
    EXPECT_EQ(Send(IDC_HEIGHT_SLIDER, TBM_GETPOS), 1000);
    // The up-downs' signed reads of those numbers find none, so they show their lower end.
    EXPECT_EQ(Text(IDC_WIDTH), L"1");
    EXPECT_EQ(Text(IDC_HEIGHT), L"1");
}

TEST_F(ParamDialog, TinyFileShowsOneWhileTheDocumentKeepsZeroUntilTheFirstApply) {
    Open(5);
    EXPECT_EQ(doc->m_width, 0u);
    EXPECT_EQ(Text(IDC_WIDTH), L"1");
    EXPECT_EQ(Text(IDC_HEIGHT), L"1");
    EXPECT_EQ(UpDownHigh(IDC_WIDTH_SPIN), 5);
    EXPECT_EQ(Applies(), 0u);
    Click(IDC_INVERT_Y);
    EXPECT_EQ(doc->m_width, 1u);
    EXPECT_EQ(doc->m_height, 1u);
}

TEST_F(ParamDialog, ArrowKeyInAnEditStepsItsNumber) {
    Open(1200);
    Send(IDC_WIDTH, WM_KEYDOWN, VK_UP, 1);
    EXPECT_EQ(Text(IDC_WIDTH), L"41");
    EXPECT_EQ(doc->m_width, 41u);
    Send(IDC_WIDTH, WM_KEYDOWN, VK_DOWN, 1);
    Send(IDC_WIDTH, WM_KEYDOWN, VK_DOWN, 1);
    EXPECT_EQ(doc->m_width, 39u);
    EXPECT_EQ(Applies(), 3u);
}

// Typing key by key, as a user does. Where an apply has an up-down rewrite the edit that
// has the focus, the new text is selected, so that the next key replaces it instead of
// landing in front of it; an edit left as typed keeps its caret.
class ParamTyping : public ParamDialogTest {
protected:
    struct Keystroke {
        UINT key;
        const wchar_t* text;  // the edit's text afterwards
        int64_t number;       // the document's number afterwards
        DWORD selectionStart, selectionEnd;
        int thumb = 0;  // of the edit's trackbar, where it has one
    };

    // Presses each key in the focused edit `editId`, whose number the document holds as
    // `number()` and the trackbar `trackbarId` (0 for none) shows.
    template <class Number>
    void ExpectKeys(int editId, int trackbarId, Number number,
                    const std::vector<Keystroke>& keys) {
        for (const Keystroke& stroke : keys) {
            PressKey(stroke.key);
            SCOPED_TRACE(testing::Message() << "after key " << stroke.key << " in " << editId);
            EXPECT_EQ(Text(editId), stroke.text);
            EXPECT_EQ(number(), stroke.number);
            EXPECT_EQ(Selection(editId), std::make_pair(stroke.selectionStart, stroke.selectionEnd));
            if (trackbarId != 0) {
                EXPECT_EQ(Thumb(trackbarId), stroke.thumb);
            }
        }
    }

    static UINT Key(wchar_t character) { return LOBYTE(::VkKeyScanW(character)); }
};

TEST_F(ParamTyping, ClearedOffsetTakesTheTypedNumber) {
    Open(1000);
    const auto offset = [&] { return int64_t{doc->m_offset}; };
    FocusByTab(IDC_OFFSET);
    EXPECT_EQ(Selection(IDC_OFFSET), std::make_pair(DWORD{0}, DWORD{1}));
    ExpectKeys(IDC_OFFSET, 0, offset, {
        {VK_BACK, L"0", 0, 0, 1},  // no text reads as 0, and "0" is written back, selected
        {Key('5'), L"5", 5, 1, 1},
        {Key('4'), L"54", 54, 2, 2},
    });
    FocusByTab(IDC_OFFSET);
    ExpectKeys(IDC_OFFSET, 0, offset, {
        {VK_BACK, L"0", 0, 0, 1},
        {Key('-'), L"0", 0, 0, 1},  // no sign in an offset
        {Key('5'), L"5", 5, 1, 1},
    });
    EXPECT_EQ(Applies(), 6u);
}

TEST_F(ParamTyping, ClearedWidthAndHeightTakeTheTypedNumbers) {
    Open(1000);  // 36 by 27
    FocusByTab(IDC_WIDTH);
    ExpectKeys(IDC_WIDTH, IDC_WIDTH_SLIDER, [&] { return int64_t{doc->m_width}; }, {
        {VK_BACK, L"1", 1, 0, 1, 1},
        {Key('6'), L"6", 6, 1, 1, 6},
        {Key('4'), L"64", 64, 2, 2, 64},
        {Key('0'), L"640", 640, 3, 3, 640},
    });
    FocusByTab(IDC_HEIGHT);
    ExpectKeys(IDC_HEIGHT, IDC_HEIGHT_SLIDER, [&] { return int64_t{doc->m_height}; }, {
        {VK_BACK, L"1", 1, 0, 1, 1},
        {Key('0'), L"1", 1, 0, 1, 1},  // 0 is stored as 1 and shown as 1
        {Key('0'), L"1", 1, 0, 1, 1},
        {Key('7'), L"7", 7, 1, 1, 7},
    });
    EXPECT_EQ(Applies(), 8u);
    EXPECT_EQ(doc->m_width, 640u);
}

// Only the edit being typed into gets its rewritten text selected; another edit that an
// up-down rewrites keeps the caret where the rewrite leaves it.
TEST_F(ParamTyping, AnEditRewrittenWithoutTheFocusIsNotSelected) {
    Open(1000);
    FocusByTab(IDC_HEIGHT);
    Type(IDC_WIDTH, L"0640");
    EXPECT_EQ(Text(IDC_WIDTH), L"640");
    EXPECT_EQ(Selection(IDC_WIDTH), std::make_pair(DWORD{0}, DWORD{0}));
    EXPECT_EQ(::GetFocus(), dlg.GetDlgItem(IDC_HEIGHT));
}

TEST_F(ParamTyping, AnEditLeftAsTypedKeepsItsCaret) {
    Open(1000);
    FocusByTab(IDC_WIDTH);
    const auto width = [&] { return int64_t{doc->m_width}; };
    ExpectKeys(IDC_WIDTH, IDC_WIDTH_SLIDER, width, {
        {Key('6'), L"6", 6, 1, 1, 6},
        {Key('4'), L"64", 64, 2, 2, 64},
        {Key('0'), L"640", 640, 3, 3, 640},
        {VK_HOME, L"640", 640, 0, 0, 640},
        {VK_RIGHT, L"640", 640, 1, 1, 640},
        {VK_DELETE, L"60", 60, 1, 1, 60},
        {Key('5'), L"650", 650, 2, 2, 650},
        {Key('0'), L"1000", 6500, 0, 4, 1000},  // beyond the file: stored as typed, then clamped
        {Key('9'), L"9", 9, 1, 1, 9},
    });
    EXPECT_EQ(Applies(), 7u);
}
