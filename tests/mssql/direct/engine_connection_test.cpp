#include "direct_path_fixture.h"
#include "mssql/odb_exception.h"
#include "mssql/test_label.h"

#include <gtest/gtest.h>

namespace {

using connection = direct_path_fixture;

TEST_F(connection, connect_reads_version_and_database_list)
{
    answer_texts(L"SELECT name from master.sys.databases ORDER BY name", {L"master", L"shop"});
    connect();
    EXPECT_TRUE(engine.connected);
    EXPECT_TRUE(engine.native_client);
    EXPECT_TRUE(engine.fast_load);
    EXPECT_EQ(engine.version_code, 15);
    EXPECT_EQ(engine.server, L"srv");
    EXPECT_EQ(engine.user, L"sa");
    EXPECT_EQ(sent(),
              (std::vector<std::wstring>{L"SELECT @@VERSION", L"SELECT name from master.sys.databases ORDER BY name"}));
    EXPECT_EQ(engine.get_contents(), (std::vector<std::wstring>{L"master", L"shop"}));
}

struct version_case {
    const wchar_t* text;
    std::int32_t code;
};

void PrintTo(const version_case& c, std::ostream* os)
{
    *os << test_label(c.text);
}

class version_test : public direct_path_fixture, public testing::WithParamInterface<version_case> {};

TEST_P(version_test, version_text_gives_the_code)
{
    connect(GetParam().text);
    EXPECT_EQ(engine.version_code, GetParam().code);
}

// A release the table does not know yet is taken as a current server, not
// as one older than 2000.
INSTANTIATE_TEST_SUITE_P(mss, version_test,
                         testing::Values(version_case{L"Microsoft SQL Server 2019 (RTM) - 15.0.2000.5 (X64)", 15},
                                         version_case{L"Microsoft SQL Server 2008 R2 (RTM) - 10.50.1600.1", 5},
                                         version_case{L"Microsoft SQL Server 2025 (RTM) - 17.0.1000.7 (X64)", 18},
                                         version_case{L"Velmora test server 1.0", 18},
                                         version_case{L"Microsoft SQL Azure (RTM) - 12.0.2000.8", 100}));

TEST_F(connection, old_server_lists_databases_from_the_second_catalogue)
{
    server->fail(L"SELECT name from master.sys.sysdatabases ORDER BY name", fake::sql_error(208, L"no such view"));
    answer_texts(L"SELECT name from master.dbo.sysdatabases ORDER BY name", {L"pubs"});
    connect(L"Microsoft SQL Server  7.00 - 7.00.623 (Intel X86)");
    EXPECT_EQ(engine.version_code, 2);
    EXPECT_EQ(engine.get_contents(), std::vector<std::wstring>{L"pubs"});
}

TEST_F(connection, azure_lists_no_databases)
{
    connect(L"Microsoft SQL Azure (RTM) - 12.0.2000.8");
    EXPECT_EQ(sent(), std::vector<std::wstring>{L"SELECT @@VERSION"});
    EXPECT_THROW(engine.get_contents(), tk_exception);
}

TEST_F(connection, refused_fast_load_is_reported_by_the_flag)
{
    connect(version_2019, false);
    EXPECT_FALSE(engine.fast_load);
}

TEST_F(connection, windows_login_forgets_the_previous_login)
{
    connect();
    engine.connect(L"srv", true);
    EXPECT_EQ(engine.user, L"");
    EXPECT_EQ(mss_engine::get_safe_tname(L"orders"), L"[dbo].[orders]");
    EXPECT_TRUE(server->logins().back().integrated);
}

// The server says whether the login may use a listed database, on the
// connection the engine holds: no login into the database.
TEST_F(connection, database_existence_is_tested_by_list_and_access)
{
    answer_texts(L"SELECT name from master.sys.databases ORDER BY name", {L"Shop", L"Locked"});
    server->answer(L"SELECT HAS_DBACCESS(N'shop')", {{fake::int_column(L"a")}, {text_row({L"1"})}});
    server->answer(L"SELECT HAS_DBACCESS(N'locked')", {{fake::int_column(L"a")}, {text_row({L"0"})}});
    connect();
    const std::size_t logins = server->logins().size();
    EXPECT_FALSE(engine.is_db_exist(L"other"));
    EXPECT_TRUE(engine.is_db_exist(L"shop"));
    EXPECT_THROW(engine.is_db_exist(L"locked"), mss_no_perm_exception);
    EXPECT_EQ(server->logins().size(), logins);
}

// Azure SQL lists no databases and answers HAS_DBACCESS only for the
// database a connection is in: a login into the database is the test.
TEST_F(connection, azure_database_existence_is_tested_by_login)
{
    connect();
    engine.version_code = 100;
    const std::size_t logins = server->logins().size();
    EXPECT_TRUE(engine.is_db_exist(L"shop"));
    ASSERT_EQ(server->logins().size(), logins + 1);
    EXPECT_EQ(server->logins().back().database, L"shop");
    server->refuse_login(fake::sql_error(4060, L"Cannot open database \"shop\"."));
    EXPECT_THROW(engine.is_db_exist(L"shop"), mss_no_perm_exception);
}

TEST_F(connection, open_db_reconnects_into_the_database)
{
    connect();
    mark();
    const auto database = open_database();
    EXPECT_EQ(server->logins().back().database, L"shop");
    EXPECT_EQ(database->name, L"shop");
    EXPECT_TRUE(engine.connected);
    // The catalogue is read once: tables (by the schema rowset, then the
    // procedure), column types, sequences and views.
    EXPECT_EQ(sent(), (std::vector<std::wstring>{
                          L"exec sp_tables @table_owner=N'dbo', @table_type=\"'TABLE'\"",
                          L"select TABLE_SCHEMA, TABLE_NAME, COLUMN_NAME, DATA_TYPE from INFORMATION_SCHEMA.COLUMNS "
                          L"where TABLE_SCHEMA=N'dbo' and TABLE_NAME not in "
                          L"('sysalternates','sysconstraints','syssegments')",
                          L"SELECT CAST(name AS varchar), CAST(start_value AS int), CAST(increment AS int), "
                          L"CAST(minimum_value AS bigint), CAST(maximum_value AS bigint), is_cycling FROM "
                          L"SYS.SEQUENCES",
                          L"select name, definition from sys.objects o join sys.sql_modules m on m.object_id = "
                          L"o.object_id where o.type = 'V'"}));
}

TEST_F(connection, database_names_are_bracketed)
{
    connect();
    mark();
    std::unique_ptr<mss_database> created(engine.create_db(L"we]ird"));
    engine.delete_db(L"we]ird");
    const std::vector<std::wstring> statements = sent();
    EXPECT_EQ(statements.front(), L"CREATE DATABASE [we]]ird]");
    EXPECT_EQ(statements.back(), L"DROP DATABASE [we]]ird]");
}

TEST_F(connection, operations_on_databases_need_a_connection)
{
    EXPECT_THROW(engine.open_db(L"shop", 2, L""), tk_mail_assertion);
    EXPECT_THROW(engine.create_db(L"shop"), tk_mail_assertion);
    EXPECT_THROW(engine.delete_db(L"shop"), tk_mail_assertion);
    EXPECT_THROW(engine.is_db_exist(L"shop"), tk_mail_assertion);
    EXPECT_THROW(engine.get_contents(), tk_mail_assertion);
}

}  // namespace
