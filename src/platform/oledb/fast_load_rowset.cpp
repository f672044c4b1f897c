#include "platform/oledb/fast_load_rowset.h"

#include "platform/oledb/bound_value.h"
#include "platform/oledb/error_records.h"

#include <utility>
#include <vector>

namespace oledb {

namespace {

DBPROP stream_property(DBPROPID id)
{
    DBPROP p{};
    p.dwPropertyID = id;
    if (id == DBPROP_ISequentialStream || id == DBPROP_IStream) {
        p.vValue.vt = VT_BOOL;
        p.vValue.boolVal = id == DBPROP_ISequentialStream ? VARIANT_TRUE : VARIANT_FALSE;
    } else {
        p.dwStatus = DBPROPSTATUS_NOTSUPPORTED;
    }
    return p;
}

}  // namespace

fast_load_rowset::fast_load_rowset(std::unique_ptr<db_bulk_load> load, busy_lease lease)
    : lease_(std::move(lease)), load_(std::move(load)), accessors_(load_->columns(), readable_type)
{}

fast_load_rowset::~fast_load_rowset() = default;

IUnknown* fast_load_rowset::interface_for(REFIID riid)
{
    if (riid == IID_IUnknown || riid == IID_IRowsetFastLoad)
        return static_cast<IRowsetFastLoad*>(this);
    if (riid == IID_IRowsetFastLoadRefusals)
        return static_cast<IRowsetFastLoadRefusals*>(this);
    if (riid == IID_IAccessor)
        return static_cast<IAccessor*>(this);
    if (riid == IID_IColumnsInfo)
        return static_cast<IColumnsInfo*>(this);
    if (riid == IID_IRowsetInfo)
        return static_cast<IRowsetInfo*>(this);
    return nullptr;
}

HRESULT fast_load_rowset::InsertRow(HACCESSOR hAccessor, void* pData)
{
    return guarded([&]() -> HRESULT {
        if (done_)
            return E_UNEXPECTED;
        const std::vector<DBBINDING>* bindings = accessors_.find(hAccessor);
        if (!bindings)
            return DB_E_BADACCESSORHANDLE;
        if (!pData && !bindings->empty())
            return E_INVALIDARG;
        const std::vector<db_column>& columns = load_->columns();
        std::vector<db_value> row(columns.size());
        for (const DBBINDING& b : *bindings)
            row[b.iOrdinal - 1] = read_bound_value(b, pData, columns[b.iOrdinal - 1]);
        load_->send_row(std::move(row));
        return S_OK;
    });
}

HRESULT fast_load_rowset::Commit(bool fDone)
{
    return guarded([&]() -> HRESULT {
        if (done_)
            return E_UNEXPECTED;
        done_ = fDone;
        load_->commit(fDone);
        return S_OK;
    });
}

HRESULT fast_load_rowset::TakeRefusedRows(std::vector<DBREFUSEDROW>& rows)
{
    return guarded([&]() -> HRESULT {
        rows.clear();
        for (const db_refused_row& refused : load_->take_refused_rows()) {
            DBREFUSEDROW row;
            row.iRow = refused.row;
            if (!refused.error.records().empty()) {
                const db_error_record& first = refused.error.records().front();
                row.message = first.message;
                row.sqlState = first.sql_state;
                row.nativeError = first.native_error;
            }
            rows.push_back(std::move(row));
        }
        return S_OK;
    });
}

HRESULT fast_load_rowset::CreateAccessor(DBACCESSORFLAGS dwAccessorFlags, DBCOUNTITEM cBindings,
                                         const DBBINDING rgBindings[], DBLENGTH, HACCESSOR* phAccessor,
                                         DBBINDSTATUS rgStatus[])
{
    return accessors_.create(dwAccessorFlags, cBindings, rgBindings, phAccessor, rgStatus);
}

HRESULT fast_load_rowset::ReleaseAccessor(HACCESSOR hAccessor, DBREFCOUNT* pcRefCount)
{
    return accessors_.release(hAccessor, pcRefCount);
}

HRESULT fast_load_rowset::GetColumnInfo(DBORDINAL* pcColumns, DBCOLUMNINFO** prgInfo, OLECHAR** ppStringsBuffer)
{
    return copy_column_info(load_->columns(), pcColumns, prgInfo, ppStringsBuffer);
}

HRESULT fast_load_rowset::GetProperties(ULONG cPropertyIDSets, const DBPROPIDSET rgPropertyIDSets[],
                                        ULONG* pcPropertySets, DBPROPSET** prgPropertySets)
{
    if (!pcPropertySets || !prgPropertySets || (cPropertyIDSets > 0 && !rgPropertyIDSets))
        return E_INVALIDARG;
    *pcPropertySets = 0;
    *prgPropertySets = nullptr;
    std::vector<std::pair<GUID, std::vector<DBPROP>>> answer;
    if (cPropertyIDSets == 0)
        answer.push_back(
            {DBPROPSET_ROWSET, {stream_property(DBPROP_ISequentialStream), stream_property(DBPROP_IStream)}});
    for (ULONG s = 0; s < cPropertyIDSets; ++s) {
        const DBPROPIDSET& ids = rgPropertyIDSets[s];
        std::vector<DBPROP> properties;
        for (ULONG i = 0; i < ids.cPropertyIDs; ++i) {
            DBPROP p = stream_property(ids.rgPropertyIDs[i]);
            if (ids.guidPropertySet != DBPROPSET_ROWSET)
                p = DBPROP{ids.rgPropertyIDs[i], 0, DBPROPSTATUS_NOTSUPPORTED, {}, {}};
            properties.push_back(p);
        }
        answer.push_back({ids.guidPropertySet, std::move(properties)});
    }
    auto* sets = static_cast<DBPROPSET*>(CoTaskMemAlloc(sizeof(DBPROPSET) * answer.size()));
    if (!sets)
        return E_OUTOFMEMORY;
    bool all_failed = true;
    for (std::size_t s = 0; s < answer.size(); ++s) {
        const auto& [set, properties] = answer[s];
        sets[s].guidPropertySet = set;
        sets[s].cProperties = static_cast<ULONG>(properties.size());
        sets[s].rgProperties = static_cast<DBPROP*>(CoTaskMemAlloc(sizeof(DBPROP) * (properties.size() + 1)));
        if (sets[s].rgProperties)
            std::copy(properties.begin(), properties.end(), sets[s].rgProperties);
        for (const DBPROP& p : properties)
            all_failed = all_failed && p.dwStatus != DBPROPSTATUS_OK;
    }
    *pcPropertySets = static_cast<ULONG>(answer.size());
    *prgPropertySets = sets;
    return all_failed ? DB_E_ERRORSOCCURRED : S_OK;
}

}  // namespace oledb
