// One unbuffered SELECT over a table or a query, read in batches of records.
// While it lives its result occupies the connection.
#pragma once

#include <mysql.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "model/record.h"
#include "model/schema.h"
#include "mysql/client_handles.h"

class sql_database;

inline constexpr std::size_t sql_batch_size = 256;
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

    // Replaces the batch with the next rows and returns how many there are;
    // fewer than a batch only at the end of the rows. Records follow the
    // schema when one is given, else the result's field descriptions; by the
    // schema the batch's records take the new rows in place. A broken stream
    // raises sql_exception.
    std::size_t store_to(sql_batch& batch, const udb_schema* schema);

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
