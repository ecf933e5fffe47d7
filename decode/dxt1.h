// S3TC DXT1 blocks: 8 bytes each, two 16-bit colour endpoints and sixteen 2-bit indices
// that paint 4 x 4 pixels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "decode/pixel_convert.h"

// The four palette entries of one block, as pixels (blue, green, red, fourth byte).
// Endpoints go through the document's 16-bit field conversion held in `tables`.
void BuildDxt1Palette(const PixelTables& tables, bool bigEndian, const uint8_t* block,
                      uint32_t palette[4]);

// One block row of the picture as the decoder places it: the buffer rows of its four pixel
// rows (null for a row outside the picture) and the picture's width.
struct Dxt1BlockRow {
    uint8_t* rows[4];
    uint32_t width;
};

// Paints `count` consecutive blocks of `blockRow`, the first at block column `firstBlock`,
// clipping columns at or beyond the width.
void PlaceDxt1Blocks(const PixelTables& tables, bool bigEndian, const uint8_t* blocks,
                     size_t count, uint64_t firstBlock, const Dxt1BlockRow& blockRow);
