#include "cli/options.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <utility>

#include "cli/errors.h"
#include "cli/numbers.h"
#include "pixolve_version.h"

namespace {

const char kUsage[] = R"(Usage: pixolve-render FILE [options]
Shows the bytes of FILE as a picture, as the Pixolve viewer does, and writes it out.
FILE may be - for standard input; standard input, pipes and devices are first read
whole into a temporary file (at most 4 GiB), then decoded as a file of those bytes.

Options:
  --offset N          byte offset of the picture in FILE, -2147483648 to 2147483647
                      (default 0; a negative offset gives a black picture)
  --width N|auto      width in pixels, 1 to 4294967295 (default from the file size);
                      auto: the best guess (see --guess)
  --height N|auto     height in rows, likewise
  --depth D           1 | 4 | 8 | 16 | 24 | 32 | dxt1 (default 8)
  --fields F          16-bit and DXT1 channel bit counts: r5g6b5 | r5g5b5 | r5g5b5a1 |
                      r4g4b4a4 | R,G,B,A each 0-255 (default r5g6b5)
  --order O           channel shifts: rgba | bgra | R,G,B,A each 0-255 (default rgba);
                      rgba and bgra follow the chosen depth and fields
  --invert-y          the first row of data is the bottom row of the picture
  --big-endian        most significant bit, nibble or byte first (1, 4, 16-bit, DXT1)
  --swap-field        1-bit pixels start at bit 4 of each byte
  --line-pad N        bytes skipped after each row, 0 to 4294967295 (default 0)
  -o, --output PATH   write a picture, top row first; .png, .bmp or .ppm by the extension.
                      A file is replaced only by a complete picture; a device, FIFO
                      or socket is written in place
  --raw               write the pixel buffer instead: rows bottom-up, 4 bytes a pixel
                      (blue, green, red, fourth byte), to PATH, or to standard output
                      when PATH is - or absent
  --guess             print up to 5 likely layouts of FILE, best first, each with the
                      command line that shows it; --depth, --offset, --width and
                      --line-pad given are kept, the rest is guessed
  --json              with --guess: print the layouts as JSON
  -h, --help          show this help and exit
      --version       show the program's version and exit

Numbers are plain decimal digits: no '+', no spaces; only --offset takes a leading '-'.
A value may also be attached to a long option as --name=VALUE.
Exit status: 0 done, 1 the picture could not be read, made or written, 2 bad command line.
)";

enum class OptionId {
    Offset, Width, Height, Depth, Fields, Order, LinePad, Output,
    InvertY, BigEndian, SwapField, Raw, Guess, Json, Help, Version,
};

struct OptionSpec {
    std::string_view longName;
    std::string_view shortName;
    OptionId id;
    bool takesValue;
};

constexpr OptionSpec kOptionSpecs[] = {
    {"--offset", "", OptionId::Offset, true},
    {"--width", "", OptionId::Width, true},
    {"--height", "", OptionId::Height, true},
    {"--depth", "", OptionId::Depth, true},
    {"--fields", "", OptionId::Fields, true},
    {"--order", "", OptionId::Order, true},
    {"--line-pad", "", OptionId::LinePad, true},
    {"--output", "-o", OptionId::Output, true},
    {"--invert-y", "", OptionId::InvertY, false},
    {"--big-endian", "", OptionId::BigEndian, false},
    {"--swap-field", "", OptionId::SwapField, false},
    {"--raw", "", OptionId::Raw, false},
    {"--guess", "", OptionId::Guess, false},
    {"--json", "", OptionId::Json, false},
    {"--help", "-h", OptionId::Help, false},
    {"--version", "", OptionId::Version, false},
};

constexpr std::pair<std::string_view, PixelFormat> kDepthNames[] = {
    {"1", Depth1}, {"4", Depth4}, {"8", Depth8}, {"16", Depth16},
    {"24", Depth24}, {"32", Depth32}, {"dxt1", DepthDXT1},
};

constexpr std::pair<std::string_view, size_t> kFieldPresetNames[] = {
    {"r5g6b5", 0}, {"r5g5b5", 1}, {"r5g5b5a1", 2}, {"r4g4b4a4", 3},
};

constexpr std::pair<std::string_view, OrderChoice> kOrderNames[] = {
    {"rgba", OrderChoice::Rgba}, {"bgra", OrderChoice::Bgra},
};

constexpr std::pair<std::string_view, OutputFormat> kExtensions[] = {
    {".png", OutputFormat::Png}, {".bmp", OutputFormat::Bmp}, {".ppm", OutputFormat::Ppm},
};

template <typename Value, size_t N>
std::optional<Value> LookUp(const std::pair<std::string_view, Value> (&table)[N],
                            std::string_view name) {
    for (const auto& entry : table) {
        if (entry.first == name) return entry.second;
    }
    return std::nullopt;
}

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

void CheckNumber(NumberStatus status, std::string_view option, std::string_view text,
                 const std::string& range) {
    if (status == NumberStatus::Malformed)
        throw UsageError(std::string(option) + ": " + Quoted(text) + " is not a decimal number");
    if (status == NumberStatus::OutOfRange)
        throw UsageError(std::string(option) + ": " + std::string(text) +
                         " is out of range (" + range + ")");
}

uint32_t RequireUnsigned(std::string_view option, std::string_view text, uint32_t max) {
    uint32_t value = 0;
    CheckNumber(ParseUnsigned(text, max, value), option, text, "0 to " + std::to_string(max));
    return value;
}

// A picture has at least one column and one row.
uint32_t RequireSide(std::string_view option, std::string_view text) {
    uint32_t value = 0;
    NumberStatus status = ParseUnsigned(text, UINT32_MAX, value);
    if (status == NumberStatus::Ok && value == 0) status = NumberStatus::OutOfRange;
    CheckNumber(status, option, text, "1 to 4294967295");
    return value;
}

int32_t RequireSigned32(std::string_view option, std::string_view text) {
    int32_t value = 0;
    CheckNumber(ParseSigned32(text, value), option, text, "-2147483648 to 2147483647");
    return value;
}

// "R,G,B,A": exactly four numbers from 0 to 255.
std::optional<ChannelQuad> ParseQuad(std::string_view option, std::string_view text) {
    if (std::count(text.begin(), text.end(), ',') != 3) return std::nullopt;
    ChannelQuad quad{};
    for (uint8_t& entry : quad) {
        const size_t comma = text.find(',');
        entry = static_cast<uint8_t>(RequireUnsigned(option, text.substr(0, comma), 255));
        text.remove_prefix(comma == std::string_view::npos ? text.size() : comma + 1);
    }
    return quad;
}

PixelFormat RequireDepth(std::string_view text) {
    if (const auto depth = LookUp(kDepthNames, text)) return *depth;
    throw UsageError("--depth: " + Quoted(text) + " is not one of 1, 4, 8, 16, 24, 32, dxt1");
}

ChannelQuad RequireFields(std::string_view text) {
    if (const auto preset = LookUp(kFieldPresetNames, text)) return kFieldPresets[*preset];
    if (const auto quad = ParseQuad("--fields", text)) return *quad;
    throw UsageError("--fields: " + Quoted(text) +
                     " is not r5g6b5, r5g5b5, r5g5b5a1, r4g4b4a4 or four counts R,G,B,A");
}

void SetOrder(std::string_view text, RenderOptions& options) {
    if (const auto preset = LookUp(kOrderNames, text)) {
        options.order = *preset;
        return;
    }
    if (const auto quad = ParseQuad("--order", text)) {
        options.order = OrderChoice::Custom;
        options.customShifts = *quad;
        return;
    }
    throw UsageError("--order: " + Quoted(text) + " is not rgba, bgra or four shifts R,G,B,A");
}

void SetSize(std::string_view name, std::string_view value, std::optional<uint32_t>& size,
             bool& automatic) {
    automatic = value == "auto";
    if (automatic)
        size.reset();
    else
        size = RequireSide(name, value);
}

void SetValue(OptionId id, std::string_view name, std::string_view value,
              RenderOptions& options) {
    switch (id) {
        case OptionId::Offset:
            options.offset = RequireSigned32(name, value);
            options.offsetGiven = true;
            break;
        case OptionId::Width: SetSize(name, value, options.width, options.widthAuto); break;
        case OptionId::Height: SetSize(name, value, options.height, options.heightAuto); break;
        case OptionId::LinePad:
            options.linePad = RequireUnsigned(name, value, UINT32_MAX);
            options.linePadGiven = true;
            break;
        case OptionId::Depth:
            options.depth = RequireDepth(value);
            options.depthGiven = true;
            break;
        case OptionId::Fields: options.bits = RequireFields(value); break;
        case OptionId::Order: SetOrder(value, options); break;
        case OptionId::Output: options.outputPath = std::string(value); break;
        default: break;
    }
}

void SetFlag(OptionId id, RenderOptions& options, bool& raw) {
    switch (id) {
        case OptionId::InvertY: options.invertY = true; break;
        case OptionId::BigEndian: options.bigEndian = true; break;
        case OptionId::SwapField: options.swapField = true; break;
        case OptionId::Raw: raw = true; break;
        case OptionId::Guess: options.guess = true; break;
        case OptionId::Json: options.json = true; break;
        default: break;
    }
}

// A lone "-" is an ordinary argument (a file name, or standard output for --raw).
bool LooksLikeOption(const std::string& arg) { return arg.size() > 1 && arg[0] == '-'; }

struct OptionUse {
    const OptionSpec* spec;
    std::optional<std::string_view> attachedValue;  // from --name=VALUE
};

OptionUse IdentifyOption(std::string_view arg) {
    std::optional<std::string_view> attached;
    const size_t equals = arg.find('=');
    if (arg.substr(0, 2) == "--" && equals != std::string_view::npos) {
        attached = arg.substr(equals + 1);
        arg = arg.substr(0, equals);
    }
    for (const OptionSpec& spec : kOptionSpecs) {
        if (arg == spec.longName || (!attached && arg == spec.shortName && !arg.empty()))
            return {&spec, attached};
    }
    throw UsageError("unknown option " + Quoted(arg) + " (see --help)");
}

// The value is the next argument, unless that is missing or is itself a long option,
// which almost always means the value was forgotten.
std::string_view TakeNextValue(const std::vector<std::string>& args, size_t& index) {
    const std::string& option = args[index];
    if (index + 1 >= args.size() || args[index + 1].rfind("--", 0) == 0)
        throw UsageError("option " + Quoted(option) + " needs a value");
    return args[++index];
}

// Applies the option at args[index], moving past a separate value. Returns the text that
// --help or --version asks for, nullptr for every other option.
const char* TakeOption(const std::vector<std::string>& args, size_t& index,
                       RenderOptions& options, bool& raw) {
    const OptionUse use = IdentifyOption(args[index]);
    if (use.spec->id == OptionId::Help) return UsageText();
    if (use.spec->id == OptionId::Version) return VersionText();
    if (!use.spec->takesValue) {
        if (use.attachedValue)
            throw UsageError("option " + Quoted(use.spec->longName) + " takes no value");
        SetFlag(use.spec->id, options, raw);
        return nullptr;
    }
    const std::string_view value = use.attachedValue ? *use.attachedValue
                                                     : TakeNextValue(args, index);
    SetValue(use.spec->id, use.spec->longName, value, options);
    return nullptr;
}

std::optional<OutputFormat> FormatFromExtension(std::string_view path) {
    const size_t dot = path.rfind('.');
    const size_t separator = path.find_last_of("/\\");
    if (dot == std::string_view::npos ||
        (separator != std::string_view::npos && dot < separator))
        return std::nullopt;
    std::string extension(path.substr(dot));
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return LookUp(kExtensions, extension);
}

void ChooseOutputFormat(bool raw, RenderOptions& options) {
    if (raw) {
        options.format = OutputFormat::Raw;
        return;
    }
    if (!options.outputPath)
        throw UsageError("no output given: use -o FILE.png, .bmp or .ppm, or --raw");
    if (*options.outputPath == "-")
        throw UsageError("a PNG, BMP or PPM picture cannot go to standard output: use --raw, "
                         "or -o with a file name");
    const auto format = FormatFromExtension(*options.outputPath);
    if (!format)
        throw UsageError("output " + Quoted(*options.outputPath) +
                         " has no known extension (use .png, .bmp or .ppm)");
    options.format = *format;
}

void SetInputPath(const std::string& arg, bool& inputSeen, RenderOptions& options) {
    if (inputSeen) throw UsageError("unexpected argument " + Quoted(arg) + ": only one FILE");
    options.inputPath = arg;
    inputSeen = true;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine commandLine;
    RenderOptions& options = commandLine.options;
    bool raw = false;
    bool inputSeen = false;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (optionsEnded || !LooksLikeOption(arg)) {
            SetInputPath(arg, inputSeen, options);
        } else {
            commandLine.textToShow = TakeOption(args, i, options, raw);
            if (commandLine.textToShow) return commandLine;
        }
    }
    if (!inputSeen) throw UsageError("no input FILE given (see --help)");
    if (options.json && !options.guess) throw UsageError("--json goes with --guess");
    if (options.guess) {
        if (options.widthAuto || options.heightAuto)
            throw UsageError("--guess finds the size itself: leave out 'auto'");
        return commandLine;
    }
    ChooseOutputFormat(raw, options);
    return commandLine;
}

ChannelQuad ResolveShifts(const RenderOptions& options) {
    const ChannelQuad standard = GetStandardShifts(options.depth, options.bits);
    switch (options.order) {
        case OrderChoice::Rgba: return RgbaOrder(standard);
        case OrderChoice::Bgra: return BgraOrder(standard);
        case OrderChoice::Custom: break;
    }
    return options.customShifts;
}

bool WritesToStandardOutput(const RenderOptions& options) {
    return options.format == OutputFormat::Raw &&
           (!options.outputPath || *options.outputPath == "-");
}

const char* UsageText() { return kUsage; }

const char* VersionText() { return "pixolve-render " PIXOLVE_VERSION_TEXT "\n"; }
