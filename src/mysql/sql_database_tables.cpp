// Creating, dropping and emptying tables of a destination database.
#include "model/properties.h"
#include "mysql/sql_database.h"
#include "mysql/sql_engine.h"
#include "mysql/sql_indexes_initializer.h"
#include "mysql/sql_literals.h"
#include "mysql/sql_schema_initializer.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"

namespace {

// MyISAM was the default table type up to this version.
constexpr std::uint32_t myisam_default_version = 0x31722;
// Above it the table type is written with ENGINE=, else with TYPE=.
constexpr std::uint32_t engine_keyword_version = 0x40016;

}  // namespace

udb_recordset* sql_database::create_table(const std::wstring& table, const udb_schema& schema,
                                          const udb_indexes& indexes)
{
    tk_log(2, L"sql_database::create_table(%ls)", table.c_str());
    if ((mode & udb_mode_read_only) != 0)
        throw tk_mail_assertion("sql_db", 336);
    if (is_table_exist(table))
        return get_table(table, 8);
    sql_engine& engine = sql_current_engine();
    std::wstring statement = L"CREATE TABLE " + engine.get_safe_name(table) + L" (";

    std::wstring auto_column;
    sql_schema_initializer columns(table, schema, indexes, auto_column);
    udb_properties* table_properties = engine.properties != nullptr ? engine.properties->get_child2(table) : nullptr;
    std::wstring table_type = sql_property(table_properties, L"engine");
    if (table_type.empty())
        table_type = engine.version() <= myisam_default_version ? std::wstring(L"MyISAM") : engine.table_type;

    std::vector<std::wstring> chunks;
    columns.get_init_chunks(chunks, table_properties);
    for (std::size_t i = 0; i < chunks.size(); ++i)
        statement += (i > 0 ? L", " : L"") + chunks[i];
    if (!indexes.empty() || !auto_column.empty()) {
        chunks.clear();
        sql_indexes_initializer index_clauses(columns.get_schema(), indexes, auto_column, columns.get_rename_map(),
                                              table_type);
        std::vector<std::wstring> left_out;
        index_clauses.get_init_chunks(chunks, left_out);
        for (const std::wstring& chunk : chunks)
            statement += L", " + chunk;
        for (const std::wstring& index : left_out)
            object_failed(table, L"index '" + index + L"'", "MySQL cannot hold it");
    }
    statement += L")";
    std::wstring charset = sql_property(table_properties, L"character set");
    if (!charset.empty())
        statement += L" character set " + charset;
    statement += (engine.version() > engine_keyword_version ? L" ENGINE=" : L" TYPE=") + table_type;

    tk_log(2, L"Run SQL-query: %ls\n", statement.c_str());
    make_current();
    engine.execute(m_connection, sql_utf8(statement));
    tables.push_back(table);
    names_map.add_fn_map(table, columns.get_rename_map());
    return get_table(table, 2);
}

bool sql_database::delete_tab(const std::wstring& table)
{
    tk_log(2, L"sql_database::delete_tab (%ls)", table.c_str());
    if ((mode & udb_mode_read_only) != 0)
        throw tk_mail_assertion("sql_db", 446);
    if (!is_table_exist(table))
        throw tk_mail_assertion("sql_db", 447);
    make_current();
    sql_current_engine().execute(
        m_connection, sql_utf8(L"DROP TABLE IF EXISTS " + sql_current_engine().get_safe_name(table) + L" CASCADE"));
    return udb_database::delete_tab(table);
}

void sql_database::empty_table(const std::wstring& table)
{
    udb_database::empty_table(sql_quote_name(table));
}
