#include "mssql/table_limits.h"

#include "model/schema.h"
#include "toolkit/tk_exception.h"

void mss_check_table_width(const udb_schema& schema)
{
    if (schema.size() <= mss_max_table_columns)
        return;
    throw tk_exception(L"The table has " + std::to_wstring(schema.size()) + L" columns, more than the " +
                           std::to_wstring(mss_max_table_columns) +
                           L" MS SQL Server allows in a table; neither the table nor its rows are written",
                       0);
}
