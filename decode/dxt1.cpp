#include "decode/dxt1.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <tmmintrin.h>
#define PIXOLVE_SHUFFLE_KERNEL 1
#endif

namespace {

constexpr size_t kBlockBytes = 8;
constexpr uint32_t kOpaque = 0xFF000000u;
constexpr uint32_t kTransparentWhite = 0x00FFFFFFu;

// The three channels of a pixel in 21-bit lanes, so that sums and products of them stay
// within their lanes.
uint64_t SpreadChannels(uint32_t pixel) {
    return (pixel & 0xFF) | uint64_t{pixel >> 8 & 0xFF} << 21 | uint64_t{pixel >> 16 & 0xFF} << 42;
}

uint32_t GatherChannels(uint64_t lanes) {
    return static_cast<uint32_t>((lanes & 0xFF) | (lanes >> 13 & 0xFF00) |
                                 (lanes >> 26 & 0xFF0000));
}

// For sums x up to 765, x / 3 equals (x * 683) >> 11, and 765 * 683 fits a lane.
constexpr uint64_t kThirdFactor = 683;
constexpr unsigned kThirdShift = 11;

// Per channel (2 * near + far) / 3, truncated, from channels already times kThirdFactor.
uint32_t MixThirds(uint64_t nearTimesFactor, uint64_t farTimesFactor) {
    return GatherChannels((2 * nearTimesFactor + farTimesFactor) >> kThirdShift) | kOpaque;
}

// Per byte (a + b) / 2, truncated.
uint32_t Average(uint32_t a, uint32_t b) {
    return (a & b) + ((a ^ b) >> 1 & 0x7F7F7F7F);
}

struct Palette {
    uint32_t entry[4];
};

inline Palette BlockPalette(const Dxt1Endpoints& endpoints, const uint8_t* block) {
    const uint32_t p0 = endpoints.pixel[0][block[0]] | endpoints.pixel[1][block[1]];
    const uint32_t p1 = endpoints.pixel[0][block[2]] | endpoints.pixel[1][block[3]];
    // Scaled lanes add up where plain ones would OR: the two bytes' bits never overlap.
    const uint64_t s0 = endpoints.spread[0][block[0]] + endpoints.spread[1][block[1]];
    const uint64_t s1 = endpoints.spread[0][block[2]] + endpoints.spread[1][block[3]];
    // Both choices are worked out and one is picked without a branch: on real textures as
    // on noise the choice changes from block to block.
    const bool fourColours =
        LoadSixteen(block, endpoints.bigEndian) > LoadSixteen(block + 2, endpoints.bigEndian);
    const uint32_t pick = fourColours ? UINT32_MAX : 0;
    const uint32_t third = (MixThirds(s0, s1) & pick) | (Average(p0, p1) & ~pick);
    const uint32_t fourth = (MixThirds(s1, s0) & pick) | (kTransparentWhite & ~pick);
    return {{p0, p1, third, fourth}};
}

typedef uint32_t Lanes __attribute__((vector_size(16)));

struct PaletteLanes {
    Lanes first, firstToSecond, third, thirdToFourth;
    explicit PaletteLanes(const Palette& p) {
        first = Lanes{} + p.entry[0];
        third = Lanes{} + p.entry[2];
        firstToSecond = first ^ p.entry[1];
        thirdToFourth = third ^ p.entry[3];
    }
};

// Row j of a block from the block's 32 index bits, without looking the palette up: two
// selects per pixel, by the low and the high bit of its index.
template <unsigned j>
void PaintRowLanes(const PaletteLanes& p, const Lanes& indices, uint8_t* out) {
    const Lanes lowBits = Lanes{1, 4, 16, 64} << (8 * j);
    const Lanes highBits = Lanes{2, 8, 32, 128} << (8 * j);
    const Lanes low = (Lanes)((indices & lowBits) == lowBits);
    const Lanes high = (Lanes)((indices & highBits) == highBits);
    const Lanes firstOrSecond = p.first ^ (p.firstToSecond & low);
    const Lanes thirdOrFourth = p.third ^ (p.thirdToFourth & low);
    const Lanes pixels = firstOrSecond ^ ((firstOrSecond ^ thirdOrFourth) & high);
    std::memcpy(out, &pixels, 16);
}

// Blocks wholly inside the picture, with two selects per pixel: no clipping, row pointers
// held in locals.
void PlaceWholeBlocksBySelect(const Dxt1Endpoints& endpoints, const uint8_t* blocks, size_t count,
                              uint8_t* const rows[4], size_t byteColumn) {
    uint8_t* row0 = rows[0] + byteColumn;
    uint8_t* row1 = rows[1] + byteColumn;
    uint8_t* row2 = rows[2] + byteColumn;
    uint8_t* row3 = rows[3] + byteColumn;
    for (size_t b = 0; b < count; ++b) {
        const uint8_t* block = blocks + b * kBlockBytes;
        const PaletteLanes palette(BlockPalette(endpoints, block));
        const size_t at = b * 16;
        const Lanes indices =
            Lanes{} + (block[4] | block[5] << 8 | block[6] << 16 | uint32_t{block[7]} << 24);
        PaintRowLanes<0>(palette, indices, row0 + at);
        PaintRowLanes<1>(palette, indices, row1 + at);
        PaintRowLanes<2>(palette, indices, row2 + at);
        PaintRowLanes<3>(palette, indices, row3 + at);
    }
}

#ifdef PIXOLVE_SHUFFLE_KERNEL
// For each index byte of a row, the byte shuffle that lays the palette's four entries out
// as that row's four pixels.
struct RowShuffles {
    __m128i control[256];
    RowShuffles() {
        for (unsigned indexByte = 0; indexByte < 256; ++indexByte) {
            uint8_t bytes[16];
            for (unsigned i = 0; i < 4; ++i) {
                const unsigned entry = indexByte >> (2 * i) & 3;
                for (unsigned c = 0; c < 4; ++c) {
                    bytes[4 * i + c] = static_cast<uint8_t>(4 * entry + c);
                }
            }
            std::memcpy(&control[indexByte], bytes, 16);
        }
    }
};
const RowShuffles kRowShuffles;

__attribute__((target("ssse3"))) inline void PaintRowShuffled(__m128i palette, uint8_t indexByte,
                                                               uint8_t* out) {
    const __m128i pixels = _mm_shuffle_epi8(palette, kRowShuffles.control[indexByte]);
    std::memcpy(out, &pixels, 16);
}

// The block's palette as one vector of its four entries, worked out in 16-bit lanes: the
// same entries as BlockPalette gives.
__attribute__((target("ssse3"))) inline __m128i PaletteVector(const Dxt1Endpoints& endpoints,
                                                               const uint8_t* block) {
    const uint32_t p0 = endpoints.pixel[0][block[0]] | endpoints.pixel[1][block[1]];
    const uint32_t p1 = endpoints.pixel[0][block[2]] | endpoints.pixel[1][block[3]];
    const __m128i ends = _mm_unpacklo_epi8(
        _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(p0)),
                           _mm_cvtsi32_si128(static_cast<int>(p1))),
        _mm_setzero_si128());
    const __m128i swapped = _mm_shuffle_epi32(ends, _MM_SHUFFLE(1, 0, 3, 2));
    // x / 3 is (x * 21846) >> 16 for every sum x up to 765.
    const __m128i thirds = _mm_mulhi_epu16(_mm_add_epi16(_mm_add_epi16(ends, ends), swapped),
                                           _mm_set1_epi16(21846));
    const __m128i halves = _mm_srli_epi16(_mm_add_epi16(ends, swapped), 1);
    const __m128i averageAndTransparentWhite =
        _mm_unpacklo_epi64(halves, _mm_setr_epi16(255, 255, 255, 0, 0, 0, 0, 0));
    const bool fourColours =
        LoadSixteen(block, endpoints.bigEndian) > LoadSixteen(block + 2, endpoints.bigEndian);
    // Picked without a branch, as in BlockPalette.
    const __m128i pick = _mm_set1_epi16(static_cast<short>(-static_cast<int>(fourColours)));
    const __m128i mixes = _mm_or_si128(_mm_and_si128(pick, thirds),
                                       _mm_andnot_si128(pick, averageAndTransparentWhite));
    return _mm_packus_epi16(ends, mixes);
}

// The same with one byte shuffle a row, on processors that have it.
__attribute__((target("ssse3"))) void PlaceWholeBlocksByShuffle(const Dxt1Endpoints& endpoints,
                                                                 const uint8_t* blocks,
                                                                 size_t count,
                                                                 uint8_t* const rows[4],
                                                                 size_t byteColumn) {
    uint8_t* row0 = rows[0] + byteColumn;
    uint8_t* row1 = rows[1] + byteColumn;
    uint8_t* row2 = rows[2] + byteColumn;
    uint8_t* row3 = rows[3] + byteColumn;
    for (size_t b = 0; b < count; ++b) {
        const uint8_t* block = blocks + b * kBlockBytes;
        const __m128i palette = PaletteVector(endpoints, block);
        const size_t at = b * 16;
        PaintRowShuffled(palette, block[4], row0 + at);
        PaintRowShuffled(palette, block[5], row1 + at);
        PaintRowShuffled(palette, block[6], row2 + at);
        PaintRowShuffled(palette, block[7], row3 + at);
    }
}
#endif

void PlaceWholeBlocks(const Dxt1Endpoints& endpoints, const uint8_t* blocks, size_t count,
                      uint8_t* const rows[4], size_t byteColumn) {
#ifdef PIXOLVE_SHUFFLE_KERNEL
    if (endpoints.kernel == Dxt1Kernel::Shuffle) {
        PlaceWholeBlocksByShuffle(endpoints, blocks, count, rows, byteColumn);
        return;
    }
#endif
    PlaceWholeBlocksBySelect(endpoints, blocks, count, rows, byteColumn);
}

void PlaceClippedBlock(const Dxt1Endpoints& endpoints, const uint8_t* block, uint8_t* const rows[4],
                       size_t byteColumn, unsigned columns) {
    const Palette palette = BlockPalette(endpoints, block);
    for (int j = 0; j < 4; ++j) {
        if (rows[j] == nullptr) continue;
        for (unsigned i = 0; i < columns; ++i) {
            StorePixel(rows[j] + byteColumn + 4 * i, palette.entry[block[4 + j] >> (2 * i) & 3]);
        }
    }
}

bool HasAllRows(const Dxt1BlockRow& blockRow) {
    for (uint8_t* row : blockRow.rows) {
        if (row == nullptr) return false;
    }
    return true;
}

}  // namespace

Dxt1Kernel FastestDxt1Kernel() {
#ifdef PIXOLVE_SHUFFLE_KERNEL
    __builtin_cpu_init();
    if (__builtin_cpu_supports("ssse3")) return Dxt1Kernel::Shuffle;
#endif
    return Dxt1Kernel::Select;
}

void BuildDxt1Endpoints(const PixelRules& rules, Dxt1Endpoints& endpoints) {
    static const Dxt1Kernel fastest = FastestDxt1Kernel();
    endpoints.kernel = fastest;
    endpoints.bigEndian = rules.bigEndian;
    const int lowByte = rules.bigEndian ? 1 : 0;
    const FieldRules pixelFields = PixelOrder(rules.fields);
    for (uint32_t b = 0; b < 256; ++b) {
        endpoints.pixel[lowByte][b] = UnpackFields(pixelFields, b);
        endpoints.pixel[1 - lowByte][b] = UnpackFields(pixelFields, b << 8);
    }
    for (int lane = 0; lane < 2; ++lane) {
        for (uint32_t b = 0; b < 256; ++b) {
            endpoints.spread[lane][b] = SpreadChannels(endpoints.pixel[lane][b]) * kThirdFactor;
            // Opaque rides along in one of the two lanes.
            if (lane == 0) endpoints.pixel[lane][b] |= kOpaque;
        }
    }
}

void PlaceDxt1Blocks(const Dxt1Endpoints& endpoints, const uint8_t* blocks, size_t count,
                     uint64_t firstBlock, const Dxt1BlockRow& blockRow) {
    // Blocks that reach the width are clipped; so are all when rows lie outside.
    const uint64_t wholeInRow = blockRow.width / 4;
    const size_t whole =
        !HasAllRows(blockRow) || firstBlock >= wholeInRow
            ? 0
            : static_cast<size_t>(std::min<uint64_t>(count, wholeInRow - firstBlock));
    if (whole > 0) {
        PlaceWholeBlocks(endpoints, blocks, whole, blockRow.rows,
                         static_cast<size_t>(firstBlock) * 16);
    }
    for (size_t b = whole; b < count; ++b) {
        const uint64_t x = (firstBlock + b) * 4;
        const uint64_t columnsLeft = blockRow.width - x;
        const unsigned columns = columnsLeft >= 4 ? 4 : static_cast<unsigned>(columnsLeft);
        PlaceClippedBlock(endpoints, blocks + b * kBlockBytes, blockRow.rows,
                          static_cast<size_t>(x) * 4, columns);
    }
}
