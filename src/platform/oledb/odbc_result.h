// Results of statements run through ODBC.
#pragma once

#include "platform/oledb/db_backend.h"
#include "platform/oledb/odbc_handle.h"

#include <memory>
#include <string>
#include <vector>

namespace oledb::odbc {

// Runs `statement` on a new statement handle of `dbc`; returns its first
// result set, or null when the batch returns none (all its results are read,
// so that a failing statement later in the batch is reported).
std::unique_ptr<db_result> execute_statement(SQLHDBC dbc, const std::wstring& source, const std::wstring& statement);

// The same on `stmt`, whose parameters are bound to values of the caller;
// they are unbound once it has run, so that a result read again never reads
// values that are gone.
std::unique_ptr<db_result> execute_bound(handle stmt, const std::wstring& source, const std::wstring& statement);

// Describes the table at once; the rows are selected at the first fetch, so
// an opened but unread table holds no cursor on the server.
std::unique_ptr<db_result> open_table_rows(SQLHDBC dbc, const std::wstring& source, const std::wstring& table);

// The result of a catalog function already called on `stmt`.
std::unique_ptr<db_result> adopt_result(handle stmt, const std::wstring& source);

// Columns of the current result set of a statement.
std::vector<db_column> describe_columns(const handle& stmt, const std::wstring& source,
                                        std::vector<SQLSMALLINT>& sql_types);

}  // namespace oledb::odbc
