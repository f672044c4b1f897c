// The provider classes of this layer, registered with CoCreateInstance:
// CLSID_SQLNCLI11, CLSID_SQLNCLI10 and CLSID_SQLOLEDB (reached by the
// data-initialize service, CLSID_MSDAINITIALIZE) each over one engine slot.
// A slot that is empty, or whose driver is not installed, cannot be created.
#pragma once

#include "platform/oledb/db_backend.h"

#include <memory>

namespace oledb {

struct provider_slots {
    std::shared_ptr<db_provider> native_client_11;
    std::shared_ptr<db_provider> native_client_10;
    std::shared_ptr<db_provider> sqloledb;
};

void install_providers(provider_slots slots);

// The ODBC drivers: "ODBC Driver 18 for SQL Server" for Native Client 11.0,
// "ODBC Driver 17 for SQL Server" for 10.0 and FreeTDS for SQLOLEDB. Leaves
// providers that were installed before in place.
void install_odbc_providers();

}  // namespace oledb
