// The layout guess, stage by stage (README, "How it works"): 1. the sampling plan
// (sample.cpp) and the picture span (region.cpp), 2. row strides from the lag profile
// (strides.cpp, lag_profile.cpp), 3. shapes per stride (shapes.cpp), 4. the picture's start
// (start.cpp), 5. the cost of a reading (cost.cpp), 6. ranking and confidence
// (ranking.cpp). The pixel families (family_*.cpp) answer each stage's questions for their
// own pixels.
#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>

#include "guess/cost.h"
#include "guess/evidence.h"
#include "guess/family.h"
#include "guess/headers.h"
#include "guess/layout_guess.h"
#include "guess/memo.h"
#include "guess/parallel.h"
#include "guess/ranking.h"
#include "guess/region.h"
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

constexpr double kNoReading = 1e9;

// Region readings are a picture among other bytes. They are none where they explain the
// file no better than its best whole-file reading (nothing gained: the whole file is the
// simpler answer, and its guesses keep their confidence), or where their rows go on around
// the span: a scan's busy middle or a dithered picture's smoother part is not a picture of
// its own. An archive's member is a file of its own whatever the bytes around it.
class RegionJudge {
public:
    RegionJudge(const Evidence& whole, const std::vector<Scored>& wholeReadings)
        : m_bytes(whole.sample.Head().bytes), m_span(whole.pictureSpan.value_or(ByteSpan{})),
          m_spanIsMember(whole.spanIsMember) {
        for (const Scored& reading : wholeReadings) m_cheapest = std::min(m_cheapest, reading.cost);
    }

    bool Admits(const Scored& reading) {
        const Layout& layout = reading.layout;
        if (reading.cost >= m_cheapest) return false;
        if (m_spanIsMember) return true;
        const uint64_t stride = layout.shape.stride;
        return !m_rowsGoOn.Get(stride, [&] { return LinesUp(0, m_span.begin, stride) || LinesUp(m_span.end, m_bytes.size(), stride); });
    }

private:
    bool LinesUp(size_t begin, size_t end, uint64_t stride) const {
        return LinesUpAt(m_bytes, begin, end, stride, begin == 0);
    }

    const std::vector<uint8_t>& m_bytes;
    ByteSpan m_span;
    bool m_spanIsMember;
    double m_cheapest = kNoReading;
    Memo<uint64_t, bool> m_rowsGoOn;
};

// Pixels of a byte or more, whose bytes are values.
bool PixelsAreValues(PixelFormat depth) { return depth != Depth1 && depth != Depth4 && depth != DepthDXT1; }

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
            if (evidence.valuePixelsOnly && !PixelsAreValues(shape.depth)) continue;
            const std::optional<PictureStartAt> start = PictureStart(evidence, family, shape, columns, edges);
            if (!start) continue;
            const double structure = family.Structure(evidence, stride) * start->certainty;
            for (const int64_t offset : family.StartsToTry(evidence, shape, start->offset)) {
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

// Every reading of the sample, costed, with what looking alike costs.
std::vector<Scored> CostedReadings(Evidence& evidence) {
    const StrideList strides = FindStrides(evidence);                                   // 2. row strides
    std::vector<Scored> scored = CostInParallel(evidence, Readings(evidence, strides));  // 3. shapes, 4. starts, 5. cost
    PenalizeLookalikes(evidence, scored);                                                // 6. ranking
    return scored;
}

// The bits of a stretch around the picture span: each byte by how often its value occurs
// there, or as the rows of whichever whole-file reading explains it best (a table of
// records before a picture is a raster of its own).
double AroundBits(const uint8_t* bytes, size_t count, const std::vector<Scored>& wholeReadings, size_t around) {
    double bits = StretchBits(bytes, count);
    for (const Scored& reading : wholeReadings)
        if (reading.around[around] >= 0) bits = std::min(bits, reading.around[around] * static_cast<double>(count));
    return bits;
}

// The bytes of the picture span, as a file of their own.
FileSample SpanSample(const Evidence& whole) {
    const std::vector<uint8_t>& bytes = whole.sample.Head().bytes;
    return FileSample::FromBytes({bytes.begin() + static_cast<std::ptrdiff_t>(whole.pictureSpan->begin),
                                  bytes.begin() + static_cast<std::ptrdiff_t>(whole.pictureSpan->end)});
}

// The layout that a known header gives: at the file's start, or at the start of the archive
// member that holds the picture.
std::optional<DescribedLayout> HeaderLayout(const Evidence& evidence) {
    std::optional<DescribedLayout> header = LayoutFromHeader(evidence.sample);
    if (header || !evidence.spanIsMember) return header;
    header = LayoutFromHeader(SpanSample(evidence));
    if (header) header->layout.offset += static_cast<int64_t>(evidence.pictureSpan->begin);
    return header;
}

// A picture among machine code, text or other members of an archive: the strides and the
// header's end that the whole file shows are the other bytes' as much as the picture's.
// Its span is guessed again as a file of its own, and the bytes around it cost what the
// best explanation of each stretch costs, so that its readings and the whole file's
// explain the same bytes and compare.
std::vector<Scored> RegionReadings(const Evidence& whole, const std::vector<Scored>& wholeReadings) {
    const LayoutHints& hints = whole.hints;
    if (!whole.pictureSpan || hints.offset) return {};
    const std::vector<uint8_t>& bytes = whole.sample.Head().bytes;
    const size_t begin = whole.pictureSpan->begin;
    const size_t end = whole.pictureSpan->end;
    const FileSample part = SpanSample(whole);
    Evidence evidence(part, hints, whole.spanIsMember ? Evidence::Part::WholeSample : Evidence::Part::PictureSpan);
    std::vector<Scored> scored = CostedReadings(evidence);
    const double outsideBits =
        AroundBits(bytes.data(), begin, wholeReadings, 0) + AroundBits(bytes.data() + end, bytes.size() - end, wholeReadings, 1);
    for (Scored& reading : scored) {
        reading.layout.offset += static_cast<int64_t>(begin);
        reading.cost = (reading.cost * static_cast<double>(end - begin) + outsideBits) / static_cast<double>(bytes.size());
    }
    return scored;
}

// The reading a known header gives, costed as a whole-file reading but keeping the
// header's rows and fields; none when it does not keep the user's hints.
std::optional<Scored> DescribedReading(Evidence& evidence, const std::optional<DescribedLayout>& header) {
    if (!header) return std::nullopt;
    const Layout& layout = header->layout;
    const LayoutHints& hints = evidence.hints;
    if (!Allowed(layout.shape, hints) || (hints.offset && *hints.offset != layout.offset)) return std::nullopt;
    const std::optional<Scored> costed = ScoreReading(evidence, FamilyOf(layout.shape.depth), layout, 1);
    return Scored{layout, costed ? costed->cost : 8, 1};  // too few rows to cost: a byte's 8 bits
}

}  // namespace

uint64_t RowBytes(PixelFormat depth, uint32_t width) { return FamilyOf(depth).RowBytes(width); }

std::vector<LayoutGuess> GuessLayout(const FileSample& sample, const LayoutHints& hints, size_t count) {
    CheckFileSize(sample, hints);
    Evidence evidence(sample, hints);  // measured once, handed to every family
    const std::optional<DescribedLayout> header = HeaderLayout(evidence);
    std::vector<Scored> scored = CostedReadings(evidence);
    RegionJudge judge(evidence, scored);
    for (const Scored& reading : RegionReadings(evidence, scored))
        if (judge.Admits(reading)) scored.push_back(reading);
    std::vector<LayoutGuess> guesses = Rank(std::move(scored), count);  // and confidence
    if (const std::optional<Scored> described = DescribedReading(evidence, header))
        PutDescribedFirst(*described, header->format, guesses, count);
    return guesses;
}
