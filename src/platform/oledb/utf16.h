// Wide text (UTF-32 wchar_t) to and from the UTF-16 that ODBC speaks.
#pragma once

#include <cstdint>
#include <string>

namespace oledb {

// ODBC's SQLWCHAR, without the ODBC headers, whose Windows type names clash
// with the automation stand-in's.
using odbc_char = std::uint16_t;
using odbc_string = std::basic_string<odbc_char>;

odbc_string to_utf16(const std::wstring& text);
std::wstring from_utf16(const odbc_char* text, std::size_t length);
inline std::wstring from_utf16(const odbc_string& text)
{
    return from_utf16(text.data(), text.size());
}

std::string to_utf8(const std::wstring& text);

}  // namespace oledb
