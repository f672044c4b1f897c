// Names of tables, columns, indexes and keys compare ignoring case, as the
// user's locale does.
#pragma once

#include "platform/compare_string.h"

#include <string_view>

inline bool udb_same_name(std::wstring_view a, std::wstring_view b)
{
    return platform::equal_ignoring_case(a, b);
}
