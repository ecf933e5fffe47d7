// The pixel families, one place each for their own rules: 1-bit (family_1bit.cpp), 4-bit
// (family_4bit.cpp), 8-bit (family_8bit.cpp), 16, 24 and 32-bit (family_rgb.cpp) and DXT1
// (family_dxt1.cpp). Each answers the same questions, fed the same Evidence: which shapes a
// row gives, which strides and starts it is tried at, whether the bytes look like it, and
// what its reading costs. The stages ask them and combine the answers.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "guess/evidence.h"
#include "guess/reading.h"

// Where the strides to try came from (stage 2).
struct StrideList {
    std::vector<uint64_t> all;       // every stride to try, in the order tried
    std::vector<uint64_t> anyDepth;  // tried at every depth
    std::vector<uint64_t> twoLevel;  // from the grey level of bytes: pixels within a byte
    std::vector<uint64_t> beside;    // a few bytes beside a row stride: pixels of a byte or more

    static bool IsIn(const std::vector<uint64_t>& list, uint64_t stride);
};

// The values whose row boundaries tell a reading from a sheared one (stage 6).
struct RowValues {
    enum Source { NotJudged, Bytes, Blocks, Grey } source = NotJudged;
    uint64_t grain = 1;          // values a step
    uint64_t bytesPerValue = 1;  // bytes of the stride a value stands for
    uint64_t reach = 1;          // values beside the stride compared
};

class PixelFamily {
public:
    virtual ~PixelFamily() = default;

    // Shapes (stage 3).
    virtual uint64_t RowBytes(uint32_t width) const = 0;
    // Bytes of a pixel, or of a block; 1 for pixels within a byte.
    virtual uint32_t BytesPerPixel() const { return 1; }
    // Pixels in a byte when there are several, the last of a row maybe unused bits; else 0.
    virtual uint32_t PixelsPerByte() const { return 0; }
    // Rows of pixels a stride of bytes holds: 4 for a row of DXT1 blocks.
    virtual uint64_t PixelRowsPerRow() const { return 1; }
    // The shapes of rows of `rowBytes` bytes and `pad` more, appended to `shapes`.
    virtual void AddShapes(std::vector<Shape>& shapes, uint64_t rowBytes, uint64_t pad, uint64_t stride,
                           bool fromZeros) const = 0;

    // Strides (stage 2): whether its shapes are worth trying at the stride.
    virtual bool Tries(const Evidence& evidence, const StrideList& strides, uint64_t stride) const;

    // Start (stage 4): a start of its own that the bytes show, if any.
    virtual std::optional<int64_t> OwnStart(const Evidence&, uint64_t) const { return std::nullopt; }
    // Zero columns of its shapes are pad or unused bits only where rows end.
    virtual bool ZerosOnlyWhereRowsEnd() const { return false; }
    // The starts to score, the start found first.
    virtual std::vector<int64_t> StartsToTry(const Evidence& evidence, const Shape& shape, int64_t start) const;

    // Look: how clearly its rows line up, 0 to 1 (the confidence); whether its pixels are
    // values instead; penalties for what its pixels' cost does not see, added to `penalty`
    // one by one.
    virtual double Structure(const Evidence& evidence, uint64_t stride) const;
    virtual bool LooksLikeValues(Evidence&, uint64_t) const { return false; }
    virtual void AddPenalties(const Evidence&, const Layout&, double&) const {}

    // Cost (stage 5): the readings of a shape's bytes, their planes, and whether a channel
    // may be coded from the previous channel's residual.
    virtual std::vector<Layout> Variants(const Layout& base) const { return {base}; }
    virtual std::vector<Plane> EmptyPlanes(const Layout& layout) const = 0;
    virtual void AppendRow(const Layout& layout, const uint8_t* row, std::vector<Plane>& planes) const = 0;
    virtual bool ChannelsAlike() const { return false; }

    // Ranking (stage 6): the values that show its row boundaries.
    virtual RowValues Seams() const { return {}; }
};

const PixelFamily& FamilyOf(PixelFormat depth);

// Every family, in the order their shapes are listed.
const std::vector<const PixelFamily*>& Families();

// The families themselves, each defined in its own file.
const PixelFamily& OneBitFamily();
const PixelFamily& FourBitFamily();
const PixelFamily& EightBitFamily();
const PixelFamily& RgbFamily(PixelFormat depth);  // 16, 24 or 32-bit
const PixelFamily& Dxt1Family();

// The row boundaries of pixels `grain` values wide, compared as far as kBesideReach bytes reach.
RowValues PixelSeams(RowValues::Source source, uint64_t grain);

// Pixels of a byte a channel (8, 24 and 32-bit): a plane per channel, predicted from neighbours.
std::vector<Plane> ByteChannelPlanes(uint32_t channels);
void AppendByteChannels(uint32_t width, uint32_t channels, const uint8_t* row, std::vector<Plane>& planes);
