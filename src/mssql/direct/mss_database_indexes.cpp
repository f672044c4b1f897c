// Keys and indexes of a destination table: a primary key or unique
// constraint by ALTER TABLE, every other index by CREATE INDEX, each
// statement from the builder both paths share.
#include "mssql/direct/mss_database.h"
#include "mssql/key_statements.h"
#include "mssql/mss_engine.h"
#include "mssql/odb/odb_command.h"
#include "mssql/odb_exception.h"
#include "mssql/quoting.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_text_conversion.h"

void mss_database::create_indexes(const std::wstring& table, const udb_schema& table_schema,
                                  const udb_indexes& table_indexes)
{
    made_keys.add_table(mss_engine::get_safe_tname(table));
    udb_database::create_indexes(table, table_schema, table_indexes);
    if (!has_primary_key && mss_engine::instance().version_code == mss_azure_version_code)
        create_clustered_index(table, table_schema);
}

void mss_database::create_index(const std::wstring& table, const udb_schema& table_schema, const udb_index& index)
{
    tk_log(2, L"mss_database::create_index(%ls, %ls)", table.c_str(), index.name.c_str());
    if (index.fields.empty()) {
        tk_log(3, L"Index '%ls': no fields, cannot build index", mss_quote_name(index.name).c_str());
        return;
    }
    const std::wstring table_name = mss_engine::get_safe_tname(table);
    const mss_index_statement statement = mss_key_statement(
        mss_direct_keys, table_name, table_schema, index, mss_engine::instance().version_code,
        [this](const std::wstring& name, bool constraint) { return !is_index_exist(name, constraint); });
    if (statement.text.empty()) {
        mss_key_left_out(*this, table_name, index, statement.left_out);
        return;
    }
    tk_log(2, L"Create index query: '%ls'", statement.text.c_str());
    try {
        odb_command command(session.get());
        command.execute(statement.text, nullptr);
    } catch (const odb_exception& e) {
        // A key or index the server refuses is a failed object of the run,
        // and a refused primary key leaves the table without one.
        const std::wstring object = mss_key_object_text(index);
        object_failed(table_name, object, e.what(), table_name,
                      tk_unicode_to_utf8(object) + " could not be created: " + e.what());
        return;
    }
    made_keys.add(table_name, index, statement.filtered);
    if (index.primary)
        has_primary_key = true;
}

void mss_database::create_clustered_index(const std::wstring& table, const udb_schema& table_schema)
{
    tk_log(2, L"mss_database::create_clustered_index(%ls)", table.c_str());
    const std::wstring table_name = mss_engine::get_safe_tname(table);
    const std::wstring statement = mss_clustered_index_statement(table_name, table_schema);
    if (statement.empty())
        return;
    try {
        run(statement);
    } catch (const tk_exception& e) {
        object_failed(table_name, L"clustered index", e.what(), table_name,
                      std::string("clustered index could not be created: ") + e.what());
    }
}
