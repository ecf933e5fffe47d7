// Per-format conversion of whole runs of units into pixels, driven by tables worked out
// once per decode from the document's channel parameters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "decode/raw_doc.h"

// Pixels are written as 32-bit little-endian values: blue, green, red, fourth byte.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "pixels are stored little endian");

struct PixelTables {
    PixelFormat format;
    // The pixel bits that byte i of a unit contributes (Depth16, Depth24, Depth32, and DXT1
    // endpoints). Every channel is a plain selection of bits, so a unit's pixel is the OR
    // of its bytes' entries.
    uint32_t lane[4][256];
    // Depth1: the byte with its bits reordered so that pixel g of the unit is bit g.
    uint8_t bitsInPixelOrder[256];
    // Depth4: the high nibble is the unit's first pixel.
    bool highNibbleFirst;
};

void BuildPixelTables(const CRawDoc& doc, PixelTables& tables);

// Writes `count` pixels to `out` from the whole units at `units`, the first pixel being
// the first of its unit. `count` may end inside the last unit; the rest of it is dropped.
void ConvertUnits(const PixelTables& tables, const uint8_t* units, size_t count, uint8_t* out);

inline void StorePixel(uint8_t* out, uint32_t pixel) { std::memcpy(out, &pixel, 4); }
