// DXT1 blocks' measures that other stages use: whether the bytes are blocks, which strides
// their brightness gives, and what that evidence says of any reading.
#pragma once

#include <cstdint>
#include <functional>

#include "guess/evidence.h"
#include "guess/reading.h"

// Fills evidence.blocks, and when they are evident the block brightness and its profile.
void MeasureBlocks(Evidence& evidence);

// The block strides worth trying, each passed to `addStride` in bytes.
void AddBlockStrides(const Evidence& evidence, const std::function<void(uint64_t)>& addStride);

// Blocks where the bytes show them make a DXT1 reading cheaper and any other dearer.
double BlockOrderPenalty(const BlockEvidence& blocks, const Layout& layout);
