#include "tests/native/decode_reference.h"

namespace {

// Bits of a channel field above the lowest `bits` are cleared; 64-bit so that no width
// needs a special case below 64.
uint64_t LowBits(uint64_t value, unsigned bits) {
    return bits >= 64 ? value : value & ((uint64_t{1} << bits) - 1);
}

uint64_t ShiftRight(uint64_t value, unsigned by) {
    return by >= 64 ? 0 : value >> by;
}

uint32_t ReferenceField(uint32_t v, unsigned bits, unsigned shift) {
    if (shift >= 32) return 0;
    const uint64_t field = LowBits(v >> shift, bits);
    if (bits > 8) return static_cast<uint32_t>(ShiftRight(field, bits - 8));
    return static_cast<uint32_t>(field << (8 - bits));
}

struct State {
    const CRawDoc& doc;
    uint8_t* pixels;
    int64_t pos;
    int64_t row;        // R
    uint64_t column;    // x
    unsigned firstBit;  // s0
};

void Put(State& s, uint64_t x, int64_t bufferRow, const uint8_t bytes[4]) {
    uint8_t* at = s.pixels + (static_cast<uint64_t>(bufferRow) * s.doc.m_width + x) * 4;
    for (int i = 0; i < 4; ++i) at[i] = bytes[i];
}

void PutBgr(State& s, int64_t bufferRow, uint32_t blue, uint32_t green, uint32_t red) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(blue), static_cast<uint8_t>(green),
                              static_cast<uint8_t>(red), 0};
    Put(s, s.column, bufferRow, bytes);
}

uint32_t ByteChannel(uint32_t u, unsigned shift) {
    return static_cast<uint32_t>(ShiftRight(u, shift) & 255);
}

void WritePixel(State& s, const uint8_t* b, unsigned g, int64_t r) {
    const CRawDoc& doc = s.doc;
    switch (doc.m_depth) {
        case Depth1: {
            const unsigned k = (s.firstBit + g) % 8;
            const unsigned bit = doc.m_bigEndian ? 7 - k : k;
            const uint32_t level = (b[0] >> bit & 1) ? 255 : 0;
            PutBgr(s, r, level, level, level);
            break;
        }
        case Depth4: {
            const bool high = (g == 0) == doc.m_bigEndian;
            const uint32_t level = (high ? b[0] >> 4 : b[0] & 15) * 17;
            PutBgr(s, r, level, level, level);
            break;
        }
        case Depth8: PutBgr(s, r, b[0], b[0], b[0]); break;
        case Depth16: {
            const uint32_t v = doc.m_bigEndian ? b[1] + 256u * b[0] : b[0] + 256u * b[1];
            const uint32_t p = ReferenceUnpackFields(doc, v);
            PutBgr(s, r, p >> 16 & 255, p >> 8 & 255, p & 255);
            break;
        }
        case Depth24:
        case Depth32: {
            uint32_t u = b[0] + (b[1] << 8) + (b[2] << 16);
            if (doc.m_depth == Depth32) u += static_cast<uint32_t>(b[3]) << 24;
            PutBgr(s, r, ByteChannel(u, doc.m_shift[ChannelB]),
                   ByteChannel(u, doc.m_shift[ChannelG]), ByteChannel(u, doc.m_shift[ChannelR]));
            break;
        }
        default: break;
    }
}

// The pixel steps of one unit; false when the decode stops.
bool PixelSteps(State& s, const uint8_t* b, unsigned perUnit) {
    const CRawDoc& doc = s.doc;
    const int64_t height = doc.m_height;
    for (unsigned g = 0;;) {
        const int64_t r = doc.m_invertY ? height - 1 - s.row : s.row;
        WritePixel(s, b, g, r);
        s.column += 1;
        if (s.column < doc.m_width) {
            g += 1;
            if (g < perUnit) continue;
            return true;
        }
        s.column = 0;
        if (s.row == 0) return false;
        s.row -= 1;
        if (doc.m_depth == Depth1 && doc.m_width == 4) {
            g += 1;
            if (g < 8) continue;
            return true;
        }
        if (!fileops::SkipForward(doc.m_hFile, doc.m_linePad)) return false;
        s.pos += doc.m_linePad;
        return true;
    }
}

uint32_t Mix(uint32_t a, uint32_t b, uint32_t wa, uint32_t wb, uint32_t divisor) {
    return (wa * a + wb * b) / divisor;
}

void PlaceBlock(State& s, const uint8_t* b) {
    const CRawDoc& doc = s.doc;
    const uint32_t c0 = doc.m_bigEndian ? b[1] + 256u * b[0] : b[0] + 256u * b[1];
    const uint32_t c1 = doc.m_bigEndian ? b[3] + 256u * b[2] : b[2] + 256u * b[3];
    const uint32_t p0 = ReferenceUnpackFields(doc, c0);
    const uint32_t p1 = ReferenceUnpackFields(doc, c1);
    uint32_t red[4] = {p0 & 255, p1 & 255};
    uint32_t green[4] = {p0 >> 8 & 255, p1 >> 8 & 255};
    uint32_t blue[4] = {p0 >> 16 & 255, p1 >> 16 & 255};
    uint32_t fourth[4] = {255, 255, 255, 255};
    uint32_t* channels[3] = {red, green, blue};
    for (uint32_t* ch : channels) {
        if (c0 > c1) {
            ch[2] = Mix(ch[0], ch[1], 2, 1, 3);
            ch[3] = Mix(ch[0], ch[1], 1, 2, 3);
        } else {
            ch[2] = Mix(ch[0], ch[1], 1, 1, 2);
            ch[3] = 255;
        }
    }
    if (!(c0 > c1)) fourth[3] = 0;

    const int64_t height = doc.m_height;
    for (int64_t j = 0; j < 4; ++j) {
        const int64_t d = doc.m_invertY ? (height - 1 - s.row) + j : s.row - j;
        if (d < 0 || d >= height) continue;
        for (uint64_t i = 0; i < 4; ++i) {
            if (!(s.column + i < doc.m_width)) continue;
            const unsigned e = b[4 + j] >> (2 * i) & 3;
            const uint8_t bytes[4] = {static_cast<uint8_t>(blue[e]), static_cast<uint8_t>(green[e]),
                                      static_cast<uint8_t>(red[e]),
                                      static_cast<uint8_t>(fourth[e])};
            Put(s, s.column + i, d, bytes);
        }
    }
    if (s.column + 4 < doc.m_width) {
        s.column += 4;
    } else {
        s.column = 0;
        s.row -= 4;
    }
}

}  // namespace

uint32_t ReferenceUnpackFields(const CRawDoc& doc, uint32_t v) {
    const uint32_t red = ReferenceField(v, doc.m_bits[ChannelR], doc.m_shift[ChannelR]);
    const uint32_t green = ReferenceField(v, doc.m_bits[ChannelG], doc.m_shift[ChannelG]);
    const uint32_t blue = ReferenceField(v, doc.m_bits[ChannelB], doc.m_shift[ChannelB]);
    return red | green << 8 | blue << 16;
}

void ReferenceDecode(const CRawDoc& doc, uint8_t* pixels) {
    if (doc.m_width == 0 || doc.m_height == 0) return;
    State s{doc, pixels, 0, static_cast<int64_t>(doc.m_height) - 1, 0, doc.m_swapField ? 4u : 0u};
    int64_t size = 0;
    doc.GetSize(size);
    if (!fileops::SeekFromStart(doc.m_hFile, doc.m_offset)) return;
    static const uint32_t kUnitBytes[7] = {1, 1, 1, 2, 3, 4, 8};
    static const unsigned kUnitPixels[7] = {8, 2, 1, 1, 1, 1, 16};
    if (doc.m_depth > DepthDXT1) return;
    const uint32_t n = kUnitBytes[doc.m_depth];
    s.pos = doc.m_offset;
    if (s.pos >= size) return;
    for (;;) {
        uint8_t unit[8] = {};
        uint32_t got = 0;
        if (!fileops::Read(doc.m_hFile, unit, n, got) || got < n) return;
        s.pos += n;
        if (doc.m_depth == DepthDXT1) {
            PlaceBlock(s, unit);
        } else if (!PixelSteps(s, unit, kUnitPixels[doc.m_depth])) {
            return;
        }
        if (!(s.pos < size)) return;
    }
}
