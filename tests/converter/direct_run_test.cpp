// Whole runs into MS SQL Server over the recording provider: the existing
// database and existing-table modes, and the rows a merge or a
// synchronization sends.
#include "converter/brantwick_convertor.h"
#include "mssql/direct/direct_path_fixture.h"
#include "mssql/test_label.h"
#include "mysql/test_database.h"
#include "platform/oledb/providers.h"
#include "support/test_mariadb.h"

#include <algorithm>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>

namespace {

std::wstring widen(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

std::string unique_name()
{
    return ("velmora_direct_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()))
        .substr(0, 64);
}

bool starts_with_any(const std::vector<std::wstring>& statements, const std::wstring& prefix)
{
    return std::any_of(statements.begin(), statements.end(),
                       [&](const std::wstring& statement) { return statement.starts_with(prefix); });
}

class direct_run : public ::testing::Test {
protected:
    explicit direct_run(const char* fixture = "converter/shop.sql") : database(unique_name(), fixture)
    {
        oledb::install_providers({server, nullptr, nullptr});
        server->answer(L"SELECT @@VERSION",
                       {{fake::wide_text_column(L"", 300)},
                        {text_row({L"Microsoft SQL Server 2019 (RTM-CU22) - 15.0.4322.2 (X64)"})}});
        const velmora_test::mariadb_endpoint mysql = velmora_test::mariadb_server();
        converter.store_mysql_settings(mysql.host, mysql.user, mysql.password, std::to_string(mysql.port));
        converter.connect_mysql_server();
        converter.set_source_name(widen(database.name()));
        converter.set_destination_name(L"shop_dest");
        converter.secure_login = false;
        converter.mssql_host = L"srv";
        converter.mssql_user = L"sa";
        converter.mssql_pass = L"secret";
        converter.table_names = {L"customer"};
        converter.set_silent(true);
        // The server describes the tables the run creates.
        server->define_table(L"[dbo].[customer]", {customer_columns(), {}});
    }

    static std::vector<oledb::db_column> customer_columns()
    {
        return {fake::int_column(L"id"), fake::wide_text_column(L"name", 60, false),
                fake::wide_text_column(L"city", 40), fake::int_column(L"code", true)};
    }

    void existing_database(bool with_customer)
    {
        server->answer(L"SELECT name from master.sys.databases ORDER BY name",
                       {{fake::wide_text_column(L"name", 128)}, {text_row({L"master"}), text_row({L"shop_dest"})}});
        server->answer(L"SELECT HAS_DBACCESS(N'shop_dest')", {{fake::int_column(L"a")}, {text_row({L"1"})}});
        if (with_customer) {
            server->add_schema_rows(oledb::schema_kind::tables, {fake::table_row(L"dbo", L"customer", L"TABLE")});
            server->add_schema_rows(oledb::schema_kind::primary_keys,
                                    {fake::primary_key_row(L"dbo", L"customer", L"id", 1, L"PK_customer")});
        }
    }

    // The purchase table as the server describes it once the run created it.
    void define_purchase_table()
    {
        server->define_table(L"[dbo].[purchase]", {{fake::int_column(L"id"), fake::int_column(L"customer_id"),
                                                    fake::typed_column(L"amount", DBTYPE_NUMERIC, 19, false, 10, 2),
                                                    fake::wide_text_column(L"note", 20)},
                                                   {}});
    }

    std::vector<std::wstring> run(std::uint32_t mode)
    {
        converter.mode = mode;
        converter.connect_mssql_server();
        converter.check_dest();
        converter();
        return server->statement_texts();
    }

    // Statements run in the source database, each naming its objects with
    // `db` in front.
    void run_in_source(const std::vector<std::string>& statements)
    {
        for (const std::string& statement : statements)
            ASSERT_EQ(mysql_query(database.connection(), statement.c_str()), 0) << mysql_error(database.connection());
    }
    std::string db() const { return "`" + database.name() + "`."; }

    recording_error_handler errors;
    std::shared_ptr<fake::provider> server = std::make_shared<fake::provider>();
    velmora_test::scratch_database database;
    brantwick_convertor converter{convertor_form::console};
};

// The rows a table received by bulk load, each value as the provider got it.
std::vector<fake::row> bulk_rows(const fake::provider& server, const std::wstring& table)
{
    std::vector<fake::row> rows;
    for (const fake::bulk_load_record& load : server.bulk_loads())
        if (load.table == table)
            rows.insert(rows.end(), load.rows.begin(), load.rows.end());
    return rows;
}

const fake::row bulk_boris =
    text_row({L"2", L"\u0411\u043e\u0440\u0438\u0441", L"\u041c\u043e\u0441\u043a\u0432\u0430", L"20"});

// Texts travel as parameters, shown after the statement.
const std::wstring insert_ann =
    L"INSERT INTO [dbo].[customer]([id], [name], [city], [code]) VALUES( 1, ?, ?, 10) {Ann, K\u00f6ln}";
const std::wstring insert_boris = L"INSERT INTO [dbo].[customer]([id], [name], [city], [code]) VALUES( 2, ?, ?, 20) "
                                  L"{\u0411\u043e\u0440\u0438\u0441, \u041c\u043e\u0441\u043a\u0432\u0430}";

// A table the run creates takes the source's identity values.
const std::wstring identity_on = L"SET IDENTITY_INSERT [dbo].[customer] ON;";

fake::scripted_failure duplicate_key()
{
    return fake::sql_error(2627, L"Violation of PRIMARY KEY constraint 'PK_customer'.", L"23000");
}

TEST_F(direct_run, mode_0_drops_an_existing_database_and_creates_it_anew)
{
    existing_database(false);
    const std::vector<std::wstring> sent = run(0);
    const auto drop = std::find(sent.begin(), sent.end(), L"DROP DATABASE [shop_dest]");
    const auto create = std::find(sent.begin(), sent.end(), L"CREATE DATABASE [shop_dest]");
    ASSERT_NE(drop, sent.end());
    ASSERT_NE(create, sent.end());
    EXPECT_LT(drop, create);
    EXPECT_TRUE(starts_with_any(sent, L"CREATE TABLE [dbo].[customer]"));
    EXPECT_FALSE(starts_with_any(sent, L"INSERT"));
    const std::vector<fake::row> rows = bulk_rows(*server, L"[dbo].[customer]");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1], bulk_boris);
    ASSERT_EQ(server->bulk_loads().size(), 1u);
    EXPECT_TRUE(server->bulk_loads()[0].keep_identity);
    EXPECT_TRUE(server->bulk_loads()[0].done);
    EXPECT_TRUE(errors.reports.empty());
    EXPECT_FALSE(converter.is_aborted());
}

// A run's fixed cost is its logins: one to the server's master database
// (version, database list, whether the login may use an existing destination,
// drop and create), and two into the destination: one that makes the tables
// and carries the bulk load, and one for the catalogue, the questions and the
// statements made while the bulk load holds the first. A connection no
// longer needed serves the next need.
TEST_F(direct_run, a_run_opens_only_the_connections_it_needs)
{
    existing_database(false);
    run(0);
    EXPECT_EQ(server->connections_opened(), 3);
    std::map<int, std::vector<std::wstring>> by_connection;
    for (const fake::statement_record& statement : server->statements())
        by_connection[statement.connection].push_back(statement.text);
    EXPECT_EQ(by_connection[1],
              (std::vector<std::wstring>{L"SELECT @@VERSION", L"SELECT name from master.sys.databases ORDER BY name",
                                         L"SELECT HAS_DBACCESS(N'shop_dest')", L"DROP DATABASE [shop_dest]",
                                         L"CREATE DATABASE [shop_dest]"}));
    ASSERT_EQ(server->bulk_loads().size(), 1u);
    EXPECT_EQ(server->bulk_loads()[0].connection, 3);
}

TEST_F(direct_run, a_run_into_a_new_database_opens_as_many)
{
    run(0);
    EXPECT_EQ(server->connections_opened(), 3);
}

// Nothing at the destination changes before the source is known to hold
// what was asked for.
TEST_F(direct_run, a_wrong_source_or_a_missing_table_drops_nothing)
{
    struct wrong_source_case {
        const wchar_t* source;
        std::vector<std::wstring> tables;
    };
    for (const wrong_source_case& tested : {wrong_source_case{L"velmora_direct_no_such_database", {L"customer"}},
                                            wrong_source_case{nullptr, {L"customer", L"no_such_table"}}}) {
        existing_database(true);
        converter.set_source_name(tested.source != nullptr ? tested.source : widen(database.name()));
        converter.table_names = tested.tables;
        const std::vector<std::wstring> sent = run(0);
        EXPECT_FALSE(starts_with_any(sent, L"DROP")) << tested.tables.back();
        EXPECT_FALSE(starts_with_any(sent, L"CREATE")) << tested.tables.back();
        EXPECT_TRUE(converter.is_aborted());
        EXPECT_FALSE(converter.is_complete());
    }
}

// A destination connection that breaks ends the run at the record it had
// reached; no later table is tried.
TEST_F(direct_run, a_lost_destination_connection_stops_the_run)
{
    existing_database(false);
    define_purchase_table();
    converter.table_names = {L"customer", L"purchase"};
    server->fail_bulk_row(L"[dbo].[customer]", 1, fake::sql_error(0, L"Communication link failure", L"08S01"));
    const std::vector<std::wstring> sent = run(1);
    ASSERT_EQ(errors.reports.size(), 1u);
    EXPECT_EQ(errors.reports[0].context, "customer, record #2");
    EXPECT_NE(errors.reports[0].text.find("The connection to SQL Server was lost"), std::string::npos)
        << errors.reports[0].text;
    EXPECT_TRUE(errors.reports[0].outer);
    EXPECT_EQ(bulk_rows(*server, L"[dbo].[customer]").size(), 1u) << "nothing after the lost row";
    EXPECT_FALSE(starts_with_any(sent, L"CREATE TABLE [dbo].[purchase]"));
    EXPECT_TRUE(converter.is_aborted());
    EXPECT_EQ(converter.get_tally().tables_failed, 1u);
    // The wizard's finish page names the table left with part of its rows.
    EXPECT_EQ(converter.get_unfinished_table(), L"[dbo].[customer]");
    EXPECT_FALSE(converter.is_stopped());
}

// The server refuses one row of a batch: the load writes the others, the
// run reports that record of its table, counts it skipped and not written,
// and the next table arrives whole.
TEST_F(direct_run, a_row_refused_in_its_batch_costs_only_itself)
{
    define_purchase_table();
    converter.table_names = {L"customer", L"purchase"};
    for (const std::size_t refused : {0u, 1u, 2u}) {
        SCOPED_TRACE(refused);
        server = std::make_shared<fake::provider>();
        oledb::install_providers({server, nullptr, nullptr});
        server->answer(L"SELECT @@VERSION",
                       {{fake::wide_text_column(L"", 300)},
                        {text_row({L"Microsoft SQL Server 2019 (RTM-CU22) - 15.0.4322.2 (X64)"})}});
        server->define_table(L"[dbo].[customer]", {customer_columns(), {}});
        define_purchase_table();
        errors.reports.clear();
        converter.selected.clear();
        server->refuse_bulk_row(
            L"[dbo].[customer]", refused,
            fake::sql_error(547, L"The INSERT statement conflicted with the CHECK constraint.", L"23000"));
        run(0);
        ASSERT_EQ(errors.reports.size(), 1u);
        EXPECT_EQ(errors.reports[0].context, "customer, record #" + std::to_string(refused + 1));
        EXPECT_EQ(errors.reports[0].text, "The INSERT statement conflicted with the CHECK constraint.");
        EXPECT_EQ(bulk_rows(*server, L"[dbo].[customer]").size(), 2u);
        EXPECT_EQ(bulk_rows(*server, L"[dbo].[purchase]").size(), 3u);
        const brantwick_convertor::run_tally tally = converter.get_tally();
        EXPECT_EQ(tally.rows_written, 5u);
        EXPECT_EQ(tally.rows_skipped, 1u);
        EXPECT_EQ(tally.tables_failed, 0u);
        EXPECT_FALSE(converter.is_complete());
    }
}

// The connection breaks when the last batch is committed: none of its rows
// is counted written, and the run stops there.
TEST_F(direct_run, rows_of_a_batch_lost_with_the_connection_are_not_counted_written)
{
    define_purchase_table();
    converter.table_names = {L"customer", L"purchase"};
    server->fail_bulk_commit(L"[dbo].[customer]", fake::sql_error(0, L"Communication link failure", L"08S01"));
    const std::vector<std::wstring> sent = run(0);
    const brantwick_convertor::run_tally tally = converter.get_tally();
    EXPECT_EQ(tally.rows_written, 0u);
    EXPECT_EQ(tally.rows_skipped, 3u);
    EXPECT_FALSE(starts_with_any(sent, L"CREATE TABLE [dbo].[purchase]"));
    EXPECT_TRUE(converter.is_aborted());
    ASSERT_FALSE(errors.reports.empty());
    EXPECT_EQ(errors.reports.front().context, "customer, records #1 to #3");
}

TEST_F(direct_run, mode_1_replaces_an_existing_table)
{
    existing_database(true);
    const std::vector<std::wstring> sent = run(1);
    EXPECT_FALSE(starts_with_any(sent, L"DROP DATABASE"));
    EXPECT_FALSE(starts_with_any(sent, L"CREATE DATABASE"));
    const auto drop = std::find_if(sent.begin(), sent.end(), [](const std::wstring& statement) {
        return statement.find(L"DROP TABLE [dbo].[customer]") != std::wstring::npos;
    });
    const auto create = std::find_if(sent.begin(), sent.end(), [](const std::wstring& statement) {
        return statement.starts_with(L"CREATE TABLE [dbo].[customer]");
    });
    ASSERT_NE(drop, sent.end());
    ASSERT_NE(create, sent.end());
    EXPECT_LT(drop, create);
    EXPECT_FALSE(starts_with_any(sent, L"INSERT"));
    EXPECT_EQ(bulk_rows(*server, L"[dbo].[customer]").size(), 3u);
}

TEST_F(direct_run, mode_1_reports_a_refused_row_by_its_number_and_goes_on)
{
    existing_database(false);
    server->fail_bulk_row(L"[dbo].[customer]", 1, duplicate_key());
    run(1);
    ASSERT_EQ(errors.reports.size(), 1u);
    EXPECT_EQ(errors.reports[0].context, "customer, record #2");
    EXPECT_EQ(errors.reports[0].code, 0u);
    EXPECT_FALSE(errors.reports[0].outer);
    const std::vector<fake::row> rows = bulk_rows(*server, L"[dbo].[customer]");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1][0], oledb::db_value(std::wstring(L"3")));
}

// A table the run creates takes its rows by bulk load also in the merging
// modes; one it merges into takes them by statements.
TEST_F(direct_run, merging_modes_bulk_load_only_the_tables_they_create)
{
    existing_database(true);
    define_purchase_table();
    converter.table_names = {L"customer", L"purchase"};
    for (const std::uint32_t mode : {3u, 4u}) {
        converter.selected.clear();  // each run appends its tables to the list
        const std::size_t loads_before = server->bulk_loads().size();
        const std::vector<std::wstring> sent = run(mode);
        EXPECT_NE(std::find(sent.begin(), sent.end(), insert_ann), sent.end()) << mode;
        const std::vector<fake::bulk_load_record> loads = server->bulk_loads();
        ASSERT_EQ(loads.size(), loads_before + 1) << mode;
        EXPECT_EQ(loads.back().table, L"[dbo].[purchase]");
        EXPECT_FALSE(loads.back().rows.empty());
        EXPECT_FALSE(starts_with_any(sent, L"INSERT INTO [dbo].[purchase]")) << mode;
    }
}

TEST_F(direct_run, mode_2_leaves_an_existing_table_alone)
{
    existing_database(true);
    converter.set_silent(false);
    testing::internal::CaptureStdout();
    const std::vector<std::wstring> sent = run(2);
    const std::string output = testing::internal::GetCapturedStdout();
    EXPECT_FALSE(starts_with_any(sent, L"CREATE TABLE"));
    EXPECT_FALSE(starts_with_any(sent, L"INSERT"));
    EXPECT_FALSE(starts_with_any(sent, L"DROP"));
    EXPECT_EQ(output.find("Converting table"), std::string::npos);
    EXPECT_EQ(converter.tables_done, 0u);
    EXPECT_EQ(converter.get_tally().tables_skipped, 1u);
    EXPECT_EQ(converter.get_tally().tables_converted, 0u);
}

TEST_F(direct_run, mode_3_merges_and_skips_rows_whose_key_exists)
{
    existing_database(true);
    server->fail(insert_boris, duplicate_key());
    const std::vector<std::wstring> sent = run(3);
    EXPECT_FALSE(starts_with_any(sent, L"CREATE TABLE"));
    EXPECT_NE(std::find(sent.begin(), sent.end(), insert_ann), sent.end());
    EXPECT_TRUE(starts_with_any(sent, L"INSERT INTO [dbo].[customer]([id], [name], [city], [code]) VALUES( 3,"));
    EXPECT_FALSE(starts_with_any(sent, L"UPDATE"));
    EXPECT_TRUE(errors.reports.empty());
    EXPECT_TRUE(server->bulk_loads().empty());
    // The table it merges into keeps its keys and indexes.
    EXPECT_FALSE(starts_with_any(sent, L"ALTER TABLE"));
    EXPECT_FALSE(starts_with_any(sent, L"CREATE INDEX"));
    EXPECT_FALSE(starts_with_any(sent, L"CREATE UNIQUE INDEX"));
}

// A key of letters beyond the server's code page: the row whose key the
// table holds is skipped, the other arrives with its key as written.
TEST_F(direct_run, mode_3_merges_by_a_non_ascii_text_key)
{
    run_in_source(
        {"CREATE TABLE " + db() + "city (name VARCHAR(40) NOT NULL PRIMARY KEY, people INT NOT NULL)",
         "INSERT INTO " + db() + "city VALUES ('K\u00f6ln', 1), ('\u041c\u043e\u0441\u043a\u0432\u0430', 2)"});
    existing_database(false);
    server->add_schema_rows(oledb::schema_kind::tables, {fake::table_row(L"dbo", L"city", L"TABLE")});
    server->add_schema_rows(oledb::schema_kind::primary_keys,
                            {fake::primary_key_row(L"dbo", L"city", L"name", 1, L"PK_city")});
    server->define_table(L"[dbo].[city]",
                         {{fake::wide_text_column(L"name", 40, false), fake::int_column(L"people")}, {}});
    server->fail(L"INSERT INTO [dbo].[city]([name], [people]) VALUES( ?, 1) {K\u00f6ln}", duplicate_key());
    server->answer(L"SELECT [name] FROM [dbo].[city] WHERE [name]=N'K\u00f6ln'",
                   {{fake::wide_text_column(L"name", 40)}, {text_row({L"K\u00f6ln"})}});
    converter.table_names = {L"city"};
    const std::vector<std::wstring> sent = run(3);
    EXPECT_NE(std::find(sent.begin(), sent.end(),
                        L"INSERT INTO [dbo].[city]([name], [people]) VALUES( ?, 2) "
                        L"{\u041c\u043e\u0441\u043a\u0432\u0430}"),
              sent.end());
    EXPECT_TRUE(errors.reports.empty());
    EXPECT_EQ(converter.get_tally().rows_written, 1u);
    EXPECT_TRUE(converter.is_complete());
}

// A merge writes a row or names it: the destination's key equal to the row's
// only as SQL Server compares text (another source row's, as 'ABC' is to
// 'abc'), a refusal other than a duplicate key, and a failed update.
TEST_F(direct_run, merging_modes_report_every_row_they_do_not_write)
{
    struct merge_case {
        std::uint32_t mode;
        std::function<void(fake::provider&)> script;
        std::string report;
    };
    const std::wstring insert_abc = L"INSERT INTO [dbo].[city]([name], [people]) VALUES( ?, 2) {ABC}";
    const std::vector<merge_case> cases = {
        {3,
         [&](fake::provider& server) {
             server.fail(insert_abc, duplicate_key());
             server.answer(L"SELECT [name] FROM [dbo].[city] WHERE [name]=N'ABC'",
                           {{fake::wide_text_column(L"name", 40)}, {text_row({L"abc"})}});
         },
         "key (name = 'ABC')"},
        {3,
         [&](fake::provider& server) {
             server.fail(insert_abc, fake::sql_error(547,
                                                     L"The INSERT statement conflicted with the CHECK "
                                                     L"constraint \"ck_people\".",
                                                     L"23000"));
         },
         "CHECK constraint"},
        {4,
         [&](fake::provider& server) {
             server.fail(insert_abc, duplicate_key());
             server.answer(L"SELECT [name] FROM [dbo].[city] WHERE [name]=N'ABC'",
                           {{fake::wide_text_column(L"name", 40)}, {text_row({L"ABC"})}});
             server.fail_prefix(
                 L"UPDATE [dbo].[city]",
                 fake::sql_error(547, L"The UPDATE statement conflicted with the CHECK constraint.", L"23000"));
         },
         "The UPDATE statement conflicted"},
    };
    run_in_source({"CREATE TABLE " + db() +
                       "city (name VARCHAR(40) CHARACTER SET utf8mb4 COLLATE utf8mb4_bin NOT NULL PRIMARY KEY, "
                       "people INT NOT NULL)",
                   "INSERT INTO " + db() + "city VALUES ('abc', 1), ('ABC', 2)"});
    converter.table_names = {L"city"};
    for (const merge_case& tested : cases) {
        SCOPED_TRACE(tested.report);
        server = std::make_shared<fake::provider>();
        oledb::install_providers({server, nullptr, nullptr});
        server->answer(L"SELECT @@VERSION",
                       {{fake::wide_text_column(L"", 300)},
                        {text_row({L"Microsoft SQL Server 2019 (RTM-CU22) - 15.0.4322.2 (X64)"})}});
        existing_database(false);
        server->add_schema_rows(oledb::schema_kind::tables, {fake::table_row(L"dbo", L"city", L"TABLE")});
        server->add_schema_rows(oledb::schema_kind::primary_keys,
                                {fake::primary_key_row(L"dbo", L"city", L"name", 1, L"PK_city")});
        server->define_table(L"[dbo].[city]",
                             {{fake::wide_text_column(L"name", 40, false), fake::int_column(L"people")}, {}});
        tested.script(*server);
        errors.reports.clear();
        converter.selected.clear();
        run(tested.mode);
        ASSERT_EQ(errors.reports.size(), 1u);
        EXPECT_EQ(errors.reports[0].context, "city, record #1") << "'ABC' comes first in binary order";
        EXPECT_NE(errors.reports[0].text.find(tested.report), std::string::npos) << errors.reports[0].text;
        const brantwick_convertor::run_tally tally = converter.get_tally();
        EXPECT_EQ(tally.rows_written, 1u);
        EXPECT_EQ(tally.rows_skipped, 1u);
        EXPECT_FALSE(converter.is_complete());
    }
}

TEST_F(direct_run, mode_3_refuses_a_table_of_another_structure)
{
    existing_database(true);
    server->define_table(L"[dbo].[customer]", {{fake::int_column(L"id"), fake::int_column(L"name"),
                                                fake::wide_text_column(L"city", 40), fake::int_column(L"code", true)},
                                               {}});
    const std::vector<std::wstring> sent = run(3);
    ASSERT_EQ(errors.reports.size(), 1u);
    EXPECT_EQ(errors.reports[0].context, "customer");
    EXPECT_EQ(errors.reports[0].text, "The structure of data source does not conform to the destination table.");
    EXPECT_FALSE(starts_with_any(sent, L"INSERT"));
}

TEST_F(direct_run, mode_4_updates_rows_whose_key_exists_from_the_mapped_record)
{
    existing_database(true);
    mss_native_type text;
    text.type = L"nvarchar";
    text.length = 10;
    converter.get_table_mutator2(L"customer", L"customer")->update_field(L"code", L"code", text);
    server->define_table(L"[dbo].[customer]",
                         {{fake::int_column(L"id"), fake::wide_text_column(L"name", 60, false),
                           fake::wide_text_column(L"city", 40), fake::wide_text_column(L"code", 10)},
                          {}});
    server->fail(L"INSERT INTO [dbo].[customer]([id], [name], [city], [code]) VALUES( 2, ?, ?, ?) "
                 L"{\u0411\u043e\u0440\u0438\u0441, \u041c\u043e\u0441\u043a\u0432\u0430, 20}",
                 duplicate_key());
    const std::vector<std::wstring> sent = run(4);
    EXPECT_TRUE(errors.reports.empty());
    EXPECT_NE(std::find(sent.begin(), sent.end(),
                        L"UPDATE [dbo].[customer] SET [name]=?, [city]=?, [code]=? WHERE [id]=2 "
                        L"{\u0411\u043e\u0440\u0438\u0441, \u041c\u043e\u0441\u043a\u0432\u0430, 20}"),
              sent.end());
}

TEST_F(direct_run, foreign_keys_and_views_follow_the_tables)
{
    define_purchase_table();
    converter.table_names = {L"customer", L"purchase"};
    converter.convert_views = true;
    const std::vector<std::wstring> sent = run(0);
    EXPECT_TRUE(errors.reports.empty());
    EXPECT_TRUE(
        starts_with_any(sent, L"ALTER TABLE [dbo].[purchase] ADD CONSTRAINT [fk_purchase_customer] FOREIGN KEY"));
    EXPECT_TRUE(starts_with_any(sent, L"CREATE VIEW [dbo].[big_purchase]"));
}

// A view the server refuses is reported and goes on; the run is then not
// complete, though every table went across.
TEST_F(direct_run, a_view_that_cannot_be_created_leaves_the_run_incomplete)
{
    define_purchase_table();
    server->fail_prefix(L"CREATE VIEW", fake::sql_error(156, L"Incorrect syntax near the keyword 'AS'."));
    converter.table_names = {L"customer", L"purchase"};
    converter.convert_views = true;
    run(0);
    ASSERT_EQ(errors.reports.size(), 1u);
    EXPECT_EQ(errors.reports[0].context, "View 'big_purchase'");
    EXPECT_FALSE(converter.is_aborted());
    EXPECT_FALSE(converter.is_complete());
    const brantwick_convertor::run_tally tally = converter.get_tally();
    EXPECT_EQ(tally.tables_converted, 2u);
    EXPECT_EQ(tally.objects_failed, 1u);
}

// Views go after the views they read, whatever order they are listed in; a
// view the source server itself cannot read is reported and not created.
TEST_F(direct_run, views_follow_the_views_they_read_and_invalid_ones_fail)
{
    run_in_source({"CREATE VIEW " + db() + "a_top AS SELECT id FROM " + db() + "big_purchase",
                   "CREATE TABLE " + db() + "gone (a INT)",
                   "CREATE VIEW " + db() + "lost AS SELECT a FROM " + db() + "gone", "DROP TABLE " + db() + "gone"});
    define_purchase_table();
    converter.table_names = {L"customer", L"purchase"};
    converter.convert_views = true;
    const std::vector<std::wstring> sent = run(0);
    const auto created = [&](const std::wstring& view) {
        return std::find_if(sent.begin(), sent.end(), [&](const std::wstring& statement) {
            return statement.starts_with(L"CREATE VIEW [dbo].[" + view + L"]");
        });
    };
    ASSERT_NE(created(L"a_top"), sent.end());
    EXPECT_LT(created(L"big_purchase"), created(L"a_top"));
    EXPECT_EQ(created(L"lost"), sent.end());
    ASSERT_EQ(errors.reports.size(), 1u);
    EXPECT_EQ(errors.reports[0].context, "View 'lost'");
    EXPECT_TRUE(errors.reports[0].text.starts_with("The source server reports the view invalid: View '" +
                                                   database.name() + ".lost' references invalid table(s)"))
        << errors.reports[0].text;
    EXPECT_EQ(converter.get_tally().objects_failed, 1u);
    EXPECT_FALSE(converter.is_complete());
}

// A primary key and an index the server refuses are failed objects like a
// refused foreign key: the summary counts both, the run is not complete (its
// exit is not 0) and the log names the table, each object and the server's
// message.
TEST_F(direct_run, a_refused_primary_key_and_index_leave_the_run_incomplete)
{
    log_capture log;
    server->fail_prefix(L"ALTER TABLE [dbo].[customer] ADD CONSTRAINT [PRIMARY]",
                        fake::sql_error(8111, L"Cannot define PRIMARY KEY constraint on nullable column."));
    server->fail_prefix(L"CREATE INDEX [ix_customer_code]", fake::sql_error(1919, L"Column 'code' is of a type "
                                                                                  L"that is invalid for use as a key "
                                                                                  L"column in an index."));
    run(0);
    EXPECT_FALSE(converter.is_aborted());
    EXPECT_FALSE(converter.is_complete());
    const brantwick_convertor::run_tally tally = converter.get_tally();
    EXPECT_EQ(tally.tables_converted, 1u);
    EXPECT_EQ(tally.objects_failed, 2u);
    const std::string text = log.text();
    EXPECT_NE(text.find("Table '[dbo].[customer]': primary key 'PRIMARY' could not be created: Cannot define PRIMARY "
                        "KEY constraint on nullable column."),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Table '[dbo].[customer]': index 'ix_customer_code' could not be created: Column 'code' is of "
                        "a type that is invalid for use as a key column in an index."),
              std::string::npos)
        << text;
}

// A type rule that writes the identity column without IDENTITY leaves the
// created table without one: nothing switches IDENTITY_INSERT on for it.
TEST_F(direct_run, an_identity_column_a_type_rule_made_plain_takes_its_rows_without_identity_insert)
{
    mss_native_type big;
    big.type = L"bigint";
    converter.get_table_mutator2(L"customer", L"customer")->update_field(L"id", L"id", big);
    const std::vector<std::wstring> sent = run(0);
    EXPECT_TRUE(std::any_of(sent.begin(), sent.end(), [](const std::wstring& statement) {
        return statement.starts_with(L"CREATE TABLE [dbo].[customer]") &&
               statement.find(L"[id] bigint NOT NULL") != std::wstring::npos;
    }));
    for (const std::wstring& statement : sent)
        EXPECT_EQ(statement.find(L"IDENTITY"), std::wstring::npos) << test_label(statement);
    EXPECT_EQ(bulk_rows(*server, L"[dbo].[customer]").size(), 3u);
    EXPECT_TRUE(errors.reports.empty());
}

// Renamed tables and columns: the key names the columns by their new names.
TEST_F(direct_run, foreign_keys_of_renamed_tables_name_the_renamed_columns)
{
    mss_native_type integer;
    integer.type = L"int";
    converter.get_table_mutator2(L"customer", L"client")->update_field(L"id", L"client_id", integer);
    converter.get_table_mutator2(L"purchase", L"orders")->update_field(L"customer_id", L"buyer", integer);
    server->define_table(L"[dbo].[client]",
                         {{fake::int_column(L"client_id"), fake::wide_text_column(L"name", 60, false),
                           fake::wide_text_column(L"city", 40), fake::int_column(L"code", true)},
                          {}});
    server->define_table(L"[dbo].[orders]", {{fake::int_column(L"id"), fake::int_column(L"buyer"),
                                              fake::typed_column(L"amount", DBTYPE_NUMERIC, 19, false, 10, 2),
                                              fake::wide_text_column(L"note", 20)},
                                             {}});
    converter.table_names = {L"customer", L"purchase"};
    const std::vector<std::wstring> sent = run(0);
    EXPECT_TRUE(errors.reports.empty());
    EXPECT_NE(std::find(sent.begin(), sent.end(),
                        L"ALTER TABLE [dbo].[orders] ADD CONSTRAINT [fk_purchase_customer] FOREIGN KEY ([buyer]) "
                        L"REFERENCES [dbo].[client]([client_id])"),
              sent.end());
}

TEST_F(direct_run, an_aborted_table_still_closes_its_bulk_load)
{
    existing_database(false);
    errors.abort = true;
    server->fail_bulk_row(L"[dbo].[customer]", 1, duplicate_key());
    converter.mode = 0;
    converter.mssql_engine.connect(L"srv", L"sa", L"secret", true);
    converter.check_dest();
    converter();
    EXPECT_TRUE(converter.is_aborted());
    ASSERT_EQ(server->bulk_loads().size(), 1u);
    EXPECT_TRUE(server->bulk_loads()[0].done);
    ASSERT_EQ(errors.reports.size(), 1u);
    EXPECT_EQ(errors.reports[0].context, "customer, record #2");
    EXPECT_EQ(converter.get_unfinished_table(), L"[dbo].[customer]");
}

// A run the user stops before its first table leaves no table unfinished.
TEST_F(direct_run, a_run_stopped_before_a_table_leaves_none_unfinished)
{
    existing_database(false);
    converter.request_stop();
    run(1);
    EXPECT_TRUE(converter.is_stopped());
    EXPECT_TRUE(converter.is_aborted());
    EXPECT_EQ(converter.get_unfinished_table(), L"");
    EXPECT_TRUE(server->bulk_loads().empty());
}

}  // namespace

namespace {

// Edge values on the direct path, by statements and by bulk load: every value
// arrives exactly, and what MS SQL Server cannot hold is reported with its
// table, record, column and value, the rest of the table following.
class direct_edge_run : public direct_run {
protected:
    direct_edge_run() : direct_run("converter/edge_values.sql")
    {
        converter.table_names = {L"texts", L"numbers", L"moments", L"[br]", L"br"};
        server->define_table(L"[dbo].[[br]]]", {{fake::int_column(L"[x]"), fake::int_column(L"x", true)}, {}});
        server->define_table(L"[dbo].[br]", {{fake::int_column(L"id")}, {}});
        server->define_table(L"[dbo].[texts]",
                             {{fake::int_column(L"id"), fake::wide_text_column(L"body", ~std::uint64_t{0}),
                               fake::wide_text_column(L"label", 10, false), fake::int_column(L"we\"ird", true)},
                              {}});
        server->define_table(
            L"[dbo].[numbers]",
            {{fake::int_column(L"id"), fake::typed_column(L"amount", DBTYPE_NUMERIC, 19, true, 38, 10)}, {}});
        server->define_table(
            L"[dbo].[moments]",
            {{fake::int_column(L"id"), fake::typed_column(L"happened", DBTYPE_DBTIMESTAMP, 16),
              fake::typed_column(L"span", DBTYPE_DBTIME2, 12), fake::typed_column(L"day", DBTYPE_DBDATE, 6)},
             {}});
        existing_database(false);
    }

    void expect_reports() const
    {
        const std::vector<std::pair<std::string, std::string>> expected = {
            {"moments, record #2", "Column 'span': MS SQL Server cannot hold the value '838:59:59'"},
            {"moments, record #3", "Column 'span': MS SQL Server cannot hold the value '-01:00:00'"},
            {"moments, record #4", "Column 'day': MS SQL Server cannot hold the value '2020-05-00'"},
        };
        ASSERT_EQ(errors.reports.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(errors.reports[i].context, expected[i].first);
            EXPECT_EQ(errors.reports[i].text, expected[i].second);
        }
        EXPECT_EQ(errors.skipped_records(), 3u);
    }
};

TEST_F(direct_edge_run, statements_carry_every_value)
{
    // A run bulk-loads every table it creates when the driver can: this one cannot.
    server->set_bulk_load(false);
    const std::vector<std::wstring> sent = run(0);
    for (const std::wstring& statement : std::initializer_list<std::wstring>{
             L"INSERT INTO [dbo].[texts]([id], [body], [label], [we\"ird]) VALUES( 1, ?, ?, 1) {abc" +
                 std::wstring(1, L'\0') + L"def, a}",
             L"INSERT INTO [dbo].[numbers]([id], [amount]) VALUES( 3, -1234567890123456789012345678.0123456789)",
             L"INSERT INTO [dbo].[numbers]([id], [amount]) VALUES( 1, 9999999999999999999999999999.9999999999)",
             L"INSERT INTO [dbo].[moments]([id], [happened], [span], [day]) VALUES( 1, '1899-12-30 12:34:56', "
             L"'12:00:00', '2020-05-01')",
             L"INSERT INTO [dbo].[[br]]]([[x]]], [x]) VALUES( 1, 2)",
         })
        EXPECT_NE(std::find(sent.begin(), sent.end(), statement), sent.end()) << statement;
    EXPECT_TRUE(starts_with_any(sent, L"CREATE TABLE [dbo].[texts] (\r\n\t[id] INT NOT NULL,\r\n\t[body] "
                                      L"NVARCHAR(MAX),\r\n\t[label] NVARCHAR(10)  NOT NULL DEFAULT N'\u65e5\u672c'"));
    EXPECT_FALSE(starts_with_any(sent, L"INSERT INTO [dbo].[moments]([id], [happened], [span], [day]) VALUES( 2"));
    // A name that looks bracketed is a name of its own.
    EXPECT_TRUE(starts_with_any(sent, L"CREATE TABLE [dbo].[[br]]] (\r\n\t[[x]]] INT NOT NULL,\r\n\t[x] INT"));
    EXPECT_TRUE(starts_with_any(sent, L"CREATE TABLE [dbo].[br] (\r\n\t[id] INT NOT NULL)"));
    expect_reports();
}

TEST_F(direct_edge_run, bulk_load_carries_every_value)
{
    converter.mode = 0;
    converter.mssql_engine.connect(L"srv", L"sa", L"secret", true);
    converter.check_dest();
    converter();
    std::map<std::wstring, std::vector<fake::row>> rows;
    for (const fake::bulk_load_record& load : server->bulk_loads())
        rows[load.table] = load.rows;
    ASSERT_EQ(rows[L"[dbo].[texts]"].size(), 2u);
    EXPECT_EQ(std::get<std::wstring>(rows[L"[dbo].[texts]"][0][1]), std::wstring(L"abc\0def", 7));
    ASSERT_EQ(rows[L"[dbo].[numbers]"].size(), 4u);
    EXPECT_EQ(std::get<std::wstring>(rows[L"[dbo].[numbers]"][2][1]), L"-1234567890123456789012345678.0123456789");
    EXPECT_EQ(std::get<std::wstring>(rows[L"[dbo].[numbers]"][0][1]), L"9999999999999999999999999999.9999999999");
    ASSERT_EQ(rows[L"[dbo].[moments]"].size(), 1u);
    expect_reports();
}

}  // namespace

namespace {

// Numbers MS SQL Server holds otherwise than they were read go the same way
// by statements and by bulk load: the same value is written, and each is
// reported with its table, record, column and both values.
class direct_changed_values_run : public direct_run {
protected:
    direct_changed_values_run() : direct_run("converter/changed_values.sql")
    {
        converter.table_names = {L"measures"};
        server->define_table(L"[dbo].[measures]",
                             {{fake::int_column(L"id"), fake::typed_column(L"reading", DBTYPE_R8, 8),
                               fake::typed_column(L"total", DBTYPE_R8, 8)},
                              {}});
        existing_database(false);
    }

    void expect_reports(const log_capture& log) const
    {
        const std::string text = log.text();
        for (const char* report : {
                 "measures, record #1: Column 'reading': MS SQL Server cannot hold the value "
                 "'1.7976931348623157e+308'; it was written as '1.79e+308'",
                 "measures, record #2: Column 'reading': MS SQL Server cannot hold the value '5e-324'; it was "
                 "written as '2.23e-308'",
                 "measures, record #2: Column 'total': MS SQL Server cannot hold the value "
                 "'123456789012345678901234567890123456789012.12345'; it was written as '1.2345678901234568e+41'",
                 "measures, record #3: Column 'reading': MS SQL Server cannot hold the value '-2.2e-308'; it was "
                 "written as '-2.23e-308'",
             })
            EXPECT_NE(text.find(report), std::string::npos) << report << "\n" << text;
        EXPECT_EQ(text.find("record #4"), std::string::npos) << text;
        const brantwick_convertor::run_tally tally = converter.get_tally();
        EXPECT_EQ(tally.values_changed, 4u);
        EXPECT_EQ(tally.rows_written, 4u);
        EXPECT_FALSE(converter.is_complete());
        EXPECT_TRUE(errors.reports.empty());
    }
};

TEST_F(direct_changed_values_run, by_statements)
{
    const log_capture log;
    server->set_bulk_load(false);
    const std::vector<std::wstring> sent = run(0);
    for (const wchar_t* statement : {
             L"INSERT INTO [dbo].[measures]([id], [reading], [total]) VALUES( 1, 1.7900000000000000e+308, 1.5)",
             L"INSERT INTO [dbo].[measures]([id], [reading], [total]) VALUES( 2, 2.2300000000000001e-308, "
             L"123456789012345678901234567890123456789012.12345)",
         })
        EXPECT_NE(std::find(sent.begin(), sent.end(), statement), sent.end()) << statement;
    expect_reports(log);
}

TEST_F(direct_changed_values_run, by_bulk_load)
{
    const log_capture log;
    converter.mode = 0;
    converter.mssql_engine.connect(L"srv", L"sa", L"secret", true);
    converter.check_dest();
    converter();
    const std::vector<fake::row> rows = bulk_rows(*server, L"[dbo].[measures]");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(std::get<std::wstring>(rows[0][1]), L"1.79e+308");
    EXPECT_EQ(std::get<std::wstring>(rows[1][2]), L"1.2345678901234568e+41");
    expect_reports(log);
}

}  // namespace

namespace {

// Names that a T-SQL client would read as commands are mended on the direct
// path as in a script, so that both create the same objects; values go by
// bulk load as they are, for no client reads them.
class direct_client_command_run : public direct_run {
protected:
    direct_client_command_run() : direct_run("converter/client_commands.sql")
    {
        converter.table_names = {L"notes", source_odd};
        converter.convert_views = true;
        server->define_table(L"[dbo].[notes]", {{fake::int_column(L"id"), fake::wide_text_column(L"body", ~0ull),
                                                 fake::wide_text_column(L"tag", 40, false)},
                                                {}});
        server->define_table(L"[dbo].[odd_GO_DROP TABLE victim__(x)]",
                             {{fake::int_column(L"id"), fake::wide_text_column(L"col_GO__(y)", 20)}, {}});
        existing_database(false);
    }

    const std::wstring source_odd = L"odd\nGO\nDROP TABLE victim\n$(x)";
};

TEST_F(direct_client_command_run, names_are_mended_as_in_a_script_and_values_arrive_whole)
{
    const std::vector<std::wstring> sent = run(0);
    for (const wchar_t* start : {
             L"CREATE TABLE [dbo].[odd_GO_DROP TABLE victim__(x)] (\r\n\t[id] INT NOT NULL,\r\n\t[col_GO__(y)] "
             L"NVARCHAR(20)",
             L"CREATE INDEX [ix_GO] ON [dbo].[odd_GO_DROP TABLE victim__(x)]([col_GO__(y)])",
             L"ALTER TABLE [dbo].[odd_GO_DROP TABLE victim__(x)] ADD CONSTRAINT [fk_exit] FOREIGN KEY ([id]) "
             L"REFERENCES [dbo].[notes]([id])",
             L"CREATE VIEW [dbo].[seen_GO] AS select [odd_GO_DROP TABLE victim__(x)].[col_GO__(y)] AS [c]",
         })
        EXPECT_TRUE(starts_with_any(sent, start)) << test_label(start);
    const std::vector<fake::row> odd = bulk_rows(*server, L"[dbo].[odd_GO_DROP TABLE victim__(x)]");
    ASSERT_EQ(odd.size(), 1u);
    EXPECT_EQ(std::get<std::wstring>(odd[0][1]), L"v\nquit");
    const std::vector<fake::row> notes = bulk_rows(*server, L"[dbo].[notes]");
    ASSERT_EQ(notes.size(), 13u);
    EXPECT_EQ(std::get<std::wstring>(notes[1][1]), L"x\r\n  go 3\r\ny");
    EXPECT_EQ(std::get<std::wstring>(notes[9][1]), L"costs $(HOME) and $$(x)");
    EXPECT_TRUE(errors.reports.empty());
}

}  // namespace

namespace {

// Keys and tables SQL Server holds to rules the T-SQL peer does not enforce:
// each arrives, or is named, counted and keeps the run from being complete.
// The recording provider also holds every statement it gets to those rules.
class direct_keys_run : public direct_run {
protected:
    direct_keys_run() : direct_run("converter/sql_server_keys.sql")
    {
        std::string wide = "CREATE TABLE " + db() + "wide (c0 INT";
        for (int i = 1; i < 1030; ++i)
            wide += ", c" + std::to_string(i) + " INT";
        run_in_source({wide + ") ENGINE=Aria"});
        converter.table_names = {L"sales", L"ticks", L"undated", L"coded", L"notes",
                                 L"codes", L"uses",  L"base",    L"child", L"wide"};
        converter.only_definitions = true;
    }

    static bool has(const std::vector<std::wstring>& statements, const std::wstring& part)
    {
        return std::any_of(statements.begin(), statements.end(),
                           [&](const std::wstring& statement) { return statement.find(part) != std::wstring::npos; });
    }
};

TEST_F(direct_keys_run, arrive_or_are_named_and_counted)
{
    log_capture log;
    const std::vector<std::wstring> sent = run(0);
    // NOT NULL dates carry their keys; a zero-date default is the base date.
    EXPECT_TRUE(has(sent, L"[day] DATE NOT NULL"));
    EXPECT_TRUE(has(sent, L"PRIMARY KEY NONCLUSTERED([day], [shop])"));
    EXPECT_TRUE(has(sent, L"[at] DATETIME2 NOT NULL"));
    EXPECT_TRUE(has(sent, L"[d] DATE NOT NULL DEFAULT '1899-12-30'"));
    EXPECT_TRUE(has(sent, L"[t] DATETIME2 NOT NULL DEFAULT '1899-12-30 00:00:00'"));
    // Case-sensitive keys and the foreign key between them hold.
    EXPECT_TRUE(has(sent, L"[code] NVARCHAR(10) COLLATE Latin1_General_100_BIN2 NOT NULL"));
    EXPECT_TRUE(has(sent, L"FOREIGN KEY ([code]) REFERENCES [dbo].[codes]([code])"));
    // What SQL Server cannot make is not sent.
    EXPECT_FALSE(has(sent, L"ALTER TABLE [dbo].[coded] ADD"));
    EXPECT_FALSE(has(sent, L"[body_start]"));
    EXPECT_FALSE(has(sent, L"[fk_elsewhere] FOREIGN KEY"));
    EXPECT_FALSE(has(sent, L"CREATE TABLE [dbo].[wide]"));

    const brantwick_convertor::run_tally tally = converter.get_tally();
    EXPECT_EQ(tally.tables_converted, 9u);
    EXPECT_EQ(tally.tables_failed, 1u);
    EXPECT_EQ(tally.objects_failed, 3u);
    EXPECT_FALSE(converter.is_complete());
    const std::string text = log.text();
    for (const char* line :
         {"Table '[dbo].[coded]': primary key 'PRIMARY' could not be created: its columns take up to 1802 bytes, more "
          "than the 900 bytes of an MS SQL Server key",
          "Table '[dbo].[notes]': unique index 'body_start' could not be created: its column 'body' is a text or "
          "binary "
          "column",
          "Table 'child': foreign key 'fk_elsewhere' could not be created: it references table 'base' of another "
          "database, 'velmora_keys_elsewhere'"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    std::vector<std::string> contexts;
    for (const auto& report : errors.reports)
        contexts.push_back(report.context);
    EXPECT_THAT(contexts,
                testing::UnorderedElementsAre("[dbo].[coded]", "[dbo].[notes]", "Foreign key 'fk_elsewhere'", "wide"));
}

// A foreign key to a table the run leaves out is logged with both tables.
TEST_F(direct_keys_run, a_key_to_a_table_left_out_is_logged)
{
    log_capture log;
    converter.table_names = {L"uses"};
    run(0);
    EXPECT_TRUE(converter.is_complete());
    const std::string text = log.text();
    EXPECT_NE(text.find("Foreign key 'fk_code' of table 'uses' is left out: table 'codes' is not one this run creates"),
              std::string::npos)
        << text;
}

}  // namespace
