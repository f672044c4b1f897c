// A table's structure read from the server: columns, indexes and
// foreign keys. Its rows are written in sql_table_append.cpp and
// sql_table_update.cpp.
#include "mysql/sql_table.h"

#include "mysql/blob_to_text_scope.h"
#include "mysql/client_handles.h"
#include "mysql/column_refinement.h"
#include "mysql/sql_database.h"
#include "mysql/sql_engine.h"
#include "mysql/sql_fk_parser.h"
#include "mysql/sql_tmp_recordset.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_string_utils.h"
#include "toolkit/tk_text_conversion.h"

#include <algorithm>
#include <map>
#include <optional>
#include <vector>

sql_table::sql_table(sql_database* database, const std::wstring& table, udb_relationships* relationships,
                     std::uint32_t mode)
    : sql_recordset(database, table, relationships)
{
    tk_log(2, "sql_table::ctor");
    initialize(mode);
}

sql_table::~sql_table()
{
    tk_log(2, "sql_table::dtor");
    if (pending_statement.empty())
        return;
    try {
        run_pending();
    } catch (const std::exception& e) {
        tk_log(3, L"Table '%ls': ERROR '%s'", table.c_str(), e.what());
    }
}

void sql_table::initialize(std::uint32_t mode)
{
    tk_log(2, "sql_table::initialize(%d)", static_cast<int>(mode));
    read_columns();
    read_collations();
    if ((mode & ~0x60u) == 0) {
        tk_log(2, "Mode=no_indexes, nothing to do");
        return;
    }
    read_indexes();
    if (sql_current_engine().version() >= sql_version_foreign_keys) {
        const std::size_t first_key = m_relationships->size();
        read_foreign_keys();
        read_foreign_key_databases(first_key);
    }
}

namespace {

struct declared_column {
    std::wstring name;
    std::wstring type_text;
    sql_declared_default default_value;
    std::wstring extra;  // such as "on update current_timestamp()"
};

std::optional<std::wstring> text_or_null(const udb_field& field)
{
    return field.get_type() == VT_EMPTY ? std::nullopt : std::optional<std::wstring>(field.to_wstring());
}

// The defaults as information_schema writes them, where a literal and an
// expression can be told apart, by column name.
std::map<std::wstring, sql_declared_default> quoted_defaults(sql_database& database, const std::wstring& table)
{
    std::map<std::wstring, sql_declared_default> defaults;
    const std::string name = sql_escape_string(database.get_connection(), tk_unicode_to_utf8(table));
    std::unique_ptr<sql_tmp_recordset> rows =
        database.run_query(L"SELECT COLUMN_NAME, COLUMN_DEFAULT FROM information_schema.COLUMNS "
                           L"WHERE TABLE_SCHEMA = DATABASE() AND TABLE_NAME = '" +
                           tk_utf8_to_unicode(name) + L"'");
    if (!rows)
        return defaults;
    for (rows->reset(); !rows->is_eof(); rows->next()) {
        const udb_record& row = *rows->get_item();
        defaults[row.at(0)->to_wstring()] = sql_quoted_default(text_or_null(*row.at(1)));
    }
    return defaults;
}

// What SHOW COLUMNS tells of each column, read to the end of its result.
std::vector<declared_column> declared_columns(sql_database& database, const std::wstring& table)
{
    blob_to_text_scope as_text;
    std::vector<declared_column> columns;
    std::unique_ptr<sql_tmp_recordset> rows = database.run_query(
        L"SHOW COLUMNS FROM " + (sql_current_engine().is_old_version() ? table : sql_quote_name(table)));
    if (!rows)
        return columns;
    for (rows->reset(); !rows->is_eof(); rows->next()) {
        const udb_record& row = *rows->get_item();
        const std::wstring extra = row.at(row.size() - 1)->to_wstring();
        columns.push_back({row.at(0)->to_wstring(), row.at(1)->to_wstring(),
                           sql_shown_default(text_or_null(*row.at(row.size() - 2)), extra), extra});
    }
    rows.reset();
    // SHOW COLUMNS of MariaDB writes some literals quoted and others bare,
    // like expressions.
    if (sql_current_engine().reports_quoted_defaults()) {
        const std::map<std::wstring, sql_declared_default> defaults = quoted_defaults(database, table);
        for (declared_column& column : columns) {
            const auto found = defaults.find(column.name);
            if (found != defaults.end())
                column.default_value = found->second;
        }
    }
    return columns;
}

}  // namespace

void sql_table::read_columns()
{
    const std::vector<declared_column> columns = declared_columns(*m_database, table);
    // SELECT * leaves INVISIBLE columns out: the rows are then read through a
    // list that names every column, and the columns arrive as ordinary ones.
    const bool left_out = std::any_of(columns.begin(), columns.end(), [&](const declared_column& column) {
        return schema.get_field1(column.name) == nullptr;
    });
    if (left_out) {
        std::vector<std::wstring> names;
        for (const declared_column& column : columns)
            names.push_back(column.name);
        tk_log(2, L"Table '%ls' has columns that SELECT * leaves out, reading them by name", table.c_str());
        read_named_columns(names);
    }
    for (const declared_column& declared : columns) {
        tk_log(2, L"Field '%ls' has type: %ls", declared.name.c_str(), declared.type_text.c_str());
        t_ftd* column = schema.get_field1(declared.name);
        if (column == nullptr)
            throw tk_exception(L"Column '" + declared.name + L"' of table '" + table + L"' cannot be read", 0);
        sql_refine_type(*column, declared.type_text);
        sql_refine_default(*column, declared.default_value);
        report_on_update(declared.name, declared.extra);
    }
}

void sql_table::report_on_update(const std::wstring& column, const std::wstring& extra) const
{
    // MS SQL Server columns have no such property: only a trigger could do it.
    tk_wstring lower(extra);
    lower.to_lower();
    const std::size_t at = lower.find(L"on update");
    if (at != std::wstring::npos)
        tk_log(3, L"Table '%ls', column '%ls': '%ls' is not carried across; MS SQL Server columns have no such clause",
               table.c_str(), column.c_str(), extra.substr(at).c_str());
}

void sql_table::read_indexes()
{
    std::unique_ptr<sql_tmp_recordset> rows =
        m_database->run_query(L"SHOW INDEX FROM " + sql_current_engine().get_safe_name(table));
    if (!rows)
        return;
    for (rows->reset(); !rows->is_eof(); rows->next()) {
        const udb_record& row = *rows->get_item();
        bool unique = !row.at(1)->to_bool();
        std::wstring name = row.at(2)->to_wstring();
        bool primary = name == L"PRIMARY";
        std::wstring column = row.at(4)->to_wstring();
        tk_log(2, L"Got index '%ls' (primary=%d, unique=%d)", name.c_str(), primary ? 1 : 0, unique ? 1 : 0);
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

void sql_table::read_foreign_keys()
{
    tk_log(2, "Extracting foreign keys");
    std::unique_ptr<sql_tmp_recordset> rows =
        m_database->run_query(L"SHOW CREATE TABLE " + sql_current_engine().get_safe_name(table));
    if (!rows)
        return;
    for (rows->reset(); !rows->is_eof(); rows->next()) {
        const udb_record& row = *rows->get_item();
        for (const std::string& clause : sql_fk_parser(table, row.back()->to_string()).do_parse(*m_relationships)) {
            tk_log(2, L"Table '%ls': a foreign key that cannot be read: %s", table.c_str(), clause.c_str());
            m_database->unreadable_keys.emplace_back(table, tk_utf8_to_unicode(clause));
        }
    }
}
