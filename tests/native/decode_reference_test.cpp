// The fast decoder against a step-by-step transcription of the unit loop, on many random
// documents: random bytes, sizes, shapes, offsets, pads, flags, bit counts and shifts; and
// on documents one value away from the parameters of a fast path.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <sstream>
#include <string>

#include "decode/decoder.h"
#include "tests/native/decode_reference.h"
#include "tests/native/decode_test_support.h"

namespace {

using Random = std::mt19937_64;

uint32_t Uniform(Random& random, uint32_t low, uint32_t high) {
    return std::uniform_int_distribution<uint32_t>(low, high)(random);
}
bool Chance(Random& random, uint32_t percent) {
    return Uniform(random, 1, 100) <= percent;
}

Bytes RandomBytes(Random& random, size_t size) {
    Bytes bytes(size);
    // Long runs of one value now and then, so that whole rows and blocks repeat.
    const bool runs = Chance(random, 20);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] =
            (runs && i > 0 && Chance(random, 90)) ? bytes[i - 1] : static_cast<uint8_t>(random());
    }
    return bytes;
}

size_t RandomFileSize(Random& random) {
    if (Chance(random, 8)) return Uniform(random, 65536 - 64, 300000);  // crosses read chunks
    if (Chance(random, 5)) return Uniform(random, 0, 16);
    return Uniform(random, 0, 4000);
}

int32_t RandomOffset(Random& random, size_t fileSize) {
    if (Chance(random, 5)) return static_cast<int32_t>(random());
    if (Chance(random, 50)) return 0;
    return static_cast<int32_t>(Uniform(random, 0, static_cast<uint32_t>(fileSize) + 20)) - 10;
}

uint32_t RandomLinePad(Random& random) {
    if (Chance(random, 50)) return 0;
    if (Chance(random, 5)) return UINT32_MAX - Uniform(random, 0, 3);
    if (Chance(random, 5)) return Uniform(random, 60000, 200000);
    return Uniform(random, 0, 40);
}

uint8_t RandomBits(Random& random) {
    if (Chance(random, 60)) return static_cast<uint8_t>(Uniform(random, 0, 8));
    if (Chance(random, 50)) return static_cast<uint8_t>(Uniform(random, 9, 40));
    return static_cast<uint8_t>(random());
}

uint8_t RandomShift(Random& random) {
    if (Chance(random, 70)) return static_cast<uint8_t>(Uniform(random, 0, 31));
    if (Chance(random, 50)) return static_cast<uint8_t>(Uniform(random, 32, 40));
    return static_cast<uint8_t>(random());
}

uint32_t RandomSide(Random& random) {
    if (Chance(random, 10)) return Uniform(random, 1, 5);
    if (Chance(random, 5)) return 4;
    if (Chance(random, 5)) return Uniform(random, 300, 700);
    return Uniform(random, 1, 64);
}

DocParams RandomParams(Random& random, size_t fileSize) {
    DocParams p;
    p.depth = static_cast<PixelFormat>(Chance(random, 3) ? Uniform(random, 7, 300)
                                                         : Uniform(random, 0, 6));
    p.width = RandomSide(random);
    p.height = RandomSide(random);
    p.offset = RandomOffset(random, fileSize);
    p.invertY = Chance(random, 50);
    p.bigEndian = Chance(random, 50);
    p.swapField = Chance(random, 50);
    p.linePad = RandomLinePad(random);
    // Whole-byte shifts now and then, so that orders one channel away from the dialog's
    // come up in every run.
    const bool byteShifts = Chance(random, 30);
    for (int ch = 0; ch < 4; ++ch) {
        p.bits[ch] = RandomBits(random);
        p.shift[ch] =
            byteShifts ? static_cast<uint8_t>(8 * Uniform(random, 0, 3)) : RandomShift(random);
    }
    // The dialog's orders, which have conversions of their own.
    static const uint8_t kOrders[3][4] = {{0, 8, 16, 24}, {16, 8, 0, 24}, {11, 5, 0, 0}};
    if (Chance(random, 40)) std::copy_n(kOrders[Uniform(random, 0, 2)], 4, p.shift);
    return p;
}

std::string Describe(const DocParams& p, size_t fileSize) {
    std::ostringstream text;
    text << "file " << fileSize << " bytes, depth " << p.depth << ", " << p.width << " x "
         << p.height << ", offset " << p.offset << ", pad " << p.linePad << ", invert " << p.invertY
         << ", big endian " << p.bigEndian << ", swap " << p.swapField << ", bits";
    for (uint8_t b : p.bits) text << ' ' << +b;
    text << ", shifts";
    for (uint8_t s : p.shift) text << ' ' << +s;
    return text.str();
}

TEST(DecodeMatchesReference, OnRandomDocuments) {
    Random random(20240611);
    constexpr int kFiles = 160;
    constexpr int kDocumentsPerFile = 12;
    int failures = 0;
    for (int f = 0; f < kFiles && failures < 5; ++f) {
        const size_t fileSize = RandomFileSize(random);
        const TempFile file(RandomBytes(random, fileSize));
        const auto doc = file.Open();
        for (int d = 0; d < kDocumentsPerFile && failures < 5; ++d) {
            const DocParams params = RandomParams(random, fileSize);
            ApplyParams(params, *doc);
            const Bytes expected = ReferencePicture(*doc);
            const Bytes actual = Decode(*doc);
            if (actual != expected) {
                ++failures;
                ADD_FAILURE() << Describe(params, fileSize);
            }
        }
    }
}

// Documents one value away from the parameters that choose a faster conversion.
struct NearFastPathCase {
    PixelFormat depth;
    uint32_t width;
    uint8_t shift[3];
    bool bigEndian = false;
    bool swapField = false;
};

TEST(DecodeMatchesReference, OneValueAwayFromAFastPath) {
    const NearFastPathCase cases[] = {
        // One channel away from RGBA, then from BGRA.
        {Depth24, 3, {8, 8, 16}}, {Depth24, 3, {0, 0, 16}}, {Depth24, 3, {0, 8, 24}},
        {Depth24, 3, {24, 8, 0}}, {Depth24, 3, {16, 16, 0}}, {Depth24, 3, {16, 8, 8}},
        {Depth32, 3, {24, 8, 16}}, {Depth32, 3, {0, 24, 16}}, {Depth32, 3, {0, 8, 8}},
        {Depth32, 3, {8, 8, 0}}, {Depth32, 3, {16, 0, 0}}, {Depth32, 3, {16, 8, 24}},
        // Two rows a byte: Depth1 at another width, another format at width 4.
        {Depth1, 5, {0, 8, 16}}, {Depth4, 4, {0, 8, 16}, false, true},
        // Bit and nibble orders with one flag set.
        {Depth1, 4, {0, 8, 16}, false, true}, {Depth1, 8, {0, 8, 16}, true, false},
        {Depth4, 3, {0, 8, 16}, true, false},
        // Fields one shift away from r5g6b5's BGRA and RGBA shifts.
        {Depth16, 3, {11, 6, 0}}, {DepthDXT1, 8, {0, 5, 10}},
    };
    const Bytes bytes = CountingBytes(256);
    const TempFile file(bytes);
    const auto doc = file.Open();
    for (const NearFastPathCase& c : cases) {
        DocParams p = PictureParams(c.depth, c.width, 4);
        std::copy_n(c.shift, 3, p.shift);
        p.bigEndian = c.bigEndian;
        p.swapField = c.swapField;
        ApplyParams(p, *doc);
        EXPECT_EQ(Decode(*doc), ReferencePicture(*doc)) << Describe(p, bytes.size());
    }
}

TEST(UnpackFieldsMatchesReference, ForEveryBitCountAndShift) {
    const TempFile file(Bytes{});
    const auto doc = file.Open();
    Random random(7);
    for (uint32_t bits = 0; bits < 256; ++bits) {
        for (uint32_t shift = 0; shift < 256; ++shift) {
            doc->m_bits[ChannelR] = static_cast<uint8_t>(bits);
            doc->m_shift[ChannelR] = static_cast<uint8_t>(shift);
            doc->m_bits[ChannelG] = static_cast<uint8_t>(255 - bits);
            doc->m_shift[ChannelG] = static_cast<uint8_t>(shift / 4);
            doc->m_bits[ChannelB] = static_cast<uint8_t>(bits % 17);
            doc->m_shift[ChannelB] = static_cast<uint8_t>(255 - shift);
            const uint32_t v = static_cast<uint32_t>(random()) & 0xFFFF;
            ASSERT_EQ(UnpackFields(*doc, v), ReferenceUnpackFields(*doc, v))
                << "bits " << bits << " shift " << shift << " v " << v;
        }
    }
}

}  // namespace
