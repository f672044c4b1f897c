// The direct path end to end against a real SQL Server: a table made by the
// database object, rows by bulk load and by statements, updates and deletes
// by key, and the rows read back. Runs when MSSQL_TEST_SERVER names a server
// (with MSSQL_TEST_LOGIN and MSSQL_TEST_PASSWORD; MSSQL_TEST_DATABASE, default
// tempdb); otherwise every case reports itself skipped.
#include "model/column_descriptor.h"
#include "model/index.h"
#include "model/record.h"
#include "mssql/direct/mss_database.h"
#include "mssql/direct/mss_table.h"
#include "mssql/direct/result_rows.h"
#include "mssql/mss_engine.h"
#include "platform/oledb/providers.h"
#include "toolkit/error_handler.h"
#include "variant/ole_date.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace {

std::wstring environment(const char* name, const char* fallback = "")
{
    const char* value = std::getenv(name);
    const std::string text = value ? value : fallback;
    return std::wstring(text.begin(), text.end());
}

class collecting_handler final : public error_handler {
public:
    void handle(const tk_exception& exception, bool) override { reports.push_back(exception.what()); }
    std::vector<std::string> reports;
};

class direct_path_server : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::wstring server = environment("MSSQL_TEST_SERVER");
        if (server.empty())
            GTEST_SKIP() << "MSSQL_TEST_SERVER is not set";
        oledb::install_odbc_providers();
        engine.connect(server, environment("MSSQL_TEST_LOGIN"), environment("MSSQL_TEST_PASSWORD"), true);
        database.reset(engine.open_db(environment("MSSQL_TEST_DATABASE", "tempdb"), 2, L""));
        table_name = L"[dbo].[velmora_direct_" + std::to_wstring(getpid()) + L"]";
        schema.push_back(new t_ftd(4, L"id", VT_I4, true, false, ole_variant()));
        schema.push_back(new t_ftd(40, L"name", VT_BSTR, false, false, ole_variant()));
        auto* amount = new t_ftd(0, L"amount", VT_DECIMAL, false, false, ole_variant());
        amount->precision = 10;
        amount->scale = 2;
        schema.push_back(amount);
        schema.push_back(new t_ftd(0, L"made", VT_DATE, false, false, ole_variant(), 1));
        schema.push_back(new t_ftd(0, L"data", VT_BLOB, false, false, ole_variant()));
        udb_index key(L"", true, true);
        key.fields = {L"id"};
        indexes.push_back(key);
    }

    void TearDown() override
    {
        if (database)
            database->test_query(L"IF OBJECT_ID(N'" + table_name + L"') IS NOT NULL DROP TABLE " + table_name);
    }

    std::unique_ptr<mss_table> create()
    {
        return std::unique_ptr<mss_table>(static_cast<mss_table*>(database->create_table(table_name, schema, indexes)));
    }

    static std::unique_ptr<udb_record> row(std::int32_t id, const std::wstring& name, const wchar_t* amount,
                                           std::size_t data_size)
    {
        auto record = std::make_unique<udb_record>();
        DECIMAL decimal{};
        VarDecFromStr(amount, 1033, 0, &decimal);
        record->push_back(new udb_field(L"id", 4, ole_variant(id)));
        record->push_back(new udb_field(L"name", 0, ole_variant(name)));
        record->push_back(new udb_field(L"amount", 0, ole_variant(decimal)));
        record->push_back(new udb_field(L"made", 0, ole_variant(ole_date(std::string("2024-02-29 10:20:30.123")))));
        record->push_back(new udb_field(L"data", 0, ole_variant(std::vector<BYTE>(data_size, BYTE(id)))));
        return record;
    }

    std::vector<std::vector<std::wstring>> read_back()
    {
        std::unique_ptr<udb_recordset> result(
            database->query(L"SELECT id, name, amount, DATALENGTH(data) FROM " + table_name + L" ORDER BY id"));
        std::vector<std::vector<std::wstring>> rows;
        mss_for_each_row(*result, [&](const udb_record& r) {
            rows.push_back({mss_row_text(r, 0), mss_row_text(r, 1), mss_row_text(r, 2), mss_row_text(r, 3)});
        });
        return rows;
    }

    mss_engine engine;
    collecting_handler errors;
    std::unique_ptr<mss_database> database;
    std::wstring table_name;
    udb_schema schema{true};
    udb_indexes indexes;
};

TEST_F(direct_path_server, rows_arrive_by_bulk_load)
{
    if (!engine.fast_load)
        GTEST_SKIP() << "the driver offers no bulk copy";
    {
        auto table = create();
        for (std::int32_t id = 1; id <= 3; ++id)
            table->append_record(*row(id, L"Grüße " + std::to_wstring(id), L"-12.5", id == 3 ? 20000 : 10));
        EXPECT_FALSE(table->fast_load_failed);
    }
    database->create_indexes(table_name, schema, indexes);
    const auto rows = read_back();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][1], L"Grüße 1");
    EXPECT_EQ(rows[0][2], L"-12.5");
    EXPECT_EQ(rows[2][3], L"20000");
    EXPECT_TRUE(errors.reports.empty()) << (errors.reports.empty() ? "" : errors.reports[0]);
}

TEST_F(direct_path_server, rows_by_statements_then_update_and_delete_by_key)
{
    engine.fast_load = false;
    auto table = create();
    table->append_record(*row(1, L"O'Brien", L"1", 3));
    table->append_record(*row(2, L"two", L"2", 3));
    table->add_index(indexes[0]);
    table->update1(*row(2, L"changed", L"3", 3));
    std::unique_ptr<udb_record> key(new udb_record);
    key->push_back(new udb_field(L"id", 4, ole_variant(std::int32_t{1})));
    table->delete_key(*key);
    const auto rows = read_back();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][1], L"changed");
    EXPECT_EQ(rows[0][2], L"3");
}

}  // namespace
