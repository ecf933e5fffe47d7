// A literal, step-by-step transcription of the decoder's unit loop: one read call a unit,
// one pixel at a time. Slow on purpose; the fast decoder must match it byte for byte.
#pragma once

#include <cstdint>

#include "decode/raw_doc.h"

void ReferenceDecode(const CRawDoc& doc, uint8_t* pixels);
uint32_t ReferenceUnpackFields(const CRawDoc& doc, uint32_t v);
