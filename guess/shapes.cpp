#include "guess/shapes.h"

#include <algorithm>
#include <utility>

#include "guess/family.h"
#include "guess/lag_profile.h"
#include "guess/strides.h"

namespace {

// The narrowest picture tried. Set in the first version (932a95d), not tuned since.
constexpr uint32_t kMinWidth = 8;
// Rows the zero columns are found over: at most 1024 and about 256 KB from the middle of
// the largest window, clear of any header and of anything after the picture (bb42267).
constexpr uint64_t kColumnMaxRows = 1024;
constexpr uint64_t kColumnBytes = uint64_t{1} << 18;
// Unused bits are sought over this much of the largest window (0276468).
constexpr uint64_t kUnusedBitsBytes = uint64_t{1} << 20;
// Zero columns are tried as pad when fewer than this and the stride a multiple of it, as
// bitmap files round rows up to 4 bytes. Set in the first version (932a95d).
constexpr uint64_t kPadRounding = 4;
// The last pixel before zero bits is set this much less often than pixels are on average
// where a picture fades into a blank margin that the zero bits continue (a teddy on white
// cut 3 to 5 columns short); where the zero bits are unused, it is set as often as the
// others. On the tuning half, every such cut was under 0.1 and every right reading over 0.2;
// on the held-out half 7 more were right and 7 fewer exact (unused bits after a sparse
// last column, now shown as pixels).
constexpr double kFadingShare = 0.15;

// Unused bits at the end of a row of packed pixels: the zero bits at the end of its last byte.
uint32_t UnusedBits(uint8_t lastByte, bool mostSignificantFirst) {
    uint32_t count = 0;
    for (uint32_t i = 0; i < 7; ++i) {
        const uint32_t bit = mostSignificantFirst ? i : 7 - i;
        if (lastByte >> bit & 1) break;
        ++count;
    }
    return count;
}

// Pads worth trying for a stride: none, and the zero columns at the row end when they
// round the row up to 4 bytes, as bitmap files do.
std::vector<std::pair<uint64_t, bool>> PadChoices(uint64_t stride, const Columns& columns, const LayoutHints& hints) {
    if (hints.linePad) return {{*hints.linePad, false}};
    std::vector<std::pair<uint64_t, bool>> pads{{0, false}};
    if (stride % kPadRounding == 0 && columns.zeroRun > 0 && columns.zeroRun < kPadRounding &&
        columns.zeroRun < stride)
        pads.emplace_back(columns.zeroRun, true);
    return pads;
}

// The column of a row's last byte, when unused low-order pixels show there: the one column
// whose last bits are zero in every row while others have them set. After pad columns, it is
// the column before them. Negative when no such column stands out.
int64_t LastByteColumn(const Columns& columns, uint64_t stride, uint64_t pad, bool msbFirst) {
    if (pad > 0) {
        const uint64_t column = (columns.zeroRunEnd + stride - pad - 1) % stride;
        const uint8_t last = columns.anyBits[column];
        return last != 0 && UnusedBits(last, msbFirst) > 0 ? static_cast<int64_t>(column) : -1;
    }
    int64_t found = -1;
    for (uint64_t c = 0; c < stride; ++c) {
        const uint8_t bits = columns.wholeBits[c];
        // A column zero in every row is as likely dark pixels as unused bits.
        if (bits == 0 || UnusedBits(bits, msbFirst) == 0) continue;
        if (found >= 0) return -1;
        found = static_cast<int64_t>(c);
    }
    return found;
}

// Whether the pixel at `bit` of the column, the last before its zero bits, is set so much
// more rarely than bits are on average that the picture fades into zeros there.
bool FadesIntoZeros(const Columns& columns, uint64_t stride, uint64_t column, uint32_t bit) {
    uint64_t setInColumn = 0;
    uint64_t setInAll = 0;
    for (uint64_t row = 0; row < columns.rows; ++row) {
        const uint8_t* bytes = columns.firstRow + row * stride;
        setInColumn += bytes[column] >> bit & 1;
        for (uint64_t c = 0; c < stride; ++c) setInAll += BitCount(bytes[c]);
    }
    const double columnShare = static_cast<double>(setInColumn) / static_cast<double>(columns.rows);
    const double meanShare = static_cast<double>(setInAll) / static_cast<double>(columns.rows * stride * 8);
    return columnShare < kFadingShare * meanShare;
}

// Every family's shapes of the row; then, where one column ends in zero bits, the packed
// pixels' shapes whose last pixels are those unused bits (1-bit before 4-bit, as always).
void AddShapesForPad(std::vector<Shape>& shapes, uint64_t stride, uint64_t pad, bool fromZeros,
                     const Columns& columns) {
    if (pad >= stride) return;
    const uint64_t row = stride - pad;
    for (const PixelFamily* family : Families()) family->AddShapes(shapes, row, pad, stride, fromZeros);
    if (!columns.valid || columns.zeroRun >= stride) return;
    for (const bool msbFirst : {false, true}) {
        const int64_t lastColumn = LastByteColumn(columns, stride, pad, msbFirst);
        if (lastColumn < 0) continue;
        const uint8_t last = (pad > 0 ? columns.anyBits : columns.wholeBits)[static_cast<size_t>(lastColumn)];
        const uint32_t zeroBits = UnusedBits(last, msbFirst);
        if (FadesIntoZeros(columns, stride, static_cast<uint64_t>(lastColumn), msbFirst ? zeroBits : 7 - zeroBits))
            continue;
        const int64_t rowStart = (lastColumn + 1 + static_cast<int64_t>(pad)) % static_cast<int64_t>(stride);
        for (const PixelFormat depth : {Depth1, Depth4}) {
            const uint32_t perByte = FamilyOf(depth).PixelsPerByte();
            const uint32_t unusedPixels = zeroBits / (8 / perByte);
            if (unusedPixels > 0) AddShape(shapes, depth, row * perByte - unusedPixels, pad, stride, true, rowStart);
        }
    }
}

}  // namespace

Columns MeasureColumns(const FileSample& sample, uint64_t stride) {
    Columns columns;
    const SampleWindow& window = sample.Largest();
    const uint64_t size = window.bytes.size();
    // Rows from the middle, clear of any header at the start and anything after the picture.
    const uint64_t rows =
        std::min<uint64_t>({kColumnMaxRows, std::max<uint64_t>(2, kColumnBytes / stride), size / 4 * 3 / stride});
    if (rows < 2) return columns;
    const uint64_t first = (size - rows * stride) / 2;
    columns.valid = true;
    columns.firstColumn = window.start + static_cast<int64_t>(first);
    columns.firstRow = &window.bytes[first];
    columns.rows = rows;
    columns.anyBits.assign(stride, 0);
    for (uint64_t row = 0; row < rows; ++row) {
        const uint8_t* bytes = &window.bytes[first + row * stride];
        for (uint64_t c = 0; c < stride; ++c) columns.anyBits[c] |= bytes[c];
    }
    // Unused bits are rare in a sparse two-level picture: every row there is counts.
    columns.wholeBits.assign(stride, 0);
    const uint64_t wholeEnd = std::min<uint64_t>(size, kUnusedBitsBytes);
    uint64_t column = (stride - first % stride) % stride;  // the column of byte 0
    for (uint64_t at = 0; at < wholeEnd; ++at) {
        columns.wholeBits[column] |= window.bytes[at];
        if (++column == stride) column = 0;
    }
    uint64_t run = 0;
    for (uint64_t i = 0; i < 2 * stride; ++i) {
        run = columns.anyBits[i % stride] == 0 ? run + 1 : 0;
        if (run > columns.zeroRun && run <= stride) {
            columns.zeroRun = run;
            columns.zeroRunEnd = (i + 1) % stride;
        }
    }
    return columns;
}

void AddShape(std::vector<Shape>& shapes, PixelFormat depth, uint64_t width, uint64_t pad, uint64_t stride,
              bool padFromZeros, int64_t rowStart) {
    if (width < kMinWidth || width > UINT32_MAX || pad > UINT32_MAX || stride < kMinStride) return;
    if (RowBytes(depth, static_cast<uint32_t>(width)) + pad != stride) return;
    shapes.push_back({depth, static_cast<uint32_t>(width), static_cast<uint32_t>(pad), stride, padFromZeros, rowStart});
}

std::vector<Shape> ShapesForStride(uint64_t stride, const Columns& columns, const LayoutHints& hints) {
    std::vector<Shape> shapes;
    for (const auto& [pad, fromZeros] : PadChoices(stride, columns, hints))
        AddShapesForPad(shapes, stride, pad, fromZeros, columns);
    // A pad from zero columns only stands when those columns sit at the row's end; and for
    // pixels of a byte or more, only when the row is no whole number of pixels without it:
    // else the zero columns are as likely a dark edge of the picture, and are read as its
    // last pixels, the rows still starting after them. Reading them as pixels shows the
    // whole picture either way; reading them as pad would cut a dark edge off.
    std::vector<PixelFormat> whole;  // depths whose rows are whole pixels without a pad
    for (const Shape& s : shapes)
        if (s.linePad == 0 && !s.padFromZeros) whole.push_back(s.depth);
    const auto darkEdgeAsPad = [&](const Shape& s) {
        return s.padFromZeros && s.linePad > 0 && FamilyOf(s.depth).PixelsPerByte() == 0 &&
               std::find(whole.begin(), whole.end(), s.depth) != whole.end();
    };
    std::vector<PixelFormat> startAfterZeros;
    for (const Shape& s : shapes)
        if (darkEdgeAsPad(s)) startAfterZeros.push_back(s.depth);
    for (Shape& s : shapes)
        if (s.linePad == 0 && !s.padFromZeros &&
            std::find(startAfterZeros.begin(), startAfterZeros.end(), s.depth) != startAfterZeros.end())
            s.rowStart = static_cast<int64_t>(columns.zeroRunEnd);
    shapes.erase(std::remove_if(shapes.begin(), shapes.end(),
                                [&](const Shape& s) { return s.padFromZeros && (!columns.valid || darkEdgeAsPad(s)); }),
                 shapes.end());
    return shapes;
}
