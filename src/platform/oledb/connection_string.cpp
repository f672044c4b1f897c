#include "platform/oledb/connection_string.h"

#include "platform/compare_string.h"
#include "platform/oledb/table_name.h"

#include <stdexcept>

namespace oledb {

namespace {

std::wstring trimmed(const std::wstring& s)
{
    const std::size_t first = s.find_first_not_of(L" \t");
    if (first == std::wstring::npos)
        return {};
    return s.substr(first, s.find_last_not_of(L" \t") - first + 1);
}

std::wstring lower(std::wstring s)
{
    for (wchar_t& c : s)
        c = platform::ascii_lower(c);
    return s;
}

// Reads a quoted value starting at `pos` (on the quote); leaves `pos` after it.
std::wstring quoted_value(const std::wstring& text, std::size_t& pos)
{
    const wchar_t quote = text[pos++];
    std::wstring value;
    for (;;) {
        if (pos >= text.size())
            throw std::invalid_argument("initialization string: unterminated quoted value");
        if (text[pos] == quote) {
            if (pos + 1 < text.size() && text[pos + 1] == quote) {
                value += quote;
                pos += 2;
                continue;
            }
            ++pos;
            return value;
        }
        value += text[pos++];
    }
}

}  // namespace

std::wstring odbc_quote(const std::wstring& value)
{
    const bool plain = value.find_first_of(L"[]{}(),;?*=!@") == std::wstring::npos && trimmed(value) == value;
    return plain ? value : enclosed(value, L'{', L'}');
}

std::map<std::wstring, std::wstring> parse_initialization_string(const std::wstring& text)
{
    std::map<std::wstring, std::wstring> pairs;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t equals = text.find(L'=', pos);
        const std::size_t semicolon = text.find(L';', pos);
        if (equals == std::wstring::npos || (semicolon != std::wstring::npos && semicolon < equals)) {
            if (!trimmed(text.substr(pos, semicolon - pos)).empty())
                throw std::invalid_argument("initialization string: keyword without a value");
            if (semicolon == std::wstring::npos)
                break;
            pos = semicolon + 1;
            continue;
        }
        const std::wstring key = lower(trimmed(text.substr(pos, equals - pos)));
        pos = text.find_first_not_of(L" \t", equals + 1);
        std::wstring value;
        if (pos != std::wstring::npos && (text[pos] == L'"' || text[pos] == L'\'')) {
            value = quoted_value(text, pos);
            pos = text.find_first_not_of(L" \t", pos);
            if (pos != std::wstring::npos && text[pos] != L';')
                throw std::invalid_argument("initialization string: text after a quoted value");
        } else if (pos != std::wstring::npos) {
            const std::size_t end = text.find(L';', pos);
            value = trimmed(text.substr(pos, end - pos));
            pos = end;
        }
        pairs[key] = value;
        if (pos == std::wstring::npos)
            break;
        ++pos;
    }
    return pairs;
}

}  // namespace oledb
