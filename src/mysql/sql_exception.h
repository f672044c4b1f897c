// Failures of the MySQL client library, and a server whose login the client
// cannot perform.
#pragma once

#include "toolkit/tk_exception.h"

#include <mysql.h>

// The text is the client library's last error on the engine's connection; the
// error number is 0x400000 plus the low 16 bits of the MySQL error number.
class sql_exception : public tk_exception {
public:
    sql_exception();
    // The last error on another connection.
    explicit sql_exception(MYSQL* connection);
};

class sql_auth_not_supported_exception : public tk_exception {
public:
    sql_auth_not_supported_exception();
};

// A prepared statement that could not be prepared, bound, fed or executed.
class sql_prep_stmt_failed_exception : public tk_exception {
public:
    sql_prep_stmt_failed_exception();
};
