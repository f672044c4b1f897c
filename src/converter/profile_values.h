// The value forms of the converter's profile keys.
#pragma once

#include "model/profile.h"

#include <string>

namespace profile_values {

inline const wchar_t* flag_text(bool flag)
{
    return flag ? L"1" : L"0";
}

// A flag read only when the key has a value: exactly "1" sets it, any other
// text clears it.
inline void read_flag(const udb_profile& profile, const wchar_t* section, const wchar_t* key, bool& flag)
{
    std::wstring value = profile.get_value(section, key);
    if (!value.empty())
        flag = value == L"1";
}

// A text read only when the key has a value.
inline bool read_text(const udb_profile& profile, const wchar_t* section, const wchar_t* key, std::wstring& text)
{
    std::wstring value = profile.get_value(section, key);
    if (value.empty())
        return false;
    text = value;
    return true;
}

} // namespace profile_values

inline constexpr const wchar_t* section_mysql = L"MySQL settings";
inline constexpr const wchar_t* section_mssql = L"MS SQL Server settings";
