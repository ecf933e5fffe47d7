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
// Pixels that differ inside their groups less than this share as often as from group to
// group are the groups' bits. Not tuned: pixels of a picture differ alike wherever they lie
// in a byte, and the bits of a byte value of two levels never differ.
constexpr double kGroupedShare = 0.25;
// Changes between groups needed before the shares tell anything.
constexpr uint64_t kGroupChanges = 64;

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

NeighbourChanges CountNeighbourChanges(const std::vector<uint8_t>& bytes) {
    NeighbourChanges changes;
    if (bytes.size() < 2) return changes;
    const uint64_t span = std::min<uint64_t>(bytes.size() - 1, kBitPlaceBytes);
    const uint64_t first = (bytes.size() - 1 - span) / 2;
    uint64_t across[2] = {0, 0};  // high bit first, low bit first
    uint64_t nibblesAcross[2] = {0, 0};
    for (uint64_t i = first; i < first + span; ++i) {
        const uint32_t byte = bytes[i], next = bytes[i + 1];
        const uint32_t inside = (byte ^ byte >> 1) & 0x7F;
        for (uint32_t k = 0; k < 7; ++k) changes.bitsInside[k] += inside >> (6 - k) & 1;
        across[0] += (byte ^ next >> 7) & 1;
        across[1] += (byte >> 7 ^ next) & 1;
        changes.nibblesInside += (byte >> 4) != (byte & 15);
        nibblesAcross[0] += (byte & 15) != (next >> 4);
        nibblesAcross[1] += (byte >> 4) != (next & 15);
    }
    changes.bitsAcross = std::min(across[0], across[1]);
    changes.nibblesAcross = std::min(nibblesAcross[0], nibblesAcross[1]);
    return changes;
}

bool PackedPixels::ComeInGroups(const Evidence& evidence, uint32_t bits) {
    const NeighbourChanges& changes = evidence.neighbourChanges;
    if (bits == 4)
        return changes.nibblesAcross >= kGroupChanges &&
               static_cast<double>(changes.nibblesInside) < kGroupedShare * static_cast<double>(changes.nibblesAcross);
    // Bits in nibbles: the pair of bit 4 and bit 3 lies between nibbles, as does the pair
    // across bytes; the other six lie inside.
    constexpr size_t kBetweenNibbles = 3;
    double inside = 0;
    for (size_t k = 0; k < changes.bitsInside.size(); ++k)
        if (k != kBetweenNibbles) inside += static_cast<double>(changes.bitsInside[k]) / 6;
    const double between = static_cast<double>(changes.bitsInside[kBetweenNibbles] + changes.bitsAcross) / 2;
    return between >= kGroupChanges && inside < kGroupedShare * between;
}
