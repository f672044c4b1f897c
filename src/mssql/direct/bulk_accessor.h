// The column accessor of a bulk load: every column of the fast-load rowset
// bound into one row buffer that the program owns and reuses for each row.
#pragma once

#include "platform/oledb/oledb.h"
#include "variant/ole_com_ptr.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class udb_schema;

class CDynamicAccessorEx {
public:
    // Values above this size travel in a stream object.
    static constexpr DBLENGTH blob_threshold = 8000;

    struct column {
        std::wstring name;
        DBORDINAL ordinal = 0;
        DBTYPE type = DBTYPE_EMPTY;         // as bound
        DBTYPE column_type = DBTYPE_EMPTY;  // as the provider describes it
        DBLENGTH capacity = 0;              // bytes of the value part
        DBBYTEOFFSET value_offset = 0;
        DBBYTEOFFSET length_offset = 0;
        DBBYTEOFFSET status_offset = 0;
        // The schema column it receives, -1 when the schema has none.
        std::int32_t schema_index = -1;
    };

    CDynamicAccessorEx() = default;
    CDynamicAccessorEx(const CDynamicAccessorEx&) = delete;
    CDynamicAccessorEx& operator=(const CDynamicAccessorEx&) = delete;
    ~CDynamicAccessorEx();

    // Reads the rowset's columns, matches them by name with the schema, lays
    // out the row buffer and creates the accessor.
    HRESULT BindColumns(IUnknown* rowset, const udb_schema& schema);

    // Fills one binding: value part always, length and status parts when
    // their offsets are given.
    static void Bind(DBBINDING& binding, DBORDINAL ordinal, DBTYPE type, DBLENGTH length, BYTE precision, BYTE scale,
                     DBPARAMIO param_io, DBBYTEOFFSET value_offset, const DBBYTEOFFSET* length_offset,
                     const DBBYTEOFFSET* status_offset, DBOBJECT* object);

    const column* find_column(DBORDINAL ordinal) const;
    // The column that receives schema column `schema_index`, or null.
    const column* find_schema_column(std::size_t schema_index) const;
    std::size_t column_count() const { return m_columns.size(); }
    const column& column_at(std::size_t index) const { return m_columns[index]; }
    std::byte* buffer() { return m_buffer.data(); }
    HACCESSOR handle() const { return m_handle; }

    // Releases the stream objects that the row buffer holds.
    void FreeRecordMemory();
    HRESULT ReleaseAccessors();

private:
    void adjust_date_time(DBCOLUMNINFO& info, std::uint32_t subtype) const;
    HRESULT stream_interface(IUnknown* rowset, IID& iid) const;

    ole_com_ptr<IAccessor> m_accessor;
    HACCESSOR m_handle = 0;
    std::vector<column> m_columns;
    std::vector<DBBINDING> m_bindings;
    std::vector<DBOBJECT> m_objects;
    std::vector<std::byte> m_buffer;
};
