// Owning ODBC handles and the reading of their diagnostic records.
#pragma once

#include "platform/oledb/db_backend.h"

#include <sql.h>
#include <sqlext.h>
#include <string>
#include <vector>

namespace oledb::odbc {

// The process's one ODBC 3 environment, made on first use.
SQLHENV environment();

class handle {
public:
    handle() = default;
    handle(SQLSMALLINT type, SQLHANDLE parent);
    ~handle();
    handle(handle&& other) noexcept;
    handle& operator=(handle&& other) noexcept;
    handle(const handle&) = delete;
    handle& operator=(const handle&) = delete;

    SQLHANDLE get() const { return handle_; }
    SQLSMALLINT type() const { return type_; }

private:
    SQLSMALLINT type_ = 0;
    SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

std::vector<db_error_record> read_diagnostics(SQLSMALLINT type, SQLHANDLE h);

// Whether the driver knows the connection to be broken.
bool connection_dead(SQLHDBC dbc);

// The error of a call on `dbc`, said to be a lost connection (SQLSTATE 08S01)
// when the connection is broken: drivers report a call that failed that way
// in words of their own ("Unexpected EOF from the server").
db_error with_lost_connection(const db_error& error, SQLHDBC dbc);

// Raises db_error from the handle's diagnostic records unless `rc` succeeded.
void check(SQLRETURN rc, const handle& h, const std::wstring& source);
void check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE h, const std::wstring& source);

}  // namespace oledb::odbc
