// What the benchmarks' providers share: the answers the engine needs to
// connect, a provider that makes one kind of connection over the counters
// they fill, and an error handler that reports nothing.
#pragma once

#include "platform/oledb/db_backend.h"
#include "platform/oledb/memory_result.h"
#include "toolkit/error_handler.h"

#include <memory>
#include <string>
#include <vector>

namespace bench {

// A SQL Server 2019 for SELECT @@VERSION; nothing for any other statement.
inline std::unique_ptr<oledb::db_result> version_answer(const std::wstring& statement)
{
    if (statement != L"SELECT @@VERSION")
        return nullptr;
    return std::make_unique<oledb::memory_result>(
        std::vector<oledb::db_column>{{L"", DBTYPE_WSTR, 200, 0, 0, 0}},
        std::vector<std::vector<oledb::db_value>>{{std::wstring(L"Microsoft SQL Server 2019 (RTM) - 15.0.2000.5")}});
}

inline std::unique_ptr<oledb::db_result> no_rows(std::vector<oledb::db_column> columns = {})
{
    return std::make_unique<oledb::memory_result>(std::move(columns), std::vector<std::vector<oledb::db_value>>{});
}

// Connections of type Connection, each made over the provider's `count`.
template <typename Connection, typename Counters>
class stub_provider final : public oledb::db_provider {
public:
    explicit stub_provider(bool bulk_load) : m_bulk_load(bulk_load) {}
    std::wstring name() const override { return L"Stub SQL Server"; }
    bool is_installed() const override { return true; }
    bool supports_bulk_load() const override { return m_bulk_load; }
    std::unique_ptr<oledb::db_connection> connect(const oledb::db_login&, bool) override
    {
        return std::make_unique<Connection>(count);
    }
    Counters count;

private:
    bool m_bulk_load;
};

class quiet_handler final : public error_handler {
public:
    void handle(const tk_exception&, bool) override {}
};

}  // namespace bench
