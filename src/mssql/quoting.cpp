#include "mssql/quoting.h"

namespace {

// "[...]" whose inner "]" are all doubled.
bool is_bracketed_identifier(const std::wstring& name)
{
    if (name.size() < 2 || name.front() != L'[' || name.back() != L']')
        return false;
    for (std::size_t i = 1; i + 1 < name.size(); ++i) {
        if (name[i] != L']')
            continue;
        if (i + 2 >= name.size() || name[i + 1] != L']')
            return false;
        ++i;
    }
    return true;
}

// Copied in runs between the characters to double: every text value of a
// script passes through here.
std::wstring doubled(const std::wstring& text, wchar_t c)
{
    std::wstring result;
    result.reserve(text.size() + 2);
    std::size_t start = 0;
    for (std::size_t found = text.find(c); found != std::wstring::npos; found = text.find(c, start)) {
        result.append(text, start, found + 1 - start);
        result += c;
        start = found + 1;
    }
    result.append(text, start);
    return result;
}

} // namespace

std::wstring mss_bracket_name(const std::wstring& name)
{
    return L"[" + doubled(name, L']') + L"]";
}

std::wstring mss_quote_name(const std::wstring& name)
{
    return is_bracketed_identifier(name) ? name : mss_bracket_name(name);
}

std::wstring mss_escape_literal(const std::wstring& text)
{
    return doubled(text, L'\'');
}

std::wstring mss_unicode_literal(const std::wstring& text)
{
    return L"N'" + mss_escape_literal(text) + L"'";
}
