// The mysql folder: the MySQL side, over the MariaDB client library. As a
// source it lists databases, tables and views, reads each table's columns,
// indexes and foreign keys, and streams rows: one unbuffered SELECT a table
// (sql_limited_query), fetched ahead on a worker thread (batch_prefetch.h)
// and typed into records a batch at a time (sql_recordset). It also holds a
// writing side (databases, tables, indexes, foreign keys, views, rows
// appended, updated and deleted), reached only through the model's
// interfaces; every statement of that side goes through
// sql_engine::execute, and each database object makes itself the
// connection's current database before it sends one. A stream occupies the
// connection: nothing else uses it while a table's rows are read, and a
// count beside them runs on a second connection (row_counter.h). Client
// library failures are sql_exception, whose error number is 0x400000 plus
// MySQL's. It includes model and the layers below it, never src/mssql.
//
// This file: the process's one connection to a MySQL server.
#pragma once

#include "model/engine.h"
#include "mysql/client_handles.h"
#include "toolkit/tk_singleton.h"

#include <cstdint>
#include <memory>
#include <mysql.h>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class sql_database;
class sql_row_counter;
class sql_validator;
class udb_indexes;
class udb_record;
class udb_schema;

class sql_engine : public udb_engine, public tk_singleton<sql_engine> {
public:
    sql_engine();
    ~sql_engine() override;

    // Prepares the client handle; run again before each reconnection.
    void initialize();
    // Host, user and password are UTF-8; a second call closes the first connection.
    void connect(const std::string& host, const std::string& user, const std::string& password, std::int32_t port);
    // The server's database names; on a failure, those read until then.
    void get_contents(std::vector<std::wstring>& names);
    // The name in backticks (embedded backticks doubled, names over 64
    // characters cut to 63); a name already quoted or empty stays as it is.
    std::wstring get_safe_name(const std::wstring& name) const;

    udb_database* open_db(const std::wstring& name, std::uint32_t mode) override;
    // Makes the database the connection's current one unless it is already:
    // the statements of each opened database name its tables without it.
    void use_database(const std::wstring& name);
    // Whether the server has the database; the connection's current
    // database stays as it was.
    bool is_db_exist(const std::wstring& name) override;

    // The writing side of the engine.
    void create_db(const std::wstring& name) override;
    void db_delete(const std::wstring& name) override;
    void set_properties(udb_properties* properties) override;
    // The server's max_allowed_packet, asked once per connection; 0 when not connected.
    std::uint32_t get_max_allowed_packet();
    // Whether the session's sql_mode, asked once per connection, holds the
    // mode (such as "NO_ZERO_DATE"); false when not connected.
    bool has_sql_mode(std::string_view mode);
    // Name rules for the server's version, seeded with the names already used.
    std::unique_ptr<sql_validator> create_fn_validator(const udb_record& record);
    std::unique_ptr<sql_validator> create_fn_validator(const udb_schema& schema);
    std::unique_ptr<sql_validator> create_in_validator(const udb_indexes& indexes);
    std::unique_ptr<sql_validator> create_tn_validator(const std::vector<std::wstring>& tables,
                                                       const std::vector<std::wstring>& views);
    // The character set that statements name. "utf8" stands for the whole of
    // UTF-8: on a connection that talks utf8mb4 it is written as utf8mb4, whose
    // columns also hold characters beyond the Basic Multilingual Plane.
    std::wstring get_charset() const;
    // Sends one statement of the writing side (its whole length, zero bytes
    // included) and gives its unbuffered result, null for a statement without
    // one; a refused statement raises sql_exception. Tests look at the
    // statements here.
    virtual sql_result_ptr execute(MYSQL* connection, const std::string& statement);

    void set_blob_to_text(bool flag);
    bool is_blob_to_text() const { return m_blob_to_text; }
    // Servers before 4.1.0 take some table names without backticks.
    bool is_old_version() const;
    // Whether the server tells table names apart by case (its
    // lower_case_table_names is 0).
    bool table_names_with_case() const { return m_table_names_with_case; }
    // Whether the server writes a literal default in quotes and an
    // expression bare in information_schema (MariaDB 10.2.7 and later).
    bool reports_quoted_defaults() const { return m_mariadb && m_version >= sql_version_code(10, 2, 7); }
    bool is_mariadb() const { return m_mariadb; }
    // major * 65536 + minor * 256 + patch; 0 before the first connection.
    std::uint32_t version() const { return m_version; }
    bool is_connected() const { return m_connected; }
    MYSQL* get_handle() { return &m_handle; }
    // Counts rows on a second connection with the same login; null before a
    // connection, or unless tables are counted beside their rows.
    std::shared_ptr<sql_row_counter> row_counter() const;
    // How the rows of a table or query are counted.
    enum class row_count {
        // A COUNT(*) before they are read.
        before_rows,
        // On the second connection while they are read. Only for a run that
        // reads alone: a table that this connection locks would hold it up.
        beside_rows,
        // By reading them: known once they end, for a run that shows no
        // count before; a second read of every table is saved.
        by_rows,
    };
    void set_row_count(row_count way) { m_row_count = way; }
    row_count get_row_count() const { return m_row_count; }

    std::wstring charset = L"utf8";
    std::wstring table_type = L"InnoDB";
    bool fast_insert = true;
    std::uint32_t max_packet_size = 0;
    // Text columns compare with case (BINARY); nothing sets it yet.
    bool case_sensitive = false;

protected:
    // The server's version text; a test stands in an older server here.
    virtual const char* server_version_text();

private:
    // Runs a statement of the connection setup; false when the server refused it.
    bool run_setup_statement(const char* statement, const char* failure_format);
    bool read_table_names_with_case();
    // Reads the server under a session sql_mode that writes SHOW output in
    // the form the readers expect (session_modes.h).
    void set_reading_modes();

    bool m_connected = false;
    bool m_blob_to_text = false;
    bool m_talks_utf8mb4 = false;
    bool m_table_names_with_case = false;
    bool m_mariadb = false;
    std::wstring m_current_database;
    std::optional<std::string> m_sql_mode;
    std::uint32_t m_version = 0;
    MYSQL m_handle;
    std::shared_ptr<sql_row_counter> m_row_counter;
    row_count m_row_count = row_count::before_rows;
};

// The process's engine; an internal error when none was built.
inline sql_engine& sql_current_engine()
{
    return tk_singleton<sql_engine>::instance();
}
