#include "mssql/direct/bulk_accessor.h"

#include "model/schema.h"
#include "mssql/odb/odb_record.h"
#include "mssql/quoting.h"
#include "toolkit/tk_log.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint32_t subtype_date_time = 1;
constexpr std::uint32_t subtype_date = 2;
constexpr std::uint32_t subtype_time = 3;

DBBYTEOFFSET round_up(DBBYTEOFFSET offset, DBBYTEOFFSET alignment)
{
    return (offset + alignment - 1) / alignment * alignment;
}

// Bytes and alignment of a value of a fixed-size type; 0 for variable ones.
DBLENGTH fixed_size(DBTYPE type)
{
    switch (type) {
    case DBTYPE_I1:
    case DBTYPE_UI1: return 1;
    case DBTYPE_I2:
    case DBTYPE_UI2:
    case DBTYPE_BOOL: return 2;
    case DBTYPE_I4:
    case DBTYPE_UI4:
    case DBTYPE_R4: return 4;
    case DBTYPE_I8:
    case DBTYPE_UI8:
    case DBTYPE_R8:
    case DBTYPE_CY: return 8;
    case DBTYPE_IUNKNOWN: return sizeof(IUnknown*);
    case DBTYPE_GUID: return sizeof(GUID);
    case DBTYPE_NUMERIC: return sizeof(DB_NUMERIC);
    case DBTYPE_DBDATE: return sizeof(DBDATE);
    case DBTYPE_DBTIME2: return sizeof(DBTIME2);
    case DBTYPE_DBTIMESTAMP: return sizeof(DBTIMESTAMP);
    default: return 0;
    }
}

DBBYTEOFFSET natural_alignment(DBTYPE type)
{
    switch (type) {
    case DBTYPE_STR:
    case DBTYPE_BYTES:
    case DBTYPE_NUMERIC:
    case DBTYPE_I1:
    case DBTYPE_UI1: return 1;
    case DBTYPE_WSTR: return alignof(wchar_t);
    case DBTYPE_DBDATE:
    case DBTYPE_I2:
    case DBTYPE_UI2:
    case DBTYPE_BOOL: return 2;
    case DBTYPE_GUID:
    case DBTYPE_DBTIME2:
    case DBTYPE_DBTIMESTAMP:
    case DBTYPE_I4:
    case DBTYPE_UI4:
    case DBTYPE_R4: return 4;
    default: return 8;
    }
}

// The kinds of value that the bulk load writes into a row buffer.
bool writable(DBTYPE type)
{
    return fixed_size(type) != 0 || type == DBTYPE_STR || type == DBTYPE_WSTR || type == DBTYPE_BYTES;
}

std::int32_t schema_index_of(const udb_schema& schema, const std::wstring& column_name)
{
    const std::int32_t index = schema.get_field_idx(column_name);
    return index >= 0 ? index : schema.get_field_idx(mss_quote_name(column_name));
}

// Frees what IColumnsInfo::GetColumnInfo handed out.
struct column_info_block {
    DBCOLUMNINFO* info = nullptr;
    OLECHAR* strings = nullptr;
    ~column_info_block()
    {
        CoTaskMemFree(info);
        CoTaskMemFree(strings);
    }
};

bool property_on(const DBPROPSET& set, DBPROPID id)
{
    for (ULONG i = 0; i < set.cProperties; ++i) {
        const DBPROP& p = set.rgProperties[i];
        if (p.dwPropertyID == id && p.dwStatus == DBPROPSTATUS_OK && p.vValue.vt == VT_BOOL)
            return p.vValue.boolVal == VARIANT_TRUE;
    }
    return false;
}

void free_property_sets(ULONG count, DBPROPSET* sets)
{
    for (ULONG s = 0; s < count; ++s) {
        for (ULONG i = 0; i < sets[s].cProperties; ++i)
            VariantClear(&sets[s].rgProperties[i].vValue);
        CoTaskMemFree(sets[s].rgProperties);
    }
    CoTaskMemFree(sets);
}

}  // namespace

CDynamicAccessorEx::~CDynamicAccessorEx()
{
    FreeRecordMemory();
    ReleaseAccessors();
}

void CDynamicAccessorEx::Bind(DBBINDING& binding, DBORDINAL ordinal, DBTYPE type, DBLENGTH length, BYTE precision,
                              BYTE scale, DBPARAMIO param_io, DBBYTEOFFSET value_offset,
                              const DBBYTEOFFSET* length_offset, const DBBYTEOFFSET* status_offset, DBOBJECT* object)
{
    binding = DBBINDING{};
    binding.iOrdinal = ordinal;
    binding.wType = type;
    binding.cbMaxLen = length;
    binding.bPrecision = precision;
    binding.bScale = scale;
    binding.eParamIO = param_io;
    binding.pObject = object;
    binding.dwMemOwner = (type & DBTYPE_BYREF) ? DBMEMOWNER_PROVIDEROWNED : DBMEMOWNER_CLIENTOWNED;
    binding.obValue = value_offset;
    binding.dwPart = DBPART_VALUE;
    if (length_offset) {
        tk_log(1, "Activate DBPART_LENGTH");
        binding.obLength = *length_offset;
        binding.dwPart |= DBPART_LENGTH;
    }
    if (status_offset) {
        tk_log(1, "Activate DBPART_STATUS");
        binding.obStatus = *status_offset;
        binding.dwPart |= DBPART_STATUS;
    }
}

void CDynamicAccessorEx::adjust_date_time(DBCOLUMNINFO& info, std::uint32_t subtype) const
{
    tk_log(1, "Adjusting date/time columns (schema[i]->dw_reserved=%d)", static_cast<int>(subtype));
    switch (subtype & 3) {
    case subtype_date_time:
        info.bScale = 3;
        tk_log(1, "Got DATETIME, bPrecision=%d", info.bPrecision);
        break;
    case subtype_date:
        info.wType = DBTYPE_DBDATE;
        info.ulColumnSize = sizeof(DBDATE);
        info.bPrecision = 0;
        info.bScale = 0;
        info.dwFlags = 0;
        tk_log(1, "Got pure DATE");
        break;
    case subtype_time:
        info.wType = DBTYPE_DBTIME2;
        info.ulColumnSize = sizeof(DBTIME2);
        info.bPrecision = 0;
        info.bScale = 4;
        info.dwFlags = 0;
        tk_log(1, "Got pure TIME");
        break;
    default: break;
    }
}

// The stream interface that the rowset takes for large values.
HRESULT CDynamicAccessorEx::stream_interface(IUnknown* rowset, IID& iid) const
{
    tk_log(1, "Testing streams support... ");
    iid = IID_ISequentialStream;
    ole_com_ptr<IRowsetInfo> info;
    HRESULT hr = rowset->QueryInterface(IID_IRowsetInfo, info.get_void_address());
    if (FAILED(hr))
        return hr;
    DBPROPID ids[] = {DBPROP_ISequentialStream, DBPROP_IStream};
    const DBPROPIDSET id_set{ids, 2, DBPROPSET_ROWSET};
    ULONG set_count = 0;
    DBPROPSET* sets = nullptr;
    hr = info->GetProperties(1, &id_set, &set_count, &sets);
    const bool sequential = set_count > 0 && property_on(sets[0], DBPROP_ISequentialStream);
    const bool stream = set_count > 0 && property_on(sets[0], DBPROP_IStream);
    free_property_sets(set_count, sets);
    if (sequential) {
        tk_log(1, "ISequentialStream is supported");
    } else if (stream) {
        tk_log(1, "IStream is supported");
        iid = IID_IStream;
    } else {
        tk_log(1, "neither ISequentialStream nor IStream are supported!");
    }
    return hr == DB_E_ERRORSOCCURRED ? S_OK : hr;
}

HRESULT CDynamicAccessorEx::BindColumns(IUnknown* rowset, const udb_schema& schema)
{
    HRESULT hr = rowset->QueryInterface(IID_IAccessor, m_accessor.get_void_address());
    if (FAILED(hr))
        return hr;
    ole_com_ptr<IColumnsInfo> columns_info;
    hr = rowset->QueryInterface(IID_IColumnsInfo, columns_info.get_void_address());
    if (FAILED(hr))
        return hr;
    DBORDINAL count = 0;
    column_info_block block;
    hr = columns_info->GetColumnInfo(&count, &block.info, &block.strings);
    if (FAILED(hr))
        return hr;

    const bool native = odb_is_native_date_time();
    bool stream_known = false;
    IID stream_iid = IID_ISequentialStream;
    m_columns.assign(count, column{});
    m_bindings.assign(count, DBBINDING{});
    m_objects.assign(count, DBOBJECT{});
    DBBYTEOFFSET offset = 0;
    for (DBORDINAL i = 0; i < count; ++i) {
        DBCOLUMNINFO info = block.info[i];
        column& c = m_columns[i];
        c.name = info.pwszName ? info.pwszName : L"";
        c.ordinal = info.iOrdinal;
        c.column_type = info.wType;
        c.schema_index = schema_index_of(schema, c.name);
        const t_ftd* field = c.schema_index >= 0 ? schema[c.schema_index] : nullptr;
        if (field && field->vartype == VT_DATE && native)
            adjust_date_time(info, field->dw_reserved);

        DBOBJECT* object = nullptr;
        DBLENGTH size = info.ulColumnSize;
        if (size > blob_threshold && info.wType != DBTYPE_IUNKNOWN) {
            tk_log(1, "Binding BLOB (column #%d)", static_cast<int>(i));
            if (!stream_known) {
                hr = stream_interface(rowset, stream_iid);
                if (FAILED(hr))
                    return hr;
                stream_known = true;
            }
            info.wType = DBTYPE_IUNKNOWN;
            m_objects[i] = DBOBJECT{0, stream_iid};
            object = &m_objects[i];
            size = sizeof(IUnknown*);
        } else if (info.wType == DBTYPE_IUNKNOWN) {
            m_objects[i] = DBOBJECT{0, IID_IUnknown};
            object = &m_objects[i];
            size = sizeof(IUnknown*);
        } else {
            tk_log(1, "it's not a BLOB or COM object");
            if (info.wType == DBTYPE_STR) {
                // The column counts characters, the buffer holds UTF-8: up
                // to three bytes a UTF-16 unit, and a terminator.
                size = size * 3 + 1;
            } else if (info.wType == DBTYPE_GUID) {
                tk_log(1, "Set column size for guid");
                size = 72;
            } else if (info.wType == DBTYPE_WSTR) {
                tk_log(1, "Increase column size twice for wstring");
                size = (size + 1) * sizeof(wchar_t);
            }
        }
        if (!writable(info.wType)) {
            tk_log(2, L"Column '%ls' of type %d cannot be bulk loaded", c.name.c_str(), info.wType);
            return DB_E_BADBINDINFO;
        }
        // A column that reports less than its type needs still gets room for a value.
        c.type = info.wType;
        c.capacity = std::max(size, fixed_size(info.wType));
        c.value_offset = round_up(offset, natural_alignment(info.wType));
        c.length_offset = round_up(c.value_offset + c.capacity, 8);
        c.status_offset = round_up(c.length_offset + sizeof(DBLENGTH), 4);
        offset = c.status_offset + sizeof(DBSTATUS);
        Bind(m_bindings[i], info.iOrdinal, info.wType, c.capacity, info.bPrecision, info.bScale, DBPARAMIO_NOTPARAM,
             c.value_offset, &c.length_offset, &c.status_offset, object);
    }

    for (std::size_t j = 0; j < schema.size(); ++j) {
        if (!find_schema_column(j)) {
            tk_log(2, L"Column '%ls' is not in the bulk-load rowset", schema[j]->name.c_str());
            return DB_E_BADCOLUMNID;
        }
    }
    m_buffer.assign(offset, std::byte{0});
    std::vector<DBBINDSTATUS> status(count);
    hr = m_accessor->CreateAccessor(DBACCESSOR_ROWDATA, count, m_bindings.data(), 0, &m_handle, status.data());
    if (FAILED(hr)) {
        tk_log(2, "Failed to create Accessor!!!");
        m_buffer.clear();
        m_handle = 0;
    }
    return hr;
}

const CDynamicAccessorEx::column* CDynamicAccessorEx::find_column(DBORDINAL ordinal) const
{
    for (const column& c : m_columns)
        if (c.ordinal == ordinal)
            return &c;
    return nullptr;
}

const CDynamicAccessorEx::column* CDynamicAccessorEx::find_schema_column(std::size_t schema_index) const
{
    for (const column& c : m_columns)
        if (c.schema_index == static_cast<std::int32_t>(schema_index))
            return &c;
    return nullptr;
}

void CDynamicAccessorEx::FreeRecordMemory()
{
    if (m_buffer.empty())
        return;
    for (const column& c : m_columns) {
        if (c.type != DBTYPE_IUNKNOWN)
            continue;
        IUnknown* object = nullptr;
        std::memcpy(&object, m_buffer.data() + c.value_offset, sizeof(object));
        if (object)
            object->Release();
        std::memset(m_buffer.data() + c.value_offset, 0, sizeof(object));
    }
}

HRESULT CDynamicAccessorEx::ReleaseAccessors()
{
    HRESULT hr = S_OK;
    if (m_handle != 0 && !m_accessor.is_empty())
        hr = m_accessor->ReleaseAccessor(m_handle, nullptr);
    if (SUCCEEDED(hr)) {
        m_handle = 0;
        m_accessor.release();
    }
    return hr;
}
