// Pictures of more than 2^30 pixels, where 32-bit pixel offsets would wrap. Only the pages
// the decoder should touch are made writable, so a wrapped offset faults.
#include <gtest/gtest.h>

#include <cstdint>

#include "decode/decoder.h"
#include "tests/native/decode_test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#endif

namespace {

constexpr size_t kPage = 65536;

// Address space for a whole picture, of which only chosen pages can be written.
class SparsePixels {
public:
    explicit SparsePixels(size_t bytes) : m_bytes(bytes) {
#ifdef _WIN32
        m_base = static_cast<uint8_t*>(VirtualAlloc(nullptr, bytes, MEM_RESERVE, PAGE_NOACCESS));
#else
        void* base =
            mmap(nullptr, bytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        m_base = base == MAP_FAILED ? nullptr : static_cast<uint8_t*>(base);
#endif
    }
    ~SparsePixels() {
        if (m_base == nullptr) return;
#ifdef _WIN32
        VirtualFree(m_base, 0, MEM_RELEASE);
#else
        munmap(m_base, m_bytes);
#endif
    }
    uint8_t* Base() const {
        return m_base;
    }

    // Makes the pages around [at, at + 1) writable (and zero).
    bool AllowAround(size_t at) {
        const size_t start = at / kPage * kPage;
#ifdef _WIN32
        return VirtualAlloc(m_base + start, kPage, MEM_COMMIT, PAGE_READWRITE) != nullptr;
#else
        return mprotect(m_base + start, kPage, PROT_READ | PROT_WRITE) == 0;
#endif
    }

private:
    size_t m_bytes;
    uint8_t* m_base = nullptr;
};

uint32_t PixelIn(const uint8_t* base, size_t at) {
    return base[at] | base[at + 1] << 8 | base[at + 2] << 16 |
           static_cast<uint32_t>(base[at + 3]) << 24;
}

struct LargeCase {
    PixelFormat depth;
    Bytes file;
    uint32_t topRowPixel;  // the first pixel of the top row
};

TEST(LargePicture, RowsBeyondFourGigabytesAreAddressedExactly) {
    if (sizeof(size_t) < 8) GTEST_SKIP() << "needs a 64-bit address space";
    const uint32_t width = (1u << 30) + 8;  // 2 rows: more than 2^31 pixels, 8 GB
    const uint32_t height = 2;
    size_t bytes = 0;
    ASSERT_TRUE(PixelBufferBytes(width, height, bytes));
    const size_t topRow = size_t{width} * 4;

    const LargeCase cases[] = {
        {Depth8, Bytes(64, 0x42), 0x424242},
        {Depth32, Bytes(64, 0x42), 0x424242},
        {DepthDXT1, Bytes{0x00, 0xF8, 0x00, 0xF8, 0, 0, 0, 0}, 0xFF00E000},  // green 224
    };
    for (const LargeCase& c : cases) {
        SparsePixels pixels(bytes);
        if (pixels.Base() == nullptr) GTEST_SKIP() << "cannot reserve 8 GB of address space";
        ASSERT_TRUE(pixels.AllowAround(0));
        ASSERT_TRUE(pixels.AllowAround(topRow));
        const TempFile file(c.file);
        const auto doc = file.Open();
        doc->m_depth = c.depth;
        doc->m_width = width;
        doc->m_height = height;
        DecodePixels(*doc, pixels.Base());
        EXPECT_EQ(PixelIn(pixels.Base(), topRow), c.topRowPixel) << c.depth;
        const uint32_t bottom = PixelIn(pixels.Base(), 0);
        EXPECT_EQ(bottom, c.depth == DepthDXT1 ? c.topRowPixel : 0u) << c.depth;
    }
}

}  // namespace
