// Fetched OLE DB rows as records of typed fields, and the two type tables of
// the OLE DB layer: OLE DB type to VARIANT type (reading) and column
// descriptor to OLE DB type (creating tables).
#pragma once

#include "model/column_descriptor.h"
#include "model/field.h"
#include "model/record.h"
#include "mssql/column_subtypes.h"
#include "platform/oledb/oledb.h"

#include <cstdint>
#include <string>

class odb_field : public udb_field {
public:
    odb_field(const std::wstring& name, std::uint32_t size, const ole_variant& value);
    explicit odb_field(const udb_field& that);
    std::wstring to_wstring() const override;
};

class odb_record : public udb_record {
public:
    // Reads every column of the row buffer laid out by odb_accessor: status
    // (4 bytes), length (8 bytes) and value per column.
    odb_record(std::uint32_t column_count, const BYTE* row_buffer, const DBCOLUMNINFO* column_info,
               const DBBINDING* bindings);

    // A new field (the caller owns it) from a column's wide text.
    static odb_field* get_field(const DBCOLUMNINFO& column, const wchar_t* value, std::uint32_t length);
    static VARTYPE get_vartype(DBTYPE type, DBLENGTH column_size, DBCOLUMNFLAGS flags, std::uint32_t& subtype);
    static DBTYPE get_oledb_type(const t_ftd& column);

private:
    std::uint32_t column_count;
    const BYTE* row_buffer;
    const DBCOLUMNINFO* column_info;
    const DBBINDING* bindings;
};

// Pure dates and times stay apart from date-times only when the engine is
// connected through a native client to a server of version code 5 or more.
bool odb_is_native_date_time();
