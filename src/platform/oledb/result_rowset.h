// A forward-only rowset over one engine result: the rowset of a command, of
// an opened table or of a schema query.
#pragma once

#include "platform/oledb/accessors.h"
#include "platform/oledb/com_object.h"
#include "platform/oledb/connections.h"

#include <map>
#include <memory>

namespace oledb {

class result_rowset final : public com_object<result_rowset, IRowset, IColumnsInfo, IAccessor> {
public:
    result_rowset(std::unique_ptr<db_result> result, busy_lease lease);
    ~result_rowset() override;
    IUnknown* interface_for(REFIID riid);

    HRESULT GetData(HROW hRow, HACCESSOR hAccessor, void* pData) override;
    HRESULT GetNextRows(HCHAPTER hReserved, DBROWOFFSET lRowsOffset, DBROWCOUNT cRows, DBCOUNTITEM* pcRowsObtained,
                        HROW** prghRows) override;
    HRESULT ReleaseRows(DBCOUNTITEM cRows, const HROW rghRows[], DBROWOPTIONS rgRowOptions[], DBREFCOUNT rgRefCounts[],
                        DBROWSTATUS rgRowStatus[]) override;
    HRESULT RestartPosition(HCHAPTER hReserved) override;

    HRESULT GetColumnInfo(DBORDINAL* pcColumns, DBCOLUMNINFO** prgInfo, OLECHAR** ppStringsBuffer) override;

    HRESULT CreateAccessor(DBACCESSORFLAGS dwAccessorFlags, DBCOUNTITEM cBindings, const DBBINDING rgBindings[],
                           DBLENGTH cbRowSize, HACCESSOR* phAccessor, DBBINDSTATUS rgStatus[]) override;
    HRESULT ReleaseAccessor(HACCESSOR hAccessor, DBREFCOUNT* pcRefCount) override;

private:
    struct held_row {
        std::vector<db_value> values;
        DBREFCOUNT references = 1;
    };

    // Declared first so that it outlives the result that runs on its connection.
    busy_lease lease_;
    std::unique_ptr<db_result> result_;
    accessor_set accessors_;
    std::map<HROW, held_row> rows_;
    HROW next_row_ = 1;
    bool at_end_ = false;
};

}  // namespace oledb
