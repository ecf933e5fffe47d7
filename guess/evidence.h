// What the guess measures once over the sample and hands every pixel family alike, as a
// character-set detector feeds each of its probers the same bytes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "guess/lag_profile.h"
#include "guess/layout_guess.h"
#include "guess/memo.h"
#include "guess/region.h"

// DXT1's own measure (family_dxt1.cpp): encoders write an opaque block's first colour
// endpoint above its second, so in DXT1 data one of the eight byte phases has nearly every
// pair of 16-bit values in falling order.
struct BlockEvidence {
    int phase = -1;
    double ordered = 0;
    uint64_t compared = 0;

    double indicesOrdered = 0;  // the same share four bytes on, where the indices lie

    bool Evident() const;
};

// What the bytes alone say of a pixel's size: in pixels of 2, 3 or 4 channel bytes, a byte
// is nearer its channel in the next pixel than the next byte (`period`, 0 when no such
// width stands out); in grey pixels a byte is nearer the next byte than any further one,
// and further the further on (`smooth`), which channels of wider pixels never are.
struct BytePattern {
    uint32_t period = 0;
    bool smooth = false;
    // The one byte in four, by file position modulo 4, that keeps one value where the
    // other three do not, as the alpha or unused byte of 32-bit pixels does; -1 for none.
    int steadyLane = -1;
    // Steps between a byte of 0 and one of 255, by the file position of the second modulo
    // 12: the edges of a two-level picture, which fall between pixels only.
    std::array<uint32_t, 12> edgeLanes{};
    // The steps between neighbouring bytes, summed by the file position of the second
    // modulo 3: inside a three-byte pixel whose channels are alike they are smaller than
    // from one pixel to the next; one-byte grey pixels step alike in every place.
    std::array<double, 3> stepLanes{};
};

// Whether a two-level picture's edges fall inside pixels of `bytes` bytes as often as
// between them, as they do where each byte is a pixel.
bool EdgesInsidePixels(const BytePattern& pattern, uint32_t bytes);

// Whether the bytes step alike in each place of a three-byte pixel, as grey pixels do.
bool StepsAlikeInThreeBytePixels(const BytePattern& pattern);

// How often neighbouring bits and nibbles differ in the middle of the largest window,
// inside a byte and from one byte to the next (the fewer of either bit order).
struct NeighbourChanges {
    std::array<uint64_t, 7> bitsInside{};  // bit 7 - i against bit 6 - i
    uint64_t bitsAcross = 0;
    uint64_t nibblesInside = 0;
    uint64_t nibblesAcross = 0;
};

struct Evidence {
    // A picture span cut from a file (region.cpp): its end says nothing of where rows end,
    // and only pixels of a byte or more are read from it, for it was found by the bytes'
    // values, which pixels under a byte and DXT1 blocks are not.
    enum class Part { WholeSample, PictureSpan };
    Evidence(const FileSample& sample, const LayoutHints& hints, Part part = Part::WholeSample);

    const FileSample& sample;
    const LayoutHints& hints;
    bool endIsFileEnd;
    bool valuePixelsOnly;
    ByteWindows windows;  // every sampled window's bytes
    LagProfile profile;   // of the bytes
    BytePattern bytePattern;
    // Pixels of less than a byte are tried (family_packed.cpp); then the grey levels of the
    // largest window and their lag profile are measured.
    bool packedPixels = false;
    std::optional<LagProfile> greyProfile;
    std::vector<uint8_t> largestGrey;
    NeighbourChanges neighbourChanges;
    // The long row stride the bytes' rows match best at, 0 for none.
    uint64_t deepestLongRow = 0;
    // DXT1 blocks, and when they are evident the brightness of each and its lag profile.
    BlockEvidence blocks;
    std::vector<uint8_t> brightness;
    std::optional<LagProfile> blockProfile;
    // Of a file read whole, the stretch that looks most like a picture when there are other
    // bytes around it (region.cpp), or the archive member that holds it (headers.cpp): then
    // the span is a file of its own.
    std::optional<ByteSpan> pictureSpan;
    bool spanIsMember = false;
    // Where lines of text at the file's start end, 0 for none (start.cpp).
    int64_t textHeaderEnd = 0;
    // How often each bit of a byte changes a stride on (family_packed.cpp), by stride.
    Memo<uint64_t, std::array<uint64_t, 8>> bitChanges;
};
