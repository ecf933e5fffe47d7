// What the stages hand each other: a shape (depth, width, pad at a row stride), a reading
// (a shape from a start, with its field layout and bit order) and the planes it is costed on.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "decode/raw_doc.h"
#include "guess/layout_guess.h"

struct Shape {
    PixelFormat depth;
    uint32_t width;
    uint32_t linePad;
    uint64_t stride;
    bool padFromZeros;      // the pad (or unused bits) are columns found zero in every row
    int64_t rowStart = -1;  // where rows start among the measured columns, when that shows
};

struct Layout {
    Shape shape;
    int64_t offset = 0;
    uint64_t rows = 0;
    GuessFields fields = GuessFields::R5G6B5;
    bool bigEndian = false;
};

// One channel of a band of pixels (or blocks, for DXT1), with values of `bits` bits.
struct Plane {
    uint32_t bits;
    // Total bits of the values, rows after the first, by a coder of the family's own
    // (two-level pixels, DXT1 indices); none: predicted from neighbours (stage 5).
    double (*ownCoder)(const Plane& plane, uint64_t rows);
    std::vector<uint16_t> values;
};

// Room for `count` more values at the end of the plane, to be written in place.
inline uint16_t* GrowPlane(Plane& plane, size_t count) {
    const size_t used = plane.values.size();
    plane.values.resize(used + count);
    return plane.values.data() + used;
}

// A reading and what it costs, bits a byte with penalties; the lower the likelier.
struct Scored {
    Layout layout;
    double cost;
    double structure;  // how clearly the rows line up at this stride, 0 to 1
    // Bits a byte of the stretches before and after the file's picture span, read as this
    // reading's rows; negative where there is none or the reading does not cover it.
    std::array<double, 2> around{-1, -1};
};
