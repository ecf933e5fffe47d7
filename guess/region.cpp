#include "guess/region.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "guess/lag_profile.h"

namespace {

// A byte nearer its neighbour than this share of the mean distance of two bytes drawn at
// random from its block is smooth; below kForeignShare it is still nearer than chance. On
// the tune half's pictures half the blocks fall below 0.2 and 5% at or above 0.8, where
// nearly all blocks of their headers, text and machine code lie.
constexpr double kSmoothShare = 0.5;
constexpr double kForeignShare = 0.8;
// Bytes closer than this on average, drawn at random, are one value for the judging.
constexpr double kFlatSpread = 1;
// A block with fewer than this share of bytes besides its commonest value is flat: zeros
// that pad code and tables, or a page's white with a few specks, which side by side are as
// far apart as drawn at random and would judge a binarised scan's margins foreign.
constexpr double kFewestOthers = 0.25;
// The widest pixel whose channels are compared with the pixel before.
constexpr size_t kWidestPixel = 4;
// Text lined up in columns looks smooth in its runs of spaces: a block whose bytes besides
// zeros are nearly all printable, with spaces between words, is text.
constexpr double kTextPrintable = 0.99;
constexpr double kTextSpaces = 0.05;
// One foreign block in a picture is chance (a noisy patch); this many in a row end it.
constexpr size_t kForeignRun = 2;
// Bytes nearer the byte a row on than this share of their distance from the byte a row and
// a half on line up in rows.
constexpr double kLinedUpShare = 0.8;
// A region is a picture among other bytes when at least this share of the blocks around it
// (flat ones aside) are foreign.
constexpr double kForeignAround = 0.5;
// Fewer picture blocks than this are no picture: a table or a run of small numbers.
constexpr size_t kMinPictureBlocks = 4;

// The mean of |x - y| over pairs of the block's bytes drawn at random, from their counts,
// two zeros left out.
double RandomPairDistance(const std::array<uint32_t, 256>& counts) {
    double below = 0;  // how many bytes hold smaller values
    double sumBelow = 0;
    double distance = 0;
    for (int v = 0; v < 256; ++v) {
        const double c = counts[static_cast<size_t>(v)];
        distance += c * (v * below - sumBelow);
        below += c;
        sumBelow += c * v;
    }
    const double zeros = counts[0];
    return 2 * distance / (below * below - zeros * zeros);
}

// The mean of |x - y| over bytes x and y `apart` places apart, two zeros left out.
double NeighbourDistance(const uint8_t* bytes, size_t size, size_t apart) {
    uint64_t sum = 0;
    uint64_t pairs = 0;
    for (size_t i = apart; i < size; ++i) {
        sum += static_cast<uint64_t>(std::abs(bytes[i] - bytes[i - apart]));
        pairs += (bytes[i] | bytes[i - apart]) != 0;
    }
    return pairs > 0 ? static_cast<double>(sum) / static_cast<double>(pairs) : 0;
}

bool LooksLikeText(const std::array<uint32_t, 256>& counts) {
    uint64_t printable = counts['\t'] + counts['\n'] + counts['\r'];
    for (size_t b = ' '; b < 127; ++b) printable += counts[b];
    uint64_t nonZero = 0;
    for (size_t b = 1; b < 256; ++b) nonZero += counts[b];
    const double share = static_cast<double>(nonZero);
    return nonZero > 0 && static_cast<double>(printable) >= kTextPrintable * share &&
           static_cast<double>(counts[' ']) >= kTextSpaces * share;
}

bool IsPicture(BlockKind kind) { return kind == BlockKind::Smooth || kind == BlockKind::Textured; }

}  // namespace

BlockKind JudgeBlock(const uint8_t* bytes, size_t size) {
    std::array<uint32_t, 256> counts{};
    for (size_t i = 0; i < size; ++i) ++counts[bytes[i]];
    const double others = static_cast<double>(size - *std::max_element(counts.begin(), counts.end()));
    if (size <= kWidestPixel || others < kFewestOthers * static_cast<double>(size)) return BlockKind::Flat;
    const double spread = RandomPairDistance(counts);
    if (spread < kFlatSpread) return BlockKind::Flat;
    if (LooksLikeText(counts)) return BlockKind::Foreign;
    double nearest = spread;
    for (size_t apart = 1; apart <= kWidestPixel; ++apart) nearest = std::min(nearest, NeighbourDistance(bytes, size, apart));
    if (nearest < kSmoothShare * spread) return BlockKind::Smooth;
    return nearest < kForeignShare * spread ? BlockKind::Textured : BlockKind::Foreign;
}

namespace {

// The kind of each whole block, in order.
std::vector<BlockKind> JudgeBlocks(const std::vector<uint8_t>& bytes) {
    std::vector<BlockKind> kinds;
    for (size_t block = 0; block + kRegionBlockBytes <= bytes.size(); block += kRegionBlockBytes)
        kinds.push_back(JudgeBlock(&bytes[block], kRegionBlockBytes));
    return kinds;
}

std::vector<ByteRegion> RegionsOf(const std::vector<BlockKind>& kinds, size_t size) {
    std::vector<ByteRegion> regions;
    ByteRegion run;
    size_t notFlatEnd = 0;  // past the last block that was not flat
    size_t foreignSince = 0;
    size_t foreignInRow = 0;
    auto close = [&](size_t at) {
        run.outerEnd = at;
        if (run.pictureBlocks >= kMinPictureBlocks) regions.push_back(run);
        run = ByteRegion{};
    };
    for (size_t i = 0; i < kinds.size(); ++i) {
        const BlockKind kind = kinds[i];
        const size_t block = i * kRegionBlockBytes;
        if (kind == BlockKind::Foreign && foreignInRow++ == 0) foreignSince = block;
        if (kind != BlockKind::Foreign) foreignInRow = 0;
        if (foreignInRow == kForeignRun && run.pictureBlocks > 0) close(std::max(run.end, foreignSince));
        if (IsPicture(kind)) {
            if (run.pictureBlocks == 0) {
                run.begin = block;
                run.outerBegin = notFlatEnd;
            }
            run.end = block + kRegionBlockBytes;
            ++run.pictureBlocks;
        }
        if (kind != BlockKind::Flat) notFlatEnd = block + kRegionBlockBytes;
    }
    close(foreignInRow >= kForeignRun ? std::max(run.end, foreignSince) : size);
    return regions;
}

std::optional<ByteRegion> Largest(const std::vector<ByteRegion>& regions) {
    if (regions.empty()) return std::nullopt;
    return *std::max_element(regions.begin(), regions.end(),
                             [](const ByteRegion& a, const ByteRegion& b) { return a.pictureBlocks < b.pictureBlocks; });
}

// Whether at least kForeignAround of the blocks around the region that are not flat are
// foreign: then it is a picture among other bytes, not the smoothest part of a larger one.
bool MostlyForeignAround(const std::vector<BlockKind>& kinds, const ByteRegion& region) {
    size_t foreign = 0;
    size_t notFlat = 0;
    for (size_t i = 0; i < kinds.size(); ++i) {
        const size_t block = i * kRegionBlockBytes;
        if (block + kRegionBlockBytes > region.outerBegin && block < region.outerEnd) continue;
        const BlockKind kind = kinds[i];
        foreign += kind == BlockKind::Foreign;
        notFlat += kind != BlockKind::Flat;
    }
    return static_cast<double>(foreign) >= kForeignAround * static_cast<double>(notFlat);
}

}  // namespace

std::vector<ByteRegion> FindPictureRegions(const std::vector<uint8_t>& bytes) {
    return RegionsOf(JudgeBlocks(bytes), bytes.size());
}

std::optional<ByteSpan> PictureSpan(const std::vector<uint8_t>& bytes) {
    const std::vector<BlockKind> kinds = JudgeBlocks(bytes);
    const std::optional<ByteRegion> region = Largest(RegionsOf(kinds, bytes.size()));
    if (!region || !MostlyForeignAround(kinds, *region)) return std::nullopt;
    const ByteSpan span{region->outerBegin - std::min(region->outerBegin, kRegionBlockBytes),
                        std::min(bytes.size(), region->outerEnd + kRegionBlockBytes)};
    if (bytes.size() - (span.end - span.begin) < kRegionBlockBytes) return std::nullopt;
    return span;
}

bool LinesUpAt(const std::vector<uint8_t>& bytes, size_t begin, size_t end, uint64_t stride, bool nearEnd) {
    const uint64_t reach = stride + std::max<uint64_t>(1, stride / 2);
    if (stride == 0 || end - begin <= reach) return false;
    const size_t span = static_cast<size_t>(std::min<uint64_t>(end - begin - reach, kLineUpBytes));
    const size_t first = nearEnd ? static_cast<size_t>(end - reach - span) : begin;
    uint64_t rowOn[2] = {0, 0};      // by value, by bits set
    uint64_t halfRowOn[2] = {0, 0};
    for (size_t t = first; t < first + span; ++t) {
        const uint8_t b = bytes[t];
        const uint8_t below = bytes[t + stride];
        const uint8_t aside = bytes[t + reach];
        rowOn[0] += static_cast<uint64_t>(std::abs(b - below));
        halfRowOn[0] += static_cast<uint64_t>(std::abs(b - aside));
        const int bits = static_cast<int>(BitCount(b));
        rowOn[1] += static_cast<uint64_t>(std::abs(bits - static_cast<int>(BitCount(below))));
        halfRowOn[1] += static_cast<uint64_t>(std::abs(bits - static_cast<int>(BitCount(aside))));
    }
    for (int measure = 0; measure < 2; ++measure)
        if (static_cast<double>(rowOn[measure]) < kLinedUpShare * static_cast<double>(halfRowOn[measure])) return true;
    return false;
}
