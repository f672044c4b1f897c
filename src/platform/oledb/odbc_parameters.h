// Values of the parameter markers (`?`) of a statement, bound the one way
// every statement of this layer binds them: the INSERT of a row a bulk copy
// cannot carry and any statement run with parameters. A value too long to
// go whole in one parameter is gathered on the server first (value_parts)
// and its marker reads it from there.
#pragma once

#include "platform/oledb/db_backend.h"
#include "platform/oledb/odbc_handle.h"
#include "platform/oledb/odbc_value_parts.h"
#include "platform/oledb/utf16.h"

#include <memory>
#include <sql.h>
#include <string>
#include <vector>

namespace oledb::odbc {

// The value at `i`; NULL past the end of `values`.
const db_value& value_at(const std::vector<db_value>& values, std::size_t i);

// The places of the parameter markers of a statement: question marks outside
// literals, quoted or bracketed names and comments.
std::vector<std::size_t> parameter_markers(const std::wstring& statement);

// The values bound to the markers of a statement handle, which points into
// them until it has run. Stream values are left out: the statement reads them
// where they were gathered, and the markers count the others only. Text goes
// as UTF-16 or, when `wide_text` is false, as UTF-8 (half the room of UTF-16
// for most texts); a NULL takes the type of its column. Values up to 4000
// characters or 8000 bytes are typed NVARCHAR(n) or VARBINARY(n), longer ones
// take the long form of their type.
class bound_parameters {
public:
    bound_parameters(const handle& stmt, const std::wstring& source, const std::vector<db_column>& columns,
                     const std::vector<db_value>& values, bool wide_text);
    bound_parameters(const bound_parameters&) = delete;
    bound_parameters& operator=(const bound_parameters&) = delete;

private:
    std::vector<odbc_string> wide_;
    std::vector<std::string> narrow_;
    std::vector<SQLLEN> lengths_;
};

// Runs `statement` with a value for each of its markers, described by
// `columns`: each stream is gathered on the server first (the temporary table
// of `dialect`), a binary one checked whole, and its marker replaced by the
// reading of it; the others are bound. Returns the first result set, or null.
std::unique_ptr<db_result> execute_with_parameters(SQLHDBC dbc, const std::wstring& source,
                                                   const value_parts_dialect& dialect, bool wide_text,
                                                   const std::wstring& statement, const std::vector<db_column>& columns,
                                                   const std::vector<db_value>& values);

}  // namespace oledb::odbc
