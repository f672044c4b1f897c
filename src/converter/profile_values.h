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

// The three dump switches that both servers' sections keep under the same keys.
inline void read_dump_flags(const udb_profile& profile, const wchar_t* section, bool& insert_comments,
                            bool& create_database, bool& create_table)
{
    read_flag(profile, section, L"dump insert comments", insert_comments);
    read_flag(profile, section, L"dump create database", create_database);
    read_flag(profile, section, L"dump create table", create_table);
}

inline void write_dump_flags(udb_profile& profile, const wchar_t* section, bool insert_comments, bool create_database,
                             bool create_table)
{
    profile.set_value(section, L"dump insert comments", flag_text(insert_comments));
    profile.set_value(section, L"dump create database", flag_text(create_database));
    profile.set_value(section, L"dump create table", flag_text(create_table));
}

}  // namespace profile_values

inline constexpr const wchar_t* section_mysql = L"MySQL settings";
inline constexpr const wchar_t* section_mssql = L"MS SQL Server settings";
