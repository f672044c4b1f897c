// Opening a destination table: its identity column and indexes as the server
// keeps them. Its rows are written in mss_table_bulk.cpp and
// mss_table_rows.cpp.
#include "mssql/direct/mss_table.h"

#include "mssql/direct/result_rows.h"
#include "mssql/mss_engine.h"
#include "mssql/odb_exception.h"
#include "mssql/quoting.h"
#include "mssql/table_names.h"
#include "mssql/type_mapping.h"
#include "toolkit/error_handler.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_text_conversion.h"

#include <algorithm>
#include <memory>

mss_table::mss_table(const std::wstring& name, IOpenRowset* session_interface, std::uint32_t open_mode,
                     udb_database& owner)
    : odb_table(name, session_interface, open_mode, owner), command(session_interface)
{
    tk_log(2, L"mss_table::ctor1(%ls)", name.c_str());
    init_schema();
    tk_log(2, "mss_table::split_tab_name");
    std::wstring table_name;
    std::wstring owner_name;
    mss_split_tab_name(table, table_name, owner_name);
    read_identity(table_name, owner_name);
    if ((mode & odb_table_skip_indexes) != odb_table_skip_indexes)
        read_indexes(table_name, owner_name);
    find_identity();
    for (const udb_index& index : indexes)
        has_primary_key = has_primary_key || index.primary;
}

mss_table::mss_table(const std::wstring& name, const std::wstring& query_text, IOpenRowset* session_interface,
                     std::uint32_t open_mode, udb_database& owner)
    : odb_table(name, query_text, session_interface, open_mode, owner), command(session_interface)
{
    tk_log(2, L"mss_table::ctor2(%ls)", name.c_str());
}

mss_table::mss_table(const std::wstring& name, IOpenRowset* session_interface, const udb_schema& table_schema,
                     udb_database& owner)
    : odb_table(name, session_interface, odb_table_no_rowset, owner), column_origin(mss_column_origin::created_by_run),
      command(session_interface)
{
    tk_log(2, L"mss_table::ctor3(%ls)", name.c_str());
    for (const t_ftd* column : table_schema)
        schema.push_back(new t_ftd(*column));
    schema.identity_seed = table_schema.identity_seed;
    schema.identity_increment = table_schema.identity_increment;
    // The run has just created the table: a type rule may have written its
    // identity column without IDENTITY, and the server refuses IDENTITY_INSERT
    // on a table that has none.
    b_identity = std::any_of(schema.begin(), schema.end(),
                             [](const t_ftd* column) { return column && mss_creates_identity(*column); });
}

void mss_table::read_identity(const std::wstring& table_name, const std::wstring& owner_name)
{
    std::wstring statement = L"SELECT NAME AS COLUMNNAME,CAST(LAST_VALUE AS INT),CAST(INCREMENT_VALUE AS INT) FROM "
                             L"SYS.IDENTITY_COLUMNS WHERE OBJECT_NAME(OBJECT_ID)=" +
                             mss_unicode_literal(table_name);
    if (!owner_name.empty())
        statement += L" AND OBJECT_SCHEMA_NAME(OBJECT_ID)=" + mss_unicode_literal(owner_name);
    try {
        const std::unique_ptr<udb_recordset> result(database->query(statement));
        result->reset();
        if (result->is_eof())
            return;
        const udb_record& row = *result->get_item();
        const std::int32_t seed = mss_row_long(row, 1);
        const std::int32_t increment = mss_row_long(row, 2);
        if (seed == 1 && increment == 1)
            return;
        schema.identity_seed = static_cast<std::uint64_t>(seed);
        schema.identity_increment = static_cast<std::uint32_t>(increment);
        tk_log(2, "Autoincrement: seed=%d, increment=%d", seed, increment);
    } catch (const odb_exception& e) {
        tk_log(3, "Failed to exract auto_increment properties: %s", e.what());
    }
}

void mss_table::read_indexes(const std::wstring& table_name, const std::wstring& owner_name)
{
    try {
        if (mss_engine::instance().version_code == mss_azure_version_code) {
            tk_log(2, "Alternate init_indexes for SQL Azure");
            init_indexes2(table_name, owner_name);
        } else {
            init_indexes(table_name, owner_name);
        }
    } catch (const odb_exception& e) {
        tk_log(3, "Error while init_indexes: %s", e.what());
    }
}

void mss_table::find_identity()
{
    for (std::size_t i = 0; i < schema.size(); ++i) {
        if (schema[i] && schema[i]->identity) {
            tk_log(2, "Auto-increment found: field #%d", static_cast<int>(i));
            b_identity = true;
            return;
        }
    }
}

void mss_table::refine_by_sql_query(const std::wstring& query_text)
{
    tk_log(2, L"mss_table::refine_by_sql_query(%ls)", query_text.c_str());
    if (rowset.is_empty())
        tk_log(2, "IRowset is not initialized yet");
    clean_cache();
    rowset.release();
    odb_command reader(session.get());
    reader.execute(query_text, rowset.get_address());
    initialize(false);
}

// The owner that did not end the rows itself learns of what the server
// refused from the error handler.
void mss_table::finish_quietly()
{
    std::string failure;
    try {
        finish();
    } catch (const tk_exception& e) {
        failure = e.what();
    }
    if (refused.empty() && failure.empty())
        return;
    for (std::size_t i = 0; i < refused.size(); ++i)
        error_handler::instance().count_skipped_record();
    const std::string text = failure.empty() ? tk_unicode_to_utf8(refused.front().message) : failure;
    refused.clear();
    error_handler::instance().handle(tk_exception(text, 0), true);
}

mss_table::~mss_table()
{
    tk_log(2, "mss_table::dtor(b_identity=%d)", b_identity ? 1 : 0);
    tk_log(2, "fast_load=%d", mss_engine::is_initialized() && mss_engine::instance().fast_load ? 1 : 0);
    try {
        if (identity_insert_on) {
            tk_log(2, "setting IDENTITY_INSERT -> OFF");
            run(L"SET IDENTITY_INSERT " + table + L" OFF;");
        }
        tk_log(2, "Right before fl.close_table");
        finish_quietly();
        tk_log(2, "Right after fl.close_table");
        if (quoted_identifier_off)
            run(L"SET QUOTED_IDENTIFIER ON;");
    } catch (const tk_exception& e) {
        tk_log(2, "Got tk_exception in mss_table::dtor: %s", e.what());
    }
    tk_log(2, "mss_table::dtor - at the end");
}
