// 4-bit pixels, two to a byte.
#include <algorithm>
#include <array>

#include "guess/family_packed.h"
#include "guess/shapes.h"

namespace {

// Bit changes counted before the halves of a byte are compared (1587aee).
constexpr uint64_t kNibbleChanges = 256;
// The halves of a byte whose bits change this many times as often as each other's are a
// value's: measured on the corpus 1.00-1.20 for 4-bit pixels, 1.59-13 for 8-bit values (1587aee).
constexpr double kNibbleRatio = 1.4;

// The two halves of a byte are two pixels, whose bits change alike, where the high half of
// a byte value holds while its low half flickers.
bool NibblesDiffer(const std::array<uint64_t, 8>& changes) {
    uint64_t low = 0;
    uint64_t high = 0;
    for (uint32_t bit = 0; bit < 4; ++bit) {
        low += changes[bit];
        high += changes[bit + 4];
    }
    return low + high >= kNibbleChanges &&
           static_cast<double>(std::max(low, high)) > kNibbleRatio * static_cast<double>(std::min(low, high));
}

class FourBit : public PackedPixels {
public:
    uint64_t RowBytes(uint32_t width) const override { return (uint64_t{width} + 1) / 2; }
    uint32_t PixelsPerByte() const override { return 2; }
    void AddShapes(std::vector<Shape>& shapes, uint64_t row, uint64_t pad, uint64_t stride, bool fromZeros) const override {
        AddShape(shapes, Depth4, row * 2, pad, stride, fromZeros);
    }
    bool LooksLikeValues(Evidence& evidence, uint64_t stride) const override {
        return NibblesDiffer(BitChanges(evidence, stride)) || ComeInGroups(evidence, 4);
    }
    std::vector<Plane> EmptyPlanes(const Layout&) const override { return {{4, nullptr, {}}}; }
    void AppendRow(const Layout& layout, const uint8_t* row, std::vector<Plane>& planes) const override {
        uint16_t* out = GrowPlane(planes[0], layout.shape.width);
        for (uint32_t x = 0; x < layout.shape.width; ++x) {
            const bool high = (x % 2 == 0) == layout.bigEndian;
            out[x] = static_cast<uint16_t>(high ? row[x / 2] >> 4 : row[x / 2] & 15);
        }
    }
    // Sheared 4-bit readings are not judged by their row boundaries.
};

}  // namespace

const PixelFamily& FourBitFamily() {
    static const FourBit family;
    return family;
}
