// Per-format conversion of whole runs of units into pixels, by rules worked out once per
// decode from the document's parameters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "decode/field_rule.h"
#include "decode/raw_doc.h"

// Pixels are written as 32-bit little-endian values: blue, green, red, fourth byte.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "pixels are stored little endian");

// Depth24 and Depth32 channel orders with a conversion of their own.
enum class ByteOrder : uint8_t { Rgba, Bgra, Other };

struct PixelRules {
    PixelFormat format;
    bool bigEndian;
    ByteOrder byteOrder;
    // Depth16 and DXT1 endpoints by m_bits and m_shift; Depth24 and Depth32 by m_shift.
    FieldRule red, green, blue;
    // Depth1: the byte with its bits reordered so that pixel g of the unit is bit g.
    uint8_t bitsInPixelOrder[256];
};

void BuildPixelRules(const CRawDoc& doc, PixelRules& rules);

// The pixel of a 16-bit value (Depth16 units, DXT1 endpoints), fourth byte 0.
inline uint32_t SixteenBitPixel(const PixelRules& rules, uint32_t v) {
    return rules.blue.Apply(v) | rules.green.Apply(v) << 8 | rules.red.Apply(v) << 16;
}

inline uint32_t LoadSixteen(const uint8_t* bytes, bool bigEndian) {
    return bigEndian ? (bytes[0] << 8 | bytes[1]) : (bytes[0] | bytes[1] << 8);
}

// Writes `count` pixels to `out` from the whole units at `units`, the first pixel being
// the first of its unit. `count` may end inside the last unit; the rest of it is dropped.
void ConvertUnits(const PixelRules& rules, const uint8_t* units, size_t count, uint8_t* out);

inline void StorePixel(uint8_t* out, uint32_t pixel) {
    std::memcpy(out, &pixel, 4);
}

// Two pixels as one 64-bit store, the first in the low half.
inline void StorePixelPair(uint8_t* out, uint64_t pair) {
    std::memcpy(out, &pair, 8);
}

// Depth1: writes `count` (up to 8) white or black pixels, pixel g white when bit g is set.
void StoreBitPixels(uint32_t bitsInPixelOrder, size_t count, uint8_t* out);
