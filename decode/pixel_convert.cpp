#include "decode/pixel_convert.h"

#include "decode/decoder.h"

namespace {

constexpr uint32_t kWhite = 0x00FFFFFF;

uint32_t Grey(uint32_t level) { return level * 0x010101u; }

uint32_t PixelFromChannels(uint32_t blue, uint32_t green, uint32_t red) {
    return blue | green << 8 | red << 16;
}

// UnpackFields gives red in the low byte; the pixel has blue there.
uint32_t PixelFromUnpacked(uint32_t unpacked) {
    return PixelFromChannels(unpacked >> 16 & 0xFF, unpacked >> 8 & 0xFF, unpacked & 0xFF);
}

uint32_t ByteAtShift(uint32_t unit, uint8_t shift) {
    return shift >= 32 ? 0 : (unit >> shift) & 0xFF;
}

void BuildSixteenBitLanes(const CRawDoc& doc, PixelTables& tables) {
    const int lowByteLane = doc.m_bigEndian ? 1 : 0;
    for (uint32_t b = 0; b < 256; ++b) {
        tables.lane[lowByteLane][b] = PixelFromUnpacked(UnpackFields(doc, b));
        tables.lane[1 - lowByteLane][b] = PixelFromUnpacked(UnpackFields(doc, b << 8));
    }
}

void BuildByteLanes(const CRawDoc& doc, PixelTables& tables) {
    const uint8_t* shift = doc.m_shift;
    for (int lane = 0; lane < 4; ++lane) {
        for (uint32_t b = 0; b < 256; ++b) {
            const uint32_t unit = b << (8 * lane);
            tables.lane[lane][b] = PixelFromChannels(ByteAtShift(unit, shift[ChannelB]),
                                                     ByteAtShift(unit, shift[ChannelG]),
                                                     ByteAtShift(unit, shift[ChannelR]));
        }
    }
}

void BuildBitOrder(const CRawDoc& doc, PixelTables& tables) {
    const unsigned firstBit = doc.m_swapField ? 4 : 0;
    for (uint32_t b = 0; b < 256; ++b) {
        uint32_t ordered = 0;
        for (unsigned g = 0; g < 8; ++g) {
            const unsigned k = (firstBit + g) % 8;
            const unsigned bit = doc.m_bigEndian ? 7 - k : k;
            ordered |= (b >> bit & 1u) << g;
        }
        tables.bitsInPixelOrder[b] = static_cast<uint8_t>(ordered);
    }
}

void ConvertDepth1(const PixelTables& tables, const uint8_t* units, size_t count, uint8_t* out) {
    for (size_t i = 0; i < count; i += 8) {
        const uint32_t bits = tables.bitsInPixelOrder[units[i / 8]];
        const size_t inUnit = count - i < 8 ? count - i : 8;
        for (size_t g = 0; g < inUnit; ++g) {
            StorePixel(out + 4 * (i + g), (bits >> g & 1u) ? kWhite : 0);
        }
    }
}

void ConvertDepth4(const PixelTables& tables, const uint8_t* units, size_t count, uint8_t* out) {
    const unsigned firstShift = tables.highNibbleFirst ? 4 : 0;
    const unsigned secondShift = 4 - firstShift;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t byte = units[i / 2];
        const unsigned shift = (i % 2 == 0) ? firstShift : secondShift;
        StorePixel(out + 4 * i, Grey((byte >> shift & 0xF) * 17));
    }
}

void ConvertDepth8(const uint8_t* units, size_t count, uint8_t* out) {
    for (size_t i = 0; i < count; ++i) StorePixel(out + 4 * i, Grey(units[i]));
}

void ConvertDepth16(const PixelTables& tables, const uint8_t* units, size_t count, uint8_t* out) {
    const uint32_t* first = tables.lane[0];
    const uint32_t* second = tables.lane[1];
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* unit = units + 2 * i;
        StorePixel(out + 4 * i, first[unit[0]] | second[unit[1]]);
    }
}

void ConvertDepth24(const PixelTables& tables, const uint8_t* units, size_t count, uint8_t* out) {
    const auto& lane = tables.lane;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* unit = units + 3 * i;
        StorePixel(out + 4 * i, lane[0][unit[0]] | lane[1][unit[1]] | lane[2][unit[2]]);
    }
}

void ConvertDepth32(const PixelTables& tables, const uint8_t* units, size_t count, uint8_t* out) {
    const auto& lane = tables.lane;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* unit = units + 4 * i;
        StorePixel(out + 4 * i, lane[0][unit[0]] | lane[1][unit[1]] | lane[2][unit[2]] |
                                    lane[3][unit[3]]);
    }
}

}  // namespace

void BuildPixelTables(const CRawDoc& doc, PixelTables& tables) {
    tables.format = doc.m_depth;
    tables.highNibbleFirst = doc.m_bigEndian;
    switch (doc.m_depth) {
        case Depth1: BuildBitOrder(doc, tables); break;
        case Depth16:
        case DepthDXT1: BuildSixteenBitLanes(doc, tables); break;
        case Depth24:
        case Depth32: BuildByteLanes(doc, tables); break;
        default: break;
    }
}

void ConvertUnits(const PixelTables& tables, const uint8_t* units, size_t count, uint8_t* out) {
    switch (tables.format) {
        case Depth1: ConvertDepth1(tables, units, count, out); break;
        case Depth4: ConvertDepth4(tables, units, count, out); break;
        case Depth8: ConvertDepth8(units, count, out); break;
        case Depth16: ConvertDepth16(tables, units, count, out); break;
        case Depth24: ConvertDepth24(tables, units, count, out); break;
        case Depth32: ConvertDepth32(tables, units, count, out); break;
        default: break;
    }
}
