#include "variant/leading_number.h"

#include <charconv>
#include <clocale>
#include <cstdlib>
#include <locale.h>
#include <type_traits>

namespace {

// Texts that are one number and nothing else, the common case, are read
// without the C library's locale and blank handling; any other text, or a
// number out of range, goes the C library's way.
template <class Number>
bool whole_number(const std::string& text, Number& value)
{
    const char* end = text.data() + text.size();
    std::from_chars_result result{};
    if constexpr (std::is_floating_point_v<Number>)
        result = std::from_chars(text.data(), end, value, std::chars_format::general);
    else
        result = std::from_chars(text.data(), end, value);
    return result.ec == std::errc() && result.ptr == end;
}

}  // namespace

double leading_double(const std::string& text)
{
    static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", nullptr);
    double value = 0;
    return whole_number(text, value) ? value : strtod_l(text.c_str(), nullptr, c_locale);
}

std::int64_t leading_int64(const std::string& text)
{
    std::int64_t value = 0;
    return whole_number(text, value) ? value : std::strtoll(text.c_str(), nullptr, 10);
}

std::uint64_t leading_uint64(const std::string& text)
{
    std::uint64_t value = 0;
    return whole_number(text, value) ? value : std::strtoull(text.c_str(), nullptr, 10);
}
