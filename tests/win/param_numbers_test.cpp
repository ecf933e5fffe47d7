// How the Parameters dialog reads typed numbers and scales its trackbars, without windows.
#include <gtest/gtest.h>

#include "params/param_numbers.h"

TEST(ParamNumbers, UnsignedReadTakesDigitsAfterBlanksUpToTheFirstOther) {
    EXPECT_EQ(ParseUnsignedNumber(L"640"), 640u);
    EXPECT_EQ(ParseUnsignedNumber(L" \t 12abc"), 12u);
    EXPECT_EQ(ParseUnsignedNumber(L"12 34"), 12u);
    EXPECT_EQ(ParseUnsignedNumber(L"000000000000000000000007"), 7u);
    EXPECT_EQ(ParseUnsignedNumber(L"4294967295"), 4294967295u);
    EXPECT_EQ(ParseUnsignedNumber(L"4294967296"), 0u);
    EXPECT_EQ(ParseUnsignedNumber(L"99999999999999999999999999"), 0u);
    EXPECT_EQ(ParseUnsignedNumber(L"-5"), 0u);
    EXPECT_EQ(ParseUnsignedNumber(L"+5"), 0u);
    EXPECT_EQ(ParseUnsignedNumber(L""), 0u);
    EXPECT_EQ(ParseUnsignedNumber(L"abc"), 0u);
}

TEST(ParamNumbers, SignedReadTakesOneMinusAndTheSigned32BitRange) {
    EXPECT_EQ(ParseSignedNumber(L"-1"), -1);
    EXPECT_EQ(ParseSignedNumber(L"  -300x"), -300);
    EXPECT_EQ(ParseSignedNumber(L"2147483647"), 2147483647);
    EXPECT_EQ(ParseSignedNumber(L"2147483648"), 0);
    EXPECT_EQ(ParseSignedNumber(L"-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseSignedNumber(L"-2147483649"), 0);
    EXPECT_EQ(ParseSignedNumber(L"3000000000"), 0);
    EXPECT_EQ(ParseSignedNumber(L"-0"), 0);
    EXPECT_EQ(ParseSignedNumber(L"- 5"), 0);
    EXPECT_EQ(ParseSignedNumber(L"--5"), 0);
    EXPECT_EQ(ParseSignedNumber(L"-"), 0);
}

TEST(ParamTrackbarScale, PositionsAndValues) {
    EXPECT_EQ(TrackbarPosition(640, 1000), 640);
    EXPECT_EQ(TrackbarPosition(512, 1048576), 15);
    EXPECT_EQ(TrackbarPosition(0, 1000), 1);
    EXPECT_EQ(TrackbarPosition(4294967295u, 1000), 1000);
    EXPECT_EQ(TrackbarPosition(4294967295u, 1), 1);
    EXPECT_EQ(TrackbarPosition(40, 0), 1);
    EXPECT_EQ(TrackbarPosition(40, -1), 1);

    EXPECT_EQ(TrackbarValue(16384, 1048576), 524304u);
    EXPECT_EQ(TrackbarValue(2, 49), 1u);
    EXPECT_EQ(TrackbarValue(1, 49), 0u);
    EXPECT_EQ(TrackbarValue(49, 49), 49u);
    EXPECT_EQ(TrackbarValue(65535, 1), 65535u);  // a thumb report beyond the range
    EXPECT_EQ(TrackbarValue(7, 0), 0u);
    EXPECT_EQ(TrackbarValue(32767, int64_t{1} << 62), 2147483647u);

    EXPECT_EQ(UpDownLimit(int64_t{1} << 40), 2147483647);
    EXPECT_EQ(UpDownLimit(1000), 1000);
    EXPECT_EQ(TrackbarLimit(1048576), 32767);
    EXPECT_EQ(TrackbarLimit(0), 0);
}
