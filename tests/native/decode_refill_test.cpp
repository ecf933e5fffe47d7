// Files several read buffers long, where a row's units straddle the end of what one read
// brought in: the bytes left over must lead the next read unchanged.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "decode/read_buffer.h"
#include "tests/native/decode_test_support.h"

namespace {

Bytes RandomFile(size_t size) {
    std::mt19937 random(11);
    Bytes bytes(size);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    return bytes;
}

TEST(ReadBufferRefill, UnitsAcrossEveryRefillDecodeAsTheReferenceDoes) {
    constexpr size_t kFileBytes = 4 * CReadBuffer::kCapacity + 1000;
    const TempFile file(RandomFile(kFileBytes));
    const auto doc = file.Open();
    for (const PixelFormat depth : {Depth24, Depth32}) {
        for (const uint32_t pad : {1u, 2u, 3u, 5u}) {
            for (const int32_t offset : {0, 1, 2}) {
                DocParams p = PictureParams(depth, 97, 1);
                p.linePad = pad;
                p.offset = offset;
                p.shift[0] = 16;  // the "BGRA" order
                p.shift[2] = 0;
                const uint32_t unitBytes = depth == Depth24 ? 3 : 4;
                p.height = static_cast<uint32_t>(kFileBytes / (97 * unitBytes + pad));
                ApplyParams(p, *doc);
                const Bytes expected = ReferencePicture(*doc);
                ASSERT_EQ(Decode(*doc), expected)
                    << "depth " << depth << ", pad " << pad << ", offset " << offset;
            }
        }
    }
}

}  // namespace
