#include "guess/cost.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "guess/family_dxt1.h"
#include "guess/strides.h"

namespace {

// Bands of about this many bytes, from kBandMinRows to kBandMaxRows rows, are costed.
// Set in the first version (932a95d); at least three rows since 2c2f388.
constexpr uint64_t kBandBytes = 8192;
constexpr uint64_t kBandMaxRows = 4096;
constexpr uint64_t kBandMinRows = 3;
// A file read whole is costed in this many bands, spread through it (932a95d).
constexpr int kBandsPerWholeFile = 3;
// A pad found as zero columns wins a tie against reading those columns as pixels (932a95d).
constexpr double kZeroPadBonus = 0.02;
// A picture more than 2^kSquareOctaves times as wide as tall, or the reverse, pays
// kAspectPenalty a byte for each further doubling (932a95d).
constexpr double kSquareOctaves = 2;
constexpr double kAspectPenalty = 0.1;
// Except rows of glyphs (kGlyphRowBytes) of a font's worth: 128 glyphs 8 rows tall to 512
// glyphs 32 rows tall, the most a console font holds (without these bounds a 4096 x 4096
// built-in and a 100 x 75 tune-half 1-bit picture were read 8 wide; up to 2048 glyphs,
// 30 KB grey sprites on black were read as glyphs, 4 on the tuning half).
constexpr uint64_t kGlyphTableMinRows = 1024;
constexpr uint64_t kGlyphTableMaxRows = uint64_t{1} << 14;
// Most files hold a picture and nothing after it: a reading that leaves part of a row at
// the end is a little less likely (ace1227: 0.5 instead gains 0.3% more, not worth leaning
// harder on files that end with their picture).
constexpr double kPartRowPenalty = 0.3;
// Bits that change from row to row as the bits of byte values do are not pixels (7e5e3bc).
constexpr double kNotPixelsPenalty = 1;
// Rows a reading must hold, unless the width is given. Set in the first version (932a95d).
constexpr uint64_t kMinRows = 4;

// The median of left, up and the gradient left + up - upLeft (LOCO-I's predictor), written
// as a clamp so that it compiles without branches.
int Predict(int left, int up, int upLeft) {
    return std::clamp(left + up - upLeft, std::min(left, up), std::max(left, up));
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
        const double bits = -n * std::log2((1 - theta) / (1 + theta)) - static_cast<double>(m_sum) * std::log2(theta) +
                            0.5 * std::log2(n + 1);
        return std::min(plain, bits);
    }

private:
    uint64_t m_count = 0;
    uint64_t m_sum = 0;
};

// How busy the neighbourhood is, in four steps: residuals of flat parts and of edges are
// counted apart, as lossless image coders do. The step up and to the right counts too:
// without it a picture of slanting shapes cost less read a pixel narrower, its up-right
// neighbour then above it (a dolphin on black, read 276 wide for 277).
uint32_t Activity(int left, int up, int upLeft, int upRight) {
    const int change = std::abs(left - upLeft) + std::abs(up - upLeft) + std::abs(upRight - up);
    return static_cast<uint32_t>(change > 0) + (change > 2) + (change > 12);
}

// The signed residuals of a median-predicted plane, rows after the first, with the
// activity context of each.
struct Residuals {
    std::vector<int> values;
    std::vector<uint8_t> contexts;
};

// A residual of a `bits`-bit channel taken modulo its range, into -range/2 .. range/2 - 1.
int Fold(int residual, uint32_t bits) {
    const int half = 1 << (bits - 1);
    return ((residual + half) & (2 * half - 1)) - half;
}

Residuals MedianResiduals(const Plane& plane, uint64_t rows) {
    Residuals residuals;
    const uint64_t perRow = plane.values.size() / rows;
    residuals.values.resize(plane.values.size() - perRow);
    residuals.contexts.resize(plane.values.size() - perRow);
    int* value = residuals.values.data();
    uint8_t* context = residuals.contexts.data();
    for (uint64_t y = 1; y < rows; ++y) {
        const uint16_t* row = &plane.values[y * perRow];
        const uint16_t* up = row - perRow;
        for (uint64_t x = 0; x < perRow; ++x) {
            const int left = x == 0 ? up[0] : row[x - 1];
            const int upLeft = x == 0 ? up[0] : up[x - 1];
            *value++ = Fold(row[x] - Predict(left, up[x], upLeft), plane.bits);
            const int upRight = x + 1 < perRow ? up[x + 1] : up[x];
            *context++ = static_cast<uint8_t>(Activity(left, up[x], upLeft, upRight));
        }
    }
    return residuals;
}

// A residual of a channel `fromBits` wide, scaled to one `toBits` wide: the fields of a
// 16-bit pixel are 5 or 6 bits, and a grey pixel's 6-bit green errs twice as much as its red.
int ScaledResidual(int residual, uint32_t fromBits, uint32_t toBits) {
    return toBits >= fromBits ? residual * (1 << (toBits - fromBits)) : residual / (1 << (fromBits - toBits));
}

double ResidualBits(const Residuals& residuals, uint32_t bits, const Residuals* previousChannel, uint32_t previousBits) {
    std::array<ResidualModel, 4> models{};
    for (size_t i = 0; i < residuals.values.size(); ++i) {
        const int value =
            previousChannel
                ? Fold(residuals.values[i] - ScaledResidual(previousChannel->values[i], previousBits, bits), bits)
                : residuals.values[i];
        models[residuals.contexts[i]].Add(static_cast<uint32_t>(std::abs(value)));
    }
    double total = 0;
    for (const ResidualModel& model : models) total += model.Bits(bits);
    return total;
}

// Total bits of a reading's planes, rows after the first. Byte channels may also be coded
// as the difference of their residual from the previous channel's, as colour coders do:
// the channels of a pixel mostly err alike.
double PlanesBits(const std::vector<Plane>& planes, uint64_t rows, bool channelsAlike) {
    double bits = 0;
    Residuals previous;
    uint32_t previousBits = 0;
    for (const Plane& plane : planes) {
        if (plane.ownCoder) {
            bits += plane.ownCoder(plane, rows);
        } else {
            Residuals residuals = MedianResiduals(plane, rows);
            double own = ResidualBits(residuals, plane.bits, nullptr, 0);
            if (channelsAlike && !previous.values.empty())
                own = std::min(own, ResidualBits(residuals, plane.bits, &previous, previousBits));
            bits += own;
            previous = std::move(residuals);
            previousBits = plane.bits;
        }
    }
    return bits;
}

// Rows of data: pixel rows, or block rows for DXT1.
uint64_t DataRows(const PixelFamily& family, const Layout& layout) { return layout.rows / family.PixelRowsPerRow(); }

// Where a band is centred, how many of the sample's bytes it stands for, and which
// stretch around the picture span it lies in, if any.
struct BandCentre {
    int64_t middle;
    double weight;
    int around;  // 0 before the span, 1 after it, -1 neither
};

// Bands spread through each window. Of a file read whole with other bytes around its
// picture span, through the span and one in the middle of each stretch around it, each
// weighed by the bytes it stands for: read as a picture's rows, the bytes around it cost
// what they cost, and a reading of the span alone (the pipeline's region readings) is
// judged on the same bytes.
std::vector<BandCentre> BandCentres(const Evidence& evidence, int bandsPerWindow) {
    std::vector<BandCentre> centres;
    auto spread = [&](int64_t begin, int64_t end, int bands, int around) {
        for (int band = 0; band < bands; ++band)
            centres.push_back({begin + (end - begin) * (band + 1) / (bands + 1), static_cast<double>(end - begin) / bands, around});
    };
    const std::optional<ByteSpan>& span = evidence.pictureSpan;
    if (span && bandsPerWindow > 1) {
        const int64_t begin = static_cast<int64_t>(span->begin);
        const int64_t end = static_cast<int64_t>(span->end);
        if (begin > 0) spread(0, begin, 1, 0);
        spread(begin, end, bandsPerWindow, -1);
        if (end < evidence.sample.FileSize()) spread(end, evidence.sample.FileSize(), 1, 1);
        return centres;
    }
    for (const SampleWindow& window : evidence.sample.Windows()) spread(window.start, window.End(), bandsPerWindow, -1);
    return centres;
}

// Bits a byte of a reading's bands, weighed by the bytes each stands for, and of the
// stretches around the picture span.
struct BandCost {
    double bitsPerByte = 8;
    std::array<double, 2> around{-1, -1};
};

BandCost CostBands(const Evidence& evidence, const PixelFamily& family, const Layout& layout) {
    const FileSample& sample = evidence.sample;
    const uint64_t stride = layout.shape.stride;
    const uint64_t rowBytes = family.RowBytes(layout.shape.width);
    const uint64_t dataRows = DataRows(family, layout);
    uint64_t bandRows = std::min<uint64_t>({kBandMaxRows, std::max<uint64_t>(kBandMinRows, kBandBytes / stride), dataRows});
    int bandsPerWindow = sample.IsWholeFile() ? kBandsPerWholeFile : 1;
    // Bands that would overlap cost the same rows again: a small picture is costed once, whole.
    if (dataRows < bandRows * static_cast<uint64_t>(bandsPerWindow)) {
        bandRows = dataRows;
        bandsPerWindow = 1;
    }
    BandCost cost;
    if (bandRows < 2) return cost;
    double bitsPerByte = 0;
    double weights = 0;
    const int64_t pictureEnd = layout.offset + static_cast<int64_t>(dataRows * stride);
    for (const BandCentre& centre : BandCentres(evidence, bandsPerWindow)) {
        const int64_t wantedRow = (centre.middle - layout.offset) / static_cast<int64_t>(stride) - static_cast<int64_t>(bandRows / 2);
        const uint64_t firstRow = static_cast<uint64_t>(std::clamp<int64_t>(wantedRow, 0, static_cast<int64_t>(dataRows - bandRows)));
        const int64_t start = layout.offset + static_cast<int64_t>(firstRow * stride);
        const uint8_t* data = sample.At(start, (bandRows - 1) * stride + rowBytes);
        if (data == nullptr) continue;
        std::vector<Plane> planes = family.EmptyPlanes(layout);
        for (Plane& plane : planes) plane.values.reserve(bandRows * family.PixelRowsPerRow() * layout.shape.width);
        for (uint64_t r = 0; r < bandRows; ++r) family.AppendRow(layout, data + r * stride, planes);
        const double rate = PlanesBits(planes, bandRows, family.ChannelsAlike()) / static_cast<double>((bandRows - 1) * stride);
        bitsPerByte += centre.weight * rate;
        weights += centre.weight;
        const bool covered = layout.offset <= centre.middle && centre.middle < pictureEnd;
        if (centre.around >= 0 && covered) cost.around[static_cast<size_t>(centre.around)] = rate;
    }
    if (weights > 0) cost.bitsPerByte = bitsPerByte / weights;
    return cost;
}

// Bits of the bytes a reading leaves outside its picture, a header before it and whatever
// follows its last row, each stretch coded by its own byte counts.
double OutsideBits(const SampleWindow& whole, const PixelFamily& family, const Layout& layout) {
    const uint64_t pictureBytes = DataRows(family, layout) * layout.shape.stride;
    const uint64_t start = static_cast<uint64_t>(std::max<int64_t>(0, layout.offset));
    const uint64_t end = std::min<uint64_t>(whole.bytes.size(), start + pictureBytes);
    const size_t before = static_cast<size_t>(std::min<uint64_t>(start, whole.bytes.size()));
    const size_t after = static_cast<size_t>(end);
    return StretchBits(whole.bytes.data(), before) + StretchBits(whole.bytes.data() + after, whole.bytes.size() - after);
}

// Of a file read whole, a reading must explain every byte: its cost is that of the
// picture's bytes and of those outside it, a byte of the file. Otherwise a header of zeros
// read as dark pixels makes a cheap picture.
double WholeFileBitsPerByte(const FileSample& sample, const PixelFamily& family, const Layout& layout,
                            double pictureBitsPerByte, double outsideBits) {
    if (!sample.IsWholeFile()) return pictureBitsPerByte;
    const double fileBytes = static_cast<double>(sample.FileSize());
    const double pictureBytes = std::min(fileBytes, static_cast<double>(DataRows(family, layout) * layout.shape.stride));
    return (pictureBitsPerByte * pictureBytes + outsideBits) / fileBytes;
}

// Whether the reading's last row ends where the file does (the last row's pad may be left
// out), as it does in files that hold a picture and nothing after it.
bool EndsWithFile(const Layout& layout, int64_t fileSize) {
    const uint64_t left = static_cast<uint64_t>(fileSize - layout.offset);
    const uint64_t stride = layout.shape.stride;
    return left % stride == 0 || (left + layout.shape.linePad) % stride == 0;
}

// Bits a byte added for what the pixels' cost does not see: a picture far taller than wide
// or the reverse, part of a row at the file's end, DXT1 blocks where the bytes show none or
// the reverse, and each family's own signs that the bytes are not its pixels; added one by
// one in that order.
double Penalty(const Evidence& evidence, const PixelFamily& family, const Layout& layout) {
    double penalty = layout.shape.padFromZeros ? -kZeroPadBonus : 0;
    const double aspect = std::abs(std::log2(static_cast<double>(layout.shape.width) / static_cast<double>(layout.rows)));
    const bool glyphTable = layout.shape.stride <= kGlyphRowBytes && layout.rows >= kGlyphTableMinRows &&
                            layout.rows <= kGlyphTableMaxRows;
    if (!glyphTable) penalty += kAspectPenalty * std::max(0.0, aspect - kSquareOctaves);
    if (evidence.endIsFileEnd && !EndsWithFile(layout, evidence.sample.FileSize())) penalty += kPartRowPenalty;
    penalty += BlockOrderPenalty(evidence.blocks, layout);
    family.AddPenalties(evidence, layout, penalty);
    return penalty;
}

}  // namespace

double CodeLengthBits(const std::vector<uint32_t>& histogram, uint64_t count, double prior) {
    if (count == 0) return 0;
    const double symbols = static_cast<double>(histogram.size());
    double nats = std::lgamma(static_cast<double>(count) + prior * symbols) - std::lgamma(prior * symbols);
    for (const uint32_t n : histogram)
        if (n > 0) nats -= std::lgamma(n + prior) - std::lgamma(prior);
    return nats / std::log(2.0);
}

double StretchBits(const uint8_t* bytes, size_t count) {
    std::vector<uint32_t> histogram(256);
    for (size_t i = 0; i < count; ++i) ++histogram[bytes[i]];
    return CodeLengthBits(histogram, count, 0.5);
}

uint64_t RowsInFile(const PixelFamily& family, const Shape& shape, int64_t offset, int64_t fileSize) {
    if (offset >= fileSize) return 0;
    const uint64_t left = static_cast<uint64_t>(fileSize - offset);
    if (left < shape.stride - shape.linePad) return 0;
    return (left + shape.linePad) / shape.stride * family.PixelRowsPerRow();
}

std::optional<Scored> ScoreReading(Evidence& evidence, const PixelFamily& family, Layout layout, double structure) {
    const FileSample& sample = evidence.sample;
    layout.rows = RowsInFile(family, layout.shape, layout.offset, sample.FileSize());
    if (layout.rows < (evidence.hints.width ? 1 : kMinRows)) return std::nullopt;
    const double notPixelsPenalty = family.LooksLikeValues(evidence, layout.shape.stride) ? kNotPixelsPenalty : 0;
    Scored best{layout, 1e9, structure};
    // The same for every variant of a reading.
    const double outsideBits = sample.IsWholeFile() ? OutsideBits(sample.Head(), family, layout) : 0;
    for (const Layout& variant : family.Variants(layout)) {
        const BandCost bands = CostBands(evidence, family, variant);
        const double cost = WholeFileBitsPerByte(sample, family, variant, bands.bitsPerByte, outsideBits) +
                            Penalty(evidence, family, variant) + notPixelsPenalty;
        if (cost < best.cost) best = {variant, cost, best.structure, bands.around};
    }
    return best;
}
