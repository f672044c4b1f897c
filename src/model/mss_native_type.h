// The MS SQL type that a user's mapping rule gives one column.
#pragma once

#include <cstdint>
#include <string>

struct mss_native_type {
    std::wstring type;  // a T-SQL type name such as "nvarchar" or "decimal"
    std::wstring default_value;
    std::wstring character_set;
    std::uint64_t length = 0;
    std::uint32_t scale = 0;
    std::uint32_t prec = 0;  // the precision
};
