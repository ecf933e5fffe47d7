// Channel presets shared by the Parameters dialog and the command-line exporter.
#pragma once

#include <array>
#include <cstdint>

using ChannelQuad = std::array<uint8_t, 4>;  // r, g, b, a

// The field presets "r5g6b5", "r5g5b5", "r5g5b5a1", "r4g4b4a4", in the dialog's order.
constexpr std::array<ChannelQuad, 4> kFieldPresets{{
    {5, 6, 5, 0},
    {5, 5, 5, 0},
    {5, 5, 5, 1},
    {4, 4, 4, 4},
}};

// The standard shifts (S_r, S_g, S_b, S_a) for a depth and its field bit counts: packed
// fields in order r, g, b, a for 16-bit and DXT1 (sums modulo 256), byte lanes otherwise.
ChannelQuad GetStandardShifts(uint32_t depth, const ChannelQuad& bits);

// The "RGBA" order is the standard shifts; "BGRA" swaps red and blue to (S_b, S_g, 0, S_a).
ChannelQuad RgbaOrder(const ChannelQuad& standard);
ChannelQuad BgraOrder(const ChannelQuad& standard);
