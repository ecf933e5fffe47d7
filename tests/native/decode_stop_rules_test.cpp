// Where a decode starts and stops: offsets, unknown formats, the end of the file, line
// pads, the last row, and the file position left by earlier decodes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "decode/decoder.h"
#include "tests/native/decode_test_support.h"

namespace {

bool AllZero(const Bytes& pixels) {
    return std::all_of(pixels.begin(), pixels.end(), [](uint8_t b) { return b == 0; });
}

const PixelFormat kAllFormats[] = {Depth1, Depth4, Depth8, Depth16, Depth24, Depth32, DepthDXT1};

TEST(DecodeStops, OffsetsOutsideTheFileLeaveThePictureBlack) {
    const Bytes bytes(64, 0xFF);
    const int32_t offsets[] = {64, 65, INT32_MAX, -1, -64, INT32_MIN};
    const TempFile file(bytes);
    const auto doc = file.Open();
    for (PixelFormat depth : kAllFormats) {
        for (int32_t offset : offsets) {
            DocParams p = PictureParams(depth, 8, 8);
            p.offset = offset;
            ApplyParams(p, *doc);
            EXPECT_TRUE(AllZero(Decode(*doc))) << "depth " << depth << " offset " << offset;
        }
    }
}

TEST(DecodeStops, UnknownFormatsLeaveThePictureBlack) {
    const TempFile file(Bytes(64, 0xFF));
    const auto doc = file.Open();
    for (uint32_t depth : {7u, 8u, 255u, 0x80000000u, UINT32_MAX}) {
        ApplyParams(PictureParams(static_cast<PixelFormat>(depth), 4, 4), *doc);
        EXPECT_TRUE(AllZero(Decode(*doc))) << depth;
    }
}

TEST(DecodeStops, EmptyPictureWritesNothing) {
    const TempFile file(Bytes(64, 0xFF));
    const auto doc = file.Open();
    for (PixelFormat depth : kAllFormats) {
        for (uint32_t w : {0u, 5u}) {
            ApplyParams(PictureParams(depth, w, w == 0 ? 5 : 0), *doc);
            Bytes sentinel(64, 0xAB);
            DecodePixels(*doc, sentinel.data());
            EXPECT_EQ(sentinel, Bytes(64, 0xAB)) << "depth " << depth << " width " << w;
        }
    }
}

TEST(DecodeStops, PartialLastUnitIsNotShown) {
    struct Case {
        PixelFormat depth;
        size_t fileBytes;
        uint32_t shownPixels;
    };
    const Case cases[] = {
        {Depth16, 7, 3}, {Depth24, 8, 2}, {Depth32, 11, 2}, {Depth8, 5, 5}, {Depth4, 3, 6},
    };
    for (const Case& c : cases) {
        const Bytes pixels = DecodeBytes(Bytes(c.fileBytes, 0xFF), PictureParams(c.depth, 16, 1));
        for (uint32_t x = 0; x < 16; ++x) {
            EXPECT_EQ(PixelAt(pixels, 16, x, 0) != 0, x < c.shownPixels)
                << "depth " << c.depth << " x " << x;
        }
    }
}

TEST(DecodeStops, RowsTheFileDoesNotReachStayBlack) {
    DocParams p = PictureParams(Depth8, 4, 3);
    const Bytes pixels = DecodeBytes(Bytes(6, 0xFF), p);
    // Top row complete, the next one half, the bottom one untouched.
    EXPECT_EQ(pixels,
              (Bytes{0,   0,   0,   0, 0,   0,   0,   0, 0,   0,   0,   0, 0,   0,   0,   0,
                     255, 255, 255, 0, 255, 255, 255, 0, 0,   0,   0,   0, 0,   0,   0,   0,
                     255, 255, 255, 0, 255, 255, 255, 0, 255, 255, 255, 0, 255, 255, 255, 0}));
}

TEST(DecodeStops, LinePadPastTheEndEndsTheDecode) {
    DocParams p = PictureParams(Depth8, 2, 3);
    p.linePad = 100;
    const Bytes pixels = DecodeBytes(CountingBytes(50), p);
    EXPECT_EQ(PixelAt(pixels, 2, 1, 2), 0x010101u);
    EXPECT_TRUE(AllZero(Bytes(pixels.begin(), pixels.begin() + 16)));
}

TEST(DecodeStops, LinePadEndingExactlyAtTheEndEndsTheDecode) {
    DocParams p = PictureParams(Depth8, 2, 2);
    p.linePad = 2;
    const Bytes pixels = DecodeBytes(Bytes(4, 0xFF), p);
    EXPECT_NE(PixelAt(pixels, 2, 0, 1), 0u);
    EXPECT_EQ(PixelAt(pixels, 2, 0, 0), 0u);
}

TEST(DecodeStops, LastRowEndsTheDecodeWhateverFollows) {
    // A buffer of exactly one row: a decode that went on would write past it.
    for (PixelFormat depth : {Depth1, Depth4, Depth8, Depth16, Depth24, Depth32}) {
        const Bytes pixels = DecodeBytes(Bytes(256, 0xFF), PictureParams(depth, 3, 1));
        EXPECT_EQ(pixels.size(), 12u);
        EXPECT_NE(PixelAt(pixels, 3, 2, 0), 0u) << depth;
    }
}

TEST(DecodeStarts, FarLinePadsSkipToTheRightBytes) {
    const size_t size = 300000;
    DocParams p = PictureParams(Depth8, 1, 3);
    p.linePad = 140000;
    const Bytes bytes = CountingBytes(size);
    const Bytes pixels = DecodeBytes(bytes, p);
    EXPECT_EQ(PixelAt(pixels, 1, 0, 2), 0u);
    EXPECT_EQ(PixelAt(pixels, 1, 0, 1), 0x010101u * bytes[140001]);
    EXPECT_EQ(PixelAt(pixels, 1, 0, 0), 0x010101u * bytes[280002]);
}

TEST(DecodeStarts, EveryDecodeSeeksAfreshAndGivesTheSamePicture) {
    const TempFile file(CountingBytes(1000));
    const auto doc = file.Open();
    DocParams p = PictureParams(Depth16, 7, 5);
    p.offset = 3;
    p.linePad = 11;
    ApplyParams(p, *doc);
    const Bytes first = Decode(*doc);
    ASSERT_FALSE(AllZero(first));
    ASSERT_TRUE(fileops::SeekFromStart(doc->m_hFile, 777));
    EXPECT_EQ(Decode(*doc), first);
    p.offset = 2000;  // a decode that stops at once leaves the position anywhere
    ApplyParams(p, *doc);
    EXPECT_TRUE(AllZero(Decode(*doc)));
    p.offset = 3;
    ApplyParams(p, *doc);
    EXPECT_EQ(Decode(*doc), first);
}

TEST(DecodeStarts, SmallPictureDoesNotReadALargeFileToTheEnd) {
    const size_t size = 8 << 20;
    const TempFile file(Bytes(size, 0x55));
    const auto doc = file.Open();
    for (PixelFormat depth : kAllFormats) {
        ApplyParams(PictureParams(depth, 8, 8), *doc);
        Decode(*doc);
        EXPECT_LT(CurrentFilePosition(doc->m_hFile), int64_t{1} << 20) << depth;
    }
}

}  // namespace
