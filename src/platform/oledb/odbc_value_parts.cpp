#include "platform/oledb/odbc_value_parts.h"

#include "platform/oledb/odbc_handle.h"
#include "platform/oledb/odbc_result.h"
#include "platform/oledb/stream_slices.h"
#include "platform/oledb/utf16.h"

#include <algorithm>
#include <sqlext.h>

namespace oledb::odbc {

namespace {

// A part is at least 4 MiB and a sixteenth of the stream: each part rewrites
// the value gathered so far on the server, so fewer, larger parts cost the
// server less, and smaller ones the client. A 64 MiB text goes in 8 parts of
// 16 MiB as UTF-16 (its stream gives 4-byte characters), a 64 MiB blob in
// 16 parts of 4 MiB.
constexpr std::uint64_t smallest_part = 4 << 20;
constexpr std::uint64_t most_parts = 16;

std::wstring alias(int number)
{
    return L"p" + std::to_wstring(number);
}

}  // namespace

value_parts::value_parts(SQLHDBC dbc, const value_parts_dialect& dialect, std::wstring source)
    : dbc_(dbc), dialect_(dialect), source_(std::move(source))
{}

void value_parts::clear()
{
    execute_statement(dbc_, source_, dialect_.create);
    execute_statement(dbc_, source_, L"DELETE FROM " + dialect_.table);
    gathered_.clear();
}

void value_parts::gather(int number, const db_stream& stream, const db_column& column)
{
    const bool binary = is_binary_column(column);
    const auto part_bytes = static_cast<std::size_t>(std::max(smallest_part, stream.bytes / most_parts));
    std::vector<unsigned char> part;
    part.reserve(part_bytes);
    bool first = true;
    // Slices end on whole characters, so a part never cuts one. A part is
    // sent before a slice would take it past its room.
    send_in_slices(stream, column, [&](const void* data, std::size_t bytes) {
        if (!part.empty() && part.size() + bytes > part_bytes) {
            send_part(number, binary, first, part);
            first = false;
            part.clear();
        }
        const auto* begin = static_cast<const unsigned char*>(data);
        part.insert(part.end(), begin, begin + bytes);
    });
    if (first || !part.empty())
        send_part(number, binary, first, part);
    gathered_.push_back({number, binary, stream.bytes});
}

void value_parts::send_part(int number, bool binary, bool first, const std::vector<unsigned char>& part)
{
    const wchar_t* column = binary ? L"b" : L"t";
    const std::wstring statement = first ? L"INSERT INTO " + dialect_.table + L" (part, " + column + L") VALUES (?, ?)"
                                         : L"UPDATE " + dialect_.table + L" SET " + column + L" = " +
                                               (binary ? dialect_.append_binary : dialect_.append_text) +
                                               L" WHERE part = ?";
    handle stmt(SQL_HANDLE_STMT, dbc_);
    SQLINTEGER key = number;
    SQLLEN key_length = 0;
    SQLLEN length = static_cast<SQLLEN>(part.size());
    const SQLUSMALLINT data_marker = first ? 2 : 1;
    check(SQLBindParameter(stmt.get(), first ? 1 : 2, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &key, 0,
                           &key_length),
          stmt, source_);
    check(SQLBindParameter(stmt.get(), data_marker, SQL_PARAM_INPUT, binary ? SQL_C_BINARY : SQL_C_WCHAR,
                           binary ? SQL_LONGVARBINARY : SQL_WLONGVARCHAR, std::max<SQLULEN>(1, part.size()), 0,
                           const_cast<unsigned char*>(part.data()), 0, &length),
          stmt, source_);
    check(SQLExecDirectW(stmt.get(), to_utf16(statement).data(), SQL_NTS), stmt, source_);
}

const wchar_t* value_parts::column_of(int number) const
{
    const auto value = std::find_if(gathered_.begin(), gathered_.end(),
                                    [number](const gathered_value& v) { return v.number == number; });
    return value != gathered_.end() && value->binary ? L"b" : L"t";
}

std::wstring value_parts::value_of(int number) const
{
    return alias(number) + L"." + column_of(number);
}

std::wstring value_parts::reading_of(int number) const
{
    return L"(SELECT " + std::wstring(column_of(number)) + L" FROM " + dialect_.table + L" WHERE part = " +
           std::to_wstring(number) + L")";
}

void value_parts::check_whole(const std::vector<db_column>& columns) const
{
    for (const gathered_value& value : gathered_) {
        if (!value.binary)
            continue;
        const std::unique_ptr<db_result> held =
            execute_statement(dbc_, source_,
                              L"SELECT " + dialect_.binary_length + L"(b) FROM " + dialect_.table + L" WHERE part = " +
                                  std::to_wstring(value.number));
        std::vector<db_value> row;
        const bool whole = held && held->fetch(row) && !row.empty() && std::holds_alternative<std::wstring>(row[0]) &&
                           std::get<std::wstring>(row[0]) == std::to_wstring(value.bytes);
        if (whole)
            continue;
        const auto index = static_cast<std::size_t>(value.number - 1);
        const std::wstring name = index < columns.size() ? columns[index].name : std::wstring();
        throw db_error(source_, {{L"HY000", 0,
                                  L"The server did not gather the whole value of column '" + name + L"' (" +
                                      std::to_wstring(value.bytes) +
                                      L" bytes) from its parts; the statement is not "
                                      L"run."}});
    }
}

std::wstring value_parts::source() const
{
    std::wstring from;
    std::wstring where;
    for (const gathered_value& value : gathered_) {
        const std::wstring name = alias(value.number);
        from += (from.empty() ? L" FROM " : L", ") + dialect_.table + L" AS " + name;
        where += (where.empty() ? L" WHERE " : L" AND ") + name + L".part = " + std::to_wstring(value.number);
        if (value.binary)
            where += L" AND " + dialect_.binary_length + L"(" + name + L".b) = " + std::to_wstring(value.bytes);
    }
    return from + where;
}

}  // namespace oledb::odbc
