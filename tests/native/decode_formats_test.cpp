// Pixel formats Depth1 to Depth32, their options, the pixel buffer and the field
// conversion, on small hand-made files.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "decode/decoder.h"
#include "tests/native/decode_test_support.h"

namespace {

constexpr uint32_t kWhite = 0x00FFFFFF;

uint32_t Grey(uint32_t level) {
    return level * 0x010101u;
}
uint32_t Bgr(uint32_t blue, uint32_t green, uint32_t red) {
    return blue | green << 8 | red << 16;
}

// The picture's rows top to bottom, each as its pixels left to right.
using Rows = std::vector<std::vector<uint32_t>>;

Rows RowsTopDown(const Bytes& pixels, uint32_t width, uint32_t height) {
    Rows rows;
    for (uint32_t r = height; r-- > 0;) {
        std::vector<uint32_t> row;
        for (uint32_t x = 0; x < width; ++x) row.push_back(PixelAt(pixels, width, x, r));
        rows.push_back(row);
    }
    return rows;
}

Rows Picture(const Bytes& bytes, const DocParams& params) {
    return RowsTopDown(DecodeBytes(bytes, params), params.width, params.height);
}

TEST(PixelBufferBytes, IsFourBytesAPixelOrFailsWhenTooLarge) {
    size_t bytes = 1;
    ASSERT_TRUE(PixelBufferBytes(0, 0, bytes));
    EXPECT_EQ(bytes, 0u);
    ASSERT_TRUE(PixelBufferBytes(UINT32_MAX, 0, bytes));
    EXPECT_EQ(bytes, 0u);
    ASSERT_TRUE(PixelBufferBytes(3, 2, bytes));
    EXPECT_EQ(bytes, 24u);
    EXPECT_FALSE(PixelBufferBytes(UINT32_MAX, UINT32_MAX, bytes));
    const bool wide = sizeof(size_t) >= 8;
    EXPECT_EQ(PixelBufferBytes(65536, 16384, bytes), wide);  // 2^32 bytes
    EXPECT_EQ(PixelBufferBytes(UINT32_MAX, 1, bytes), wide);
    if (wide) {
        EXPECT_EQ(bytes, uint64_t{UINT32_MAX} * 4);
    }
    ASSERT_TRUE(PixelBufferBytes(32768, 32767, bytes));  // just under 2^32 bytes
    EXPECT_EQ(bytes, size_t{32768} * 32767 * 4);
}

struct UnpackCase {
    uint8_t bits[3];
    uint8_t shift[3];
    uint32_t v;
    uint32_t red, green, blue;
};

TEST(UnpackFields, PlacesEachFieldAtTheTopOfItsByte) {
    const UnpackCase cases[] = {
        {{5, 6, 5}, {11, 5, 0}, 0xF800, 248, 0, 0},
        {{5, 6, 5}, {11, 5, 0}, 0x07E0, 0, 252, 0},
        {{5, 6, 5}, {11, 5, 0}, 0xFFFF, 248, 252, 248},
        {{5, 6, 5}, {0, 5, 11}, 0xF800, 0, 0, 248},
        {{5, 5, 5}, {10, 5, 0}, 0x7FFF, 248, 248, 248},
        {{4, 4, 4}, {8, 4, 0}, 0x0F1E, 240, 16, 224},
        {{8, 8, 0}, {8, 0, 0}, 0xABCD, 0xAB, 0xCD, 0},
        {{1, 2, 3}, {15, 13, 10}, 0xFFFF, 128, 192, 224},
        {{0, 0, 0}, {0, 0, 0}, 0xFFFF, 0, 0, 0},
        // Fields wider than 8 bits keep their top 8 bits.
        {{9, 16, 12}, {0, 0, 4}, 0xABCD, 0xE6, 0xAB, 0xAB},
        // A field of 32 bits or more is the whole shifted value.
        {{32, 40, 255}, {0, 8, 0}, 0xABCD, 0, 0, 0},
        {{32, 12, 17}, {0, 0, 1}, 0xFFFF, 0, 0xFF, 0x3F},
        // A shift of 32 or more gives 0.
        {{8, 8, 8}, {32, 255, 31}, 0xFFFF, 0, 0, 0},
        {{8, 8, 8}, {16, 15, 4}, 0xFFFF, 0, 1, 0xFF},
    };
    for (const UnpackCase& c : cases) {
        const TempFile file(Bytes{});
        const auto doc = file.Open();
        for (int ch = 0; ch < 3; ++ch) {
            doc->m_bits[ch] = c.bits[ch];
            doc->m_shift[ch] = c.shift[ch];
        }
        const uint32_t p = UnpackFields(*doc, c.v);
        EXPECT_EQ(p, c.red | c.green << 8 | c.blue << 16)
            << "bits " << +c.bits[0] << "," << +c.bits[1] << "," << +c.bits[2] << " shifts "
            << +c.shift[0] << "," << +c.shift[1] << "," << +c.shift[2] << " v " << c.v;
    }
}

TEST(Depth8, LinePadSkipsBytesBetweenRows) {
    DocParams p = PictureParams(Depth8, 3, 2);
    p.linePad = 2;
    EXPECT_EQ(Picture(CountingBytes(16), p),
              (Rows{{Grey(0), Grey(1), Grey(2)}, {Grey(5), Grey(6), Grey(7)}}));
    p.invertY = true;
    EXPECT_EQ(Picture(CountingBytes(16), p),
              (Rows{{Grey(5), Grey(6), Grey(7)}, {Grey(0), Grey(1), Grey(2)}}));
}

TEST(Depth8, OffsetSelectsTheFirstByte) {
    DocParams p = PictureParams(Depth8, 2, 2);
    p.offset = 5;
    EXPECT_EQ(Picture(CountingBytes(16), p), (Rows{{Grey(5), Grey(6)}, {Grey(7), Grey(8)}}));
}

struct OneByteCase {
    uint8_t byte;
    bool bigEndian;
    bool swapField;
    int whitePixel;  // the only white pixel of the eight, or -1
};

TEST(Depth1, BitOrderFollowsBigEndianAndSwapField) {
    const OneByteCase cases[] = {
        {0x01, false, false, 0}, {0x01, true, false, 7},   {0x10, false, true, 0},
        {0x01, false, true, 4},  {0x80, true, false, 0},   {0x08, true, true, 0},
        {0x80, true, true, 4},   {0x00, false, false, -1},
    };
    for (const OneByteCase& c : cases) {
        DocParams p = PictureParams(Depth1, 8, 1);
        p.bigEndian = c.bigEndian;
        p.swapField = c.swapField;
        std::vector<uint32_t> expected(8, 0);
        if (c.whitePixel >= 0) expected[c.whitePixel] = kWhite;
        EXPECT_EQ(Picture(Bytes{c.byte}, p), Rows{expected})
            << int{c.byte} << " big endian " << c.bigEndian << " swap " << c.swapField;
    }
}

TEST(Depth1, RowOfTenPixelsTakesTwoBytesAndDropsTheRest) {
    DocParams p = PictureParams(Depth1, 10, 2);
    const Rows expected{
        {kWhite, 0, 0, 0, 0, 0, 0, 0, kWhite, kWhite},
        {0, kWhite, 0, 0, 0, 0, 0, 0, 0, 0},
    };
    EXPECT_EQ(Picture(Bytes{0x01, 0xFF, 0x02, 0xFC}, p), expected);
}

TEST(Depth1, WidthFourPacksTwoRowsInAByteAndIgnoresLinePad) {
    DocParams p = PictureParams(Depth1, 4, 4);
    p.linePad = 1;
    const std::vector<uint32_t> white(4, kWhite), black(4, 0);
    const std::vector<uint32_t> firstOnly{kWhite, 0, 0, 0};
    EXPECT_EQ(Picture(Bytes{0x0F, 0x10}, p), (Rows{white, black, black, firstOnly}));
    p.swapField = true;
    EXPECT_EQ(Picture(Bytes{0x0F, 0x10}, p), (Rows{black, white, firstOnly, black}));
    p.invertY = true;
    EXPECT_EQ(Picture(Bytes{0x0F, 0x10}, p), (Rows{black, firstOnly, white, black}));
}

TEST(Depth1, WidthFourWithOddHeightStopsAfterTheFirstHalfOfAByte) {
    DocParams p = PictureParams(Depth1, 4, 3);
    const std::vector<uint32_t> white(4, kWhite), black(4, 0);
    EXPECT_EQ(Picture(Bytes{0xF0, 0xFF, 0xFF}, p), (Rows{black, white, white}));
}

TEST(Depth4, NibbleOrderFollowsBigEndian) {
    DocParams p = PictureParams(Depth4, 2, 1);
    EXPECT_EQ(Picture(Bytes{0x3A}, p), (Rows{{Grey(0xAA), Grey(0x33)}}));
    p.bigEndian = true;
    EXPECT_EQ(Picture(Bytes{0x3A}, p), (Rows{{Grey(0x33), Grey(0xAA)}}));
    p.swapField = true;
    EXPECT_EQ(Picture(Bytes{0x3A}, p), (Rows{{Grey(0x33), Grey(0xAA)}}));
}

TEST(Depth4, OddWidthDropsTheLastNibbleOfARow) {
    DocParams p = PictureParams(Depth4, 3, 2);
    EXPECT_EQ(Picture(Bytes{0x10, 0xF2, 0x43, 0x05}, p),
              (Rows{{Grey(0), Grey(17), Grey(34)}, {Grey(51), Grey(68), Grey(85)}}));
}

TEST(Depth16, FieldsAndByteOrder) {
    DocParams p = PictureParams(Depth16, 3, 1);
    p.shift[ChannelR] = 11;
    p.shift[ChannelG] = 5;
    p.shift[ChannelB] = 0;
    const Bytes bytes{0x00, 0xF8, 0xE0, 0x07, 0xFF, 0xFF};
    EXPECT_EQ(Picture(bytes, p), (Rows{{Bgr(0, 0, 248), Bgr(0, 252, 0), Bgr(248, 252, 248)}}));
    p.bigEndian = true;
    EXPECT_EQ(Picture(Bytes{0xF8, 0x00, 0x07, 0xE0, 0xFF, 0xFF}, p),
              (Rows{{Bgr(0, 0, 248), Bgr(0, 252, 0), Bgr(248, 252, 248)}}));
    p.bigEndian = false;
    p.shift[ChannelR] = 0;
    p.shift[ChannelB] = 11;
    p.width = 1;
    EXPECT_EQ(Picture(Bytes{0x00, 0xF8}, p), (Rows{{Bgr(248, 0, 0)}}));
}

TEST(Depth24, ShiftsSelectTheBytes) {
    DocParams p = PictureParams(Depth24, 1, 1);
    const Bytes bytes{0x10, 0x20, 0x30};
    EXPECT_EQ(DecodeBytes(bytes, p), (Bytes{0x30, 0x20, 0x10, 0}));
    p.shift[ChannelR] = 16;
    p.shift[ChannelB] = 0;
    EXPECT_EQ(DecodeBytes(bytes, p), (Bytes{0x10, 0x20, 0x30, 0}));
    // Shifts between byte lanes take bits of two bytes.
    p.shift[ChannelR] = 4;
    p.shift[ChannelG] = 12;
    p.shift[ChannelB] = 20;
    EXPECT_EQ(DecodeBytes(bytes, p), (Bytes{0x03, 0x02, 0x01, 0}));
}

TEST(Depth24, HasNothingAboveItsThreeBytes) {
    DocParams p = PictureParams(Depth24, 2, 1);
    p.shift[ChannelR] = 24;
    p.shift[ChannelG] = 20;
    p.shift[ChannelB] = 255;
    EXPECT_EQ(DecodeBytes(Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, p),
              (Bytes{0, 0x0F, 0, 0, 0, 0x0F, 0, 0}));
}

TEST(Depth32, FourthByteShowsOnlyWhenAShiftAsksForIt) {
    DocParams p = PictureParams(Depth32, 2, 1);
    const Bytes bytes{1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(DecodeBytes(bytes, p), (Bytes{3, 2, 1, 0, 7, 6, 5, 0}));
    p.shift[ChannelR] = 24;
    p.shift[ChannelG] = 32;
    p.shift[ChannelB] = 28;
    EXPECT_EQ(DecodeBytes(bytes, p), (Bytes{0, 0, 4, 0, 0, 0, 8, 0}));
}

}  // namespace
