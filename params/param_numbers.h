// The numbers of the Parameters dialog, free of window code: how typed text reads as a
// number, and how widths and heights map onto the trackbars that span the file.
#pragma once

#include <cstdint>

// Reads typed text the way a dialog reads a number: leading blanks are skipped, then the
// decimal digits up to the first other character are taken. Text without digits, or a
// number outside the read's 32-bit range, reads as 0. Only the signed read takes a minus.
uint32_t ParseUnsignedNumber(const wchar_t* text);
int32_t ParseSignedNumber(const wchar_t* text);

// The lower end of the width and height trackbars.
constexpr int32_t kTrackbarLowerEnd = 1;

// Upper ends of the controls for a file of `fileSize` bytes: the up-downs reach the file
// size as far as a 32-bit position allows, the 16-bit trackbars at most 32767.
int32_t UpDownLimit(int64_t fileSize);
int32_t TrackbarLimit(int64_t fileSize);

// The trackbar position that shows `value` (a width or height) on a trackbar whose upper
// end stands for the whole file; always within 1 and the trackbar's upper end.
int32_t TrackbarPosition(uint32_t value, int64_t fileSize);

// The width or height that trackbar position `position` stands for; 0 for an empty file,
// and never more than the largest up-down position.
uint32_t TrackbarValue(uint16_t position, int64_t fileSize);

// Where a line or page step of a trackbar ends. The trackbar's own step moved the thumb to
// `position`, `direction` (+1 towards the upper end, -1 towards the lower) from where it
// stood. With a step of a few bytes, truncated, a typed number can lie just below the
// number of the next position, which would then show `shown` again: the step goes on that
// way to the first position whose number lies beyond `shown`, or stops at the range's end.
uint16_t PositionPastNumber(uint16_t position, int direction, uint32_t shown, int64_t fileSize);
