// Exact decimal arithmetic for the DECIMAL and currency conversions: a sign, a
// magnitude of up to 128 bits and a power-of-ten scale. Every rounding is to
// the nearest value, ties to the even one, as OLE Automation rounds.
#pragma once

#include "platform/automation/variant.h"

#include <string>

namespace automation_detail {

using uint128 = unsigned __int128;
using int128 = __int128;

// value = (negative ? -1 : 1) * magnitude / 10^scale; a negative scale multiplies.
struct exact_number {
    bool negative = false;
    uint128 magnitude = 0;
    int scale = 0;
};

exact_number exact_from_integer(int128 value);
exact_number exact_from_decimal(const DECIMAL& value);
exact_number exact_from_currency(CY value);
// A double keeps 15 significant digits, a float 7, as OLE takes them over.
HRESULT exact_from_real(double value, int significant_digits, exact_number* out);
// Digits of a number text (no leading zeros needed) times 10^exponent; more
// digits than 128 bits hold are cut with a sticky last digit so that one later
// rounding is still exact.
exact_number exact_from_digits(const std::string& digits, int exponent, bool negative);

// Rounds to at most 28 places and 96 bits; DISP_E_OVERFLOW beyond.
HRESULT exact_to_decimal(exact_number value, DECIMAL* out);
HRESULT exact_to_currency(const exact_number& value, CY* out);
// Rounds to an integer and checks it against [min, max].
HRESULT exact_to_integer(const exact_number& value, int128 min, int128 max, int128* out);
// The nearest double.
double exact_to_real(const exact_number& value);
// Plain decimal text with '.', without trailing zeros of the fraction.
std::string exact_to_text(const exact_number& value);

std::string digits_of(uint128 value);

}  // namespace automation_detail
