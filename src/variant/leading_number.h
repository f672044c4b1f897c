// The number at the start of a text, read as the C library reads it (blanks
// and a sign first, the first character that does not fit ends it, 0 when
// there is no number), in the C locale whatever the process locale is.
#pragma once

#include <cstdint>
#include <string>

double leading_double(const std::string& text);
// Out-of-range values stop at the type's limits.
std::int64_t leading_int64(const std::string& text);
// A minus sign negates modulo 2^64, as strtoull does.
std::uint64_t leading_uint64(const std::string& text);
