// What 1-bit and 4-bit pixels, several to a byte, have in common: they are tried at the
// strides of the grey level of bytes, their zero columns may be unused bits, their rows
// line up by grey level, their bits are read in either order, and bits that change from
// row to row as the bits of byte values do are not pixels.
#pragma once

#include <array>
#include <cstdint>

#include "guess/family.h"

// Whether pixels within a byte are worth trying at all.
bool PackedPixelsTried(const BytePattern& pattern, const LayoutHints& hints, int64_t fileSize);

class PackedPixels : public PixelFamily {
public:
    bool Tries(const Evidence& evidence, const StrideList& strides, uint64_t stride) const override;
    bool ZerosOnlyWhereRowsEnd() const override { return true; }
    double Structure(const Evidence& evidence, uint64_t stride) const override;
    void AddPenalties(const Evidence& evidence, const Layout& layout, double& penalty) const override;
    std::vector<Layout> Variants(const Layout& base) const override;

protected:
    // How often each bit of a byte changes from one row to the next, over rows `stride`
    // apart in the middle of the sample, measured once a stride.
    static std::array<uint64_t, 8> BitChanges(Evidence& evidence, uint64_t stride);
    // Whether neighbouring pixels of `bits` bits (1 or 4) differ far less often inside a group
    // (a nibble for 1-bit pixels, a byte for 4-bit ones) than from one group to the next:
    // then the groups are the pixels, as in a two-level picture of wider pixels, whose
    // values are all ones or all zeros.
    static bool ComeInGroups(const Evidence& evidence, uint32_t bits);
};

NeighbourChanges CountNeighbourChanges(const std::vector<uint8_t>& bytes);
