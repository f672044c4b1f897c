// The bulk-load state of one destination table: the provider's fast-load
// rowset, the row buffer bound to it, and the bytes sent since the last commit.
#pragma once

#include "mssql/direct/bulk_accessor.h"
#include "toolkit/tk_exception.h"

#include <cstdint>
#include <utility>
#include <vector>

class odb_exception;

// Bulk load cannot be opened for the table; its rows go by statements.
class mss_fl_failed_exception : public tk_exception {
public:
    mss_fl_failed_exception() : tk_exception(1) {}
};

class mss_fast_load {
public:
    // The provider commits a batch each time this many bytes were bound.
    static constexpr std::int64_t batch_bytes = 100000;

    mss_fast_load() = default;
    mss_fast_load(const mss_fast_load&) = delete;
    mss_fast_load& operator=(const mss_fast_load&) = delete;
    // Commits nothing: an open load that was never closed is dropped.
    ~mss_fast_load();

    HRESULT open_table(IOpenRowset* session, DBID* table_id, const udb_schema& schema);
    bool is_opened() const { return m_opened; }

    // Copies `size` bytes into the column of that ordinal and records
    // `length` as its length; no data and size 0 is NULL. False when the
    // rowset has no such column.
    bool bind_data3(const void* data, std::uint32_t size, std::uint32_t length, DBORDINAL ordinal);
    bool bind_data2(const void* data, std::uint32_t size, DBORDINAL ordinal);
    // No value: the server gives the column its default.
    bool bind_default(DBORDINAL ordinal);
    void bind_data4(const DB_NUMERIC& value, DBORDINAL ordinal);

    // The bound type of a column by its 0-based index; 0 when there is none.
    DBTYPE get_column_type(std::size_t index) const;
    const CDynamicAccessorEx& accessor() const { return m_accessor; }

    // Hands the row to the provider; commits a batch when it is full. A row
    // the provider cannot take raises odb_exception and costs only itself; a
    // failed commit raises it, and every row of the batch is then refused.
    void insert_data();
    // The final commit; a failure raises, every row of the batch refused.
    void close_table();
    // Rows handed to the provider, and those of them up to the last commit;
    // rows count from 0 in the order of insert_data.
    std::uint64_t rows_inserted() const { return m_inserted; }
    std::uint64_t rows_committed() const { return m_committed; }
    // The rows the server refused since the last call.
    std::vector<DBREFUSEDROW> take_refused_rows() { return std::exchange(m_refused, {}); }

private:
    // Writes length and status of the column and drops the stream object
    // that the previous row left in it; null when there is no such column.
    const CDynamicAccessorEx::column* start_value(DBORDINAL ordinal, std::uint32_t length, DBSTATUS status);

    void committed();
    void lose_batch(const odb_exception& error);
    void take_refusals();

    bool m_opened = false;
    std::uint64_t m_inserted = 0;
    std::uint64_t m_committed = 0;
    std::vector<DBREFUSEDROW> m_refused;
    CDynamicAccessorEx m_accessor;
    ole_com_ptr<IRowsetFastLoad> m_fast_load;
    ole_com_ptr<IRowsetFastLoadRefusals> m_refusals;
    std::int64_t m_bound_bytes = 0;
};
