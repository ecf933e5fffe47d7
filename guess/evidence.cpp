#include "guess/evidence.h"

#include <algorithm>
#include <cstdlib>

#include "guess/family_dxt1.h"
#include "guess/family_packed.h"
#include "guess/headers.h"
#include "guess/start.h"
#include "guess/strides.h"

namespace {

// The byte pattern is measured from this far into the largest window (at most a quarter
// of it), over this many bytes. Set with the pattern itself (6ab7633).
constexpr size_t kPatternSkip = 65536;
constexpr size_t kPatternBytes = size_t{1} << 18;
// The rows the bytes match best at are sought this long or longer: a glyph table's rows of a
// byte or two match best a glyph apart, where blank columns make its bit places differ.
// Not tuned.
constexpr uint64_t kLongRowBytes = 64;
// A byte this much nearer its channel a pixel on than the next byte makes a pixel width
// stand out (6ab7633).
constexpr double kPeriodRatio = 0.7;
// A narrower width matches nearly as well as the best within this factor. Not tuned: on
// both halves and the built-in corpus it moved only 16-bit pictures, read as 32-bit before.
constexpr double kPeriodMultipleSlack = 1.5;
// Bytes two apart differ this much more than neighbours, and further ones more again, in
// grey pictures (f62840a: grey top-1 91.7% -> 96.4%).
constexpr double kSmoothStep = 1.15;
// A byte in four is steady when this share of it holds its most common value, and the
// others are not when less than kUnsteadyShare of them do.
constexpr double kSteadyShare = 0.9;
constexpr double kUnsteadyShare = 0.5;
// Edges inside a pixel at least this share as often, in every place, as at the busiest
// place are no pixel boundary's. Not tuned: a two-level picture's edges fall anywhere in
// its bytes, or only between its pixels. And as many edges a place as tell anything.
constexpr double kEdgesAlikeShare = 0.25;
constexpr uint32_t kEdgesPerPlace = 64;
// Steps that differ less than this from place to place in a three-byte pixel (the most
// against the fewest) show no pixel. Not tuned: channels alike enough to look smooth step
// near nothing inside a pixel. It moved two grey pictures off 24 bits on each half.
constexpr double kStepLanesAlike = 1.2;

bool IsLevel(uint8_t b) { return b == 0 || b == 255; }

ByteWindows WindowsOf(const FileSample& sample) {
    ByteWindows windows;
    for (const SampleWindow& window : sample.Windows()) windows.push_back(&window.bytes);
    return windows;
}

// The longest lag a profile measures: half the smallest window, at most kMaxStride.
uint64_t MaxLag(const FileSample& sample) {
    uint64_t smallest = sample.FileSize();
    for (const SampleWindow& window : sample.Windows()) smallest = std::min<uint64_t>(smallest, window.bytes.size());
    return std::min<uint64_t>(kMaxStride, smallest / 2);
}

// Of bytes[from, to), with file positions from `start` on.
int SteadyLane(const std::vector<uint8_t>& bytes, int64_t start, size_t from, size_t to) {
    std::array<std::array<uint32_t, 256>, 4> counts{};
    for (size_t i = from; i < to; ++i) ++counts[static_cast<size_t>(start + static_cast<int64_t>(i)) % 4][bytes[i]];
    const double perLane = static_cast<double>(to - from) / 4;
    int steady = -1;
    for (int lane = 0; lane < 4; ++lane) {
        const double share = *std::max_element(counts[lane].begin(), counts[lane].end()) / perLane;
        if (share >= kSteadyShare) {
            if (steady >= 0) return -1;
            steady = lane;
        } else if (share >= kUnsteadyShare) {
            return -1;
        }
    }
    return steady;
}

// The narrowest pixel width whose bytes are nearer their channel a pixel on than the next
// byte, nearly as near as at the best width: a width's multiples match as well as it does,
// and a smooth 16-bit picture's bytes four apart may match a little better than two apart.
uint32_t PixelPeriod(const std::array<double, 5>& apart) {
    auto ratio = [&](uint32_t lag) { return apart[lag] / apart[1]; };
    double best = kPeriodRatio;
    for (uint32_t lag = 2; lag <= 4; ++lag) best = std::min(best, ratio(lag));
    for (uint32_t lag = 2; lag <= 4; ++lag)
        if (ratio(lag) < kPeriodRatio && ratio(lag) <= kPeriodMultipleSlack * best) return lag;
    return 0;
}

BytePattern MeasureBytePattern(const FileSample& sample) {
    const std::vector<uint8_t>& bytes = sample.Largest().bytes;
    const size_t skip = std::min<size_t>(bytes.size() / 4, kPatternSkip);
    const size_t end = std::min<size_t>(bytes.size(), skip + kPatternBytes);
    BytePattern pattern;
    if (end < skip + 64) return pattern;
    std::array<double, 5> apart{};
    const int64_t start = sample.Largest().start;
    for (size_t i = skip + 4; i < end; ++i) {
        for (size_t lag = 1; lag <= 4; ++lag) apart[lag] += std::abs(bytes[i] - bytes[i - lag]);
        const size_t position = static_cast<size_t>(start + static_cast<int64_t>(i));
        pattern.stepLanes[position % pattern.stepLanes.size()] += std::abs(bytes[i] - bytes[i - 1]);
        if (IsLevel(bytes[i]) && IsLevel(bytes[i - 1]) && bytes[i] != bytes[i - 1])
            ++pattern.edgeLanes[position % pattern.edgeLanes.size()];
    }
    if (apart[1] <= 0) return pattern;
    pattern.period = PixelPeriod(apart);
    pattern.smooth = apart[2] > kSmoothStep * apart[1] && apart[3] > apart[2] && apart[4] > apart[3];
    pattern.steadyLane = SteadyLane(bytes, sample.Largest().start, skip, end);
    return pattern;
}

}  // namespace

bool EdgesInsidePixels(const BytePattern& pattern, uint32_t bytes) {
    std::array<uint32_t, 4> places{};
    for (size_t lane = 0; lane < pattern.edgeLanes.size(); ++lane) places[lane % bytes] += pattern.edgeLanes[lane];
    const uint32_t fewest = *std::min_element(places.begin(), places.begin() + bytes);
    const uint32_t most = *std::max_element(places.begin(), places.begin() + bytes);
    return fewest >= kEdgesPerPlace && fewest >= kEdgesAlikeShare * most;
}

bool StepsAlikeInThreeBytePixels(const BytePattern& pattern) {
    const auto [fewest, most] = std::minmax_element(pattern.stepLanes.begin(), pattern.stepLanes.end());
    return *most < kStepLanesAlike * *fewest;
}

Evidence::Evidence(const FileSample& sample, const LayoutHints& hints, Part part)
    : sample(sample), hints(hints), endIsFileEnd(part == Part::WholeSample), valuePixelsOnly(part == Part::PictureSpan),
      windows(WindowsOf(sample)), profile(windows, MaxLag(sample)), bytePattern(MeasureBytePattern(sample)),
      packedPixels(!valuePixelsOnly && PackedPixelsTried(bytePattern, hints, sample.FileSize())) {
    if (packedPixels) {
        std::vector<std::vector<uint8_t>> greyLevels;
        for (const std::vector<uint8_t>* window : windows) greyLevels.push_back(GreyLevels(*window));
        ByteWindows greyWindows;
        for (const std::vector<uint8_t>& grey : greyLevels) greyWindows.push_back(&grey);
        greyProfile.emplace(greyWindows, MaxLag(sample));
        largestGrey = std::move(greyLevels[static_cast<size_t>(&sample.Largest() - sample.Windows().data())]);
        neighbourChanges = CountNeighbourChanges(sample.Largest().bytes);
        deepestLongRow = DeepestDip(profile, kLongRowBytes);
    }
    if (!valuePixelsOnly) MeasureBlocks(*this);
    textHeaderEnd = TextHeaderEnd(sample.Head().bytes);
    if (!sample.IsWholeFile()) return;
    pictureSpan = PictureSpan(sample.Head().bytes);
    if (const std::optional<ByteSpan> member = ArchiveMember(sample.Head().bytes, pictureSpan)) {
        pictureSpan = member;
        spanIsMember = true;
    }
}
