#include "mysql/sql_table.h"

#include "mysql/blob_to_text_scope.h"
#include "mysql/client_handles.h"
#include "mysql/column_refinement.h"
#include "mysql/sql_database.h"
#include "mysql/sql_engine.h"
#include "mysql/sql_fk_parser.h"
#include "mysql/sql_tmp_recordset.h"
#include "toolkit/tk_log.h"

sql_table::sql_table(sql_database* database, const std::wstring& table,
                     udb_relationships* relationships, std::uint32_t mode)
    : sql_recordset(database, table, relationships) {
    tk_log(2, "sql_table::ctor");
    initialize(mode);
}

sql_table::~sql_table() {
    tk_log(2, "sql_table::dtor");
    if (pending_statement.empty()) return;
    tk_log(1, "Run SQL query: [%s]", pending_statement.c_str());
    try {
        m_database->query_append(pending_statement);
    } catch (const tk_exception& e) {
        tk_log(3, L"Table '%ls': ERROR '%s'", table.c_str(), e.what());
    }
    pending_statement.clear();
}

void sql_table::initialize(std::uint32_t mode) {
    tk_log(2, "sql_table::initialize(%d)", static_cast<int>(mode));
    read_columns();
    if ((mode & ~0x60u) == 0) {
        tk_log(2, "Mode=no_indexes, nothing to do");
        return;
    }
    read_indexes();
    if (sql_current_engine().version() >= sql_version_foreign_keys) read_foreign_keys();
}

void sql_table::read_columns() {
    blob_to_text_scope as_text;
    std::unique_ptr<sql_tmp_recordset> columns = m_database->run_query(
        L"SHOW COLUMNS FROM " + (sql_current_engine().is_old_version() ? table : sql_quote_name(table)));
    if (!columns) return;
    for (columns->reset(); !columns->is_eof(); columns->next()) {
        const udb_record& row = *columns->get_item();
        std::wstring name = row.at(0)->to_wstring();
        std::wstring type_text = row.at(1)->to_wstring();
        tk_log(2, L"Field '%ls' has type: %ls", name.c_str(), type_text.c_str());
        t_ftd* column = schema.get_field1(name);
        if (column == nullptr) {
            // INVISIBLE columns are listed but not delivered by SELECT *.
            tk_log(2, L"Field '%ls' is not in the rows, skipped", name.c_str());
            continue;
        }
        sql_refine_type(*column, type_text);
        const udb_field& default_field = *row.at(row.size() - 2);
        sql_refine_default(*column, default_field.get_type() == VT_EMPTY ? std::wstring()
                                                                         : default_field.to_wstring());
    }
}

void sql_table::read_indexes() {
    std::unique_ptr<sql_tmp_recordset> rows =
        m_database->run_query(L"SHOW INDEX FROM " + sql_current_engine().get_safe_name(table));
    if (!rows) return;
    for (rows->reset(); !rows->is_eof(); rows->next()) {
        const udb_record& row = *rows->get_item();
        bool unique = !row.at(1)->to_bool();
        std::wstring name = row.at(2)->to_wstring();
        bool primary = name == L"PRIMARY";
        std::wstring column = row.at(4)->to_wstring();
        tk_log(2, L"Got index '%ls' (primary=%d, unique=%d)", name.c_str(), primary ? 1 : 0,
               unique ? 1 : 0);
        tk_log(1, L"udb_indexes::is_acceptable_name(%ls)", name.c_str());
        if (!indexes.is_acceptable_name(name)) {
            // The server lists an index's columns in key order, one row each.
            tk_log(1, L"udb_indexes::get_index(%ls)", name.c_str());
            indexes.get_index(name).fields.push_back(column);
            continue;
        }
        udb_index index(name, unique, primary);
        index.fields.push_back(column);
        add_index(index);
    }
}

void sql_table::read_foreign_keys() {
    tk_log(2, "Extracting foreign keys");
    std::unique_ptr<sql_tmp_recordset> rows =
        m_database->run_query(L"SHOW CREATE TABLE " + sql_current_engine().get_safe_name(table));
    if (!rows) return;
    for (rows->reset(); !rows->is_eof(); rows->next()) {
        const udb_record& row = *rows->get_item();
        sql_fk_parser(table, row.back()->to_string()).do_parse(*m_relationships);
    }
}
