#include "guess/family_packed.h"

#include <algorithm>

#include "guess/strides.h"

namespace {

// Files this small are cheap to read at every depth, whatever their bytes look like: a
// dither's dot patterns repeat every few bytes as channels do. On larger files reading
// bit by bit would triple the time of a 3 MB colour picture (893ef3d).
constexpr int64_t kSmallFile = 65536;
// Bytes over which bit changes are counted (7e5e3bc).
constexpr uint64_t kBitPlaceBytes = 65536;

}  // namespace

// Bytes that are channels of wider pixels are not worth reading bit by bit; but in a
// small file, a dither's patterns repeat every few bytes as channels do.
bool PackedPixelsTried(const BytePattern& pattern, const LayoutHints& hints, int64_t fileSize) {
    return pattern.period == 0 || hints.depth || fileSize <= kSmallFile;
}

bool PackedPixels::Tries(const Evidence& evidence, const StrideList& strides, uint64_t stride) const {
    return evidence.packedPixels &&
           (StrideList::IsIn(strides.anyDepth, stride) || StrideList::IsIn(strides.twoLevel, stride));
}

// By grey level too, where dithering that repeats every other row lines up rows in pairs.
double PackedPixels::Structure(const Evidence& evidence, uint64_t stride) const {
    double structure = PixelFamily::Structure(evidence, stride);
    if (evidence.greyProfile) {
        const LagProfile& grey = *evidence.greyProfile;
        const double pairs = grey.Has(2 * stride) ? ::Structure(grey, 2 * stride) : 0;
        structure = std::max(structure, std::max(::Structure(grey, stride), pairs));
    }
    return structure;
}

// Bytes whose pixel width shows (2, 3 or 4) are not pixels within a byte, unless they are
// rows of glyphs that repeat a row on.
void PackedPixels::AddPenalties(const Evidence& evidence, const Layout& layout, double& penalty) const {
    const uint32_t period = evidence.bytePattern.period;
    const bool glyphRows = layout.shape.stride == period && period <= kGlyphRowBytes;
    if (period != 0 && BytesPerPixel() != period && !glyphRows) penalty += 1;
}

std::vector<Layout> PackedPixels::Variants(const Layout& base) const {
    std::vector<Layout> variants;
    for (const bool bigEndian : {false, true}) {
        Layout layout = base;
        layout.fields = GuessFields::R5G6B5;
        layout.bigEndian = bigEndian;
        variants.push_back(layout);
    }
    return variants;
}

std::array<uint64_t, 8> PackedPixels::BitChanges(Evidence& evidence, uint64_t stride) {
    return evidence.bitChanges.Get(stride, [&] {
        std::array<uint64_t, 8> changes{};
        const std::vector<uint8_t>& bytes = evidence.sample.Largest().bytes;
        if (bytes.size() <= stride) return changes;
        const uint64_t span = std::min<uint64_t>(bytes.size() - stride, kBitPlaceBytes);
        const uint64_t first = stride + (bytes.size() - stride - span) / 2;
        for (uint64_t i = first; i < first + span; ++i) {
            const uint32_t changed = bytes[i] ^ bytes[i - stride];
            for (uint32_t bit = 0; bit < 8; ++bit) changes[bit] += changed >> bit & 1;
        }
        return changes;
    });
}
