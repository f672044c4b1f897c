// Table names as OLE DB table ids carry them, quoted for T-SQL.
#pragma once

#include <string>

namespace oledb {

// The text between `open` and `close`, every `close` inside doubled.
std::wstring enclosed(const std::wstring& text, wchar_t open, wchar_t close);

// One identifier in square brackets, a closing bracket doubled.
inline std::wstring bracketed(const std::wstring& part)
{
    return enclosed(part, L'[', L']');
}

// A name used as given when it carries its own quoting; else each dotted
// part in square brackets.
std::wstring quoted_table_name(const std::wstring& table);

}  // namespace oledb
