// The exporter's command line, parsed into a plain record.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "decode/presets.h"
#include "decode/raw_doc.h"

enum class OutputFormat { Png, Bmp, Ppm, Raw };

// Channel order: a preset resolves against the final depth and fields, whatever the
// order of the options on the command line.
enum class OrderChoice { Rgba, Bgra, Custom };

struct RenderOptions {
    std::string inputPath;
    std::optional<std::string> outputPath;
    OutputFormat format = OutputFormat::Raw;  // --raw, or the output path's extension

    int32_t offset = 0;
    std::optional<uint32_t> width;   // absent: the document's default for the file size
    std::optional<uint32_t> height;  // likewise
    PixelFormat depth = Depth8;
    ChannelQuad bits = kFieldPresets[0];
    OrderChoice order = OrderChoice::Rgba;
    ChannelQuad customShifts{};
    bool invertY = false;
    bool bigEndian = false;
    bool swapField = false;
    uint32_t linePad = 0;

    // --guess prints layouts instead of a picture; --width/--height auto take the best.
    bool guess = false;
    bool json = false;
    bool widthAuto = false;
    bool heightAuto = false;
    // Which layout options were given: a guess keeps those and finds the rest.
    bool depthGiven = false;
    bool offsetGiven = false;
    bool linePadGiven = false;
};

struct CommandLine {
    const char* textToShow = nullptr;  // --help or --version: print this and do nothing else
    RenderOptions options;
};

// `args` excludes the program name. Throws UsageError with a one-line message.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The m_shift values the options stand for.
ChannelQuad ResolveShifts(const RenderOptions& options);

// --raw with no output path, or with "-", goes to standard output.
bool WritesToStandardOutput(const RenderOptions& options);

const char* UsageText();
const char* VersionText();
