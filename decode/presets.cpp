#include "decode/presets.h"

#include "decode/raw_doc.h"

ChannelQuad GetStandardShifts(uint32_t depth, const ChannelQuad& bits) {
    if (depth != Depth16 && depth != DepthDXT1) return {0, 8, 16, 24};
    const uint8_t r = bits[ChannelR];
    const uint8_t g = bits[ChannelG];
    const uint8_t b = bits[ChannelB];
    return {0, r, static_cast<uint8_t>(r + g), static_cast<uint8_t>(r + g + b)};
}

ChannelQuad RgbaOrder(const ChannelQuad& standard) { return standard; }

ChannelQuad BgraOrder(const ChannelQuad& standard) {
    return {standard[ChannelB], standard[ChannelG], 0, standard[ChannelA]};
}
