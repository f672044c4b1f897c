// A double as "%.16e" prints it (seventeen significant digits, correctly
// rounded, ties to even), without the general printing's cost for the values
// most tables hold.
#pragma once

#include <cstddef>

// Room scientific_17 needs: sign, 17 digits, point, exponent.
inline constexpr std::size_t scientific_17_room = 32;

// Writes the value at `out` and returns the end, or returns null and writes
// nothing for values outside the fast range (zero, very small or very large
// magnitudes, subnormals, infinities, NaN), which the caller prints the usual way.
char* scientific_17(double value, char* out);
