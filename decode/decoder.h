// Turns a raw document's bytes into a 32-bit pixel buffer: width x height pixels,
// 4 bytes each (blue, green, red, fourth byte), rows bottom-up with no gap.
#pragma once

#include <cstddef>
#include <cstdint>

#include "decode/raw_doc.h"

// Fills `pixels`, which the caller made all zero for the document's current width and
// height, from the document's file. Writes nothing for a width or height of 0.
void DecodePixels(const CRawDoc& doc, uint8_t* pixels);

// Converts a 16-bit value (a pixel or a DXT1 colour endpoint) by the document's m_bits
// and m_shift: red in bits 0-7 of the result, green in 8-15, blue in 16-23.
uint32_t UnpackFields(const CRawDoc& doc, uint32_t v);

// Bytes of the pixel buffer for width x height; false when the size does not fit size_t.
bool PixelBufferBytes(uint32_t width, uint32_t height, size_t& bytes);
