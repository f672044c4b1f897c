// The engine's operations for a MySQL server as a destination: databases,
// settings for table creation, the packet limit and the name rules.
#include "model/name_compare.h"
#include "model/properties.h"
#include "mysql/sql_engine.h"
#include "mysql/sql_exception.h"
#include "mysql/sql_literals.h"
#include "mysql/sql_validators.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_text_conversion.h"

#include <algorithm>
#include <stdexcept>

namespace {

// The name in backticks from 4.1.0 on, bare before.
std::wstring database_name(const sql_engine& engine, const std::wstring& name)
{
    return engine.is_old_version() ? name : sql_quote_name(name);
}

// A LIKE pattern that matches the text only.
std::wstring like_pattern(const std::wstring& text)
{
    std::wstring pattern;
    for (wchar_t c : text) {
        if (c == L'\\' || c == L'%' || c == L'_')
            pattern += L'\\';
        pattern += c;
    }
    return pattern;
}

}  // namespace

sql_result_ptr sql_engine::execute(MYSQL* connection, const std::string& statement)
{
    tk_log(1, "sql_engine::execute(%s)", statement.c_str());
    mysql_real_query(connection, statement.data(), static_cast<unsigned long>(statement.size()));
    sql_result_ptr result(mysql_use_result(connection));
    if (mysql_errno(connection) != 0) {
        tk_log(3, "QUERY=%s", statement.c_str());
        throw sql_exception();
    }
    return result;
}

void sql_engine::create_db(const std::wstring& name)
{
    tk_log(2, L"sql_engine::create_db (%ls)", name.c_str());
    tk_log(3, L"Creating MySQL database '%ls'", name.c_str());
    std::wstring statement = L"CREATE DATABASE " + database_name(*this, name) + L" character set " + get_charset();
    tk_log(2, L"Run SQL-query: %ls", statement.c_str());
    execute(&m_handle, sql_utf8(statement));
}

void sql_engine::db_delete(const std::wstring& name)
{
    tk_log(2, L"sql_engine::db_delete(%ls)", name.c_str());
    tk_log(3, L"Deleting MySQL database '%ls'", name.c_str());
    try {
        execute(&m_handle, "SET FOREIGN_KEY_CHECKS = 0");
    } catch (const tk_exception& e) {
        tk_log(2, "Cannot turn off foreign key check: %s", e.what());
    }
    execute(&m_handle, sql_utf8(L"DROP DATABASE " + database_name(*this, name)));
    try {
        execute(&m_handle, "SET FOREIGN_KEY_CHECKS = 1");
    } catch (const tk_exception& e) {
        tk_log(2, "Cannot turn on foreign key check: %s", e.what());
    }
}

bool sql_engine::is_db_exist(const std::wstring& name)
{
    tk_log(1, L"sql_engine::is_db_exist(%ls)", name.c_str());
    // Selecting the database would make it the current one behind the
    // caller's back: the list of databases answers without that.
    sql_result_ptr result = execute(&m_handle, "SHOW DATABASES LIKE '" + sql_mask(sql_utf8(like_pattern(name))) + "'");
    bool found = false;
    while (MYSQL_ROW row = result ? mysql_fetch_row(result.get()) : nullptr)
        found = found || row[0] != nullptr;
    tk_log(1, "n_result=%d", found ? 0 : 1);
    return found;
}

void sql_engine::set_properties(udb_properties* properties)
{
    tk_log(1, "sql_engine::set_properties");
    udb_engine::set_properties(properties);
    udb_property_set empty;
    const udb_property_set& values = properties != nullptr ? properties->get_properties() : empty;
    auto engine = values.find(L"engine");
    if (engine == values.end()) {
        tk_log(1, "Set InnoDB as default");
        table_type = L"InnoDB";
    } else {
        tk_log(1, L"Set tab.type='%ls'", engine->second.c_str());
        table_type = engine->second;
    }
    auto character_set = values.find(L"character set");
    if (character_set != values.end())
        charset = character_set->second;
}

std::wstring sql_engine::get_charset() const
{
    return m_talks_utf8mb4 && udb_same_name(charset, L"utf8") ? L"utf8mb4" : charset;
}

std::uint32_t sql_engine::get_max_allowed_packet()
{
    tk_log(1, "sql_engine::get_max_allowed_packet");
    if (max_packet_size != 0 || !m_connected)
        return max_packet_size;
    sql_result_ptr result = execute(&m_handle, "SHOW VARIABLES LIKE 'max_allowed_packet'");
    MYSQL_ROW row = result ? mysql_fetch_row(result.get()) : nullptr;
    if (row != nullptr) {
        if (mysql_num_fields(result.get()) < 2)
            throw std::out_of_range("invalid vector subscript");
        max_packet_size = row[1] != nullptr ? static_cast<std::uint32_t>(std::stoul(row[1])) : 0;
    }
    tk_log(1, "max_packet_size=%d", static_cast<int>(max_packet_size));
    return max_packet_size;
}

bool sql_engine::has_sql_mode(std::string_view mode)
{
    // Servers before 4.1.0 refuse no zero date.
    if (!m_connected || is_old_version())
        return false;
    if (!m_sql_mode) {
        sql_result_ptr result = execute(&m_handle, "SELECT @@SESSION.sql_mode");
        MYSQL_ROW row = result ? mysql_fetch_row(result.get()) : nullptr;
        m_sql_mode = row != nullptr && row[0] != nullptr ? std::string(row[0]) : std::string();
        tk_log(1, "sql_mode=%s", m_sql_mode->c_str());
    }
    // A comma-separated list of upper-case names.
    const std::string& modes = *m_sql_mode;
    for (std::size_t at = 0; at <= modes.size();) {
        const std::size_t end = std::min(modes.find(',', at), modes.size());
        if (std::string_view(modes).substr(at, end - at) == mode)
            return true;
        at = end + 1;
    }
    return false;
}

std::unique_ptr<sql_validator> sql_engine::create_fn_validator(const udb_record& record)
{
    tk_log(1, "sql_engine::create_fn_validator( const udb_record& )");
    if (is_old_version())
        return std::make_unique<sql_old_fn_validator>(record);
    return std::make_unique<sql_new_fn_validator>(record);
}

std::unique_ptr<sql_validator> sql_engine::create_fn_validator(const udb_schema& schema)
{
    tk_log(1, "sql_engine::create_fn_validator( const udb_schema& )");
    if (is_old_version())
        return std::make_unique<sql_old_fn_validator>(schema);
    return std::make_unique<sql_new_fn_validator>(schema);
}

std::unique_ptr<sql_validator> sql_engine::create_in_validator(const udb_indexes& indexes)
{
    tk_log(1, "sql_engine::create_in_validator");
    if (is_old_version())
        return std::make_unique<sql_old_in_validator>(indexes);
    return std::make_unique<sql_new_in_validator>(indexes);
}

std::unique_ptr<sql_validator> sql_engine::create_tn_validator(const std::vector<std::wstring>& tables,
                                                               const std::vector<std::wstring>& views)
{
    tk_log(1, "sql_engine::create_tn_validator");
    if (is_old_version())
        return std::make_unique<sql_old_tn_validator>(tables, views);
    return std::make_unique<sql_new_tn_validator>(tables, views);
}
