// DXT1 (S3TC) blocks: 8 bytes for 4 x 4 pixels, two 5-6-5 colour endpoints and sixteen
// 2-bit indices.
#include "guess/family_dxt1.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <utility>

#include "guess/cost.h"
#include "guess/family.h"
#include "guess/shapes.h"
#include "guess/start.h"
#include "guess/strides.h"

namespace {

// Blocks are evident when at least kMinOrderedPairs endpoint pairs at one phase differ,
// kEvidentOrder of them falling, while the indices four bytes on fall more than
// kIndicesOrdered and less than kIndicesDisordered of the time. Set in the first
// version (932a95d).
constexpr uint64_t kMinOrderedPairs = 12;
constexpr double kEvidentOrder = 0.95;
constexpr double kIndicesOrdered = 0.1;
constexpr double kIndicesDisordered = 0.9;
// So many blocks in order would be unheard of by chance: other depths pay (2c2f388).
constexpr uint64_t kManyBlocks = 64;
// What evident blocks take from a DXT1 reading at their phase, and add to any other.
// Set in the first version (932a95d).
constexpr double kBlockOrderPenalty = 2;
// A few blocks show no clear dips: every row length up to this many blocks is tried. Grainy
// textures up to kWeakDipBlocks dip at their rows too weakly to stand out: their
// kWeakDipStrides deepest dips are tried (0475684: every length up to 4096 took 3.9 s).
constexpr uint64_t kAllRowLengthBlocks = 512;
constexpr uint64_t kWeakDipBlocks = 4096;
constexpr size_t kWeakDipStrides = 32;
// A texture of at most this many blocks is tried at every block-row start below
// kLongestHeader bytes (kFewBlocks from 833908b; a9cef2d: top-1 94.0 -> 94.8%).
constexpr uint64_t kFewBlocks = 256;
constexpr int64_t kLongestHeader = 1024;
// Block brightness compared for the header's end. Set in the first version (932a95d).
constexpr uint64_t kHeaderEndBlocks = 8192;

// The share of 16-bit pairs in falling order at one byte phase of eight, and how many differ.
std::pair<double, uint64_t> FallingShare(const std::vector<uint8_t>& bytes, int phase) {
    uint64_t falling = 0;
    uint64_t rising = 0;
    for (size_t i = static_cast<size_t>(phase); i + 8 <= bytes.size(); i += 8) {
        const uint32_t first = uint32_t{bytes[i + 1]} << 8 | bytes[i];
        const uint32_t second = uint32_t{bytes[i + 3]} << 8 | bytes[i + 2];
        falling += first > second;
        rising += first < second;
    }
    const uint64_t compared = falling + rising;
    return {compared ? static_cast<double>(falling) / static_cast<double>(compared) : 0, compared};
}

// The brightness of a 5-6-5 colour, 0 to 187.
uint32_t Brightness(uint32_t colour) { return (colour >> 11) * 2 + (colour >> 5 & 63) + (colour & 31) * 2; }

// The brightness of each block from the given phase on: the mean of its two endpoints, for
// either alone jumps between a block's light and dark side.
std::vector<uint8_t> BlockBrightness(const std::vector<uint8_t>& bytes, int phase) {
    std::vector<uint8_t> brightness;
    for (size_t i = static_cast<size_t>(phase); i + 8 <= bytes.size(); i += 8) {
        const uint32_t first = uint32_t{bytes[i + 1]} << 8 | bytes[i];
        const uint32_t second = uint32_t{bytes[i + 3]} << 8 | bytes[i + 2];
        brightness.push_back(static_cast<uint8_t>((Brightness(first) + Brightness(second)) / 2));
    }
    return brightness;
}

// The DXT1 offset: as HeaderEnd, but block by block on the block phase, comparing the
// brightness of first endpoints, which unlike the indices change smoothly.
int64_t BlockHeaderEnd(const FileSample& sample, uint64_t stride, int phase) {
    const std::vector<uint8_t> brightness = BlockBrightness(sample.Head().bytes, phase);
    const uint64_t rowBlocks = stride / 8;
    if (brightness.size() <= 2 * rowBlocks) return phase;
    const uint64_t span = std::min<uint64_t>(brightness.size() - 2 * rowBlocks, kHeaderEndBlocks);
    const int64_t blocks = ChangePoint(
        span, [&](uint64_t k) { return std::abs(brightness[k] - brightness[k + rowBlocks]); },
        [&](uint64_t k) { return std::abs(brightness[k + rowBlocks] - brightness[k + 2 * rowBlocks]); });
    return phase + 8 * blocks;
}

// DXT1 data is most often a texture's blocks and nothing after them, and the brightness of
// blocks finds the header's end only roughly: the block rows that end at the file's end,
// nearest that end.
int64_t ChooseBlockOffset(int64_t headerEnd, uint64_t stride, int64_t fileSize) {
    const int64_t s = static_cast<int64_t>(stride);
    const int64_t phase = fileSize % s;
    if (phase % 8 != 0) return headerEnd;
    return phase + std::max<int64_t>(0, (headerEnd - phase + s / 2) / s) * s;
}

// Total bits of DXT1 indices, rows after the first, each coded in the context of the same
// index in the block to the left and in the block above.
double BlockIndexBits(const Plane& plane, uint64_t rows) {
    const uint64_t perRow = plane.values.size() / rows;
    std::array<std::vector<uint32_t>, 16> counts;
    counts.fill(std::vector<uint32_t>(4, 0));
    for (uint64_t y = 1; y < rows; ++y) {
        const uint16_t* row = &plane.values[y * perRow];
        const uint16_t* up = row - perRow;
        for (uint64_t i = 0; i < perRow; ++i) {
            const uint32_t left = i >= 16 ? row[i - 16] : 0;
            ++counts[left << 2 | up[i]][row[i]];
        }
    }
    double bits = 0;
    for (const auto& histogram : counts) {
        uint64_t count = 0;
        for (const uint32_t n : histogram) count += n;
        bits += CodeLengthBits(histogram, count, 0.5);
    }
    return bits;
}

class Dxt1 : public PixelFamily {
public:
    uint64_t RowBytes(uint32_t width) const override { return (uint64_t{width} + 3) / 4 * 8; }
    uint32_t BytesPerPixel() const override { return 8; }
    uint64_t PixelRowsPerRow() const override { return 4; }
    void AddShapes(std::vector<Shape>& shapes, uint64_t row, uint64_t pad, uint64_t stride, bool) const override {
        if (pad == 0 && row % 8 == 0) AddShape(shapes, DepthDXT1, row / 2, 0, stride, false);
    }
    // Blocks and the strides beside a row stride have measures of their own.
    bool Tries(const Evidence&, const StrideList& strides, uint64_t stride) const override {
        return StrideList::IsIn(strides.anyDepth, stride);
    }
    std::optional<int64_t> OwnStart(const Evidence& evidence, uint64_t stride) const override {
        if (!evidence.blocks.Evident()) return std::nullopt;
        const FileSample& sample = evidence.sample;
        return ChooseBlockOffset(BlockHeaderEnd(sample, stride, evidence.blocks.phase), stride, sample.FileSize());
    }
    // A few blocks show no clear header end: unless the user gave the start, every start
    // where the last block row ends with the file, below a usual header's length, is tried too.
    std::vector<int64_t> StartsToTry(const Evidence& evidence, const Shape& shape, int64_t start) const override {
        std::vector<int64_t> starts{start};
        const int64_t fileSize = evidence.sample.FileSize();
        if (!evidence.hints.offset && evidence.blocks.Evident() && fileSize <= static_cast<int64_t>(8 * kFewBlocks)) {
            const int64_t s = static_cast<int64_t>(shape.stride);
            for (int64_t other = fileSize % s; other <= kLongestHeader; other += s)
                if (other != start) starts.push_back(other);
        }
        return starts;
    }
    double Structure(const Evidence& evidence, uint64_t stride) const override {
        double structure = PixelFamily::Structure(evidence, stride);
        if (evidence.blockProfile) structure = std::max(structure, ::Structure(*evidence.blockProfile, stride / 8));
        return structure;
    }
    std::vector<Plane> EmptyPlanes(const Layout&) const override {
        std::vector<Plane> planes;
        for (const uint32_t bits : {5u, 6u, 5u, 5u, 6u, 5u}) planes.push_back({bits, nullptr, {}});
        planes.push_back({2, BlockIndexBits, {}});
        return planes;
    }
    // Both endpoints' channels, then the sixteen indices, a block at a time.
    void AppendRow(const Layout& layout, const uint8_t* row, std::vector<Plane>& planes) const override {
        const uint32_t blocks = (layout.shape.width + 3) / 4;
        for (uint32_t b = 0; b < blocks; ++b) {
            const uint8_t* block = row + 8 * size_t{b};
            for (uint32_t e = 0; e < 2; ++e) {
                const uint32_t v = uint32_t{block[2 * e + 1]} << 8 | block[2 * e];
                planes[3 * e].values.push_back(static_cast<uint16_t>(v & 31));
                planes[3 * e + 1].values.push_back(static_cast<uint16_t>(v >> 5 & 63));
                planes[3 * e + 2].values.push_back(static_cast<uint16_t>(v >> 11));
            }
            for (uint32_t i = 0; i < 16; ++i)
                planes[6].values.push_back(static_cast<uint16_t>(block[4 + i / 4] >> (2 * (i % 4)) & 3));
        }
    }
    // Sheared readings by the brightness of blocks, a block either side.
    RowValues Seams() const override { return {RowValues::Blocks, 1, 8, 1}; }
};

}  // namespace

bool BlockEvidence::Evident() const {
    return phase >= 0 && compared >= kMinOrderedPairs && ordered >= kEvidentOrder && indicesOrdered > kIndicesOrdered &&
           indicesOrdered < kIndicesDisordered;
}

void MeasureBlocks(Evidence& evidence) {
    const std::vector<uint8_t>& bytes = evidence.sample.Largest().bytes;
    BlockEvidence& blocks = evidence.blocks;
    for (int phase = 0; phase < 8; ++phase) {
        const auto [ordered, compared] = FallingShare(bytes, phase);
        if (ordered > blocks.ordered) blocks = {phase, ordered, compared, 0};
    }
    if (blocks.phase >= 0) blocks.indicesOrdered = FallingShare(bytes, (blocks.phase + 4) % 8).first;
    if (!blocks.Evident()) return;
    evidence.brightness = BlockBrightness(bytes, blocks.phase);
    evidence.blockProfile.emplace(ByteWindows{&evidence.brightness},
                                  std::min<uint64_t>(kMaxStride / 8, evidence.brightness.size() / 2));
}

void AddBlockStrides(const Evidence& evidence, const std::function<void(uint64_t)>& addStride) {
    if (!evidence.blockProfile) return;
    const std::vector<uint8_t>& brightness = evidence.brightness;
    const LagProfile& profile = *evidence.blockProfile;
    for (const uint64_t blockStride : StrideCandidates(profile, brightness)) addStride(blockStride * 8);
    // A few blocks show no clear dips: try every row length. Grainy textures of a few
    // thousand blocks dip at their rows too weakly to stand out: try the deepest dips.
    if (brightness.size() <= kAllRowLengthBlocks) {
        for (uint64_t blockStride = 2; blockStride * 4 <= brightness.size(); ++blockStride) addStride(blockStride * 8);
    } else if (brightness.size() <= kWeakDipBlocks) {
        std::vector<std::pair<double, uint64_t>> dips;
        for (uint64_t blockStride = 2; blockStride <= profile.MaxLag(); ++blockStride)
            dips.emplace_back(profile.Dip(blockStride), blockStride);
        const size_t kept = std::min(dips.size(), kWeakDipStrides);
        std::partial_sort(dips.begin(), dips.begin() + static_cast<std::ptrdiff_t>(kept), dips.end(), std::greater<>());
        for (size_t i = 0; i < kept; ++i) addStride(dips[i].second * 8);
    }
}

double BlockOrderPenalty(const BlockEvidence& blocks, const Layout& layout) {
    if (layout.shape.depth == DepthDXT1) {
        const bool aligned = blocks.Evident() && (layout.offset - blocks.phase) % 8 == 0;
        return aligned ? -kBlockOrderPenalty : kBlockOrderPenalty;
    }
    return blocks.Evident() && blocks.compared >= kManyBlocks ? kBlockOrderPenalty : 0;
}

const PixelFamily& Dxt1Family() {
    static const Dxt1 family;
    return family;
}
