// The direct path against a real SQL Server, through whichever of the ODBC
// drivers is installed. Runs when MSSQL_TEST_SERVER names a server (with
// MSSQL_TEST_LOGIN and MSSQL_TEST_PASSWORD; MSSQL_TEST_DATABASE, default
// tempdb); otherwise every case reports itself skipped.
#include "mssql/mss_engine.h"
#include "mssql/odb/odb_command.h"
#include "mssql/odb/odb_meta_data.h"
#include "mssql/odb/odb_recordset.h"
#include "mssql/odb_exception.h"
#include "mssql/odb_initializer.h"
#include "platform/oledb/property_set.h"

#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

std::wstring environment(const char* name, const char* fallback = "")
{
    const char* value = std::getenv(name);
    const std::string text = value ? value : fallback;
    return std::wstring(text.begin(), text.end());
}

class sql_server : public ::testing::Test {
protected:
    void SetUp() override
    {
        server = environment("MSSQL_TEST_SERVER");
        if (server.empty())
            GTEST_SKIP() << "MSSQL_TEST_SERVER is not set";
        login = environment("MSSQL_TEST_LOGIN");
        password = environment("MSSQL_TEST_PASSWORD");
        database = environment("MSSQL_TEST_DATABASE", "tempdb");
        initializer.test_connection(source, server, login, password, database);
        engine.connected = connected = true;
        engine.native_client = initializer.is_native_client();
        const auto version = query(L"SELECT @@VERSION");
        babelfish = version->get_item()->at(0)->to_wstring().find(L"Babelfish") != std::wstring::npos;
        table = L"velmora_oledb_" + std::to_wstring(getpid());
        run(L"CREATE TABLE [" + table +
            L"] (id int PRIMARY KEY, name nvarchar(40) NULL, made datetime2(3) NULL, "
            L"g uniqueidentifier NULL, amount numeric(10,2) NULL, data varbinary(max) NULL)");
    }

    void TearDown() override
    {
        if (connected)
            run(L"IF OBJECT_ID('" + table + L"') IS NOT NULL DROP TABLE [" + table + L"]");
    }

    void run(const std::wstring& statement)
    {
        odb_command command(static_cast<IUnknown*>(source.get()));
        command.execute(statement, nullptr);
    }

    std::unique_ptr<odb_recordset> query(const std::wstring& statement)
    {
        odb_command command(static_cast<IUnknown*>(source.get()));
        ole_com_ptr<IRowset> rowset;
        command.execute(statement, rowset.get_address());
        auto recordset = std::make_unique<odb_recordset>(rowset.get());
        recordset->reset();
        return recordset;
    }

    mss_engine engine;
    odb_initializer initializer;
    ole_com_ptr<IDBInitialize> source;
    std::wstring server, login, password, database, table;
    bool connected = false;
    bool babelfish = false;  // the open-source peer, with its known differences
};

TEST_F(sql_server, rows_come_back_with_their_types)
{
    run(L"INSERT INTO [" + table +
        L"] VALUES (1, N'gr\u00fc\u00df \u4e2d\U0001F600', '2024-02-29 23:59:58.123', "
        L"'6F9619FF-8B86-D011-B42D-00C04FC964FF', -12.5, 0xCAFE), (2, NULL, NULL, NULL, NULL, NULL)");
    const auto rows = query(L"SELECT * FROM [" + table + L"] ORDER BY id");
    ASSERT_FALSE(rows->is_eof());
    const udb_record& first = *rows->get_item();
    EXPECT_EQ(first[1]->to_wstring(), L"gr\u00fc\u00df \u4e2d\U0001F600");
    EXPECT_EQ(first[2]->get_type(), VT_DATE);
    EXPECT_EQ(first[3]->to_wstring(), L"6F9619FF-8B86-D011-B42D-00C04FC964FF");
    EXPECT_EQ(first[4]->get_type(), VT_DECIMAL);
    EXPECT_EQ(first[5]->get_type(), ole_vt_bytes);
    rows->next();
    ASSERT_FALSE(rows->is_eof());
    EXPECT_EQ(rows->get_item()->at(1)->get_type(), VT_EMPTY);
    rows->next();
    EXPECT_TRUE(rows->is_eof());
}

TEST_F(sql_server, failures_carry_the_server_message_and_code)
{
    run(L"INSERT INTO [" + table + L"] (id) VALUES (1)");
    try {
        run(L"INSERT INTO [" + table + L"] (id) VALUES (1)");
        FAIL() << "a duplicate key must fail";
    } catch (const odb_exception& e) {
        EXPECT_EQ(e.get_error_number(), 0x80E2Fu);
        EXPECT_EQ(e.get_native_error(), 2627);
    }
    // Babelfish reports an unknown table as an error of its own, not as 208.
    if (babelfish)
        return;
    try {
        query(L"SELECT * FROM velmora_no_such_table");
        FAIL() << "a missing table must fail";
    } catch (const odb_exception& e) {
        EXPECT_EQ(e.get_error_number(), 0x80E37u);
    }
}

TEST_F(sql_server, primary_key_comes_from_the_schema_rowset)
{
    ole_com_ptr<IDBCreateSession> factory;
    odb_check(source->QueryInterface(IID_IDBCreateSession, factory.get_void_address()));
    ole_com_ptr<IUnknown> session;
    odb_check(factory->CreateSession(nullptr, IID_IOpenRowset, session.get_address()));
    odb_pk_meta_data key(session.get(), table, L"");
    key.reset();
    ASSERT_FALSE(key.is_eof());
    EXPECT_EQ(key.get_item()->at(3)->to_wstring(), L"id");
}

TEST_F(sql_server, wrong_password_is_an_authentication_failure)
{
    ole_com_ptr<IDBInitialize> other;
    try {
        odb_initializer().test_connection(other, server, login, password + L"x", database);
        FAIL() << "the wrong password must be refused";
    } catch (const odb_exception& e) {
        EXPECT_EQ(e.get_error_number(), 0x80E4Du);
    }
}

TEST_F(sql_server, fast_load_inserts_rows)
{
    ole_com_ptr<IDBProperties> properties;
    odb_check(source->QueryInterface(IID_IDBProperties, properties.get_void_address()));
    oledb::property_set fast_load(DBPROPSET_SQLSERVERDATASOURCE);
    fast_load.add_bool(SSPROP_ENABLEFASTLOAD, true);
    if (properties->SetProperties(1, fast_load.get()) != S_OK)
        GTEST_SKIP() << "the driver offers no bulk copy";
    ole_com_ptr<IDBCreateSession> factory;
    odb_check(source->QueryInterface(IID_IDBCreateSession, factory.get_void_address()));
    ole_com_ptr<IOpenRowset> session;
    odb_check(factory->CreateSession(nullptr, IID_IOpenRowset, reinterpret_cast<IUnknown**>(session.get_address())));
    std::wstring name = L"[dbo].[" + table + L"]";
    DBID id{};
    id.eKind = DBKIND_NAME;
    id.uName.pwszName = name.data();
    ole_com_ptr<IRowsetFastLoad> load;
    odb_check(session->OpenRowset(nullptr, &id, nullptr, IID_IRowsetFastLoad, 0, nullptr,
                                  reinterpret_cast<IUnknown**>(load.get_address())));
    DBBINDING bindings[2] = {};
    bindings[0] = DBBINDING{1,
                            12,
                            4,
                            0,
                            nullptr,
                            nullptr,
                            nullptr,
                            DBPART_VALUE | DBPART_LENGTH | DBPART_STATUS,
                            DBMEMOWNER_CLIENTOWNED,
                            DBPARAMIO_NOTPARAM,
                            4,
                            0,
                            DBTYPE_I4,
                            0,
                            0};
    bindings[1] = DBBINDING{2,
                            28,
                            20,
                            16,
                            nullptr,
                            nullptr,
                            nullptr,
                            DBPART_VALUE | DBPART_LENGTH | DBPART_STATUS,
                            DBMEMOWNER_CLIENTOWNED,
                            DBPARAMIO_NOTPARAM,
                            40 * sizeof(wchar_t),
                            0,
                            DBTYPE_WSTR,
                            0,
                            0};
    ole_com_ptr<IAccessor> accessor;
    odb_check(load->QueryInterface(IID_IAccessor, accessor.get_void_address()));
    HACCESSOR handle = 0;
    odb_check(accessor->CreateAccessor(DBACCESSOR_ROWDATA, 2, bindings, 0, &handle, nullptr));
    std::vector<BYTE> row(28 + 40 * sizeof(wchar_t));
    for (std::int32_t i = 10; i < 15; ++i) {
        const std::wstring text = L"row " + std::to_wstring(i);
        std::memcpy(row.data() + 12, &i, 4);
        std::memcpy(row.data() + 28, text.data(), text.size() * sizeof(wchar_t));
        const DBLENGTH length = text.size() * sizeof(wchar_t);
        std::memcpy(row.data() + 20, &length, sizeof(length));
        odb_check(load->InsertRow(handle, row.data()));
    }
    odb_check(load->Commit(true));
    accessor->ReleaseAccessor(handle, nullptr);
    const auto count = query(L"SELECT COUNT(*) FROM [" + table + L"] WHERE name LIKE 'row %'");
    EXPECT_EQ(count->get_item()->at(0)->to_wstring(), L"5");
}

// Needs no server: the installed driver (FreeTDS at least) is asked to reach
// a port where nothing listens, with a password that only survives quoting.
TEST(installed_driver, unreachable_server_ends_the_attempt_with_the_driver_message)
{
    mss_engine engine;
    odb_initializer initializer;
    ole_com_ptr<IDBInitialize> source;
    try {
        initializer.test_connection(source, L"127.0.0.1,1", L"sa", L"p;w}d=\"x\"", L"db");
        FAIL() << "nothing listens on port 1";
    } catch (const odb_exception& e) {
        EXPECT_NE(std::string(e.what()), odb_generic_error_text);
        EXPECT_NE(std::string(e.what()), "Unknown exception");
    } catch (const tk_exception& e) {
        GTEST_SKIP() << "no SQL Server driver is installed: " << e.what();
    }
}

}  // namespace
