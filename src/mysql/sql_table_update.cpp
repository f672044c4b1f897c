// Changing and removing rows of a destination table by key or by row.
#include "model/name_compare.h"
#include "mysql/sql_database.h"
#include "mysql/sql_engine.h"
#include "mysql/sql_literals.h"
#include "mysql/sql_sync.h"
#include "mysql/sql_table.h"
#include "mysql/sql_zero_dates.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"

#include <algorithm>

namespace {

std::string quoted_column(const t_ftd& column)
{
    return sql_utf8(sql_current_engine().get_safe_name(column.name));
}

std::string assignment(const t_ftd& column, const udb_field& field)
{
    return quoted_column(column) + "=" + to_mysql_str(&field, &column);
}

// The value that a row sets, checked as an appended one is.
std::string set_item(const t_ftd& column, const udb_field& field)
{
    sql_check_zero_date(field, column);
    return assignment(column, field);
}

// NULL equals nothing, itself included.
std::string condition(const t_ftd& column, const udb_field& field)
{
    if (field.get_type() < VT_I2)
        return quoted_column(column) + " IS NULL";
    return assignment(column, field);
}

void join(std::string& list, const char* separator, const std::string& item)
{
    if (!list.empty())
        list += separator;
    list += item;
}

std::string table_head(const char* verb, const std::wstring& table)
{
    return verb + sql_utf8(sql_current_engine().get_safe_name(table));
}

}  // namespace

void sql_table::update1(udb_record& record)
{
    tk_log(1, "sql_table::update");
    if (key_index < 0) {
        tk_log(1, "There's no primary/unique key");
        throw tk_exception("Table '" + sql_utf8(table) + "' has no primary or unique key to update rows by", 0);
    }
    if (static_cast<std::size_t>(key_index) >= indexes.size())
        throw tk_mail_assertion("sql_tab", 692);
    const std::vector<std::wstring>& key_columns = indexes[static_cast<std::size_t>(key_index)].fields;
    std::string set_list;
    std::string where;
    std::size_t key_fields = 0;
    for (const matched_column& match : mapped_fields(record)) {
        const bool in_key = std::any_of(key_columns.begin(), key_columns.end(), [&](const std::wstring& key) {
            return udb_same_name(key, match.column->name);
        });
        if (in_key) {
            tk_log(1, L"Field %ls is a part of UKey", match.column->name.c_str());
            join(where, " AND ", condition(*match.column, *match.field));
            ++key_fields;
        } else {
            tk_log(1, L"Field %ls is NOT a part of UKey", match.column->name.c_str());
            join(set_list, ", ", set_item(*match.column, *match.field));
        }
    }
    // A key column the row lacks would widen the condition to other rows.
    if (key_fields < key_columns.size()) {
        tk_log(1, "Missing primary/unique key");
        throw tk_exception("Table '" + sql_utf8(table) + "': the row lacks a column of the key to update by", 0);
    }
    const std::string statement = table_head("UPDATE ", table) + " SET " + set_list + " WHERE " + where;
    tk_log(2, "UPDATE QUERY: %s", statement.c_str());
    try {
        m_database->query_append(statement);
    } catch (const std::exception& e) {
        tk_log(3, "ERROR on UPDATE0: %s", e.what());
        throw;
    }
}

void sql_table::update2(udb_record& record, const std::wstring& key)
{
    tk_log(1, L"sql_table::update(key=%ls)", key.c_str());
    if (key.empty()) {
        tk_log(1, "Missing key for update");
        throw tk_exception("Table '" + sql_utf8(table) + "': missing key for update", 0);
    }
    std::string set_list;
    // Every value is set, an empty text or byte array too: a field holds its
    // whole value, whatever size the reading side gave it.
    for (const matched_column& match : mapped_fields(record))
        join(set_list, ", ", set_item(*match.column, *match.field));
    try {
        const std::string statement = table_head("UPDATE ", table) + " SET " + set_list + " WHERE " +
                                      sql_utf8(sql_sync(m_database).get_filter_subquery(table, key));
        tk_log(2, "UPDATE QUERY: %s", statement.c_str());
        m_database->query_append(statement);
    } catch (const std::exception& e) {
        tk_log(3, "ERROR on UPDATE: %s", e.what());
        throw;
    }
}

void sql_table::delete_key(const std::wstring& key)
{
    tk_log(2, L"sql_table::delete_key(%ls)", key.c_str());
    try {
        m_database->query_append(table_head("delete from ", table) + " where " +
                                 sql_utf8(sql_sync(m_database).get_filter_subquery(table, key)));
    } catch (const std::exception& e) {
        tk_log(3, "ERROR on DELETE: %s", e.what());
        throw;
    }
}

void sql_table::delete_key(udb_record& record)
{
    tk_log(1, "sql_table::delete_key");
    std::string where;
    for (const matched_column& match : mapped_fields(record))
        join(where, " AND ", condition(*match.column, *match.field));
    m_database->query_append(table_head("DELETE FROM ", table) + " WHERE " + where);
}
