// The rows of a table or a query, streamed from one unbuffered SELECT and
// turned into records a batch at a time, so that memory stays bounded
// whatever the size of the table.
#pragma once

#include "model/recordset.h"
#include "model/relationship.h"
#include "mysql/batch_prefetch.h"
#include "mysql/sql_limited_query.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class sql_database;
class sql_row_counter;

class sql_recordset : public udb_recordset {
public:
    // Over a table.
    sql_recordset(sql_database* database, const std::wstring& table, udb_relationships* relationships);
    // Over a query, stored under `name`.
    sql_recordset(sql_database* database, const std::wstring& name, const std::wstring& query,
                  udb_relationships* relationships);
    ~sql_recordset() override;

    void append_record(udb_record& record) override;
    // The current record, kept by the recordset; null past the last row.
    udb_record* get_item() override;
    // True once the stream has no more rows.
    bool is_eof() override;
    void next() override;
    void prev() override;
    // Counts the rows anew and starts streaming from the first one.
    void reset() override;
    // A table's rows are counted on a second connection while they stream,
    // or by the stream itself, known once it ends.
    bool is_count_known() override;
    void wait_for_count() override;

    // The rows the server counts; for progress only, the stream decides the end.
    std::int64_t get_rec_count();

protected:
    // Reads the table from here on through a SELECT that names each of the
    // columns, which SELECT * may leave out; the row count stands.
    void read_named_columns(const std::vector<std::wstring>& columns);

    sql_database* m_database;
    udb_relationships* m_relationships;

private:
    // Over a table, whose records follow the schema; else over a query.
    bool m_is_table;
    void initialize(bool count_rows = true);
    void read_identity_seed(const std::wstring& column);
    // Counts the rows, on the engine's second connection when it can.
    void count_rows();
    // Waits for a count running on the second connection and drops it.
    void drop_count();
    void clean();
    void open_stream(std::uint32_t row_limit = 0);
    void store_batch();
    // Starts fetching the rows after the batch on the worker thread.
    void read_ahead();
    void take_prefetched_batch();
    // Types fetched rows into the batch's records.
    void convert_rows(sql_row_batch& rows);

    std::unique_ptr<sql_limited_query> m_stream;
    // The connection counting the rows, while its count runs.
    std::shared_ptr<sql_row_counter> m_counter;
    // Counted by the rows read, known once they end.
    bool m_count_by_rows = false;
    // The count taken when the recordset was opened still stands for the
    // first reset: counting a large table again costs a full scan.
    bool m_count_is_fresh = false;
    std::uint64_t m_position = 0;
    std::size_t m_batch_position = 0;
    std::size_t m_batch_rows = 0;
    sql_batch m_batch;
    // The rows of m_batch as fetched, when not fetched ahead.
    sql_row_batch m_rows;
    // Last: its worker is done with the stream and the rows before they go.
    sql_batch_prefetch m_prefetch;
};
