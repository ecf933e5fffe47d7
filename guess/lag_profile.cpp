#include "guess/lag_profile.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// The lags either side of a lag that its dip is measured against. Set in the first
// version (932a95d), not tuned since.
constexpr uint64_t kDipNeighbours = 8;
// Windows whose every position costs at most this many byte comparisons are measured at
// every position; larger ones at kLagRuns runs of kLagRunBytes spread over the window.
// 64 runs of 64 bytes instead of 16 of 256: a logo on white gave chance dips (9a746a9).
constexpr uint64_t kEveryPositionWork = uint64_t{32} << 20;
constexpr uint64_t kLagRuns = 64;
constexpr uint64_t kLagRunBytes = 64;
// Rows a row boundary is measured over, per window: at least 32 and at most 64, about
// 64 KB (4df3953; 12e3f06: every sampled window, at least 32 rows each).
constexpr uint64_t kSeamMinRows = 32;
constexpr uint64_t kSeamMaxRows = 64;
constexpr uint64_t kSeamBytes = uint64_t{1} << 16;
// A dip this deep (share of the difference around it) gives no confidence, one this much
// deeper full confidence; rows too long to measure keep kUnmeasuredStructure, never a
// confident guess (f14a8a7). Set in the first version (932a95d).
constexpr double kShallowDip = 0.1;
constexpr double kDipRange = 0.3;
constexpr double kUnmeasuredStructure = 0.2;

// The distance of two bytes, computed on bytes so that compilers make vector code of the
// loops that sum it.
uint8_t ByteDistance(uint8_t a, uint8_t b) { return a > b ? static_cast<uint8_t>(a - b) : static_cast<uint8_t>(b - a); }

// Sums of absolute differences are what the lag profile spends its time on: where the
// processor has an instruction for 16 bytes at once, it is used; elsewhere the loop is
// written on bytes throughout, so that compilers can still turn it into vector code.
uint32_t SumAbsDiff(const uint8_t* a, const uint8_t* b, size_t count) {
    uint32_t sum = 0;
    size_t i = 0;
#ifdef __SSE2__
    __m128i total = _mm_setzero_si128();
    for (; i + 16 <= count; i += 16) {
        __m128i x, y;
        std::memcpy(&x, a + i, 16);
        std::memcpy(&y, b + i, 16);
        total = _mm_add_epi64(total, _mm_sad_epu8(x, y));
    }
    sum = static_cast<uint32_t>(_mm_cvtsi128_si32(total)) + static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(total, 8)));
#endif
    for (; i < count; ++i) sum += ByteDistance(a[i], b[i]);
    return sum;
}

// Visits the step of `grain` values across each place of rows `stride` apart, as
// `visit(place, step)`, over rows from the middle of `values`; false when they hold too
// few rows.
template <typename Visit>
bool ForEachStep(const std::vector<uint8_t>& values, uint64_t stride, uint64_t grain, Visit visit) {
    if (values.size() < grain + 3 * stride) return false;
    const uint64_t rows = std::min<uint64_t>({kSeamMaxRows, std::max<uint64_t>(kSeamMinRows, kSeamBytes / stride),
                                              (values.size() - grain) / stride - 1});
    const uint64_t first = grain + (values.size() - grain - rows * stride) / 2;
    for (uint64_t row = 0; row < rows; ++row) {
        const uint8_t* at = &values[first + row * stride];
        const uint8_t* before = at - grain;
        for (uint64_t c = 0; c < stride; ++c) visit(c, ByteDistance(at[c], before[c]));
    }
    return true;
}

// The strongest of `steps` summed over `grain` places side by side, wrapping round at the
// row's end, against `mean` steps there.
template <typename Step>
double StrongestPlace(const std::vector<Step>& steps, uint64_t grain, double mean) {
    const uint64_t stride = steps.size();
    if (mean <= 0) return 0;
    auto at = [&](uint64_t place) { return static_cast<double>(steps[place < stride ? place : place % stride]); };
    double across = 0;
    for (uint64_t j = 0; j < grain; ++j) across += at(j);
    double best = across;
    for (uint64_t c = 1; c < stride; ++c) {
        across += at(c + grain - 1) - at(c - 1);
        best = std::max(best, across);
    }
    return best / (mean * static_cast<double>(grain));
}

}  // namespace

// Set bits, by adding neighbouring counts in parallel: without a processor instruction
// for it, this is several times faster than a library call.
uint32_t BitCount(uint64_t x) {
    x = x - (x >> 1 & 0x5555555555555555ull);
    x = (x & 0x3333333333333333ull) + (x >> 2 & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<uint32_t>((x * 0x0101010101010101ull) >> 56);
}

std::vector<uint8_t> GreyLevels(const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> grey(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) grey[i] = static_cast<uint8_t>(BitCount(bytes[i]));
    return grey;
}

LagProfile::LagProfile(const ByteWindows& sequences, uint64_t maxLag) : m_sum(maxLag + 1), m_count(maxLag + 1) {
    for (const std::vector<uint8_t>* sequence : sequences) Add(*sequence);
}

double LagProfile::Dip(uint64_t lag) const {
    if (!Has(lag)) return 0;
    double around = 0;
    int counted = 0;
    for (uint64_t other = lag > kDipNeighbours ? lag - kDipNeighbours : 1; other <= lag + kDipNeighbours; ++other) {
        if (other == lag || !Has(other)) continue;
        around += At(other);
        ++counted;
    }
    if (counted == 0 || around <= 0) return 0;
    return 1 - At(lag) / (around / counted);
}

uint64_t DeepestDip(const LagProfile& profile, uint64_t shortest) {
    uint64_t deepest = 0;
    double best = 0;
    for (uint64_t lag = shortest; lag <= profile.MaxLag(); ++lag) {
        const double dip = profile.Dip(lag);
        if (dip > best) {
            best = dip;
            deepest = lag;
        }
    }
    return deepest;
}

void LagProfile::Add(const std::vector<uint8_t>& bytes) {
    const uint64_t size = bytes.size();
    const uint64_t maxLag = std::min<uint64_t>(MaxLag(), size / 2);
    // Small windows: every position. Large ones: runs of positions spread over the window.
    const uint64_t runBytes = size * maxLag <= kEveryPositionWork ? size : kLagRunBytes;
    const uint64_t runs = runBytes == size ? 1 : kLagRuns;
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

double SeamStrength(const ByteWindows& windows, uint64_t stride, uint64_t grain) {
    // Whole numbers, summed exactly: at most 64 rows of 255 a window.
    std::vector<uint32_t> sum(stride, 0);
    for (const std::vector<uint8_t>* values : windows)
        ForEachStep(*values, stride, grain, [&](uint64_t c, uint8_t step) { sum[c] += step; });
    double total = 0;
    for (const uint32_t s : sum) total += s;
    return StrongestPlace(sum, grain, total / static_cast<double>(stride));
}

double SeamInMostRows(const ByteWindows& windows, uint64_t stride, uint64_t grain) {
    std::vector<uint8_t> steps;  // row after row, each `stride` places
    double total = 0;
    for (const std::vector<uint8_t>* values : windows) {
        ForEachStep(*values, stride, grain, [&](uint64_t, uint8_t step) {
            steps.push_back(step);
            total += step;
        });
    }
    const uint64_t rows = steps.size() / stride;
    if (rows == 0) return 0;
    std::vector<double> medians(stride, 0);
    std::vector<uint8_t> place(rows);
    for (uint64_t c = 0; c < stride; ++c) {
        for (uint64_t r = 0; r < rows; ++r) place[r] = steps[r * stride + c];
        std::nth_element(place.begin(), place.begin() + static_cast<std::ptrdiff_t>(rows / 2), place.end());
        medians[c] = place[rows / 2];
    }
    return StrongestPlace(medians, grain, total / static_cast<double>(steps.size()));
}

double Structure(const LagProfile& profile, uint64_t stride) {
    if (!profile.Has(stride)) return kUnmeasuredStructure;
    return std::clamp((profile.Dip(stride) - kShallowDip) / kDipRange, 0.0, 1.0);
}
