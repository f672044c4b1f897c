// Names of tables, columns, indexes and keys compare ignoring case, as the
// user's locale does.
#pragma once

#include <string_view>

#include "platform/compare_string.h"

inline bool udb_same_name(std::wstring_view a, std::wstring_view b)
{
    return platform::equal_ignoring_case(a, b);
}
