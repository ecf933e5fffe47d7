// One colour channel taken from a unit: (value >> shift), masked to the field's width, and
// the field brought to 8 bits. Worked out once per decode so that every amount is below
// 32 and the per-pixel work is four branch-free operations.
#pragma once

#include <cstdint>

struct FieldRule {
    uint32_t shift;
    uint32_t mask;
    uint32_t up;    // a field narrower than 8 bits moves to the top of the byte
    uint32_t down;  // a wider field keeps its top 8 bits

    // A field of `bits` bits from bit `shift` on. A shift of 32 or more, or a field so wide
    // that its top 8 bits lie above bit 31, gives 0; a field of 32 bits or more masks nothing.
    static FieldRule For(uint8_t bits, uint8_t shift) {
        const unsigned dropped = bits > 8 ? bits - 8u : 0u;
        if (shift >= 32 || dropped >= 32) return {0, 0, 0, 0};
        const uint32_t mask = bits >= 32 ? UINT32_MAX : (1u << bits) - 1u;
        return {shift, mask, bits < 8 ? 8u - bits : 0u, dropped};
    }

    uint32_t Apply(uint32_t value) const { return ((value >> shift) & mask) << up >> down; }
};
