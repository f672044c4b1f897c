#include "platform/automation/number_text.h"

#include "platform/compare_string.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace automation_detail {

namespace {

// Exponents beyond this give 0 or an overflow for every type anyway.
constexpr int exponent_limit = 100000;

bool is_blank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f';
}

bool is_digit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

}  // namespace

bool parse_number_text(std::wstring_view text, number_text* out)
{
    number_text number;
    std::size_t i = 0;
    const std::size_t n = text.size();
    auto at = [&](std::size_t k) { return k < n ? text[k] : L'\0'; };
    while (is_blank(at(i)))
        ++i;
    if (at(i) == L'+' || at(i) == L'-')
        number.negative = at(i++) == L'-';
    bool any_digit = false;
    for (; is_digit(at(i)) || (at(i) == L',' && any_digit && is_digit(at(i + 1))); ++i) {
        if (at(i) != L',') {
            number.digits.push_back(static_cast<char>(at(i)));
            any_digit = true;
        }
    }
    if (at(i) == L'.') {
        for (++i; is_digit(at(i)); ++i) {
            number.digits.push_back(static_cast<char>(at(i)));
            --number.exponent;
            any_digit = true;
        }
    }
    if (!any_digit)
        return false;
    if (at(i) == L'e' || at(i) == L'E') {
        ++i;
        bool negative_exponent = false;
        if (at(i) == L'+' || at(i) == L'-')
            negative_exponent = at(i++) == L'-';
        if (!is_digit(at(i)))
            return false;
        int exponent = 0;
        for (; is_digit(at(i)); ++i)
            exponent = std::min(exponent * 10 + (at(i) - L'0'), exponent_limit);
        number.exponent += negative_exponent ? -exponent : exponent;
    }
    while (is_blank(at(i)))
        ++i;
    if (i != n)
        return false;
    *out = number;
    return true;
}

HRESULT real_from_text(const number_text& number, double* out)
{
    const std::string text = (number.negative ? "-" : "") + (number.digits.empty() ? "0" : number.digits) + "e" +
                             std::to_string(number.exponent);
    const double value = std::strtod(text.c_str(), nullptr);
    if (std::isinf(value))
        return DISP_E_OVERFLOW;
    *out = value;
    return S_OK;
}

std::wstring real_to_text(double value, int significant_digits)
{
    // "%G" in every process locale: the C library's form would follow LC_NUMERIC.
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::general, significant_digits).ptr;
    std::wstring result;
    for (const char* p = text; p != end; ++p)
        result.push_back(static_cast<wchar_t>(platform::ascii_upper(*p)));
    return result;
}

}  // namespace automation_detail
