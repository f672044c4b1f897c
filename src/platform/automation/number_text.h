// Numbers as text in the forms of locale 1033: '.' before the fraction, ','
// between groups of the whole part, an optional exponent.
#pragma once

#include "platform/automation/exact_number.h"

#include <string_view>

namespace automation_detail {

// A parsed number: digits times 10^exponent.
struct number_text {
    bool negative = false;
    std::string digits;
    int exponent = 0;
};

// Blanks around, a leading sign, digits with optional group commas, a fraction
// and an exponent; false for anything else, the empty text included.
bool parse_number_text(std::wstring_view text, number_text* out);

// The nearest double; DISP_E_OVERFLOW beyond the double range.
HRESULT real_from_text(const number_text& number, double* out);

// Fifteen significant digits for a double, seven for a float, exponent form
// only where the plain form would be longer ("1E+20", "1.5E-07").
std::wstring real_to_text(double value, int significant_digits);

}  // namespace automation_detail
