// An opened MySQL database: its base tables and views, its tables and queries
// as recordsets, and statements run on the engine's connection.
#pragma once

#include "model/database.h"
#include "mysql/sql_tmp_recordset.h"

#include <cstdint>
#include <memory>
#include <mysql.h>
#include <string>
#include <vector>

class udb_field;
class udb_validator;

class sql_database : public udb_database {
public:
    // Reads the table list and, unless the mode has udb_mode_skip_views, the views.
    sql_database(const std::wstring& name, MYSQL* connection, std::uint32_t mode);
    ~sql_database() override;

    // A new sql_recordset over the query, owned by the caller.
    udb_recordset* get_query(const std::wstring& name, const std::wstring& query, std::uint32_t flag) override;
    // A new sql_table, owned by the caller; the name must be in the table list.
    udb_recordset* get_table(const std::wstring& table, std::uint32_t flag) override;
    // The statement's result with its first records read, or null for a
    // statement without a result set; a refused statement raises sql_exception.
    sql_tmp_recordset* query(const std::wstring& statement) override;
    bool test_query(const std::wstring& statement) override;

    // The writing side of the database.
    using udb_database::create_table;
    udb_recordset* create_table(const std::wstring& table, const udb_schema& schema,
                                const udb_indexes& indexes) override;
    void create_views(const udb_views& views) override;
    bool delete_tab(const std::wstring& table) override;
    void empty_table(const std::wstring& table) override;
    void create_relationships(const udb_relationships& relationships) override;
    // Adds an index on the columns (source names) to the table unless one of
    // its indexes starts with them.
    void create_fk_index_if(const std::wstring& table, const std::vector<std::wstring>& columns);
    // The MySQL form of a view text written for MS SQL.
    std::wstring refine_view_in(const std::wstring& text) const;
    // Runs a statement whose result is not wanted; a refused one raises sql_exception.
    void query_append(const std::string& statement);
    // Runs an INSERT whose "?" placeholders stand for the fields, in order;
    // their values travel as long data.
    void prepared_statement(const std::string& statement, const std::vector<const udb_field*>& parameters);

    std::unique_ptr<sql_tmp_recordset> run_query(const std::wstring& statement);
    // The view text without its first comment and without this database's
    // name as a qualifier.
    std::wstring refine_view_out(const std::wstring& text) const;
    MYSQL* get_connection() const { return m_connection; }
    // Makes this database the connection's current one before a statement.
    void make_current() const;

private:
    // Adds the foreign key; failures raise.
    void create_relationship(const udb_relationship& relationship, udb_validator& names);
    void init_tables();
    void init_views();
    // Tries a read of every view: those the server refuses go to invalid_views.
    void find_invalid_views();

    MYSQL* m_connection;
};
