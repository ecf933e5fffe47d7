#include "decode/raw_doc.h"

#include <cmath>

namespace {
constexpr uint32_t kMaxDefaultWidth = 640;
constexpr uint32_t kMaxDefaultHeight = 512;
}  // namespace

void DefaultPictureSize(int64_t fileSize, uint32_t& width, uint32_t& height) {
    const double c = std::sqrt(static_cast<double>(fileSize) / 12.0);
    // A negative size only comes from a failed query; treat it as empty.
    // sqrt of the largest 64-bit size over 12 is below 2^31, so the cast is in range.
    const uint32_t side = (fileSize > 0) ? static_cast<uint32_t>(static_cast<int32_t>(c)) : 0;
    const uint64_t w = 4ull * side;
    const uint64_t h = 3ull * side;
    width = w >= kMaxDefaultWidth ? kMaxDefaultWidth : static_cast<uint32_t>(w);
    height = h >= kMaxDefaultHeight ? kMaxDefaultHeight : static_cast<uint32_t>(h);
}

CRawDoc::CRawDoc(FileHandle file)
    : m_hFile(file),
      m_offset(0),
      m_width(0),
      m_height(0),
      m_invertY(false),
      m_depth(Depth8),
      m_bits{5, 6, 5, 0},
      m_shift{0, 8, 16, 24},
      m_bigEndian(false),
      m_swapField(false),
      m_linePad(0) {
    int64_t size = 0;
    GetSize(size);
    DefaultPictureSize(size, m_width, m_height);
}

CRawDoc::~CRawDoc() { fileops::Close(m_hFile); }

bool CRawDoc::GetSize(int64_t& size) const { return fileops::GetSize(m_hFile, size); }
