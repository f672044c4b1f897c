// The provider slots over ODBC drivers: the Microsoft SQL Server drivers and
// FreeTDS, each reached by its registered driver name.
#pragma once

#include "platform/oledb/db_backend.h"

#include <memory>
#include <mutex>
#include <string>

namespace oledb::odbc {

class bulk_copy_api;

enum class driver_family { sql_server, freetds };

class odbc_provider final : public db_provider {
public:
    odbc_provider(std::wstring driver, driver_family family);
    ~odbc_provider() override;

    std::wstring name() const override { return driver_; }
    bool is_installed() const override;
    bool supports_bulk_load() const override;
    std::unique_ptr<db_connection> connect(const db_login& login, bool for_bulk_load) override;

    // Every value quoted; the driver's keywords for the family. An address
    // the driver cannot use raises db_error naming it.
    std::wstring connection_string(const db_login& login) const;

private:
    std::wstring server_keys(const std::wstring& address) const;
    const bulk_copy_api* bulk_api() const;

    std::wstring driver_;
    driver_family family_;
    mutable std::once_flag bulk_once_;
    mutable std::unique_ptr<bulk_copy_api> bulk_;
};

// The "Driver" file of a registered driver, empty when it is not registered.
std::string registered_driver_library(const std::wstring& driver);

}  // namespace oledb::odbc
