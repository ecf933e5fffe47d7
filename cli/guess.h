// Guessing a picture's layout from a file's bytes: depth, width, line pad, offset, height.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "decode/file_ops.h"
#include "decode/raw_doc.h"

// What the user already knows; the guess keeps these and finds the rest.
struct LayoutHints {
    std::optional<PixelFormat> depth;
    std::optional<int32_t> offset;
    std::optional<uint32_t> width;
    std::optional<uint32_t> linePad;
};

// The 16-bit field layouts the guess tells apart, as indices of kFieldPresets.
enum class GuessFields : uint8_t { R5G6B5 = 0, R5G5B5 = 1, R4G4B4A4 = 3 };

struct LayoutGuess {
    PixelFormat depth = Depth8;
    uint32_t width = 0;
    uint32_t linePad = 0;
    int32_t offset = 0;
    uint32_t height = 0;
    GuessFields fields = GuessFields::R5G6B5;  // 16-bit only
    bool bigEndian = false;                    // 1, 4 and 16-bit only
    double confidence = 0;                     // 0 to 1
    double bitsPerByte = 8;                    // how well the layout predicts the bytes
};

// Below this a guess is reported as a low-confidence one.
constexpr double kLowConfidence = 0.3;

class FileSample;

// Up to `count` layouts for the sampled file, best first; none when nothing fits the hints.
// Throws RenderError for an empty file, or one smaller than a row of the given width.
std::vector<LayoutGuess> GuessLayout(const FileSample& sample, const LayoutHints& hints,
                                     size_t count = 5);

// The same for an open file, of which it reads only a sample when it is large.
std::vector<LayoutGuess> GuessFileLayout(FileHandle file, const LayoutHints& hints,
                                         size_t count = 5);

// Bytes of one row of `width` pixels, without the line pad (DXT1: one row of blocks).
uint64_t RowBytes(PixelFormat depth, uint32_t width);
