// One ODBC connection as a data-access engine connection.
#pragma once

#include "platform/oledb/db_backend.h"
#include "platform/oledb/odbc_bulk_copy.h"
#include "platform/oledb/odbc_handle.h"

namespace oledb::odbc {

class odbc_connection final : public db_connection {
public:
    // `bulk` is the driver's bulk-copy interface when the connection is made
    // for bulk load, else null.
    odbc_connection(std::wstring source, const std::wstring& connection_string, const bulk_copy_api* bulk);
    ~odbc_connection() override;
    odbc_connection(const odbc_connection&) = delete;
    odbc_connection& operator=(const odbc_connection&) = delete;

    std::unique_ptr<db_result> execute(const std::wstring& statement) override;
    std::unique_ptr<db_result> execute(const std::wstring& statement, const std::vector<db_column>& parameters,
                                       const std::vector<db_value>& values) override;
    std::unique_ptr<db_result> open_table(const std::wstring& table) override;
    std::unique_ptr<db_result> open_schema(schema_kind kind, const schema_restrictions& restrictions) override;
    std::unique_ptr<db_bulk_load> open_bulk_load(const std::wstring& table, bool keep_identity) override;

private:
    // Runs the call; a failure on a broken connection is said to be one.
    template <typename Call>
    auto said_lost(Call call) const;

    std::wstring source_;
    handle dbc_;
    const bulk_copy_api* bulk_;
};

}  // namespace oledb::odbc
