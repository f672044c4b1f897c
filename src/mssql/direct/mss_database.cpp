// The destination database's life, its schemas and the creation of its
// tables; its catalogue, keys, indexes, foreign keys, sequences and views
// live in mss_database_*.cpp.
#include "mssql/direct/mss_database.h"

#include "model/name_compare.h"
#include "mssql/column_definition.h"
#include "mssql/direct/mss_table.h"
#include "mssql/mss_engine.h"
#include "mssql/odb_exception.h"
#include "mssql/quoting.h"
#include "toolkit/tk_log.h"

#include <memory>

mss_database::mss_database(const std::wstring& name, const std::wstring& owner, IDBInitialize* source,
                           IOpenRowset* session_interface, std::uint32_t mode)
    : odb_database(name, source, session_interface, mode)
{
    const bool dbo_tables = mss_engine::instance().is_view_owned() && owner.empty();
    try {
        init_tables(dbo_tables ? std::wstring(L"dbo") : owner);
    } catch (const odb_exception& e) {
        tk_log(3, "Error while extracting tables:\n%s\n", e.what());
    }
    try {
        init_sequencies(owner);
    } catch (const odb_exception& e) {
        tk_log(3, "Error while extracting sequencies:\n%s\n", e.what());
    }
    if ((mode & udb_mode_skip_views) != 0)
        return;
    try {
        init_views(owner);
    } catch (const odb_exception& e) {
        tk_log(3, "Error while extracting views:\n%s\n", e.what());
    }
}

mss_database::~mss_database() = default;

void mss_database::run(const std::wstring& statement)
{
    const std::unique_ptr<udb_recordset> result(query(statement));
}

void mss_database::create_schema(const std::wstring& schema_name)
{
    tk_log(2, L"mss_database::create_schema(%ls)", schema_name.c_str());
    if (schema_name.size() == 3 && udb_same_name(schema_name, L"dbo")) {
        tk_log(2, "Skip 'dbo' schema");
        return;
    }
    run(L"IF NOT EXISTS (SELECT  SCHEMA_NAME FROM    INFORMATION_SCHEMA.SCHEMATA WHERE   SCHEMA_NAME = " +
        mss_unicode_literal(schema_name) + L" ) BEGIN EXEC sp_executesql " +
        mss_unicode_literal(L"CREATE SCHEMA " + mss_quote_name(schema_name)) + L" END");
}

udb_recordset* mss_database::create_table(const std::wstring& table, const udb_schema& table_schema,
                                          const udb_indexes& table_indexes)
{
    tk_log(2, L"mss_database::create_table(%ls)", table.c_str());
    if ((mode & udb_mode_read_only) != 0)
        throw tk_mail_assertion("mss_db", 442);
    const bool exists = is_table_exist(table);
    if (exists && (mode & udb_mode_append) == 0)
        throw odb_exception(L"The specified table already exists");
    std::unique_ptr<udb_recordset> opened;
    if (exists) {
        opened.reset(get_table(table, udb_mode_append));
    } else {
        has_primary_key = false;
        do_create_table(table, table_schema, table_indexes);
        tables.push_back(table);
        opened.reset(get_table2(table, table_schema));
    }
    if (opened->schema.size() != table_schema.size())
        throw tk_exception(udb_structure_mismatch, 1);
    for (std::size_t i = 0; i < table_schema.size(); ++i) {
        const t_ftd& source = *table_schema[i];
        t_ftd& destination = *opened->schema[i];
        tk_log(1, L"src[%d].name=%ls, dest[%d].name=%ls", static_cast<int>(i), source.name.c_str(), static_cast<int>(i),
               destination.name.c_str());
        tk_log(1, "src[%d].type=%d, dest[%d].type=%d", static_cast<int>(i), source.vartype, static_cast<int>(i),
               destination.vartype);
        destination.dw_reserved = source.dw_reserved;
    }
    return opened.release();
}

void mss_database::do_create_table(const std::wstring& table, const udb_schema& table_schema,
                                   const udb_indexes& table_indexes)
{
    tk_log(2, L"mss_database::do_create_table(%ls)", table.c_str());
    const bool unicode = mss_engine::instance().unicode;
    std::wstring statement = L"CREATE TABLE " + mss_engine::get_safe_tname(table) + L" (\r\n";
    for (std::size_t i = 0; i < table_schema.size(); ++i) {
        if (i > 0)
            statement += L",\r\n";
        statement += L"\t" + mss_column_definition(*this, table, *table_schema[i], table_indexes, unicode);
    }
    statement += L")";
    tk_log(2, L"Create table query: '%ls'", statement.c_str());
    try {
        odb_command command(session.get());
        command.execute(statement, nullptr);
    } catch (const odb_exception& e) {
        tk_log(3, "Failed to create table: %s", e.what());
        throw;
    }
}

mss_table* mss_database::amend_schema(mss_table* table)
{
    if (!table)
        return nullptr;
    const auto types = column_types.find(table->table);
    std::wstring statement = L"SELECT ";
    bool spatial = false;
    for (std::size_t i = 0; i < table->schema.size(); ++i) {
        t_ftd& column = *table->schema[i];
        if (i > 0)
            statement += L",";
        statement += mss_quote_name(column.name);
        if (types == column_types.end())
            continue;
        const auto type = types->second.find(column.name);
        if (type == types->second.end())
            continue;
        if (type->second == L"date") {
            tk_log(2, L"Refine date column '%ls'", column.name.c_str());
            if (column.dw_reserved != 10)
                column.dw_reserved = 2;
            column.vartype = VT_DATE;
        } else if (type->second == L"time") {
            tk_log(2, L"Refine time column '%ls'", column.name.c_str());
            if (column.dw_reserved != 11)
                column.dw_reserved = 3;
            column.vartype = VT_DATE;
        } else if (type->second == L"uniqueidentifier") {
            tk_log(2, L"Refine uniqueidentifier column '%ls'", column.name.c_str());
            column.vartype = VT_BSTR;
            column.dw_reserved = 1;
        } else if (type->second == L"geometry" || type->second == L"geography") {
            tk_log(2, L"Refine geometry/geography column '%ls'", column.name.c_str());
            column.dw_reserved = type->second == L"geometry" ? 2 : 8;
            column.size = 0;
            column.vartype = VT_BSTR;
            statement += L".STAsText() as " + mss_quote_name(column.name);
            spatial = true;
        }
    }
    statement += L" FROM " + table->table;
    if (spatial)
        table->refine_by_sql_query(statement);
    return table;
}
