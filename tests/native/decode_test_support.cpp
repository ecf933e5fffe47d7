#include "tests/native/decode_test_support.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <stdexcept>

#include "decode/decoder.h"
#include "tests/native/decode_reference.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

std::filesystem::path UniqueTempPath() {
    static std::atomic<unsigned> counter{0};
    static const uint64_t run =
        std::random_device{}() ^
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    const std::string name =
        "pixolve_decode_" + std::to_string(run) + "_" + std::to_string(counter++) + ".bin";
    return std::filesystem::temp_directory_path() / name;
}

}  // namespace

TempFile::TempFile(const Bytes& bytes) : m_path(UniqueTempPath()) {
    std::ofstream out(m_path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + m_path.string());
}

TempFile::~TempFile() {
    std::error_code ignored;
    std::filesystem::remove(m_path, ignored);
}

std::unique_ptr<CRawDoc> TempFile::Open() const {
    const FileHandle file = fileops::OpenForReading(m_path.u8string().c_str());
    if (!fileops::IsValid(file)) throw std::runtime_error("cannot open " + m_path.string());
    return std::make_unique<CRawDoc>(file);
}

namespace {

using Decoder = void (*)(const CRawDoc&, uint8_t*);

Bytes DecodeWith(Decoder decode, const CRawDoc& doc) {
    size_t bytes = 0;
    if (!PixelBufferBytes(doc.m_width, doc.m_height, bytes)) throw std::length_error("picture");
    Bytes pixels(bytes, 0);
    decode(doc, pixels.data());
    return pixels;
}

}  // namespace

Bytes Decode(const CRawDoc& doc) { return DecodeWith(DecodePixels, doc); }

Bytes ReferencePicture(const CRawDoc& doc) { return DecodeWith(ReferenceDecode, doc); }

uint32_t PixelAt(const Bytes& pixels, uint32_t width, uint32_t x, uint32_t bufferRow) {
    const size_t at = (static_cast<size_t>(bufferRow) * width + x) * 4;
    return pixels.at(at) | pixels.at(at + 1) << 8 | pixels.at(at + 2) << 16 |
           static_cast<uint32_t>(pixels.at(at + 3)) << 24;
}

int64_t CurrentFilePosition(FileHandle file) {
#ifdef _WIN32
    LARGE_INTEGER position{};
    SetFilePointerEx(file, LARGE_INTEGER{}, &position, FILE_CURRENT);
    return position.QuadPart;
#else
    return static_cast<int64_t>(::lseek(file, 0, SEEK_CUR));
#endif
}

bool IsHandleOpen(FileHandle file) {
#ifdef _WIN32
    DWORD flags = 0;
    return GetHandleInformation(file, &flags) != FALSE;
#else
    return ::fcntl(file, F_GETFD) != -1;
#endif
}

Bytes CountingBytes(size_t count) {
    Bytes bytes(count);
    for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(i);
    return bytes;
}

DocParams PictureParams(PixelFormat depth, uint32_t width, uint32_t height) {
    DocParams params;
    params.depth = depth;
    params.width = width;
    params.height = height;
    return params;
}

void ApplyParams(const DocParams& params, CRawDoc& doc) {
    doc.m_depth = params.depth;
    doc.m_width = params.width;
    doc.m_height = params.height;
    doc.m_offset = params.offset;
    doc.m_invertY = params.invertY;
    doc.m_bigEndian = params.bigEndian;
    doc.m_swapField = params.swapField;
    doc.m_linePad = params.linePad;
    std::memcpy(doc.m_bits, params.bits, 4);
    std::memcpy(doc.m_shift, params.shift, 4);
}

Bytes DecodeBytes(const Bytes& bytes, const DocParams& params) {
    const TempFile file(bytes);
    const auto doc = file.Open();
    ApplyParams(params, *doc);
    return Decode(*doc);
}
