// Small builders and readers of values for the variant tests.
#pragma once

#include "variant/ole_variant.h"

#include <string>
#include <vector>

inline std::vector<BYTE> bytes_of(const ole_variant& value)
{
    const BYTE* bytes = nullptr;
    std::string text;
    const std::uint32_t count = value.get_bytes1(bytes, text);
    return std::vector<BYTE>(bytes, bytes + count);
}

inline ole_variant currency(LONGLONG units)
{
    CY value;
    value.int64 = units;
    return ole_variant(value);
}

inline ole_variant decimal(const wchar_t* text)
{
    DECIMAL value{};
    VarDecFromStr(text, 1033, 0, &value);
    return ole_variant(value);
}
