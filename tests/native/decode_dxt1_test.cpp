// DXT1 blocks: palettes, placement in the picture, Invert Y, clipping and byte order.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "decode/decoder.h"
#include "decode/dxt1.h"
#include "tests/native/decode_test_support.h"

namespace {

uint32_t Bgra(uint32_t blue, uint32_t green, uint32_t red, uint32_t fourth) {
    return blue | green << 8 | red << 16 | fourth << 24;
}

// A block in file order, endpoints little endian.
Bytes Block(uint16_t c0, uint16_t c1, uint8_t r0, uint8_t r1, uint8_t r2, uint8_t r3) {
    return {static_cast<uint8_t>(c0),
            static_cast<uint8_t>(c0 >> 8),
            static_cast<uint8_t>(c1),
            static_cast<uint8_t>(c1 >> 8),
            r0,
            r1,
            r2,
            r3};
}
Bytes SolidBlock(uint16_t colour) {
    return Block(colour, colour, 0, 0, 0, 0);
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// The published r5g6b5 layout.
DocParams Dxt1Params(uint32_t width, uint32_t height) {
    DocParams params = PictureParams(DepthDXT1, width, height);
    params.shift[ChannelR] = 11;
    params.shift[ChannelG] = 5;
    params.shift[ChannelB] = 0;
    return params;
}

// Row `dataRow` counted from the top of the picture.
std::vector<uint32_t> TopRow(const Bytes& pixels, const DocParams& p, uint32_t dataRow) {
    std::vector<uint32_t> row;
    for (uint32_t x = 0; x < p.width; ++x) {
        row.push_back(PixelAt(pixels, p.width, x, p.height - 1 - dataRow));
    }
    return row;
}

constexpr uint16_t kRed = 0xF800, kGreen = 0x07E0, kBlue = 0x001F;
const uint32_t kRedPixel = Bgra(0, 0, 248, 255), kGreenPixel = Bgra(0, 252, 0, 255),
               kBluePixel = Bgra(248, 0, 0, 255);

struct PaletteCase {
    const char* name;
    Bytes endpoints;  // four bytes in file order
    bool bigEndian;
    uint32_t entries[4];
};

TEST(Dxt1, PaletteFromEndpoints) {
    const PaletteCase cases[] = {
        {"four colours",
         {0xFF, 0xFF, 0x00, 0x00},
         false,
         {Bgra(248, 252, 248, 255), Bgra(0, 0, 0, 255), Bgra(165, 168, 165, 255),
          Bgra(82, 84, 82, 255)}},
        {"three colours",
         {0x00, 0x00, 0xFF, 0xFF},
         false,
         {Bgra(0, 0, 0, 255), Bgra(248, 252, 248, 255), Bgra(124, 126, 124, 255),
          Bgra(255, 255, 255, 0)}},
        {"equal endpoints",
         {0x34, 0x12, 0x34, 0x12},
         false,
         {Bgra(160, 68, 16, 255), Bgra(160, 68, 16, 255), Bgra(160, 68, 16, 255),
          Bgra(255, 255, 255, 0)}},
        {"big endian compare, four colours",
         {0x01, 0x00, 0x00, 0xFF},
         true,
         {Bgra(0, 32, 0, 255), Bgra(248, 28, 0, 255), Bgra(82, 30, 0, 255), Bgra(165, 29, 0, 255)}},
        {"same bytes little endian, three colours",
         {0x01, 0x00, 0x00, 0xFF},
         false,
         {Bgra(8, 0, 0, 255), Bgra(0, 224, 248, 255), Bgra(4, 112, 124, 255),
          Bgra(255, 255, 255, 0)}},
        {"big endian endpoint",
         {0xF8, 0x00, 0x00, 0x00},
         true,
         {kRedPixel, Bgra(0, 0, 0, 255), Bgra(0, 0, 165, 255), Bgra(0, 0, 82, 255)}},
    };
    for (const PaletteCase& c : cases) {
        DocParams p = Dxt1Params(4, 1);
        p.bigEndian = c.bigEndian;
        Bytes block = c.endpoints;
        block.insert(block.end(), {0xE4, 0xE4, 0xE4, 0xE4});
        const Bytes pixels = DecodeBytes(block, p);
        EXPECT_EQ(TopRow(pixels, p, 0), std::vector<uint32_t>(c.entries, c.entries + 4)) << c.name;
    }
}

TEST(Dxt1, IndicesPickEntriesPerPixelAndRow) {
    const DocParams p = Dxt1Params(4, 4);
    const Bytes pixels = DecodeBytes(Block(kRed, kGreen, 0xE4, 0x1B, 0x00, 0x55), p);
    const uint32_t mixA = Bgra(0, 84, 165, 255), mixB = Bgra(0, 168, 82, 255);
    EXPECT_EQ(TopRow(pixels, p, 0), (std::vector<uint32_t>{kRedPixel, kGreenPixel, mixA, mixB}));
    EXPECT_EQ(TopRow(pixels, p, 1), (std::vector<uint32_t>{mixB, mixA, kGreenPixel, kRedPixel}));
    EXPECT_EQ(TopRow(pixels, p, 2), std::vector<uint32_t>(4, kRedPixel));
    EXPECT_EQ(TopRow(pixels, p, 3), std::vector<uint32_t>(4, kGreenPixel));
}

TEST(Dxt1, NarrowPictureClipsTheLastBlockOfARow) {
    const DocParams p = Dxt1Params(5, 4);
    const Bytes pixels =
        DecodeBytes(Concat({SolidBlock(kRed), SolidBlock(kGreen), SolidBlock(kBlue)}), p);
    for (uint32_t row = 0; row < 4; ++row) {
        EXPECT_EQ(TopRow(pixels, p, row),
                  (std::vector<uint32_t>{kRedPixel, kRedPixel, kRedPixel, kRedPixel, kGreenPixel}));
    }
}

TEST(Dxt1, LastBlockRowWritesOnlyTheRowsInsideThePicture) {
    DocParams p = Dxt1Params(4, 6);
    const Bytes file = Concat({SolidBlock(kRed), SolidBlock(kGreen), SolidBlock(kBlue)});
    Bytes pixels = DecodeBytes(file, p);
    for (uint32_t row = 0; row < 6; ++row) {
        EXPECT_EQ(TopRow(pixels, p, row),
                  std::vector<uint32_t>(4, row < 4 ? kRedPixel : kGreenPixel))
            << row;
    }
    p.invertY = true;
    pixels = DecodeBytes(file, p);
    for (uint32_t bufferRow = 0; bufferRow < 6; ++bufferRow) {
        EXPECT_EQ(PixelAt(pixels, 4, 3, bufferRow), bufferRow < 4 ? kRedPixel : kGreenPixel)
            << bufferRow;
    }
}

TEST(Dxt1, InvertYMirrorsTheDataRows) {
    DocParams p = Dxt1Params(4, 4);
    const Bytes block = Block(kRed, kGreen, 0x00, 0x55, 0x00, 0x55);
    const Bytes upright = DecodeBytes(block, p);
    p.invertY = true;
    const Bytes inverted = DecodeBytes(block, p);
    for (uint32_t row = 0; row < 4; ++row) {
        EXPECT_EQ(TopRow(upright, p, row), TopRow(inverted, p, 3 - row)) << row;
    }
    EXPECT_EQ(PixelAt(inverted, 4, 0, 0), kRedPixel);
}

TEST(Dxt1, BlocksAfterThePictureChangeNothing) {
    const DocParams p = Dxt1Params(4, 4);
    const Bytes one = DecodeBytes(SolidBlock(kRed), p);
    EXPECT_EQ(DecodeBytes(Concat({SolidBlock(kRed), SolidBlock(kGreen), SolidBlock(kBlue)}), p),
              one);
    EXPECT_EQ(TopRow(one, p, 3), std::vector<uint32_t>(4, kRedPixel));
}

TEST(Dxt1, BlockCutShortByTheEndOfTheFileIsNotShown) {
    const DocParams p = Dxt1Params(8, 8);
    Bytes file = Concat({SolidBlock(kRed), SolidBlock(kGreen), SolidBlock(kBlue)});
    file.resize(file.size() - 1);
    const Bytes pixels = DecodeBytes(file, p);
    for (uint32_t row = 0; row < 8; ++row) {
        const uint32_t left = row < 4 ? kRedPixel : 0;
        const uint32_t right = row < 4 ? kGreenPixel : 0;
        EXPECT_EQ(TopRow(pixels, p, row),
                  (std::vector<uint32_t>{left, left, left, left, right, right, right, right}))
            << row;
    }
}

TEST(Dxt1, LinePadAndSwapFieldHaveNoEffect) {
    DocParams p = Dxt1Params(8, 8);
    const Bytes file = Concat({Block(kRed, kBlue, 0xE4, 0x1B, 0xAA, 0x50), SolidBlock(kGreen),
                               SolidBlock(kBlue), Block(kBlue, kRed, 0x12, 0x34, 0x56, 0x78)});
    const Bytes plain = DecodeBytes(file, p);
    p.linePad = 3;
    p.swapField = true;
    EXPECT_EQ(DecodeBytes(file, p), plain);
}

// The processor-specific kernel against the portable one, on random blocks under random
// endpoint layouts, so that the one the program picks is checked whatever this machine has.
TEST(Dxt1, ShuffleKernelPaintsAsTheSelectKernel) {
    if (FastestDxt1Kernel() != Dxt1Kernel::Shuffle) GTEST_SKIP() << "no byte shuffle here";
    constexpr uint32_t kWidth = 64;
    constexpr size_t kBlocks = kWidth / 4;
    std::mt19937 random(7);
    const TempFile file(Bytes(8));
    for (int layout = 0; layout < 200; ++layout) {
        DocParams p = Dxt1Params(kWidth, 4);
        p.bigEndian = layout % 2 == 1;
        for (int c = 0; c < 3; ++c) {
            p.bits[c] = static_cast<uint8_t>(random() % 12);
            p.shift[c] = static_cast<uint8_t>(random() % 20);
        }
        const auto doc = file.Open();
        ApplyParams(p, *doc);
        PixelRules rules;
        BuildPixelRules(*doc, rules);
        Dxt1Endpoints endpoints;
        BuildDxt1Endpoints(rules, endpoints);

        Bytes blocks(kBlocks * 8);
        for (uint8_t& b : blocks) b = static_cast<uint8_t>(random());
        // Equal endpoints pick the three-colour palette; make sure some blocks have them.
        blocks[2] = blocks[0];
        blocks[3] = blocks[1];

        Bytes painted[2];
        const Dxt1Kernel kernels[2] = {Dxt1Kernel::Select, Dxt1Kernel::Shuffle};
        for (int k = 0; k < 2; ++k) {
            painted[k].assign(kWidth * 4 * 4, 0);
            Dxt1BlockRow row{{}, kWidth};
            for (size_t j = 0; j < 4; ++j) row.rows[j] = painted[k].data() + j * kWidth * 4;
            endpoints.kernel = kernels[k];
            PlaceDxt1Blocks(endpoints, blocks.data(), kBlocks, 0, row);
        }
        ASSERT_EQ(painted[1], painted[0]) << "layout " << layout;
    }
}

}  // namespace
