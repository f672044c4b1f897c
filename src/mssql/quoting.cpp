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

std::wstring doubled(const std::wstring& text, wchar_t c)
{
    std::wstring result;
    result.reserve(text.size() + 2);
    for (const wchar_t ch : text) {
        result += ch;
        if (ch == c)
            result += c;
    }
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
