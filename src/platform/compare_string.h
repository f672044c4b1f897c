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

}  // namespace platform
