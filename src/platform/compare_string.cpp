#include "platform/compare_string.h"

#include "platform/utf8_locale.h"

#include <wctype.h>

namespace platform {

wchar_t to_lower(wchar_t character)
{
    if (locale_t locale = utf8_ctype_locale())
        return static_cast<wchar_t>(towlower_l(static_cast<wint_t>(character), locale));
    return character >= L'A' && character <= L'Z' ? character + (L'a' - L'A') : character;
}

wchar_t fold_case(wchar_t character)
{
    if (locale_t locale = utf8_ctype_locale()) {
        wint_t upper = towupper_l(static_cast<wint_t>(character), locale);
        return static_cast<wchar_t>(towlower_l(upper, locale));
    }
    return to_lower(character);
}

}  // namespace platform

int CompareStringW(std::uint32_t flags, std::wstring_view left, std::wstring_view right)
{
    const bool ignore_case = (flags & NORM_IGNORECASE) != 0;
    const std::size_t common = left.size() < right.size() ? left.size() : right.size();
    for (std::size_t i = 0; i < common; ++i) {
        if (left[i] == right[i])
            continue;
        wchar_t a = ignore_case ? platform::fold_case(left[i]) : left[i];
        wchar_t b = ignore_case ? platform::fold_case(right[i]) : right[i];
        if (a != b)
            return a < b ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
    }
    if (left.size() == right.size())
        return CSTR_EQUAL;
    return left.size() < right.size() ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
}
