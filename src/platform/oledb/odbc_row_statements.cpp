#include "platform/oledb/odbc_row_statements.h"

#include "platform/oledb/odbc_parameters.h"
#include "platform/oledb/odbc_result.h"
#include "platform/oledb/table_name.h"
#include "platform/oledb/utf16.h"

#include <algorithm>
#include <sqlext.h>

namespace oledb::odbc {

namespace {

// Rows are committed when those of the open transaction reach this many
// bytes, before a bulk load starts and when the load ends: a commit for each
// row costs more than the row itself on a server that writes its log at each
// commit.
constexpr std::size_t kept_bytes = 4 << 20;

std::size_t held_bytes(const std::vector<db_value>& row)
{
    std::size_t bytes = 0;
    for (const db_value& value : row) {
        if (const auto* data = std::get_if<db_bytes>(&value))
            bytes += data->size();
        else if (const auto* text = std::get_if<std::wstring>(&value))
            bytes += text->size() * sizeof(wchar_t);
    }
    return bytes;
}

}  // namespace

row_statements::row_statements(SQLHDBC dbc, const bulk_copy_api& api, std::wstring source, const std::wstring& table,
                               const std::vector<db_column>& columns, bool keep_identity)
    : dbc_(dbc), api_(api), source_(std::move(source)), table_(quoted_table_name(table)), columns_(columns),
      keep_identity_(keep_identity), insert_(SQL_HANDLE_STMT, dbc), parts_(dbc, api.value_parts(), source_)
{
    std::wstring markers;
    for (const db_column& column : columns_) {
        names_ += (names_.empty() ? L"" : L", ") + bracketed(column.name);
        markers += markers.empty() ? L"?" : L", ?";
    }
    // A table without an identity column refuses the setting, which changes nothing.
    if (keep_identity_)
        run_quietly(L"SET IDENTITY_INSERT " + table_ + L" ON");
    const std::wstring insert = L"INSERT INTO " + table_ + L" (" + names_ + L") VALUES (" + markers + L")";
    check(SQLPrepareW(insert_.get(), to_utf16(insert).data(), SQL_NTS), insert_, source_);
    execute_statement(dbc_, source_, L"BEGIN TRANSACTION");
}

row_statements::~row_statements()
{
    if (open_)
        finish(true);
}

void row_statements::end()
{
    finish(false);
}

void row_statements::finish(bool quietly)
{
    open_ = false;
    kept_.clear();
    kept_size_ = 0;
    if (keep_identity_)
        run_quietly(L"SET IDENTITY_INSERT " + table_ + L" OFF");
    if (quietly)
        run_quietly(L"COMMIT TRANSACTION");
    else
        execute_statement(dbc_, source_, L"COMMIT TRANSACTION");
}

// Each row's statement runs at once, so that an error belongs to its row.
// The rows of the open transaction are kept: when an error ended the
// transaction (a deadlock, say), they are made again and only the failed row
// is lost.
void row_statements::insert(const std::vector<db_value>& row)
{
    const bool streams = holds_stream(row);
    try {
        if (streams)
            execute_with_parts(row);
        else
            execute(row);
    } catch (const db_error&) {
        if (transaction_ended())
            make_kept_rows_again();
        throw;
    }
    // A stream is read once and cannot be sent again: its row is committed
    // at once instead of kept.
    const std::size_t bytes = held_bytes(row);
    const bool keep = bytes < kept_bytes && !streams;
    if (keep) {
        kept_.push_back(row);
        kept_size_ += bytes;
    }
    if (!keep || kept_size_ >= kept_bytes)
        commit();
}

void row_statements::execute(const std::vector<db_value>& row)
{
    // The parameters point into the row until the statement has run.
    const bound_parameters bound(insert_, source_, columns_, row, api_.wide_text());
    check(SQLExecute(insert_.get()), insert_, source_);
    SQLFreeStmt(insert_.get(), SQL_CLOSE);
}

// Each stream is gathered on the server first; the row then reads it from
// there, its other values bound as parameters.
void row_statements::execute_with_parts(const std::vector<db_value>& row)
{
    parts_.clear();
    std::wstring values;
    std::wstring binary_streams;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        values += values.empty() ? L"" : L", ";
        const auto* stream = std::get_if<db_stream>(&value_at(row, i));
        if (!stream) {
            values += L"?";
            continue;
        }
        const int number = static_cast<int>(i + 1);
        parts_.gather(number, *stream, columns_[i]);
        values += parts_.value_of(number);
        if (is_binary_column(columns_[i]))
            binary_streams += (binary_streams.empty() ? L"column '" : L", '") + columns_[i].name + L"' (" +
                              std::to_wstring(stream->bytes) + L" bytes)";
    }
    handle stmt(SQL_HANDLE_STMT, dbc_);
    const bound_parameters bound(stmt, source_, columns_, row, api_.wide_text());
    const std::wstring insert = L"INSERT INTO " + table_ + L" (" + names_ + L") SELECT " + values + parts_.source();
    check(SQLExecDirectW(stmt.get(), to_utf16(insert).data(), SQL_NTS), stmt, source_);
    SQLLEN inserted = 0;
    SQLRowCount(stmt.get(), &inserted);
    if (inserted != 1)
        throw db_error(source_, {{L"HY000", 0,
                                  L"The server did not gather the whole value of " +
                                      (binary_streams.empty() ? L"the row's long values" : binary_streams) +
                                      L" from its parts; the row is not written."}});
    // The gathered values would hold the server's room until the next row.
    parts_.clear();
}

void row_statements::commit()
{
    execute_statement(dbc_, source_, L"COMMIT TRANSACTION");
    kept_.clear();
    kept_size_ = 0;
    execute_statement(dbc_, source_, L"BEGIN TRANSACTION");
}

// Whether the server ended the open transaction; an answer that cannot be
// had counts as no, so that no row is ever made twice.
bool row_statements::transaction_ended()
{
    handle stmt(SQL_HANDLE_STMT, dbc_);
    SQLINTEGER count = 1;
    SQLLEN indicator = 0;
    return SQL_SUCCEEDED(SQLExecDirectW(stmt.get(), to_utf16(L"SELECT @@TRANCOUNT").data(), SQL_NTS)) &&
           SQL_SUCCEEDED(SQLFetch(stmt.get())) &&
           SQL_SUCCEEDED(SQLGetData(stmt.get(), 1, SQL_C_SLONG, &count, sizeof(count), &indicator)) && count == 0;
}

void row_statements::make_kept_rows_again()
{
    execute_statement(dbc_, source_, L"BEGIN TRANSACTION");
    for (const std::vector<db_value>& kept : kept_)
        execute(kept);
}

void row_statements::run_quietly(const std::wstring& statement)
{
    handle stmt(SQL_HANDLE_STMT, dbc_);
    SQLExecDirectW(stmt.get(), to_utf16(statement).data(), SQL_NTS);
}

}  // namespace oledb::odbc
