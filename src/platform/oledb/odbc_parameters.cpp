#include "platform/oledb/odbc_parameters.h"

#include "platform/oledb/odbc_result.h"

#include <algorithm>
#include <sqlext.h>

namespace oledb::odbc {

namespace {

// The end of what opens at `begin` with `open` (a literal, a quoted or
// bracketed name, a comment): the place after its closing characters, or
// the end of the statement.
std::size_t end_of_quoted(const std::wstring& text, std::size_t begin, wchar_t close)
{
    for (std::size_t i = begin + 1; i < text.size(); ++i) {
        if (text[i] != close)
            continue;
        // A doubled closing character stands for itself.
        if (i + 1 < text.size() && text[i + 1] == close && close != L'\n') {
            ++i;
            continue;
        }
        return i + 1;
    }
    return text.size();
}

std::size_t end_of_comment(const std::wstring& text, std::size_t begin)
{
    const std::size_t close = text.find(L"*/", begin + 2);
    return close == std::wstring::npos ? text.size() : close + 2;
}

}  // namespace

const db_value& value_at(const std::vector<db_value>& values, std::size_t i)
{
    static const db_value null_value;
    return i < values.size() ? values[i] : null_value;
}

std::vector<std::size_t> parameter_markers(const std::wstring& statement)
{
    std::vector<std::size_t> markers;
    for (std::size_t i = 0; i < statement.size();) {
        const wchar_t c = statement[i];
        const wchar_t next = i + 1 < statement.size() ? statement[i + 1] : L'\0';
        if (c == L'\'' || c == L'"')
            i = end_of_quoted(statement, i, c);
        else if (c == L'[')
            i = end_of_quoted(statement, i, L']');
        else if (c == L'-' && next == L'-')
            i = end_of_quoted(statement, i, L'\n');
        else if (c == L'/' && next == L'*')
            i = end_of_comment(statement, i);
        else if (c == L'?')
            markers.push_back(i++);
        else
            ++i;
    }
    return markers;
}

bound_parameters::bound_parameters(const handle& stmt, const std::wstring& source,
                                   const std::vector<db_column>& columns, const std::vector<db_value>& values,
                                   bool wide_text)
    : wide_(columns.size()), narrow_(columns.size()), lengths_(columns.size(), SQL_NULL_DATA)
{
    // A short value goes as NVARCHAR(n) or VARBINARY(n), which compares with
    // a column as a literal does; a longer one as the long form of its type.
    constexpr std::size_t longest_text = 4000;
    constexpr std::size_t longest_bytes = 8000;
    static std::uint8_t no_bytes = 0;
    SQLUSMALLINT marker = 0;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const db_value& value = value_at(values, i);
        if (std::holds_alternative<db_stream>(value))
            continue;
        const auto* bytes = std::get_if<db_bytes>(&value);
        const auto* text = std::get_if<std::wstring>(&value);
        const bool binary = bytes || (is_null(value) && is_binary_column(columns[i]));
        SQLSMALLINT c_type = binary ? SQL_C_BINARY : SQL_C_WCHAR;
        SQLPOINTER data = nullptr;
        std::size_t size = 1;  // characters of a text, bytes of a binary value
        if (bytes) {
            data = bytes->empty() ? &no_bytes : const_cast<std::uint8_t*>(bytes->data());
            lengths_[i] = static_cast<SQLLEN>(bytes->size());
            size = bytes->size();
        } else if (text && !wide_text) {
            c_type = SQL_C_CHAR;
            narrow_[i] = to_utf8(*text);
            data = narrow_[i].data();
            lengths_[i] = static_cast<SQLLEN>(narrow_[i].size());
            // UTF-16 units: a character beyond U+FFFF takes two.
            size = text->size() + static_cast<std::size_t>(std::count_if(text->begin(), text->end(), [](wchar_t c) {
                       return static_cast<std::uint32_t>(c) > 0xFFFF;
                   }));
        } else if (text) {
            wide_[i] = to_utf16(*text);
            data = wide_[i].data();
            lengths_[i] = static_cast<SQLLEN>(wide_[i].size() * sizeof(SQLWCHAR));
            size = wide_[i].size();
        }
        const bool sized = size <= (binary ? longest_bytes : longest_text);
        const SQLSMALLINT sql_type =
            binary ? (sized ? SQL_VARBINARY : SQL_LONGVARBINARY) : (sized ? SQL_WVARCHAR : SQL_WLONGVARCHAR);
        check(SQLBindParameter(stmt.get(), ++marker, SQL_PARAM_INPUT, c_type, sql_type, std::max<std::size_t>(1, size),
                               0, data, 0, &lengths_[i]),
              stmt, source);
    }
}

std::unique_ptr<db_result> execute_with_parameters(SQLHDBC dbc, const std::wstring& source,
                                                   const value_parts_dialect& dialect, bool wide_text,
                                                   const std::wstring& statement, const std::vector<db_column>& columns,
                                                   const std::vector<db_value>& values)
{
    const std::vector<std::size_t> markers = parameter_markers(statement);
    if (markers.size() != values.size() || columns.size() != values.size())
        throw db_error(source, {{L"07002", 0,
                                 L"The statement has " + std::to_wstring(markers.size()) + L" parameter markers for " +
                                     std::to_wstring(values.size()) + L" values."}});
    const bool streams = holds_stream(values);
    std::wstring text = statement;
    value_parts parts(dbc, dialect, source);
    if (streams) {
        parts.clear();
        // From the last marker back, so that the places of the others hold.
        for (std::size_t i = values.size(); i-- > 0;) {
            const auto* stream = std::get_if<db_stream>(&values[i]);
            if (!stream)
                continue;
            const int number = static_cast<int>(i + 1);
            parts.gather(number, *stream, columns[i]);
            text.replace(markers[i], 1, parts.reading_of(number));
        }
        parts.check_whole(columns);
    }
    handle stmt(SQL_HANDLE_STMT, dbc);
    const bound_parameters bound(stmt, source, columns, values, wide_text);
    std::unique_ptr<db_result> result = execute_bound(std::move(stmt), source, text);
    // The gathered values would hold the server's room until the next statement.
    if (streams)
        parts.clear();
    return result;
}

}  // namespace oledb::odbc
