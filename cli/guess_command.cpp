#include "cli/guess_command.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "cli/errors.h"
#include "cli/render.h"
#include "decode/presets.h"

namespace {

const char* DepthName(PixelFormat depth) {
    switch (depth) {
        case Depth1: return "1";
        case Depth4: return "4";
        case Depth8: return "8";
        case Depth16: return "16";
        case Depth24: return "24";
        case Depth32: return "32";
        case DepthDXT1: return "dxt1";
    }
    return "?";
}

// The Parameters dialog's name for the depth.
const char* DepthListName(PixelFormat depth) {
    return depth == DepthDXT1 ? "S3TC(DXT1)" : DepthName(depth);
}

const char* FieldsName(GuessFields fields) {
    switch (fields) {
        case GuessFields::R5G5B5: return "r5g5b5";
        case GuessFields::R4G4B4A4: return "r4g4b4a4";
        case GuessFields::R5G6B5: break;
    }
    return "r5g6b5";
}

bool HasFields(PixelFormat depth) { return depth == Depth16 || depth == DepthDXT1; }
bool HasBitOrder(PixelFormat depth) { return depth == Depth1 || depth == Depth4 || depth == Depth16; }

// 16-bit and DXT1 colours are usually stored red in the high bits, which is "BGRA" here;
// which of red and blue comes first in 24 and 32-bit pixels the bytes do not tell.
bool UsesBgra(PixelFormat depth) { return HasFields(depth); }

std::string Percent(double confidence) {
    return std::to_string(static_cast<int>(std::lround(confidence * 100))) + "%";
}

std::string QuotedForShell(const std::string& text) {
    const bool plain = !text.empty() && text.find_first_not_of(
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_./:\\-+=,@") == std::string::npos;
    if (plain) return text;
#ifdef _WIN32
    return "\"" + text + "\"";
#else
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
#endif
}

std::string ShownCommand(const std::string& path, const LayoutGuess& guess) {
    std::string line = "pixolve-render " + QuotedForShell(path);
    for (const std::string& arg : GuessArguments(guess)) line += " " + arg;
    return line + " -o picture.png";
}

std::string DialogValues(const LayoutGuess& guess) {
    std::string text = "Offset " + std::to_string(guess.offset) + ", Width " + std::to_string(guess.width) +
                       ", Height " + std::to_string(guess.height) + ", Depth " + DepthListName(guess.depth);
    if (HasFields(guess.depth)) text += std::string(", ") + FieldsName(guess.fields) + ", BGRA";
    if (HasBitOrder(guess.depth) && guess.bigEndian) text += ", Big Endian";
    return text + ", Line pad " + std::to_string(guess.linePad);
}

std::string JsonString(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (u < 0x20) {
            static const char kHex[] = "0123456789abcdef";
            quoted += "\\u00";
            quoted += kHex[u >> 4];
            quoted += kHex[u & 15];
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

std::string JsonNumber(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

std::string GuessJson(const std::string& path, const LayoutGuess& guess) {
    std::string json = "{\"depth\": " + JsonString(DepthName(guess.depth)) +
                       ", \"width\": " + std::to_string(guess.width) +
                       ", \"linePad\": " + std::to_string(guess.linePad) +
                       ", \"offset\": " + std::to_string(guess.offset) +
                       ", \"height\": " + std::to_string(guess.height);
    if (HasFields(guess.depth)) json += ", \"fields\": " + JsonString(FieldsName(guess.fields));
    if (UsesBgra(guess.depth)) json += ", \"order\": \"bgra\"";
    if (HasBitOrder(guess.depth)) json += std::string(", \"bigEndian\": ") + (guess.bigEndian ? "true" : "false");
    json += ", \"confidence\": " + JsonNumber(guess.confidence);
    json += std::string(", \"lowConfidence\": ") + (guess.confidence < kLowConfidence ? "true" : "false");
    json += ", \"bitsPerByte\": " + JsonNumber(guess.bitsPerByte);
    if (guess.header) json += ", \"header\": " + JsonString(guess.header);
    json += ", \"arguments\": [";
    const std::vector<std::string> args = GuessArguments(guess);
    for (size_t i = 0; i < args.size(); ++i) json += (i ? ", " : "") + JsonString(args[i]);
    return json + "], \"command\": " + JsonString(ShownCommand(path, guess)) + "}";
}

std::vector<LayoutGuess> GuessFor(const RenderOptions& options, FileHandle file, size_t count) {
    try {
        return GuessFileLayout(file, HintsFrom(options), count);
    } catch (const RenderError& failure) {
        throw RenderError("'" + options.inputPath + "': " + failure.what());
    }
}

// The input as any export opens it (streams are first read whole into a file).
std::unique_ptr<CRawDoc> OpenForGuess(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(std::filesystem::u8path(path), error))
        throw RenderError("'" + path + "' is a folder: give a file to guess from");
    return OpenDocument(path);
}

}  // namespace

LayoutHints HintsFrom(const RenderOptions& options) {
    LayoutHints hints;
    if (options.depthGiven) hints.depth = options.depth;
    if (options.offsetGiven) hints.offset = options.offset;
    if (options.width && !options.widthAuto) hints.width = *options.width;
    if (options.linePadGiven) hints.linePad = options.linePad;
    return hints;
}

std::vector<std::string> GuessArguments(const LayoutGuess& guess) {
    std::vector<std::string> args{"--depth", DepthName(guess.depth), "--width", std::to_string(guess.width),
                                  "--height", std::to_string(guess.height), "--offset", std::to_string(guess.offset),
                                  "--line-pad", std::to_string(guess.linePad)};
    if (HasFields(guess.depth)) args.insert(args.end(), {"--fields", FieldsName(guess.fields)});
    if (UsesBgra(guess.depth)) args.insert(args.end(), {"--order", "bgra"});
    if (HasBitOrder(guess.depth) && guess.bigEndian) args.push_back("--big-endian");
    return args;
}

std::string GuessesText(const std::string& path, const std::vector<LayoutGuess>& guesses) {
    std::string text = "Likely layouts of " + path + ", best first:\n";
    for (size_t i = 0; i < guesses.size(); ++i) {
        const LayoutGuess& g = guesses[i];
        text += std::to_string(i + 1) + ". depth " + DepthName(g.depth) + ", width " + std::to_string(g.width) +
                ", line pad " + std::to_string(g.linePad) + ", offset " + std::to_string(g.offset) +
                ", height " + std::to_string(g.height);
        if (HasFields(g.depth)) text += std::string(", fields ") + FieldsName(g.fields);
        if (HasBitOrder(g.depth)) text += g.bigEndian ? ", big-endian" : ", little-endian";
        if (g.header) text += std::string(", as its ") + g.header + " header says";
        text += ": confidence " + Percent(g.confidence);
        if (g.confidence < kLowConfidence) text += " (low)";
        text += "\n   " + ShownCommand(path, g) + "\n   Parameters dialog: " + DialogValues(g) + "\n";
    }
    if (!guesses.empty() && guesses.front().confidence < kLowConfidence)
        text += "The bytes show no clear rows: these are weak guesses.\n";
    return text;
}

std::string GuessesJson(const std::string& path, const std::vector<LayoutGuess>& guesses) {
    std::string json = "{\"file\": " + JsonString(path) + ", \"guesses\": [";
    for (size_t i = 0; i < guesses.size(); ++i) json += std::string(i ? ",\n  " : "\n  ") + GuessJson(path, guesses[i]);
    return json + "\n]}\n";
}

std::string GuessReport(const RenderOptions& options) {
    const std::vector<LayoutGuess> guesses = GuessFor(options, OpenForGuess(options.inputPath)->m_hFile, 5);
    if (guesses.empty() && !options.json)
        throw RenderError("no layout of '" + options.inputPath + "' fits the options given");
    return options.json ? GuessesJson(options.inputPath, guesses) : GuessesText(options.inputPath, guesses);
}

void ApplyBestGuess(const RenderOptions& options, CRawDoc& doc) {
    const std::vector<LayoutGuess> guesses = GuessFor(options, doc.m_hFile, 1);
    if (guesses.empty()) throw RenderError("no layout of '" + options.inputPath + "' fits the options given");
    const LayoutGuess& best = guesses.front();
    if (options.widthAuto) doc.m_width = best.width;
    if (options.heightAuto) doc.m_height = best.height;
    if (!options.offsetGiven) doc.m_offset = best.offset;
    if (!options.linePadGiven) doc.m_linePad = best.linePad;
    if (!options.depthGiven) {
        doc.m_depth = best.depth;
        doc.m_bigEndian = best.bigEndian;
        const ChannelQuad bits = kFieldPresets[static_cast<size_t>(best.fields)];
        const ChannelQuad shifts = UsesBgra(best.depth) ? BgraOrder(GetStandardShifts(best.depth, bits))
                                                        : RgbaOrder(GetStandardShifts(best.depth, bits));
        for (size_t channel = 0; channel < bits.size(); ++channel) {
            doc.m_bits[channel] = bits[channel];
            doc.m_shift[channel] = shifts[channel];
        }
    }
}
