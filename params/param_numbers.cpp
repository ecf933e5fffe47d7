#include "params/param_numbers.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int64_t kMaxUpDownPosition = 2147483647;
constexpr int64_t kMaxTrackbarPosition = 32767;

bool IsPast(uint32_t value, int direction, uint32_t shown) {
    return direction > 0 ? value > shown : value < shown;
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

const wchar_t* SkipBlanks(const wchar_t* text) {
    while (IsBlank(*text)) ++text;
    return text;
}

// The decimal digits at `text`; false when there are none or the number passes `limit`.
bool ReadDigits(const wchar_t* text, uint64_t limit, uint64_t& value) {
    value = 0;
    if (*text < L'0' || *text > L'9') return false;
    for (; *text >= L'0' && *text <= L'9'; ++text) {
        value = value * 10 + static_cast<uint64_t>(*text - L'0');
        if (value > limit) return false;
    }
    return true;
}

}  // namespace

uint32_t ParseUnsignedNumber(const wchar_t* text) {
    uint64_t value = 0;
    return ReadDigits(SkipBlanks(text), UINT32_MAX, value) ? static_cast<uint32_t>(value) : 0;
}

int32_t ParseSignedNumber(const wchar_t* text) {
    text = SkipBlanks(text);
    const bool negative = *text == L'-';
    if (negative) ++text;
    const uint64_t limit = negative ? uint64_t{2147483648u} : uint64_t{2147483647u};
    uint64_t value = 0;
    if (!ReadDigits(text, limit, value)) return 0;
    return static_cast<int32_t>(negative ? -static_cast<int64_t>(value)
                                         : static_cast<int64_t>(value));
}

int32_t UpDownLimit(int64_t fileSize) {
    return static_cast<int32_t>(std::clamp<int64_t>(fileSize, 0, kMaxUpDownPosition));
}

int32_t TrackbarLimit(int64_t fileSize) {
    return static_cast<int32_t>(std::clamp<int64_t>(fileSize, 0, kMaxTrackbarPosition));
}

int32_t TrackbarPosition(uint32_t value, int64_t fileSize) {
    if (fileSize <= 0) return kTrackbarLowerEnd;  // an empty file has no scale
    const int32_t top = TrackbarLimit(fileSize);
    const double position = std::trunc(static_cast<double>(value) * top /
                                       static_cast<double>(fileSize));
    // A typed width above the file size would land past the end (or past 32 bits).
    if (position < kTrackbarLowerEnd) return kTrackbarLowerEnd;
    if (position > top) return top;
    return static_cast<int32_t>(position);
}

uint32_t TrackbarValue(uint16_t position, int64_t fileSize) {
    if (fileSize <= 0) return 0;
    const int32_t top = TrackbarLimit(fileSize);
    const double value = static_cast<double>(fileSize) * (static_cast<double>(position) / top);
    // Files beyond 2 GiB would otherwise give numbers that wrap in 32 bits.
    if (value >= static_cast<double>(kMaxUpDownPosition)) return kMaxUpDownPosition;
    return static_cast<uint32_t>(value);
}

uint16_t PositionPastNumber(uint16_t position, int direction, uint32_t shown, int64_t fileSize) {
    const int32_t top = TrackbarLimit(fileSize);
    int32_t at = position;
    while (!IsPast(TrackbarValue(static_cast<uint16_t>(at), fileSize), direction, shown)) {
        const int32_t next = at + direction;
        if (next < kTrackbarLowerEnd || next > top) break;
        at = next;
    }
    return static_cast<uint16_t>(at);
}
