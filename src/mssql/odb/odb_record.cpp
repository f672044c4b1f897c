#include "mssql/odb/odb_record.h"

#include "mssql/mss_engine.h"
#include "platform/oledb/row_buffer.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_string_utils.h"
#include "variant/ole_date.h"

#include <memory>

namespace {}  // namespace

bool odb_is_native_date_time()
{
    const mss_engine& engine = mss_engine::instance();
    return engine.connected && engine.native_client && engine.version_code >= 5;
}

odb_field::odb_field(const std::wstring& name, std::uint32_t size, const ole_variant& value)
    : udb_field(name, size, value, false, false)
{}

odb_field::odb_field(const udb_field& that) : udb_field(that) {}

std::wstring odb_field::to_wstring() const
{
    tk_log(1, "odb_field::to_wstring");
    return ole_variant::to_wstring();
}

odb_record::odb_record(std::uint32_t column_count, const BYTE* row_buffer, const DBCOLUMNINFO* column_info,
                       const DBBINDING* bindings)
    : column_count(column_count), row_buffer(row_buffer), column_info(column_info), bindings(bindings)
{
    tk_log(1, "odb_record::ctor(size=%d)", static_cast<int>(column_count));
    if (!row_buffer)
        throw tk_mail_assertion("odb_rec", 72);
    if (!bindings && column_count > 0)
        throw tk_mail_assertion("odb_rec", 73);
    for (std::uint32_t i = 0; i < column_count; ++i) {
        const DBCOLUMNINFO& column = column_info[i];
        const DBBINDING& binding = bindings[i];
        const auto status = oledb::get<std::uint32_t>(row_buffer, binding.obStatus);
        const auto length = oledb::get<std::uint32_t>(row_buffer, binding.obLength);
        const BYTE* value = row_buffer + binding.obValue;
        if (status == DBSTATUS_S_OK) {
            tk_log(1, "offset=%d", static_cast<int>(binding.obLength));
            tk_log(1, "type1=%d, type2=%d", column.wType, binding.wType);
            tk_log(1, "Field #%d - OK, length=%d", static_cast<int>(i), static_cast<int>(length));
            if (column.wType != DBTYPE_BYTES) {
                push_back(get_field(column, reinterpret_cast<const wchar_t*>(value), length));
                tk_log(1, "\trow_buffer=%s", back()->to_string().c_str());
            } else {
                tk_log(1, "Processing VT_BLOB: blob_len=%d", static_cast<int>(length));
                push_back(new odb_field(column.pwszName, length, ole_variant(length, value)));
                tk_log(1, L"odb_field::ctor(%ls,%d)", column.pwszName, static_cast<int>(length));
            }
        } else if (status == DBSTATUS_S_TRUNCATED) {
            tk_log(1, "Field #%d - TRUNCATED", static_cast<int>(i));
            // The value did not fit the read buffer; the field stays empty,
            // which the conversion log must show.
            tk_log(3, L"Value of column '%ls' is too long to be read and is left empty", column.pwszName);
            push_back(new odb_field(column.pwszName, 0, ole_variant()));
        } else {
            tk_log(1, "Field #%d - FAILED, status code=%08X", static_cast<int>(i), status);
            push_back(new odb_field(column.pwszName, 0, ole_variant()));
            tk_log(1, "\t<NULL>");
        }
    }
}

odb_field* odb_record::get_field(const DBCOLUMNINFO& column, const wchar_t* value, std::uint32_t length)
{
    std::wstring text = value ? std::wstring(value) : std::wstring();
    tk_log(1, L"odb_record::get_field(%d, '%ls')", static_cast<int>(length), text.c_str());
    if (value && length >= 8) {
        const auto* b = reinterpret_cast<const BYTE*>(value);
        tk_log(1, "binary buffer=%02X %02X %02X %02X %02X %02X %02X %02X", b[0], b[1], b[2], b[3], b[4], b[5], b[6],
               b[7]);
    }
    std::uint32_t subtype = 0;
    const VARTYPE vartype = get_vartype(column.wType, column.ulColumnSize, column.dwFlags, subtype);
    const std::wstring name = column.pwszName;
    const auto column_size = static_cast<std::uint32_t>(column.ulColumnSize);
    std::unique_ptr<odb_field> field;
    if (text.empty()) {
        field = std::make_unique<odb_field>(name, 0, vartype == VT_BSTR ? ole_variant(std::wstring()) : ole_variant());
    } else if (column.wType == DBTYPE_DATE || column.wType == DBTYPE_DBTIMESTAMP || column.wType == 212) {
        field = std::make_unique<odb_field>(name, column_size, ole_variant(ole_date(text)));
    } else if (column.wType == DBTYPE_GUID && text.size() >= 2) {
        tk_log(1, "Processing GUID");
        tk_log(1, "len=%d, little preprocessing...", static_cast<int>(text.size()));
        field = std::make_unique<odb_field>(name, column_size,
                                            ole_variant::from_wstring(text.substr(1, text.size() - 2), vartype));
    } else if (vartype != VT_BLOB && vartype != ole_vt_bytes) {
        field = std::make_unique<odb_field>(name, length, ole_variant::from_wstring(text, vartype));
    } else {
        field = std::make_unique<odb_field>(name, length, ole_variant::from_wstring(text, ole_vt_bytes));
    }
    tk_log(1, L"odb_field::ctor(%ls,%d)", name.c_str(), static_cast<int>(field->size));
    return field.release();
}

VARTYPE odb_record::get_vartype(DBTYPE type, DBLENGTH, DBCOLUMNFLAGS, std::uint32_t& subtype)
{
    tk_log(1, "odb_record::get_vartype(%d)", type);
    switch (type) {
    case DBTYPE_I2:
    case DBTYPE_I4:
    case DBTYPE_R4:
    case DBTYPE_R8:
    case DBTYPE_CY:
    case DBTYPE_BOOL:
    case DBTYPE_I1:
    case DBTYPE_UI1:
    case DBTYPE_UI2:
    case DBTYPE_UI4:
    case DBTYPE_I8:
    case DBTYPE_UI8: return type;
    case DBTYPE_DECIMAL:
    case DBTYPE_NUMERIC: return VT_DECIMAL;
    case DBTYPE_DATE:
    case DBTYPE_DBDATE:
        if (odb_is_native_date_time()) {
            tk_log(1, "odb_record::get_vartype: Got pure date");
            subtype = odb_subtype_pure_date;
        }
        return VT_DATE;
    case DBTYPE_DBTIME:
    case DBTYPE_DBTIME2:
        if (odb_is_native_date_time()) {
            tk_log(1, "odb_record::get_vartype: Got pure time");
            subtype = odb_subtype_pure_time;
        }
        return VT_DATE;
    case DBTYPE_DBTIMESTAMP:
    case DBTYPE_DBTIMESTAMPOFFSET:
    case 212:
        tk_log(1, "odb_record::get_vartype: Got datetime/timestamp");
        subtype = odb_subtype_date_time_or_guid;
        return VT_DATE;
    case DBTYPE_BSTR:
    case DBTYPE_STR:
    case DBTYPE_WSTR: return VT_BSTR;
    case DBTYPE_GUID: subtype = odb_subtype_date_time_or_guid; return VT_BSTR;
    case DBTYPE_XML:
        tk_log(1, "Got DBTYPE_XML, set dw_reserved = 11");
        subtype = odb_subtype_xml;
        return VT_BSTR;
    default: return ole_vt_bytes;
    }
}

DBTYPE odb_record::get_oledb_type(const t_ftd& column)
{
    tk_log(1, "odb_record::get_oledb_type(%d)", column.vartype);
    switch (column.vartype) {
    case VT_I2:
    case VT_I1: return DBTYPE_I2;
    case VT_I4:
    case VT_UI2:
    case VT_INT: return DBTYPE_I4;
    case VT_R4:
    case VT_R8: return DBTYPE_R8;
    case VT_CY: return DBTYPE_CY;
    case VT_DATE:
        tk_log(1, "Got VT_DATE, flags=%d", static_cast<int>(column.dw_reserved));
        if (odb_is_native_date_time()) {
            if ((column.dw_reserved & 3) == odb_subtype_pure_date)
                return DBTYPE_DATE;
            if ((column.dw_reserved & 3) == odb_subtype_pure_time)
                return DBTYPE_DBTIME2;
        }
        return DBTYPE_DBTIMESTAMP;
    case VT_BSTR:
        if (column.dw_reserved == odb_subtype_date_time_or_guid) {
            tk_log(2, "Got GUID");
            return DBTYPE_GUID;
        }
        if (!mss_engine::ref().unicode)
            return DBTYPE_STR;
        for (const wchar_t* narrow : {L"varchar", L"char", L"text"})
            if (tk_starts_with(column.native_type, narrow, false))
                return DBTYPE_STR;
        return DBTYPE_WSTR;
    case VT_BOOL: return DBTYPE_BOOL;
    case VT_DECIMAL: return column.precision >= 1 && column.precision <= 38 ? DBTYPE_NUMERIC : DBTYPE_R8;
    case VT_UI1: return DBTYPE_UI1;
    case VT_UI4:
    case VT_I8:
    case VT_UINT: return DBTYPE_I8;
    case VT_UI8: return column.identity ? DBTYPE_I8 : DBTYPE_R8;
    case VT_BLOB:
    case VT_BLOB_OBJECT:
    case ole_vt_bytes: return DBTYPE_BYTES;
    default: tk_log(1, "Got string (by default)!"); return mss_engine::ref().unicode ? DBTYPE_WSTR : DBTYPE_STR;
    }
}
