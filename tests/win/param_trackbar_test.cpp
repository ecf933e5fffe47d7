// The width and height trackbars span the whole file: their positions and what a drag sets.
#include <gtest/gtest.h>


#include "tests/win/param_test_support.h"

using ParamTrackbar = ParamDialogTest;

TEST_F(ParamTrackbar, SmallFileMapsOnePositionToOneByte) {
    Open(1000);
    EXPECT_EQ(Send(IDC_WIDTH_SLIDER, TBM_GETRANGEMAX), 1000);
    Scroll(IDC_WIDTH_SLIDER, TB_THUMBTRACK, 300);
    EXPECT_EQ(doc->m_width, 300u);
    EXPECT_EQ(Text(IDC_WIDTH), L"300");
    EXPECT_EQ(Applies(), 2u);  // the edit's own change, then the trackbar's

    // Steps and the end of a drag take the trackbar's own position.
    Send(IDC_HEIGHT_SLIDER, TBM_SETPOS, TRUE, 250);
    Scroll(IDC_HEIGHT_SLIDER, TB_ENDTRACK, 999);
    EXPECT_EQ(doc->m_height, 250u);
    Scroll(IDC_HEIGHT_SLIDER, TB_THUMBPOSITION, 20);
    EXPECT_EQ(doc->m_height, 20u);
    EXPECT_EQ(Send(IDC_HEIGHT_SLIDER, TBM_GETPOS), 20);
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
    EXPECT_EQ(Send(IDC_WIDTH_SLIDER, TBM_GETPOS), 16383);  // 524304 shown is 16383.99
}

TEST_F(ParamTrackbar, FortyNineByteFileRoundsDown) {
    Open(49);
    Scroll(IDC_WIDTH_SLIDER, TB_THUMBTRACK, 2);  // 49 * (2 / 49) is just below 2
    EXPECT_EQ(Text(IDC_WIDTH), L"1");
    EXPECT_EQ(doc->m_width, 1u);
    EXPECT_EQ(Send(IDC_WIDTH_SLIDER, TBM_GETPOS), 1);

    Scroll(IDC_WIDTH_SLIDER, TB_THUMBTRACK, 1);  // just below 1: written as 0
    EXPECT_EQ(view.notices[2].width, 1u);          // stored as 1 by the edit's apply
    EXPECT_EQ(doc->m_width, 1u);
    EXPECT_EQ(Text(IDC_WIDTH), L"1");
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
    EXPECT_EQ(Send(IDC_WIDTH_SLIDER, TBM_GETPOS), 13106);
}
