#include "mssql/odb/odb_recordset.h"

#include "mssql/odb_exception.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"

#include <limits>
#include <string>

odb_recordset::odb_recordset(const std::wstring& table) : udb_recordset(table) {}

odb_recordset::odb_recordset(IRowset* rowset_interface) : udb_recordset(std::wstring())
{
    if (rowset_interface)
        rowset_interface->AddRef();
    rowset = ole_com_ptr<IRowset>(rowset_interface);
    tk_log(1, "odb_recordset::ctor");
    initialize(true);
}

odb_recordset::~odb_recordset()
{
    tk_log(1, "odb_recordset::dtor");
    clean_cache();
    column_info.reset();
    column_names.reset();
    tk_log(1, "odb_recordset::dtor - END");
    rowset.release();
}

void odb_recordset::append_record(udb_record&)
{
    throw tk_mail_assertion("odb_recs", 55);
}

void odb_recordset::initialize(bool build_schema)
{
    tk_log(1, "odb_recordset::initialize");
    if (rowset.is_empty()) {
        tk_log(2, "Rowset isn't defined");
        return;
    }
    ole_com_ptr<IColumnsInfo> columns;
    odb_check(rowset->QueryInterface(IID_IColumnsInfo, columns.get_void_address()));
    column_info.reset();
    column_names.reset();
    DBORDINAL count = 0;
    DBCOLUMNINFO* info = nullptr;
    OLECHAR* names = nullptr;
    odb_check(columns->GetColumnInfo(&count, &info, &names));
    column_info.reset(info);
    column_names.reset(names);
    column_count = static_cast<std::uint32_t>(count);
    tk_log(1, "*** Got %d columns ***", static_cast<int>(column_count));
    if (build_schema)
        build_schema_from_columns();
    clean_cache();
    accessor.bind(rowset.get(), column_count, column_info.get());
}

void odb_recordset::build_schema_from_columns()
{
    schema.reset();
    for (std::uint32_t i = 0; i < column_count; ++i) {
        const DBCOLUMNINFO& c = column_info.get()[i];
        tk_log(2, L"Column '%ls' (#%d) has type=%d, size=%d", c.pwszName, static_cast<int>(i), c.wType,
               static_cast<int>(c.ulColumnSize));
        std::uint32_t subtype = 0;
        const VARTYPE vartype = odb_record::get_vartype(c.wType, c.ulColumnSize, c.dwFlags, subtype);
        auto size = static_cast<std::int32_t>(c.ulColumnSize);
        if (c.wType == DBTYPE_GUID) {
            tk_log(2, "Update column size for DBTYPE_GUID");
            size = 36;
        } else if (vartype == VT_BLOB || vartype == ole_vt_bytes ||
                   c.ulColumnSize > static_cast<DBLENGTH>(std::numeric_limits<std::int32_t>::max())) {
            // 0 is the size of a column of unlimited length (MAX, text, image).
            size = 0;
        }
        tk_log(2, "f_size=%d", size);
        if (vartype == VT_BSTR && c.wType == DBTYPE_GUID) {
            tk_log(2, "Set dw_reserved = 1 for DBTYPE_GUID");
            subtype = odb_subtype_date_time_or_guid;
        }
        tk_log(1, ">>> reserved=%d", static_cast<int>(subtype));
        auto* column = new t_ftd(size, c.pwszName, vartype, (c.dwFlags & DBCOLUMNFLAGS_ISNULLABLE) == 0, false,
                                 ole_variant(), subtype);
        schema.push_back(column);
        if (vartype == VT_DECIMAL) {
            column->precision = c.bPrecision;
            column->scale = c.bScale;
            tk_log(2, L"Scale/precision for decimal column '%ls': (%d, %d)", c.pwszName, c.bScale, c.bPrecision);
        } else if (vartype == VT_DATE) {
            column->precision = 0;
            column->scale = c.bScale;
            tk_log(2, L"Scale for date column '%ls': %d", c.pwszName, c.bScale);
        }
    }
}

void odb_recordset::fill_cache()
{
    tk_log(1, "odb_recordset::fill_cache");
    if (rowset.is_empty())
        throw tk_mail_assertion("odb_recs", 188);
    HROW handles[batch_size];
    HROW* pointer = handles;
    DBCOUNTITEM obtained = 0;
    odb_check(rowset->GetNextRows(DB_NULL_HCHAPTER, 0, batch_size, &obtained, &pointer));
    rows_obtained = static_cast<std::uint32_t>(obtained);
    tk_log(1, "GetNextRows extracts %d records", static_cast<int>(rows_obtained));
    try {
        for (std::uint32_t i = 0; i < rows_obtained; ++i)
            cache[i].reset(accessor.get_record(rowset.get(), handles[i]));
    } catch (...) {
        // The rowset keeps no handle of a batch that could not be read.
        rowset->ReleaseRows(obtained, handles, nullptr, nullptr, nullptr);
        clean_cache();
        throw;
    }
    odb_check(rowset->ReleaseRows(obtained, handles, nullptr, nullptr, nullptr));
    tk_log(1, "End of odb_recordset::fill_cache");
}

void odb_recordset::clean_cache()
{
    tk_log(1, "odb_recordset::clean_cache(rows_obtaind=%d)", static_cast<int>(rows_obtained));
    for (std::uint32_t i = 0; i < rows_obtained; ++i)
        cache[i].reset();
    rows_obtained = 0;
    tk_log(1, "odb_recordset::clean_cache - END");
}

void odb_recordset::next()
{
    tk_log(1, "odb_recordset::next(%d)", static_cast<int>(local_position));
    tk_log(1, "local_pos=%d, rows_obtaind=%d", static_cast<int>(local_position), static_cast<int>(rows_obtained));
    if (!cache[0])
        throw tk_mail_assertion("odb_recs", 218);
    if (local_position >= rows_obtained - 1) {
        clean_cache();
        fill_cache();
        local_position = 0;
    } else {
        ++local_position;
    }
    ++position;
}

void odb_recordset::reset()
{
    tk_log(1, "odb_recordset::reset");
    if (rowset.is_empty())
        return;
    tk_log(1, "cur_pos=%d, local_pos=%d", static_cast<int>(position), static_cast<int>(local_position));
    odb_check(rowset->RestartPosition(DB_NULL_HCHAPTER));
    clean_cache();
    position = 0;
    local_position = 0;
    fill_cache();
}

udb_record* odb_recordset::get_item()
{
    tk_log(1, "odb_recordset::get_item(local_pos=%d, rows_obtaind=%d)", static_cast<int>(local_position),
           static_cast<int>(rows_obtained));
    if (local_position >= rows_obtained)
        throw tk_mail_assertion("..\\MSS/odb_recs", 82);
    return cache[local_position].get();
}

bool odb_recordset::is_eof()
{
    tk_log(1, "odb_recordset::is_eof(%d)", static_cast<int>(position));
    tk_log(1, "rows_obtaind=%d", static_cast<int>(rows_obtained));
    return rowset.is_empty() || rows_obtained == 0;
}
