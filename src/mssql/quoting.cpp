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
template <class Char>
void append_doubled(std::basic_string<Char>& result, std::basic_string_view<Char> text, Char c)
{
    std::size_t start = 0;
    for (std::size_t found = text.find(c); found != text.npos; found = text.find(c, start)) {
        result.append(text, start, found + 1 - start);
        result += c;
        start = found + 1;
    }
    result.append(text, start);
}

std::wstring doubled(const std::wstring& text, wchar_t c)
{
    std::wstring result;
    result.reserve(text.size() + 2);
    append_doubled<wchar_t>(result, text, c);
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

void mss_append_escaped_literal(std::string& result, std::string_view utf8_text)
{
    // No byte of a multi-byte UTF-8 sequence is an apostrophe.
    append_doubled(result, utf8_text, '\'');
}

std::wstring mss_unicode_literal(const std::wstring& text)
{
    return L"N'" + mss_escape_literal(text) + L"'";
}
