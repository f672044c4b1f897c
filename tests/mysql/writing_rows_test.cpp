// Rows appended, updated and deleted through the writing side hit exactly
// the rows meant, and failures reach the caller.
#include "mysql/sql_engine.h"
#include "mysql/sql_exception.h"
#include "mysql/sql_table.h"
#include "mysql/writing_support.h"

#include <gtest/gtest.h>

namespace {

using namespace velmora_test;

std::unique_ptr<udb_record> row(std::vector<std::pair<std::wstring, ole_variant>> values)
{
    auto record = std::make_unique<udb_record>();
    for (auto& [name, value] : values)
        record->push_back(field(name, value, 10));
    return record;
}

ole_variant number(std::int32_t value)
{
    return ole_variant(value);
}
ole_variant text(const std::wstring& value)
{
    return ole_variant(value);
}

class mysql_rows : public testing::Test {
protected:
    void SetUp() override
    {
        connect_engine(m_engine);
        m_destination = std::make_unique<destination_database>(m_engine, test_database_name("rows"));
        m_admin = connect_test_server(m_destination->name().c_str());
        execute(m_admin.get(), "SET NAMES utf8mb4");
        execute(m_admin.get(), "CREATE TABLE people (id INT PRIMARY KEY, name VARCHAR(20), note VARCHAR(20))");
        execute(m_admin.get(), "INSERT INTO people VALUES (1, 'a', 'n1'), (2, 'b', NULL), (3, 'c''d\\\\', 'n3')");
        execute(m_admin.get(), "CREATE TABLE pairs (a INT, b INT, v INT, PRIMARY KEY (a, b))");
        execute(m_admin.get(), "INSERT INTO pairs VALUES (1, 1, 0), (1, 2, 0), (2, 1, 0)");
        execute(m_admin.get(), "CREATE TABLE loose (v INT, w VARCHAR(5))");
        m_destination->reopen();
    }

    std::unique_ptr<udb_recordset> table(const std::wstring& name)
    {
        return std::unique_ptr<udb_recordset>(m_destination->database().get_table(name, 2));
    }

    std::string rows_of(const std::string& select) { return query_value(m_admin.get(), select); }
    std::string people()
    {
        return rows_of("SELECT GROUP_CONCAT(id, '=', name, '/', IFNULL(note, '-') ORDER BY id) FROM people");
    }

    versioned_engine m_engine;
    recording_handler m_handler;
    std::unique_ptr<destination_database> m_destination;
    mysql_connection m_admin;
};

TEST_F(mysql_rows, update_by_the_rows_key_changes_that_row_only)
{
    auto people_table = table(L"people");
    people_table->update1(*row({{L"ID", number(2)}, {L"name", text(L"x'y\\")}, {L"note", ole_variant()}}));
    EXPECT_EQ(people(), "1=a/n1,2=x'y\\/-,3=c'd\\/n3");
}

TEST_F(mysql_rows, update_by_key_refuses_a_row_without_every_key_column_or_a_table_without_key)
{
    auto pairs = table(L"pairs");
    EXPECT_THROW(pairs->update1(*row({{L"a", number(1)}, {L"v", number(9)}})), tk_exception);
    EXPECT_EQ(rows_of("SELECT SUM(v) FROM pairs"), "0");
    pairs->update1(*row({{L"a", number(1)}, {L"B", number(2)}, {L"v", number(9)}}));
    EXPECT_EQ(rows_of("SELECT GROUP_CONCAT(a, b, '=', v ORDER BY a, b) FROM pairs"), "11=0,12=9,21=0");
    EXPECT_THROW(table(L"loose")->update1(*row({{L"v", number(1)}})), tk_exception);
}

TEST_F(mysql_rows, update_and_delete_by_key_text_mask_the_values)
{
    auto people_table = table(L"people");
    people_table->update2(*row({{L"note", text(L"by key")}}), L"<id>1</id>");
    people_table->update2(*row({{L"note", text(L"by text")}}), L"<name>c'd\\</name>");
    EXPECT_EQ(people(), "1=a/by key,2=b/-,3=c'd\\/by text");
    // A value that is no number is compared as text, never written bare.
    EXPECT_THROW(people_table->update2(*row({{L"note", text(L"x")}}), L"<id>1 OR 1=1</id>"), tk_exception);
    EXPECT_EQ(people(), "1=a/by key,2=b/-,3=c'd\\/by text");
    EXPECT_THROW(people_table->update2(*row({{L"note", text(L"x")}}), L""), tk_exception);
    EXPECT_THROW(people_table->update2(*row({{L"note", text(L"x")}}), L"<nothing>1</nothing>"), sql_exception);

    people_table->delete_key(L"<name>c'd\\</name>");
    people_table->delete_key(L"<id>1</id>");
    EXPECT_EQ(people(), "2=b/-");
    EXPECT_THROW(people_table->delete_key(L""), sql_exception);
}

TEST_F(mysql_rows, delete_by_row_matches_missing_values_as_null)
{
    auto people_table = table(L"people");
    people_table->delete_key(*row({{L"id", number(2)}, {L"name", text(L"b")}, {L"note", ole_variant()}}));
    EXPECT_EQ(people(), "1=a/n1,3=c'd\\/n3");
}

TEST_F(mysql_rows, a_refused_batch_is_reported_and_emptied_and_later_rows_go_on)
{
    auto people_table = table(L"people");
    people_table->append_record(*row({{L"id", number(4)}, {L"name", text(L"new")}, {L"note", ole_variant()}}));
    people_table->append_record(*row({{L"id", number(1)}, {L"name", text(L"again")}, {L"note", ole_variant()}}));
    // Another column list starts a statement of its own: the batch runs.
    try {
        people_table->append_record(*row({{L"id", number(5)}, {L"name", text(L"five")}}));
        FAIL() << "the refused row went unsaid";
    } catch (const tk_exception& e) {
        EXPECT_STREQ(e.what(), "Table 'people': 1 of 2 rows were not written; it reports: Duplicate entry '1' for "
                               "key 'PRIMARY'");
    }
    EXPECT_TRUE(static_cast<sql_table&>(*people_table).pending_statement.empty());
    people_table->append_record(*row({{L"id", number(6)}, {L"name", text(L"six")}}));
    people_table->finish();
    EXPECT_EQ(rows_of("SELECT GROUP_CONCAT(id ORDER BY id) FROM people"), "1,2,3,4,6");
}

TEST_F(mysql_rows, missing_values_take_null_or_the_columns_default_and_texts_are_no_numbers)
{
    execute(m_admin.get(), "CREATE TABLE strict_values (id INT PRIMARY KEY, n INT NOT NULL DEFAULT 5, "
                           "t VARCHAR(5) NOT NULL DEFAULT 'dflt', m INT)");
    m_destination->reopen();
    auto values = table(L"strict_values");
    values->append_record(
        *row({{L"id", number(1)}, {L"n", ole_variant()}, {L"t", ole_variant()}, {L"m", ole_variant()}}));
    values->append_record(*row({{L"id", number(2)}, {L"n", text(L"7")}, {L"t", text(L"")}, {L"m", text(L"8")}}));
    values->finish();
    EXPECT_EQ(rows_of("SELECT GROUP_CONCAT(id, ':', n, ':', t, ':', IFNULL(m, '-') ORDER BY id) FROM strict_values"),
              "1:5:dflt:-,2:7::8");
    // A text that is no number goes quoted: the server changes it, and says so.
    values = table(L"strict_values");
    values->append_record(*row({{L"id", number(3)}, {L"n", text(L"1; DROP TABLE people")}}));
    try {
        values->append_record(*row({{L"id", number(4)}}));
        FAIL() << "a changed value went unsaid";
    } catch (const tk_exception& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Table 'strict_values': the server changed values", 0), 0u) << e.what();
    }
    EXPECT_EQ(rows_of("SELECT COUNT(*) FROM people"), "3");
}

TEST_F(mysql_rows, a_long_row_beyond_the_servers_packet_is_refused_before_it_is_sent)
{
    execute(m_admin.get(), "CREATE TABLE big (id INT PRIMARY KEY, b LONGBLOB)");
    m_destination->reopen();
    auto big = table(L"big");
    m_engine.max_packet_size = 1500000;
    std::vector<BYTE> bytes(2 * 1024 * 1024, 0x5C);
    try {
        big->append_record(*row({{L"id", number(1)}, {L"b", ole_variant(bytes)}}));
        FAIL() << "a row larger than the packet was sent";
    } catch (const tk_exception& e) {
        EXPECT_STREQ(e.what(), "Row size exceeds 'max_allowed_packet'");
    }
    m_engine.max_packet_size = 0;
    big->append_record(*row({{L"id", number(2)}, {L"b", ole_variant(bytes)}}));
    EXPECT_EQ(rows_of("SELECT GROUP_CONCAT(id, ':', LENGTH(b), ':', LEFT(b, 1)) FROM big"), "2:2097152:\\");
}

}  // namespace
