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

// The three channel rules of UnpackFields, worked out once from m_bits and m_shift.
struct FieldRules {
    FieldRule red, green, blue;
};
FieldRules FieldRulesOf(const uint8_t bits[4], const uint8_t shift[4]);

// The one conversion of a 16-bit value (Depth16 units, DXT1 endpoints) into channels: red
// in bits 0-7, green in 8-15, blue in 16-23, bits 24-31 zero.
inline uint32_t UnpackFields(const FieldRules& fields, uint32_t v) {
    return fields.red.Apply(v) | fields.green.Apply(v) << 8 | fields.blue.Apply(v) << 16;
}

// The rules for a pixel, which has blue in its low byte: UnpackFields with these places
// blue in bits 0-7 and red in 16-23.
inline FieldRules PixelOrder(const FieldRules& fields) {
    return {fields.blue, fields.green, fields.red};
}

struct PixelRules {
    PixelFormat format;
    bool bigEndian;
    ByteOrder byteOrder;
    // Depth16 and DXT1 endpoints by m_bits and m_shift; Depth24 and Depth32 by m_shift,
    // a whole byte at each.
    FieldRules fields;
    // Depth1: the byte with its bits reordered so that pixel g of the unit is bit g.
    uint8_t bitsInPixelOrder[256];
};

void BuildPixelRules(const CRawDoc& doc, PixelRules& rules);

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
