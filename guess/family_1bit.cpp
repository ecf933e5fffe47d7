// 1-bit pixels, eight to a byte: two levels, often dithered.
#include <algorithm>
#include <array>

#include "guess/cost.h"
#include "guess/family_packed.h"
#include "guess/shapes.h"

namespace {

// Bit places whose changes differ this much from alike (chi-square over the eight places)
// and 1.75 times as often between the most and the fewest are a value's bits (7e5e3bc: a
// flat 8-bit logo). Real 1-bit pages of text reach 1.55 (their glyphs sit on byte columns);
// a near-white 8-bit scan 1.99 (2 let it be read eight times as wide).
constexpr double kBitPlaceChiSquare = 50;
constexpr double kBitPlaceRatio = 1.75;

// Whether the bits of a byte change from one row to the next at rates that depend on their
// place in the byte, as the bits of a wider value do (low bits flicker while high bits
// hold): bits that are pixels all change alike. The difference must be both large and
// more than chance in the bits counted.
bool BitPlacesDiffer(const std::array<uint64_t, 8>& changes) {
    double mean = 0;
    for (const uint64_t c : changes) mean += static_cast<double>(c) / 8;
    if (mean <= 0) return false;
    double chiSquare = 0;
    for (const uint64_t c : changes) chiSquare += (static_cast<double>(c) - mean) * (static_cast<double>(c) - mean) / mean;
    const auto [fewest, most] = std::minmax_element(changes.begin(), changes.end());
    return chiSquare > kBitPlaceChiSquare && static_cast<double>(*most) > kBitPlaceRatio * static_cast<double>(*fewest);
}

// Total bits of a two-level plane's values, rows after the first, each coded in the context
// of eight neighbours: two to the left, three above, three two rows above (dithering often
// repeats every other row).
double BinaryPlaneBits(const Plane& plane, uint64_t rows) {
    const uint64_t perRow = plane.values.size() / rows;
    std::array<std::array<uint32_t, 2>, 256> counts{};
    const std::vector<uint16_t> none(perRow, 0);
    auto value = [&](const uint16_t* row, uint64_t x) -> uint32_t { return x < perRow ? row[x] : 0; };
    for (uint64_t y = 1; y < rows; ++y) {
        const uint16_t* row = &plane.values[y * perRow];
        const uint16_t* up = row - perRow;
        const uint16_t* up2 = y >= 2 ? up - perRow : none.data();
        // The neighbours slide along the row with x: left, and x-1, x, x+1 of the rows above.
        uint32_t left = 0, left2 = 0;
        uint32_t upBits = value(up, 0) << 1 | value(up, 1) << 2;
        uint32_t up2Bits = value(up2, 0) << 1 | value(up2, 1) << 2;
        for (uint64_t x = 0; x < perRow; ++x) {
            const uint32_t context = left | left2 << 1 | upBits << 2 | up2Bits << 5;
            const uint32_t pixel = row[x];
            ++counts[context][pixel];
            left2 = left;
            left = pixel;
            upBits = upBits >> 1 | value(up, x + 2) << 2;
            up2Bits = up2Bits >> 1 | value(up2, x + 2) << 2;
        }
    }
    double bits = 0;
    for (const auto& pair : counts) {
        const uint64_t count = uint64_t{pair[0]} + pair[1];
        bits += CodeLengthBits({pair[0], pair[1]}, count, 0.5);
    }
    return bits;
}

class OneBit : public PackedPixels {
public:
    uint64_t RowBytes(uint32_t width) const override { return (uint64_t{width} + 7) / 8; }
    uint32_t PixelsPerByte() const override { return 8; }
    void AddShapes(std::vector<Shape>& shapes, uint64_t row, uint64_t pad, uint64_t stride, bool fromZeros) const override {
        AddShape(shapes, Depth1, row * 8, pad, stride, fromZeros);
    }
    // Bits that change from row to row as the bits of byte values do, or that hold one
    // value in each nibble, are not pixels. Rows are compared at this reading's stride and
    // at the one the bytes' rows match best at: a reading many rows wide compares rows too
    // far apart to show the flicker of low bits (a scanned page read two rows to a row).
    bool LooksLikeValues(Evidence& evidence, uint64_t stride) const override {
        const uint64_t rows = evidence.deepestLongRow;
        return BitPlacesDiffer(BitChanges(evidence, stride)) || (rows != 0 && BitPlacesDiffer(BitChanges(evidence, rows))) ||
               ComeInGroups(evidence, 1);
    }
    std::vector<Plane> EmptyPlanes(const Layout&) const override { return {{1, BinaryPlaneBits, {}}}; }
    void AppendRow(const Layout& layout, const uint8_t* row, std::vector<Plane>& planes) const override {
        uint16_t* out = GrowPlane(planes[0], layout.shape.width);
        const uint32_t flip = layout.bigEndian ? 7 : 0;
        for (uint32_t x = 0; x < layout.shape.width; ++x) out[x] = static_cast<uint16_t>(row[x / 8] >> ((x % 8) ^ flip) & 1);
    }
    // Two-level pixels shear a byte a row, and show the row boundary in their grey level.
    RowValues Seams() const override { return PixelSeams(RowValues::Grey, 1); }
};

}  // namespace

const PixelFamily& OneBitFamily() {
    static const OneBit family;
    return family;
}
