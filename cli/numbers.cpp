#include "cli/numbers.h"

namespace {

// Stops accumulating once past `limit`, so a long run of digits reports out-of-range
// instead of wrapping, while every character is still checked for being a digit.
NumberStatus ParseMagnitude(std::string_view digits, uint64_t limit, uint64_t& magnitude) {
    if (digits.empty()) return NumberStatus::Malformed;
    uint64_t total = 0;
    bool tooLarge = false;
    for (const char c : digits) {
        if (c < '0' || c > '9') return NumberStatus::Malformed;
        if (tooLarge) continue;
        total = total * 10 + static_cast<uint64_t>(c - '0');
        tooLarge = total > limit;
    }
    if (tooLarge) return NumberStatus::OutOfRange;
    magnitude = total;
    return NumberStatus::Ok;
}

}  // namespace

NumberStatus ParseUnsigned(std::string_view text, uint32_t max, uint32_t& value) {
    uint64_t magnitude = 0;
    if (!text.empty() && text.front() == '-') {  // a negative number, or not a number at all
        const NumberStatus status = ParseMagnitude(text.substr(1), UINT32_MAX, magnitude);
        return status == NumberStatus::Malformed ? status : NumberStatus::OutOfRange;
    }
    const NumberStatus status = ParseMagnitude(text, max, magnitude);
    if (status == NumberStatus::Ok) value = static_cast<uint32_t>(magnitude);
    return status;
}

NumberStatus ParseSigned32(std::string_view text, int32_t& value) {
    const bool negative = !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    const uint64_t limit = negative ? uint64_t{1} << 31 : (uint64_t{1} << 31) - 1;
    uint64_t magnitude = 0;
    const NumberStatus status = ParseMagnitude(text, limit, magnitude);
    if (status != NumberStatus::Ok) return status;
    const int64_t signedValue = negative ? -static_cast<int64_t>(magnitude)
                                         : static_cast<int64_t>(magnitude);
    value = static_cast<int32_t>(signedValue);
    return NumberStatus::Ok;
}
