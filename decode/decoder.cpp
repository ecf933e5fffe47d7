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

    // How many whole rows, `rowBytes` of units each and `stride` bytes apart, are buffered
    // and end by the size; at most `maxRows`.
    uint64_t RowsReady(uint64_t rowBytes, uint64_t stride, uint64_t maxRows) {
        const uint64_t buffered = m_reader.Fill(m_unitBytes);
        const uint64_t limit = std::min(buffered, static_cast<uint64_t>(m_size - m_pos));
        if (rowBytes > limit) return 0;
        return std::min(maxRows, (limit - rowBytes) / stride + 1);
    }

    void LimitReads(uint64_t bytes) {
        m_reader.LimitReads(static_cast<size_t>(std::min<uint64_t>(bytes, CReadBuffer::kCapacity)));
    }

    // Moves past `units` ready units; false when that reaches the size.
    bool Advance(size_t units) { return AdvanceBytes(units * m_unitBytes); }

    // Moves past ready bytes; false when that reaches the size.
    bool AdvanceBytes(size_t bytes) {
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
bool DecodeRow(const PixelRules& rules, const UnitShape& shape, uint8_t* row, uint32_t width,
               CUnitCursor& cursor) {
    uint64_t written = 0;
    for (uint64_t left = UnitsPerRow(width, shape); left > 0;) {
        const size_t units = cursor.Ready(left);
        if (units == 0) return false;
        const size_t count = static_cast<size_t>(
            std::min<uint64_t>(static_cast<uint64_t>(units) * shape.pixels, width - written));
        ConvertUnits(rules, cursor.Data(), count, row + static_cast<size_t>(written) * 4);
        written += count;
        left -= units;
        // Reaching the size at the end of the row also ends the decode, whatever the pad.
        if (!cursor.Advance(units)) return false;
    }
    return true;
}

// Rows that lie whole in the read buffer, decoded in the order of their buffer rows: the
// rows of a picture without Invert Y go upwards in memory, and writing them downwards
// would halve the speed. The rows do not depend on each other, so the picture is the same.
void DecodeBufferedRows(const PixelRules& rules, const Picture& picture, uint32_t firstCounter,
                        uint64_t rows, const uint8_t* data, uint64_t stride) {
    for (uint64_t n = 0; n < rows; ++n) {
        const uint64_t j = picture.invertY ? n : rows - 1 - n;
        ConvertUnits(rules, data + j * stride, picture.width,
                     picture.RowOfCounter(static_cast<uint32_t>(firstCounter - j)));
    }
}

// Depth1 to Depth32: rows of whole units, each row after the first following a line pad.
void DecodeRows(const PixelRules& rules, const UnitShape& shape, const Picture& picture,
                uint32_t linePad, CUnitCursor& cursor) {
    const uint64_t rowBytes = UnitsPerRow(picture.width, shape) * shape.bytes;
    const uint64_t stride = rowBytes + linePad;
    // Rows further apart than the buffer holds: read each row alone, and seek over the pad.
    if (stride > CReadBuffer::kCapacity) cursor.LimitReads(rowBytes);
    for (uint32_t counter = picture.height - 1;; --counter) {
        const uint64_t rows = cursor.RowsReady(rowBytes, stride, uint64_t{counter} + 1);
        if (rows > 0) {
            DecodeBufferedRows(rules, picture, counter, rows, cursor.Data(), stride);
            counter -= static_cast<uint32_t>(rows - 1);
            if (!cursor.AdvanceBytes(static_cast<size_t>((rows - 1) * stride + rowBytes))) return;
        } else if (!DecodeRow(rules, shape, picture.RowOfCounter(counter), picture.width, cursor)) {
            return;
        }
        if (counter == 0) return;
        if (!cursor.SkipPad(linePad)) return;
    }
}

// Depth1 at width 4: each byte holds two rows, and no line pad is skipped.
void DecodeRowPairs(const PixelRules& rules, const Picture& picture, CUnitCursor& cursor) {
    uint32_t counter = picture.height - 1;
    for (;;) {
        const size_t units = cursor.Ready(UINT64_MAX);
        if (units == 0) return;
        const uint8_t* bytes = cursor.Data();
        for (size_t i = 0; i < units; ++i) {
            const uint32_t bits = rules.bitsInPixelOrder[bytes[i]];
            StoreBitPixels(bits, 4, picture.RowOfCounter(counter));
            if (counter-- == 0) return;
            StoreBitPixels(bits >> 4, 4, picture.RowOfCounter(counter));
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

// One block row that may straddle the read buffer or the end of the file; false when
// the file or the size ends first.
bool DecodeBlockRow(const Dxt1Endpoints& endpoints, const Dxt1BlockRow& blockRow,
                    uint64_t blocksPerRow, CUnitCursor& cursor) {
    for (uint64_t placed = 0; placed < blocksPerRow;) {
        const size_t units = cursor.Ready(blocksPerRow - placed);
        if (units == 0) return false;
        PlaceDxt1Blocks(endpoints, cursor.Data(), units, placed, blockRow);
        placed += units;
        if (!cursor.Advance(units)) return false;
    }
    return true;
}

// Block rows that lie whole in the read buffer, placed in the order of their buffer rows,
// for the same reason as DecodeBufferedRows.
void PlaceBufferedBlockRows(const Dxt1Endpoints& endpoints, const Picture& picture,
                            uint64_t firstBlockRow, uint64_t rows, const uint8_t* data,
                            uint64_t blocksPerRow) {
    for (uint64_t n = 0; n < rows; ++n) {
        const uint64_t k = picture.invertY ? n : rows - 1 - n;
        PlaceDxt1Blocks(endpoints, data + k * blocksPerRow * 8, static_cast<size_t>(blocksPerRow),
                        0, BlockRowAt(picture, firstBlockRow + k));
    }
}

// DXT1: blocks left to right, block rows top to bottom. Blocks past the last block row
// that reaches the picture write nothing, so they are not read.
void DecodeBlocks(const PixelRules& rules, const Picture& picture, CUnitCursor& cursor) {
    Dxt1Endpoints endpoints;
    BuildDxt1Endpoints(rules, endpoints);
    const uint64_t blocksPerRow = (static_cast<uint64_t>(picture.width) + 3) / 4;
    const uint64_t rowBytes = blocksPerRow * 8;
    const uint64_t paintingBlockRows = (static_cast<uint64_t>(picture.height) + 3) / 4;
    for (uint64_t k = 0; k < paintingBlockRows;) {
        const uint64_t rows = cursor.RowsReady(rowBytes, rowBytes, paintingBlockRows - k);
        if (rows > 0) {
            PlaceBufferedBlockRows(endpoints, picture, k, rows, cursor.Data(), blocksPerRow);
            k += rows;
            if (!cursor.AdvanceBytes(static_cast<size_t>(rows * rowBytes))) return;
        } else {
            if (!DecodeBlockRow(endpoints, BlockRowAt(picture, k), blocksPerRow, cursor)) return;
            ++k;
        }
    }
}

}  // namespace

uint32_t UnpackFields(const CRawDoc& doc, uint32_t v) {
    return UnpackFields(FieldRulesOf(doc.m_bits, doc.m_shift), v);
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

    PixelRules rules;
    BuildPixelRules(doc, rules);
    CUnitCursor cursor(doc.m_hFile, size, doc.m_offset, shape.bytes);
    const Picture picture{pixels, doc.m_width, doc.m_height, doc.m_invertY};
    if (doc.m_depth == DepthDXT1) {
        DecodeBlocks(rules, picture, cursor);
    } else if (doc.m_depth == Depth1 && doc.m_width == 4) {
        DecodeRowPairs(rules, picture, cursor);
    } else {
        DecodeRows(rules, shape, picture, doc.m_linePad, cursor);
    }
}
