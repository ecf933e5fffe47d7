#include "decode/decoder.h"
void DecodePixels(const CRawDoc&, uint8_t*) {}
uint32_t UnpackFields(const CRawDoc&, uint32_t) { return 0; }
bool PixelBufferBytes(uint32_t, uint32_t, size_t&) { return false; }
