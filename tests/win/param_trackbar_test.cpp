// The width and height trackbars span the whole file: their positions and what a drag sets.
#include <gtest/gtest.h>

#include <string>

#include "tests/win/param_test_support.h"

using ParamTrackbar = ParamDialogTest;

TEST_F(ParamTrackbar, SmallFileMapsOnePositionToOneByte) {
    Open(1000);
    EXPECT_EQ(Send(IDC_WIDTH_SLIDER, TBM_GETRANGEMAX), 1000);
    Scroll(IDC_WIDTH_SLIDER, TB_THUMBTRACK, 300);
    EXPECT_EQ(doc->m_width, 300u);
    EXPECT_EQ(Text(IDC_WIDTH), L"300");
    EXPECT_EQ(Applies(), 2u);  // the edit's own change, then the trackbar's

    // Steps take the trackbar's own position; the end of a step or drag brings none.
    Send(IDC_HEIGHT_SLIDER, TBM_SETPOS, TRUE, 250);
    Scroll(IDC_HEIGHT_SLIDER, TB_LINEDOWN, 999);
    EXPECT_EQ(doc->m_height, 250u);
    Send(IDC_HEIGHT_SLIDER, TBM_SETPOS, TRUE, 260);
    Scroll(IDC_HEIGHT_SLIDER, TB_ENDTRACK, 999);
    EXPECT_EQ(doc->m_height, 250u);
    EXPECT_EQ(Applies(), 4u);
    Scroll(IDC_HEIGHT_SLIDER, TB_THUMBPOSITION, 20);
    EXPECT_EQ(doc->m_height, 20u);
    EXPECT_EQ(Thumb(IDC_HEIGHT_SLIDER), 20);
    EXPECT_EQ(Applies(), 6u);
}

TEST_F(ParamTrackbar, MegabyteFileScalesByFileSizeOverTheTopPosition) {
    Open(1048576);
    EXPECT_EQ(Send(IDC_WIDTH_SLIDER, TBM_GETRANGEMAX), 32767);
    EXPECT_EQ(UpDownHigh(IDC_WIDTH_SPIN), 1048576);
    Type(IDC_WIDTH, L"512");
    EXPECT_EQ(Send(IDC_WIDTH_SLIDER, TBM_GETPOS), 15);
    Scroll(IDC_WIDTH_SLIDER, TB_THUMBTRACK, 16384);
    EXPECT_EQ(doc->m_width, 524304u);
    EXPECT_EQ(Text(IDC_WIDTH), L"524304");
    EXPECT_EQ(Thumb(IDC_WIDTH_SLIDER), 16384);  // where it was put, not 16383.99 truncated
    Type(IDC_WIDTH, L"524304");
    EXPECT_EQ(Thumb(IDC_WIDTH_SLIDER), 16383);  // a typed number is placed by the scale
}

TEST_F(ParamTrackbar, FortyNineByteFileRoundsDown) {
    Open(49);
    Scroll(IDC_WIDTH_SLIDER, TB_THUMBTRACK, 2);  // 49 * (2 / 49) is just below 2
    EXPECT_EQ(Text(IDC_WIDTH), L"1");
    EXPECT_EQ(doc->m_width, 1u);
    EXPECT_EQ(Thumb(IDC_WIDTH_SLIDER), 2);  // the thumb stays where it was dragged

    Scroll(IDC_WIDTH_SLIDER, TB_THUMBTRACK, 1);  // just below 1: written as 0
    EXPECT_EQ(view.notices[2].width, 1u);          // stored as 1 by the edit's apply
    EXPECT_EQ(doc->m_width, 1u);
    EXPECT_EQ(Text(IDC_WIDTH), L"1");
    EXPECT_EQ(Thumb(IDC_WIDTH_SLIDER), 1);
    EXPECT_EQ(Applies(), 4u);
}

TEST_F(ParamTrackbar, EmptyFileNeitherDividesByZeroNorFails) {
    Open(0);
    EXPECT_EQ(doc->m_width, 0u);
    EXPECT_EQ(UpDownHigh(IDC_OFFSET_SPIN), 0);
    EXPECT_EQ(Send(IDC_WIDTH_SLIDER, TBM_GETRANGEMAX), 0);
    Type(IDC_WIDTH, L"300");
    EXPECT_EQ(view.notices.back().width, 300u);
    Scroll(IDC_WIDTH_SLIDER, TB_THUMBTRACK, 1);  // an empty file: width 0, stored as 1
    EXPECT_EQ(doc->m_width, 1u);
    Scroll(IDC_HEIGHT_SLIDER, TB_LINEDOWN);
    EXPECT_EQ(doc->m_height, 1u);
    Type(IDC_HEIGHT, L"4294967295");
    EXPECT_EQ(doc->m_height, 4294967295u);
    EXPECT_EQ(Applies(), 6u);
}

TEST_F(ParamTrackbar, FilesBeyondTwoGigabytesStopAtTheLargestWidth) {
    const int64_t fiveGiB = int64_t{5} << 30;
    Open(fiveGiB);
    EXPECT_EQ(UpDownHigh(IDC_WIDTH_SPIN), 2147483647);
    EXPECT_EQ(Send(IDC_WIDTH_SLIDER, TBM_GETRANGEMAX), 32767);
    Scroll(IDC_WIDTH_SLIDER, TB_THUMBTRACK, 8192);
    EXPECT_EQ(doc->m_width, 1342218241u);
    Scroll(IDC_WIDTH_SLIDER, TB_THUMBTRACK, 32767);  // the whole file, not its low 32 bits
    EXPECT_EQ(doc->m_width, 2147483647u);
    EXPECT_EQ(Thumb(IDC_WIDTH_SLIDER), 32767);
    Click(IDC_INVERT_Y);  // any other change places the thumb by the number
    EXPECT_EQ(Thumb(IDC_WIDTH_SLIDER), 13106);
}

// Keys on a file of 1 MiB, 32.001 bytes to a step: each moves the thumb, and the number with
// it, the key's way, and the key's release changes nothing. A number a step's fraction below
// the next position's (640 at 19.9997, where 20 stands for 640.02) goes on to the one after.
TEST_F(ParamTrackbar, KeysMoveTheThumbAndTheNumberTheirWay) {
    Open(1048576);
    ASSERT_EQ(doc->m_width, 640u);
    ASSERT_EQ(Thumb(IDC_WIDTH_SLIDER), 19);
    ASSERT_EQ(Send(IDC_WIDTH_SLIDER, TBM_GETPAGESIZE), 6553);  // a fifth of the range
    struct Step {
        int edit;  // typed into first when `typed` is given; its trackbar then gets the key
        const wchar_t* typed;
        UINT key;
        int thumb;
        uint32_t number;
    };
    const Step steps[] = {
        {IDC_WIDTH, nullptr, VK_RIGHT, 21, 672},
        {IDC_WIDTH, nullptr, VK_RIGHT, 22, 704},
        {IDC_WIDTH, nullptr, VK_LEFT, 21, 672},
        {IDC_WIDTH, nullptr, VK_NEXT, 6574, 210374},
        {IDC_WIDTH, nullptr, VK_PRIOR, 21, 672},
        {IDC_WIDTH, nullptr, VK_END, 32767, 1048576},
        {IDC_WIDTH, nullptr, VK_HOME, 1, 32},
        {IDC_WIDTH, nullptr, VK_DOWN, 2, 64},
        {IDC_WIDTH, nullptr, VK_UP, 1, 32},
        {IDC_WIDTH, L"672", VK_RIGHT, 22, 704},  // at 20.9997
        {IDC_WIDTH, L"673", VK_LEFT, 20, 640},   // at 21.03
        {IDC_HEIGHT, nullptr, VK_RIGHT, 17, 544},  // the default 512, at 15.9998
        {IDC_HEIGHT, L"544", VK_RIGHT, 18, 576},
        {IDC_HEIGHT, L"545", VK_LEFT, 16, 512},
    };
    for (const Step& step : steps) {
        const bool width = step.edit == IDC_WIDTH;
        const int trackbar = width ? IDC_WIDTH_SLIDER : IDC_HEIGHT_SLIDER;
        if (step.typed != nullptr) Type(step.edit, step.typed);
        FocusByTab(trackbar);
        const size_t applies = Applies();
        PressKey(step.key);
        SCOPED_TRACE(testing::Message() << "after key " << step.key << " on " << trackbar);
        EXPECT_EQ(Thumb(trackbar), step.thumb);
        EXPECT_EQ(width ? doc->m_width : doc->m_height, step.number);
        EXPECT_EQ(Text(step.edit), std::to_wstring(step.number));
        EXPECT_EQ(Applies(), applies + 2);
    }
    EXPECT_EQ(doc->m_width, 640u);
}

// A drag with the mouse lands on the number it showed while the thumb moved.
TEST_F(ParamTrackbar, DragLandsOnTheNumberItShowed) {
    Open(1048576);
    const HWND trackbar = dlg.GetDlgItem(IDC_WIDTH_SLIDER);
    RECT thumb{};
    Send(IDC_WIDTH_SLIDER, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    const int y = (thumb.top + thumb.bottom) / 2;
    int x = (thumb.left + thumb.right) / 2;
    ::PostMessageW(trackbar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PumpThroughDialog(dlg);

    uint32_t shown = doc->m_width;
    int position = Thumb(IDC_WIDTH_SLIDER);
    for (int move = 0; move < 3; ++move) {
        x += 7;
        ::PostMessageW(trackbar, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y));
        PumpThroughDialog(dlg);
        SCOPED_TRACE(testing::Message() << "move " << move);
        EXPECT_GT(Thumb(IDC_WIDTH_SLIDER), position);
        EXPECT_GT(doc->m_width, shown);
        position = Thumb(IDC_WIDTH_SLIDER);
        shown = doc->m_width;
        EXPECT_EQ(Text(IDC_WIDTH), std::to_wstring(shown));
    }
    const size_t applies = Applies();
    ::PostMessageW(trackbar, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    PumpThroughDialog(dlg);
    EXPECT_EQ(Applies(), applies + 2);  // the release's position; its end of tracking none
    EXPECT_EQ(Thumb(IDC_WIDTH_SLIDER), position);
    EXPECT_EQ(doc->m_width, shown);
    EXPECT_EQ(Text(IDC_WIDTH), std::to_wstring(shown));
}
