#include "mysql/sql_exception.h"

#include "mysql/sql_engine.h"
#include "toolkit/tk_log.h"

namespace {

MYSQL* engine_handle()
{
    return sql_current_engine().get_handle();
}

}  // namespace

sql_exception::sql_exception() : sql_exception(engine_handle()) {}

sql_exception::sql_exception(MYSQL* connection) : tk_exception(std::string(mysql_error(connection)), 0)
{
    tk_log(2, "sql_exception::sql_exception( msg=%s)", what());
    set_error_number((mysql_errno(connection) & 0xFFFF) | 0x400000);
    tk_log(2, "Got MySQL error code=%d", static_cast<int>(get_error_number()));
}

sql_auth_not_supported_exception::sql_auth_not_supported_exception()
    : tk_exception(std::string("The program does not support authentication protocol requested by "
                               "server. See 'Troubleshooting' article of the product documentation."),
                   1)
{}

sql_prep_stmt_failed_exception::sql_prep_stmt_failed_exception()
    : tk_exception(std::string("Failed to execute prepared statement"), 0)
{
    set_error_number(0x400BB9);
}
