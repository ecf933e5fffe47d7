// Stage 3, shapes per stride: the depth, width and line pad each stride gives, with the
// zero columns that may be pad or unused bits.
#pragma once

#include <cstdint>
#include <vector>

#include "guess/layout_guess.h"
#include "guess/reading.h"

// Column statistics over a run of rows in the middle of the sample, rows `stride` apart.
struct Columns {
    bool valid = false;
    int64_t firstColumn = 0;         // file position of column 0 of the first row measured
    std::vector<uint8_t> anyBits;    // OR of every row's byte in the column
    std::vector<uint8_t> wholeBits;  // the same over the whole window, for unused bits
    uint64_t zeroRun = 0;            // longest run of all-zero columns (cyclic)
    uint64_t zeroRunEnd = 0;         // the column after that run
    const uint8_t* firstRow = nullptr;  // the rows measured, within the sample's window
    uint64_t rows = 0;
};

Columns MeasureColumns(const FileSample& sample, uint64_t stride);

// Adds the shape when it is one: a width of at least kMinWidth whose row and pad make the stride.
void AddShape(std::vector<Shape>& shapes, PixelFormat depth, uint64_t width, uint64_t pad, uint64_t stride,
              bool padFromZeros, int64_t rowStart = -1);

std::vector<Shape> ShapesForStride(uint64_t stride, const Columns& columns, const LayoutHints& hints);
