// The binding of every column of a rowset into one row buffer of its own:
// each column as wide text, or as raw bytes for a binary column.
#pragma once

#include "mssql/odb/odb_record.h"
#include "platform/oledb/oledb.h"
#include "variant/ole_com_ptr.h"

#include <cstdint>
#include <vector>

class odb_accessor {
public:
    odb_accessor();
    ~odb_accessor();
    odb_accessor(const odb_accessor&) = delete;
    odb_accessor& operator=(const odb_accessor&) = delete;

    // Per column: status (4 bytes), length (8 bytes), then the value, one
    // after another without padding. The column information stays the caller's.
    void bind(IRowset* rowset, std::uint32_t column_count, const DBCOLUMNINFO* column_info);
    // Bytes for one value of the column, terminator included.
    std::uint32_t get_bind_size(std::uint32_t column) const;
    // A new record of the row (the caller owns it).
    odb_record* get_record(IRowset* rowset, HROW row);
    void clean_everything();

private:
    std::uint32_t column_count = 0;
    std::uint32_t row_size = 0;
    HACCESSOR accessor_handle = 0;
    const DBCOLUMNINFO* column_info = nullptr;
    std::vector<BYTE> row_buffer;
    std::vector<DBBINDING> bindings;
    std::vector<DBBINDSTATUS> binding_status;
    ole_com_ptr<IAccessor> accessor;
};
