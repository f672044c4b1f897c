// Rows a driver's bulk copy cannot carry (a value longer than it takes from
// program variables), made by INSERT statements between bulk loads.
// Consecutive rows share one prepared statement and a transaction.
#pragma once

#include "platform/oledb/db_backend.h"
#include "platform/oledb/odbc_bulk_copy.h"
#include "platform/oledb/odbc_handle.h"
#include "platform/oledb/odbc_value_parts.h"

#include <memory>
#include <sql.h>
#include <string>
#include <vector>

namespace oledb::odbc {

class row_statements {
public:
    // Sets the table up for explicit identity values when `keep_identity`
    // and begins the transaction.
    row_statements(SQLHDBC dbc, const bulk_copy_api& api, std::wstring source, const std::wstring& table,
                   const std::vector<db_column>& columns, bool keep_identity);
    // Commits what it made, quietly: nobody can be told of a failure here.
    ~row_statements();
    row_statements(const row_statements&) = delete;
    row_statements& operator=(const row_statements&) = delete;

    // Makes one row; an error belongs to that row alone.
    void insert(const std::vector<db_value>& row);
    // Commits the rows made, before a bulk load or at the end.
    void end();

private:
    void execute(const std::vector<db_value>& row);
    void execute_with_parts(const std::vector<db_value>& row);
    void commit();
    bool transaction_ended();
    void make_kept_rows_again();
    void finish(bool quietly);
    void run_quietly(const std::wstring& statement);

    SQLHDBC dbc_;
    const bulk_copy_api& api_;
    std::wstring source_;
    std::wstring table_;  // quoted
    const std::vector<db_column>& columns_;
    std::wstring names_;  // the columns, bracketed, for the INSERTs
    bool keep_identity_;
    bool open_ = true;  // the transaction is open
    handle insert_;     // the prepared INSERT of rows without streams
    value_parts parts_;
    std::vector<std::vector<db_value>> kept_;  // rows of the open transaction
    std::size_t kept_size_ = 0;
};

}  // namespace oledb::odbc
