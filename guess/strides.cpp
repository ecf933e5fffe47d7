#include "guess/strides.h"

#include <algorithm>
#include <functional>
#include <utility>

#include "guess/family_dxt1.h"
#include "guess/memo.h"

namespace {

// Strides kept from the byte profile's dips. Set in the first version (932a95d).
constexpr size_t kStrideCandidates = 12;
// A dip shallower than this (share of the difference around it) is none. Set in the first
// version (932a95d).
constexpr double kMinDip = 0.02;
// A lag within this many of a deeper dip is no sharpest dip itself. Set in the first
// version (932a95d).
constexpr uint64_t kSharpestReach = 2;
// A row stride beside a deeper diagonal, within kDiagonalReach of it and at least this
// share of its depth, is a candidate too (c0bd24a, 68d19bd).
constexpr uint64_t kDiagonalReach = 4;
constexpr double kBesideDeeperDip = 0.5;
// Two dips this far apart or less may be a row and its diagonal (932a95d, c0bd24a).
constexpr uint64_t kDiagonalPairReach = 8;
// A row boundary that decides between a row and its diagonal: at least kClearSeam strong,
// and this much stronger than the other's (c0bd24a, d2b2398).
constexpr double kClearerSeam = 1.5;
// Two-level strides are tried in whole parts down to this one (7e5e3bc: dithering that
// dips deeper many rows on).
constexpr uint64_t kMaxStrideParts = 16;

// Of two dips a few values apart, whether the first is the diagonal of the second: the row
// stride is the one whose rows show a boundary, or failing that the deeper one.
bool IsDiagonalOf(double seam, double otherSeam, double difference, double otherDifference) {
    if (std::max(seam, otherSeam) >= kClearSeam && std::max(seam, otherSeam) >= kClearerSeam * std::min(seam, otherSeam))
        return otherSeam > seam;
    return otherDifference < difference;
}

// Strides the hints fix: a given width at each allowed depth, with each pad worth trying.
std::vector<uint64_t> HintedStrides(const LayoutHints& hints) {
    std::vector<uint64_t> strides;
    if (!hints.width) return strides;
    for (const PixelFormat depth : {Depth1, Depth4, Depth8, Depth16, Depth24, Depth32, DepthDXT1}) {
        if (hints.depth && depth != *hints.depth) continue;
        const uint64_t row = RowBytes(depth, *hints.width);
        if (hints.linePad) {
            strides.push_back(row + *hints.linePad);
        } else {
            strides.push_back(row);
            strides.push_back((row + 3) / 4 * 4);
        }
    }
    return strides;
}

}  // namespace

std::vector<uint64_t> StrideCandidates(const LagProfile& profile, const std::vector<uint8_t>& values, bool diagonals,
                                       std::vector<uint64_t>* besideChosen) {
    std::vector<std::pair<double, uint64_t>> dips;
    for (uint64_t lag = 1; lag <= profile.MaxLag(); ++lag) {
        const double dip = profile.Dip(lag);
        if (dip <= kMinDip) continue;
        bool sharpest = true;
        for (uint64_t other = lag > kSharpestReach ? lag - kSharpestReach : 1; other <= lag + kSharpestReach && sharpest; ++other)
            sharpest = other == lag || profile.Dip(other) <= dip;
        if (!sharpest) continue;
        dips.emplace_back(dip, lag);
        // A row stride beside a deeper diagonal is not a sharpest dip itself.
        for (uint64_t other = lag > kDiagonalReach ? lag - kDiagonalReach : 1; other <= lag + kDiagonalReach; ++other) {
            const double beside = profile.Dip(other);
            if (other != lag && beside > kBesideDeeperDip * dip && beside > kMinDip) dips.emplace_back(beside, other);
        }
    }
    // One entry a lag, its deepest.
    std::sort(dips.begin(), dips.end(), [](const auto& a, const auto& b) {
        return a.second != b.second ? a.second < b.second : a.first > b.first;
    });
    dips.erase(std::unique(dips.begin(), dips.end(), [](const auto& a, const auto& b) { return a.second == b.second; }),
               dips.end());
    // Beside the row stride the lags to the diagonal neighbours dip too.
    std::sort(dips.begin(), dips.end(), std::greater<>());
    if (dips.size() > 4 * kStrideCandidates) dips.resize(4 * kStrideCandidates);
    std::vector<bool> dipsAt(profile.MaxLag() + kDiagonalPairReach + 1, false);
    for (const auto& dip : dips) dipsAt[dip.second] = true;
    Memo<std::pair<uint64_t, uint64_t>, double> seams;
    const ByteWindows valueWindows{&values};
    auto seam = [&](uint64_t lag, uint64_t grain) {
        return seams.Get({lag, grain}, [&] { return SeamStrength(valueWindows, lag, grain); });
    };
    auto diagonal = [&](uint64_t lag) {
        for (uint64_t other = lag > kDiagonalPairReach ? lag - kDiagonalPairReach : 1; other <= lag + kDiagonalPairReach; ++other) {
            if (other == lag || !dipsAt[other]) continue;
            const uint64_t grain = other > lag ? other - lag : lag - other;
            if (IsDiagonalOf(seam(lag, grain), seam(other, grain), profile.At(lag), profile.At(other))) return true;
        }
        return false;
    };
    std::vector<std::pair<double, uint64_t>> rows;
    std::vector<uint64_t> besideRows;
    for (const auto& dip : dips)
        (!diagonals || !diagonal(dip.second) ? rows.push_back(dip) : besideRows.push_back(dip.second));
    std::vector<uint64_t> strides;
    for (size_t i = 0; i < rows.size() && i < kStrideCandidates; ++i) strides.push_back(rows[i].second);
    // Which of two neighbouring dips is the row and which its diagonal is not always plain
    // from the profile: the pixels' cost and row boundaries decide between them later.
    for (const uint64_t lag : besideRows) {
        if (besideChosen == nullptr || besideChosen->size() >= kStrideCandidates) break;
        const bool closeToChosen = std::any_of(strides.begin(), strides.end(),
                                               [&](uint64_t s) { return (lag > s ? lag - s : s - lag) <= kBesideReach; });
        if (closeToChosen) besideChosen->push_back(lag);
    }
    // In two-level pictures, dithering that repeats every other row dips deeper two rows
    // on than one, or not at all one row on, and strongly vertical pictures dip deeper many
    // rows on: a whole part of a stride is worth trying when the lags of its multiples up to
    // the stride dip. The part itself need not when two or more multiples vouch for it.
    for (size_t i = 0, count = diagonals ? 0 : strides.size(); i < count; ++i) {
        for (uint64_t parts = 2; parts <= kMaxStrideParts; ++parts) {
            const uint64_t part = strides[i] / parts;
            if (strides[i] % parts != 0 || part < kMinStride || std::find(strides.begin(), strides.end(), part) != strides.end())
                continue;
            bool multiplesDip = true;
            for (uint64_t k = parts >= 3 ? 2 : 1; k < parts && multiplesDip; ++k) multiplesDip = profile.Dip(k * part) > kMinDip;
            if (multiplesDip) strides.push_back(part);
        }
    }
    return strides;
}

StrideList FindStrides(const Evidence& evidence) {
    const FileSample& sample = evidence.sample;
    StrideList list;
    std::vector<uint64_t>& strides = list.all;
    strides = StrideCandidates(evidence.profile, sample.Largest().bytes, true, &list.beside);
    // Two-level pixels repeat by their grey level, the bits set in a byte, rather than by
    // value: dithering changes the pattern of the bits from row to row. Those strides are
    // tried for them alone, for a lag a byte off the row stride is a diagonal to wider
    // pixels. A stride beside a row stride is tried for pixels of a byte or more alone:
    // blocks and two-level pixels have measures of their own.
    if (evidence.greyProfile) {
        for (const uint64_t stride : StrideCandidates(*evidence.greyProfile, sample.Largest().bytes, false))
            if (!StrideList::IsIn(strides, stride)) list.twoLevel.push_back(stride);
    }
    list.anyDepth = strides;
    for (const uint64_t stride : list.twoLevel) strides.push_back(stride);
    for (const uint64_t stride : list.beside)
        if (!StrideList::IsIn(strides, stride)) strides.push_back(stride);
    auto addStride = [&](uint64_t stride) {
        if (!StrideList::IsIn(strides, stride)) strides.push_back(stride);
        if (!StrideList::IsIn(list.anyDepth, stride)) list.anyDepth.push_back(stride);
    };
    for (const uint64_t stride : HintedStrides(evidence.hints)) addStride(stride);
    // Bytes that show no rows (one value, noise) still get the usual sizes, as weak guesses.
    if (strides.empty()) {
        uint32_t width = 0;
        uint32_t height = 0;
        DefaultPictureSize(sample.FileSize(), width, height);
        for (const uint64_t stride : {uint64_t{width}, uint64_t{256}, uint64_t{512}, uint64_t{1024}}) addStride(stride);
    }
    AddBlockStrides(evidence, addStride);
    return list;
}
