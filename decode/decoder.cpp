#include "decode/decoder.h"

#include <algorithm>
#include <cstdint>

#include "decode/dxt1.h"
#include "decode/pixel_convert.h"
#include "decode/read_buffer.h"

namespace {

struct UnitShape {
    uint32_t bytes;
    uint32_t pixels;
};

bool ShapeOf(PixelFormat format, UnitShape& shape) {
    switch (format) {
        case Depth1: shape = {1, 8}; return true;
        case Depth4: shape = {1, 2}; return true;
        case Depth8: shape = {1, 1}; return true;
        case Depth16: shape = {2, 1}; return true;
        case Depth24: shape = {3, 1}; return true;
        case Depth32: shape = {4, 1}; return true;
        case DepthDXT1: shape = {8, 16}; return true;
    }
    return false;
}

// The file as a sequence of whole units, with the position rules every format shares:
// a unit is read only while the position is before the size asked at the start, a partial
// unit is never shown, and reaching the size after a unit or a line pad ends the decode.
class CUnitCursor {
public:
    CUnitCursor(FileHandle file, int64_t size, int64_t start, uint32_t unitBytes)
        : m_reader(file), m_size(size), m_pos(start), m_unitBytes(unitBytes) {}

    // How many of the next `wanted` units are ready at Data(); 0 ends the decode.
    size_t Ready(uint64_t wanted) {
        const size_t buffered = m_reader.Fill(m_unitBytes) / m_unitBytes;
        const uint64_t startingBeforeSize =
            (static_cast<uint64_t>(m_size - m_pos) + m_unitBytes - 1) / m_unitBytes;
        return static_cast<size_t>(std::min<uint64_t>({wanted, buffered, startingBeforeSize}));
    }
    const uint8_t* Data() const { return m_reader.Data(); }

    // Moves past `units` ready units; false when that reaches the size.
    bool Advance(size_t units) {
        const size_t bytes = units * m_unitBytes;
        m_reader.Consume(bytes);
        m_pos += static_cast<int64_t>(bytes);
        return m_pos < m_size;
    }

    // Skips a line pad; false when the skip fails or reaches the size.
    bool SkipPad(uint32_t pad) {
        if (!m_reader.Skip(pad)) return false;
        m_pos += pad;
        return m_pos < m_size;
    }

private:
    CReadBuffer m_reader;
    int64_t m_size;
    int64_t m_pos;  // never at or past m_size while the decode goes on
    uint32_t m_unitBytes;
};

// What one decode writes to: the pixel buffer and the picture's shape.
struct Picture {
    uint8_t* pixels;
    uint32_t width;
    uint32_t height;
    bool invertY;

    // Row counter R counts down from height - 1; with Invert Y the first data row is
    // at the bottom.
    uint8_t* RowOfCounter(uint32_t counter) const {
        const uint32_t bufferRow = invertY ? height - 1 - counter : counter;
        return pixels + static_cast<size_t>(bufferRow) * width * 4;
    }
    uint8_t* RowOfDataRow(uint64_t dataRow) const {
        return RowOfCounter(static_cast<uint32_t>(height - 1 - dataRow));
    }
};

uint64_t UnitsPerRow(uint32_t width, const UnitShape& shape) {
    return (static_cast<uint64_t>(width) + shape.pixels - 1) / shape.pixels;
}

// Fills one row from whole units; false when the file or the size ends first.
bool DecodeRow(const PixelTables& tables, const UnitShape& shape, uint8_t* row, uint32_t width,
               CUnitCursor& cursor) {
    uint64_t written = 0;
    for (uint64_t left = UnitsPerRow(width, shape); left > 0;) {
        const size_t units = cursor.Ready(left);
        if (units == 0) return false;
        const size_t count = static_cast<size_t>(
            std::min<uint64_t>(static_cast<uint64_t>(units) * shape.pixels, width - written));
        ConvertUnits(tables, cursor.Data(), count, row + static_cast<size_t>(written) * 4);
        written += count;
        left -= units;
        // Reaching the size at the end of the row also ends the decode, whatever the pad.
        if (!cursor.Advance(units)) return false;
    }
    return true;
}

// Depth1 to Depth32: rows of whole units, each row after the first following a line pad.
void DecodeRows(const PixelTables& tables, const UnitShape& shape, const Picture& picture,
                uint32_t linePad, CUnitCursor& cursor) {
    for (uint32_t counter = picture.height - 1;; --counter) {
        if (!DecodeRow(tables, shape, picture.RowOfCounter(counter), picture.width, cursor)) return;
        if (counter == 0) return;
        if (!cursor.SkipPad(linePad)) return;
    }
}

void StoreFourBits(uint32_t bits, uint8_t* row) {
    for (unsigned i = 0; i < 4; ++i) StorePixel(row + 4 * i, (bits >> i & 1u) ? 0x00FFFFFFu : 0);
}

// Depth1 at width 4: each byte holds two rows, and no line pad is skipped.
void DecodeRowPairs(const PixelTables& tables, const Picture& picture, CUnitCursor& cursor) {
    uint32_t counter = picture.height - 1;
    for (;;) {
        const size_t units = cursor.Ready(UINT64_MAX);
        if (units == 0) return;
        const uint8_t* bytes = cursor.Data();
        for (size_t i = 0; i < units; ++i) {
            const uint32_t bits = tables.bitsInPixelOrder[bytes[i]];
            StoreFourBits(bits, picture.RowOfCounter(counter));
            if (counter-- == 0) return;
            StoreFourBits(bits >> 4, picture.RowOfCounter(counter));
            if (counter-- == 0) return;
        }
        if (!cursor.Advance(units)) return;
    }
}

Dxt1BlockRow BlockRowAt(const Picture& picture, uint64_t blockRow) {
    Dxt1BlockRow result{{}, picture.width};
    for (unsigned j = 0; j < 4; ++j) {
        const uint64_t dataRow = blockRow * 4 + j;
        result.rows[j] = dataRow < picture.height ? picture.RowOfDataRow(dataRow) : nullptr;
    }
    return result;
}

// DXT1: blocks left to right, block rows top to bottom. Blocks past the last block row
// that reaches the picture write nothing, so they are not read.
void DecodeBlocks(const PixelTables& tables, bool bigEndian, const Picture& picture,
                  CUnitCursor& cursor) {
    const uint64_t blocksPerRow = (static_cast<uint64_t>(picture.width) + 3) / 4;
    const uint64_t paintingBlockRows = (static_cast<uint64_t>(picture.height) + 3) / 4;
    for (uint64_t k = 0; k < paintingBlockRows; ++k) {
        const Dxt1BlockRow blockRow = BlockRowAt(picture, k);
        for (uint64_t placed = 0; placed < blocksPerRow;) {
            const size_t units = cursor.Ready(blocksPerRow - placed);
            if (units == 0) return;
            PlaceDxt1Blocks(tables, bigEndian, cursor.Data(), units, placed, blockRow);
            placed += units;
            if (!cursor.Advance(units)) return;
        }
    }
}

uint32_t FieldToByte(uint32_t v, uint8_t bits, uint8_t shift) {
    if (shift >= 32) return 0;
    const uint32_t mask = bits >= 32 ? UINT32_MAX : (1u << bits) - 1u;
    const uint32_t field = (v >> shift) & mask;
    if (bits <= 8) return field << (8 - bits);
    // Wider fields keep their top 8 bits.
    const unsigned dropped = bits - 8u;
    return dropped >= 32 ? 0 : field >> dropped;
}

}  // namespace

uint32_t UnpackFields(const CRawDoc& doc, uint32_t v) {
    const uint32_t red = FieldToByte(v, doc.m_bits[ChannelR], doc.m_shift[ChannelR]);
    const uint32_t green = FieldToByte(v, doc.m_bits[ChannelG], doc.m_shift[ChannelG]);
    const uint32_t blue = FieldToByte(v, doc.m_bits[ChannelB], doc.m_shift[ChannelB]);
    return red | green << 8 | blue << 16;
}

bool PixelBufferBytes(uint32_t width, uint32_t height, size_t& bytes) {
    if (height != 0 && width > SIZE_MAX / 4 / height) {
        bytes = 0;
        return false;
    }
    bytes = static_cast<size_t>(width) * height * 4;
    return true;
}

void DecodePixels(const CRawDoc& doc, uint8_t* pixels) {
    if (doc.m_width == 0 || doc.m_height == 0) return;
    int64_t size = 0;
    doc.GetSize(size);
    if (!fileops::SeekFromStart(doc.m_hFile, doc.m_offset)) return;
    UnitShape shape{};
    if (!ShapeOf(doc.m_depth, shape)) return;
    if (doc.m_offset >= size) return;

    PixelTables tables;
    BuildPixelTables(doc, tables);
    CUnitCursor cursor(doc.m_hFile, size, doc.m_offset, shape.bytes);
    const Picture picture{pixels, doc.m_width, doc.m_height, doc.m_invertY};
    if (doc.m_depth == DepthDXT1) {
        DecodeBlocks(tables, doc.m_bigEndian, picture, cursor);
    } else if (doc.m_depth == Depth1 && doc.m_width == 4) {
        DecodeRowPairs(tables, picture, cursor);
    } else {
        DecodeRows(tables, shape, picture, doc.m_linePad, cursor);
    }
}
