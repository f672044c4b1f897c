#include "platform/oledb/providers.h"

#include "platform/oledb/data_source.h"
#include "platform/oledb/odbc_provider.h"

#include <atomic>

namespace oledb {

namespace {

std::atomic<bool> installed{false};

void register_slot(REFCLSID clsid, std::shared_ptr<db_provider> provider)
{
    if (!provider) {
        com_unregister_class(clsid);
        return;
    }
    com_register_class(clsid, [provider](REFIID riid, void** object) -> HRESULT {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (!provider->is_installed())
            return REGDB_E_CLASSNOTREG;
        return hand_out(new data_source(provider), riid, reinterpret_cast<IUnknown**>(object));
    });
}

}  // namespace

void install_providers(provider_slots slots)
{
    register_slot(CLSID_SQLNCLI11, std::move(slots.native_client_11));
    register_slot(CLSID_SQLNCLI10, std::move(slots.native_client_10));
    register_slot(CLSID_SQLOLEDB, std::move(slots.sqloledb));
    com_register_class(CLSID_MSDAINITIALIZE, [](REFIID riid, void** object) -> HRESULT {
        if (!object)
            return E_POINTER;
        return hand_out(new data_initialize(), riid, reinterpret_cast<IUnknown**>(object));
    });
    installed = true;
}

void install_odbc_providers()
{
    if (installed)
        return;
    using odbc::driver_family;
    using odbc::odbc_provider;
    install_providers({std::make_shared<odbc_provider>(L"ODBC Driver 18 for SQL Server", driver_family::sql_server),
                       std::make_shared<odbc_provider>(L"ODBC Driver 17 for SQL Server", driver_family::sql_server),
                       std::make_shared<odbc_provider>(L"FreeTDS", driver_family::freetds)});
}

}  // namespace oledb
