// Databases, tables, indexes, foreign keys and views made by the writing side
// on the test server, and the statement forms of older servers.
#include "model/index.h"
#include "model/properties.h"
#include "mysql/sql_engine.h"
#include "mysql/sql_exception.h"
#include "mysql/writing_support.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_support_address.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <memory>
#include <unistd.h>

namespace {

using namespace velmora_test;
using strings = std::vector<std::string>;

// The conversion log of one test at a threshold, read back as text.
class test_log {
public:
    explicit test_log(std::uint32_t threshold)
        : m_path(std::filesystem::temp_directory_path() /
                 ("velmora_writing_log_" + std::to_string(::getpid()) + ".log")),
          m_logger(std::make_unique<tk_logger>(m_path.c_str(), 1, threshold, 0))
    {}
    ~test_log() { std::filesystem::remove(m_path); }
    test_log(const test_log&) = delete;
    test_log& operator=(const test_log&) = delete;

    std::string text()
    {
        m_logger.reset();
        std::ifstream in(m_path);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path m_path;
    std::unique_ptr<tk_logger> m_logger;
};

class flat_properties : public udb_properties {
public:
    udb_properties* get_child(const std::wstring&) override { return nullptr; }
    udb_properties* get_child2(const std::wstring&) override { return nullptr; }
};

t_ftd* column(const std::wstring& name, VARTYPE type, std::int32_t size, bool not_null = false,
              const ole_variant& default_value = ole_variant(), std::uint32_t subtype = 0)
{
    return new t_ftd(size, name, type, not_null, false, default_value, subtype);
}

udb_index index(const std::wstring& name, std::vector<std::wstring> fields, bool unique = false, bool primary = false)
{
    udb_index result(name, unique, primary);
    result.fields = std::move(fields);
    return result;
}

std::string current_database(sql_engine& engine)
{
    mysql_query(engine.get_handle(), "SELECT DATABASE()");
    sql_result_ptr result(mysql_store_result(engine.get_handle()));
    MYSQL_ROW row = mysql_fetch_row(result.get());
    return row[0] != nullptr ? row[0] : "";
}

class mysql_writing : public testing::Test {
protected:
    void SetUp() override { connect_engine(m_engine); }

    // Column name to its type and default, as the server shows them.
    std::map<std::string, std::string> columns(const std::string& database, const std::string& table)
    {
        std::map<std::string, std::string> result;
        auto admin = connect_test_server();
        execute(admin.get(), "SET NAMES utf8mb4");
        mysql_query(admin.get(), ("SELECT COLUMN_NAME, COLUMN_TYPE, IFNULL(COLUMN_DEFAULT, '-'), COLUMN_COMMENT, EXTRA "
                                  "FROM information_schema.COLUMNS WHERE TABLE_SCHEMA='" +
                                  database + "' AND TABLE_NAME='" + table + "'")
                                     .c_str());
        sql_result_ptr rows(mysql_store_result(admin.get()));
        while (MYSQL_ROW row = mysql_fetch_row(rows.get()))
            result[row[0]] = std::string(row[1]) + " default " + row[2] +
                             (row[3][0] ? std::string(" comment ") + row[3] : "") +
                             (row[4][0] ? std::string(" ") + row[4] : "");
        return result;
    }

    // Index name to its columns in key order.
    std::map<std::string, std::string> indexes(const std::string& database, const std::string& table)
    {
        std::map<std::string, std::string> result;
        auto admin = connect_test_server();
        mysql_query(admin.get(), ("SELECT INDEX_NAME, GROUP_CONCAT(COLUMN_NAME ORDER BY SEQ_IN_INDEX) FROM "
                                  "information_schema.STATISTICS WHERE TABLE_SCHEMA='" +
                                  database + "' AND TABLE_NAME='" + table + "' GROUP BY INDEX_NAME")
                                     .c_str());
        sql_result_ptr rows(mysql_store_result(admin.get()));
        while (MYSQL_ROW row = mysql_fetch_row(rows.get()))
            result[row[0]] = row[1];
        return result;
    }

    versioned_engine m_engine;
    recording_handler m_handler;
};

TEST_F(mysql_writing, databases_are_created_found_and_dropped_without_changing_the_current_one)
{
    scratch_database current(test_database_name("cur"));
    std::unique_ptr<udb_database> opened(m_engine.open_db(wide(current.name()), 0));
    const std::string name = test_database_name("a_b");
    auto admin = connect_test_server();
    execute(admin.get(), "DROP DATABASE IF EXISTS `" + name + "`");
    m_engine.create_db(wide(name));
    EXPECT_TRUE(m_engine.is_db_exist(wide(name)));
    // Neither _ nor % is a wildcard, and the case counts as the server counts it.
    std::string other = name;
    other[other.find('_')] = 'x';
    EXPECT_FALSE(m_engine.is_db_exist(wide(other)));
    EXPECT_FALSE(m_engine.is_db_exist(L"%"));
    EXPECT_EQ(current_database(m_engine), current.name());
    EXPECT_EQ(query_value(admin.get(), "SELECT DEFAULT_CHARACTER_SET_NAME FROM information_schema.SCHEMATA "
                                       "WHERE SCHEMA_NAME='" +
                                           name + "'"),
              "utf8mb4");
    m_engine.db_delete(wide(name));
    EXPECT_FALSE(m_engine.is_db_exist(wide(name)));
    EXPECT_THROW(m_engine.db_delete(wide(name)), sql_exception);
}

TEST_F(mysql_writing, properties_choose_the_table_type_and_character_set_and_the_packet_limit_is_asked_once)
{
    flat_properties properties;
    m_engine.set_properties(&properties);
    EXPECT_EQ(m_engine.table_type, L"InnoDB");
    EXPECT_EQ(m_engine.get_charset(), L"utf8mb4");
    properties.properties = {{L"engine", L"MyISAM"}, {L"character set", L"latin1"}};
    m_engine.set_properties(&properties);
    EXPECT_EQ(m_engine.table_type, L"MyISAM");
    EXPECT_EQ(m_engine.get_charset(), L"latin1");

    EXPECT_EQ(m_engine.get_max_allowed_packet(), 256u * 1024 * 1024);
    std::size_t sent = m_engine.statements.size();
    EXPECT_EQ(m_engine.get_max_allowed_packet(), 256u * 1024 * 1024);
    EXPECT_EQ(m_engine.statements.size(), sent);
    versioned_engine unconnected;
    EXPECT_EQ(unconnected.get_max_allowed_packet(), 0u);
    EXPECT_TRUE(unconnected.statements.empty());
}

TEST_F(mysql_writing, tables_get_their_types_defaults_comments_and_the_indexes_the_server_can_take)
{
    destination_database destination(m_engine, test_database_name("tab"));
    udb_schema schema(true);
    t_ftd* id = column(L"id", VT_I4, 4, true);
    schema.push_back(id);
    t_ftd* counter = column(L"n", VT_I4, 4);
    counter->identity = true;
    schema.push_back(counter);
    schema.push_back(column(L"a", VT_BSTR, 20, false, ole_variant(std::wstring(L"it's \\ here"))));
    schema.push_back(column(L"wide", VT_BSTR, 800));
    schema.push_back(column(L"longer", VT_BSTR, 16384));
    schema.push_back(column(L"ratio", VT_R8, 8, false, ole_variant(std::wstring(L"2.5"))));
    schema.push_back(column(L"junk", VT_R8, 8, false, ole_variant(std::wstring(L"1.5); DROP TABLE x; --"))));
    schema.push_back(column(L"day", VT_DATE, 10, false, ole_variant(std::wstring(L"2024-01-02")), 2));
    schema.push_back(column(L"stamp", VT_DATE, 19, false, ole_variant(std::wstring(L"NOW()")), 1));
    schema.push_back(column(L"moment", VT_DATE, 26, false, ole_variant(), 1));
    schema.push_back(column(L"place", VT_BSTR, 0, false, ole_variant(), 2));
    schema.back()->description = L"where it's \\ at";
    udb_indexes keys;
    keys.push_back(index(L"PRIMARY", {L"id"}, true, true));
    keys.push_back(index(L"by_a_n", {L"a", L"n"}));
    keys.push_back(index(L"too_long", {L"wide"}));
    keys.push_back(index(L"on_text", {L"longer"}));
    keys.push_back(index(L"u_a", {L"a"}, true));

    std::unique_ptr<udb_recordset> table(destination.database().create_table(L"t", schema, keys));
    ASSERT_NE(table, nullptr);
    auto created = columns(destination.name(), "t");
    EXPECT_EQ(created["n"], "int(11) default - auto_increment");
    EXPECT_EQ(created["a"], "varchar(20) default 'it''s \\\\ here'");
    EXPECT_EQ(created["longer"], "mediumtext default NULL");
    EXPECT_EQ(created["ratio"], "double default 2.5");
    EXPECT_EQ(created["junk"], "double default NULL");
    EXPECT_EQ(created["day"], "date default '2024-01-02'");
    EXPECT_EQ(created["stamp"], "timestamp(6) default current_timestamp(6)");
    EXPECT_EQ(created["moment"], "datetime(6) default NULL");
    EXPECT_EQ(created["place"], "geometry default NULL comment where it's \\ at");
    // The auto-increment column is not first in any index: it gets its own.
    EXPECT_EQ(indexes(destination.name(), "t"),
              (std::map<std::string, std::string>{{"PRIMARY", "id"}, {"by_a_n", "a,n"}, {"u_a", "a"}, {"n", "n"}}));
    EXPECT_EQ(m_handler.failed_objects(), 2u);
    EXPECT_EQ(destination.database().names_map.fields[L"t"].size(), 0u);

    // A table of that name already there: nothing is sent.
    std::size_t sent = m_engine.statements.size();
    std::unique_ptr<udb_recordset> again(destination.database().create_table(L"t", schema, keys));
    EXPECT_EQ(std::count_if(m_engine.statements.begin() + static_cast<long>(sent), m_engine.statements.end(),
                            [](const std::string& s) { return s.rfind("CREATE", 0) == 0; }),
              0);
}

TEST_F(mysql_writing, the_longest_varchar_follows_the_bytes_a_character_takes)
{
    struct {
        const wchar_t* charset;
        std::int32_t longest;
        const char* longest_type;
    } cases[] = {{L"utf8", 16383, "varchar(16383)"},
                 {L"utf8mb3", 21844, "varchar(21844)"},
                 {L"latin1", 21845, "varchar(21845)"}};
    flat_properties properties;
    m_engine.set_properties(&properties);
    for (const auto& c : cases) {
        properties.properties = {{L"character set", c.charset}};
        m_engine.set_properties(&properties);
        destination_database destination(m_engine, test_database_name("vc"));
        for (std::int32_t size : {c.longest, c.longest + 1}) {
            udb_schema schema(true);
            schema.push_back(column(L"v", VT_BSTR, size));
            const std::wstring name = L"t" + std::to_wstring(size);
            std::unique_ptr<udb_recordset>(destination.database().create_table(name, schema, udb_indexes()));
            EXPECT_EQ(columns(destination.name(), std::string(name.begin(), name.end()))["v"],
                      std::string(size == c.longest ? c.longest_type : "mediumtext") + " default NULL")
                << std::string(name.begin(), name.end());
        }
    }
}

TEST_F(mysql_writing, odd_table_names_are_created_emptied_and_dropped)
{
    destination_database destination(m_engine, test_database_name("odd"));
    udb_schema schema(true);
    schema.push_back(column(L"v", VT_I4, 4));
    const std::wstring name = L"we`ird name";
    std::unique_ptr<udb_recordset> table(destination.database().create_table(name, schema, udb_indexes()));
    udb_record row;
    row.push_back(field(L"v", ole_variant(std::int32_t{7})));
    table->append_record(row);
    table->finish();
    auto admin = connect_test_server(destination.name().c_str());
    EXPECT_EQ(query_value(admin.get(), "SELECT COUNT(*) FROM `we``ird name`"), "1");
    destination.database().empty_table(name);
    EXPECT_EQ(query_value(admin.get(), "SELECT COUNT(*) FROM `we``ird name`"), "0");
    EXPECT_TRUE(destination.database().delete_tab(name));
    EXPECT_EQ(query_value(admin.get(), "SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA='" +
                                           destination.name() + "'"),
              "0");
}

TEST_F(mysql_writing, foreign_keys_are_added_with_their_indexes_and_leave_no_table_locked)
{
    destination_database destination(m_engine, test_database_name("fk"));
    sql_database& database = destination.database();
    auto table = [&](const std::wstring& name, std::vector<std::wstring> names) {
        udb_schema schema(true);
        for (const auto& n : names)
            schema.push_back(column(n, VT_I4, 4, n == L"id"));
        udb_indexes keys;
        keys.push_back(index(L"PRIMARY", {L"id"}, true, true));
        std::unique_ptr<udb_recordset>(database.create_table(name, schema, keys));
    };
    table(L"parent", {L"id"});
    table(L"child", {L"id", L"parent_id"});
    table(L"node", {L"id", L"parent_id"});
    udb_relationships keys;
    keys.emplace_back(L"fk_child", L"", L"child", L"parent", std::vector<std::wstring>{L"parent_id"},
                      std::vector<std::wstring>{L"id"}, L"ON DELETE CASCADE");
    keys.emplace_back(L"fk_missing", L"", L"child", L"nowhere", std::vector<std::wstring>{L"parent_id"},
                      std::vector<std::wstring>{L"id"}, L"");
    keys.emplace_back(L"fk_node", L"", L"node", L"node", std::vector<std::wstring>{L"parent_id"},
                      std::vector<std::wstring>{L"id"}, L"");
    test_log log(3);
    database.create_relationships(keys);
    EXPECT_NE(log.text().find("Error while creating FK:\n"), std::string::npos);

    auto admin = connect_test_server();
    EXPECT_EQ(query_value(admin.get(), "SELECT GROUP_CONCAT(CONSTRAINT_NAME, ':', REFERENCED_TABLE_NAME, ':', "
                                       "DELETE_RULE ORDER BY CONSTRAINT_NAME) FROM "
                                       "information_schema.REFERENTIAL_CONSTRAINTS WHERE CONSTRAINT_SCHEMA='" +
                                           destination.name() + "'"),
              "fk_child:parent:CASCADE,fk_node:node:RESTRICT");
    EXPECT_NE(std::find(m_engine.statements.begin(), m_engine.statements.end(), "LOCK TABLES `node` WRITE"),
              m_engine.statements.end());
    EXPECT_EQ(std::count(m_engine.statements.begin(), m_engine.statements.end(), "UNLOCK TABLES"), 2);
    const strings expected = {"Foreign key 'fk_missing': Cannot create foreign key. Contact to " TK_SUPPORT_MAIL_ADDRESS
                              " for the solution."};
    EXPECT_EQ(m_handler.reports, expected);
    EXPECT_EQ(m_handler.failed_objects(), 1u);
    // Other tables are usable afterwards.
    table(L"later", {L"id"});
    EXPECT_NO_THROW(database.query_append("INSERT INTO `later` VALUES (1)"));

    std::size_t sent = m_engine.statements.size();
    destination.reopen(udb_mode_append);
    sent = m_engine.statements.size();
    destination.database().create_relationships(keys);
    EXPECT_EQ(m_engine.statements.size(), sent);
}

TEST_F(mysql_writing, views_written_for_ms_sql_are_rewritten_and_created)
{
    destination_database destination(m_engine, test_database_name("view"));
    auto admin = connect_test_server(destination.name().c_str());
    execute(admin.get(), "CREATE TABLE people (id INT, name VARCHAR(20), d1 DATE, d2 DATE)");
    execute(admin.get(), "INSERT INTO people VALUES (1, 'Ann', '2024-01-01', '2024-01-11'), (2, NULL, NULL, NULL), "
                         "(3, '[x]', NULL, NULL)");
    destination.reopen();
    udb_views views = {
        {L"people view",
         L"SELECT [id], len([name]) AS name_length, isnull([name], 'none') AS shown,\r\n\tdatediff(day, [d1], [d2]) "
         L"AS days, getdate() AS stamp FROM [dbo].[people] WHERE [name] <> '[x]' OR [name] IS NULL"},
        {L"with_view", L"WITH x AS (SELECT 1 AS a) SELECT a FROM x"},
        {L"broken", L"SELECT nothing FROM nowhere"},
        {L"odd\\name", L"select 'C:\\dir' AS path"}};
    test_log log(2);
    destination.database().create_views(views);
    EXPECT_NE(log.text().find("Error while creating view:\nOnly a view made of one SELECT statement can be created\n"),
              std::string::npos);
    EXPECT_EQ(query_value(admin.get(), "SELECT GROUP_CONCAT(id, ':', IFNULL(name_length, '-'), ':', shown, ':', "
                                       "IFNULL(days, '-'), ':', stamp IS NOT NULL ORDER BY id) FROM `people view`"),
              "1:3:Ann:10:1,2:-:none:-:1");
    EXPECT_EQ(query_value(admin.get(), "SELECT path FROM `odd_name`"), "C:\\dir");
    EXPECT_EQ(destination.database().names_map.tables[L"odd\\name"], L"odd_name");
    ASSERT_EQ(m_handler.reports.size(), 2u);
    EXPECT_EQ(m_handler.reports[0].rfind("View 'with_view': ", 0), 0u) << m_handler.reports[0];
    EXPECT_EQ(m_handler.reports[1].rfind("View 'broken': ", 0), 0u) << m_handler.reports[1];
    EXPECT_EQ(m_handler.failed_objects(), 2u);
}

TEST(mysql_writing_old_server, before_4_1_statements_name_columns_bare)
{
    recording_handler handler;
    versioned_engine engine("4.0.27-log");
    connect_engine(engine);
    destination_database destination(engine, test_database_name("old"));
    EXPECT_EQ(engine.statements.front().rfind("CREATE DATABASE " + destination.name() + " character set ", 0), 0u)
        << engine.statements.front();
    udb_schema schema(true);
    schema.push_back(column(L"v", VT_I4, 4));
    schema.push_back(column(L"w", VT_BSTR, 10));
    std::unique_ptr<udb_recordset> table(destination.database().create_table(L"t", schema, udb_indexes()));
    EXPECT_NE(std::find(engine.statements.begin(), engine.statements.end(),
                        "CREATE TABLE `t` (v INT, w VARCHAR(10)) ENGINE=InnoDB"),
              engine.statements.end());
    // Rows go with bare names too.
    udb_record row;
    row.push_back(field(L"v", ole_variant(std::int32_t{1})));
    row.push_back(field(L"w", ole_variant(std::wstring(L"x"))));
    table->append_record(row);
    table->finish();
    EXPECT_EQ(engine.statements.back(), "INSERT IGNORE INTO t(v, w) VALUES(1, 'x')");
    auto admin = connect_test_server(destination.name().c_str());
    EXPECT_EQ(query_value(admin.get(), "SELECT COUNT(*) FROM t"), "1");
}

TEST(mysql_writing_old_server, before_3_23_34_tables_are_myisam_and_before_3_23_44_there_are_no_foreign_keys)
{
    recording_handler handler;
    versioned_engine engine("3.23.30");
    connect_engine(engine);
    destination_database destination(engine, test_database_name("older"));
    udb_schema schema(true);
    schema.push_back(column(L"v", VT_I4, 4));
    // Today's servers no longer know TYPE=.
    EXPECT_THROW(destination.database().create_table(L"t", schema, udb_indexes()), sql_exception);
    EXPECT_EQ(engine.statements.back(), "CREATE TABLE `t` (v INT) TYPE=MyISAM");
    std::size_t sent = engine.statements.size();
    destination.database().create_relationships(udb_relationships());
    EXPECT_EQ(engine.statements.size(), sent);
}

}  // namespace
