// Names of tables, columns, indexes and keys compare ignoring case, as the
// user's locale does.
#pragma once

#include <string_view>

#include "platform/compare_string.h"

inline bool udb_same_name(std::wstring_view a, std::wstring_view b)
{
    // Folding keeps every character a character, so names of different
    // lengths never match.
    return a.size() == b.size() && CompareStringW(NORM_IGNORECASE, a, b) == CSTR_EQUAL;
}
