// Stage 2, row strides: the bytes of a raster repeat at a lag of one row stride, so the
// lag profile dips there. The sharpest dips, and the dips a few bytes beside them, are the
// strides tried.
#pragma once

#include <cstdint>
#include <vector>

#include "guess/family.h"
#include "guess/lag_profile.h"

// The longest row stride measured. Set in the first version (932a95d), not tuned since.
constexpr uint64_t kMaxStride = 32768;
// The shortest row stride tried: a byte, a row of a font's glyphs 8 pixels wide (real fonts).
constexpr uint64_t kMinStride = 1;
// Rows this short are rows of glyphs, 8 pixels wide a byte, 9 to 16 two bytes, the glyphs
// one below the other (real fonts, tune half).
constexpr uint64_t kGlyphRowBytes = 2;
// Bytes either side of a row stride where diagonals dip, tried as strides too; 8 reaches
// diagonal grain sheared by two pixels a row (3a7d031).
constexpr uint64_t kBesideReach = 8;
// A row boundary this strong (SeamStrength) is clear: it decides between a row and its
// diagonal, and a stride beside a reading whose boundary shows this clearly in most rows
// may shear it (c0bd24a, d2b2398).
constexpr double kClearSeam = 2;

// Lags where the profile of `values` dips most sharply, strongest first.
// Bit by bit, the lag a byte off is eight pixels off, no diagonal neighbour: `diagonals`
// false keeps every dip, and adds the parts of strides that two-level pixels need.
// `besideChosen`, where given, gets the dips taken as diagonals beside the strides chosen.
std::vector<uint64_t> StrideCandidates(const LagProfile& profile, const std::vector<uint8_t>& values,
                                       bool diagonals = true, std::vector<uint64_t>* besideChosen = nullptr);

// Every stride to try, and where each came from.
StrideList FindStrides(const Evidence& evidence);
