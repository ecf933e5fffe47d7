// How the guess works, in four steps:
// 1. Rows: the bytes of a raster repeat at a lag of one row stride, so the mean absolute
//    difference of bytes against the lag dips there (for two-level pixels, of the bits set
//    in each byte). Sharp dips give the stride candidates.
// 2. Shapes: each stride gives a width and line pad for each depth; trailing columns that
//    are zero in every row are taken as pad (and, for 1-bit, trailing bits as unused).
// 3. Offset: where rows start within the stride shows as a step across the row boundary
//    (the last pixel of a row beside the first of the next) or after the pad columns; how
//    many whole rows a header covers shows where bytes stop matching the row below.
// 4. Ranking: each layout is scored by how many bits a byte its pixels cost when each
//    channel is predicted from its left, upper and upper-left neighbours (the predictor
//    of lossless image coders). The layout that explains the bytes best costs least;
//    readings that shear the picture or leave part of a row at the file's end pay more.
#include "cli/guess.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <map>
#include <string>
#include <tuple>

#include "cli/errors.h"
#include "cli/guess_sample.h"

namespace {

constexpr uint64_t kMaxStride = 32768;
constexpr uint32_t kMinWidth = 8;
constexpr uint64_t kMinStride = 2;
constexpr uint64_t kFewBlocks = 256;
constexpr uint64_t kAllRowLengthBlocks = 512;
constexpr uint64_t kWeakDipBlocks = 4096;
constexpr size_t kWeakDipStrides = 32;
constexpr uint64_t kManyBlocks = 64;
constexpr uint64_t kMinRows = 4;
constexpr size_t kStrideCandidates = 12;
constexpr uint64_t kBesideReach = 8;  // bytes either side of a row stride where diagonals dip
constexpr uint64_t kMaxStrideParts = 16;
constexpr uint64_t kBandBytes = 8192;
constexpr uint64_t kBandMaxRows = 4096;
constexpr uint64_t kBandMinRows = 3;

// ---- Step 1: the lag profile -------------------------------------------------------------

// Written on bytes throughout, so that compilers turn it into sums of absolute differences
// of whole vectors.
uint32_t SumAbsDiff(const uint8_t* a, const uint8_t* b, size_t count) {
    uint32_t sum = 0;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t high = a[i] > b[i] ? a[i] : b[i];
        const uint8_t low = a[i] > b[i] ? b[i] : a[i];
        sum += static_cast<uint8_t>(high - low);
    }
    return sum;
}

// Set bits, by adding neighbouring counts in parallel: without a processor instruction
// for it, this is several times faster than a library call.
uint32_t BitCount(uint64_t x) {
    x = x - (x >> 1 & 0x5555555555555555ull);
    x = (x & 0x3333333333333333ull) + (x >> 2 & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<uint32_t>((x * 0x0101010101010101ull) >> 56);
}

// How many bits of each byte are set: the grey level of eight two-level pixels, which
// dithering keeps from row to row though the pattern of the bits changes.
std::vector<uint8_t> GreyLevels(const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> grey(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) grey[i] = static_cast<uint8_t>(BitCount(bytes[i]));
    return grey;
}

// Mean difference of bytes `lag` apart, for every lag up to the largest.
class LagProfile {
public:
    LagProfile(const std::vector<const std::vector<uint8_t>*>& sequences, uint64_t maxLag)
        : m_sum(maxLag + 1), m_count(maxLag + 1) {
        for (const std::vector<uint8_t>* sequence : sequences) Add(*sequence);
    }

    uint64_t MaxLag() const { return m_sum.size() - 1; }
    bool Has(uint64_t lag) const { return lag >= 1 && lag <= MaxLag() && m_count[lag] > 0; }
    double At(uint64_t lag) const { return m_sum[lag] / static_cast<double>(m_count[lag]); }

    // How far the difference at `lag` dips below that of the lags around it: 0 for none,
    // towards 1 for rows that match exactly.
    double Dip(uint64_t lag) const {
        if (!Has(lag)) return 0;
        double around = 0;
        int counted = 0;
        for (uint64_t other = lag > 8 ? lag - 8 : 1; other <= lag + 8; ++other) {
            if (other == lag || !Has(other)) continue;
            around += At(other);
            ++counted;
        }
        if (counted == 0 || around <= 0) return 0;
        return 1 - At(lag) / (around / counted);
    }

private:
    void Add(const std::vector<uint8_t>& bytes) {
        const uint64_t size = bytes.size();
        const uint64_t maxLag = std::min<uint64_t>(MaxLag(), size / 2);
        // Small windows: every position. Large ones: runs of positions spread over the window.
        const uint64_t runBytes = size * maxLag <= (uint64_t{32} << 20) ? size : 64;
        const uint64_t runs = runBytes == size ? 1 : 64;
        for (uint64_t run = 0; run < runs; ++run) {
            const uint64_t start = runs == 1 ? 0 : run * (size - runBytes) / (runs - 1);
            for (uint64_t lag = 1; lag <= maxLag; ++lag) {
                if (start + lag >= size) break;
                const uint64_t count = std::min(runBytes, size - start - lag);
                m_sum[lag] += SumAbsDiff(&bytes[start], &bytes[start + lag], count);
                m_count[lag] += count;
            }
        }
    }

    std::vector<double> m_sum;
    std::vector<uint64_t> m_count;
};

// The steps of `grain` values across each place in rows `stride` apart, added to `step`,
// over rows from the middle of `values`; false when they hold too few rows.
bool AddSteps(const std::vector<uint8_t>& values, uint64_t stride, uint64_t grain, std::vector<double>& step) {
    if (values.size() < grain + 3 * stride) return false;
    const uint64_t rows = std::min<uint64_t>({64, std::max<uint64_t>(32, (uint64_t{1} << 16) / stride),
                                              (values.size() - grain) / stride - 1});
    const uint64_t first = grain + (values.size() - grain - rows * stride) / 2;
    for (uint64_t row = 0; row < rows; ++row) {
        const uint8_t* at = &values[first + row * stride];
        for (uint64_t c = 0; c < stride; ++c) step[c] += std::abs(at[c] - *(at + c - grain));
    }
    return true;
}

// How clearly rows `stride` apart show a boundary: the largest mean step between values
// `grain` apart at one place in the row, against the mean step anywhere. At the row stride
// the last pixel of a row meets the first of the next at one place; a stride a pixel off
// moves that place along every row, and no place stands out.
double SeamStrength(const std::vector<const std::vector<uint8_t>*>& windows, uint64_t stride, uint64_t grain) {
    std::vector<double> step(stride, 0);
    for (const std::vector<uint8_t>* values : windows) AddSteps(*values, stride, grain, step);
    double total = 0;
    for (const double s : step) total += s;
    if (total <= 0) return 0;
    double across = 0;
    for (uint64_t j = 0; j < grain; ++j) across += step[j % stride];
    double best = across;
    for (uint64_t c = 1; c < stride; ++c) {
        across += step[(c + grain - 1) % stride] - step[c - 1];
        best = std::max(best, across);
    }
    return best / (total / static_cast<double>(stride) * static_cast<double>(grain));
}

double SeamStrength(const std::vector<uint8_t>& values, uint64_t stride, uint64_t grain) {
    return SeamStrength(std::vector<const std::vector<uint8_t>*>{&values}, stride, grain);
}

// Of two dips a few values apart, whether the first is the diagonal of the second: the row
// stride is the one whose rows show a boundary, or failing that the deeper one.
bool IsDiagonalOf(double seam, double otherSeam, double difference, double otherDifference) {
    if (std::max(seam, otherSeam) >= 2 && std::max(seam, otherSeam) >= 1.5 * std::min(seam, otherSeam))
        return otherSeam > seam;
    return otherDifference < difference;
}

// Lags where the profile of `values` dips most sharply, strongest first.
// Bit by bit, the lag a byte off is eight pixels off, no diagonal neighbour: `diagonals`
// false keeps every dip, and adds the parts of strides that two-level pixels need.
// `besideChosen`, where given, gets the dips taken as diagonals beside the strides chosen.
std::vector<uint64_t> StrideCandidates(const LagProfile& profile, const std::vector<uint8_t>& values,
                                       bool diagonals = true, std::vector<uint64_t>* besideChosen = nullptr) {
    std::vector<std::pair<double, uint64_t>> dips;
    for (uint64_t lag = 1; lag <= profile.MaxLag(); ++lag) {
        const double dip = profile.Dip(lag);
        if (dip <= 0.02) continue;
        bool sharpest = true;
        for (uint64_t other = lag > 2 ? lag - 2 : 1; other <= lag + 2 && sharpest; ++other)
            sharpest = other == lag || profile.Dip(other) <= dip;
        if (!sharpest) continue;
        dips.emplace_back(dip, lag);
        // A row stride beside a deeper diagonal is not a sharpest dip itself.
        for (uint64_t other = lag > 4 ? lag - 4 : 1; other <= lag + 4; ++other) {
            const double beside = profile.Dip(other);
            if (other != lag && beside > 0.5 * dip && beside > 0.02) dips.emplace_back(beside, other);
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
    std::vector<bool> dipsAt(profile.MaxLag() + 9, false);
    for (const auto& dip : dips) dipsAt[dip.second] = true;
    std::map<std::pair<uint64_t, uint64_t>, double> seams;
    auto seam = [&](uint64_t lag, uint64_t grain) {
        const auto key = std::make_pair(lag, grain);
        const auto found = seams.find(key);
        return found != seams.end() ? found->second : seams[key] = SeamStrength(values, lag, grain);
    };
    auto diagonal = [&](uint64_t lag) {
        for (uint64_t other = lag > 8 ? lag - 8 : 1; other <= lag + 8; ++other) {
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
            for (uint64_t k = parts >= 3 ? 2 : 1; k < parts && multiplesDip; ++k) multiplesDip = profile.Dip(k * part) > 0.02;
            if (multiplesDip) strides.push_back(part);
        }
    }
    return strides;
}

// ---- DXT1 blocks ---------------------------------------------------------------------------

// Encoders write an opaque block's first colour endpoint above its second, so in DXT1 data
// one of the eight byte phases has nearly every pair of 16-bit values in falling order.
struct BlockEvidence {
    int phase = -1;
    double ordered = 0;
    uint64_t compared = 0;

    double indicesOrdered = 0;  // the same share four bytes on, where the indices lie

    bool Evident() const {
        return phase >= 0 && compared >= 12 && ordered >= 0.95 && indicesOrdered > 0.1 &&
               indicesOrdered < 0.9;
    }
};

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

BlockEvidence MeasureBlockOrder(const FileSample& sample) {
    const std::vector<uint8_t>& bytes = sample.Largest().bytes;
    BlockEvidence evidence;
    for (int phase = 0; phase < 8; ++phase) {
        const auto [ordered, compared] = FallingShare(bytes, phase);
        if (ordered > evidence.ordered) evidence = {phase, ordered, compared, 0};
    }
    if (evidence.phase >= 0) evidence.indicesOrdered = FallingShare(bytes, (evidence.phase + 4) % 8).first;
    return evidence;
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

// ---- Step 2: shapes for a stride ---------------------------------------------------------

struct Shape {
    PixelFormat depth;
    uint32_t width;
    uint32_t linePad;
    uint64_t stride;
    bool padFromZeros;  // the pad (or unused bits) are columns found zero in every row
    int64_t rowStart = -1;  // where rows start among the measured columns, when that shows
};

uint32_t BytesPerPixel(PixelFormat depth) {
    switch (depth) {
        case Depth16: return 2;
        case Depth24: return 3;
        case Depth32: return 4;
        case DepthDXT1: return 8;
        default: return 1;
    }
}

// Column statistics over a run of rows in the middle of the sample, rows `stride` apart.
struct Columns {
    bool valid = false;
    int64_t firstColumn = 0;        // file position of column 0 of the first row measured
    std::vector<uint8_t> anyBits;   // OR of every row's byte in the column
    std::vector<uint8_t> wholeBits; // the same over the whole window, for unused bits
    uint64_t zeroRun = 0;           // longest run of all-zero columns (cyclic)
    uint64_t zeroRunEnd = 0;        // the column after that run
};

Columns MeasureColumns(const FileSample& sample, uint64_t stride) {
    Columns columns;
    const SampleWindow& window = sample.Largest();
    const uint64_t size = window.bytes.size();
    // Rows from the middle, clear of any header at the start and anything after the picture.
    const uint64_t rows = std::min<uint64_t>({1024, std::max<uint64_t>(2, (uint64_t{1} << 18) / stride),
                                              size / 4 * 3 / stride});
    if (rows < 2) return columns;
    const uint64_t first = (size - rows * stride) / 2;
    columns.valid = true;
    columns.firstColumn = window.start + static_cast<int64_t>(first);
    columns.anyBits.assign(stride, 0);
    for (uint64_t row = 0; row < rows; ++row) {
        const uint8_t* bytes = &window.bytes[first + row * stride];
        for (uint64_t c = 0; c < stride; ++c) columns.anyBits[c] |= bytes[c];
    }
    // Unused bits are rare in a sparse two-level picture: every row there is counts.
    columns.wholeBits.assign(stride, 0);
    const uint64_t wholeEnd = std::min<uint64_t>(size, uint64_t{1} << 20);
    uint64_t column = (stride - first % stride) % stride;  // the column of byte 0
    for (uint64_t at = 0; at < wholeEnd; ++at) {
        columns.wholeBits[column] |= window.bytes[at];
        if (++column == stride) column = 0;
    }
    uint64_t run = 0;
    for (uint64_t i = 0; i < 2 * stride; ++i) {
        run = columns.anyBits[i % stride] == 0 ? run + 1 : 0;
        if (run > columns.zeroRun && run <= stride) {
            columns.zeroRun = run;
            columns.zeroRunEnd = (i + 1) % stride;
        }
    }
    return columns;
}

// Unused bits at the end of a 1-bit row: the zero bits at the end of its last byte.
uint32_t UnusedBits(uint8_t lastByte, bool mostSignificantFirst) {
    uint32_t count = 0;
    for (uint32_t i = 0; i < 7; ++i) {
        const uint32_t bit = mostSignificantFirst ? i : 7 - i;
        if (lastByte >> bit & 1) break;
        ++count;
    }
    return count;
}

void AddShape(std::vector<Shape>& shapes, PixelFormat depth, uint64_t width, uint64_t pad,
              uint64_t stride, bool padFromZeros, int64_t rowStart = -1) {
    if (width < kMinWidth || width > UINT32_MAX || pad > UINT32_MAX || stride < kMinStride) return;
    if (RowBytes(depth, static_cast<uint32_t>(width)) + pad != stride) return;
    shapes.push_back({depth, static_cast<uint32_t>(width), static_cast<uint32_t>(pad), stride,
                      padFromZeros, rowStart});
}

// Pads worth trying for a stride: none, and the zero columns at the row end when they
// round the row up to 4 bytes, as bitmap files do.
std::vector<std::pair<uint64_t, bool>> PadChoices(uint64_t stride, const Columns& columns,
                                                  const LayoutHints& hints) {
    if (hints.linePad) return {{*hints.linePad, false}};
    std::vector<std::pair<uint64_t, bool>> pads{{0, false}};
    if (stride % 4 == 0 && columns.zeroRun > 0 && columns.zeroRun < 4 && columns.zeroRun < stride)
        pads.emplace_back(columns.zeroRun, true);
    return pads;
}

// The column of a row's last byte, when unused low-order pixels show there: the one column
// whose last bits are zero in every row while others have them set. After pad columns, it is
// the column before them. Negative when no such column stands out.
int64_t LastByteColumn(const Columns& columns, uint64_t stride, uint64_t pad, bool msbFirst) {
    if (pad > 0) {
        const uint64_t column = (columns.zeroRunEnd + stride - pad - 1) % stride;
        const uint8_t last = columns.anyBits[column];
        return last != 0 && UnusedBits(last, msbFirst) > 0 ? static_cast<int64_t>(column) : -1;
    }
    int64_t found = -1;
    for (uint64_t c = 0; c < stride; ++c) {
        const uint8_t bits = columns.wholeBits[c];
        // A column zero in every row is as likely dark pixels as unused bits.
        if (bits == 0 || UnusedBits(bits, msbFirst) == 0) continue;
        if (found >= 0) return -1;
        found = static_cast<int64_t>(c);
    }
    return found;
}

void AddShapesForPad(std::vector<Shape>& shapes, uint64_t stride, uint64_t pad, bool fromZeros,
                     const Columns& columns) {
    if (pad >= stride) return;
    const uint64_t row = stride - pad;
    AddShape(shapes, Depth8, row, pad, stride, fromZeros);
    if (row % 2 == 0) AddShape(shapes, Depth16, row / 2, pad, stride, fromZeros);
    if (row % 3 == 0) AddShape(shapes, Depth24, row / 3, pad, stride, fromZeros);
    if (row % 4 == 0) AddShape(shapes, Depth32, row / 4, pad, stride, fromZeros);
    if (pad == 0 && row % 8 == 0) AddShape(shapes, DepthDXT1, row / 2, 0, stride, false);
    AddShape(shapes, Depth4, row * 2, pad, stride, fromZeros);
    AddShape(shapes, Depth1, row * 8, pad, stride, fromZeros);
    if (!columns.valid || columns.zeroRun >= stride) return;
    for (const bool msbFirst : {false, true}) {
        const int64_t lastColumn = LastByteColumn(columns, stride, pad, msbFirst);
        if (lastColumn < 0) continue;
        const uint8_t last = (pad > 0 ? columns.anyBits : columns.wholeBits)[static_cast<size_t>(lastColumn)];
        const int64_t rowStart = (lastColumn + 1 + static_cast<int64_t>(pad)) % static_cast<int64_t>(stride);
        AddShape(shapes, Depth1, row * 8 - UnusedBits(last, msbFirst), pad, stride, true, rowStart);
        if ((msbFirst ? last & 0x0F : last & 0xF0) == 0) AddShape(shapes, Depth4, row * 2 - 1, pad, stride, true, rowStart);
    }
}

std::vector<Shape> ShapesForStride(uint64_t stride, const Columns& columns, const LayoutHints& hints) {
    std::vector<Shape> shapes;
    for (const auto& [pad, fromZeros] : PadChoices(stride, columns, hints))
        AddShapesForPad(shapes, stride, pad, fromZeros, columns);
    // A pad from zero columns only stands when those columns sit at the row's end.
    if (!columns.valid) shapes.erase(std::remove_if(shapes.begin(), shapes.end(),
                                                    [](const Shape& s) { return s.padFromZeros; }),
                                     shapes.end());
    return shapes;
}

// ---- Step 3: the offset --------------------------------------------------------------------

// The row start within the stride, as a file position modulo the stride; negative when the
// rows show no clear boundary.
int64_t RowPhase(const FileSample& sample, const Shape& shape, const Columns& columns) {
    if (!columns.valid) return -1;
    const uint64_t stride = shape.stride;
    if (shape.rowStart >= 0) return (columns.firstColumn + shape.rowStart) % static_cast<int64_t>(stride);
    if (shape.padFromZeros && shape.linePad > 0)
        return (columns.firstColumn + static_cast<int64_t>(columns.zeroRunEnd)) % static_cast<int64_t>(stride);
    const uint64_t grain = std::min<uint64_t>(BytesPerPixel(shape.depth), stride);
    const SampleWindow& window = sample.Largest();
    const uint64_t first = static_cast<uint64_t>(columns.firstColumn - window.start);
    if (first < grain) return -1;
    const uint64_t rows = std::min<uint64_t>(64, (window.bytes.size() - first) / stride);
    std::vector<double> step(stride, 0);
    for (uint64_t row = 0; row < rows; ++row) {
        const uint8_t* bytes = &window.bytes[first + row * stride];
        for (uint64_t c = 0; c < stride; ++c)
            step[c] += std::abs(bytes[c] - *(bytes + c - grain));
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
    if (best < 1.5 * total / static_cast<double>(stride) * static_cast<double>(grain)) return -1;
    return (columns.firstColumn + static_cast<int64_t>(bestColumn)) % static_cast<int64_t>(stride);
}

// The end of a leading stretch where `across(t)`, a value's difference from the one a row on,
// exceeds `along(t)`, that one's difference from the next row on: within a picture both are
// alike. A stretch must stand out by more than half the picture's own row differences.
template <typename Across, typename Along>
int64_t ChangePoint(uint64_t span, Across across, Along along) {
    double typical = 0;
    for (uint64_t t = span / 2; t < span; ++t) typical += along(t);
    typical /= static_cast<double>(std::max<uint64_t>(1, span - span / 2));
    const double margin = 2 + typical / 2;
    double climb = 0;
    double best = 0;
    int64_t end = 0;
    for (uint64_t t = 0; t < span; ++t) {
        climb += across(t) - along(t) - margin;
        if (climb > best) {
            best = climb;
            end = static_cast<int64_t>(t + 1);
        }
    }
    // Chance gives short climbs; a header of a few bytes already climbs well above them.
    return best >= 8 * margin ? end : 0;
}

// Where the bytes start to match the bytes one stride on, within the head of the file: a
// header byte differs from the byte below it more than that byte differs from the next one
// below, while within the picture both differences are alike.
int64_t HeaderEnd(const FileSample& sample, uint64_t stride) {
    const std::vector<uint8_t>& bytes = sample.Head().bytes;
    if (bytes.size() <= 2 * stride) return 0;
    const uint64_t span = std::min<uint64_t>({bytes.size() - 2 * stride, 65536});
    return ChangePoint(span, [&](uint64_t t) { return std::abs(bytes[t] - bytes[t + stride]); },
                       [&](uint64_t t) { return std::abs(bytes[t + stride] - bytes[t + 2 * stride]); });
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

// The header's end is found to a few bytes. The exact start comes from the end of the file,
// where a picture usually ends with its last row, or else from a clear row boundary.
int64_t ChooseOffset(int64_t phase, int64_t headerEnd, const Shape& shape, int64_t fileSize) {
    if (headerEnd == 0) return 0;
    const int64_t s = static_cast<int64_t>(shape.stride);
    const int64_t endTolerance = std::min<int64_t>(s / 3, 16);
    for (const int64_t trailing : {int64_t{0}, static_cast<int64_t>(shape.linePad)}) {
        if (const auto start = Snap((fileSize + trailing) % s, headerEnd, shape.stride, endTolerance))
            return *start;
    }
    // Unused bits, found in one column alone, fix where rows start; a boundary seen only as
    // a step between pixels must lie near the header's end.
    const int64_t phaseTolerance = shape.rowStart >= 0 ? s : std::min<int64_t>(s / 4, 32);
    if (const auto start = Snap(phase, headerEnd, shape.stride, phaseTolerance)) return *start;
    return headerEnd;
}

// ---- Step 4: the cost of a layout ----------------------------------------------------------

struct Layout {
    Shape shape;
    int64_t offset = 0;
    uint64_t rows = 0;
    GuessFields fields = GuessFields::R5G6B5;
    bool bigEndian = false;
};

// One channel of a band of pixels, `columns` wide, with values of `bits` bits.
// How a plane's values are foretold: from neighbours by the median predictor, from the
// pattern of neighbouring bits (two-level pixels), or from the same index in the blocks to
// the left and above (DXT1 indices, sixteen a block).
enum class Model { Median, Binary, BlockIndices };

struct Plane {
    uint32_t bits;
    Model model;
    std::vector<uint16_t> values;
};

// The bit ranges of a 16-bit value's fields, low bits first, covering all 16 bits.
std::vector<std::pair<uint32_t, uint32_t>> FieldRanges(GuessFields fields) {
    switch (fields) {
        case GuessFields::R5G5B5: return {{0, 5}, {5, 5}, {10, 5}, {15, 1}};
        case GuessFields::R4G4B4A4: return {{0, 4}, {4, 4}, {8, 4}, {12, 4}};
        case GuessFields::R5G6B5: break;
    }
    return {{0, 5}, {5, 6}, {11, 5}};
}

uint32_t Value16(const uint8_t* p, bool bigEndian) {
    return bigEndian ? (uint32_t{p[0]} << 8 | p[1]) : (uint32_t{p[1]} << 8 | p[0]);
}

// The planes of one row appended, `columns` wide (pixels, or blocks for DXT1).
void AppendRow(const Layout& layout, const uint8_t* row, std::vector<Plane>& planes) {
    const uint32_t width = layout.shape.width;
    switch (layout.shape.depth) {
        case Depth1:
            for (uint32_t x = 0; x < width; ++x) {
                const uint32_t bit = layout.bigEndian ? 7 - x % 8 : x % 8;
                planes[0].values.push_back(static_cast<uint16_t>(row[x / 8] >> bit & 1));
            }
            break;
        case Depth4:
            for (uint32_t x = 0; x < width; ++x) {
                const bool high = (x % 2 == 0) == layout.bigEndian;
                planes[0].values.push_back(static_cast<uint16_t>(high ? row[x / 2] >> 4 : row[x / 2] & 15));
            }
            break;
        case Depth16: {
            const auto ranges = FieldRanges(layout.fields);
            for (uint32_t x = 0; x < width; ++x) {
                const uint32_t v = Value16(row + 2 * size_t{x}, layout.bigEndian);
                for (size_t f = 0; f < ranges.size(); ++f)
                    planes[f].values.push_back(static_cast<uint16_t>(v >> ranges[f].first & ((1u << ranges[f].second) - 1)));
            }
            break;
        }
        case DepthDXT1: {
            const uint32_t blocks = (width + 3) / 4;
            for (uint32_t b = 0; b < blocks; ++b) {
                const uint8_t* block = row + 8 * size_t{b};
                for (uint32_t e = 0; e < 2; ++e) {
                    const uint32_t v = Value16(block + 2 * e, false);
                    planes[3 * e].values.push_back(static_cast<uint16_t>(v & 31));
                    planes[3 * e + 1].values.push_back(static_cast<uint16_t>(v >> 5 & 63));
                    planes[3 * e + 2].values.push_back(static_cast<uint16_t>(v >> 11));
                }
                for (uint32_t i = 0; i < 16; ++i)
                    planes[6].values.push_back(static_cast<uint16_t>(block[4 + i / 4] >> (2 * (i % 4)) & 3));
            }
            break;
        }
        default: {  // Depth8, Depth24, Depth32: a byte a channel
            const uint32_t channels = BytesPerPixel(layout.shape.depth);
            for (uint32_t x = 0; x < width; ++x)
                for (uint32_t c = 0; c < channels; ++c) planes[c].values.push_back(row[size_t{x} * channels + c]);
            break;
        }
    }
}

std::vector<Plane> EmptyPlanes(const Layout& layout) {
    switch (layout.shape.depth) {
        case Depth1: return {{1, Model::Binary, {}}};
        case Depth4: return {{4, Model::Median, {}}};
        case Depth16: {
            std::vector<Plane> planes;
            for (const auto& range : FieldRanges(layout.fields)) planes.push_back({range.second, Model::Median, {}});
            return planes;
        }
        case DepthDXT1: {
            std::vector<Plane> planes;
            for (const uint32_t bits : {5u, 6u, 5u, 5u, 6u, 5u}) planes.push_back({bits, Model::Median, {}});
            planes.push_back({2, Model::BlockIndices, {}});
            return planes;
        }
        default: return std::vector<Plane>(BytesPerPixel(layout.shape.depth), Plane{8, Model::Median, {}});
    }
}

// Bits to code the counted values one by one with an adaptive model (each value's chance
// from the counts before it, every count starting at `prior`): the entropy plus the cost of
// learning the counts, so that a model with more symbols than data does not look cheap.
double CodeLengthBits(const std::vector<uint32_t>& histogram, uint64_t count, double prior) {
    if (count == 0) return 0;
    const double symbols = static_cast<double>(histogram.size());
    double nats = std::lgamma(static_cast<double>(count) + prior * symbols) - std::lgamma(prior * symbols);
    for (const uint32_t n : histogram)
        if (n > 0) nats -= std::lgamma(n + prior) - std::lgamma(prior);
    return nats / std::log(2.0);
}

int Predict(int left, int up, int upLeft) {
    if (upLeft >= std::max(left, up)) return std::min(left, up);
    if (upLeft <= std::min(left, up)) return std::max(left, up);
    return left + up - upLeft;
}

// Total bits of a two-level plane's values, rows after the first, each coded in the context
// of eight neighbours: two to the left, three above, three two rows above (dithering often
// repeats every other row).
double BinaryPlaneBits(const Plane& plane, uint64_t rows) {
    const uint64_t perRow = plane.values.size() / rows;
    std::array<std::array<uint32_t, 2>, 256> counts{};
    auto at = [&](uint64_t x, uint64_t y) -> uint32_t {
        return x < perRow ? plane.values[y * perRow + x] : 0;
    };
    for (uint64_t y = 1; y < rows; ++y) {
        for (uint64_t x = 0; x < perRow; ++x) {
            uint32_t context = at(x - 1, y) | at(x - 2, y) << 1 | at(x - 1, y - 1) << 2 |
                               at(x, y - 1) << 3 | at(x + 1, y - 1) << 4;
            if (y >= 2) context |= at(x - 1, y - 2) << 5 | at(x, y - 2) << 6 | at(x + 1, y - 2) << 7;
            ++counts[context][at(x, y)];
        }
    }
    double bits = 0;
    for (const auto& pair : counts) {
        const uint64_t count = uint64_t{pair[0]} + pair[1];
        bits += CodeLengthBits({pair[0], pair[1]}, count, 0.5);
    }
    return bits;
}

// Residuals as a two-sided geometric distribution, the shape of prediction errors in
// pictures: one parameter, so that its cost does not grow with the number of values a
// channel can take, and small samples are judged as fairly as large ones.
class ResidualModel {
public:
    void Add(uint32_t magnitude) {
        ++m_count;
        m_sum += magnitude;
    }

    // Bits to code the residuals, with the parameter's own cost; never more than the
    // values cost as they stand.
    double Bits(uint32_t valueBits) const {
        if (m_count == 0) return 0;
        const double n = static_cast<double>(m_count);
        const double plain = n * valueBits;
        if (m_sum == 0) return std::min(plain, 0.5 * std::log2(n + 1));
        const double mean = static_cast<double>(m_sum) / n;
        const double theta = (std::sqrt(1 + mean * mean) - 1) / mean;
        const double bits = -n * std::log2((1 - theta) / (1 + theta)) -
                            static_cast<double>(m_sum) * std::log2(theta) + 0.5 * std::log2(n + 1);
        return std::min(plain, bits);
    }

private:
    uint64_t m_count = 0;
    uint64_t m_sum = 0;
};

// How busy the neighbourhood is, in four steps: residuals of flat parts and of edges are
// counted apart, as lossless image coders do.
uint32_t Activity(int left, int up, int upLeft) {
    const int change = std::abs(left - upLeft) + std::abs(up - upLeft);
    return change == 0 ? 0 : change <= 2 ? 1 : change <= 12 ? 2 : 3;
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

// Total bits of a plane's values, rows after the first, predicted from their neighbours.
// The signed residuals of a median-predicted plane, rows after the first, with the
// activity context of each.
struct Residuals {
    std::vector<int> values;
    std::vector<uint8_t> contexts;
};

int Fold(int residual, uint32_t bits) {
    const int range = 1 << bits;
    residual &= range - 1;
    return residual >= range / 2 ? residual - range : residual;
}

Residuals MedianResiduals(const Plane& plane, uint64_t rows) {
    Residuals residuals;
    const uint64_t perRow = plane.values.size() / rows;
    residuals.values.reserve(plane.values.size() - perRow);
    residuals.contexts.reserve(plane.values.size() - perRow);
    for (uint64_t y = 1; y < rows; ++y) {
        const uint16_t* row = &plane.values[y * perRow];
        const uint16_t* up = row - perRow;
        for (uint64_t x = 0; x < perRow; ++x) {
            const int left = x == 0 ? up[0] : row[x - 1];
            const int upLeft = x == 0 ? up[0] : up[x - 1];
            residuals.values.push_back(Fold(row[x] - Predict(left, up[x], upLeft), plane.bits));
            residuals.contexts.push_back(static_cast<uint8_t>(Activity(left, up[x], upLeft)));
        }
    }
    return residuals;
}

double ResidualBits(const Residuals& residuals, uint32_t bits, const Residuals* previousChannel) {
    std::array<ResidualModel, 4> models{};
    for (size_t i = 0; i < residuals.values.size(); ++i) {
        const int value = previousChannel ? Fold(residuals.values[i] - previousChannel->values[i], bits)
                                          : residuals.values[i];
        models[residuals.contexts[i]].Add(static_cast<uint32_t>(std::abs(value)));
    }
    double total = 0;
    for (const ResidualModel& model : models) total += model.Bits(bits);
    return total;
}

// Total bits of a layout's planes, rows after the first. Byte channels may also be coded
// as the difference of their residual from the previous channel's, as colour coders do:
// the channels of a pixel mostly err alike.
double PlanesBits(const std::vector<Plane>& planes, uint64_t rows, bool channelsAlike) {
    double bits = 0;
    Residuals previous;
    for (const Plane& plane : planes) {
        if (plane.model == Model::Binary) {
            bits += BinaryPlaneBits(plane, rows);
        } else if (plane.model == Model::BlockIndices) {
            bits += BlockIndexBits(plane, rows);
        } else {
            Residuals residuals = MedianResiduals(plane, rows);
            double own = ResidualBits(residuals, plane.bits, nullptr);
            if (channelsAlike && !previous.values.empty())
                own = std::min(own, ResidualBits(residuals, plane.bits, &previous));
            bits += own;
            previous = std::move(residuals);
        }
    }
    return bits;
}

// Rows of data: pixel rows, or block rows for DXT1.
uint64_t DataRows(const Layout& layout) {
    return layout.shape.depth == DepthDXT1 ? layout.rows / 4 : layout.rows;
}

// Bits a byte of the layout's bands cost, summed over bands spread through the sample.
double CostBitsPerByte(const FileSample& sample, const Layout& layout) {
    const uint64_t stride = layout.shape.stride;
    const uint64_t rowBytes = RowBytes(layout.shape.depth, layout.shape.width);
    const uint64_t dataRows = DataRows(layout);
    const uint64_t bandRows = std::min<uint64_t>({kBandMaxRows, std::max<uint64_t>(kBandMinRows, kBandBytes / stride), dataRows});
    const int bandsPerWindow = sample.IsWholeFile() ? 3 : 1;
    double bits = 0;
    double bytes = 0;
    for (const SampleWindow& window : sample.Windows()) {
        for (int band = 0; band < bandsPerWindow; ++band) {
            const int64_t middle = window.start + static_cast<int64_t>(window.bytes.size() * (band + 1) / (bandsPerWindow + 1));
            const int64_t wantedRow = (middle - layout.offset) / static_cast<int64_t>(stride) - static_cast<int64_t>(bandRows / 2);
            const uint64_t firstRow = static_cast<uint64_t>(std::clamp<int64_t>(wantedRow, 0, static_cast<int64_t>(dataRows - bandRows)));
            const int64_t start = layout.offset + static_cast<int64_t>(firstRow * stride);
            const uint8_t* data = sample.At(start, (bandRows - 1) * stride + rowBytes);
            if (data == nullptr) continue;
            std::vector<Plane> planes = EmptyPlanes(layout);
            for (uint64_t r = 0; r < bandRows; ++r) AppendRow(layout, data + r * stride, planes);
            const bool channelsAlike = layout.shape.depth == Depth24 || layout.shape.depth == Depth32;
            bits += PlanesBits(planes, bandRows, channelsAlike);
            bytes += static_cast<double>((bandRows - 1) * stride);
        }
    }
    return bytes > 0 ? bits / bytes : 8.0;
}

// Bits of the bytes a layout leaves outside its picture, a header before it and whatever
// follows its last row, each byte coded by how often its value occurs there.
double OutsideBits(const SampleWindow& whole, const Layout& layout) {
    const uint64_t pictureBytes = DataRows(layout) * layout.shape.stride;
    const uint64_t start = static_cast<uint64_t>(std::max<int64_t>(0, layout.offset));
    const uint64_t end = std::min<uint64_t>(whole.bytes.size(), start + pictureBytes);
    std::vector<uint32_t> histogram(256);
    for (uint64_t i = 0; i < start && i < whole.bytes.size(); ++i) ++histogram[whole.bytes[i]];
    for (uint64_t i = end; i < whole.bytes.size(); ++i) ++histogram[whole.bytes[i]];
    const uint64_t outside = std::min<uint64_t>(start, whole.bytes.size()) + (whole.bytes.size() - end);
    return CodeLengthBits(histogram, outside, 0.5);
}

// Of a file read whole, a layout must explain every byte: its cost is that of the picture's
// bytes and of those outside it (`outsideBits`, the same for every variant of a layout), a
// byte of the file. Otherwise a header of zeros read as dark pixels makes a cheap picture.
double WholeFileBitsPerByte(const FileSample& sample, const Layout& layout, double pictureBitsPerByte,
                            double outsideBits) {
    if (!sample.IsWholeFile()) return pictureBitsPerByte;
    const double fileBytes = static_cast<double>(sample.FileSize());
    const double pictureBytes = std::min(fileBytes, static_cast<double>(DataRows(layout) * layout.shape.stride));
    return (pictureBitsPerByte * pictureBytes + outsideBits) / fileBytes;
}

// The variants of a shape that read its bytes differently, for the depths where it matters.
std::vector<Layout> Variants(const Layout& base) {
    std::vector<Layout> variants;
    auto add = [&](GuessFields fields, bool bigEndian) {
        Layout layout = base;
        layout.fields = fields;
        layout.bigEndian = bigEndian;
        variants.push_back(layout);
    };
    switch (base.shape.depth) {
        case Depth1:
        case Depth4:
            add(GuessFields::R5G6B5, false);
            add(GuessFields::R5G6B5, true);
            break;
        case Depth16:
            add(GuessFields::R5G6B5, false);
            add(GuessFields::R5G5B5, false);
            add(GuessFields::R4G4B4A4, false);
            add(GuessFields::R5G6B5, true);
            break;
        default: add(GuessFields::R5G6B5, false); break;
    }
    return variants;
}

// ---- Putting it together -----------------------------------------------------------------

struct Scored {
    Layout layout;
    double cost;
    double structure;  // how clearly the rows line up at this stride, 0 to 1
};

bool Allowed(const Shape& shape, const LayoutHints& hints) {
    if (hints.depth && shape.depth != *hints.depth) return false;
    if (hints.width && shape.width != *hints.width) return false;
    if (hints.linePad && shape.linePad != *hints.linePad) return false;
    return true;
}

uint64_t RowsInFile(const Shape& shape, int64_t offset, int64_t fileSize) {
    if (offset >= fileSize) return 0;
    const uint64_t left = static_cast<uint64_t>(fileSize - offset);
    if (shape.depth == DepthDXT1) return left / shape.stride * 4;
    if (left < shape.stride - shape.linePad) return 0;
    return (left + shape.linePad) / shape.stride;
}

double Structure(const LagProfile& profile, uint64_t stride) {
    if (!profile.Has(stride)) return 0.2;  // rows too long to measure: never a confident guess
    return std::clamp((profile.Dip(stride) - 0.1) / 0.3, 0.0, 1.0);
}

// The same for two-level pixels by their grey level, where dithering that repeats every
// other row lines up rows in pairs.
double TwoLevelStructure(const LagProfile& greyProfile, uint64_t stride) {
    const double pairs = greyProfile.Has(2 * stride) ? Structure(greyProfile, 2 * stride) : 0;
    return std::max(Structure(greyProfile, stride), pairs);
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

void CheckFileSize(const FileSample& sample, const LayoutHints& hints) {
    const int64_t size = sample.FileSize();
    if (size == 0) throw RenderError("the file is empty: there is no picture in it to guess");
    const int64_t start = hints.offset ? *hints.offset : 0;
    if (hints.width) {
        const PixelFormat depth = hints.depth ? *hints.depth : Depth1;
        const uint64_t row = RowBytes(depth, *hints.width);
        if (start < 0 || start >= size || static_cast<uint64_t>(size - start) < row)
            throw RenderError("the file holds " + std::to_string(size) + " bytes, fewer than one row of " +
                              std::to_string(*hints.width) + " pixels (" + std::to_string(row) +
                              " bytes) from offset " + std::to_string(start));
    }
    if (size < 16) throw RenderError("the file holds only " + std::to_string(size) +
                                     " bytes, too few to guess a picture's layout from");
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

// A pad found as zero columns wins a tie against reading those columns as pixels.
constexpr double kZeroPadBonus = 0.02;
constexpr double kRowMultiplePenalty = 0.5;
constexpr double kRowMultipleTieBreak = 0.05;
constexpr double kSmoothStep = 1.15;
// Most files hold a picture and nothing after it: a reading that leaves part of a row at
// the end is a little less likely.
constexpr double kPartRowPenalty = 0.3;
constexpr double kRowMultipleCostMargin = 0.1;
constexpr double kColumnsRepeat = 0.9;
constexpr double kColumnsDiffer = 0.5;
constexpr uint64_t kBitPlaceBytes = 65536;
constexpr double kBitPlaceChiSquare = 50;
constexpr uint64_t kNibbleChanges = 256;
constexpr double kNibbleRatio = 1.4;
constexpr double kNotPixelsPenalty = 1;
constexpr double kShearMargin = 1.05;
constexpr double kShearPenalty = 0.3;
constexpr double kClearShearMargin = 1.5;
constexpr double kClearShearPenalty = 1;

// Byte-wide pixels whose left neighbours differ by the byte's place in a group of 2, 3 or 4:
// the bytes are channels of wider pixels.
bool LooksMultiChannel(const FileSample& sample, const Layout& layout) {
    const SampleWindow& window = sample.Largest();
    const uint64_t stride = layout.shape.stride;
    const uint64_t rows = std::min<uint64_t>(64, layout.rows);
    const int64_t middle = window.start + static_cast<int64_t>(window.bytes.size() / 2);
    const int64_t firstRow = std::max<int64_t>(0, (middle - layout.offset) / static_cast<int64_t>(stride) -
                                                      static_cast<int64_t>(rows / 2));
    const uint64_t columns = std::min<uint64_t>(layout.shape.width, 4096);
    for (uint64_t group = 2; group <= 4; ++group) {
        std::array<double, 4> steps{};
        uint64_t counted = 0;
        for (uint64_t r = 0; r < rows; ++r) {
            const uint8_t* row = sample.At(layout.offset + (firstRow + static_cast<int64_t>(r)) * static_cast<int64_t>(stride), columns);
            if (row == nullptr) continue;
            for (uint64_t x = 1; x < columns; ++x) steps[x % group] += std::abs(row[x] - row[x - 1]);
            counted += columns - 1;
        }
        if (counted < 64 * group) continue;
        // A channel's neighbour a pixel on is nearer than the next channel of the same pixel.
        double apart = 0;
        double next = 0;
        for (uint64_t r = 0; r < rows; ++r) {
            const uint8_t* row = sample.At(layout.offset + (firstRow + static_cast<int64_t>(r)) * static_cast<int64_t>(stride), columns);
            if (row == nullptr) continue;
            for (uint64_t x = group; x < columns; ++x) {
                apart += std::abs(row[x] - row[x - group]);
                next += std::abs(row[x] - row[x - 1]);
            }
        }
        if (next > 0 && apart < 0.7 * next) return true;
        const double mean = (steps[0] + steps[1] + steps[2] + steps[3]) / static_cast<double>(counted);
        double low = steps[0];
        double high = steps[0];
        for (uint64_t j = 1; j < group; ++j) {
            low = std::min(low, steps[j]);
            high = std::max(high, steps[j]);
        }
        const double spread = (high - low) * static_cast<double>(group) / static_cast<double>(counted);
        if (mean > 0.5 && spread > 0.5 * mean) return true;
    }
    return false;
}

// What the bytes alone say of a pixel's size: in pixels of 2, 3 or 4 channel bytes, a byte
// is nearer its channel in the next pixel than the next byte (`period`, 0 when no such
// width stands out); in grey pixels a byte is nearer the next byte than any further one,
// and further the further on (`smooth`), which channels of wider pixels never are.
struct BytePattern {
    uint32_t period = 0;
    bool smooth = false;
};

BytePattern MeasureBytePattern(const FileSample& sample) {
    const std::vector<uint8_t>& bytes = sample.Largest().bytes;
    const size_t skip = std::min<size_t>(bytes.size() / 4, 65536);
    const size_t end = std::min<size_t>(bytes.size(), skip + (size_t{1} << 18));
    BytePattern pattern;
    if (end < skip + 64) return pattern;
    std::array<double, 5> apart{};
    for (size_t i = skip + 4; i < end; ++i)
        for (size_t lag = 1; lag <= 4; ++lag) apart[lag] += std::abs(bytes[i] - bytes[i - lag]);
    if (apart[1] <= 0) return pattern;
    double best = 0.7;
    for (uint32_t lag = 2; lag <= 4; ++lag) {
        const double ratio = apart[lag] / apart[1];
        if (ratio < best) {
            best = ratio;
            pattern.period = lag;
        }
    }
    pattern.smooth = apart[2] > kSmoothStep * apart[1] && apart[3] > apart[2] && apart[4] > apart[3];
    return pattern;
}

// Whether the layout's last row ends where the file does (the last row's pad may be left
// out), as it does in files that hold a picture and nothing after it.
bool EndsWithFile(const Layout& layout, int64_t fileSize) {
    const uint64_t left = static_cast<uint64_t>(fileSize - layout.offset);
    const uint64_t stride = layout.shape.stride;
    if (layout.shape.depth == DepthDXT1) return left % stride == 0;
    return left % stride == 0 || (left + layout.shape.linePad) % stride == 0;
}

// How often each bit of a byte changes from one row to the next, over rows `stride` apart
// in the middle of the sample.
std::array<uint64_t, 8> BitChanges(const FileSample& sample, uint64_t stride) {
    std::array<uint64_t, 8> changes{};
    const std::vector<uint8_t>& bytes = sample.Largest().bytes;
    if (bytes.size() <= stride) return changes;
    const uint64_t span = std::min<uint64_t>(bytes.size() - stride, kBitPlaceBytes);
    const uint64_t first = stride + (bytes.size() - stride - span) / 2;
    for (uint64_t i = first; i < first + span; ++i) {
        const uint32_t changed = bytes[i] ^ bytes[i - stride];
        for (uint32_t bit = 0; bit < 8; ++bit) changes[bit] += changed >> bit & 1;
    }
    return changes;
}

// Whether the bits of a byte change from one row to the next at rates that depend on their
// place in the byte, as the bits of a wider value do (low bits flicker while high bits
// hold): bits that are pixels all change alike. The difference must be both large and
// more than chance in the bits counted.
bool BitPlacesDiffer(const std::array<uint64_t, 8>& changes) {
    double mean = 0;
    for (const uint64_t c : changes) mean += static_cast<double>(c) / 8;
    if (mean <= 0) return false;
    double chiSquare = 0;
    for (const uint64_t c : changes) chiSquare += (static_cast<double>(c) - mean) * (static_cast<double>(c) - mean) / mean;
    const auto [fewest, most] = std::minmax_element(changes.begin(), changes.end());
    return chiSquare > kBitPlaceChiSquare && *most > 2 * *fewest;
}

// The same for 4-bit pixels: the two halves of a byte are two pixels, whose bits change
// alike (measured within a fifth of each other), where the high half of a byte value holds
// while its low half flickers (half as often again, or more, in pictures).
bool NibblesDiffer(const std::array<uint64_t, 8>& changes) {
    uint64_t low = 0;
    uint64_t high = 0;
    for (uint32_t bit = 0; bit < 4; ++bit) {
        low += changes[bit];
        high += changes[bit + 4];
    }
    return low + high >= kNibbleChanges &&
           static_cast<double>(std::max(low, high)) > kNibbleRatio * static_cast<double>(std::min(low, high));
}

// Bits a byte added for what the pixel costs do not see: a picture far taller than wide or
// the reverse, bytes that are channels or are not, DXT1 blocks where the bytes show none or
// the reverse.
double Penalty(const FileSample& sample, const Layout& layout, const BlockEvidence& blocks, const BytePattern& bytes) {
    double penalty = layout.shape.padFromZeros ? -kZeroPadBonus : 0;
    const double aspect = std::abs(std::log2(static_cast<double>(layout.shape.width) / static_cast<double>(layout.rows)));
    penalty += 0.1 * std::max(0.0, aspect - 2);
    if (!EndsWithFile(layout, sample.FileSize())) penalty += kPartRowPenalty;
    if (layout.shape.depth == DepthDXT1) {
        const bool aligned = blocks.Evident() && (layout.offset - blocks.phase) % 8 == 0;
        penalty += aligned ? -2 : 2;
    } else if (blocks.Evident() && blocks.compared >= kManyBlocks) {
        penalty += 2;  // by chance, so many blocks in order would be unheard of
    }
    if (layout.shape.depth == Depth8 && LooksMultiChannel(sample, layout)) penalty += 1;
    // Three-byte pixels of a plain picture (red, green and blue alike) are smooth too.
    if (bytes.smooth && (layout.shape.depth == Depth16 || layout.shape.depth == Depth32)) penalty += 1;
    if (bytes.period != 0 && layout.shape.depth != DepthDXT1 && layout.shape.depth != Depth8 &&
        BytesPerPixel(layout.shape.depth) != bytes.period)
        penalty += 1;
    return penalty;
}

// The DXT1 offset: as HeaderEnd, but block by block on the block phase, comparing the
// brightness of first endpoints, which unlike the indices change smoothly.
int64_t BlockHeaderEnd(const FileSample& sample, uint64_t stride, int phase) {
    const std::vector<uint8_t> brightness = BlockBrightness(sample.Head().bytes, phase);
    const uint64_t rowBlocks = stride / 8;
    if (brightness.size() <= 2 * rowBlocks) return phase;
    const uint64_t span = std::min<uint64_t>(brightness.size() - 2 * rowBlocks, 8192);
    const int64_t blocks = ChangePoint(
        span, [&](uint64_t k) { return std::abs(brightness[k] - brightness[k + rowBlocks]); },
        [&](uint64_t k) { return std::abs(brightness[k + rowBlocks] - brightness[k + 2 * rowBlocks]); });
    return phase + 8 * blocks;
}

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
    if (varA / count < 4 || varB / count < 4) return std::nullopt;
    return (sumAB - sumA * sumB / count) / std::sqrt(varA * varB);
}

enum class Repeat { Unknown, Repeats, Differs };

// Whether rows `wide` bytes apart are `narrow`-byte rows side by side: then the mean of a
// column matches the mean of the column `narrow` bytes on, as the same picture column seen
// a row lower. Columns of a picture truly that wide differ. Neighbouring columns match in
// any smooth picture, so a repeat must also match better than columns half as far apart.
// Two-level pixels are compared by how many of a byte's bits are set, their grey level:
// the byte's value depends most on its first pixel.
Repeat RepeatsWithinRow(const FileSample& sample, uint64_t wide, uint64_t narrow, bool twoLevel) {
    const SampleWindow& window = sample.Largest();
    const uint64_t rows = std::min<uint64_t>({256, window.bytes.size() / 2 / wide, (uint64_t{1} << 20) / wide});
    if (rows < 4) return Repeat::Unknown;
    const uint64_t first = (window.bytes.size() - rows * wide) / 2;
    std::vector<double> mean(wide, 0);
    for (uint64_t r = 0; r < rows; ++r) {
        const uint8_t* row = &window.bytes[first + r * wide];
        for (uint64_t c = 0; c < wide; ++c) mean[c] += twoLevel ? 32.0 * BitCount(row[c]) : row[c];
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
// reading that costs clearly more than the wide one is not its row: a stack of rows costs
// about as much as the rows.
void PenalizeRowMultiples(const FileSample& sample, std::vector<Scored>& scored) {
    std::vector<std::tuple<PixelFormat, uint64_t, bool, double>> rows;
    for (const Scored& s : scored)
        rows.emplace_back(s.layout.shape.depth, s.layout.shape.stride, s.layout.shape.padFromZeros, s.cost);
    std::map<std::tuple<uint64_t, uint64_t, bool>, Repeat> repeats;
    for (Scored& s : scored) {
        double penalty = 0;
        for (const auto& [depth, stride, pinned, cost] : rows) {
            const uint64_t wide = s.layout.shape.stride;
            if (depth != s.layout.shape.depth || wide <= stride || wide % stride != 0) continue;
            if (cost > s.cost + kRowMultipleCostMargin) continue;
            const bool twoLevel = depth == Depth1;
            const auto key = std::make_tuple(wide, stride, twoLevel);
            if (repeats.find(key) == repeats.end()) repeats[key] = RepeatsWithinRow(sample, wide, stride, twoLevel);
            const Repeat repeat = repeats[key];
            penalty = std::max(penalty, pinned || repeat == Repeat::Repeats ? kRowMultiplePenalty
                                        : repeat == Repeat::Unknown      ? kRowMultipleTieBreak
                                                                         : 0.0);
        }
        s.cost += penalty;
    }
}

// A reading a pixel wider or narrower than the picture shears it by a pixel a row, which a
// picture whose texture runs diagonally can predict as well as the right reading. The row
// boundary tells them apart: at the right stride the last pixel of a row meets the first of
// the next at one place in every row, and there the step between neighbours stands out more
// than anywhere in a sheared reading, where that place moves along. Two-level pixels shear
// a byte a row, and show the boundary in their grey level.
void PenalizeShearedReadings(const std::vector<const std::vector<uint8_t>*>& windows,
                             const std::vector<uint8_t>& blockBrightness, const std::vector<uint8_t>& greyLevels,
                             std::vector<Scored>& scored) {
    // The values compared: the sampled bytes, a pixel a step; the brightness of blocks, a
    // block a step; or the grey level of two-level pixels, a byte of them a step.
    enum Values { Bytes, Blocks, Grey };
    const std::array<std::vector<const std::vector<uint8_t>*>, 3> sources{windows, {&blockBrightness}, {&greyLevels}};
    std::map<std::tuple<int, uint64_t, uint64_t>, double> seams;
    auto seam = [&](Values values, uint64_t stride, uint64_t grain) {
        const auto key = std::make_tuple(static_cast<int>(values), stride, grain);
        const auto found = seams.find(key);
        return found != seams.end() ? found->second : seams[key] = SeamStrength(sources[values], stride, grain);
    };
    for (Scored& s : scored) {
        const PixelFormat depth = s.layout.shape.depth;
        if (depth == Depth4) continue;
        const Values values = depth == DepthDXT1 ? Blocks : depth == Depth1 ? Grey : Bytes;
        if (sources[values].front()->empty()) continue;
        const uint64_t grain = values == Bytes ? BytesPerPixel(depth) : 1;
        const uint64_t stride = values == Blocks ? s.layout.shape.stride / 8 : s.layout.shape.stride;
        if (stride <= grain) continue;
        // As far as the strides tried beside a row stride reach: a few bytes, or a block.
        const uint64_t reach = values == Blocks ? 1 : std::max<uint64_t>(1, kBesideReach / grain);
        const double own = seam(values, stride, grain);
        double beside = 0;
        for (uint64_t k = 1; k <= reach && k * grain < stride; ++k)
            beside = std::max({beside, seam(values, stride - k * grain, grain), seam(values, stride + k * grain, grain)});
        // A boundary that stands out far more beside this reading leaves no doubt.
        if (beside > kShearMargin * own) s.cost += beside > kClearShearMargin * own ? kClearShearPenalty : kShearPenalty;
    }
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

// How sharply a lower cost (bits a byte) turns into a larger share of the confidence.
constexpr double kCostSharpness = 20;

// Starts a small file's picture is tried at, besides the one its rows point to.
constexpr int64_t kLongestHeader = 1024;

// Files this small are cheap to read at every depth, whatever their bytes look like.
constexpr int64_t kSmallFile = 65536;

}  // namespace

uint64_t RowBytes(PixelFormat depth, uint32_t width) {
    const uint64_t w = width;
    switch (depth) {
        case Depth1: return (w + 7) / 8;
        case Depth4: return (w + 1) / 2;
        case Depth8: return w;
        case Depth16: return w * 2;
        case Depth24: return w * 3;
        case Depth32: return w * 4;
        case DepthDXT1: return (w + 3) / 4 * 8;
    }
    return w;
}

std::vector<LayoutGuess> GuessLayout(const FileSample& sample, const LayoutHints& hints, size_t count) {
    CheckFileSize(sample, hints);
    uint64_t smallest = sample.FileSize();
    std::vector<const std::vector<uint8_t>*> windows;
    for (const SampleWindow& window : sample.Windows()) {
        smallest = std::min<uint64_t>(smallest, window.bytes.size());
        windows.push_back(&window.bytes);
    }
    const LagProfile profile(windows, std::min<uint64_t>(kMaxStride, smallest / 2));

    std::vector<uint64_t> besideStrides;
    std::vector<uint64_t> strides = StrideCandidates(profile, sample.Largest().bytes, true, &besideStrides);
    auto isIn = [](const std::vector<uint64_t>& list, uint64_t stride) {
        return std::find(list.begin(), list.end(), stride) != list.end();
    };
    // Two-level pixels repeat by their grey level, the bits set in a byte, rather than by
    // value: dithering changes the pattern of the bits from row to row. Those strides are
    // tried for them alone, for a lag a byte off the row stride is a diagonal to wider
    // pixels. A stride beside a row stride is tried for pixels of a byte or more alone:
    // blocks and two-level pixels have measures of their own.
    const BytePattern bytePattern = MeasureBytePattern(sample);
    // Bytes that are channels of wider pixels are not worth reading bit by bit; but in a
    // small file, a dither's patterns repeat every few bytes as channels do.
    const bool subBytePixels = bytePattern.period == 0 || hints.depth || sample.FileSize() <= kSmallFile;
    std::vector<uint64_t> twoLevelStrides;
    std::optional<LagProfile> greyProfile;
    std::vector<uint8_t> largestGrey;
    if (subBytePixels) {
        std::vector<std::vector<uint8_t>> greyLevels;
        for (const std::vector<uint8_t>* window : windows) greyLevels.push_back(GreyLevels(*window));
        std::vector<const std::vector<uint8_t>*> greyWindows;
        for (const std::vector<uint8_t>& grey : greyLevels) greyWindows.push_back(&grey);
        greyProfile.emplace(greyWindows, std::min<uint64_t>(kMaxStride, smallest / 2));
        largestGrey = std::move(greyLevels[static_cast<size_t>(&sample.Largest() - sample.Windows().data())]);
        for (const uint64_t stride : StrideCandidates(*greyProfile, sample.Largest().bytes, false))
            if (!isIn(strides, stride)) twoLevelStrides.push_back(stride);
    }
    std::vector<uint64_t> anyDepthStrides = strides;
    for (const uint64_t stride : twoLevelStrides) strides.push_back(stride);
    for (const uint64_t stride : besideStrides)
        if (!isIn(strides, stride)) strides.push_back(stride);
    auto addStride = [&](uint64_t stride) {
        if (!isIn(strides, stride)) strides.push_back(stride);
        if (!isIn(anyDepthStrides, stride)) anyDepthStrides.push_back(stride);
    };
    for (const uint64_t stride : HintedStrides(hints)) addStride(stride);
    // Bytes that show no rows (one value, noise) still get the usual sizes, as weak guesses.
    if (strides.empty()) {
        uint32_t width = 0;
        uint32_t height = 0;
        DefaultPictureSize(sample.FileSize(), width, height);
        for (const uint64_t stride : {uint64_t{width}, uint64_t{256}, uint64_t{512}, uint64_t{1024}}) addStride(stride);
    }

    const BlockEvidence blocks = MeasureBlockOrder(sample);
    std::vector<uint8_t> brightness;
    std::optional<LagProfile> blockProfile;
    if (blocks.Evident()) {
        brightness = BlockBrightness(sample.Largest().bytes, blocks.phase);
        blockProfile.emplace(std::vector<const std::vector<uint8_t>*>{&brightness},
                             std::min<uint64_t>(kMaxStride / 8, brightness.size() / 2));
        for (const uint64_t blockStride : StrideCandidates(*blockProfile, brightness)) addStride(blockStride * 8);
        // A few blocks show no clear dips: try every row length. Grainy textures of a few
        // thousand blocks dip at their rows too weakly to stand out: try the deepest dips.
        if (brightness.size() <= kAllRowLengthBlocks) {
            for (uint64_t blockStride = 2; blockStride * 4 <= brightness.size(); ++blockStride) addStride(blockStride * 8);
        } else if (brightness.size() <= kWeakDipBlocks) {
            std::vector<std::pair<double, uint64_t>> dips;
            for (uint64_t blockStride = 2; blockStride <= blockProfile->MaxLag(); ++blockStride)
                dips.emplace_back(blockProfile->Dip(blockStride), blockStride);
            const size_t kept = std::min(dips.size(), kWeakDipStrides);
            std::partial_sort(dips.begin(), dips.begin() + static_cast<std::ptrdiff_t>(kept), dips.end(), std::greater<>());
            for (size_t i = 0; i < kept; ++i) addStride(dips[i].second * 8);
        }
    }

    std::map<uint64_t, std::array<uint64_t, 8>> bitChanges;
    auto changesAt = [&](uint64_t stride) {
        const auto found = bitChanges.find(stride);
        return found != bitChanges.end() ? found->second : bitChanges[stride] = BitChanges(sample, stride);
    };
    // Bits that change from row to row as the bits of byte values do are not pixels.
    auto notPixels = [&](const Shape& shape) {
        if (shape.depth == Depth1) return BitPlacesDiffer(changesAt(shape.stride));
        if (shape.depth == Depth4) return NibblesDiffer(changesAt(shape.stride));
        return false;
    };
    std::vector<Scored> scored;
    for (const uint64_t stride : strides) {
        if (stride == 0) continue;
        const Columns columns = MeasureColumns(sample, stride);
        const int64_t headerEnd = hints.offset ? 0 : HeaderEnd(sample, stride);
        const bool anyDepth = isIn(anyDepthStrides, stride);
        for (const Shape& shape : ShapesForStride(stride, columns, hints)) {
            const bool subByte = shape.depth == Depth1 || shape.depth == Depth4;
            const bool tried = anyDepth || (subByte ? isIn(twoLevelStrides, stride)
                                                    : shape.depth != DepthDXT1 && isIn(besideStrides, stride));
            if (!Allowed(shape, hints) || !tried) continue;
            if (subByte && !subBytePixels) continue;
            Layout base;
            base.shape = shape;
            const bool blockOffset = shape.depth == DepthDXT1 && blocks.Evident();
            const bool phaseUsed = !(hints.offset || blockOffset) || (subByte && shape.padFromZeros);
            const int64_t phase = phaseUsed ? RowPhase(sample, shape, columns) : -1;
            if (hints.offset)
                base.offset = *hints.offset;
            else if (blockOffset)
                base.offset = ChooseBlockOffset(BlockHeaderEnd(sample, stride, blocks.phase), stride,
                                                sample.FileSize());
            else
                base.offset = ChooseOffset(phase, headerEnd, shape, sample.FileSize());
            if (base.offset > INT32_MAX) continue;
            // Zero columns of 1- or 4-bit pixels are pad or unused bits only where rows end:
            // elsewhere they are dark pixels.
            if (subByte && shape.padFromZeros && phase >= 0 && (base.offset - phase) % static_cast<int64_t>(stride) != 0)
                continue;
            double structure = Structure(profile, stride);
            if (shape.depth == DepthDXT1 && blockProfile) structure = std::max(structure, Structure(*blockProfile, stride / 8));
            if (subByte && greyProfile) structure = std::max(structure, TwoLevelStructure(*greyProfile, stride));
            const double notPixelsPenalty = notPixels(shape) ? kNotPixelsPenalty : 0;
            auto score = [&](Layout layout) {
                layout.rows = RowsInFile(shape, layout.offset, sample.FileSize());
                if (layout.rows < (hints.width ? 1 : kMinRows)) return;
                Scored best{layout, 1e9, structure};
                const double outsideBits = sample.IsWholeFile() ? OutsideBits(sample.Head(), layout) : 0;
                for (const Layout& variant : Variants(layout)) {
                    const double cost = WholeFileBitsPerByte(sample, variant, CostBitsPerByte(sample, variant), outsideBits) +
                                        Penalty(sample, variant, blocks, bytePattern) + notPixelsPenalty;
                    if (cost < best.cost) best = {variant, cost, best.structure};
                }
                scored.push_back(best);
            };
            score(base);
            // A few blocks show no clear header end: try every start where the last block
            // row ends with the file, below a usual header's length.
            if (blockOffset && sample.FileSize() <= static_cast<int64_t>(8 * kFewBlocks)) {
                const int64_t s = static_cast<int64_t>(stride);
                for (int64_t start = sample.FileSize() % s; start <= kLongestHeader; start += s) {
                    if (start == base.offset) continue;
                    Layout other = base;
                    other.offset = start;
                    score(other);
                }
            }
            // A header's end is found to within a row where the rows next to it look alike:
            // the row before is the other likely start.
            if (!hints.offset && shape.depth != DepthDXT1 && base.offset >= static_cast<int64_t>(stride)) {
                Layout earlier = base;
                earlier.offset -= static_cast<int64_t>(stride);
                score(earlier);
            }
        }
    }
    PenalizeRowMultiples(sample, scored);
    PenalizeShearedReadings(windows, brightness, largestGrey, scored);
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

std::vector<LayoutGuess> GuessFileLayout(FileHandle file, const LayoutHints& hints, size_t count) {
    return GuessLayout(FileSample::Read(file), hints, count);
}
