// Stage 5, the cost of a reading: the bits a byte its pixels cost when every channel is
// predicted from its neighbours (the families code their own planes where that does not
// fit), the bytes it leaves outside its picture, and what the bits do not see.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "guess/evidence.h"
#include "guess/family.h"
#include "guess/reading.h"

// Bits to code the counted values one by one with an adaptive model (each value's chance
// from the counts before it, every count starting at `prior`): the entropy plus the cost of
// learning the counts, so that a model with more symbols than data does not look cheap.
double CodeLengthBits(const std::vector<uint32_t>& histogram, uint64_t count, double prior);

// Bits of a stretch of bytes that are no picture, each byte coded by how often its value
// occurs there.
double StretchBits(const uint8_t* bytes, size_t count);

// Pixel rows of the shape from `offset` to the file's end (the last row's pad may be missing).
uint64_t RowsInFile(const PixelFamily& family, const Shape& shape, int64_t offset, int64_t fileSize);

// The reading of `layout`'s shape from its offset, at its cheapest variant, with the
// structure its stride shows; none when the file holds too few of its rows.
std::optional<Scored> ScoreReading(Evidence& evidence, const PixelFamily& family, Layout layout, double structure);
