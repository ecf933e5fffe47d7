// 16, 24 and 32-bit pixels: colour channels, as bit fields of a 16-bit value or a byte each.
#include <algorithm>
#include <utility>

#include "guess/family.h"
#include "guess/shapes.h"

namespace {

// The bit ranges of a 16-bit value's fields, low bits first, covering all 16 bits.
std::vector<std::pair<uint32_t, uint32_t>> FieldRanges(GuessFields fields) {
    switch (fields) {
        case GuessFields::R5G5B5: return {{0, 5}, {5, 5}, {10, 5}, {15, 1}};
        case GuessFields::R4G4B4A4: return {{0, 4}, {4, 4}, {8, 4}, {12, 4}};
        case GuessFields::R5G6B5: break;
    }
    return {{0, 5}, {5, 6}, {11, 5}};
}

uint32_t Value16(const uint8_t* p, bool bigEndian) {
    return bigEndian ? (uint32_t{p[0]} << 8 | p[1]) : (uint32_t{p[1]} << 8 | p[0]);
}

class Rgb : public PixelFamily {
public:
    explicit Rgb(PixelFormat depth) : m_depth(depth), m_bytes(depth == Depth16 ? 2 : depth == Depth24 ? 3 : 4) {}

    uint64_t RowBytes(uint32_t width) const override { return uint64_t{width} * m_bytes; }
    uint32_t BytesPerPixel() const override { return m_bytes; }
    void AddShapes(std::vector<Shape>& shapes, uint64_t row, uint64_t pad, uint64_t stride, bool fromZeros) const override {
        if (row % m_bytes == 0) AddShape(shapes, m_depth, row / m_bytes, pad, stride, fromZeros);
    }
    // Bytes that change smoothly from one to the next are grey pixels, not channels (three-
    // byte pixels of a plain picture, red, green and blue alike, are smooth too, but step
    // less inside a pixel than between pixels), as are bytes of two levels whose edges fall
    // anywhere; bytes whose pixel width shows are pixels of that width.
    void AddPenalties(const Evidence& evidence, const Layout&, double& penalty) const override {
        const BytePattern& pattern = evidence.bytePattern;
        const bool grey = pattern.smooth && (m_depth != Depth24 || StepsAlikeInThreeBytePixels(pattern));
        if (grey || EdgesInsidePixels(pattern, m_bytes)) penalty += 1;
        if (evidence.bytePattern.period != 0 && m_bytes != evidence.bytePattern.period) penalty += 1;
    }
    // 16-bit values: the usual field layouts, and either byte order.
    std::vector<Layout> Variants(const Layout& base) const override {
        if (m_depth != Depth16) return {base};
        std::vector<Layout> variants;
        for (const auto& [fields, bigEndian] : {std::pair{GuessFields::R5G6B5, false}, std::pair{GuessFields::R5G5B5, false},
                                                std::pair{GuessFields::R4G4B4A4, false}, std::pair{GuessFields::R5G6B5, true}}) {
            Layout layout = base;
            layout.fields = fields;
            layout.bigEndian = bigEndian;
            variants.push_back(layout);
        }
        return variants;
    }
    std::vector<Plane> EmptyPlanes(const Layout& layout) const override {
        if (m_depth != Depth16) return ByteChannelPlanes(m_bytes);
        std::vector<Plane> planes;
        for (const auto& range : FieldRanges(layout.fields)) planes.push_back({range.second, nullptr, {}});
        return planes;
    }
    void AppendRow(const Layout& layout, const uint8_t* row, std::vector<Plane>& planes) const override {
        if (m_depth != Depth16) return AppendByteChannels(layout.shape.width, m_bytes, row, planes);
        const auto ranges = FieldRanges(layout.fields);
        for (size_t f = 0; f < ranges.size(); ++f) {
            uint16_t* out = GrowPlane(planes[f], layout.shape.width);
            const uint32_t mask = (1u << ranges[f].second) - 1;
            for (uint32_t x = 0; x < layout.shape.width; ++x)
                out[x] = static_cast<uint16_t>(Value16(row + 2 * size_t{x}, layout.bigEndian) >> ranges[f].first & mask);
        }
    }
    // The alpha or unused byte ends a 32-bit pixel: where one byte in four keeps one value,
    // rows start where it falls last in their pixels, at most two bytes from where their
    // start was found (a header's last bytes may read as the picture's first).
    std::vector<int64_t> StartsToTry(const Evidence& evidence, const Shape& shape, int64_t start) const override {
        std::vector<int64_t> starts = PixelFamily::StartsToTry(evidence, shape, start);
        const int lane = evidence.bytePattern.steadyLane;
        if (m_depth != Depth32 || lane < 0 || evidence.hints.offset || shape.stride % 4 != 0) return starts;
        for (int64_t& s : starts) {
            const int64_t ahead = ((lane + 1 - s) % 4 + 4) % 4;
            s += ahead <= 2 || s < 4 - ahead ? ahead : ahead - 4;
        }
        return starts;
    }
    // The channels of a pixel mostly err alike: a channel may be coded from the last.
    bool ChannelsAlike() const override { return true; }
    RowValues Seams() const override {
        return PixelSeams(RowValues::Bytes, m_bytes);
    }

private:
    PixelFormat m_depth;
    uint32_t m_bytes;
};

}  // namespace

const PixelFamily& RgbFamily(PixelFormat depth) {
    static const Rgb rgb16(Depth16), rgb24(Depth24), rgb32(Depth32);
    return depth == Depth16 ? rgb16 : depth == Depth24 ? rgb24 : rgb32;
}
