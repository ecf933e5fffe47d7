#include "decode/dxt1.h"

namespace {

constexpr size_t kBlockBytes = 8;
constexpr uint32_t kOpaque = 0xFF000000u;
constexpr uint32_t kTransparentWhite = 0x00FFFFFFu;

uint32_t Channel(uint32_t pixel, unsigned index) { return pixel >> (8 * index) & 0xFF; }

// Per channel (weight0 * c0 + weight1 * c1) / divisor, truncated, made opaque.
template <uint32_t weight0, uint32_t weight1, uint32_t divisor>
uint32_t Mix(uint32_t p0, uint32_t p1) {
    uint32_t mixed = kOpaque;
    for (unsigned c = 0; c < 3; ++c) {
        const uint32_t value = (weight0 * Channel(p0, c) + weight1 * Channel(p1, c)) / divisor;
        mixed |= value << (8 * c);
    }
    return mixed;
}

uint32_t Endpoint(const uint8_t* bytes, bool bigEndian) {
    return bigEndian ? (bytes[1] | bytes[0] << 8) : (bytes[0] | bytes[1] << 8);
}

uint32_t EndpointPixel(const PixelTables& tables, const uint8_t* bytes) {
    return tables.lane[0][bytes[0]] | tables.lane[1][bytes[1]] | kOpaque;
}

void PaintFullBlock(const uint32_t palette[4], const uint8_t* indices, uint8_t* const rows[4],
                    size_t byteColumn) {
    for (int j = 0; j < 4; ++j) {
        uint8_t* out = rows[j] + byteColumn;
        const uint32_t row = indices[j];
        StorePixel(out, palette[row & 3]);
        StorePixel(out + 4, palette[row >> 2 & 3]);
        StorePixel(out + 8, palette[row >> 4 & 3]);
        StorePixel(out + 12, palette[row >> 6]);
    }
}

void PaintClippedBlock(const uint32_t palette[4], const uint8_t* indices,
                       uint8_t* const rows[4], size_t byteColumn, unsigned columns) {
    for (int j = 0; j < 4; ++j) {
        if (rows[j] == nullptr) continue;
        for (unsigned i = 0; i < columns; ++i) {
            StorePixel(rows[j] + byteColumn + 4 * i, palette[indices[j] >> (2 * i) & 3]);
        }
    }
}

bool HasAllRows(const Dxt1BlockRow& blockRow) {
    for (uint8_t* row : blockRow.rows) {
        if (row == nullptr) return false;
    }
    return true;
}

}  // namespace

void BuildDxt1Palette(const PixelTables& tables, bool bigEndian, const uint8_t* block,
                      uint32_t palette[4]) {
    const uint32_t p0 = EndpointPixel(tables, block);
    const uint32_t p1 = EndpointPixel(tables, block + 2);
    palette[0] = p0;
    palette[1] = p1;
    if (Endpoint(block, bigEndian) > Endpoint(block + 2, bigEndian)) {
        palette[2] = Mix<2, 1, 3>(p0, p1);
        palette[3] = Mix<1, 2, 3>(p0, p1);
    } else {
        palette[2] = Mix<1, 1, 2>(p0, p1);
        palette[3] = kTransparentWhite;
    }
}

void PlaceDxt1Blocks(const PixelTables& tables, bool bigEndian, const uint8_t* blocks,
                     size_t count, uint64_t firstBlock, const Dxt1BlockRow& blockRow) {
    const bool allRows = HasAllRows(blockRow);
    for (size_t b = 0; b < count; ++b) {
        const uint8_t* block = blocks + b * kBlockBytes;
        const uint64_t x = (firstBlock + b) * 4;
        const uint64_t columnsLeft = blockRow.width - x;
        uint32_t palette[4];
        BuildDxt1Palette(tables, bigEndian, block, palette);
        const size_t byteColumn = static_cast<size_t>(x) * 4;
        if (allRows && columnsLeft >= 4) {
            PaintFullBlock(palette, block + 4, blockRow.rows, byteColumn);
        } else {
            const unsigned columns = columnsLeft >= 4 ? 4 : static_cast<unsigned>(columnsLeft);
            PaintClippedBlock(palette, block + 4, blockRow.rows, byteColumn, columns);
        }
    }
}
