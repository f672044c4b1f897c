#include "mssql/direct/bulk_load.h"

#include "mssql/odb_exception.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_text_conversion.h"

#include <cstring>
#include <optional>

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
    // A provider that writes a refused batch again names the rows it could not write.
    if (FAILED(m_fast_load->QueryInterface(IID_IRowsetFastLoadRefusals,
                                           reinterpret_cast<void**>(m_refusals.get_address()))))
        m_refusals.release();
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
    ++m_inserted;
    take_refusals();
    if (m_bound_bytes < batch_bytes)
        return;
    hr = m_fast_load->Commit(false);
    m_bound_bytes = 0;
    if (FAILED(hr)) {
        tk_log(2, "m_spFastLoad->Commit failed: %08X", static_cast<unsigned>(hr));
        const odb_exception error(hr, true);
        lose_batch(error);
        throw error;
    }
    committed();
}

void mss_fast_load::close_table()
{
    if (!m_opened)
        throw tk_mail_assertion("mss_floa", 225);
    const HRESULT commit = m_fast_load->Commit(true);
    std::optional<odb_exception> commit_error;
    if (FAILED(commit)) {
        tk_log(2, "m_spFastLoad->Commit failed: %08X", static_cast<unsigned>(commit));
        commit_error.emplace(commit, true);
        lose_batch(*commit_error);
    } else {
        committed();
    }
    m_accessor.FreeRecordMemory();
    const HRESULT released = m_accessor.ReleaseAccessors();
    if (SUCCEEDED(released)) {
        m_refusals.release();
        m_fast_load.release();
        m_opened = false;
        m_bound_bytes = 0;
    }
    // The failed commit is raised even when releasing the accessor fails too.
    if (commit_error)
        throw *commit_error;
    if (FAILED(released)) {
        tk_log(2, "Error code: %08X", static_cast<unsigned>(released));
        throw odb_exception(released, true);
    }
    tk_log(2, "mss_fast_load::close_table - END");
}

void mss_fast_load::committed()
{
    take_refusals();
    m_committed = m_inserted;
}

// The server holds none of the rows of a batch whose commit failed.
void mss_fast_load::lose_batch(const odb_exception& error)
{
    take_refusals();
    for (std::uint64_t row = m_committed; row < m_inserted; ++row) {
        DBREFUSEDROW lost;
        lost.iRow = row;
        lost.message = tk_ansi_to_unicode(error.what());
        lost.sqlState = tk_ansi_to_unicode(error.get_sql_state());
        lost.nativeError = error.get_native_error();
        m_refused.push_back(std::move(lost));
    }
    m_committed = m_inserted;
}

void mss_fast_load::take_refusals()
{
    std::vector<DBREFUSEDROW> rows;
    if (!m_refusals.is_empty() && SUCCEEDED(m_refusals->TakeRefusedRows(rows)))
        m_refused.insert(m_refused.end(), rows.begin(), rows.end());
}
