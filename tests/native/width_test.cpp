// What depends on the width of size_t and of file offsets: the size checks before a
// picture is allocated, and files larger than 2 and 4 GiB. Runs in the 64-bit and the
// 32-bit builds alike; each case says what its width makes of it.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "cli/errors.h"
#include "cli/render.h"
#include "decode/decoder.h"
#include "tests/native/decode_test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

constexpr bool kNarrow = sizeof(size_t) < 8;
constexpr int64_t kTwoGiB = int64_t{1} << 31;
constexpr int64_t kFourGiB = int64_t{1} << 32;

// Writes `bytes` at `at` into the existing file and makes it `size` bytes long; the
// gap stays a hole, so a file of several GiB costs no disk.
bool WriteSparse(const std::filesystem::path& path, int64_t at, const Bytes& bytes, int64_t size) {
#ifdef _WIN32
    HANDLE file = ::CreateFileW(path.wstring().c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER position{};
    position.QuadPart = at;
    DWORD written = 0;
    bool ok = ::SetFilePointerEx(file, position, nullptr, FILE_BEGIN) &&
              ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    position.QuadPart = size;
    ok = ok && ::SetFilePointerEx(file, position, nullptr, FILE_BEGIN) && ::SetEndOfFile(file);
    ::CloseHandle(file);
    return ok;
#else
    const int file = ::open(path.c_str(), O_WRONLY);
    if (file < 0) return false;
    const bool ok =
        ::pwrite(file, bytes.data(), bytes.size(), at) == static_cast<ssize_t>(bytes.size()) &&
        ::ftruncate(file, size) == 0;
    ::close(file);
    return ok;
#endif
}

std::string RenderErrorOf(uint32_t width, uint32_t height) {
    TempFile file(CountingBytes(16));
    auto doc = file.Open();
    doc->m_width = width;
    doc->m_height = height;
    try {
        DecodeDocument(*doc);
    } catch (const RenderError& error) {
        return error.what();
    }
    return "";
}

}  // namespace

// 2^32 bytes of pixels do not fit a 32-bit size_t; the check must say so before anything
// is allocated, rather than let the product wrap to a tiny buffer.
TEST(WidthSizeChecks, PixelBufferSizeWrapsNowhere) {
    size_t bytes = 0;
    EXPECT_EQ(PixelBufferBytes(65536, 16384, bytes), !kNarrow);
    EXPECT_EQ(PixelBufferBytes(1, 0x40000000u, bytes), !kNarrow);
    EXPECT_EQ(PixelBufferBytes(0x40000000u, 1, bytes), !kNarrow);
    ASSERT_TRUE(PixelBufferBytes(0x3FFFFFFFu, 1, bytes));
    EXPECT_EQ(bytes, size_t{0x3FFFFFFFu} * 4);
    ASSERT_TRUE(PixelBufferBytes(16383, 65537, bytes));  // just under 2^32 bytes
    EXPECT_EQ(bytes, size_t{16383} * 65537 * 4);
    EXPECT_FALSE(PixelBufferBytes(UINT32_MAX, UINT32_MAX, bytes));
    EXPECT_EQ(bytes, 0u);
}

TEST(WidthSizeChecks, TheExporterRefusesAPictureItsSizeTypeCannotHold) {
    const std::string tooLarge = RenderErrorOf(UINT32_MAX, UINT32_MAX);
    EXPECT_NE(tooLarge.find("is too large"), std::string::npos) << tooLarge;
    if (kNarrow) {  // a 64-bit size_t holds 2^32, and allocating that much is not a test
        const std::string fourGiB = RenderErrorOf(65536, 16384);
        EXPECT_NE(fourGiB.find("65536 by 16384 picture is too large"), std::string::npos)
            << fourGiB;
    }
}

// Just under 4 GiB fits a 32-bit size_t but never a 32-bit address space: the allocation
// fails and the exporter says so instead of crashing.
TEST(WidthSizeChecks, TheExporterReportsAPictureItCannotAllocate) {
    if (!kNarrow) GTEST_SKIP() << "would allocate 4 GiB in a 64-bit address space";
    const std::string error = RenderErrorOf(32768, 32767);
    EXPECT_NE(error.find("not enough memory for a 32768 by 32767 picture"), std::string::npos)
        << error;
}

// A 32-bit program sees such a file only through 64-bit file offsets: open, size and seek
// must not stop or wrap at 2 GiB or 4 GiB.
TEST(WidthFileOffsets, AFileOfMoreThanFourGiBOpensAndReadsAcrossTwoGiB) {
    TempFile file({});
    Bytes ramp(32);
    for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<uint8_t>(0xA0 + i);
    const int64_t fileSize = kFourGiB + 64;
    ASSERT_TRUE(WriteSparse(file.Path(), kTwoGiB - 16, ramp, fileSize));

    auto doc = file.Open();
    int64_t size = 0;
    ASSERT_TRUE(doc->GetSize(size));
    EXPECT_EQ(size, fileSize);
    EXPECT_EQ(doc->m_width, 640u);
    EXPECT_EQ(doc->m_height, 512u);

    ApplyParams(PictureParams(Depth8, 32, 1), *doc);
    doc->m_offset = static_cast<int32_t>(kTwoGiB - 16);
    const Bytes pixels = Decode(*doc);
    for (uint32_t x = 0; x < 32; ++x) {
        const uint32_t grey = ramp[x];
        EXPECT_EQ(PixelAt(pixels, 32, x, 0), grey | grey << 8 | grey << 16) << x;
    }
}
