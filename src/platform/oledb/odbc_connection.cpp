#include "platform/oledb/odbc_connection.h"

#include "platform/oledb/odbc_catalog.h"
#include "platform/oledb/odbc_parameters.h"
#include "platform/oledb/odbc_result.h"
#include "platform/oledb/utf16.h"

#include <sqlext.h>

namespace oledb::odbc {

odbc_connection::odbc_connection(std::wstring source, const std::wstring& connection_string, const bulk_copy_api* bulk)
    : source_(std::move(source)), dbc_(SQL_HANDLE_DBC, environment()), bulk_(bulk)
{
    if (bulk_)
        check(SQLSetConnectAttr(dbc_.get(), bulk_copy_attribute, reinterpret_cast<SQLPOINTER>(1), SQL_IS_INTEGER), dbc_,
              source_);
    odbc_string text = to_utf16(connection_string);
    check(SQLDriverConnectW(dbc_.get(), nullptr, text.data(), SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT), dbc_,
          source_);
}

odbc_connection::~odbc_connection()
{
    SQLDisconnect(dbc_.get());
}

template <typename Call>
auto odbc_connection::said_lost(Call call) const
{
    try {
        return call();
    } catch (const db_error& error) {
        throw with_lost_connection(error, dbc_.get());
    }
}

std::unique_ptr<db_result> odbc_connection::execute(const std::wstring& statement)
{
    return said_lost([&] { return execute_statement(dbc_.get(), source_, statement); });
}

std::unique_ptr<db_result> odbc_connection::execute(const std::wstring& statement,
                                                    const std::vector<db_column>& parameters,
                                                    const std::vector<db_value>& values)
{
    // Text goes as the bulk copy of the connection sends it.
    const bool wide_text = !bulk_ || bulk_->wide_text();
    const value_parts_dialect& dialect = bulk_ ? bulk_->value_parts() : transact_sql_value_parts();
    return said_lost([&] {
        return execute_with_parameters(dbc_.get(), source_, dialect, wide_text, statement, parameters, values);
    });
}

std::unique_ptr<db_result> odbc_connection::open_table(const std::wstring& table)
{
    return said_lost([&] { return open_table_rows(dbc_.get(), source_, table); });
}

std::unique_ptr<db_result> odbc_connection::open_schema(schema_kind kind, const schema_restrictions& restrictions)
{
    return said_lost([&] { return open_schema_rowset(dbc_.get(), source_, kind, restrictions); });
}

std::unique_ptr<db_bulk_load> odbc_connection::open_bulk_load(const std::wstring& table, bool keep_identity)
{
    if (!bulk_)
        throw db_error(source_, {{L"HY000", 0, L"The connection was not made for bulk load."}});
    return said_lost([&] { return open_bulk_copy(dbc_.get(), *bulk_, source_, table, keep_identity); });
}

}  // namespace oledb::odbc
