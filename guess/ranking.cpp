#include "guess/ranking.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <tuple>

#include "guess/family.h"
#include "guess/memo.h"
#include "guess/strides.h"

namespace {

// A reading two or more rows wide pays this where rows end in zeros or its columns repeat
// a narrow row on (bb42267), and kRowMultipleTieBreak where that does not show (3c4c492).
constexpr double kRowMultiplePenalty = 0.5;
constexpr double kRowMultipleTieBreak = 0.05;
// A narrow reading that costs this much more than the wide one is not its row (7e5e3bc).
constexpr double kRowMultipleCostMargin = 0.1;
// Column means that correlate at least this much a narrow row apart repeat; less than
// kColumnsDiffer, they differ (7e5e3bc).
constexpr double kColumnsRepeat = 0.9;
constexpr double kColumnsDiffer = 0.5;
// Rows and bytes the column means are taken over (2c2f388).
constexpr uint64_t kRepeatRows = 256;
constexpr uint64_t kRepeatBytes = uint64_t{1} << 20;
// Column means that vary less than this (variance) tell nothing (2c2f388).
constexpr double kFlatColumns = 4;
// A row boundary this much clearer beside a reading shears it: it pays kShearPenalty
// (d2b2398), or kClearShearPenalty past kClearShearMargin, which leaves no doubt (57cfac9).
constexpr double kShearMargin = 1.05;
constexpr double kShearPenalty = 0.3;
constexpr double kClearShearMargin = 1.5;
constexpr double kClearShearPenalty = 1;
// How sharply a lower cost (bits a byte) turns into a larger share of the confidence.
// Set in the first version (932a95d).
constexpr double kCostSharpness = 20;
// The confidence of a layout that a known header gives, whose fields agree with the file:
// not tuned, for such a header is near proof; the other guesses share what is left.
constexpr double kDescribedConfidence = 0.95;

// The correlation of column means `shift` columns apart; none when the columns hardly
// differ, for a flat picture tells nothing.
std::optional<double> ColumnCorrelation(const std::vector<double>& mean, uint64_t shift) {
    const uint64_t n = mean.size() - shift;
    double sumA = 0, sumB = 0, sumAA = 0, sumBB = 0, sumAB = 0;
    for (uint64_t c = 0; c < n; ++c) {
        const double a = mean[c];
        const double b = mean[c + shift];
        sumA += a;
        sumB += b;
        sumAA += a * a;
        sumBB += b * b;
        sumAB += a * b;
    }
    const double count = static_cast<double>(n);
    const double varA = sumAA - sumA * sumA / count;
    const double varB = sumBB - sumB * sumB / count;
    if (varA / count < kFlatColumns || varB / count < kFlatColumns) return std::nullopt;
    return (sumAB - sumA * sumB / count) / std::sqrt(varA * varB);
}

enum class Repeat { Unknown, Repeats, Differs };

// Whether rows `wide` bytes apart are `narrow`-byte rows side by side: then the mean of a
// column matches the mean of the column `narrow` bytes on, as the same picture column seen
// a row lower. Columns of a picture truly that wide differ. Neighbouring columns match in
// any smooth picture, so a repeat must also match better than columns half as far apart.
// Two-level pixels are compared by how many of a byte's bits are set, their grey level:
// the byte's value depends most on its first pixel.
Repeat RepeatsWithinRow(const Evidence& evidence, uint64_t wide, uint64_t narrow, bool twoLevel) {
    const SampleWindow& window = evidence.sample.Largest();
    const uint64_t rows = std::min<uint64_t>({kRepeatRows, window.bytes.size() / 2 / wide, kRepeatBytes / wide});
    if (rows < 4) return Repeat::Unknown;
    const uint64_t first = (window.bytes.size() - rows * wide) / 2;
    const std::vector<uint8_t>& values = twoLevel ? evidence.largestGrey : window.bytes;
    std::vector<double> mean(wide, 0);
    for (uint64_t r = 0; r < rows; ++r) {
        const uint8_t* row = &values[first + r * wide];
        for (uint64_t c = 0; c < wide; ++c) mean[c] += twoLevel ? 32.0 * row[c] : row[c];
    }
    for (double& m : mean) m /= static_cast<double>(rows);
    const std::optional<double> repeat = ColumnCorrelation(mean, narrow);
    if (!repeat) return Repeat::Unknown;
    if (*repeat < kColumnsDiffer) return Repeat::Differs;
    if (*repeat <= kColumnsRepeat) return Repeat::Unknown;
    const std::optional<double> nearer = narrow >= 2 ? ColumnCorrelation(mean, narrow / 2) : std::nullopt;
    return !nearer || *repeat > *nearer ? Repeat::Repeats : Repeat::Unknown;
}

// Rows that end in pad or unused bits pin the stride: a reading two or more of those rows
// wide would have the same zeros inside its rows, which pictures do not; nor does a picture
// repeat its columns a row's width apart. Otherwise a reading two rows wide is only nearly
// as good as one row wide, in flat pictures nearly as good as can be told: a near tie goes
// to the narrower, unless its columns plainly differ from those a narrow row on. A narrow
// reading that costs clearly more than the wide one is not its row (a stack of rows costs
// about as much as the rows), but repeating columns still mark the wide one: a strip of
// like tiles read a tile or two wide repeats as the whole strip does, and both pay alike.
// Not two-level pixels, whose ink a byte repeats across any page of text.
void PenalizeRowMultiples(const Evidence& evidence, std::vector<Scored>& scored) {
    std::vector<std::tuple<PixelFormat, uint64_t, bool, double>> rows;
    for (const Scored& s : scored)
        rows.emplace_back(s.layout.shape.depth, s.layout.shape.stride, s.layout.shape.padFromZeros, s.cost);
    Memo<std::tuple<uint64_t, uint64_t, bool>, Repeat> repeats;
    for (Scored& s : scored) {
        double penalty = 0;
        for (const auto& [depth, stride, pinned, cost] : rows) {
            const uint64_t wide = s.layout.shape.stride;
            if (depth != s.layout.shape.depth || wide <= stride || wide % stride != 0) continue;
            const bool twoLevel = FamilyOf(depth).Seams().source == RowValues::Grey;
            const bool narrowDearer = cost > s.cost + kRowMultipleCostMargin;
            if (narrowDearer && twoLevel) continue;
            const uint64_t narrow = stride;  // a lambda may not capture a structured binding
            const Repeat repeat = repeats.Get({wide, narrow, twoLevel},
                                              [&] { return RepeatsWithinRow(evidence, wide, narrow, twoLevel); });
            if (narrowDearer && repeat != Repeat::Repeats) continue;
            penalty = std::max(penalty, pinned || repeat == Repeat::Repeats ? kRowMultiplePenalty
                                        : repeat == Repeat::Unknown      ? kRowMultipleTieBreak
                                                                         : 0.0);
        }
        s.cost += penalty;
    }
}

// The lag profile of the values a family's row boundary is seen in, where there is one.
const LagProfile* ProfileOf(const Evidence& evidence, RowValues::Source source) {
    if (source == RowValues::Bytes) return &evidence.profile;
    if (source == RowValues::Grey && evidence.greyProfile) return &*evidence.greyProfile;
    return nullptr;
}

// A stride beside a reading shears it only when its rows match as well as the reading's,
// or when its row boundary shows in most rows, at least kClearSeam and kClearShearMargin
// more clearly than the reading's own: a long edge running diagonally across a picture
// without a boundary of its own (dark margins all round) shows as a clear boundary a pixel
// off, but in the rows it crosses only, and rows a pixel off match worse.
//
// A reading a pixel wider or narrower than the picture shears it by a pixel a row, which a
// picture whose texture runs diagonally can predict as well as the right reading. The row
// boundary tells them apart: at the right stride the last pixel of a row meets the first of
// the next at one place in every row, and there the step between neighbours stands out more
// than anywhere in a sheared reading, where that place moves along. Each family names the
// values that show it: the sampled bytes, a pixel a step; the brightness of DXT1 blocks, a
// block a step; or the grey level of two-level pixels, a byte of them a step.
void PenalizeShearedReadings(const Evidence& evidence, std::vector<Scored>& scored) {
    const ByteWindows blocks{&evidence.brightness};
    const ByteWindows grey{&evidence.largestGrey};
    auto valuesOf = [&](RowValues::Source source) -> const ByteWindows& {
        return source == RowValues::Blocks ? blocks : source == RowValues::Grey ? grey : evidence.windows;
    };
    Memo<std::tuple<int, uint64_t, uint64_t, bool>, double> seams;
    auto seam = [&](RowValues::Source source, uint64_t stride, uint64_t grain, bool inMostRows = false) {
        return seams.Get({static_cast<int>(source), stride, grain, inMostRows}, [&] {
            const ByteWindows& windows = valuesOf(source);
            return inMostRows ? SeamInMostRows(windows, stride, grain) : SeamStrength(windows, stride, grain);
        });
    };
    for (Scored& s : scored) {
        const RowValues values = FamilyOf(s.layout.shape.depth).Seams();
        if (values.source == RowValues::NotJudged || valuesOf(values.source).front()->empty()) continue;
        const uint64_t grain = values.grain;
        const uint64_t stride = s.layout.shape.stride / values.bytesPerValue;
        if (stride <= grain) continue;
        // As far as the strides tried beside a row stride reach: a few bytes, or a block.
        const uint64_t reach = values.reach;
        const double own = seam(values.source, stride, grain);
        const LagProfile* profile = ProfileOf(evidence, values.source);
        auto matchesAsWell = [&](uint64_t other) {
            return profile == nullptr || !profile->Has(stride) || !profile->Has(other) ||
                   profile->At(other) <= profile->At(stride);
        };
        auto rivalSeam = [&](uint64_t other) {
            const double there = seam(values.source, other, grain);
            if (there <= kShearMargin * own || matchesAsWell(other)) return there;
            const double inMostRows = seam(values.source, other, grain, true);
            const bool boundary = inMostRows >= kClearSeam &&
                                  inMostRows > kClearShearMargin * seam(values.source, stride, grain, true);
            return boundary ? there : 0.0;
        };
        double beside = 0;
        for (uint64_t k = 1; k <= reach && k * grain < stride; ++k)
            beside = std::max({beside, rivalSeam(stride - k * grain), rivalSeam(stride + k * grain)});
        // A boundary that stands out far more beside this reading leaves no doubt.
        if (beside > kShearMargin * own) s.cost += beside > kClearShearMargin * own ? kClearShearPenalty : kShearPenalty;
    }
}

LayoutGuess ToGuess(const Scored& scored, double share) {
    LayoutGuess guess;
    guess.depth = scored.layout.shape.depth;
    guess.width = scored.layout.shape.width;
    guess.linePad = scored.layout.shape.linePad;
    guess.offset = static_cast<int32_t>(scored.layout.offset);
    guess.height = static_cast<uint32_t>(std::min<uint64_t>(scored.layout.rows, UINT32_MAX));
    guess.fields = scored.layout.fields;
    guess.bigEndian = scored.layout.bigEndian;
    guess.bitsPerByte = scored.cost;
    guess.confidence = scored.structure * share;
    return guess;
}

}  // namespace

void PenalizeLookalikes(const Evidence& evidence, std::vector<Scored>& scored) {
    PenalizeRowMultiples(evidence, scored);
    PenalizeShearedReadings(evidence, scored);
}

std::vector<LayoutGuess> Rank(std::vector<Scored> scored, size_t count) {
    std::sort(scored.begin(), scored.end(), [](const Scored& a, const Scored& b) { return a.cost < b.cost; });

    // One entry per depth, width, pad and offset: the variants within are already chosen.
    std::vector<Scored> unique;
    for (const Scored& s : scored) {
        const auto key = std::make_tuple(s.layout.shape.depth, s.layout.shape.width, s.layout.shape.linePad, s.layout.offset);
        const bool seen = std::any_of(unique.begin(), unique.end(), [&](const Scored& u) {
            return std::make_tuple(u.layout.shape.depth, u.layout.shape.width, u.layout.shape.linePad, u.layout.offset) == key;
        });
        if (!seen) unique.push_back(s);
    }
    double weights = 0;
    for (const Scored& s : unique) weights += std::exp(-kCostSharpness * (s.cost - unique.front().cost));
    std::vector<LayoutGuess> guesses;
    for (size_t i = 0; i < unique.size() && i < count; ++i)
        guesses.push_back(ToGuess(unique[i], std::exp(-kCostSharpness * (unique[i].cost - unique.front().cost)) / weights));
    return guesses;
}

void PutDescribedFirst(const Scored& described, const char* format, std::vector<LayoutGuess>& guesses, size_t count) {
    LayoutGuess first = ToGuess(described, kDescribedConfidence);
    first.header = format;
    auto same = [&](const LayoutGuess& g) {
        return std::make_tuple(g.depth, g.width, g.linePad, g.offset) ==
               std::make_tuple(first.depth, first.width, first.linePad, first.offset);
    };
    guesses.erase(std::remove_if(guesses.begin(), guesses.end(), same), guesses.end());
    for (LayoutGuess& g : guesses) g.confidence *= 1 - kDescribedConfidence;
    guesses.insert(guesses.begin(), first);
    if (guesses.size() > count) guesses.resize(count);
}
