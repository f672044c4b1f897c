// The fast-load rowset: rows bound in the caller's buffer go to a bulk load.
#pragma once

#include "platform/oledb/accessors.h"
#include "platform/oledb/com_object.h"
#include "platform/oledb/connections.h"

#include <memory>

namespace oledb {

class fast_load_rowset final : public com_object<fast_load_rowset, IRowsetFastLoad, IRowsetFastLoadRefusals, IAccessor,
                                                 IColumnsInfo, IRowsetInfo> {
public:
    fast_load_rowset(std::unique_ptr<db_bulk_load> load, busy_lease lease);
    ~fast_load_rowset() override;
    IUnknown* interface_for(REFIID riid);

    HRESULT InsertRow(HACCESSOR hAccessor, void* pData) override;
    HRESULT Commit(bool fDone) override;
    HRESULT TakeRefusedRows(std::vector<DBREFUSEDROW>& rows) override;

    HRESULT CreateAccessor(DBACCESSORFLAGS dwAccessorFlags, DBCOUNTITEM cBindings, const DBBINDING rgBindings[],
                           DBLENGTH cbRowSize, HACCESSOR* phAccessor, DBBINDSTATUS rgStatus[]) override;
    HRESULT ReleaseAccessor(HACCESSOR hAccessor, DBREFCOUNT* pcRefCount) override;
    HRESULT GetColumnInfo(DBORDINAL* pcColumns, DBCOLUMNINFO** prgInfo, OLECHAR** ppStringsBuffer) override;
    // Large values are taken as ISequentialStream objects, not as IStream.
    HRESULT GetProperties(ULONG cPropertyIDSets, const DBPROPIDSET rgPropertyIDSets[], ULONG* pcPropertySets,
                          DBPROPSET** prgPropertySets) override;

private:
    busy_lease lease_;
    std::unique_ptr<db_bulk_load> load_;
    accessor_set accessors_;
    bool done_ = false;
};

}  // namespace oledb
