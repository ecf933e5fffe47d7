#include "guess/family.h"

#include <algorithm>

#include "guess/strides.h"

bool StrideList::IsIn(const std::vector<uint64_t>& list, uint64_t stride) {
    return std::find(list.begin(), list.end(), stride) != list.end();
}

// Pixels of a byte or more: at the strides any depth gets, and those beside a row stride.
bool PixelFamily::Tries(const Evidence&, const StrideList& strides, uint64_t stride) const {
    return StrideList::IsIn(strides.anyDepth, stride) || StrideList::IsIn(strides.beside, stride);
}

// A header's end is found to within a row where the rows next to it look alike: the row
// before is the other likely start. A found end less than a row past the file's start, or
// past the end of the lines of text it starts with, may be the picture's own first rows
// differing from the rest (a tile's lit top edge): that start is tried too where whole
// rows from it end with the file. Not for a span cut from a file, whose start is no more
// than where its judging began.
std::vector<int64_t> PixelFamily::StartsToTry(const Evidence& evidence, const Shape& shape, int64_t start) const {
    std::vector<int64_t> starts{start};
    if (evidence.hints.offset) return starts;
    const int64_t stride = static_cast<int64_t>(shape.stride);
    if (start >= stride) starts.push_back(start - stride);
    const int64_t textEnd = evidence.textHeaderEnd < start ? evidence.textHeaderEnd : 0;
    const bool tried = std::find(starts.begin(), starts.end(), textEnd) != starts.end();
    const bool wholeRows = (evidence.sample.FileSize() - textEnd) % stride == 0;
    if (evidence.endIsFileEnd && start > textEnd && start - textEnd < stride && wholeRows && !tried)
        starts.push_back(textEnd);
    return starts;
}

double PixelFamily::Structure(const Evidence& evidence, uint64_t stride) const {
    return ::Structure(evidence.profile, stride);
}

const PixelFamily& FamilyOf(PixelFormat depth) {
    switch (depth) {
        case Depth1: return OneBitFamily();
        case Depth4: return FourBitFamily();
        case Depth16:
        case Depth24:
        case Depth32: return RgbFamily(depth);
        case DepthDXT1: return Dxt1Family();
        case Depth8: break;
    }
    return EightBitFamily();
}

const std::vector<const PixelFamily*>& Families() {
    static const std::vector<const PixelFamily*> families{
        &EightBitFamily(), &RgbFamily(Depth16), &RgbFamily(Depth24), &RgbFamily(Depth32),
        &Dxt1Family(),     &FourBitFamily(),    &OneBitFamily()};
    return families;
}

std::vector<Plane> ByteChannelPlanes(uint32_t channels) { return std::vector<Plane>(channels, Plane{8, nullptr, {}}); }

void AppendByteChannels(uint32_t width, uint32_t channels, const uint8_t* row, std::vector<Plane>& planes) {
    for (uint32_t c = 0; c < channels; ++c) {
        uint16_t* out = GrowPlane(planes[c], width);
        for (uint32_t x = 0; x < width; ++x) out[x] = row[size_t{x} * channels + c];
    }
}

RowValues PixelSeams(RowValues::Source source, uint64_t grain) {
    return {source, grain, 1, std::max<uint64_t>(1, kBesideReach / grain)};
}
