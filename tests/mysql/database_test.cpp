#include "mysql/sql_database.h"
#include "mysql/sql_engine.h"
#include "mysql/sql_exception.h"
#include "mysql/sql_left_behind.h"
#include "mysql/sql_recordset.h"
#include "mysql/test_database.h"
#include "mysql/versioned_engine.h"
#include "support/test_mariadb.h"
#include "toolkit/tk_log.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <unistd.h>

namespace {

using velmora_test::connect_engine;
using velmora_test::scratch_database;
using names = std::vector<std::wstring>;

std::unique_ptr<sql_database> open(sql_engine& engine, const std::string& name, std::uint32_t mode = 1)
{
    return std::unique_ptr<sql_database>(
        static_cast<sql_database*>(engine.open_db(std::wstring(name.begin(), name.end()), mode)));
}

names sorted(names list)
{
    std::sort(list.begin(), list.end());
    return list;
}

class mysql_database : public testing::Test {
protected:
    void SetUp() override { connect_engine(m_engine); }

    scratch_database m_scratch{velmora_test::test_database_name("vdb"), "mysql/structure.sql"};
    std::string m_name = m_scratch.name();
    sql_engine m_engine;
};

// The engine is the process's one: these tests build their own.
class mysql_old_server : public testing::Test {
protected:
    scratch_database m_scratch{velmora_test::test_database_name("vdb"), "mysql/structure.sql"};
    std::string m_name = m_scratch.name();
};

TEST_F(mysql_database, lists_base_tables_and_views_apart)
{
    auto database = open(m_engine, m_name);
    EXPECT_EQ(sorted(database->tables),
              (names{L"customer", L"hidden_cols", L"purchase", L"purchase_note", L"we`ird", L"zero_dates"}));
    ASSERT_EQ(database->views.size(), 1u);
    EXPECT_EQ(database->views[0].first, L"customer_view");
    // The database's own name no longer qualifies the table.
    EXPECT_EQ(database->views[0].second,
              L"select `c`.`id` AS `id`,`c`.`email` AS `email` from `customer` `c` where `c`.`visits` > 0");
    EXPECT_FALSE(m_engine.is_blob_to_text());

    EXPECT_TRUE(open(m_engine, m_name, udb_mode_skip_views)->views.empty());
}

TEST_F(mysql_database, reads_views_of_databases_with_quotes_in_their_names)
{
    for (std::string name : {"vdb_it's", "vdb_we`ird", "vdb_back\\slash"}) {
        scratch_database scratch(name);
        velmora_test::execute(scratch.connection(), "CREATE TABLE t (a INT)");
        velmora_test::execute(scratch.connection(), "CREATE VIEW v AS SELECT a FROM t");
        auto database = open(m_engine, name);
        ASSERT_EQ(database->views.size(), 1u) << name;
        EXPECT_EQ(database->views[0].second, L"select `t`.`a` AS `a` from `t`") << name;
    }
}

TEST_F(mysql_database, refines_view_texts)
{
    auto database = open(m_engine, m_name, udb_mode_skip_views);
    struct {
        const wchar_t* text;
        const wchar_t* refined;
    } cases[] = {
        {L"select 1 /* one */ from t /* two */", L"select 1  from t /* two */"},
        {L"select 1 */ from t /* two", L"select 1 */ from t "},
        {L"select `VDB_REFINES_VIEW_TEXTS`.`t`.`a` from `vdb_refines_view_texts`.`t`", L"select `t`.`a` from `t`"},
        {L"select `vdb_refines_view_texts2`.`t`.`a`", L"select `vdb_refines_view_texts2`.`t`.`a`"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(database->refine_view_out(c.text), c.refined) << c.text;
}

TEST_F(mysql_database, runs_and_tests_statements)
{
    auto database = open(m_engine, m_name, udb_mode_skip_views);
    EXPECT_EQ(database->query(L"SET NAMES utf8mb4"), nullptr);

    std::unique_ptr<sql_tmp_recordset> result(database->query(L"SELECT id, email FROM customer ORDER BY id"));
    ASSERT_NE(result, nullptr);
    ASSERT_FALSE(result->is_eof());
    EXPECT_EQ(result->get_item()->at(1)->to_wstring(), L"a@example.com");
    result.reset();

    try {
        database->query(L"SELECT * FROM no_such_table");
        FAIL() << "a failing statement gave a result";
    } catch (const sql_exception& e) {
        EXPECT_EQ(e.get_error_number(), 0x400000u | 1146u);  // ER_NO_SUCH_TABLE
    }
    EXPECT_TRUE(database->test_query(L"SELECT * FROM customer"));
    EXPECT_FALSE(database->test_query(L"SELEC 1"));
    EXPECT_TRUE(database->test_query(L"SELECT 1"));
    EXPECT_THROW(database->get_table(L"customer_view", 1), tk_mail_assertion);
}

TEST_F(mysql_old_server, lists_tables_through_the_library_and_takes_bare_names)
{
    auto server = velmora_test::mariadb_server();
    velmora_test::versioned_engine engine("4.0.27-log");
    engine.connect(server.host, server.user, server.password, static_cast<std::int32_t>(server.port));
    auto database = open(engine, m_name);
    // Before 5.0.1 every name the library lists is a table.
    EXPECT_NE(std::find(database->tables.begin(), database->tables.end(), L"customer_view"), database->tables.end());
    std::unique_ptr<udb_recordset> table(database->get_table(L"purchase", 1));
    EXPECT_EQ(table->schema.size(), 3u);
    EXPECT_EQ(database->relationships.size(), 1u);
}

TEST_F(mysql_old_server, before_3_23_44_gives_no_foreign_keys)
{
    auto server = velmora_test::mariadb_server();
    velmora_test::versioned_engine engine("3.23.43");
    engine.connect(server.host, server.user, server.password, static_cast<std::int32_t>(server.port));
    auto database = open(engine, m_name);
    std::unique_ptr<udb_recordset> table(database->get_table(L"purchase", 1));
    EXPECT_EQ(table->indexes.size(), 1u);
    EXPECT_TRUE(database->relationships.empty());
}

TEST(mysql_left_behind, names_each_object_not_carried_across_once)
{
    const scratch_database scratch(velmora_test::test_database_name("vleft"), "mysql/left_behind.sql");
    const auto log_path =
        std::filesystem::temp_directory_path() / ("velmora_left_behind_" + std::to_string(::getpid()) + ".log");
    {
        sql_engine engine;
        connect_engine(engine);
        std::unique_ptr<sql_database> database = open(engine, scratch.name());
        tk_logger logger(log_path.c_str(), 1, 3, 0);
        sql_report_left_behind(*database, {L"kept", L"history"});
    }
    std::ifstream in(log_path);
    const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::filesystem::remove(log_path);
    const char* named[] = {
        "Not carried across: trigger 'kept_check' of table 'kept'",
        "Not carried across: CHECK constraint 'a' of table 'kept'",
        "Not carried across: CHECK constraint 'positive_id' of table 'kept'",
        "Not carried across: generated column expression 'twice' of table 'kept'",
        "Not carried across: system-versioning history 'history' of table 'history'",
        "Not carried across: spatial reference id 'spot (SRID 4326)' of table 'kept'",
        "Not carried across: stored procedure 'refresh_all'",
        "Not carried across: stored function 'answer'",
        "Not carried across: event 'nightly'",
        "Not carried across: sequence 'ticket'",
    };
    for (const char* line : named) {
        const std::size_t first = log.find(line);
        EXPECT_NE(first, std::string::npos) << line << "\n" << log;
        EXPECT_EQ(log.find(line, first + 1), std::string::npos) << line;
    }
    // Only the server's own catalogue is asked; the table "other" is not
    // converted, so its objects are not spoken of.
    EXPECT_EQ(log.find("QUERY="), std::string::npos) << log;
    EXPECT_EQ(log.find("other_check"), std::string::npos) << log;
    EXPECT_EQ(log.find("CHECK constraint 'b'"), std::string::npos) << log;
}

}  // namespace
