// Comparison of wide text ignoring case (CompareStringW with NORM_IGNORECASE in
// the user's locale). Case is folded by Unicode's simple mappings, the same in
// every process locale.
#pragma once

#include <cstdint>
#include <string_view>

inline constexpr std::uint32_t NORM_IGNORECASE = 0x1;

inline constexpr int CSTR_LESS_THAN = 1;
inline constexpr int CSTR_EQUAL = 2;
inline constexpr int CSTR_GREATER_THAN = 3;

// Orders by code point after folding (with NORM_IGNORECASE), shorter first on a
// common prefix. Returns one of the CSTR_ values.
int CompareStringW(std::uint32_t flags, std::wstring_view left, std::wstring_view right);

namespace platform {

wchar_t to_lower(wchar_t character);

// Upper then lower case, so that variant forms such as final sigma or the long s
// meet their ordinary letter.
wchar_t fold_case(wchar_t character);

// Equal ignoring case as CompareStringW folds it: the comparison of names and
// texts that users and servers write. Folding keeps every character a
// character, so texts of different lengths never match.
inline bool equal_ignoring_case(std::wstring_view left, std::wstring_view right)
{
    return left.size() == right.size() && CompareStringW(NORM_IGNORECASE, left, right) == CSTR_EQUAL;
}

// Equal when only the letters A to Z are folded, whatever the process locale:
// the comparison of the fixed words and keywords of a text format, which no
// locale changes (a Turkish one would fold 'I' to a dotless i).
template <class Char>
constexpr Char ascii_lower(Char c)
{
    return c >= Char('A') && c <= Char('Z') ? Char(c - Char('A') + Char('a')) : c;
}

template <class Char>
constexpr Char ascii_upper(Char c)
{
    return c >= Char('a') && c <= Char('z') ? Char(c - Char('a') + Char('A')) : c;
}

template <class Char>
bool equal_ignoring_ascii_case(std::basic_string_view<Char> left, std::basic_string_view<Char> right)
{
    if (left.size() != right.size())
        return false;
    for (std::size_t i = 0; i < left.size(); ++i)
        if (ascii_lower(left[i]) != ascii_lower(right[i]))
            return false;
    return true;
}

}  // namespace platform
