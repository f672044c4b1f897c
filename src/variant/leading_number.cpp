#include "variant/leading_number.h"

#include <clocale>
#include <cstdlib>
#include <locale.h>

double leading_double(const std::string& text)
{
    static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", nullptr);
    return strtod_l(text.c_str(), nullptr, c_locale);
}

std::int64_t leading_int64(const std::string& text)
{
    return std::strtoll(text.c_str(), nullptr, 10);
}

std::uint64_t leading_uint64(const std::string& text)
{
    return std::strtoull(text.c_str(), nullptr, 10);
}
