// 8-bit pixels, a byte each: grey levels or palette indices.
#include <algorithm>
#include <array>
#include <cstdlib>

#include "guess/family.h"
#include "guess/shapes.h"

namespace {

// Rows and columns of the reading whose neighbours are compared. Set in the first version (932a95d).
constexpr uint64_t kChannelRows = 64;
constexpr uint64_t kChannelColumns = 4096;
// A byte this much nearer the byte a group on than its neighbour is a channel (c0bd24a).
constexpr double kChannelNearer = 0.7;
// Steps between neighbours that differ by place this much (share of the mean step, itself
// at least kChannelMinStep) are channels. Set in the first version (932a95d).
constexpr double kChannelMinStep = 0.5;
constexpr double kChannelSpread = 0.5;

// Byte-wide pixels whose left neighbours differ by the byte's place in a group of 2, 3 or 4:
// the bytes are channels of wider pixels.
bool LooksMultiChannel(const FileSample& sample, const Layout& layout) {
    const SampleWindow& window = sample.Largest();
    const uint64_t stride = layout.shape.stride;
    const uint64_t rows = std::min<uint64_t>(kChannelRows, layout.rows);
    const int64_t middle = window.start + static_cast<int64_t>(window.bytes.size() / 2);
    const int64_t firstRow = std::max<int64_t>(0, (middle - layout.offset) / static_cast<int64_t>(stride) -
                                                      static_cast<int64_t>(rows / 2));
    const uint64_t columns = std::min<uint64_t>(layout.shape.width, kChannelColumns);
    auto rowAt = [&](uint64_t r) {
        return sample.At(layout.offset + (firstRow + static_cast<int64_t>(r)) * static_cast<int64_t>(stride), columns);
    };
    for (uint64_t group = 2; group <= 4; ++group) {
        std::array<double, 4> steps{};
        uint64_t counted = 0;
        for (uint64_t r = 0; r < rows; ++r) {
            const uint8_t* row = rowAt(r);
            if (row == nullptr) continue;
            for (uint64_t x = 1; x < columns; ++x) steps[x % group] += std::abs(row[x] - row[x - 1]);
            counted += columns - 1;
        }
        if (counted < 64 * group) continue;
        // A channel's neighbour a pixel on is nearer than the next channel of the same pixel.
        double apart = 0;
        double next = 0;
        for (uint64_t r = 0; r < rows; ++r) {
            const uint8_t* row = rowAt(r);
            if (row == nullptr) continue;
            for (uint64_t x = group; x < columns; ++x) {
                apart += std::abs(row[x] - row[x - group]);
                next += std::abs(row[x] - row[x - 1]);
            }
        }
        if (next > 0 && apart < kChannelNearer * next) return true;
        const double mean = (steps[0] + steps[1] + steps[2] + steps[3]) / static_cast<double>(counted);
        double low = steps[0];
        double high = steps[0];
        for (uint64_t j = 1; j < group; ++j) {
            low = std::min(low, steps[j]);
            high = std::max(high, steps[j]);
        }
        const double spread = (high - low) * static_cast<double>(group) / static_cast<double>(counted);
        if (mean > kChannelMinStep && spread > kChannelSpread * mean) return true;
    }
    return false;
}

class EightBit : public PixelFamily {
public:
    uint64_t RowBytes(uint32_t width) const override { return width; }
    void AddShapes(std::vector<Shape>& shapes, uint64_t row, uint64_t pad, uint64_t stride, bool fromZeros) const override {
        AddShape(shapes, Depth8, row, pad, stride, fromZeros);
    }
    void AddPenalties(const Evidence& evidence, const Layout& layout, double& penalty) const override {
        if (LooksMultiChannel(evidence.sample, layout)) penalty += 1;
    }
    std::vector<Plane> EmptyPlanes(const Layout&) const override { return ByteChannelPlanes(1); }
    void AppendRow(const Layout& layout, const uint8_t* row, std::vector<Plane>& planes) const override {
        AppendByteChannels(layout.shape.width, 1, row, planes);
    }
    RowValues Seams() const override { return PixelSeams(RowValues::Bytes, 1); }
};

}  // namespace

const PixelFamily& EightBitFamily() {
    static const EightBit family;
    return family;
}
