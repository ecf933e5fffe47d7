// Known headers: a file that begins with the header of a common picture format (BMP, TGA,
// PBM/PGM/PPM, DDS, XWD, PSF fonts) says its layout outright. The bytes' structure is still
// guessed beside it, for a header may be stale or describe only part of the file.
#pragma once

#include <optional>

#include "guess/reading.h"
#include "guess/region.h"
#include "guess/sample.h"

struct DescribedLayout {
    Layout layout;       // rows are pixel rows, as the header gives them
    const char* format;  // "BMP", "TGA", ...
};

// The layout that the header at the file's start gives, when it is a header of a known
// format whose fields agree with each other and whose rows fit in the file; else none.
std::optional<DescribedLayout> LayoutFromHeader(const FileSample& sample);

// Of a tar archive's bytes, the member that holds the most of `around`, or when there is no
// such stretch the largest member: a file of its own, whose picture starts and ends with it.
// None when the bytes are no tar archive.
std::optional<ByteSpan> ArchiveMember(const std::vector<uint8_t>& bytes, const std::optional<ByteSpan>& around);
