// The engine as a source: the connection, the server's databases, and the
// opening of one. Its writing side is sql_engine_destination.cpp.
#include "mysql/sql_engine.h"

#include "mysql/client_handles.h"
#include "mysql/row_counter.h"
#include "mysql/session_modes.h"
#include "mysql/sql_database.h"
#include "mysql/sql_exception.h"
#include "mysql/sql_tmp_recordset.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_text_conversion.h"

#include <memory>
#include <string_view>

namespace {

// Log lines show whether a password was given, never the password.
const char* hidden(const std::string& password)
{
    return password.empty() ? "" : "*****";
}

}  // namespace

sql_engine::sql_engine()
{
    initialize();
}

sql_engine::~sql_engine()
{
    tk_log(2, "sql_engine::dtor");
    if (m_connected && mysql_query(&m_handle, "SET FOREIGN_KEY_CHECKS = 1") != 0)
        tk_log(2, "Cannot turn ON foreign key check: %s", mysql_error(&m_handle));
    // Also frees what mysql_init and the options allocated when no connection was made.
    mysql_close(&m_handle);
    tk_log(2, "sql_engine::dtor - END");
}

void sql_engine::initialize()
{
    tk_log(1, "sql_engine::initialize");
    mysql_init(&m_handle);
    tk_log(1, "sql_engine::initialize - 1");
    mysql_options(&m_handle, MYSQL_READ_DEFAULT_GROUP, "QN MySQL Lib");
    tk_log(1, "sql_engine::initialize - 2");
    unsigned int timeout = 10;
    mysql_options(&m_handle, MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
    tk_log(1, "sql_engine::initialize - END");
}

void sql_engine::connect(const std::string& host, const std::string& user, const std::string& password,
                         std::int32_t port)
{
    tk_log(2, "sql_engine::connect(%s,%s,%s,%d)", host.c_str(), user.c_str(), hidden(password), static_cast<int>(port));
    if (m_connected) {
        tk_log(2, "Connection was established already - disconnecting first...");
        mysql_close(&m_handle);
        initialize();
        m_connected = false;
        m_row_counter.reset();
        max_packet_size = 0;
        m_sql_mode.reset();
        m_current_database.clear();
        m_mariadb = false;
    }
    tk_log(3, "Connecting to MySQL server...");
    if (mysql_real_connect(&m_handle, host.c_str(), user.c_str(), password.c_str(), nullptr,
                           static_cast<unsigned int>(port), nullptr, CLIENT_REMEMBER_OPTIONS) == nullptr)
        throw sql_exception();
    m_connected = true;

    tk_log(2, "Setting UTF-8 collation...");
    // utf8mb4 carries every character; servers before 5.5.3 only know the
    // three-byte UTF8.
    m_talks_utf8mb4 = mysql_query(&m_handle, "SET NAMES utf8mb4") == 0;
    if (!m_talks_utf8mb4) {
        tk_log(2, "Cannot set UTF-8 collation: %s", mysql_error(&m_handle));
        if (!run_setup_statement("SET NAMES UTF8", "Cannot set UTF-8 collation: %s"))
            tk_log(3, "Failed to set UTF-8 collation");
    }
    m_row_counter =
        std::make_shared<sql_row_counter>(host, user, password, static_cast<unsigned>(port), m_talks_utf8mb4);
    tk_log(2, "Setting wait_timeout...");
    if (!run_setup_statement("set session wait_timeout=cast(if(@@session.wait_timeout < 28800,28800,"
                             "@@session.wait_timeout) as unsigned);",
                             "Cannot set wait_timeout: %s"))
        tk_log(3, "Failed to set wait_timeout");

    const char* version_text = server_version_text();
    if (version_text == nullptr || *version_text == '\0')
        return;
    tk_log(2, "Got MySQL server version: %s", version_text);
    std::optional<std::uint32_t> code = sql_parse_version(version_text);
    if (!code) {
        tk_log(3, "Invalid MySQL version: %s", version_text);
        throw tk_mail_assertion("sql_engi", 375);
    }
    m_version = *code;
    m_mariadb = std::string_view(version_text).find("MariaDB") != std::string_view::npos;
    tk_log(1, "Hex version: %08X", m_version);
    if (m_version == sql_version_quoted_names && !password.empty())
        throw sql_auth_not_supported_exception();
    run_setup_statement("SET FOREIGN_KEY_CHECKS = 0", "Cannot turn off foreign key check: %s");
    if (!is_old_version())
        set_reading_modes();
    m_table_names_with_case = read_table_names_with_case();
}

void sql_engine::set_reading_modes()
{
    // The server writes SHOW output under the session's sql_mode: with
    // ANSI_QUOTES, say, names stand in double quotes and no key would be read.
    if (mysql_query(&m_handle, "SELECT @@SESSION.sql_mode") != 0)
        throw sql_exception();
    std::string modes;
    {
        const sql_result_ptr result(mysql_store_result(&m_handle));
        MYSQL_ROW row = result ? mysql_fetch_row(result.get()) : nullptr;
        if (row != nullptr && row[0] != nullptr)
            modes = row[0];
    }
    const std::string kept = sql_reading_modes(modes);
    if (kept == modes)
        return;
    tk_log(2, "Setting sql_mode '%s' instead of '%s'", kept.c_str(), modes.c_str());
    // Mode names are letters, digits and underscores.
    const std::string statement = "SET SESSION sql_mode = '" + kept + "'";
    if (mysql_query(&m_handle, statement.c_str()) != 0)
        throw sql_exception();
}

bool sql_engine::read_table_names_with_case()
{
    // lower_case_table_names 0 keeps table names as written and tells them
    // apart by case; 1 and 2 compare them without. A server that does not
    // say is taken to ignore case, as before it was asked.
    if (mysql_query(&m_handle, "SELECT @@lower_case_table_names") != 0) {
        tk_log(2, "Cannot read lower_case_table_names: %s", mysql_error(&m_handle));
        return false;
    }
    const sql_result_ptr result(mysql_store_result(&m_handle));
    MYSQL_ROW row = result ? mysql_fetch_row(result.get()) : nullptr;
    const bool with_case = row != nullptr && row[0] != nullptr && std::string_view(row[0]) == "0";
    tk_log(2, "Table names compare %s case", with_case ? "with" : "without");
    return with_case;
}

std::shared_ptr<sql_row_counter> sql_engine::row_counter() const
{
    return m_row_count == row_count::beside_rows && !is_old_version() ? m_row_counter : nullptr;
}

bool sql_engine::run_setup_statement(const char* statement, const char* failure_format)
{
    if (mysql_query(&m_handle, statement) == 0)
        return true;
    tk_log(2, failure_format, sql_exception().what());
    return false;
}

const char* sql_engine::server_version_text()
{
    return mysql_get_server_info(&m_handle);
}

void sql_engine::get_contents(std::vector<std::wstring>& names)
{
    tk_log(2, "sql_engine::get_contents");
    names.clear();
    try {
        sql_list_databases_rs databases(&m_handle, "SHOW DATABASES");
        tk_log(2, "sql_list_databases_rs::ctor");
        if (!databases.prepare_name_list(1))
            tk_log(2, "Failed to create sql_list_databases_rs");
        databases.read_first_column(names, L"Got database (1): %ls");
    } catch (const std::exception& e) {
        tk_log(2, "ERROR: %s", e.what());
    }
}

std::wstring sql_engine::get_safe_name(const std::wstring& name) const
{
    tk_log(1, L"sql_engine::get_safe_name(%ls)", name.c_str());
    if (name.empty() || sql_is_quoted_name(name)) {
        tk_log(1, "Preserve the original name");
        return name;
    }
    std::wstring safe = sql_quote_name(name.size() > 64 ? name.substr(0, 63) : name);
    tk_log(1, L"Returns [%ls]", safe.c_str());
    return safe;
}

udb_database* sql_engine::open_db(const std::wstring& name, std::uint32_t mode)
{
    tk_log(2, L"sql_engine::open_db (%ls)", name.c_str());
    tk_log(3, L"Opening MySQL database '%ls'", name.c_str());
    if (mysql_select_db(&m_handle, tk_unicode_to_utf8(name).c_str()) != 0)
        throw sql_exception();
    m_current_database = name;
    return new sql_database(name, &m_handle, mode);
}

void sql_engine::use_database(const std::wstring& name)
{
    if (name == m_current_database)
        return;
    tk_log(1, L"sql_engine::use_database(%ls)", name.c_str());
    if (mysql_select_db(&m_handle, tk_unicode_to_utf8(name).c_str()) != 0)
        throw sql_exception();
    m_current_database = name;
}

void sql_engine::set_blob_to_text(bool flag)
{
    tk_log(2, "sql_engine::set_blob_to_text(%d)", flag ? 1 : 0);
    m_blob_to_text = flag;
}

bool sql_engine::is_old_version() const
{
    tk_log(1, "is_old_version(%08X)", m_version);
    return m_version < sql_version_quoted_names;
}
