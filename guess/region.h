// Where in a stretch of bytes a picture lies: raster bytes are near the same channel of the
// pixel before them, where machine code, text, compressed and random bytes are not. Blocks
// are judged one by one, and a run of blocks that is not broken by foreign ones is a region.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// Bytes judged at a time.
constexpr size_t kRegionBlockBytes = 512;

// How a block's bytes look, two zeros side by side left out (zeros pad code, tables and
// archive members as often as they are dark pixels): few bytes besides the commonest value,
// or values all alike (flat);
// each far nearer the byte one to four places before than chance makes it (smooth), or
// nearer (textured, as noisy, dithered or packed pixels are); or no nearer, or text (foreign).
enum class BlockKind : uint8_t { Flat, Smooth, Textured, Foreign };

BlockKind JudgeBlock(const uint8_t* bytes, size_t size);

struct ByteRegion {
    size_t begin = 0;          // the first smooth or textured block's first byte
    size_t end = 0;            // past the last one
    size_t pictureBlocks = 0;  // smooth or textured blocks within
    // With the flat blocks either side: a picture's top and bottom rows may be one colour.
    size_t outerBegin = 0;
    size_t outerEnd = 0;
};

// The regions of the bytes, in order: runs of blocks without two foreign blocks in a row,
// holding at least kMinPictureBlocks smooth or textured blocks.
std::vector<ByteRegion> FindPictureRegions(const std::vector<uint8_t>& bytes);

// Bytes `begin` to `end` of a file.
struct ByteSpan {
    size_t begin = 0;
    size_t end = 0;
};

// The region with the most smooth or textured blocks, with a block either side, where the
// picture's exact edges lie: when at least half the blocks around it that are not flat are
// foreign and it leaves at least a block of the bytes outside; else none.
std::optional<ByteSpan> PictureSpan(const std::vector<uint8_t>& bytes);

// Whether bytes `begin` to `end` line up at `stride`, as a picture's rows do: nearer the
// byte a row on than the byte a row and a half on, by value or by the bits set (two-level
// pixels). Measured over at most kLineUpBytes at the side given (`nearEnd`).
constexpr size_t kLineUpBytes = 65536;
bool LinesUpAt(const std::vector<uint8_t>& bytes, size_t begin, size_t end, uint64_t stride, bool nearEnd);
