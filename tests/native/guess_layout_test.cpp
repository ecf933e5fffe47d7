// The layout guess on pictures made here: each depth, headers and padding, what the user
// fixes, flat data, bad input, and the command line around it.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli/errors.h"
#include "cli/exporter.h"
#include "cli/guess_command.h"
#include "cli/guess_sample.h"
#include "cli/platform_files.h"
#include "decode_test_support.h"
#include "guess/layout_guess.h"
#include "guess/evidence.h"
#include "guess/family.h"
#include "guess/headers.h"
#include "guess/ranking.h"
#include "guess/region.h"

namespace {

namespace fs = std::filesystem;

// Values on a grid of random points `cell` apart, blended in between: smooth, and unlike
// sines the same nowhere twice.
class ValueNoise {
public:
    ValueNoise(uint32_t width, uint32_t height, uint32_t cell, uint32_t seed)
        : m_cell(cell), m_columns(width / cell + 2), m_points(size_t{m_columns} * (height / cell + 2)) {
        for (double& point : m_points) {
            seed = seed * 1103515245u + 12345u;
            point = static_cast<double>(seed >> 16 & 255);
        }
    }

    double At(uint32_t x, uint32_t y) const {
        const uint32_t gx = x / m_cell;
        const uint32_t gy = y / m_cell;
        const double fx = static_cast<double>(x % m_cell) / m_cell;
        const double fy = static_cast<double>(y % m_cell) / m_cell;
        auto point = [&](uint32_t i, uint32_t j) { return m_points[size_t{j} * m_columns + i]; };
        const double top = point(gx, gy) * (1 - fx) + point(gx + 1, gy) * fx;
        const double bottom = point(gx, gy + 1) * (1 - fx) + point(gx + 1, gy + 1) * fx;
        return top * (1 - fy) + bottom * fy;
    }

private:
    uint32_t m_cell;
    uint32_t m_columns;
    std::vector<double> m_points;
};

// A smooth, colourful picture with a little grain, as photographs are: red, green, blue.
Bytes PhotoLikeRgb(uint32_t width, uint32_t height) {
    const ValueNoise red(width, height, 23, 1), green(width, height, 31, 2), blue(width, height, 17, 3);
    Bytes rgb;
    uint32_t seed = 12345;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            seed = seed * 1103515245u + 12345u;
            const double grain = static_cast<double>(seed >> 16 & 7) - 3.5;
            for (const double value : {red.At(x, y) + grain, green.At(x, y) * 0.8 + 20 + grain,
                                       blue.At(x, y) * 0.6 + grain})
                rgb.push_back(static_cast<uint8_t>(std::clamp(value, 0.0, 255.0)));
        }
    }
    return rgb;
}

Bytes Grey(const Bytes& rgb) {
    Bytes grey;
    for (size_t i = 0; i + 2 < rgb.size(); i += 3)
        grey.push_back(static_cast<uint8_t>((rgb[i] * 3 + rgb[i + 1] * 6 + rgb[i + 2]) / 10));
    return grey;
}

Bytes Bgra(const Bytes& rgb) {
    Bytes bgra;
    for (size_t i = 0; i + 2 < rgb.size(); i += 3) bgra.insert(bgra.end(), {rgb[i + 2], rgb[i + 1], rgb[i], 255});
    return bgra;
}

// Red in the high five bits, blue in the low five, low byte first.
Bytes Rgb565(const Bytes& rgb) {
    Bytes packed;
    for (size_t i = 0; i + 2 < rgb.size(); i += 3) {
        const uint32_t v = (rgb[i] >> 3) << 11 | (rgb[i + 1] >> 2) << 5 | rgb[i + 2] >> 3;
        packed.insert(packed.end(), {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)});
    }
    return packed;
}

// Two levels, most significant bit first, rows padded to whole bytes.
Bytes OneBit(const Bytes& grey, uint32_t width, uint32_t height) {
    const uint32_t rowBytes = (width + 7) / 8;
    Bytes bits(size_t{rowBytes} * height, 0);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            if (grey[size_t{y} * width + x] > 110) bits[size_t{y} * rowBytes + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    return bits;
}

// Two levels by error diffusion (Floyd and Steinberg), most significant bit first: rows of
// dots whose pattern changes from row to row while their density follows the picture.
Bytes Dithered(const Bytes& grey, uint32_t width, uint32_t height) {
    std::vector<double> level(grey.begin(), grey.end());
    const uint32_t rowBytes = (width + 7) / 8;
    Bytes bits(size_t{rowBytes} * height, 0);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const size_t at = size_t{y} * width + x;
            const bool white = level[at] >= 128;
            if (white) bits[size_t{y} * rowBytes + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
            const double error = level[at] - (white ? 255 : 0);
            if (x + 1 < width) level[at + 1] += error * 7 / 16;
            if (y + 1 == height) continue;
            if (x > 0) level[at + width - 1] += error * 3 / 16;
            level[at + width] += error * 5 / 16;
            if (x + 1 < width) level[at + width + 1] += error / 16;
        }
    }
    return bits;
}

// A bitmap file's layout: a header, rows bottom-up, each padded to 4 bytes.
Bytes BitmapLike(const Bytes& rgb, uint32_t width, uint32_t height, size_t headerBytes) {
    Bytes file;
    uint32_t seed = 99;
    for (size_t i = 0; i < headerBytes; ++i) {
        seed = seed * 1103515245u + 12345u;
        file.push_back(i % 4 == 3 ? 0 : static_cast<uint8_t>(seed >> 24));
    }
    const size_t rowBytes = size_t{width} * 3;
    for (uint32_t y = height; y-- > 0;) {
        for (size_t i = 0; i < rowBytes; i += 3) {
            const size_t at = y * rowBytes + i;
            file.insert(file.end(), {rgb[at + 2], rgb[at + 1], rgb[at]});
        }
        file.resize(file.size() + (4 - rowBytes % 4) % 4, 0);
    }
    return file;
}

Bytes Noise(size_t count) {
    Bytes bytes(count);
    uint64_t state = 0x9E3779B97F4A7C15ull;
    for (uint8_t& byte : bytes) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        byte = static_cast<uint8_t>(state >> 32);
    }
    return bytes;
}

// A console font's table: 256 glyphs one below the other, rows of one or two bytes, each
// glyph a stem (shared by four glyphs in a row, as letters share theirs), a bar and maybe a
// slant, placed at random, blank rows above and below.
Bytes GlyphTable(uint32_t width, uint32_t height) {
    const Bytes shapes = Noise(3 * 256);
    Bytes grey(size_t{width} * height * 256, 0);
    for (size_t i = 0; i < grey.size(); ++i) {
        const size_t glyph = i / width / height;
        const uint32_t x = i % width, y = i / width % height, stem = shapes[3 * (glyph / 4)] % width;
        const bool stroke = x == stem || y == shapes[3 * glyph + 1] % height || (shapes[3 * glyph + 2] & 1 && x == y * width / height);
        grey[i] = stroke && y >= 2 && y + 2 < height ? 255 : 0;
    }
    return OneBit(grey, width, height * 256);
}

std::vector<LayoutGuess> Guess(Bytes bytes, const LayoutHints& hints = {}) {
    return GuessLayout(FileSample::FromBytes(std::move(bytes)), hints);
}

struct Expected {
    PixelFormat depth;
    uint32_t width;
    uint32_t linePad;
    int32_t offset;
};

void ExpectTopGuess(const std::vector<LayoutGuess>& guesses, const Expected& expected, const char* what) {
    ASSERT_FALSE(guesses.empty()) << what;
    const LayoutGuess& best = guesses.front();
    EXPECT_EQ(best.depth, expected.depth) << what;
    EXPECT_EQ(best.width, expected.width) << what;
    EXPECT_EQ(best.linePad, expected.linePad) << what;
    EXPECT_EQ(best.offset, expected.offset) << what;
    EXPECT_GE(best.confidence, kLowConfidence) << what;
}

std::string GuessErrorOf(const Bytes& bytes, const LayoutHints& hints = {}) {
    try {
        Guess(bytes, hints);
    } catch (const GuessError& error) {
        return error.what();
    }
    return "";
}

TEST(GuessLayout, FindsRawPicturesOfEachDepth) {
    const Bytes rgb = PhotoLikeRgb(211, 157);
    ExpectTopGuess(Guess(rgb), {Depth24, 211, 0, 0}, "24-bit");
    ExpectTopGuess(Guess(Bgra(rgb)), {Depth32, 211, 0, 0}, "32-bit");
    ExpectTopGuess(Guess(Rgb565(rgb)), {Depth16, 211, 0, 0}, "16-bit");
    ExpectTopGuess(Guess(Grey(rgb)), {Depth8, 211, 0, 0}, "8-bit");
    const Bytes wide = PhotoLikeRgb(400, 300);
    ExpectTopGuess(Guess(OneBit(Grey(wide), 400, 300)), {Depth1, 400, 0, 0}, "1-bit");
    // The last byte blank but for a dot every 16 rows: a margin the picture fades into.
    Bytes fading = OneBit(Grey(PhotoLikeRgb(136, 147)), 136, 147);
    for (size_t y = 0; y < 147; ++y) fading[y * 17 + 16] &= y % 16 == 8 ? 0x80 : 0;
    ExpectTopGuess(Guess(fading), {Depth1, 136, 0, 0}, "1-bit, a margin in the last byte");
    ExpectTopGuess(Guess(GlyphTable(8, 16)), {Depth1, 8, 0, 0}, "1-bit glyphs, a byte a row");
    ExpectTopGuess(Guess(GlyphTable(12, 24)), {Depth1, 12, 0, 0}, "1-bit glyphs, two bytes a row");
}

// Dithered rows differ bit by bit from the row below, and often match the row two below
// better than it: the row shows in the density of the dots, and a reading two rows wide
// must lose to one row.
TEST(GuessLayout, FindsDitheredOneBitPictures) {
    for (const auto& [width, height] : {std::pair<uint32_t, uint32_t>{320, 240}, {509, 383}, {1024, 768}}) {
        const std::string what = "dithered " + std::to_string(width) + " x " + std::to_string(height);
        ExpectTopGuess(Guess(Dithered(Grey(PhotoLikeRgb(width, height)), width, height)), {Depth1, width, 0, 0},
                       what.c_str());
    }
}

// A grey drawing: grey strokes with soft edges `soft` pixels wide on white, the kind whose
// bytes the pixels' cost alone reads as pairs of 4-bit pixels as readily as 8-bit values.
Bytes SoftGreyDrawing(uint32_t width, uint32_t height, double soft, double darkest) {
    Bytes grey(size_t{width} * height, 255);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const double ring = std::abs(std::hypot(x - width / 2.0, y - height / 2.0) - height / 3.0);
            const double stroke = std::abs(static_cast<double>(x) - 0.7 * y - width / 5.0);
            const double ink = std::max(0.0, 1 - std::min(ring, stroke) / soft);
            grey[size_t{y} * width + x] = static_cast<uint8_t>(255 - (255 - darkest) * ink);
        }
    }
    return grey;
}

TEST(GuessLayout, GreyDrawingsAreNotReadAsSmallerPixels) {
    ExpectTopGuess(Guess(SoftGreyDrawing(320, 240, 1.5, 155)), {Depth8, 320, 0, 0}, "grey strokes on white");
    ExpectTopGuess(Guess(SoftGreyDrawing(211, 121, 3, 40)), {Depth8, 211, 0, 0}, "dark slanting strokes on white");
    Bytes rgb;
    for (const uint8_t level : SoftGreyDrawing(211, 157, 2, 60)) rgb.insert(rgb.end(), 3, level);
    const std::vector<LayoutGuess> sixteen = Guess(Rgb565(rgb));
    ExpectTopGuess(sixteen, {Depth16, 211, 0, 0}, "the same in 16-bit pixels, whose fields err alike");
    EXPECT_EQ(sixteen.front().fields, GuessFields::R5G6B5) << "green errs twice as much as red and blue";
    // Two levels in 4, 8 and 16-bit pixels: each pixel all ones or all zeros, which smaller
    // pixels never keep to, and edges only where pixels meet, which wider pixels would not.
    const Bytes grey = Grey(PhotoLikeRgb(320, 240));
    Bytes nibbles, bytes, pairs;
    for (size_t i = 0; i + 1 < grey.size(); i += 2) nibbles.push_back((grey[i] > 110 ? 0xF0 : 0) | (grey[i + 1] > 110 ? 0x0F : 0));
    for (const uint8_t level : grey) bytes.push_back(level > 110 ? 255 : 0);
    for (const uint8_t level : bytes) pairs.insert(pairs.end(), 2, level);
    for (const auto& [depth, file] :
         {std::make_pair(Depth4, nibbles), std::make_pair(Depth8, bytes), std::make_pair(Depth16, pairs)}) {
        const std::vector<LayoutGuess> guesses = Guess(file);
        ExpectTopGuess(guesses, {depth, 320, 0, 0}, "two levels");
        // Two-level 16-bit pixels are as well read as byte pixels twice as wide.
        for (size_t i = 0; i < guesses.size() && i < 3 && depth != Depth16; ++i)
            EXPECT_GE(guesses[i].depth, depth) << "guess " << i + 1;
    }
}

// Grey values' low bits flicker row to row: rows nine apart, in bands that differ wholly, miss it.
TEST(GuessLayout, GreyValuesAreNotOneBitPixelsManyRowsWide) {
    const Bytes bands = Noise(645 * 36), flicker = Noise(645 * 288);
    Bytes grey(flicker.size());
    for (size_t i = 0; i < grey.size(); ++i) grey[i] = bands[i / 645 / 8 * 645 + i % 645] | flicker[i] >> 6;
    const FileSample sample = FileSample::FromBytes(grey);
    Evidence evidence(sample, LayoutHints{});
    EXPECT_TRUE(FamilyOf(Depth1).LooksLikeValues(evidence, 9 * 645));
}

// Lookalikes pay: smooth grey bytes read as 24-bit pixels (alike channels step less inside
// a pixel), a dithered 16-bit picture as 32-bit (its bytes four apart match best), and a strip
// of like tiles read two tiles wide, though one tile costs more.
TEST(GuessLayout, LookalikesPay) {
    const Bytes grey = SoftGreyDrawing(256, 128, 8, 40);
    Bytes strip, dithered;
    for (size_t i = 0; i < grey.size(); ++i) strip.push_back(grey[i - i % 256 + 96 + i % 32]);
    for (size_t i = 0; i < grey.size(); ++i) dithered.insert(dithered.end(), {uint8_t(grey[i] / 8 + (i + i / 256) % 2), uint8_t(grey[i] / 64)});
    for (const auto& [bytes, depth, tile, paid] : {std::tuple{grey, Depth24, 0u, true}, {dithered, Depth32, 0u, true},
                                                   {strip, Depth8, 32u, true}, {strip, Depth1, 32u, false}}) {
        const FileSample sample = FileSample::FromBytes(bytes);
        const Evidence evidence(sample, LayoutHints{});
        std::vector<Scored> read{{Layout{Shape{depth, 0, 0, tile, false}}, 1.5, 1}, {Layout{Shape{depth, 0, 0, 2 * tile, false}}, 1, 1}};
        if (tile == 0) FamilyOf(depth).AddPenalties(evidence, read[1].layout, read[1].cost);
        else PenalizeLookalikes(evidence, read);
        EXPECT_EQ(read[1].cost > 1, paid) << "depth " << depth << ", tiles " << tile;
    }
}

TEST(GuessLayout, TellsSixteenBitFieldsApart) {
    const std::vector<LayoutGuess> guesses = Guess(Rgb565(PhotoLikeRgb(128, 96)));
    ASSERT_FALSE(guesses.empty());
    EXPECT_EQ(guesses.front().depth, Depth16);
    EXPECT_EQ(guesses.front().fields, GuessFields::R5G6B5);
    EXPECT_FALSE(guesses.front().bigEndian);
}

TEST(GuessLayout, FindsHeaderPaddingAndOffset) {
    // A bevelled tile: its lit top and shaded bottom edges look like a header and a trailer.
    Bytes tile = Grey(PhotoLikeRgb(256, 256));
    std::fill_n(tile.begin(), 200, uint8_t{255});
    std::fill_n(tile.end() - 200, 200, uint8_t{0});
    ExpectTopGuess(Guess(tile), {Depth8, 256, 0, 0}, "a bevelled tile");
    // A framed photograph: its dark top line looks like a header a row long.
    Bytes framed = Grey(PhotoLikeRgb(211, 97));
    std::fill_n(framed.begin(), 211, uint8_t{20});
    ExpectTopGuess(Guess(framed), {Depth8, 211, 0, 0}, "a photograph under a dark line");
    const Bytes rgb = PhotoLikeRgb(37, 23);
    ExpectTopGuess(Guess(BitmapLike(rgb, 37, 23, 54)), {Depth24, 37, 1, 54}, "37 wide, 54-byte header");
    const Bytes wider = PhotoLikeRgb(101, 77);
    ExpectTopGuess(Guess(BitmapLike(wider, 101, 77, 138)), {Depth24, 101, 1, 138}, "101 wide, 138-byte header");
    Bytes withHeader(18, 7);
    const Bytes grey = Grey(PhotoLikeRgb(127, 64));
    withHeader.insert(withHeader.end(), grey.begin(), grey.end());
    ExpectTopGuess(Guess(withHeader), {Depth8, 127, 0, 18}, "8-bit after 18 bytes");
    // A header ending in zeros before black rows looks like the rows: the file's end tells where they start.
    Bytes zerosEnd(138, 0);
    std::fill_n(zerosEnd.begin(), 74, uint8_t{7});
    const Bytes wide = Grey(PhotoLikeRgb(211, 64));
    zerosEnd.insert(zerosEnd.end(), wide.begin(), wide.end());
    std::fill_n(zerosEnd.begin() + 138, 2 * 211 + 50, uint8_t{0});
    ExpectTopGuess(Guess(zerosEnd), {Depth8, 211, 0, 138}, "8-bit after 138 bytes ending in zeros, black rows");
    // A top-down TGA: a name in its header, a footer after the rows; opaque pixels end in 255.
    Bytes tga(18, 0);
    for (const char c : std::string("sprites/walker")) tga.push_back(static_cast<uint8_t>(c));
    const Bytes bgra = Bgra(PhotoLikeRgb(101, 77));
    tga.insert(tga.end(), bgra.begin(), bgra.end());
    for (const char c : std::string("........TRUEVISION-XFILE.")) tga.push_back(c == '.' ? 0 : static_cast<uint8_t>(c));
    ExpectTopGuess(Guess(tga), {Depth32, 101, 0, 32}, "32-bit after a named header, a footer after the rows");
    // A PBM file whose magic no header reader knows: lines of text, then dithered rows as
    // busy as text.
    Bytes pbm;
    for (const char c : std::string("X4\n# made here\n96 81\n")) pbm.push_back(static_cast<uint8_t>(c));
    const Bytes dots = Dithered(Grey(PhotoLikeRgb(96, 81)), 96, 81);
    pbm.insert(pbm.end(), dots.begin(), dots.end());
    const std::vector<LayoutGuess> guesses = Guess(pbm);
    ASSERT_FALSE(guesses.empty());
    EXPECT_EQ(guesses.front().width, 96u) << "1-bit after lines of text";
    EXPECT_EQ(guesses.front().offset, 21) << "1-bit after lines of text";
}

// A bitmap may carry a colour profile after its rows: the file's end then says nothing of
// where rows start, and must not pull the start away from the header's found end. Its zero
// pad is read as a last column of dark pixels, as a dark edge would be, the rows starting
// after it.
TEST(GuessLayout, DataAfterThePictureDoesNotMoveItsStart) {
    const Bytes rgb = PhotoLikeRgb(211, 157);
    Bytes file = BitmapLike(rgb, 211, 157, 54);
    const Bytes profile = Noise(3144);
    file.insert(file.end(), profile.begin(), profile.end());
    ASSERT_EQ(file.size() % 636, 18u);  // the file's end points 36 bytes before the start
    ExpectTopGuess(Guess(file), {Depth24, 212, 0, 54}, "211 wide and a pixel of pad, 3144 bytes after the rows");
}

// A header's fields, each `size` bytes, low byte first or high byte first.
Bytes Fields(std::initializer_list<uint32_t> values, size_t size, bool bigEndian = false) {
    Bytes bytes;
    for (const uint32_t value : values)
        for (size_t i = 0; i < size; ++i)
            bytes.push_back(static_cast<uint8_t>(value >> 8 * (bigEndian ? size - 1 - i : i)));
    return bytes;
}

Bytes Joined(std::initializer_list<Bytes> parts) {
    Bytes joined;
    for (const Bytes& part : parts) joined.insert(joined.end(), part.begin(), part.end());
    return joined;
}

Bytes Ascii(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Headers of known formats before pixels no structure shows (noise): the header alone gives
// the layout. Headers whose fields disagree with the file give none.
TEST(GuessLayout, KnownHeadersGiveTheLayout) {
    const Bytes bmpInfo = Joined({Fields({40}, 4), Fields({37, 23}, 4), Fields({1, 24}, 2), Bytes(24, 0)});
    const Bytes bmp565 = Joined({Fields({124}, 4), Fields({11, static_cast<uint32_t>(-9)}, 4), Fields({1, 16}, 2),
                                 Fields({3}, 4), Bytes(20, 0), Fields({0xF800, 0x7E0, 0x1F}, 4), Bytes(72, 0)});
    const Bytes rle = Joined({Fields({40}, 4), Fields({37, 23}, 4), Fields({1, 8}, 2), Fields({1}, 4), Bytes(20, 0)});
    const Bytes xwd = Joined({Fields({100, 7, 2, 16, 13, 9, 0, 1, 16, 1, 16, 16, 28, 4, 0xF800, 0x7E0, 0x1F, 6, 64, 2}, 4, true),
                              Bytes(20 + 2 * 12, 0)});
    const Bytes dds = Joined({Ascii("DDS "), Fields({124, 0x1007, 20, 36}, 4), Bytes(56, 0), Fields({32, 4}, 4),
                              Ascii("DXT1"), Bytes(40, 0)});
    const Bytes psf2 = Joined({Fields({0x864AB572, 0, 32, 0, 256, 32, 16, 10}, 4)});
    const Bytes tga = Joined({Bytes{5, 0, 2}, Bytes(9, 0), Fields({19, 13}, 2), Bytes{24, 0x20}, Ascii("title")});
    const struct {
        const char* what;
        Bytes file;
        const char* header;
        Expected layout;
    } rows[] = {
        {"BMP, 24-bit, rows padded", Joined({Ascii("BM"), Fields({0, 0, 54}, 4), bmpInfo, Noise(112 * 23)}), "BMP", {Depth24, 37, 1, 54}},
        {"BMP, 5-6-5 masks, top-down", Joined({Ascii("BM"), Fields({0, 0, 138}, 4), bmp565, Noise(24 * 9)}), "BMP", {Depth16, 11, 2, 138}},
        {"BMP, run-length coded", Joined({Ascii("BM"), Fields({0, 0, 1078}, 4), rle, Noise(2000)}), nullptr, {}},
        {"BMP, rows past the end", Joined({Ascii("BM"), Fields({0, 0, 54}, 4), bmpInfo, Noise(112 * 22)}), nullptr, {}},
        {"XWD, 16-bit, colour map", Joined({xwd, Noise(28 * 9)}), "XWD", {Depth16, 13, 2, 124}},
        {"DDS, DXT1", Joined({dds, Noise(72 * 5)}), "DDS", {DepthDXT1, 36, 0, 128}},
        {"PSF 2, two bytes a row", Joined({psf2, Noise(256 * 32)}), "PSF", {Depth1, 10, 0, 32}},
        {"PSF 1", Joined({Bytes{0x36, 4, 0, 14}, Noise(256 * 14)}), "PSF", {Depth1, 8, 0, 4}},
        {"PGM, a comment", Joined({Ascii("P5\n# scan\n31 17\n255\n"), Noise(31 * 17)}), "Netpbm", {Depth8, 31, 0, 20}},
        {"PGM, 16-bit values", Joined({Ascii("P5 31 17 65535\n"), Noise(62 * 17)}), nullptr, {}},
        {"TGA, pixels end the file", Joined({tga, Noise(57 * 13)}), "TGA", {Depth24, 19, 0, 23}},
        {"TGA, version 2 footer", Joined({tga, Noise(57 * 13), Bytes(8, 0), Ascii("TRUEVISION-XFILE."), Bytes(1, 0)}), "TGA", {Depth24, 19, 0, 23}},
        {"TGA, a byte too many", Joined({tga, Noise(57 * 13 + 1)}), nullptr, {}},
    };
    for (const auto& row : rows) {
        const std::vector<LayoutGuess> guesses = Guess(row.file);
        ASSERT_FALSE(guesses.empty()) << row.what;
        if (!row.header) {
            EXPECT_EQ(guesses.front().header, nullptr) << row.what;
            continue;
        }
        ExpectTopGuess(guesses, row.layout, row.what);
        EXPECT_STREQ(guesses.front().header, row.header) << row.what;
        if (row.layout.depth == Depth16) {
            EXPECT_EQ(guesses.front().fields, GuessFields::R5G6B5) << row.what;
        }
    }
    LayoutHints otherWidth;
    otherWidth.width = 20;
    const Bytes psf1 = Joined({Bytes{0x36, 4, 0, 14}, Noise(256 * 14)});
    for (const LayoutGuess& guess : Guess(psf1, otherWidth)) EXPECT_EQ(guess.header, nullptr) << "the user's width contradicts it";
}

// Lines of prose, numbered, so that they do not repeat at one length.
Bytes Text(size_t count) {
    Bytes text;
    for (int line = 1; text.size() < count; ++line)
        for (const char c : "Note " + std::to_string(line * line) + ": pictures are kept raw, row after row.\n")
            text.push_back(static_cast<uint8_t>(c));
    text.resize(count);
    return text;
}

// A listing of names and values, lined up with runs of spaces.
Bytes Columns() {
    Bytes text;
    for (int line = 1; text.size() < kRegionBlockBytes; ++line)
        for (const char c : "entry_" + std::to_string(line * 37) + std::string(24, ' ') + std::to_string(line * line) + "\n")
            text.push_back(static_cast<uint8_t>(c));
    text.resize(kRegionBlockBytes);
    return text;
}

// White with a black speck every 50 bytes, as a binarised scan's margin.
Bytes Specks() {
    Bytes white(kRegionBlockBytes, 255);
    for (size_t i = 17; i < white.size(); i += 50) white[i] = 0;
    return white;
}

// Blocks as the region finder judges them, and the region it finds among other bytes.
TEST(PictureRegions, TellPicturesFromOtherBytes) {
    const Bytes grey = Grey(PhotoLikeRgb(211, 160));
    Bytes textAndZeros = Text(300);
    textAndZeros.resize(kRegionBlockBytes, 0);
    const struct {
        const char* what;
        Bytes bytes;
        BlockKind kind;
    } blocks[] = {
        {"a photograph's grey pixels", Bytes(grey.begin(), grey.begin() + kRegionBlockBytes), BlockKind::Smooth},
        {"dithered pixels", Dithered(grey, 211, 160), BlockKind::Textured},
        {"compressed bytes", Noise(kRegionBlockBytes), BlockKind::Foreign},
        {"text", Text(kRegionBlockBytes), BlockKind::Foreign},
        {"text padded with zeros", textAndZeros, BlockKind::Foreign},
        {"text in columns, padded with spaces", Columns(), BlockKind::Foreign},
        {"one value", Bytes(kRegionBlockBytes, 0x5A), BlockKind::Flat},
        {"white with a few specks", Specks(), BlockKind::Flat},
    };
    for (const auto& block : blocks) EXPECT_EQ(JudgeBlock(block.bytes.data(), kRegionBlockBytes), block.kind) << block.what;

    Bytes file = Noise(5220);
    file.insert(file.end(), grey.begin(), grey.end());
    const Bytes after = Text(4000);
    file.insert(file.end(), after.begin(), after.end());
    const std::vector<ByteRegion> regions = FindPictureRegions(file);
    ASSERT_EQ(regions.size(), 1u);
    const size_t pictureEnd = file.size() - after.size();
    EXPECT_LE(regions[0].begin, size_t{11} * kRegionBlockBytes) << "the first block wholly inside the picture";
    EXPECT_GT(regions[0].begin + kRegionBlockBytes, size_t{5220}) << "no block wholly before it";
    EXPECT_GE(regions[0].end, pictureEnd / kRegionBlockBytes * kRegionBlockBytes);
    EXPECT_LT(regions[0].end, pictureEnd + kRegionBlockBytes);
    EXPECT_TRUE(FindPictureRegions(Noise(100000)).empty()) << "noise holds no picture";
}

Bytes BlobCrossedByALine(uint32_t width, uint32_t height);
Bytes Records(size_t count);

// The picture with a bright mark `count` bytes long in the middle of its second row, as where
// a figure on black touches the top: there the first row differs from the one below as the
// bytes before it do.
Bytes TouchingTheTop(Bytes grey, uint32_t width, uint32_t count) {
    std::fill_n(grey.begin() + width + width / 2, count, 200);
    return grey;
}

// A picture among other bytes, compressed or a program's records before it and text after
// it: the rows to read are the picture's, from its first row (or the row before) to past its
// last. A blob on black shows no row boundary; bytes either side that happen to be near the
// pixels a row on (`lookalikes` before, after) must not move the start, nor a figure
// touching the top push it late.
TEST(GuessLayout, FindsAPictureAmongOtherBytes) {
    const int32_t start = 417 * 24;
    const struct {
        uint32_t width, height;
        Bytes before, grey;
        std::array<size_t, 2> lookalikes;
        bool sure;  // two of the start's estimates agree
    } cases[] = {{211, 300, Noise(start), Grey(PhotoLikeRgb(211, 300)), {0, 0}, true},
                 {211, 300, Noise(start), Grey(PhotoLikeRgb(211, 300)), {2, 2}, true},
                 {151, 400, Noise(start), Grey(PhotoLikeRgb(151, 400)), {0, 0}, true},
                 {151, 400, Records(start / 24), Grey(PhotoLikeRgb(151, 400)), {0, 0}, true},
                 {173, 120, Records(start / 24), BlobCrossedByALine(173, 120), {0, 0}, false},
                 {173, 120, Noise(start), BlobCrossedByALine(173, 120), {2, 0}, false},
                 {173, 120, Noise(start), TouchingTheTop(BlobCrossedByALine(173, 120), 173, 10), {0, 0}, false}};
    for (const auto& [width, height, before, grey, lookalikes, sure] : cases) {
        Bytes file = before;
        for (size_t i = 1; i <= lookalikes[0]; ++i) file[file.size() - i] = grey[width - i];
        file.insert(file.end(), grey.begin(), grey.end());
        Bytes text = Text(3400);
        for (size_t i = 0; i < lookalikes[1]; ++i) text[i] = grey[grey.size() - width + i];
        file.insert(file.end(), text.begin(), text.end());
        const std::vector<LayoutGuess> guesses = Guess(file);
        ASSERT_FALSE(guesses.empty());
        const LayoutGuess& best = guesses.front();
        const int32_t row = static_cast<int32_t>(width);
        EXPECT_EQ(best.depth, Depth8) << width;
        EXPECT_EQ(best.width, width);
        EXPECT_EQ((start - best.offset) % row, 0) << width << " wide, from " << best.offset;
        EXPECT_LE(best.offset, start) << width;
        EXPECT_GE(best.offset, start - row) << width << " wide: not rows of the noise before it";
        EXPECT_GE(best.offset + int64_t{best.height} * row, start + int64_t{row} * height) << width << " wide, " << best.height << " rows";
        EXPECT_EQ(best.confidence >= kLowConfidence, sure) << width << " wide: " << best.confidence;
    }
}

// A ustar archive of the members, each behind its 512-byte header and rounded up to 512
// bytes, then the two zero blocks that end it.
Bytes Tar(std::initializer_list<Bytes> members) {
    Bytes tar;
    for (const Bytes& member : members) {
        char header[512] = {};
        std::snprintf(header + 124, 12, "%011llo", static_cast<unsigned long long>(member.size()));
        std::copy_n("ustar\00000", 8, header + 257);
        std::fill_n(header + 148, 8, ' ');
        unsigned sum = 0;
        for (const char byte : header) sum += static_cast<uint8_t>(byte);
        std::snprintf(header + 148, 8, "%06o", sum);
        tar.insert(tar.end(), header, header + 512);
        tar.insert(tar.end(), member.begin(), member.end());
        tar.resize((tar.size() + 511) / 512 * 512, 0);
    }
    tar.resize(tar.size() + 1024, 0);
    return tar;
}

// Records of 24 bytes, as a program's relocation table holds: an address, a kind, a value.
Bytes Records(size_t count) {
    Bytes table;
    for (size_t i = 0; i < count; ++i)
        for (const uint64_t field : {uint64_t{0x41000 + 8 * i}, uint64_t{8}, uint64_t{0x2000 + 16 * (i * 7 % 13)}})
            for (int byte = 0; byte < 8; ++byte) table.push_back(static_cast<uint8_t>(field >> 8 * byte));
    return table;
}

// An archive's members are files of their own: the picture's is read from its first byte,
// though the table after it lines up at the picture's row stride.
TEST(GuessLayout, ReadsThePictureInAnArchiveAsAFile) {
    const Bytes grey = Grey(PhotoLikeRgb(216, 150));
    const Bytes tar = Tar({Text(3000), grey, Records(300)});
    const std::optional<ByteSpan> member = ArchiveMember(tar, ByteSpan{5000, 6000});
    ASSERT_TRUE(member);
    EXPECT_EQ(member->begin, 4096u);
    EXPECT_EQ(member->end, 4096u + grey.size());
    EXPECT_EQ(ArchiveMember(Tar({Text(3000), grey, Noise(40000)}), std::nullopt)->begin, 37376u) << "the largest member";
    Bytes broken = tar;
    ++broken[100];
    EXPECT_FALSE(ArchiveMember(broken, std::nullopt)) << "a header whose checksum fails";
    ExpectTopGuess(Guess(tar), {Depth8, 216, 0, 4096}, "grey picture between text and a table");
    const std::vector<LayoutGuess> pgm = Guess(Tar({Text(3000), Joined({Ascii("P5 216 150 255\n"), grey})}));
    ExpectTopGuess(pgm, {Depth8, 216, 0, 4096 + 15}, "a PGM file in the archive");
    EXPECT_STREQ(pgm.front().header, "Netpbm");
}

TEST(GuessLayout, KeepsWhatTheUserGives) {
    const Bytes rgb = PhotoLikeRgb(211, 157);
    LayoutHints width;
    width.width = 211;
    for (const LayoutGuess& guess : Guess(rgb, width)) EXPECT_EQ(guess.width, 211u);
    LayoutHints depth;
    depth.depth = Depth8;
    const std::vector<LayoutGuess> greyReading = Guess(rgb, depth);
    ASSERT_FALSE(greyReading.empty());
    for (const LayoutGuess& guess : greyReading) EXPECT_EQ(guess.depth, Depth8);
    EXPECT_EQ(greyReading.front().width, 633u) << "each byte a pixel: three a colour pixel";
    LayoutHints offset;
    offset.offset = 3;
    for (const LayoutGuess& guess : Guess(rgb, offset)) EXPECT_EQ(guess.offset, 3);
    LayoutHints pad;
    pad.linePad = 2;
    for (const LayoutGuess& guess : Guess(rgb, pad)) EXPECT_EQ(guess.linePad, 2u);
    LayoutHints all;
    all.depth = Depth24;
    all.width = 211;
    all.offset = 0;
    all.linePad = 0;
    const std::vector<LayoutGuess> fixed = Guess(rgb, all);
    ASSERT_EQ(fixed.size(), 1u);
    EXPECT_EQ(fixed.front().height, 157u);
}

// Grain that runs diagonally, as in stone: each pixel nearly equals its upper-right
// neighbour, so a reading a pixel narrower predicts as well as the right one; only where
// the rows meet do they differ. The grain is `stretch` times longer than wide.
Bytes DiagonalGrain(uint32_t width, uint32_t height, uint32_t stretch = 5) {
    const ValueNoise red(2 * width + height, width + height, 6, 1), green(2 * width + height, width + height, 8, 2);
    Bytes rgb;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t along = (x + height - y) / stretch;
            rgb.push_back(static_cast<uint8_t>(red.At(x + y, along) * 0.7 + 60.0 * x / width));
            rgb.push_back(static_cast<uint8_t>(green.At(x + y, along) * 0.7 + 60.0 * y / height));
            rgb.push_back(static_cast<uint8_t>((red.At(x + y, along) + green.At(x + y, along)) / 3));
        }
    }
    return rgb;
}

// White with a small picture in it, as drawings and logos are: most of the file is one value.
Bytes SparseDrawing(uint32_t width, uint32_t height) {
    Bytes rgb(size_t{width} * height * 3, 255);
    const uint32_t markWidth = 200;
    const uint32_t markHeight = 150;
    const Bytes mark = PhotoLikeRgb(markWidth, markHeight);
    for (uint32_t y = 0; y < markHeight; ++y)
        std::copy_n(&mark[size_t{y} * markWidth * 3], markWidth * 3,
                    &rgb[(size_t{height / 3 + y} * width + width / 5) * 3]);
    return rgb;
}

// A textured grey blob on black, crossed over a few rows by a thin bright line running a
// pixel a row to the left: no row boundary shows, and the line stands out as one in a
// reading a pixel narrower, whose rows match worse.
Bytes BlobCrossedByALine(uint32_t width, uint32_t height) {
    const ValueNoise texture(width, height, 4, 1);
    Bytes grey(size_t{width} * height, 0);
    for (uint32_t i = 0; i < grey.size(); ++i) {
        const uint32_t x = i % width, y = i / width;
        const double dx = (x - width / 2.0) / (0.4 * width), dy = (y - height / 2.0) / (0.4 * height);
        if (dx * dx + dy * dy < 1) grey[i] = static_cast<uint8_t>(60 + texture.At(x, y) * 0.55);
        if (x + y == width * 4 / 5 && y >= height * 5 / 16 && y < height / 2) grey[i] = 250;
    }
    return grey;
}

TEST(GuessLayout, TellsRowsFromTheirDiagonals) {
    ExpectTopGuess(Guess(BlobCrossedByALine(239, 159)), {Depth8, 239, 0, 0}, "a diagonal line, no row boundary");
    ExpectTopGuess(Guess(DiagonalGrain(101, 77)), {Depth24, 101, 0, 0}, "grain running diagonally");
    ExpectTopGuess(Guess(DiagonalGrain(101, 77, 3)), {Depth24, 101, 0, 0}, "shorter grain, sheared two pixels");
    ExpectTopGuess(Guess(Grey(DiagonalGrain(96, 64))), {Depth8, 96, 0, 0}, "grey grain: smooth bytes, no wider pixels");
    ExpectTopGuess(Guess(SparseDrawing(640, 480)), {Depth24, 640, 0, 0}, "a few marks on white");
}

// Sixteen by twelve pixels give the pixels' cost little to go on; a reading that ends
// with the file's last byte, as the picture does, is the likelier one.
TEST(GuessLayout, SmallPicturesAreFound) {
    for (const Bytes& rgb : {PhotoLikeRgb(16, 16), DiagonalGrain(16, 12)}) {
        const std::vector<LayoutGuess> guesses = Guess(rgb);
        ASSERT_FALSE(guesses.empty());
        EXPECT_EQ(guesses.front().depth, Depth24);
        EXPECT_EQ(guesses.front().width, 16u);
        EXPECT_EQ(guesses.front().offset, 0);
    }
}

TEST(GuessLayout, FlatDataIsNeverAConfidentGuess) {
    for (const auto& [name, bytes] : {std::make_pair("one colour", Bytes(300000, 0x5A)),
                                      std::make_pair("noise", Noise(300000)),
                                      std::make_pair("zeros", Bytes(70000, 0))}) {
        for (const LayoutGuess& guess : Guess(bytes))
            EXPECT_LT(guess.confidence, kLowConfidence) << name << ": width " << guess.width;
    }
}

TEST(GuessLayout, BadInputIsExplained) {
    EXPECT_NE(GuessErrorOf({}).find("empty"), std::string::npos);
    EXPECT_NE(GuessErrorOf(Bytes(10, 1)).find("too few"), std::string::npos);
    LayoutHints wide;
    wide.width = 1000;
    wide.depth = Depth24;
    EXPECT_NE(GuessErrorOf(Bytes(2999, 1), wide).find("fewer than one row"), std::string::npos);
    wide.offset = 5;
    EXPECT_NE(GuessErrorOf(Bytes(3004, 1), wide).find("fewer than one row"), std::string::npos);
    EXPECT_EQ(GuessErrorOf(Bytes(3005, 1), wide), "");
}

// The command line around the guess, run in-process with its streams in files.
class GuessCommand : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        root_ = fs::temp_directory_path() /
                ("pixolve-guess-" + std::to_string(platform::CurrentProcessId()) + "-" + test);
        fs::remove_all(root_);
        fs::create_directories(root_);
        Write("photo.rgb", PhotoLikeRgb(211, 157));
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    std::string Path(const std::string& name) const { return (root_ / name).u8string(); }

    void Write(const std::string& name, const Bytes& bytes) const {
        std::ofstream out(root_ / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    std::string Read(const std::string& name) const {
        std::ifstream in(root_ / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    int Run(const std::vector<std::string>& args) {
        std::FILE* out = std::fopen(Path("stdout").c_str(), "wb");
        std::FILE* err = std::fopen(Path("stderr").c_str(), "wb");
        const int exitCode = RunExporter(args, out, err);
        std::fclose(out);
        std::fclose(err);
        out_ = Read("stdout");
        err_ = Read("stderr");
        return exitCode;
    }

    fs::path root_;
    std::string out_;
    std::string err_;
};

TEST_F(GuessCommand, PrintsLayoutsWithTheirCommandLines) {
    ASSERT_EQ(Run({Path("photo.rgb"), "--guess"}), 0) << err_;
    EXPECT_NE(out_.find("1. depth 24, width 211, line pad 0, offset 0, height 157"), std::string::npos) << out_;
    EXPECT_NE(out_.find("pixolve-render " + Path("photo.rgb") +
                        " --depth 24 --width 211 --height 157 --offset 0 --line-pad 0 -o picture.png"),
              std::string::npos)
        << out_;
    EXPECT_NE(out_.find("Parameters dialog: Offset 0, Width 211, Height 157, Depth 24, Line pad 0"),
              std::string::npos)
        << out_;
    EXPECT_EQ(out_.find("\n6. "), std::string::npos) << "at most five";
}

TEST_F(GuessCommand, PrintsJsonForScripts) {
    ASSERT_EQ(Run({Path("photo.rgb"), "--guess", "--json"}), 0) << err_;
    EXPECT_EQ(out_.rfind("{\"file\": ", 0), 0u) << out_;
    EXPECT_NE(out_.find("{\"depth\": \"24\", \"width\": 211, \"linePad\": 0, \"offset\": 0, \"height\": 157"),
              std::string::npos)
        << out_;
    EXPECT_NE(out_.find("\"arguments\": [\"--depth\", \"24\", \"--width\", \"211\""), std::string::npos) << out_;
    EXPECT_NE(out_.find("\"lowConfidence\": false"), std::string::npos) << out_;
}

TEST_F(GuessCommand, GivenOptionsAreKept) {
    ASSERT_EQ(Run({Path("photo.rgb"), "--guess", "--json", "--depth", "8", "--offset", "1"}), 0) << err_;
    EXPECT_NE(out_.find("{\"depth\": \"8\", \"width\": 633, \"linePad\": 0, \"offset\": 1,"), std::string::npos)
        << out_;
    EXPECT_EQ(out_.find("\"depth\": \"24\""), std::string::npos) << out_;
}

// The guessed layout goes through the same decoder as any other: the picture comes back.
TEST_F(GuessCommand, AutoSizeShowsThePicture) {
    ASSERT_EQ(Run({Path("photo.rgb"), "--width", "auto", "--height", "auto", "-o", Path("out.ppm")}), 0) << err_;
    const Bytes rgb = PhotoLikeRgb(211, 157);
    const std::string header = "P6\n211 157\n255\n";
    const std::string ppm = Read("out.ppm");
    ASSERT_EQ(ppm.substr(0, header.size()), header);
    EXPECT_EQ(Bytes(ppm.begin() + static_cast<std::ptrdiff_t>(header.size()), ppm.end()), rgb);
    ASSERT_EQ(Run({Path("photo.rgb"), "--width", "211", "--height", "auto", "--depth", "24", "--raw",
                   "-o", Path("out.raw")}), 0) << err_;
    EXPECT_EQ(Read("out.raw").size(), size_t{211} * 157 * 4);
}

TEST_F(GuessCommand, BadInputAndUseAreExplained) {
    Write("empty.bin", {});
    fs::create_directory(root_ / "folder");
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char* problem;
    };
    const Case cases[] = {
        {{Path("empty.bin"), "--guess"}, 1, "is empty"},
        {{Path("folder"), "--guess"}, 1, "is a folder"},
        {{Path("missing.bin"), "--guess"}, 1, "cannot open"},
        {{Path("photo.rgb"), "--guess", "--width", "100000", "--depth", "32"}, 1, "fewer than one row"},
        {{Path("empty.bin"), "--width", "auto", "-o", Path("out.png")}, 1, "is empty"},
        {{Path("photo.rgb"), "--json"}, 2, "--json goes with --guess"},
        {{Path("photo.rgb"), "--guess", "--width", "auto"}, 2, "leave out 'auto'"},
        {{Path("photo.rgb"), "--width", "wide", "-o", Path("out.png")}, 2, "is not a decimal number"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Run(c.args), c.exitCode) << c.args[0] << " " << c.args[1];
        EXPECT_NE(err_.find(c.problem), std::string::npos) << err_;
        EXPECT_EQ(err_.find('\n'), err_.size() - 1) << "one line: " << err_;
    }
}



}  // namespace
