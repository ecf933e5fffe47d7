// Stage 2's measures, the lag profile: how much bytes differ from those a given lag on, and
// how clearly rows a given stride apart show the one place where a row meets the next.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

using ByteWindows = std::vector<const std::vector<uint8_t>*>;

// Set bits, by adding neighbouring counts in parallel.
uint32_t BitCount(uint64_t x);

// Set bits of each byte: the grey level of eight two-level pixels, which dithering keeps
// from row to row though the pattern of the bits changes.
std::vector<uint8_t> GreyLevels(const std::vector<uint8_t>& bytes);

// Mean difference of bytes `lag` apart, for every lag up to the largest.
class LagProfile {
public:
    LagProfile(const ByteWindows& sequences, uint64_t maxLag);

    uint64_t MaxLag() const { return m_sum.size() - 1; }
    bool Has(uint64_t lag) const { return lag >= 1 && lag <= MaxLag() && m_count[lag] > 0; }
    double At(uint64_t lag) const { return m_sum[lag] / static_cast<double>(m_count[lag]); }

    // How far the difference at `lag` dips below that of the lags around it: 0 for none,
    // towards 1 for rows that match exactly.
    double Dip(uint64_t lag) const;

private:
    void Add(const std::vector<uint8_t>& bytes);

    std::vector<double> m_sum;
    std::vector<uint64_t> m_count;
};

// The lag from `shortest` on whose difference dips deepest below the lags around it, 0 for none.
uint64_t DeepestDip(const LagProfile& profile, uint64_t shortest);

// How clearly rows `stride` apart show a boundary: the largest mean step between values
// `grain` apart at one place in the row, against the mean step anywhere. At the row stride
// the last pixel of a row meets the first of the next at one place; a stride a pixel off
// moves that place along every row, and no place stands out.
double SeamStrength(const ByteWindows& windows, uint64_t stride, uint64_t grain);

// The same with the step that half the rows reach at each place: a row boundary is seen in
// most rows, where a long edge running diagonally is seen in some.
double SeamInMostRows(const ByteWindows& windows, uint64_t stride, uint64_t grain);

// How clearly the rows line up at `stride`, 0 to 1, for the confidence.
double Structure(const LagProfile& profile, uint64_t stride);
