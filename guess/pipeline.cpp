// The layout guess, stage by stage (README, "How it works"): 1. the sampling plan
// (sample.cpp), 2. row strides from the lag profile (strides.cpp, lag_profile.cpp),
// 3. shapes per stride (shapes.cpp), 4. the picture's start (start.cpp), 5. the cost of a
// reading (cost.cpp), 6. ranking and confidence (ranking.cpp). The pixel families
// (family_*.cpp) answer each stage's questions for their own pixels.
#include <string>

#include "guess/cost.h"
#include "guess/evidence.h"
#include "guess/family.h"
#include "guess/layout_guess.h"
#include "guess/parallel.h"
#include "guess/ranking.h"
#include "guess/shapes.h"
#include "guess/start.h"
#include "guess/strides.h"

namespace {

// Files shorter than this hold too few bytes to guess from. Set in the first version (932a95d).
constexpr int64_t kFewestBytes = 16;

void CheckFileSize(const FileSample& sample, const LayoutHints& hints) {
    const int64_t size = sample.FileSize();
    if (size == 0) throw GuessError("the file is empty: there is no picture in it to guess");
    const int64_t start = hints.offset ? *hints.offset : 0;
    if (hints.width) {
        const PixelFormat depth = hints.depth ? *hints.depth : Depth1;
        const uint64_t row = RowBytes(depth, *hints.width);
        if (start < 0 || start >= size || static_cast<uint64_t>(size - start) < row)
            throw GuessError("the file holds " + std::to_string(size) + " bytes, fewer than one row of " +
                             std::to_string(*hints.width) + " pixels (" + std::to_string(row) + " bytes) from offset " +
                             std::to_string(start));
    }
    if (size < kFewestBytes)
        throw GuessError("the file holds only " + std::to_string(size) + " bytes, too few to guess a picture's layout from");
}

bool Allowed(const Shape& shape, const LayoutHints& hints) {
    if (hints.depth && shape.depth != *hints.depth) return false;
    if (hints.width && shape.width != *hints.width) return false;
    if (hints.linePad && shape.linePad != *hints.linePad) return false;
    return true;
}

// A reading to cost: a shape at a start, with how clearly its rows line up.
struct Reading {
    const PixelFamily* family;
    Layout layout;
    double structure;
};

// Every shape of every row stride, at the starts its family tries.
std::vector<Reading> Readings(const Evidence& evidence, const StrideList& strides) {
    const LayoutHints& hints = evidence.hints;
    std::vector<Reading> readings;
    for (const uint64_t stride : strides.all) {
        if (stride == 0) continue;
        const Columns columns = MeasureColumns(evidence.sample, stride);
        const PictureEdges edges = hints.offset ? PictureEdges{} : FindPictureEdges(evidence, stride);
        for (const Shape& shape : ShapesForStride(stride, columns, hints)) {
            const PixelFamily& family = FamilyOf(shape.depth);
            if (!Allowed(shape, hints) || !family.Tries(evidence, strides, stride)) continue;
            const std::optional<int64_t> start = PictureStart(evidence, family, shape, columns, edges);
            if (!start) continue;
            const double structure = family.Structure(evidence, stride);
            for (const int64_t offset : family.StartsToTry(evidence, shape, *start)) {
                Layout layout;
                layout.shape = shape;
                layout.offset = offset;
                readings.push_back({&family, layout, structure});
            }
        }
    }
    return readings;
}

// The cost of each reading, on every core; in the readings' order, whatever the threads'.
std::vector<Scored> CostInParallel(Evidence& evidence, const std::vector<Reading>& readings) {
    std::vector<std::optional<Scored>> costed(readings.size());
    ForEachInParallel(readings.size(), [&](size_t i) {
        costed[i] = ScoreReading(evidence, *readings[i].family, readings[i].layout, readings[i].structure);
    });
    std::vector<Scored> scored;
    for (const std::optional<Scored>& reading : costed)
        if (reading) scored.push_back(*reading);
    return scored;
}

}  // namespace

uint64_t RowBytes(PixelFormat depth, uint32_t width) { return FamilyOf(depth).RowBytes(width); }

std::vector<LayoutGuess> GuessLayout(const FileSample& sample, const LayoutHints& hints, size_t count) {
    CheckFileSize(sample, hints);
    Evidence evidence(sample, hints);                                  // measured once, handed to every family
    const StrideList strides = FindStrides(evidence);                  // 2. row strides
    const std::vector<Reading> readings = Readings(evidence, strides);  // 3. shapes, 4. starts
    return Rank(evidence, CostInParallel(evidence, readings), count);  // 5. cost, 6. ranking and confidence
}
