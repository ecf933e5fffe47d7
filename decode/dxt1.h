// S3TC DXT1 blocks: 8 bytes each, two 16-bit colour endpoints and sixteen 2-bit indices
// that paint 4 x 4 pixels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "decode/pixel_convert.h"

// How whole blocks are painted: by a byte shuffle a row where the processor has one
// (SSSE3), else by selects. Both give the same pixels.
enum class Dxt1Kernel { Select, Shuffle };
Dxt1Kernel FastestDxt1Kernel();

// The endpoint conversion of one decode, as tables by byte: every channel is a plain
// selection of an endpoint's bits, so an endpoint's entry is the OR of its two bytes'.
struct Dxt1Endpoints {
    Dxt1Kernel kernel;
    bool bigEndian;
    uint32_t pixel[2][256];   // blue, green, red, opaque fourth byte
    uint64_t spread[2][256];  // blue, green, red in 21-bit lanes, scaled for the mixes
};

void BuildDxt1Endpoints(const PixelRules& rules, Dxt1Endpoints& endpoints);

// One block row of the picture as the decoder places it: the buffer rows of its four pixel
// rows (null for a row outside the picture) and the picture's width.
struct Dxt1BlockRow {
    uint8_t* rows[4];
    uint32_t width;
};

// Paints `count` consecutive blocks of `blockRow`, the first at block column `firstBlock`,
// clipping columns at or beyond the width.
void PlaceDxt1Blocks(const Dxt1Endpoints& endpoints, const uint8_t* blocks, size_t count,
                     uint64_t firstBlock, const Dxt1BlockRow& blockRow);
