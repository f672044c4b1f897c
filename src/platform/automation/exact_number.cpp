#include "platform/automation/exact_number.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace automation_detail {

namespace {

constexpr int max_power = 38;  // 10^38 is the largest power of ten in 128 bits
constexpr int max_decimal_scale = 28;
constexpr uint128 max_decimal_magnitude = (uint128{1} << 96) - 1;
constexpr uint128 max_signed_magnitude = (uint128{1} << 127) - 1;

uint128 power_of_ten(int n)
{
    static const auto table = [] {
        std::array<uint128, max_power + 1> powers{};
        powers[0] = 1;
        for (int i = 1; i <= max_power; ++i)
            powers[i] = powers[i - 1] * 10;
        return powers;
    }();
    return table[n];
}

// Divides by 10^digits, rounding ties to the even quotient.
uint128 scale_down(uint128 magnitude, int digits)
{
    if (digits <= 0)
        return magnitude;
    if (digits > max_power)
        return 0;  // below half of 10^39, so it rounds to 0
    const uint128 divisor = power_of_ten(digits);
    uint128 quotient = magnitude / divisor;
    const uint128 rest = magnitude % divisor;
    const uint128 other = divisor - rest;
    if (rest > other || (rest == other && (quotient & 1) != 0))
        ++quotient;
    return quotient;
}

// Multiplies by 10^digits; false when the product would exceed limit.
bool scale_up(uint128& magnitude, int digits, uint128 limit)
{
    for (int i = 0; i < digits && magnitude != 0; ++i) {
        if (magnitude > limit / 10)
            return false;
        magnitude *= 10;
    }
    return magnitude <= limit;
}

// Brings value to the given scale; false when the magnitude would exceed limit.
bool rescale(exact_number& value, int scale, uint128 limit)
{
    if (value.scale > scale)
        value.magnitude = scale_down(value.magnitude, value.scale - scale);
    else if (value.scale < scale && !scale_up(value.magnitude, scale - value.scale, limit))
        return false;
    value.scale = scale;
    return value.magnitude <= limit;
}

exact_number exact_from_signed(int128 value, int scale)
{
    exact_number result;
    result.negative = value < 0;
    result.magnitude = value < 0 ? uint128{0} - static_cast<uint128>(value) : static_cast<uint128>(value);
    result.scale = scale;
    return result;
}

}  // namespace

std::string digits_of(uint128 value)
{
    // Most magnitudes fit 64 bits, whose digits cost no 128-bit division.
    if (value <= std::numeric_limits<std::uint64_t>::max()) {
        char text[20];
        char* end = std::to_chars(text, text + sizeof text, static_cast<std::uint64_t>(value)).ptr;
        return std::string(text, end);
    }
    std::string digits;
    do {
        digits.push_back(static_cast<char>('0' + static_cast<int>(value % 10)));
        value /= 10;
    } while (value != 0);
    std::reverse(digits.begin(), digits.end());
    return digits;
}

exact_number exact_from_integer(int128 value)
{
    return exact_from_signed(value, 0);
}

exact_number exact_from_currency(CY value)
{
    return exact_from_signed(value.int64, 4);
}

exact_number exact_from_decimal(const DECIMAL& value)
{
    exact_number result;
    result.negative = (value.sign & DECIMAL_NEG) != 0;
    result.magnitude = (uint128{value.Hi32} << 64) | value.Lo64;
    result.scale = value.scale;
    return result;
}

exact_number exact_from_digits(const std::string& digits, int exponent, bool negative)
{
    const std::size_t first = std::min(digits.find_first_not_of('0'), digits.size());
    std::string kept = digits.substr(first);
    if (kept.size() > static_cast<std::size_t>(max_power)) {
        const bool inexact = kept.find_first_not_of('0', max_power) != std::string::npos;
        exponent += static_cast<int>(kept.size()) - max_power;
        kept.resize(max_power);
        // Round to odd: a later rounding at fewer digits then sees a tie only
        // where the full text had one.
        if (inexact && (kept.back() == '0' || kept.back() == '5'))
            ++kept.back();
    }
    exact_number result;
    result.negative = negative;
    for (char digit : kept)
        result.magnitude = result.magnitude * 10 + static_cast<unsigned>(digit - '0');
    result.scale = -exponent;
    return result;
}

HRESULT exact_from_real(double value, int significant_digits, exact_number* out)
{
    if (!std::isfinite(value))
        return DISP_E_OVERFLOW;
    // "d.ddde+xx", the same in every process locale.
    char text[64];
    const auto end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, significant_digits - 1).ptr;
    std::string digits;
    const char* p = text;
    const bool negative = *p == '-';
    if (negative)
        ++p;
    for (; *p != 'e'; ++p) {
        if (*p != '.')
            digits.push_back(*p);
    }
    int exponent = 0;
    std::from_chars(p + 1 + (p[1] == '+'), end, exponent);
    exponent -= significant_digits - 1;
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
        ++exponent;
    }
    *out = exact_from_digits(digits, exponent, negative);
    return S_OK;
}

HRESULT exact_to_decimal(exact_number value, DECIMAL* out)
{
    if (value.scale < 0 && !rescale(value, 0, max_decimal_magnitude))
        return DISP_E_OVERFLOW;
    // One rounding from the original digits, to the first scale that fits.
    const uint128 original = value.magnitude;
    for (int drop = std::max(0, value.scale - max_decimal_scale); drop <= value.scale; ++drop) {
        const uint128 magnitude = scale_down(original, drop);
        if (magnitude <= max_decimal_magnitude) {
            out->wReserved = 0;
            out->scale = static_cast<BYTE>(value.scale - drop);
            out->sign = value.negative && magnitude != 0 ? DECIMAL_NEG : 0;
            out->Hi32 = static_cast<ULONG>(magnitude >> 64);
            out->Lo64 = static_cast<ULONGLONG>(magnitude);
            return S_OK;
        }
    }
    return DISP_E_OVERFLOW;
}

HRESULT exact_to_currency(const exact_number& value, CY* out)
{
    int128 result = 0;
    exact_number scaled = value;
    if (!rescale(scaled, 4, max_signed_magnitude))
        return DISP_E_OVERFLOW;
    scaled.scale = 0;
    const HRESULT hr = exact_to_integer(scaled, INT64_MIN, INT64_MAX, &result);
    if (SUCCEEDED(hr))
        out->int64 = static_cast<LONGLONG>(result);
    return hr;
}

HRESULT exact_to_integer(const exact_number& value, int128 min, int128 max, int128* out)
{
    exact_number whole = value;
    if (!rescale(whole, 0, max_signed_magnitude))
        return DISP_E_OVERFLOW;
    const int128 result = whole.negative ? -static_cast<int128>(whole.magnitude) : static_cast<int128>(whole.magnitude);
    if (result < min || result > max)
        return DISP_E_OVERFLOW;
    *out = result;
    return S_OK;
}

double exact_to_real(const exact_number& value)
{
    // The C library rounds a digit text to the nearest double.
    std::string text = value.negative ? "-" : "";
    text += digits_of(value.magnitude) + "e" + std::to_string(-value.scale);
    return std::strtod(text.c_str(), nullptr);
}

std::string exact_to_text(const exact_number& value)
{
    std::string digits = digits_of(value.magnitude);
    if (value.magnitude != 0 && value.scale < 0)
        digits.append(static_cast<std::size_t>(-value.scale), '0');
    if (value.scale > 0) {
        const auto scale = static_cast<std::size_t>(value.scale);
        if (digits.size() <= scale)
            digits.insert(0, scale + 1 - digits.size(), '0');
        digits.insert(digits.size() - scale, 1, '.');
        digits.erase(digits.find_last_not_of('0') + 1);
        if (digits.back() == '.')
            digits.pop_back();
    }
    return value.negative && value.magnitude != 0 ? "-" + digits : digits;
}

}  // namespace automation_detail
