#include "mssql/odb/odb_accessor.h"

#include "mssql/odb_exception.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"

#include <algorithm>

namespace {

constexpr std::uint64_t value_cap = 20000000;
constexpr std::uint64_t row_cap = 200000000;
// Status and length before each value.
constexpr std::uint64_t value_offset = 12;
constexpr std::uint64_t length_offset = 4;
// Values are read as wide text of wchar_t.
constexpr std::uint64_t wide = sizeof(wchar_t);

bool is_string_type(DBTYPE type)
{
    return type == DBTYPE_STR || type == DBTYPE_WSTR || type == DBTYPE_BSTR;
}

}  // namespace

odb_accessor::odb_accessor()
{
    tk_log(2, "odb_accessor::ctor");
}

odb_accessor::~odb_accessor()
{
    tk_log(1, "odb_accessor::dtor");
    clean_everything();
    tk_log(1, "odb_accessor::dtor - END");
    accessor.release();
}

void odb_accessor::bind(IRowset* rowset, std::uint32_t count, const DBCOLUMNINFO* info)
{
    tk_log(2, "odb_accessor::bind(n_cols=%d)", static_cast<int>(count));
    if (!info)
        throw tk_mail_assertion("odb_acc", 111);
    clean_everything();
    column_info = info;
    column_count = count;
    bindings.assign(count, DBBINDING{});
    // No column gets more than its share of the row cap; a rowset without
    // columns binds nothing.
    const std::uint64_t cap = count == 0 ? 0 : std::min(row_cap / count, value_cap);
    std::uint64_t offset = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        DBBINDING& b = bindings[i];
        b.iOrdinal = i + 1;
        b.obValue = offset + value_offset;
        b.obLength = offset + length_offset;
        b.obStatus = offset;
        b.dwPart = DBPART_VALUE | DBPART_LENGTH | DBPART_STATUS;
        b.dwMemOwner = DBMEMOWNER_CLIENTOWNED;
        b.eParamIO = DBPARAMIO_NOTPARAM;
        b.dwFlags = 0;
        b.cbMaxLen = std::min<std::uint64_t>(get_bind_size(i), cap);
        tk_log(1, "bindings[%d].cbMaxLen=%d", static_cast<int>(i), static_cast<int>(b.cbMaxLen));
        if (b.cbMaxLen == 0 && is_string_type(info[i].wType))
            b.cbMaxLen = cap;  // an unlimited string column
        b.wType = info[i].wType == DBTYPE_BYTES ? DBTYPE_BYTES : DBTYPE_WSTR;
        b.bPrecision = info[i].bPrecision;
        b.bScale = info[i].bScale;
        tk_log(1, "Bind column #%d, type=%d, size=%d", static_cast<int>(i), info[i].wType,
               static_cast<int>(b.cbMaxLen));
        offset += value_offset + b.cbMaxLen;
    }
    row_size = static_cast<std::uint32_t>(offset);
    tk_log(2, "Allocating bind-bufer, %d bytes", static_cast<int>(row_size));
    row_buffer.assign(std::max<std::size_t>(row_size, 1), 0);
    binding_status.assign(count, DBBINDSTATUS_OK);
    odb_check(rowset->QueryInterface(IID_IAccessor, accessor.get_void_address()));
    odb_check(accessor->CreateAccessor(DBACCESSOR_ROWDATA, count, bindings.data(), 0, &accessor_handle,
                                       binding_status.data()));
    tk_log(2, "bind_status[0]=%08X", binding_status.empty() ? 0u : static_cast<unsigned>(binding_status[0]));
}

std::uint32_t odb_accessor::get_bind_size(std::uint32_t column) const
{
    if (!column_info)
        throw tk_mail_assertion("odb_acc", 207);
    tk_log(1, "odb_accessor::get_bind_size(%d)", static_cast<int>(column));
    const std::uint64_t size = column_info[column].ulColumnSize;
    switch (column_info[column].wType) {
    case DBTYPE_EMPTY:
    case DBTYPE_NULL:
    case DBTYPE_I2:
    case DBTYPE_I4:
    case DBTYPE_R4:
    case DBTYPE_R8:
    case DBTYPE_CY:
    case DBTYPE_ERROR:
    case DBTYPE_BOOL:
    case DBTYPE_I1:
    case DBTYPE_UI1:
    case DBTYPE_UI2:
    case DBTYPE_UI4:
    case DBTYPE_I8:
    case DBTYPE_UI8: return static_cast<std::uint32_t>(26 * wide);
    case DBTYPE_DATE:
    case DBTYPE_DECIMAL:
    case DBTYPE_NUMERIC:
    case DBTYPE_DBDATE:
    case DBTYPE_DBTIMESTAMP:
    case DBTYPE_DBTIME2:
    case DBTYPE_DBTIMESTAMPOFFSET:
    case 212: return static_cast<std::uint32_t>(51 * wide);
    case DBTYPE_BSTR:
    case DBTYPE_STR:
    case DBTYPE_WSTR:
        // The largest size wraps to 0 here, which bind() turns into the cap.
        return static_cast<std::uint32_t>(std::min(size + 1, value_cap) * wide);
    case DBTYPE_GUID: return static_cast<std::uint32_t>(39 * wide);
    case DBTYPE_BYTES: return static_cast<std::uint32_t>(std::min(size * 2 + 1, value_cap) * 2);
    default: return static_cast<std::uint32_t>(size == 0 ? value_cap : std::min<std::uint64_t>(size, 0xFFFFFFFFu));
    }
}

odb_record* odb_accessor::get_record(IRowset* rowset, HROW row)
{
    tk_log(1, "odb_accessor::get_record");
    if (accessor_handle == 0)
        throw tk_mail_assertion("odb_acc", 194);
    odb_check(rowset->GetData(row, accessor_handle, row_buffer.data()));
    return new odb_record(column_count, row_buffer.data(), column_info, bindings.data());
}

void odb_accessor::clean_everything()
{
    tk_log(1, "odb_accessor::clean_everything");
    if (!accessor.is_empty() && accessor_handle != 0)
        accessor->ReleaseAccessor(accessor_handle, nullptr);
    accessor_handle = 0;
    row_buffer.clear();
    bindings.clear();
    binding_status.clear();
}
