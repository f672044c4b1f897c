// One unbuffered SELECT over a table or a query, read in batches of records.
// While it lives its result occupies the connection.
#pragma once

#include "model/record.h"
#include "model/schema.h"
#include "mysql/client_handles.h"

#include <array>
#include <cstdint>
#include <memory>
#include <mysql.h>
#include <string>

class sql_database;
class sql_row_batch;

inline constexpr std::size_t sql_batch_size = 1024;
using sql_batch = std::array<std::unique_ptr<udb_record>, sql_batch_size>;

class sql_limited_query {
public:
    // `source` is a table name, or a SELECT text when is_query; with a row
    // limit only the first rows are asked for. A refused statement raises
    // sql_exception.
    sql_limited_query(sql_database& database, const std::wstring& source, bool is_query, std::uint32_t row_limit = 0);
    ~sql_limited_query();
    sql_limited_query(const sql_limited_query&) = delete;
    sql_limited_query& operator=(const sql_limited_query&) = delete;

    // Replaces the rows with the next ones and returns how many there are;
    // none only at the end of the rows. A broken stream raises sql_exception.
    std::size_t fetch_to(sql_row_batch& rows);
    // Replaces the batch's records with the rows, typed by the schema when one
    // is given, else by the result's field descriptions; by the schema the
    // batch's records take the new rows in place. Returns the row count.
    std::size_t convert(sql_row_batch& rows, sql_batch& batch, const udb_schema* schema) const;

    unsigned column_count() const { return m_column_count; }
    const MYSQL_FIELD* fields() const { return m_fields; }

private:
    std::wstring m_source;
    MYSQL* m_connection;
    sql_result_ptr m_result;
    unsigned m_column_count = 0;
    MYSQL_FIELD* m_fields = nullptr;
    bool m_ended = false;
};
