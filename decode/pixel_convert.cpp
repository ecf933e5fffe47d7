#include "decode/pixel_convert.h"

namespace {

constexpr uint32_t kWhite = 0x00FFFFFF;
// Depth24 and Depth32 take a whole byte at each shift.
constexpr uint8_t kByteFields[4] = {8, 8, 8, 8};

uint32_t Grey(uint32_t level) {
    return level * 0x010101u;
}

void BuildBitOrder(const CRawDoc& doc, PixelRules& rules) {
    const unsigned firstBit = doc.m_swapField ? 4 : 0;
    for (uint32_t b = 0; b < 256; ++b) {
        uint32_t ordered = 0;
        for (unsigned g = 0; g < 8; ++g) {
            const unsigned k = (firstBit + g) % 8;
            const unsigned bit = doc.m_bigEndian ? 7 - k : k;
            ordered |= (b >> bit & 1u) << g;
        }
        rules.bitsInPixelOrder[b] = static_cast<uint8_t>(ordered);
    }
}

// The four pixels of each 4-bit value, pixel i white when bit i is set.
struct NibblePixels {
    uint32_t pixels[16][4];
    constexpr NibblePixels() : pixels() {
        for (unsigned n = 0; n < 16; ++n) {
            for (unsigned i = 0; i < 4; ++i) pixels[n][i] = (n >> i & 1u) ? kWhite : 0;
        }
    }
};
constexpr NibblePixels kNibblePixels;

void ConvertDepth1(const PixelRules& rules, const uint8_t* units, size_t count, uint8_t* out) {
    const size_t whole = count / 8;
    for (size_t i = 0; i < whole; ++i) {
        StoreBitPixels(rules.bitsInPixelOrder[units[i]], 8, out + 32 * i);
    }
    if (count % 8 != 0) {
        StoreBitPixels(rules.bitsInPixelOrder[units[whole]], count % 8, out + 32 * whole);
    }
}

void ConvertDepth4(const PixelRules& rules, const uint8_t* units, size_t count, uint8_t* out) {
    const unsigned firstShift = rules.bigEndian ? 4 : 0;
    const unsigned secondShift = 4 - firstShift;
    const size_t whole = count / 2;
    for (size_t i = 0; i < whole; ++i) {
        const uint64_t first = Grey((units[i] >> firstShift & 0xF) * 17);
        const uint64_t second = Grey((units[i] >> secondShift & 0xF) * 17);
        StorePixelPair(out + 8 * i, first | second << 32);
    }
    if (count % 2 != 0) StorePixel(out + 8 * whole, Grey((units[whole] >> firstShift & 0xF) * 17));
}

void ConvertDepth8(const uint8_t* units, size_t count, uint8_t* out) {
    for (size_t i = 0; i < count; ++i) StorePixel(out + 4 * i, Grey(units[i]));
}

uint32_t ByteSwap16(uint32_t v) {
    return (v >> 8 | v << 8) & 0xFFFF;
}

void ConvertDepth16(const PixelRules& rules, const uint8_t* units, size_t count, uint8_t* out) {
    // A local copy: the pixel stores could otherwise alias the rules, which would reload
    // them for every pixel and keep the loops from vectorizing.
    const FieldRules pixelFields = PixelOrder(rules.fields);
    // Separate loops keep the byte order out of the loop body.
    if (rules.bigEndian) {
        for (size_t i = 0; i < count; ++i) {
            uint16_t v;
            std::memcpy(&v, units + 2 * i, 2);
            StorePixel(out + 4 * i, UnpackFields(pixelFields, ByteSwap16(v)));
        }
    } else {
        for (size_t i = 0; i < count; ++i) {
            uint16_t v;
            std::memcpy(&v, units + 2 * i, 2);
            StorePixel(out + 4 * i, UnpackFields(pixelFields, v));
        }
    }
}

// Depth24 and Depth32 take a whole byte at each shift: (u >> shift) AND 255, or 0.
struct ByteChannels {
    uint32_t redShift, redMask, greenShift, greenMask, blueShift, blueMask;
    explicit ByteChannels(const PixelRules& rules)
        : redShift(rules.fields.red.shift),
          redMask(rules.fields.red.mask),
          greenShift(rules.fields.green.shift),
          greenMask(rules.fields.green.mask),
          blueShift(rules.fields.blue.shift),
          blueMask(rules.fields.blue.mask) {}
    uint32_t Pixel(uint32_t u) const {
        return (u >> blueShift & blueMask) | (u >> greenShift & greenMask) << 8 |
               (u >> redShift & redMask) << 16;
    }
};

// The dialog's two orders, with the shifts known at compile time.
struct RgbaBytes {  // shifts 0, 8, 16: the first byte is red
    uint32_t Pixel(uint32_t u) const { return (u >> 16 & 0xFF) | (u & 0xFF00) | (u & 0xFF) << 16; }
};
struct BgraBytes {  // shifts 16, 8, 0: the first three bytes are the pixel's
    uint32_t Pixel(uint32_t u) const { return u & 0xFFFFFF; }
};

template <typename Channels>
void ConvertDepth24(const Channels& channels, const uint8_t* units, size_t count, uint8_t* out) {
    if (count == 0) return;
    // Four-byte loads for speed; the byte after a unit is masked off (bits 24 to 31 are 0).
    // The last unit may end the data, so it is put together byte by byte.
    for (size_t i = 0; i + 1 < count; ++i) {
        uint32_t u;
        std::memcpy(&u, units + 3 * i, 4);
        StorePixel(out + 4 * i, channels.Pixel(u & 0xFFFFFF));
    }
    const uint8_t* last = units + 3 * (count - 1);
    StorePixel(out + 4 * (count - 1), channels.Pixel(last[0] | last[1] << 8 | last[2] << 16));
}

template <typename Channels>
void ConvertDepth32(const Channels& channels, const uint8_t* units, size_t count, uint8_t* out) {
    for (size_t i = 0; i < count; ++i) {
        uint32_t u;
        std::memcpy(&u, units + 4 * i, 4);
        StorePixel(out + 4 * i, channels.Pixel(u));
    }
}

// Calls `convert` with the channel rule for the document's shifts, a fixed one for the
// dialog's two orders.
template <typename Convert>
void WithByteChannels(const PixelRules& rules, Convert convert) {
    switch (rules.byteOrder) {
        case ByteOrder::Rgba: convert(RgbaBytes()); break;
        case ByteOrder::Bgra: convert(BgraBytes()); break;
        case ByteOrder::Other: convert(ByteChannels(rules)); break;
    }
}

ByteOrder ByteOrderOf(const uint8_t shift[4]) {
    const auto shiftsAre = [shift](uint8_t red, uint8_t green, uint8_t blue) {
        return shift[ChannelR] == red && shift[ChannelG] == green && shift[ChannelB] == blue;
    };
    if (shiftsAre(0, 8, 16)) return ByteOrder::Rgba;
    if (shiftsAre(16, 8, 0)) return ByteOrder::Bgra;
    return ByteOrder::Other;
}

}  // namespace

void StoreBitPixels(uint32_t bitsInPixelOrder, size_t count, uint8_t* out) {
    size_t g = 0;
    for (; g + 4 <= count; g += 4) {
        std::memcpy(out + 4 * g, kNibblePixels.pixels[bitsInPixelOrder >> g & 0xF], 16);
    }
    for (; g < count; ++g) StorePixel(out + 4 * g, (bitsInPixelOrder >> g & 1u) ? kWhite : 0);
}

FieldRules FieldRulesOf(const uint8_t bits[4], const uint8_t shift[4]) {
    return {FieldRule::For(bits[ChannelR], shift[ChannelR]),
            FieldRule::For(bits[ChannelG], shift[ChannelG]),
            FieldRule::For(bits[ChannelB], shift[ChannelB])};
}

void BuildPixelRules(const CRawDoc& doc, PixelRules& rules) {
    rules.format = doc.m_depth;
    rules.bigEndian = doc.m_bigEndian;
    rules.byteOrder = ByteOrderOf(doc.m_shift);
    const bool fields = doc.m_depth == Depth16 || doc.m_depth == DepthDXT1;
    const uint8_t* bits = fields ? doc.m_bits : kByteFields;
    rules.fields = FieldRulesOf(bits, doc.m_shift);
    if (doc.m_depth == Depth1) BuildBitOrder(doc, rules);
}

void ConvertUnits(const PixelRules& rules, const uint8_t* units, size_t count, uint8_t* out) {
    switch (rules.format) {
        case Depth1: ConvertDepth1(rules, units, count, out); break;
        case Depth4: ConvertDepth4(rules, units, count, out); break;
        case Depth8: ConvertDepth8(units, count, out); break;
        case Depth16: ConvertDepth16(rules, units, count, out); break;
        case Depth24:
            WithByteChannels(
                rules, [&](const auto& channels) { ConvertDepth24(channels, units, count, out); });
            break;
        case Depth32:
            WithByteChannels(
                rules, [&](const auto& channels) { ConvertDepth32(channels, units, count, out); });
            break;
        default: break;
    }
}
