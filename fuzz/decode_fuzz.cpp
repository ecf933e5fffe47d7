// Decodes fuzzer-made files with fuzzer-made parameters into a heap buffer of exactly the
// picture's size, so that AddressSanitizer sees any write outside it, and compares small
// pictures with the step-by-step reference decoder, on files shorter and longer than the
// decoder's read buffer.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "decode/decoder.h"
#include "decode/raw_doc.h"
#include "decode/read_buffer.h"
#include "fuzz/input_bytes.h"
#include "tests/native/decode_reference.h"

namespace {

// Pictures stay small enough to allocate quickly; wide ones may be one row high. A 1-bit
// row of this many pixels is still longer than the read buffer. Each fresh buffer costs a
// page fault per 4 KiB, which on slow virtual machines limits how many inputs run.
constexpr uint64_t kMaxPixels = 1u << 20;
// Long files are made by repeating the input's bytes, so that files of several read
// buffers need no inputs that long.
constexpr size_t kMinLongFileBytes = CReadBuffer::kCapacity + 1;
constexpr size_t kMaxLongFileBytes = 4 * CReadBuffer::kCapacity + 4096;
// Above these the reference, with its one read call a unit, would slow the fuzzer down.
constexpr uint64_t kMaxReferencePixels = 1u << 20;
constexpr size_t kMaxReferenceFileBytes = kMaxLongFileBytes;

// Flag bits: picture options, and which parameters keep their full 32-bit range instead
// of a small one where most of the interesting cases lie.
enum : uint8_t {
    kInvertY = 1,
    kBigEndian = 2,
    kSwapField = 4,
    kFullOffset = 8,
    kFullLinePad = 16,
    kWideSides = 32,
    kAnyDepth = 64,
    kLongFile = 128,
};

// Returns the size of the long file to make (kLongFile), or 0 when the file is the rest
// of the input.
size_t ReadParameters(InputBytes& in, CRawDoc& doc) {
    const uint8_t flags = in.Byte();
    const uint32_t offset = in.Word();
    doc.m_offset = (flags & kFullOffset) ? static_cast<int32_t>(offset)
                                         : static_cast<int32_t>(offset % 128) - 32;
    const uint32_t width = in.Word();
    const uint32_t height = in.Word();
    doc.m_width = (flags & kWideSides) ? static_cast<uint32_t>(width % kMaxPixels) : width % 80;
    const uint64_t rowsAllowed = kMaxPixels / (doc.m_width == 0 ? 1 : doc.m_width);
    // A long file gets rows enough to read past the first few read buffers.
    const uint64_t narrowRows = (flags & kLongFile) ? 4096 : 80;
    doc.m_height =
        static_cast<uint32_t>(height % ((flags & kWideSides) ? rowsAllowed + 1 : narrowRows));
    const uint8_t depth = in.Byte();
    doc.m_depth = static_cast<PixelFormat>((flags & kAnyDepth) ? depth : depth % 7);
    for (uint8_t& bits : doc.m_bits) bits = in.Byte();
    for (uint8_t& shift : doc.m_shift) shift = in.Byte();
    const uint32_t linePad = in.Word();
    doc.m_linePad = (flags & kFullLinePad) ? linePad : linePad % 24;
    doc.m_invertY = flags & kInvertY;
    doc.m_bigEndian = flags & kBigEndian;
    doc.m_swapField = flags & kSwapField;
    if (!(flags & kLongFile)) return 0;
    return kMinLongFileBytes + in.Word() % (kMaxLongFileBytes - kMinLongFileBytes + 1);
}

// One in-memory file for the whole run, rewritten for every input.
int SharedFile() {
    static const int fd = memfd_create("pixolve_fuzz", 0);
    if (fd < 0) abort();
    return fd;
}

void WriteAll(int fd, const uint8_t* data, size_t size) {
    if (ftruncate(fd, 0) != 0) abort();
    for (size_t done = 0; done < size;) {
        const ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0) abort();
        done += static_cast<size_t>(n);
    }
}

// `fileSize` bytes: `data` over and over, each byte mixed with a hash of its position so
// that neither a short input nor a repeat makes a byte that was read twice or skipped look
// like the one that should have been read.
void WriteLongFile(int fd, const uint8_t* data, size_t size, size_t fileSize) {
    static std::vector<uint8_t> bytes;
    bytes.resize(fileSize);
    for (size_t i = 0; i < fileSize; ++i) {
        const uint8_t mix = static_cast<uint8_t>((i * 2654435761u) >> 24);
        bytes[i] = static_cast<uint8_t>((size == 0 ? 0 : data[i % size]) + mix);
    }
    WriteAll(fd, bytes.data(), fileSize);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    InputBytes in(data, size);
    const int fd = SharedFile();
    CRawDoc doc(dup(fd));
    const size_t longFileSize = ReadParameters(in, doc);
    if (longFileSize == 0) {
        WriteAll(fd, in.Rest(), in.RestSize());
    } else {
        WriteLongFile(fd, in.Rest(), in.RestSize(), longFileSize);
    }
    const size_t fileSize = longFileSize == 0 ? in.RestSize() : longFileSize;

    size_t bytes = 0;
    if (!PixelBufferBytes(doc.m_width, doc.m_height, bytes)) abort();
    const std::unique_ptr<uint8_t[]> pixels(new uint8_t[bytes]());
    DecodePixels(doc, pixels.get());

    const uint64_t pictureSize = uint64_t{doc.m_width} * doc.m_height;
    if (pictureSize <= kMaxReferencePixels && fileSize <= kMaxReferenceFileBytes) {
        const std::unique_ptr<uint8_t[]> expected(new uint8_t[bytes]());
        ReferenceDecode(doc, expected.get());
        if (bytes != 0 && std::memcmp(pixels.get(), expected.get(), bytes) != 0) abort();
    }
    return 0;
}
