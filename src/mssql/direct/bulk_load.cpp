#include "mssql/direct/bulk_load.h"

#include "mssql/odb_exception.h"
#include "toolkit/error_handler.h"
#include "toolkit/tk_log.h"

#include <cstring>

namespace {

DBPROP required_true(DBPROPID id)
{
    DBPROP property{};
    property.dwPropertyID = id;
    property.dwOptions = DBPROPOPTIONS_REQUIRED;
    property.vValue.vt = VT_BOOL;
    property.vValue.boolVal = VARIANT_TRUE;
    return property;
}

}  // namespace

mss_fast_load::~mss_fast_load() = default;

HRESULT mss_fast_load::open_table(IOpenRowset* session, DBID* table_id, const udb_schema& schema)
{
    tk_log(2, "mss_fast_load::open_table");
    if (m_opened)
        throw tk_mail_assertion("mss_floa", 174);
    if (!table_id)
        throw tk_mail_assertion("mss_floa", 175);
    DBPROP properties[] = {required_true(SSPROP_IRowsetFastLoad), required_true(SSPROP_FASTLOADKEEPIDENTITY)};
    DBPROPSET set{properties, 2, DBPROPSET_SQLSERVERROWSET};
    HRESULT hr = session->OpenRowset(nullptr, table_id, nullptr, IID_IRowsetFastLoad, 1, &set,
                                     reinterpret_cast<IUnknown**>(m_fast_load.get_address()));
    if (FAILED(hr)) {
        tk_log(2, "open_rowset->OpenRowset failed: %08X", static_cast<unsigned>(hr));
        return hr;
    }
    hr = m_accessor.BindColumns(m_fast_load.get(), schema);
    if (FAILED(hr)) {
        tk_log(2, "CDynamicAccessor::BindColumns failed: %08X", static_cast<unsigned>(hr));
        m_fast_load.release();
        return hr;
    }
    tk_log(1, "b_open_table->true");
    m_opened = true;
    return S_OK;
}

const CDynamicAccessorEx::column* mss_fast_load::start_value(DBORDINAL ordinal, std::uint32_t length, DBSTATUS status)
{
    const CDynamicAccessorEx::column* column = m_accessor.find_column(ordinal);
    if (!column)
        return nullptr;
    std::byte* row = m_accessor.buffer();
    const DBLENGTH stored_length = length;
    std::memcpy(row + column->length_offset, &stored_length, sizeof(stored_length));
    std::memcpy(row + column->status_offset, &status, sizeof(status));
    if (column->type == DBTYPE_IUNKNOWN) {
        IUnknown* previous = nullptr;
        std::memcpy(&previous, row + column->value_offset, sizeof(previous));
        if (previous)
            previous->Release();
        std::memset(row + column->value_offset, 0, sizeof(previous));
    }
    return column;
}

bool mss_fast_load::bind_data3(const void* data, std::uint32_t size, std::uint32_t length, DBORDINAL ordinal)
{
    if (!m_opened)
        throw tk_mail_assertion("mss_floa", 80);
    m_bound_bytes += length;
    const bool null = !data && size == 0;
    if (null)
        tk_log(1, "Setting NULL-flag");
    const CDynamicAccessorEx::column* column = start_value(ordinal, length, null ? DBSTATUS_S_ISNULL : DBSTATUS_S_OK);
    if (!column)
        return false;
    // The buffer was laid out for the column; a value never runs past its part.
    if (size > column->capacity)
        throw tk_mail_assertion("mss_floa", 89);
    if (size > 0)
        std::memcpy(m_accessor.buffer() + column->value_offset, data, size);
    return true;
}

bool mss_fast_load::bind_default(DBORDINAL ordinal)
{
    if (!m_opened)
        throw tk_mail_assertion("mss_floa", 80);
    return start_value(ordinal, 0, DBSTATUS_S_DEFAULT) != nullptr;
}

bool mss_fast_load::bind_data2(const void* data, std::uint32_t size, DBORDINAL ordinal)
{
    return bind_data3(data, size, size, ordinal);
}

void mss_fast_load::bind_data4(const DB_NUMERIC& value, DBORDINAL ordinal)
{
    const CDynamicAccessorEx::column* column = start_value(ordinal, sizeof(value), DBSTATUS_S_OK);
    if (column && column->capacity >= sizeof(value))
        std::memcpy(m_accessor.buffer() + column->value_offset, &value, sizeof(value));
}

DBTYPE mss_fast_load::get_column_type(std::size_t index) const
{
    return index < m_accessor.column_count() ? m_accessor.column_at(index).type : DBTYPE{0};
}

void mss_fast_load::insert_data()
{
    if (!m_opened)
        throw tk_mail_assertion("mss_floa", 137);
    if (m_fast_load.is_empty())
        throw tk_mail_assertion("mss_floa", 138);
    HRESULT hr = m_fast_load->InsertRow(m_accessor.handle(), m_accessor.buffer());
    if (FAILED(hr)) {
        tk_log(2, "m_spFastLoad->InsertRow failed: %08X", static_cast<unsigned>(hr));
        throw odb_exception(hr, true);
    }
    if (m_bound_bytes < batch_bytes)
        return;
    hr = m_fast_load->Commit(false);
    m_bound_bytes = 0;
    if (FAILED(hr)) {
        tk_log(2, "m_spFastLoad->Commit failed: %08X", static_cast<unsigned>(hr));
        throw odb_exception(hr, true);
    }
}

void mss_fast_load::close_table()
{
    if (!m_opened)
        throw tk_mail_assertion("mss_floa", 225);
    const HRESULT commit = m_fast_load->Commit(true);
    std::wstring commit_error;
    if (FAILED(commit)) {
        tk_log(2, "m_spFastLoad->Commit failed: %08X", static_cast<unsigned>(commit));
        commit_error = odb_exception::GetErrorString();
    }
    m_accessor.FreeRecordMemory();
    const HRESULT released = m_accessor.ReleaseAccessors();
    if (SUCCEEDED(released)) {
        m_fast_load.release();
        m_opened = false;
        m_bound_bytes = 0;
    }
    // The failed commit is reported even when releasing the accessor fails too.
    // Rows of the last batch stayed behind; the server does not say how many.
    if (FAILED(commit)) {
        error_handler::instance().count_skipped_record();
        error_handler::instance().handle(tk_exception(commit_error, 0), true);
    }
    if (FAILED(released)) {
        tk_log(2, "Error code: %08X", static_cast<unsigned>(released));
        throw odb_exception(released, true);
    }
    tk_log(2, "mss_fast_load::close_table - END");
}
