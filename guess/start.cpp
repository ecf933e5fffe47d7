#include "guess/start.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

// A file that starts with lines of text has a text header when at least this share of the
// bytes before its last line break are letters, digits or punctuation, not white space.
constexpr double kTextHeaderGraphic = 0.5;
// Rows the row boundary is measured over. Set in the first version (932a95d).
constexpr uint64_t kPhaseRows = 64;
// A boundary that does not stand out this much over the mean step is no evidence (932a95d).
constexpr double kClearBoundary = 1.5;
// The bytes searched for the header's end, and from the file's end for a trailer (932a95d).
constexpr uint64_t kHeaderSearchBytes = 65536;
// The file's end fixes the start only this near the header's found end, and within a third
// of a row: a 3144-byte colour profile after a bitmap's rows pulled its start 36 bytes
// early at 64 (0c841ec).
constexpr int64_t kEndTolerance = 16;
// The file's end moves the start at most this far past the header's found end, which the
// search may place early (a bitmap header's colour fields, zeros, read as rows). A start
// further on leaves rows above it, which a wrong stride's reading skips to end with the
// file: plasma 1024 x 768 in 16 bits was read 2051 wide from byte 1798. On the tuning half
// and the built-in corpus, 128 kept both of the latter's bars; 256 and 1024 one.
constexpr int64_t kLongestHeaderTail = 128 + kEndTolerance;
// Zeros that end a file, this many or more, pad it after the picture (an archive pads its
// last member with at least two 512-byte blocks): tar files on the tune half.
constexpr int64_t kPaddingZeros = 1024;
// A row boundary seen only as a step between pixels fixes the start this near the header's
// end, and within a quarter of a row (932a95d).
constexpr int64_t kPhaseTolerance = 32;
// A header found whole rows long is taken for the picture's top rows when there are at most
// this many (a right reading may start up to 64 rows early), and rows at least this long:
// with rows of a byte or two, every header is whole rows. 16 bytes not tuned.
constexpr int64_t kMaxTopRows = 64;
constexpr int64_t kShortestRowForTopRows = 16;
// A picture cut from a file where no two of its head's edge, its tail's and its row
// boundary agree starts where both ends climb highest together: right for under half of
// those on the tuning half, against 21 of 22 where two agree. Its confidence is halved
// (not tuned).
constexpr double kUnsureSpanStart = 0.5;

// The row start within the stride, as a file position modulo the stride; negative when the
// rows show no clear boundary.
int64_t RowPhase(const FileSample& sample, const Shape& shape, const Columns& columns, uint32_t bytesPerPixel) {
    if (!columns.valid) return -1;
    const uint64_t stride = shape.stride;
    if (shape.rowStart >= 0) return (columns.firstColumn + shape.rowStart) % static_cast<int64_t>(stride);
    if (shape.padFromZeros && shape.linePad > 0)
        return (columns.firstColumn + static_cast<int64_t>(columns.zeroRunEnd)) % static_cast<int64_t>(stride);
    const uint64_t grain = std::min<uint64_t>(bytesPerPixel, stride);
    const SampleWindow& window = sample.Largest();
    const uint64_t first = static_cast<uint64_t>(columns.firstColumn - window.start);
    if (first < grain) return -1;
    const uint64_t rows = std::min<uint64_t>(kPhaseRows, (window.bytes.size() - first) / stride);
    std::vector<double> step(stride, 0);
    for (uint64_t row = 0; row < rows; ++row) {
        const uint8_t* bytes = &window.bytes[first + row * stride];
        for (uint64_t c = 0; c < stride; ++c) step[c] += std::abs(bytes[c] - *(bytes + c - grain));
    }
    double total = 0;
    for (const double s : step) total += s;
    if (total <= 0) return -1;
    double best = -1;
    uint64_t bestColumn = 0;
    for (uint64_t c = 0; c < stride; ++c) {
        double across = 0;
        for (uint64_t j = 0; j < grain; ++j) across += step[(c + j) % stride];
        if (across > best) {
            best = across;
            bestColumn = c;
        }
    }
    // A boundary that does not stand out is no evidence.
    if (best < kClearBoundary * total / static_cast<double>(stride) * static_cast<double>(grain)) return -1;
    return (columns.firstColumn + static_cast<int64_t>(bestColumn)) % static_cast<int64_t>(stride);
}

// The row start nearest `headerEnd` among those at `phase` modulo the stride, if within
// `tolerance` of it.
std::optional<int64_t> Snap(int64_t phase, int64_t headerEnd, uint64_t stride, int64_t tolerance) {
    if (phase < 0) return std::nullopt;
    const int64_t s = static_cast<int64_t>(stride);
    const int64_t rows = std::max<int64_t>(0, (headerEnd - phase + s / 2) / s);
    const int64_t snapped = phase + rows * s;
    if (std::abs(snapped - headerEnd) > tolerance) return std::nullopt;
    return snapped;
}

// How far from the header's end a row end found at the file's end, or at a span's, may
// place the start: within a third of a row, and at most kEndTolerance.
int64_t EndReach(uint64_t stride) { return std::min<int64_t>(static_cast<int64_t>(stride) / 3, kEndTolerance); }

// How `bytes` climb from one end as they differ from the bytes one stride further in more
// than those differ from the next stride on: a header read from the head, a trailer from the end.
// With a `grain`, each byte's difference from the byte a pixel further in counts too: a
// byte outside the picture that happens to be near the pixel below it is seldom also near
// the pixel beside that.
template <bool kFromEnd>
Climbs EdgeClimbs(const std::vector<uint8_t>& bytes, uint64_t stride, bool againstTypical = false, uint64_t grain = 0) {
    if (bytes.size() <= 2 * stride + grain) return {};
    const uint64_t span = std::min<uint64_t>({bytes.size() - 2 * stride - grain, kHeaderSearchBytes});
    auto at = [&](uint64_t t, uint64_t rows) {
        return kFromEnd ? bytes[bytes.size() - 1 - t - rows * stride] : bytes[t + rows * stride];
    };
    auto differs = [&](uint64_t t, uint64_t rows) {
        const int below = std::abs(at(t, rows) - at(t, rows + 1));
        return grain == 0 ? below : below + std::abs(at(t, rows) - at(t + grain, rows));
    };
    return ClimbsOf(span, [&](uint64_t t) { return differs(t, 0); }, [&](uint64_t t) { return differs(t, 1); },
                    againstTypical);
}

template <bool kFromEnd>
int64_t EdgeLength(const std::vector<uint8_t>& bytes, uint64_t stride) {
    return HighestClimbEnd(EdgeClimbs<kFromEnd>(bytes, stride));
}

// A picture cut from a file starts and ends at the same row phase, and its last row's end
// is found as its first row's start is: each a byte or two off where the bytes outside
// happen to be near the picture's. The head's may also run on into the first row where a
// figure on black touches the second (a teddy's head, 91 bytes on), or start early in zeros
// before it. Besides each end's own change point, the start is kept whose phase gives the
// highest climb from both ends together, each counted in its own margins, within a row of
// the head's. Climbs are taken against the picture's typical row difference, not the next
// row's: many rows of machine code differ from each other as much as from the picture. The
// bytes a pixel on count too (`pixelBytes`, 0 where the bytes show no pixel size: a byte).
void MeasureSpanEdges(const std::vector<uint8_t>& bytes, uint64_t stride, uint32_t pixelBytes, PictureEdges& edges) {
    const uint64_t grain = std::max<uint32_t>(1, pixelBytes);
    const Climbs head = EdgeClimbs<false>(bytes, stride, true, grain);
    const Climbs tail = EdgeClimbs<true>(bytes, stride, true, grain);
    const int64_t trailer = HighestClimbEnd(tail);
    const int64_t s = static_cast<int64_t>(stride);
    const int64_t size = static_cast<int64_t>(bytes.size());
    edges.headEdge = edges.headerEnd = HighestClimbEnd(head);
    edges.tailPhase = trailer ? (size - trailer) % s : -1;
    if (edges.headEdge == 0 || trailer == 0) return;
    double bestClimb = -1e300;
    for (int64_t start = std::max<int64_t>(1, edges.headEdge - (s - 1)); start < edges.headEdge + s; ++start) {
        if (start > static_cast<int64_t>(head.after.size())) break;
        const int64_t after = size - (start + (size - trailer - start + s / 2) / s * s);
        if (after < 1 || after > static_cast<int64_t>(tail.after.size())) continue;
        const double climb = head.after[static_cast<size_t>(start - 1)] / head.margin +
                             tail.after[static_cast<size_t>(after - 1)] / tail.margin;
        if (climb > bestClimb) {
            bestClimb = climb;
            edges.headerEnd = start;
        }
    }
}

// Whether bytes follow the picture's last row: zeros that pad the file, or a tail that
// stops matching the bytes one stride before it.
bool HasTrailer(const FileSample& sample, uint64_t stride) {
    const std::vector<uint8_t>& bytes = sample.Windows().back().bytes;
    const uint64_t padding = static_cast<uint64_t>(kPaddingZeros);
    if (bytes.size() >= padding && std::all_of(bytes.end() - kPaddingZeros, bytes.end(), [](uint8_t b) { return b == 0; }))
        return true;
    return EdgeLength<true>(bytes, stride) != 0;
}

// When nothing follows the rows, the file's end fixes the row phase. The header's end may
// be found a part of a row late (top rows as flat as zeros) or early (a colour table that
// reads as rows): the row start at or before it is taken, since a start whole rows early
// still shows the picture, and the first one when there is none before.
int64_t StartEndingWithFile(int64_t headerEnd, int64_t stride, int64_t fileSize) {
    const int64_t phase = fileSize % stride;
    const int64_t latest = headerEnd + kEndTolerance;
    return latest < phase ? phase : latest - (latest - phase) % stride;
}

// A picture cut from a file: where its first row starts, found from the head, from its
// last row's end at the tail, and from a row boundary within it. Each can be a byte or two
// off where the bytes outside happen to be near the picture's (at the tail, text after a
// picture), and the row boundary further where the picture has none (an outline on black
// pulled a teddy 7 bytes early): two that agree decide, else both ends' climbs together.
std::optional<int64_t> AgreedSpanStart(int64_t phase, const PictureEdges& edges, uint64_t stride) {
    const int64_t head = edges.headEdge;
    const int64_t reach = EndReach(stride);
    const std::optional<int64_t> tail = Snap(edges.tailPhase, head, stride, reach);
    const std::optional<int64_t> boundary = Snap(phase, head, stride, reach);
    if (tail == head) return head;
    if (boundary && (boundary == head || boundary == tail)) return boundary;
    return std::nullopt;
}

int64_t SpanStart(int64_t phase, const PictureEdges& edges, uint64_t stride) {
    if (edges.headEdge == 0) return edges.headerEnd;
    return AgreedSpanStart(phase, edges, stride).value_or(edges.headerEnd);
}

// How sure a picture's start is, as a share of the confidence: less where it was cut from a
// file and no two of its estimates agree.
double StartCertainty(int64_t phase, const PictureEdges& edges, uint64_t stride) {
    const bool unsure = !edges.endIsFileEnd && edges.headEdge != 0 && !AgreedSpanStart(phase, edges, stride);
    return unsure ? kUnsureSpanStart : 1;
}

// The header's end is found to a few bytes. The exact start comes from the end of the file,
// where a picture usually ends with its last row, or else from a clear row boundary.
int64_t ChooseOffset(int64_t phase, const PictureEdges& edges, const Shape& shape, int64_t fileSize) {
    const int64_t headerEnd = edges.headerEnd;
    if (headerEnd == 0) return 0;
    if (!edges.endIsFileEnd) return SpanStart(phase, edges, shape.stride);
    const int64_t s = static_cast<int64_t>(shape.stride);
    if (!edges.trailer) {
        const int64_t start = StartEndingWithFile(headerEnd, s, fileSize);
        if (start <= headerEnd + kLongestHeaderTail) return start;
    }
    const int64_t endTolerance = EndReach(shape.stride);
    for (const int64_t trailing : {int64_t{0}, static_cast<int64_t>(shape.linePad)})
        if (const auto start = Snap((fileSize + trailing) % s, headerEnd, shape.stride, endTolerance)) return *start;
    // Unused bits, found in one column alone, fix where rows start; a boundary seen only as
    // a step between pixels must lie near the header's end.
    const int64_t phaseTolerance = shape.rowStart >= 0 ? s : std::min<int64_t>(s / 4, kPhaseTolerance);
    if (const auto start = Snap(phase, headerEnd, shape.stride, phaseTolerance)) return *start;
    return headerEnd;
}

// A header found whole rows long, after the lines of text a file starts with or from its
// first byte, is the picture's own top rows: a border line, or rows as flat as a header
// (real headers seldom end on a row). Showing a header as rows still shows the picture.
// Not for a stretch cut from a file, which starts where its judging began.
int64_t OwnTopRows(int64_t start, const PictureEdges& edges, int64_t textHeaderEnd, uint64_t stride) {
    const int64_t s = static_cast<int64_t>(stride);
    if (!edges.endIsFileEnd || s < kShortestRowForTopRows) return start;
    for (const int64_t top : {textHeaderEnd, int64_t{0}})
        if (start > top && (start - top) % s == 0 && (start - top) / s <= kMaxTopRows) return top;
    return start;
}

}  // namespace

int64_t HighestClimbEnd(const Climbs& climbs) {
    double best = 0;
    int64_t end = 0;
    for (size_t t = 0; t < climbs.after.size(); ++t) {
        if (climbs.after[t] > best) {
            best = climbs.after[t];
            end = static_cast<int64_t>(t + 1);
        }
    }
    return best >= kChanceClimb * climbs.margin ? end : 0;
}

int64_t TextHeaderEnd(const std::vector<uint8_t>& bytes) {
    size_t end = 0;
    size_t graphic = 0;
    size_t graphicAtEnd = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const uint8_t b = bytes[i];
        if (b == '\n') {
            end = i + 1;
            graphicAtEnd = graphic;
        } else if (b > ' ' && b < 127) {
            ++graphic;
        } else if (b != ' ' && b != '\t' && b != '\r') {
            break;
        }
    }
    return end > 1 && end < bytes.size() && graphicAtEnd >= kTextHeaderGraphic * static_cast<double>(end)
               ? static_cast<int64_t>(end)
               : 0;
}

// A header byte differs from the byte below it more than that byte differs from the next
// one below, while within the picture both differences are alike; the same from the file's
// end finds what follows the picture. The trailer matters only where there is a header.
PictureEdges FindPictureEdges(const Evidence& evidence, uint64_t stride) {
    const FileSample& sample = evidence.sample;
    PictureEdges edges;
    if (evidence.endIsFileEnd)
        edges.headerEnd = EdgeLength<false>(sample.Head().bytes, stride);
    else
        MeasureSpanEdges(sample.Head().bytes, stride, evidence.bytePattern.period, edges);
    // Lines of text whose end the rows do not show, as when the picture's top rows are as
    // busy as text.
    if (edges.headerEnd == 0) edges.headerEnd = evidence.textHeaderEnd;
    // The end of a stretch cut from a file is no end of rows.
    edges.endIsFileEnd = evidence.endIsFileEnd;
    edges.trailer = !edges.endIsFileEnd || (edges.headerEnd != 0 && HasTrailer(sample, stride));
    return edges;
}

std::optional<PictureStartAt> PictureStart(const Evidence& evidence, const PixelFamily& family, const Shape& shape,
                                          const Columns& columns, const PictureEdges& edges) {
    const LayoutHints& hints = evidence.hints;
    const std::optional<int64_t> own = hints.offset ? std::nullopt : family.OwnStart(evidence, shape.stride);
    const bool zerosAtRowEnd = family.ZerosOnlyWhereRowsEnd() && shape.padFromZeros;
    const bool phaseUsed = !(hints.offset || own) || zerosAtRowEnd;
    const int64_t phase = phaseUsed ? RowPhase(evidence.sample, shape, columns, family.BytesPerPixel()) : -1;
    const int64_t fileSize = evidence.sample.FileSize();
    const int64_t start =
        hints.offset ? *hints.offset
        : own        ? *own
                     : OwnTopRows(ChooseOffset(phase, edges, shape, fileSize), edges, evidence.textHeaderEnd, shape.stride);
    if (start > INT32_MAX) return std::nullopt;
    // Zero columns of 1- or 4-bit pixels are pad or unused bits only where rows end:
    // elsewhere they are dark pixels.
    if (zerosAtRowEnd && phase >= 0 && (start - phase) % static_cast<int64_t>(shape.stride) != 0) return std::nullopt;
    return PictureStartAt{start, hints.offset || own ? 1 : StartCertainty(phase, edges, shape.stride)};
}
