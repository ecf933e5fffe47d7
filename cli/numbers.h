// Strict decimal parsing of command-line values: ASCII digits only, no spaces, no '+'
// and no empty text. Only the signed form accepts a leading '-'.
#pragma once

#include <cstdint>
#include <string_view>

enum class NumberStatus { Ok, Malformed, OutOfRange };

// A value from 0 to `max`; a negative number is out of range.
NumberStatus ParseUnsigned(std::string_view text, uint32_t max, uint32_t& value);
// A value from INT32_MIN to INT32_MAX.
NumberStatus ParseSigned32(std::string_view text, int32_t& value);
