// Sequences and views of the destination, each dropped and made anew.
#include "direct_path_fixture.h"

#include <gtest/gtest.h>

namespace {

class sequences_views : public direct_path_fixture {
protected:
    void SetUp() override
    {
        direct_path_fixture::SetUp();
        connect();
        database = open_database();
        mark();
    }

    std::unique_ptr<mss_database> database;
};

TEST_F(sequences_views, sequences_are_dropped_and_made)
{
    log_capture log;
    database->create_sequences(
        {udb_sequence(L"sales.order_no", 100, 1, 1, 999, true), udb_sequence(L"DBO.down", -1, -2, -100, -1, false)});
    EXPECT_EQ(sent(), (std::vector<std::wstring>{
                          L"DROP SEQUENCE IF EXISTS [sales].[order_no]",
                          L"IF NOT EXISTS (SELECT  SCHEMA_NAME FROM    INFORMATION_SCHEMA.SCHEMATA WHERE   "
                          L"SCHEMA_NAME = N'sales' ) BEGIN EXEC sp_executesql N'CREATE SCHEMA [sales]' END",
                          L"CREATE SEQUENCE [sales].[order_no] START WITH 100 INCREMENT BY 1 MINVALUE 1 MAXVALUE 999 "
                          L"CYCLE",
                          L"DROP SEQUENCE IF EXISTS [DBO].[down]",
                          L"CREATE SEQUENCE [DBO].[down] START WITH -1 INCREMENT BY -2 MINVALUE -100 MAXVALUE -1"}));
    EXPECT_NE(log.text().find("Creating sequences (2 items)"), std::string::npos);
}

TEST_F(sequences_views, failing_sequence_is_reported_with_its_own_text)
{
    server->fail(L"DROP SEQUENCE IF EXISTS [dbo].[a]", fake::sql_error(102, L"Incorrect syntax near 'IF'."));
    server->fail_prefix(L"CREATE SEQUENCE [dbo].[a]", fake::sql_error(2714, L"There is already an object named 'a'."));
    log_capture log;
    database->create_sequences({udb_sequence(L"a", 1, 1, 1, 10, false), udb_sequence(L"b", 1, 1, 1, 10, false)});
    EXPECT_NE(log.text().find("Error while creating sequence:\nThere is already an object named 'a'.\n"),
              std::string::npos)
        << log.text();
    ASSERT_EQ(errors.reports.size(), 1u);
    EXPECT_EQ(errors.reports[0].text, "There is already an object named 'a'.");
    EXPECT_FALSE(errors.reports[0].outer);
    EXPECT_EQ(sent().back(), L"CREATE SEQUENCE [dbo].[b] START WITH 1 INCREMENT BY 1 MINVALUE 1 MAXVALUE 10");
}

TEST_F(sequences_views, views_are_dropped_and_made_under_safe_names)
{
    database->create_views({{L"v_orders", L"select `id` from `orders`"}, {L"1st", L"select 1"}});
    const std::vector<std::wstring> statements = sent();
    ASSERT_EQ(statements.size(), 4u);
    EXPECT_EQ(statements[0], L"IF OBJECT_ID(N'[dbo].[v_orders]') IS NOT NULL DROP VIEW [dbo].[v_orders]");
    EXPECT_EQ(statements[1], L"CREATE VIEW [dbo].[v_orders] AS select [id] from [orders]");
    const std::wstring safe_name = database->names_map.get_tn_mapped_name(L"1st");
    EXPECT_NE(safe_name, L"1st");
    EXPECT_EQ(statements[3], L"CREATE VIEW [dbo].[" + safe_name + L"] AS select 1");
}

// MS SQL Server compares names without case: the second view would replace
// the first. A view that reads it follows the name it got, as it follows a
// renamed table.
TEST_F(sequences_views, views_differing_only_by_case_get_names_of_their_own)
{
    database->names_map.add_tn_mapping(L"odd\nGO", L"[dbo].[_odd_GO]");
    database->create_views({{L"Base2", L"select 1 AS `a`"},
                            {L"bASE2", L"select 2 AS `a`"},
                            {L"reader", L"select `bASE2`.`a` AS `a` from `bASE2` join `odd\nGO`"}});
    const std::wstring second = database->names_map.get_tn_mapped_name(L"bASE2", true);
    EXPECT_EQ(second, L"_bASE2");
    EXPECT_EQ(sent(), (std::vector<std::wstring>{
                          L"IF OBJECT_ID(N'[dbo].[Base2]') IS NOT NULL DROP VIEW [dbo].[Base2]",
                          L"CREATE VIEW [dbo].[Base2] AS select 1 AS [a]",
                          L"IF OBJECT_ID(N'[dbo].[_bASE2]') IS NOT NULL DROP VIEW [dbo].[_bASE2]",
                          L"CREATE VIEW [dbo].[_bASE2] AS select 2 AS [a]",
                          L"IF OBJECT_ID(N'[dbo].[reader]') IS NOT NULL DROP VIEW [dbo].[reader]",
                          L"CREATE VIEW [dbo].[reader] AS select [_bASE2].[a] AS [a] from [_bASE2] join "
                          L"[dbo].[_odd_GO]",
                      }));
}

TEST_F(sequences_views, failing_view_is_reported_by_name_and_the_next_follows)
{
    server->fail_prefix(L"CREATE VIEW [dbo].[bad]", fake::sql_error(208, L"Invalid object name 'x'."));
    log_capture log;
    database->create_views({{L"bad", L"select * from x"}, {L"good", L"select 1"}});
    EXPECT_NE(log.text().find("Error while creating view:\nInvalid object name 'x'.\n"), std::string::npos)
        << log.text();
    ASSERT_EQ(errors.reports.size(), 1u);
    EXPECT_EQ(errors.reports[0].context, "View 'bad'");
    EXPECT_EQ(errors.reports[0].text, "Can't create view. Contact to support@quarnel.example for the solution.");
    EXPECT_EQ(errors.reports[0].code, 0u);
    EXPECT_EQ(sent().back(), L"CREATE VIEW [dbo].[good] AS select 1");
}

// A run asked to stop makes no further sequence or view.
TEST_F(sequences_views, stop_between_objects_ends_the_step)
{
    int asked = 0;
    database->stop_requested = [&] { return ++asked > 1; };
    EXPECT_THROW(database->create_views({{L"first", L"select 1"}, {L"second", L"select 2"}}), tk_final_exception);
    EXPECT_EQ(sent().back(), L"CREATE VIEW [dbo].[first] AS select 1");
    asked = 0;
    mark();
    EXPECT_THROW(database->create_sequences(
                     {udb_sequence(L"first", 1, 1, 1, 10, false), udb_sequence(L"second", 1, 1, 1, 10, false)}),
                 tk_final_exception);
    EXPECT_EQ(sent().back(), L"CREATE SEQUENCE [dbo].[first] START WITH 1 INCREMENT BY 1 MINVALUE 1 MAXVALUE 10");
}

}  // namespace
