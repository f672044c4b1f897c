// A small result (server lists, counts, SHOW statements, user statements) read
// through an unbuffered result, 1000 records at a time. The result stays open
// on the connection until the recordset is destroyed.
#pragma once

#include "model/recordset.h"
#include "mysql/client_handles.h"

#include <cstdint>
#include <memory>
#include <mysql.h>
#include <string>
#include <vector>

class sql_tmp_recordset : public udb_recordset {
public:
    static constexpr std::size_t cache_size = 1000;

    // Sends the statement; a refused statement raises sql_exception. The cache
    // is loaded by the caller (fill_cache) or by the first is_eof.
    sql_tmp_recordset(MYSQL* connection, const std::string& statement);
    // Takes the open result of that connection and loads the first cache.
    sql_tmp_recordset(MYSQL* connection, MYSQL_RES* result);
    ~sql_tmp_recordset() override;

    void append_record(udb_record& record) override;
    // The cached record at the position; callers test is_eof first.
    udb_record* get_item() override;
    // Loads the next cache when the current one is used up.
    bool is_eof() override;
    void next() override;
    void prev() override;
    // Rewinds inside the current cache only; the statement is not run again.
    void reset() override;
    void reserved() override;
    void delete_key(const std::wstring& key) override;
    void delete_key(udb_record& key) override;

    void fill_cache();
    void clean_cache();

    // For a server list (databases, tables) whose first column holds names:
    // when the result has the expected number of columns, the names are read
    // as text whatever flags the server gave them, and the first cache is
    // loaded. False for any other shape.
    bool prepare_name_list(unsigned expected_columns);
    // Appends the first column of every row, logging each with the format.
    void read_first_column(std::vector<std::wstring>& names, const wchar_t* log_format);

private:
    void take_result(MYSQL_RES* result);

    MYSQL* m_connection;
    unsigned m_column_count = 0;
    MYSQL_FIELD* m_fields = nullptr;
    std::size_t m_position = 0;
    sql_result_ptr m_result;
    bool m_ended = false;
    std::vector<std::unique_ptr<udb_record>> m_cache;
};

class sql_list_databases_rs : public sql_tmp_recordset {
public:
    using sql_tmp_recordset::sql_tmp_recordset;
};

class sql_list_tables_rs : public sql_tmp_recordset {
public:
    using sql_tmp_recordset::sql_tmp_recordset;
};
