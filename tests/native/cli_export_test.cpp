#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cli/exporter.h"
#include "cli/options.h"
#include "cli/render.h"
#include "decode/decoder.h"
#include "tests/native/cli_test_support.h"

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_BMP
#define STBI_ONLY_PNM
#include <stb_image.h>

namespace {

using namespace clitest;

class CliExport : public CliTest {
protected:
    // What DecodePixels makes of the input with the parameters set by `setUp`.
    Bytes DecodeDirectly(void (*setUp)(CRawDoc&)) const {
        const std::unique_ptr<CRawDoc> doc = OpenDocument(Work("in.bin").u8string());
        setUp(*doc);
        size_t bytes = 0;
        EXPECT_TRUE(PixelBufferBytes(doc->m_width, doc->m_height, bytes));
        Bytes pixels(bytes, 0);
        DecodePixels(*doc, pixels.data());
        return pixels;
    }
};

TEST_F(CliExport, FailuresExplainThemselvesAndLeaveNoFile) {
    WriteWholeFile(Work("tiny.bin"), PatternBytes(11));
    fs::create_directory(Work("folder.png"));
    struct Case {
        Args args;
        int exitCode;
        std::string problem;
    };
    const Case cases[] = {
        {{"@in.bin", "--bogus"}, 2, "unknown option '--bogus'"},
        {{"@in.bin", "--width", "12abc", "-o", "@out.png"}, 2, "'12abc' is not a decimal number"},
        {{"@in.bin"}, 2, "no output given"},
        {{"@in.bin", "-o", "@out.gif"}, 2, "no known extension"},
        {{"@missing.bin", "-o", "@out.png"}, 1, "missing.bin': " + kNoSuchFile},
        {{"@", "-o", "@out.png"}, 1, "': Is a directory"},
        {{"@tiny.bin", "-o", "@out.png"}, 1, "0 by 0"},
        {{"@in.bin", "--height", "0", "-o", "@out.png"}, 2, "out of range (1 to 4294967295)"},
        {{"@in.bin", "-o", "-"}, 2, "cannot go to standard output: use --raw"},
        {{"@in.bin", "--width", "4294967295", "--height", "4294967295", "-o", "@out.ppm"}, 1,
         "too large"},
        {{"@in.bin", "--width", "4294967295", "--height", "1073741824", "--raw", "-o", "@out.raw"},
         1, "memory"},
        {{"@in.bin", "--width", "5000000", "--height", "1", "-o", "@out.png"}, 1, "too large for PNG"},
        {{"@in.bin", "--width", "40000", "--height", "20000", "-o", "@out.bmp"}, 1,
         "too large for BMP"},
        {{"@in.bin", "-o", "@no/such/folder/out.png"}, 1,
         "cannot create a file in the folder '" + Work("no/such/folder").u8string() +
             "' to write '" + Work("no/such/folder/out.png").u8string() + "': " + kNoSuchFolder},
        {{"@in.bin", "-o", "@folder.png"}, 1, "folder.png': Is a directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const Outcome outcome = Run(c.args);
        EXPECT_EQ(outcome.exitCode, c.exitCode);
        ExpectOneLineMessage(outcome, c.problem);
        EXPECT_TRUE(outcome.out.empty());
        EXPECT_EQ(WorkListing(), (std::vector<std::string>{"folder.png", "in.bin", "tiny.bin"}));
    }
}

// With 24-bit pixels in the "rgba" order the file's bytes are red, green, blue, so the
// picture as shown is the file itself, row by row from the top.
TEST_F(CliExport, PicturesReadBackAsShown) {
    constexpr int kWidth = 5;  // 15 bytes a row: BMP rows need padding
    constexpr int kHeight = 3;
    const Bytes file = PatternBytes(kWidth * kHeight * 3);
    WriteWholeFile(Work("rgb.bin"), file);
    const size_t rowBytes = kWidth * 3;
    Bytes upsideDown;
    for (size_t row = kHeight; row-- > 0;)
        upsideDown.insert(upsideDown.end(), file.begin() + row * rowBytes, file.begin() + (row + 1) * rowBytes);

    for (const char* name : {"out.png", "out.bmp", "out.ppm", "OUT.PNG"}) {
        for (const bool invertY : {false, true}) {
            SCOPED_TRACE(std::string(name) + (invertY ? " inverted" : ""));
            Args args{"@rgb.bin", "--depth", "24", "--width", "5", "--height", "3", "-o",
                      std::string("@") + name};
            if (invertY) args.push_back("--invert-y");
            const Outcome outcome = Run(args);
            ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
            EXPECT_TRUE(outcome.err.empty() && outcome.out.empty());

            const Bytes encoded = ReadWholeFile(Work(name));
            int width = 0, height = 0, channels = 0;
            stbi_uc* decoded = stbi_load_from_memory(encoded.data(), static_cast<int>(encoded.size()),
                                                     &width, &height, &channels, 3);
            ASSERT_NE(decoded, nullptr) << stbi_failure_reason();
            EXPECT_EQ(width, kWidth);
            EXPECT_EQ(height, kHeight);
            EXPECT_EQ(Bytes(decoded, decoded + file.size()), invertY ? upsideDown : file);
            stbi_image_free(decoded);
            fs::remove(Work(name));
        }
    }
}

TEST_F(CliExport, RawRowsRunBottomUp) {
    WriteWholeFile(Work("grey.bin"), Bytes{0, 1, 2, 3, 4, 5, 6, 7});
    const Outcome outcome = Run({"@grey.bin", "--width", "3", "--height", "2", "--line-pad", "2", "--raw"});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.out, (Bytes{5, 5, 5, 0, 6, 6, 6, 0, 7, 7, 7, 0,    // bottom row
                                  0, 0, 0, 0, 1, 1, 1, 0, 2, 2, 2, 0}));  // top row
}

// The options must reach the decoder exactly as the Parameters dialog would set them.
TEST_F(CliExport, RawOutputIsTheDecodersBuffer) {
    struct Case {
        Args options;
        void (*setUp)(CRawDoc&);
    };
    const Case cases[] = {
        {{"--width", "7", "--height", "5", "--line-pad", "2"},
         [](CRawDoc& d) { d.m_width = 7, d.m_height = 5, d.m_linePad = 2; }},
        {{"--depth", "1", "--big-endian", "--swap-field", "--invert-y"},
         [](CRawDoc& d) { d.m_depth = Depth1, d.m_bigEndian = d.m_swapField = d.m_invertY = true; }},
        {{"--depth", "16", "--order", "bgra", "--big-endian"},
         [](CRawDoc& d) {
             d.m_depth = Depth16, d.m_bigEndian = true;
             d.m_shift[0] = 11, d.m_shift[1] = 5, d.m_shift[2] = 0, d.m_shift[3] = 16;
         }},
        {{"--depth", "dxt1", "--fields", "r5g5b5a1", "--width", "8", "--height", "8"},
         [](CRawDoc& d) {
             d.m_depth = DepthDXT1, d.m_width = 8, d.m_height = 8, d.m_bits[1] = 5, d.m_bits[3] = 1;
             d.m_shift[0] = 0, d.m_shift[1] = 5, d.m_shift[2] = 10, d.m_shift[3] = 15;
         }},
        {{"--depth", "24", "--offset", "5", "--order", "bgra"},
         [](CRawDoc& d) { d.m_depth = Depth24, d.m_offset = 5, d.m_shift[0] = 16, d.m_shift[2] = 0; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.options));
        const Bytes expected = DecodeDirectly(c.setUp);
        EXPECT_NE(std::count(expected.begin(), expected.end(), 0), static_cast<long>(expected.size()))
            << "the comparison needs a picture that is not all black";

        Args args = c.options;
        args.insert(args.begin(), {"@in.bin", "--raw"});
        const Outcome toStandardOutput = Run(args);
        EXPECT_EQ(toStandardOutput.exitCode, 0) << toStandardOutput.err;
        EXPECT_EQ(toStandardOutput.out, expected);

        args.insert(args.end(), {"-o", "@pixels.raw"});
        EXPECT_EQ(Run(args).exitCode, 0);
        EXPECT_EQ(ReadWholeFile(Work("pixels.raw")), expected);
    }
}

TEST_F(CliExport, UnwritableStandardOutputFails) {
    std::FILE* readOnly = std::fopen(Work("in.bin").u8string().c_str(), "rb");
    std::FILE* err = std::fopen(ErrPath().u8string().c_str(), "wb");
    const int exitCode = RunExporter(InWork({"@in.bin", "--raw"}), readOnly, err);
    std::fclose(readOnly);
    std::fclose(err);
    EXPECT_EQ(exitCode, 1);
    ExpectOneLineMessage(Captured(exitCode), "cannot write to standard output");
}

TEST_F(CliExport, AnExistingOutputIsReplacedOnlyBySuccess) {
    WriteWholeFile(Work("out.png"), Bytes{'o', 'l', 'd'});
    EXPECT_EQ(Run({"@in.bin", "--width", "5000000", "-o", "@out.png"}).exitCode, 1);
    EXPECT_EQ(AsText(ReadWholeFile(Work("out.png"))), "old");

    EXPECT_EQ(Run({"@in.bin", "-o", "@out.png"}).exitCode, 0);
    EXPECT_EQ(AsText(ReadWholeFile(Work("out.png"))).substr(0, 4), "\x89PNG");
    EXPECT_EQ(WorkListing(), (std::vector<std::string>{"in.bin", "out.png"}));
}

// The input is closed before the output is renamed into place; Windows insists on that.
TEST_F(CliExport, AnOutputMayReplaceItsInput) {
    const Outcome outcome = Run({"@in.bin", "--raw", "-o", "@in.bin"});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(ReadWholeFile(Work("in.bin")).size(), 40u * 30u * 4u);
}

// The real program: exit codes, its two streams, and standard output in binary mode
// (the pattern holds bytes 10 and 26, which a text-mode stream would alter on Windows).
TEST_F(CliExport, ProgramExitCodesAndStreams) {
    const Bytes expectedRaw = Run({"@in.bin", "--raw"}).out;
    ASSERT_EQ(expectedRaw.size(), 40u * 30u * 4u);

    const Outcome help = RunAsProcess({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(AsText(help.out).rfind("Usage: pixolve-render FILE", 0), 0u);
    EXPECT_TRUE(help.err.empty());

    const Outcome unknown = RunAsProcess({"@in.bin", "--bogus"});
    EXPECT_EQ(unknown.exitCode, 2);
    ExpectOneLineMessage(unknown, "unknown option '--bogus'");

    const Outcome missing = RunAsProcess({"@missing.bin", "--raw"});
    EXPECT_EQ(missing.exitCode, 1);
    ExpectOneLineMessage(missing, "cannot open");

    const Outcome raw = RunAsProcess({"@in.bin", "--raw", "-o", "-"});
    EXPECT_EQ(raw.exitCode, 0) << raw.err;
    EXPECT_EQ(raw.out, expectedRaw);
}

TEST_F(CliExport, ProgramTakesUnicodePaths) {
    const std::string input = u8"données-π.bin";
    const std::string output = u8"картинка-π.bmp";
    fs::copy_file(Work("in.bin"), Work(input));
    const Outcome outcome = RunAsProcess({"@" + input, "-o", "@" + output});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(AsText(ReadWholeFile(Work(output))).substr(0, 2), "BM");
}

}  // namespace
