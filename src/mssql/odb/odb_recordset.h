// The engine-neutral cursor over an OLE DB rowset: the columns described as
// a schema, the rows fetched 100 at a time.
#pragma once

#include "model/recordset.h"
#include "mssql/odb/odb_accessor.h"
#include "mssql/odb/odb_record.h"

#include <array>
#include <cstdint>
#include <memory>

class odb_recordset : public udb_recordset {
public:
    static constexpr std::uint32_t batch_size = 100;

    // Reads nothing; a table class opens its rowset later.
    explicit odb_recordset(const std::wstring& table);
    // Takes a reference on the rowset (null: a statement without result set)
    // and describes it. The cache stays empty until `reset`.
    explicit odb_recordset(IRowset* rowset);
    ~odb_recordset() override;

    // A read-only cursor takes no rows: an internal error.
    void append_record(udb_record& record) override;
    udb_record* get_item() override;
    bool is_eof() override;
    void next() override;
    void reset() override;

    void initialize(bool build_schema);

protected:
    void fill_cache();
    void clean_cache();

    std::uint32_t column_count = 0;
    std::uint32_t position = 0;
    odb_accessor accessor;
    ole_com_ptr<IRowset> rowset;

private:
    struct task_memory_free {
        void operator()(void* block) const { CoTaskMemFree(block); }
    };
    void build_schema_from_columns();

    // The column names point into the strings buffer.
    std::unique_ptr<DBCOLUMNINFO, task_memory_free> column_info;
    std::unique_ptr<OLECHAR, task_memory_free> column_names;
    std::uint32_t local_position = 0;
    std::uint32_t rows_obtained = 0;
    std::array<std::unique_ptr<odb_record>, batch_size> cache;
};
