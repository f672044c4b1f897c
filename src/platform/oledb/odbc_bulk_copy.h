// The bulk-copy (bcp) entry points of a SQL Server ODBC driver. FreeTDS takes
// them through connection attributes of the driver manager's handle; the
// Microsoft drivers export them from their library, on the driver's handle.
#pragma once

#include "platform/oledb/db_backend.h"
#include "platform/oledb/utf16.h"

#include <memory>
#include <sql.h>
#include <string>

namespace oledb::odbc {

// Connection attribute that makes a connection able to bulk copy; it is set
// before the connection is opened.
constexpr SQLINTEGER bulk_copy_attribute = 1219;

// The temporary table of a session in which a value too long to send whole
// is gathered a part at a time (odbc_value_parts.h): columns part (a number),
// t (text) and b (bytes).
struct value_parts_dialect {
    std::wstring create;         // makes the table unless the session has it
    std::wstring table;          // its name in statements
    std::wstring append_text;    // t with one more part, the marker `?`
    std::wstring append_binary;  // b with one more part
    std::wstring binary_length;  // the function giving the bytes of b
};

// T-SQL's form.
const value_parts_dialect& transact_sql_value_parts();

class bulk_copy_api {
public:
    virtual ~bulk_copy_api() = default;
    virtual bool init(SQLHDBC dbc, const odbc_string& table) const = 0;
    virtual bool keep_identity(SQLHDBC dbc) const = 0;
    virtual bool bind(SQLHDBC dbc, const unsigned char* data, int type, int column) const = 0;
    virtual bool colptr(SQLHDBC dbc, const unsigned char* data, int column) const = 0;
    virtual bool sendrow(SQLHDBC dbc) const = 0;
    virtual int batch(SQLHDBC dbc) const = 0;
    virtual int done(SQLHDBC dbc) const = 0;
    // How text travels: UTF-16 (wide) or UTF-8, and the bcp type code for it.
    virtual bool wide_text() const = 0;
    // The longest value, in bytes, that a row bound in program variables may
    // carry; 0 when there is no limit.
    virtual std::size_t value_limit() const { return 0; }
    // The first year of a date that the bulk copy reads from text as written.
    virtual int first_date_year() const { return 1; }
    // Whether the connection broke; a driver reports a failed bulk copy on a
    // broken connection no better than any other failure.
    virtual bool connection_lost(SQLHDBC dbc) const;
    virtual const value_parts_dialect& value_parts() const { return transact_sql_value_parts(); }
    // The aggregate that counts a table's rows in the server's SQL.
    virtual std::wstring row_count_function() const { return L"COUNT_BIG"; }
};

std::unique_ptr<bulk_copy_api> freetds_bulk_copy();
// Null when the library does not export the entry points.
std::unique_ptr<bulk_copy_api> library_bulk_copy(const std::string& library_path);

// A bulk load on a connection opened with the bulk-copy attribute.
std::unique_ptr<db_bulk_load> open_bulk_copy(SQLHDBC dbc, const bulk_copy_api& api, const std::wstring& source,
                                             const std::wstring& table, bool keep_identity);

}  // namespace oledb::odbc
