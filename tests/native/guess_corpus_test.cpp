// The layout guess measured on files ImageMagick makes from its built-in pictures, in the
// forms users meet: raw pixels of each depth, and bitmap, PGM, TGA and DDS files. Native only:
// the Windows build runs under Wine, where there is no convert.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "cli/guess_sample.h"
#include "cli/platform_files.h"
#include "decode/file_ops.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

struct Picture {
    const char* source;
    uint32_t width;
    uint32_t height;
};

// Photographs and flat drawings, at widths that are powers of two, primes and neither.
std::vector<Picture> Pictures() {
    std::vector<Picture> pictures;
    for (const char* source : {"rose:", "wizard:", "granite:", "logo:", "netscape:"})
        for (const auto& [width, height] : {std::pair<uint32_t, uint32_t>{16, 16}, {37, 23}, {64, 64}, {101, 77}, {211, 157}})
            pictures.push_back({source, width, height});
    return pictures;
}

// What the corpus must reach, a picture or two below what it does; the measurement tool
// (tools/measure-guess.py) measures more and larger pictures. Raw colour pixels must come
// out right as the top guess for more than nine pictures in ten.
constexpr double kAllTop1 = 87.5;
constexpr double kAllTop3 = 92.5;
constexpr double kFormTop3 = 80;
constexpr double kColourTop1 = 92;
const char* const kColourForms[] = {"raw RGB 24-bit", "raw BGR 24-bit", "raw BGRA 32-bit", "TGA"};

struct Expected {
    PixelFormat depth;
    uint32_t width;
    uint32_t linePad;
    int32_t offset;
};

Bytes ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t LittleEndian32(const Bytes& bytes, size_t at) {
    return uint32_t{bytes[at]} | uint32_t{bytes[at + 1]} << 8 | uint32_t{bytes[at + 2]} << 16 |
           uint32_t{bytes[at + 3]} << 24;
}

// The bytes of a picture in each form, and the layout that shows it.
class Corpus {
public:
    explicit Corpus(const fs::path& folder) : m_folder(folder) {}

    // Every form of one picture from one run of convert; false when convert fails.
    bool Make(const Picture& picture) {
        const std::string base = (m_folder / "p").string();
        const std::string command = std::string("convert ") + picture.source + " -resize " +
            std::to_string(picture.width) + "x" + std::to_string(picture.height) +
            "! -depth 8 -define dds:compression=dxt1 -define dds:mipmaps=0 -write rgb:" + base +
            ".rgb -write bgr:" + base + ".bgr -write dds:" + base + ".dds -type truecolor -write BMP3:" +
            base + ".bmp -write tga:" + base + ".tga -write bgra:" + base + ".bgra -colorspace gray -write pgm:" +
            base + ".pgm -write gray:" + base + ".gray -monochrome -depth 1 gray:" + base + ".mono";
        if (std::system(command.c_str()) != 0) return false;
        WriteRgb565();
        return true;
    }

    // The forms, each with its file and the layout that shows it.
    std::map<std::string, std::pair<fs::path, Expected>> Forms(const Picture& picture) const {
        const uint32_t w = picture.width;
        const Bytes bmp = ReadAll(File("bmp"));
        const Bytes tga = ReadAll(File("tga"));
        const int32_t pgmHeader = static_cast<int32_t>(fs::file_size(File("pgm")) - uint64_t{w} * picture.height);
        return {
            {"raw RGB 24-bit", {File("rgb"), {Depth24, w, 0, 0}}},
            {"raw BGR 24-bit", {File("bgr"), {Depth24, w, 0, 0}}},
            {"raw BGRA 32-bit", {File("bgra"), {Depth32, w, 0, 0}}},
            {"raw RGB565", {File("565"), {Depth16, w, 0, 0}}},
            {"raw grey 8-bit", {File("gray"), {Depth8, w, 0, 0}}},
            {"raw 1-bit", {File("mono"), {Depth1, w, 0, 0}}},
            {"BMP", {File("bmp"), {Depth24, w, (4 - w * 3 % 4) % 4, static_cast<int32_t>(LittleEndian32(bmp, 10))}}},
            {"PGM", {File("pgm"), {Depth8, w, 0, pgmHeader}}},
            {"TGA", {File("tga"), {Depth24, w, 0, 18 + tga[0]}}},
            {"DDS DXT1", {File("dds"), {DepthDXT1, w, 0, 128}}},
        };
    }

private:
    fs::path File(const std::string& extension) const { return m_folder / ("p." + extension); }

    // Red in the high bits, low byte first, from the raw RGB.
    void WriteRgb565() const {
        const Bytes rgb = ReadAll(File("rgb"));
        Bytes packed;
        for (size_t i = 0; i + 2 < rgb.size(); i += 3) {
            const uint32_t v = (rgb[i] >> 3) << 11 | (rgb[i + 1] >> 2) << 5 | rgb[i + 2] >> 3;
            packed.push_back(static_cast<uint8_t>(v));
            packed.push_back(static_cast<uint8_t>(v >> 8));
        }
        std::ofstream out(File("565"), std::ios::binary);
        out.write(reinterpret_cast<const char*>(packed.data()), static_cast<std::streamsize>(packed.size()));
    }

    fs::path m_folder;
};

// DXT1 holds whole blocks: a width is right when it gives the same blocks.
bool Right(const LayoutGuess& guess, const Expected& expected) {
    if (guess.depth != expected.depth || guess.linePad != expected.linePad || guess.offset != expected.offset)
        return false;
    if (expected.depth == DepthDXT1) return (guess.width + 3) / 4 == (expected.width + 3) / 4;
    return guess.width == expected.width;
}

std::vector<LayoutGuess> GuessFile(const fs::path& path, const LayoutHints& hints = {}) {
    const FileHandle file = fileops::OpenForReading(path.string().c_str());
    if (!fileops::IsValid(file)) return {};
    std::vector<LayoutGuess> guesses = GuessFileLayout(file, hints, 3);
    fileops::Close(file);
    return guesses;
}

struct Guessed {
    std::vector<LayoutGuess> guesses;
    Expected expected{};
};

// Whether one of the first `count` guesses is right; each miss is printed.
bool RightWithin(const Guessed& guessed, size_t count) {
    for (size_t i = 0; i < count && i < guessed.guesses.size(); ++i)
        if (Right(guessed.guesses[i], guessed.expected)) return true;
    for (const LayoutGuess& guess : guessed.guesses)
        std::printf("  guessed depth %d, width %u, line pad %u, offset %d\n", static_cast<int>(guess.depth), guess.width,
                    guess.linePad, guess.offset);
    return false;
}

struct Tally {
    int pictures = 0;
    int top1 = 0;
    int top3 = 0;

    double Top1() const { return 100.0 * top1 / pictures; }
    double Top3() const { return 100.0 * top3 / pictures; }
};

class GuessCorpus : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::system("convert -version >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "ImageMagick's convert is not installed (tools/setup.sh installs it)";
        m_folder = fs::temp_directory_path() / ("pixolve-guess-corpus-" + std::to_string(platform::CurrentProcessId()));
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }

    // The guesses for one form of a picture made here, and the layout that shows it. A form
    // named with kUnknownHeader has its first four bytes overwritten, so that no reader of
    // known headers knows it and only the bytes' structure tells the layout.
    static constexpr const char* kUnknownHeader = " behind an unknown header";
    Guessed GuessForm(const Picture& picture, const std::string& form, const LayoutHints& hints = {}) {
        Corpus corpus(m_folder);
        if (!corpus.Make(picture)) {
            ADD_FAILURE() << "convert could not make " << picture.source;
            return {};
        }
        const size_t known = form.find(kUnknownHeader);
        const auto file = corpus.Forms(picture).at(form.substr(0, known));
        if (known == std::string::npos) return {GuessFile(file.first, hints), file.second};
        Bytes bytes = ReadAll(file.first);
        std::fill_n(bytes.begin(), std::min<size_t>(4, bytes.size()), uint8_t{'X'});
        const fs::path unknown = m_folder / "unknown-header";
        std::ofstream(unknown, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return {GuessFile(unknown, hints), file.second};
    }

    fs::path m_folder;
};

// Shares of the top guess and of the top three that are right, per form and overall.
TEST_F(GuessCorpus, MostPicturesComeOutRight) {
    std::map<std::string, Tally> tallies;
    Tally all;
    Corpus corpus(m_folder);
    for (const Picture& picture : Pictures()) {
        ASSERT_TRUE(corpus.Make(picture)) << picture.source;
        for (const auto& [form, file] : corpus.Forms(picture)) {
            const std::vector<LayoutGuess> guesses = GuessFile(file.first);
            const bool first = !guesses.empty() && Right(guesses[0], file.second);
            bool any = first;
            for (const LayoutGuess& guess : guesses) any = any || Right(guess, file.second);
            for (Tally* tally : {&tallies[form], &all}) {
                ++tally->pictures;
                tally->top1 += first;
                tally->top3 += any;
            }
        }
    }
    for (const auto& [form, tally] : tallies) {
        std::printf("  %-16s %3d pictures  top-1 %5.1f%%  top-3 %5.1f%%\n", form.c_str(), tally.pictures,
                    tally.Top1(), tally.Top3());
        EXPECT_GE(tally.Top3(), kFormTop3) << form;
        if (std::find(std::begin(kColourForms), std::end(kColourForms), form) != std::end(kColourForms)) {
            EXPECT_GE(tally.Top1(), kColourTop1) << form;
        }
    }
    std::printf("  %-16s %3d pictures  top-1 %5.1f%%  top-3 %5.1f%%\n", "all", all.pictures, all.Top1(), all.Top3());
    EXPECT_GE(all.Top1(), kAllTop1);
    EXPECT_GE(all.Top3(), kAllTop3);
}

// A photograph in every form comes out right as the top guess, and confidently.
TEST_F(GuessCorpus, PhotographInEveryForm) {
    Corpus corpus(m_folder);
    const Picture rose{"rose:", 211, 157};
    ASSERT_TRUE(corpus.Make(rose));
    for (const auto& [form, file] : corpus.Forms(rose)) {
        const std::vector<LayoutGuess> guesses = GuessFile(file.first);
        ASSERT_FALSE(guesses.empty()) << form;
        EXPECT_TRUE(Right(guesses[0], file.second))
            << form << ": depth " << guesses[0].depth << ", width " << guesses[0].width << ", line pad "
            << guesses[0].linePad << ", offset " << guesses[0].offset;
        EXPECT_GE(guesses[0].confidence, kLowConfidence) << form;
    }
}

// A small drawing's bitmap file: its bottom rows, stored first, are plain white, so the
// header's end is unclear by a row; the right start must be among the top three.
TEST_F(GuessCorpus, SmallBitmapOfADrawing) {
    for (const Picture& logo : {Picture{"logo:", 16, 16}, Picture{"logo:", 37, 23}}) {
        const Guessed guessed = GuessForm(logo, "BMP behind an unknown header");
        EXPECT_TRUE(RightWithin(guessed, 3)) << logo.width << " x " << logo.height;
    }
}

// A texture of a few dozen blocks behind its 128-byte header, most of whose bytes are zero:
// read as blocks, the zeros make a cheap black band, so the header must be paid for as the
// bytes it is for the right start to win. Sixteen blocks of rose are as cheap two as four
// to a row (within 5 bits): there the start must win and the row length come second.
TEST_F(GuessCorpus, SmallTextureBehindItsHeader) {
    for (const Picture& picture : {Picture{"rose:", 16, 16}, Picture{"rose:", 37, 23}, Picture{"granite:", 16, 16}}) {
        const Guessed guessed = GuessForm(picture, "DDS DXT1 behind an unknown header");
        const bool sixteenBlocks = picture.width == 16 && picture.source == std::string("rose:");
        EXPECT_TRUE(RightWithin(guessed, sixteenBlocks ? 2 : 1) && guessed.guesses[0].offset == 128)
            << picture.source << " " << picture.width << " x " << picture.height;
    }
    LayoutHints fromTheFirstByte;
    fromTheFirstByte.offset = 0;
    for (const LayoutGuess& guess : GuessForm({"rose:", 16, 16}, "DDS DXT1 behind an unknown header", fromTheFirstByte).guesses)
        EXPECT_EQ(guess.offset, 0) << "the offset given is kept";
}

// A grainy texture of two thousand blocks, whose block brightness dips at its rows barely
// more than elsewhere: the right row length must still be tried and win.
TEST_F(GuessCorpus, GrainyTexture) {
    EXPECT_TRUE(RightWithin(GuessForm({"granite:", 211, 157}, "DDS DXT1 behind an unknown header"), 1));
}

// A tiny grainy photograph: a reading a pixel wider shears it, yet its grain predicts as
// well; the picture ends with the file, and a reading that leaves part of a row does not.
TEST_F(GuessCorpus, TinyPhotographEndsWithTheFile) {
    for (const char* form : {"raw RGB 24-bit", "raw BGRA 32-bit"})
        EXPECT_TRUE(RightWithin(GuessForm({"granite:", 16, 16}, form), 1)) << form;
}

// Plasma's first bytes read as a short header; a reading a row and a half wide then started
// far past it, skipping rows so as to end with the file.
// In two levels, its 24 KB are no font: rows a byte wide would be 24512 glyph rows. Nor
// are a small grey wizard's bytes, whose bits flicker by their place from row to row.
TEST_F(GuessCorpus, WrongStrideDoesNotSkipRowsToEndWithTheFile) {
    const Picture plasma{"-size 1024x768 -seed 7 plasma:fractal", 1024, 768};
    EXPECT_TRUE(RightWithin(GuessForm(plasma, "raw RGB565"), 1));
    EXPECT_TRUE(RightWithin(GuessForm({"-size 509x383 -seed 7 plasma:fractal", 509, 383}, "raw 1-bit"), 1));
    EXPECT_TRUE(RightWithin(GuessForm({"wizard:", 16, 16}, "raw grey 8-bit"), 1));
}

// A drawing on white whose busy middle stands out as a stretch of its own: the rows go on
// around it, so it is no picture among other bytes.
// Nor, read by value, is a stretch of dithered bits: their bytes are no values.
TEST_F(GuessCorpus, BusyMiddleOfABitmapIsNoPictureOfItsOwn) {
    EXPECT_TRUE(RightWithin(GuessForm({"wizard:", 101, 77}, "BMP behind an unknown header"), 1));
    EXPECT_TRUE(RightWithin(GuessForm({"logo:", 640, 480}, "raw 1-bit"), 1));
}

// A small dithered drawing in two levels: its dots repeat every few bytes, as channels of
// wider pixels do, yet it must still be read bit by bit.
TEST_F(GuessCorpus, SmallDitheredDrawing) {
    const Guessed guessed = GuessForm({"netscape:", 64, 64}, "raw 1-bit");
    ASSERT_FALSE(guessed.guesses.empty());
    EXPECT_EQ(guessed.guesses[0].depth, Depth1);
    EXPECT_TRUE(RightWithin(guessed, 3));
}

}  // namespace
#endif
