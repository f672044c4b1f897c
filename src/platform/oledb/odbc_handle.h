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

// Raises db_error from the handle's diagnostic records unless `rc` succeeded.
void check(SQLRETURN rc, const handle& h, const std::wstring& source);
void check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE h, const std::wstring& source);

}  // namespace oledb::odbc
