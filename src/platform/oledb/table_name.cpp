#include "platform/oledb/table_name.h"

namespace oledb {

std::wstring enclosed(const std::wstring& text, wchar_t open, wchar_t close)
{
    std::wstring quoted(1, open);
    for (wchar_t c : text) {
        quoted += c;
        if (c == close)
            quoted += close;
    }
    return quoted + close;
}

std::wstring quoted_table_name(const std::wstring& table)
{
    if (table.find_first_of(L"[\"") != std::wstring::npos)
        return table;
    std::wstring quoted;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = table.find(L'.', start);
        quoted += bracketed(table.substr(start, dot - start));
        if (dot == std::wstring::npos)
            return quoted;
        quoted += L".";
        start = dot + 1;
    }
}

}  // namespace oledb
