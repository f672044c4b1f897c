#include "mssql/quoting.h"

#include "mssql/client_commands.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace {

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

bool holds(std::string_view text, char c)
{
    return std::memchr(text.data(), c, text.size()) != nullptr;
}

bool holds(std::wstring_view text, wchar_t c)
{
    return std::wmemchr(text.data(), c, text.size()) != nullptr;
}

template <class Char>
bool holds_variable_start(std::basic_string_view<Char> text)
{
    const Char variable[] = {Char('$'), Char('(')};
    return text.find(std::basic_string_view<Char>(variable, 2)) != text.npos;
}

// Texts are long and these characters rare: each search runs over the whole
// text at memory speed before anything is looked at one by one.
template <class Char>
bool needs_splitting(std::basic_string_view<Char> text)
{
    return holds(text, Char(0)) || holds(text, Char('\n')) || holds(text, Char('\r')) || holds_variable_start(text);
}

// Most texts of a row are short: one look at each character costs less than
// the four searches over them.
constexpr std::size_t short_text = 64;

template <class Char>
bool is_plain_short(std::basic_string_view<Char> text)
{
    if (text.size() > short_text)
        return false;
    for (const Char c : text) {
        if (c == Char('\'') || c == Char(0) || c == Char('\n') || c == Char('\r') || c == Char('$'))
            return false;
    }
    return true;
}

template <class Char>
bool is_line_break(Char c)
{
    return c == Char('\n') || c == Char('\r');
}

template <class Char>
void append_ascii(std::basic_string<Char>& result, const char* text)
{
    while (*text != 0)
        result += static_cast<Char>(*text++);
}

// The inside of an open '...' literal: apostrophes doubled, a zero character
// as NCHAR(0) between two literals, a literal closed and reopened in front
// of every line that a client could read as its own command and between the
// two characters of "$(". Gives the number of times the literal was closed.
template <class Char>
std::size_t append_body(std::basic_string<Char>& result, std::basic_string_view<Char> text, bool unicode,
                        bool line_start)
{
    if (!line_start && is_plain_short(text)) {
        result.append(text);
        return 0;
    }
    if (!line_start && !needs_splitting(text)) {
        append_doubled(result, text, Char('\''));
        return 0;
    }
    const char* reopen = unicode ? "' + N'" : "' + '";
    const char* zero = unicode ? "' + NCHAR(0) + N'" : "' + CHAR(0) + '";
    std::size_t splits = 0;
    std::size_t run = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (line_start && mss_starts_client_command(text, i)) {
            result.append(text, run, i - run);
            append_ascii(result, reopen);
            run = i;
            ++splits;
        }
        const Char c = text[i];
        line_start = c == Char('\n') || (c == Char('\r') && (i + 1 == text.size() || text[i + 1] != Char('\n')));
        if (c == Char('\'')) {
            result.append(text, run, i + 1 - run);
            result += c;
            run = i + 1;
        } else if (c == Char(0)) {
            result.append(text, run, i - run);
            append_ascii(result, zero);
            run = i + 1;
            ++splits;
        } else if (c == Char('$') && i + 1 < text.size() && text[i + 1] == Char('(')) {
            result.append(text, run, i + 1 - run);
            append_ascii(result, reopen);
            run = i + 1;
            ++splits;
        }
    }
    result.append(text, run);
    return splits;
}

// Literals joined by + are no longer than 4000 UTF-16 units (8000 bytes)
// unless one of them is of a MAX type; 2000 characters are within both
// limits whatever the characters.
constexpr std::size_t joined_literal_limit = 2000;

std::size_t characters(std::string_view utf8)
{
    std::size_t count = 0;
    for (char c : utf8)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return count;
}

std::size_t characters(std::wstring_view text)
{
    return text.size();
}

template <class Char>
void append_text_literal(std::basic_string<Char>& result, std::basic_string_view<Char> text, bool unicode)
{
    const std::size_t start = result.size();
    append_ascii(result, unicode ? "N'" : "'");
    const std::size_t splits = append_body(result, text, unicode, false);
    result += Char('\'');
    if (splits > 0 && characters(text) > joined_literal_limit) {
        std::basic_string<Char> head;
        append_ascii(head, mss_long_text_head(unicode));
        result.insert(start, head);
    }
}

template <class Char>
bool is_blank(Char c)
{
    return mss_is_line_blank(static_cast<wchar_t>(c));
}

template <class Char>
std::size_t literal_part_end(std::basic_string_view<Char> text, std::size_t start, std::size_t step, bool line_start)
{
    std::size_t end = start + step;
    while (end < text.size()) {
        // "$" and "(" go into one part, which splits them.
        if (text[end - 1] == Char('$')) {
            ++end;
            continue;
        }
        // Back over what may begin a line: the first characters of a word,
        // then blanks.
        std::size_t line = end;
        for (std::size_t taken = 1; taken < mss_client_command_head && line > start && !is_blank(text[line - 1]) &&
                                    !is_line_break(text[line - 1]);
             ++taken)
            --line;
        while (line > start && is_blank(text[line - 1]))
            --line;
        const bool begins_line =
            line == start ? line_start
                          : text[line - 1] == Char('\n') || (text[line - 1] == Char('\r') && text[line] != Char('\n'));
        if (!begins_line)
            return end;
        // The part takes the line's blanks and the characters that tell a
        // command; a line that they end may begin again there.
        std::size_t first = line;
        while (first < text.size() && is_blank(text[first]))
            ++first;
        end = first + mss_client_command_head;
    }
    return text.size();
}

std::wstring doubled(const std::wstring& text, wchar_t c)
{
    std::wstring result;
    result.reserve(text.size() + 2);
    append_doubled<wchar_t>(result, text, c);
    return result;
}

}  // namespace

std::wstring mss_bracket_name(const std::wstring& name)
{
    return L"[" + doubled(name, L']') + L"]";
}

std::wstring mss_quote_name(const std::wstring& name)
{
    return mss_bracket_name(name);
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

const char* mss_long_text_head(bool unicode)
{
    return unicode ? "CAST(N'' AS NVARCHAR(MAX)) + " : "CAST('' AS VARCHAR(MAX)) + ";
}

bool mss_literal_may_join(std::string_view utf8_text)
{
    return needs_splitting(utf8_text);
}

bool mss_literal_may_join(std::wstring_view text)
{
    return needs_splitting(text);
}

std::wstring mss_text_literal(const std::wstring& text, bool unicode)
{
    std::wstring result;
    result.reserve(text.size() + 3);
    append_text_literal<wchar_t>(result, text, unicode);
    return result;
}

void mss_append_text_literal(std::string& result, std::string_view utf8_text, bool unicode)
{
    append_text_literal(result, utf8_text, unicode);
}

void mss_append_literal_body(std::wstring& result, std::wstring_view text, bool unicode, bool line_start)
{
    append_body(result, text, unicode, line_start);
}

void mss_append_literal_body(std::string& result, std::string_view utf8_text, bool unicode, bool line_start)
{
    append_body(result, utf8_text, unicode, line_start);
}

std::size_t mss_literal_part_end(std::wstring_view text, std::size_t start, std::size_t step, bool line_start)
{
    return literal_part_end(text, start, step, line_start);
}

std::size_t mss_literal_part_end(std::string_view utf8_text, std::size_t start, std::size_t step, bool line_start)
{
    return literal_part_end(utf8_text, start, step, line_start);
}
