#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/errors.h"
#include "cli/options.h"
#include "pixolve_version.h"

namespace {

using Args = std::vector<std::string>;

RenderOptions Parse(Args args) {
    return ParseCommandLine(args).options;
}

// The message of the UsageError the arguments raise, or "" when they parse.
std::string UsageErrorOf(const Args& args) {
    try {
        ParseCommandLine(args);
    } catch (const UsageError& error) {
        return error.what();
    }
    return "";
}

TEST(CliOptions, EveryOptionLandsInItsField) {
    for (const bool attached : {false, true}) {
        const auto option = [&](const std::string& name, const std::string& value) {
            return attached ? Args{name + "=" + value} : Args{name, value};
        };
        Args args{"--invert-y", "--big-endian", "--swap-field", "in.bin"};
        for (const Args& pair : {option("--offset", "-2147483648"), option("--width", "007"),
                                 option("--height", "4294967295"), option("--depth", "dxt1"),
                                 option("--fields", "r4g4b4a4"), option("--order", "1,2,3,250"),
                                 option("--line-pad", "3"), option("--output", "x.bmp")})
            args.insert(args.end(), pair.begin(), pair.end());
        SCOPED_TRACE(attached ? "--name=value" : "--name value");
        const RenderOptions options = Parse(args);
        EXPECT_EQ(options.offset, INT32_MIN);
        EXPECT_EQ(options.width, 7u);
        EXPECT_EQ(options.height, UINT32_MAX);
        EXPECT_EQ(options.depth, DepthDXT1);
        EXPECT_EQ(options.bits, (ChannelQuad{4, 4, 4, 4}));
        EXPECT_EQ(ResolveShifts(options), (ChannelQuad{1, 2, 3, 250}));
        EXPECT_TRUE(options.invertY && options.bigEndian && options.swapField);
        EXPECT_EQ(options.linePad, 3u);
        EXPECT_EQ(options.outputPath, "x.bmp");
        EXPECT_EQ(options.format, OutputFormat::Bmp);
    }
}

TEST(CliOptions, ValuesAreCheckedStrictly) {
    struct Case {
        const char* option;
        const char* text;
        const char* problem;  // nullptr: accepted; "": rejected, whatever the wording
    };
    const Case cases[] = {
        {"--width", "0", "out of range (1 to 4294967295)"},
        {"--height", "0", "out of range (1 to 4294967295)"},
        {"--width", "4294967295", nullptr},
        {"--width", "4294967296", "out of range"},
        {"--width", "99999999999999999999999", "out of range"},
        {"--width", "-1", "out of range"},
        {"--width", "", "not a decimal number"},
        {"--width", " 5", "not a decimal number"},
        {"--width", "12abc", "not a decimal number"},
        {"--width", "+5", "not a decimal number"},
        {"--width", "-x", "not a decimal number"},
        {"--line-pad", "1e3", "not a decimal number"},
        {"--offset", "2147483647", nullptr},
        {"--offset", "2147483648", "out of range"},
        {"--offset", "-2147483649", "out of range"},
        {"--offset", "+-1", "not a decimal number"},
        {"--offset", "-", "not a decimal number"},
        {"--offset", "--1", "needs a value"},
        {"--fields", "r5g5b5", nullptr},
        {"--fields", "0,0,255,8", nullptr},
        {"--fields", "5,6,5,256", "out of range"},
        {"--fields", "5, 6,5,0", "not a decimal number"},
        {"--fields", "5,6,,0", "not a decimal number"},
        {"--fields", "5,6,5", ""},
        {"--fields", "R5G6B5", ""},
        {"--order", "bgra", nullptr},
        {"--order", "255,0,0,0", nullptr},
        {"--order", "0,8,16,", "not a decimal number"},
        {"--order", "argb", ""},
        {"--depth", "dxt1", nullptr},
        {"--depth", "2", ""},
        {"--depth", "DXT", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.option) + " '" + c.text + "'");
        const std::string message = UsageErrorOf({"in.bin", "--raw", c.option, c.text});
        if (c.problem == nullptr) {
            EXPECT_EQ(message, "");
        } else {
            EXPECT_NE(message.find(c.problem), std::string::npos) << message;
            EXPECT_NE(message.find(c.option), std::string::npos) << message;
        }
    }
}

// The presets resolve against the final depth and fields, as in the Parameters dialog,
// wherever --order stands on the command line.
TEST(CliOptions, OrderPresetsFollowDepthAndFields) {
    struct Case {
        Args args;
        ChannelQuad shifts;
    };
    const Case cases[] = {
        {{"--depth", "8", "--fields", "r4g4b4a4"}, {0, 8, 16, 24}},
        {{"--depth", "32", "--order", "bgra"}, {16, 8, 0, 24}},
        {{"--depth", "1", "--order", "bgra"}, {16, 8, 0, 24}},
        {{"--depth", "16"}, {0, 5, 11, 16}},
        {{"--order", "bgra", "--depth", "16"}, {11, 5, 0, 16}},
        {{"--depth", "dxt1", "--fields", "r5g5b5"}, {0, 5, 10, 15}},
        {{"--order", "bgra", "--fields", "r5g5b5a1", "--depth", "16"}, {10, 5, 0, 15}},
        {{"--depth", "16", "--fields", "r4g4b4a4"}, {0, 4, 8, 12}},
        {{"--depth", "dxt1", "--fields", "r4g4b4a4", "--order", "bgra"}, {8, 4, 0, 12}},
        {{"--depth", "16", "--fields", "200,100,0,0"}, {0, 200, 44, 44}},
        {{"--order", "9,8,7,6", "--depth", "16"}, {9, 8, 7, 6}},
    };
    for (const Case& c : cases) {
        Args args = c.args;
        args.insert(args.end(), {"in.bin", "--raw"});
        EXPECT_EQ(ResolveShifts(Parse(args)), c.shifts) << ::testing::PrintToString(c.args);
    }
}

TEST(CliOptions, CommandLineMistakesAreNamed) {
    struct Case {
        Args args;
        const char* problem;
    };
    const Case cases[] = {
        {{"in.bin", "--raw", "--bogus"}, "unknown option '--bogus'"},
        {{"in.bin", "--raw", "-x"}, "unknown option '-x'"},
        {{"in.bin", "--raw", "--width"}, "'--width' needs a value"},
        {{"in.bin", "--raw", "--width", "--height", "5"}, "'--width' needs a value"},
        {{"in.bin", "-o"}, "'-o' needs a value"},
        {{"in.bin", "--raw=yes"}, "'--raw' takes no value"},
        {{"--raw"}, "no input FILE"},
        {{"a.bin", "b.bin", "--raw"}, "unexpected argument 'b.bin'"},
        {{"in.bin"}, "no output given"},
        {{"in.bin", "-o", "out.jpg"}, "'out.jpg' has no known extension"},
        {{"in.bin", "-o", "out"}, "'out' has no known extension"},
        {{"in.bin", "-o", "pictures.png/out"}, "no known extension"},
        {{"in.bin", "-o", "-"}, "cannot go to standard output: use --raw"},
    };
    for (const Case& c : cases) {
        const std::string message = UsageErrorOf(c.args);
        EXPECT_NE(message.find(c.problem), std::string::npos)
            << ::testing::PrintToString(c.args) << " gave: " << message;
    }
}

TEST(CliOptions, OutputFormatAndDestination) {
    struct Case {
        Args args;
        OutputFormat format;
        bool toStandardOutput;
    };
    const Case cases[] = {
        {{"-o", "OUT.PNG"}, OutputFormat::Png, false},
        {{"-o", "dir.v2/out.Bmp"}, OutputFormat::Bmp, false},
        {{"--output", "out.ppm"}, OutputFormat::Ppm, false},
        {{"--raw"}, OutputFormat::Raw, true},
        {{"--raw", "-o", "-"}, OutputFormat::Raw, true},
        {{"--raw", "-o", "out.png"}, OutputFormat::Raw, false},
        {{"-o", "out.png", "--raw"}, OutputFormat::Raw, false},
    };
    for (const Case& c : cases) {
        Args args = c.args;
        args.insert(args.begin(), "in.bin");
        const RenderOptions options = Parse(args);
        EXPECT_EQ(options.format, c.format) << ::testing::PrintToString(c.args);
        EXPECT_EQ(WritesToStandardOutput(options), c.toStandardOutput)
            << ::testing::PrintToString(c.args);
    }
}

TEST(CliOptions, HelpVersionAndFileNamesThatLookLikeOptions) {
    struct Case {
        Args args;
        const char* shown;  // nullptr: an export
    };
    const Case cases[] = {
        {{"--help"}, UsageText()},
        {{"in.bin", "-h", "--bogus"}, UsageText()},
        {{"--version", "--help"}, "pixolve-render " PIXOLVE_VERSION_TEXT "\n"},
        {{"in.bin", "--raw"}, nullptr},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(ParseCommandLine(c.args).textToShow, c.shown)
            << ::testing::PrintToString(c.args);
    EXPECT_EQ(Parse({"--raw", "--", "--width"}).inputPath, "--width");
    EXPECT_EQ(Parse({"-", "--raw"}).inputPath, "-");
}

}  // namespace
