#include "mysql/client_handles.h"

#include <cstdio>

std::optional<uint32_t> sql_parse_version(const char* text)
{
    int major = 0, minor = 0, patch = 0;
    if (text == nullptr || std::sscanf(text, "%d.%d.%d", &major, &minor, &patch) != 3)
        return std::nullopt;
    return sql_version_code(static_cast<uint32_t>(major), static_cast<uint32_t>(minor), static_cast<uint32_t>(patch));
}

std::wstring sql_quote_name(const std::wstring& name)
{
    std::wstring quoted = L"`";
    for (wchar_t c : name) {
        if (c == L'`')
            quoted += L'`';
        quoted += c;
    }
    return quoted + L"`";
}

bool sql_is_quoted_name(const std::wstring& name)
{
    if (name.size() < 2 || name.front() != L'`' || name.back() != L'`')
        return false;
    for (std::size_t at = 1; at + 1 < name.size(); ++at) {
        if (name[at] != L'`')
            continue;
        if (at + 2 >= name.size() || name[at + 1] != L'`')
            return false;
        ++at;
    }
    return true;
}

std::string sql_escape_string(MYSQL* connection, const std::string& text)
{
    std::string escaped(text.size() * 2 + 1, '\0');
    unsigned long length =
        mysql_real_escape_string(connection, escaped.data(), text.data(), static_cast<unsigned long>(text.size()));
    escaped.resize(length);
    return escaped;
}
