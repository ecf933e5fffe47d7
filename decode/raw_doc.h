// The raw document: one open file and every parameter that says how its bytes
// are read as a picture. A plain record; the parameter dialog writes it in place.
#pragma once

#include <cstdint>

#include "decode/file_ops.h"

enum PixelFormat : uint32_t {
    Depth1 = 0,
    Depth4 = 1,
    Depth8 = 2,
    Depth16 = 3,
    Depth24 = 4,
    Depth32 = 5,
    DepthDXT1 = 6,
};

enum Channel { ChannelR = 0, ChannelG = 1, ChannelB = 2, ChannelA = 3 };

class CRawDoc {
public:
    FileHandle m_hFile;
    int32_t m_offset;
    uint32_t m_width;
    uint32_t m_height;
    bool m_invertY;
    PixelFormat m_depth;
    uint8_t m_bits[4];   // r, g, b, a
    uint8_t m_shift[4];  // r, g, b, a
    bool m_bigEndian;
    bool m_swapField;
    uint32_t m_linePad;

    // Takes ownership of an open file and sets the defaults from its size.
    explicit CRawDoc(FileHandle file);
    ~CRawDoc();
    CRawDoc(const CRawDoc&) = delete;
    CRawDoc& operator=(const CRawDoc&) = delete;

    // The file's current size in bytes; returns the platform's success flag.
    bool GetSize(int64_t& size) const;
};

// Default picture size for a file of `fileSize` bytes: 4c by 3c with
// c = trunc(sqrt(size / 12)), capped at 640 by 512.
void DefaultPictureSize(int64_t fileSize, uint32_t& width, uint32_t& height);
