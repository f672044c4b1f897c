// Decimal digits of unsigned fields, padded with zeros, written into a buffer.
#pragma once

#include <algorithm>
#include <charconv>
#include <cstddef>

// "%0*u": the value's digits, padded with zeros to `width`, written at out;
// the result is the end of what was written.
inline char* put_padded(char* out, unsigned value, std::size_t width)
{
    // Even widths up to eight that the value fills (months, days, hours,
    // exponents, a double's digits) are most of the calls: two digits at a
    // time, from the right.
    constexpr unsigned limits[] = {1, 100, 10'000, 1'000'000, 100'000'000};
    if (width % 2 == 0 && width <= 8 && value < limits[width / 2]) {
        for (std::size_t i = width; i > 0; i -= 2) {
            out[i - 2] = static_cast<char>('0' + value / 10 % 10);
            out[i - 1] = static_cast<char>('0' + value % 10);
            value /= 100;
        }
        return out + width;
    }
    char digits[16];
    const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    for (auto count = static_cast<std::size_t>(end - digits); count < width; ++count)
        *out++ = '0';
    return std::copy(static_cast<const char*>(digits), end, out);
}
