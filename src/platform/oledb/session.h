// A session: commands, opened tables, schema rowsets, table creation and
// the fast-load rowset, all on the session's connections.
#pragma once

#include "platform/oledb/com_object.h"
#include "platform/oledb/connections.h"
#include "platform/oledb/oledb.h"

#include <memory>

namespace oledb {

class session final : public com_object<session, IOpenRowset, IDBCreateCommand, IDBSchemaRowset, ITableDefinition> {
public:
    explicit session(std::shared_ptr<session_link> link);
    IUnknown* interface_for(REFIID riid);

    // A table by name (DBKIND_NAME), described at once and read from the first
    // fetch on; IID_IRowsetFastLoad, or SSPROP_IRowsetFastLoad in
    // DBPROPSET_SQLSERVERROWSET, opens a bulk load into it instead.
    HRESULT OpenRowset(IUnknown* pUnkOuter, DBID* pTableID, DBID* pIndexID, REFIID riid, ULONG cPropertySets,
                       DBPROPSET rgPropertySets[], IUnknown** ppRowset) override;
    HRESULT CreateCommand(IUnknown* pUnkOuter, REFIID riid, IUnknown** ppCommand) override;
    // Tables, primary keys, indexes and foreign keys; VT_EMPTY or VT_BSTR
    // restrictions.
    HRESULT GetRowset(IUnknown* pUnkOuter, REFGUID rguidSchema, ULONG cRestrictions, const VARIANT rgRestrictions[],
                      REFIID riid, ULONG cPropertySets, DBPROPSET rgPropertySets[], IUnknown** ppRowset) override;
    HRESULT CreateTable(IUnknown* pUnkOuter, DBID* pTableID, DBORDINAL cColumnDescs, const DBCOLUMNDESC rgColumnDescs[],
                        REFIID riid, ULONG cPropertySets, DBPROPSET rgPropertySets[], DBID** ppTableID,
                        IUnknown** ppRowset) override;

private:
    std::shared_ptr<session_link> link_;
};

}  // namespace oledb
