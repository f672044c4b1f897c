// The data source of a provider slot, and the data-initialize service that
// builds one from an initialization string.
#pragma once

#include "platform/oledb/com_object.h"
#include "platform/oledb/connections.h"
#include "platform/oledb/oledb.h"

#include <atomic>
#include <memory>

namespace oledb {

class data_source final : public com_object<data_source, IDBInitialize, IDBProperties, IDBCreateSession> {
public:
    explicit data_source(std::shared_ptr<db_provider> provider);
    IUnknown* interface_for(REFIID riid);

    HRESULT Initialize() override;
    HRESULT Uninitialize() override;
    // DBPROPSET_DBINIT before Initialize; the fast-load property of
    // DBPROPSET_SQLSERVERDATASOURCE at any time: its sessions, also those made
    // before, open fast-load rowsets while it is on.
    HRESULT SetProperties(ULONG cPropertySets, DBPROPSET rgPropertySets[]) override;
    HRESULT CreateSession(IUnknown* pUnkOuter, REFIID riid, IUnknown** ppDBSession) override;

private:
    DBPROPSTATUS set_property(const GUID& set, const DBPROP& property);

    std::shared_ptr<db_provider> provider_;
    db_login login_;
    std::shared_ptr<std::atomic<bool>> fast_load_ = std::make_shared<std::atomic<bool>>(false);
    std::shared_ptr<connection_factory> factory_;  // set while initialized
};

class data_initialize final : public com_object<data_initialize, IDataInitialize> {
public:
    IUnknown* interface_for(REFIID riid);
    // Creates the data source of the string's provider (by its program id)
    // and gives it the string's properties; it is not initialised.
    HRESULT GetDataSource(IUnknown* pUnkOuter, DWORD dwClsCtx, LPCOLESTR pwszInitializationString, REFIID riid,
                          IUnknown** ppDataSource) override;
};

}  // namespace oledb
