// Guessing a picture's layout from a sample of a file's bytes: depth, width, line pad,
// offset, height. No file I/O: the caller reads the windows that SamplingPlan names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <vector>

#include "decode/raw_doc.h"
#include "guess/sample.h"

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
    const char* header = nullptr;              // the known file header that gives the layout, if one does
};

// Below this a guess is reported as a low-confidence one.
constexpr double kLowConfidence = 0.3;

// The sample holds no picture to guess from (an empty file, or one shorter than a row of
// the width given); the message says why.
class GuessError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Up to `count` layouts for the sampled file, best first; none when nothing fits the hints.
// Throws GuessError for an empty file, or one smaller than a row of the given width.
std::vector<LayoutGuess> GuessLayout(const FileSample& sample, const LayoutHints& hints, size_t count = 5);

// Bytes of one row of `width` pixels, without the line pad (DXT1: one row of blocks).
uint64_t RowBytes(PixelFormat depth, uint32_t width);
