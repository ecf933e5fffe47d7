// Stage 4, the picture's start: where bytes stop differing from the row below more than
// the picture's rows differ from each other (the header's end), made exact by the file's
// end or by the row boundary.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "guess/evidence.h"
#include "guess/family.h"
#include "guess/shapes.h"

// The end of a leading stretch where `across(t)`, a value's difference from the one a row on,
// exceeds `along(t)`, that one's difference from the next row on: within a picture both are
// alike. A stretch must stand out by more than half the picture's own row differences.
// The margin is kBaseMargin plus half the typical row difference; a climb of kChanceClimb
// margins is no chance. Set in the first version (932a95d), not tuned since.
// `againstTypical`: a stretch many rows long (the machine code before a picture cut from a
// file) differs from its own next row as much as from the picture's; its difference is
// weighed against the picture's typical one instead. Not for whole files: a picture whose
// top rows are busier than the rest has no header.
constexpr double kBaseMargin = 2;
constexpr double kChanceClimb = 8;

// The climb after each of the first `span` values, with the margin it is judged by.
struct Climbs {
    std::vector<double> after;
    double margin = 0;
};

template <typename Across, typename Along>
Climbs ClimbsOf(uint64_t span, Across across, Along along, bool againstTypical = false) {
    double typical = 0;
    for (uint64_t t = span / 2; t < span; ++t) typical += along(t);
    typical /= static_cast<double>(std::max<uint64_t>(1, span - span / 2));
    Climbs climbs;
    climbs.margin = kBaseMargin + typical / 2;
    climbs.after.resize(span);
    double climb = 0;
    for (uint64_t t = 0; t < span; ++t) {
        climb += across(t) - (againstTypical ? typical : along(t)) - climbs.margin;
        climbs.after[t] = climb;
    }
    return climbs;
}

// Where the highest climb ends; chance gives short climbs, and a header of a few bytes
// already climbs well above them.
int64_t HighestClimbEnd(const Climbs& climbs);

template <typename Across, typename Along>
int64_t ChangePoint(uint64_t span, Across across, Along along, bool againstTypical = false) {
    return HighestClimbEnd(ClimbsOf(span, across, along, againstTypical));
}

// Where the bytes start to match the bytes one stride on, within the head of the file, and
// whether other bytes follow the rows at its end.
struct PictureEdges {
    int64_t headerEnd = 0;
    bool trailer = false;
    bool endIsFileEnd = true;
    // Of a span: the head's own change point, and the row phase its tail's gives (or -1).
    int64_t headEdge = 0;
    int64_t tailPhase = -1;
};
PictureEdges FindPictureEdges(const Evidence& evidence, uint64_t stride);

// The end of the lines of text a file starts with (Netpbm's header, a note before a dump),
// or 0: the bytes up to the last line break before the first byte that is not text.
int64_t TextHeaderEnd(const std::vector<uint8_t>& bytes);

// Where the shape's picture starts, and how sure that is as a share of the reading's
// confidence; none when its zero columns are not where rows end or the start is past what a
// layout can hold.
struct PictureStartAt {
    int64_t offset;
    double certainty;
};
std::optional<PictureStartAt> PictureStart(const Evidence& evidence, const PixelFamily& family, const Shape& shape,
                                          const Columns& columns, const PictureEdges& edges);
