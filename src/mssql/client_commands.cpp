#include "mssql/client_commands.h"

#include <type_traits>

namespace {

// The character in lower case when it is ASCII; '\0' otherwise.
template <class Char>
char lower_ascii(Char c)
{
    const auto code = static_cast<std::make_unsigned_t<Char>>(c);
    if (code >= 'A' && code <= 'Z')
        return static_cast<char>(code - 'A' + 'a');
    return code < 0x80 ? static_cast<char>(code) : '\0';
}

template <class Char>
bool is_word_char(Char c)
{
    const char lower = lower_ascii(c);
    return (lower >= 'a' && lower <= 'z') || (lower >= '0' && lower <= '9') || lower == '_';
}

template <class Char>
bool starts_with_word(std::basic_string_view<Char> text, std::size_t at, std::string_view word)
{
    if (text.size() - at < word.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (lower_ascii(text[at + i]) != word[i])
            return false;
    }
    return true;
}

template <class Char>
bool starts_command(std::basic_string_view<Char> text, std::size_t at)
{
    while (at < text.size() && mss_is_line_blank(static_cast<wchar_t>(text[at])))
        ++at;
    if (at == text.size())
        return false;
    if (text[at] == Char(':') || (text[at] == Char('!') && at + 1 < text.size() && text[at + 1] == Char('!')))
        return true;
    if (starts_with_word(text, at, "go"))
        return true;
    for (const std::string_view word : mss_client_command_words) {
        if (starts_with_word(text, at, word) &&
            (at + word.size() == text.size() || !is_word_char(text[at + word.size()])))
            return true;
    }
    return false;
}

bool is_line_break(wchar_t c)
{
    return c == L'\n' || c == L'\r';
}

}  // namespace

bool mss_is_line_blank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\v' || c == L'\f';
}

bool mss_starts_client_command(std::string_view text, std::size_t at)
{
    return starts_command(text, at);
}

bool mss_starts_client_command(std::wstring_view text, std::size_t at)
{
    return starts_command(text, at);
}

bool mss_is_client_safe_name(std::wstring_view name)
{
    for (const wchar_t c : name) {
        if (is_line_break(c))
            return false;
    }
    return name.find(L"$(") == name.npos;
}

std::wstring mss_client_safe_name(std::wstring name)
{
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (is_line_break(name[i]) || (name[i] == L'$' && i + 1 < name.size() && name[i + 1] == L'('))
            name[i] = L'_';
    }
    return name;
}
