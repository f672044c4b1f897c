#include "mysql/sql_database.h"
#include "mysql/sql_engine.h"
#include "mysql/sql_exception.h"
#include "mysql/sql_limited_query.h"
#include "mysql/sql_tmp_recordset.h"
#include "mysql/table_reader.h"
#include "mysql/test_database.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <malloc.h>
#include <memory>
#include <string>

namespace {

using velmora_test::execute;

#if defined(__SANITIZE_ADDRESS__)
// The address sanitizer's own count; freed memory waits in its quarantine.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

// Bytes the heap holds for live allocations.
std::size_t live_heap_bytes()
{
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

class mysql_row_stream : public testing::Test {
protected:
    void SetUp() override { velmora_test::connect_engine(m_engine); }

    // A table of `rows` rows: id 1 to rows and a label of `width` characters.
    void make_table(const std::string& name, unsigned rows, unsigned width = 10)
    {
        execute(m_scratch.connection(),
                "CREATE TABLE " + name + " (id INT NOT NULL PRIMARY KEY, label VARCHAR(200) NOT NULL)");
        if (rows > 0)
            execute(m_scratch.connection(), "INSERT INTO " + name + " SELECT seq, REPEAT('x', " +
                                                std::to_string(width) + ") FROM seq_1_to_" + std::to_string(rows));
    }

    std::unique_ptr<sql_database> open()
    {
        return velmora_test::open_database(m_engine, m_scratch.name(), udb_mode_skip_views);
    }

    static std::unique_ptr<udb_recordset> table(sql_database& database, const std::wstring& name)
    {
        return std::unique_ptr<udb_recordset>(database.get_table(name, 1));
    }

    static std::int32_t id_of(udb_recordset& rows) { return rows.get_item()->at(0)->to_long(); }

    velmora_test::scratch_database m_scratch{velmora_test::test_database_name("vstr")};
    sql_engine m_engine;
};

TEST_F(mysql_row_stream, reads_every_row_once_across_batch_boundaries)
{
    constexpr unsigned batch = sql_batch_size;
    const unsigned counts[] = {0, 1, batch - 1, batch, batch + 1, 2 * batch + 88};
    for (unsigned count : counts)
        make_table("rows_" + std::to_string(count), count);
    auto database = open();
    for (unsigned count : counts) {
        SCOPED_TRACE(count);
        auto rows = table(*database, L"rows_" + std::to_wstring(count));
        rows->wait_for_count();
        EXPECT_EQ(rows->record_count, count);
        std::int32_t expected = 1;
        for (rows->reset(); !rows->is_eof(); rows->next()) {
            ASSERT_NE(rows->get_item(), nullptr);
            ASSERT_EQ(id_of(*rows), expected);
            ++expected;
        }
        EXPECT_EQ(expected - 1, static_cast<std::int32_t>(count));
        EXPECT_EQ(rows->get_item(), nullptr);
    }
}

// The records of one batch take the rows of the next in place: a field that
// held text, a date or bytes may hold NULL next, and the other way round, and
// a record its reader changed is rebuilt whole.
TEST_F(mysql_row_stream, every_row_is_read_whole_whatever_the_row_before_held)
{
    execute(m_scratch.connection(),
            "CREATE TABLE mixed (id INT NOT NULL PRIMARY KEY, note VARCHAR(20) NULL, stamp DATETIME NULL, "
            "digest VARBINARY(4) NULL)");
    execute(m_scratch.connection(), "INSERT INTO mixed SELECT seq, IF(seq % 3 = 0, NULL, CONCAT('n\xC3\xA9', seq)), "
                                    "IF(seq % 2 = 0, NULL, TIMESTAMP('2020-01-01') + INTERVAL seq MINUTE), "
                                    "IF(seq % 5 = 0, NULL, UNHEX(LPAD(HEX(seq), 8, '0'))) FROM seq_1_to_800");
    auto database = open();
    auto rows = table(*database, L"mixed");
    std::int32_t id = 0;
    for (rows->reset(); !rows->is_eof(); rows->next()) {
        udb_record& record = *rows->get_item();
        ASSERT_EQ(record.size(), 4u);
        ASSERT_EQ(record[0]->get_type(), VT_I4);
        ASSERT_EQ(record[0]->to_long(), ++id);
        EXPECT_EQ(record[1]->name, L"note");
        if (id % 3 == 0)
            EXPECT_EQ(record[1]->get_type(), VT_EMPTY) << id;
        else
            EXPECT_EQ(record[1]->to_wstring(), L"n\u00e9" + std::to_wstring(id));
        EXPECT_EQ(record[2]->get_type(), id % 2 == 0 ? VT_EMPTY : VT_DATE) << id;
        if (id % 5 == 0) {
            EXPECT_EQ(record[3]->get_type(), VT_EMPTY) << id;
        } else {
            ASSERT_EQ(record[3]->get_type(), ole_vt_bytes) << id;
            EXPECT_EQ(record[3]->get_size(), 4u);
            char hex[9];
            ASSERT_EQ(record[3]->get_at(hex, 0, 4), 4u);
            char expected[9];
            std::snprintf(expected, sizeof expected, "%08X", static_cast<unsigned>(id));
            EXPECT_STREQ(hex, expected);
        }
        // What a reader does to a record does not reach the next rows.
        record[1]->name = L"renamed";
        record[0]->change_type(VT_BSTR);
        record[2]->change_type(VT_BSTR);
        if (id % 7 == 0) {
            delete record.back();
            record.pop_back();
        }
    }
    EXPECT_EQ(id, 800);
}

// The next batch is read ahead while one is worked through: starting again
// or letting the rows go in the middle drops what was read ahead.
TEST_F(mysql_row_stream, starts_again_or_ends_in_the_middle_of_a_table)
{
    make_table("numbers", 1000);
    auto database = open();
    auto rows = table(*database, L"numbers");
    rows->reset();
    for (int i = 0; i < 300; ++i)
        rows->next();
    EXPECT_EQ(id_of(*rows), 301);
    rows->reset();
    std::int32_t expected = 1;
    for (; !rows->is_eof(); rows->next())
        ASSERT_EQ(id_of(*rows), expected++);
    EXPECT_EQ(expected, 1001);
    rows->reset();
    rows->next();
    rows.reset();
    EXPECT_TRUE(database->test_query(L"SELECT 1"));
}

TEST_F(mysql_row_stream, a_later_reset_counts_the_rows_again)
{
    make_table("numbers", 10);
    auto database = open();
    auto rows = table(*database, L"numbers");
    rows->reset();
    rows->wait_for_count();
    EXPECT_EQ(rows->record_count, 10u);
    execute(m_scratch.connection(), "INSERT INTO numbers VALUES (11, 'late')");
    rows->reset();
    rows->wait_for_count();
    EXPECT_EQ(rows->record_count, 11u);
}

// A run counts a table's rows on a second connection while they stream; a
// count nobody waited for leaves that connection ready for the next table.
TEST_F(mysql_row_stream, counts_beside_the_rows_on_a_second_connection)
{
    make_table("numbers", 3000);
    make_table("few", 3);
    m_engine.set_row_count(sql_engine::row_count::beside_rows);
    auto database = open();
    {
        auto dropped = table(*database, L"numbers");
    }
    auto rows = table(*database, L"numbers");
    std::int32_t expected = 1;
    for (rows->reset(); !rows->is_eof(); rows->next()) {
        if (expected == 1) {
            EXPECT_EQ(rows->record_count, 0u);  // known only once looked for
        }
        ASSERT_EQ(id_of(*rows), expected++);
    }
    EXPECT_TRUE(rows->is_count_known());
    EXPECT_EQ(rows->record_count, 3000u);
    auto few = table(*database, L"few");
    few->wait_for_count();
    EXPECT_EQ(few->record_count, 3u);
    EXPECT_EQ(velmora_test::read_rows(*few).size(), 3u);
    m_engine.set_row_count(sql_engine::row_count::before_rows);
}

// A run that shows no count before the rows end counts them by reading them:
// the count is unknown until the last row, then it is the rows read.
TEST_F(mysql_row_stream, counts_by_the_rows_read_when_asked_to)
{
    make_table("numbers", 3000);
    make_table("none", 0);
    m_engine.set_row_count(sql_engine::row_count::by_rows);
    auto database = open();
    {
        auto empty = table(*database, L"none");
        EXPECT_TRUE(empty->is_count_known());
        EXPECT_EQ(empty->record_count, 0u);
    }
    auto rows = table(*database, L"numbers");
    for (int round = 0; round < 2; ++round) {
        std::uint64_t read = 0;
        for (rows->reset(); !rows->is_eof(); rows->next(), ++read)
            ASSERT_FALSE(rows->is_count_known()) << read;
        EXPECT_TRUE(rows->is_count_known());
        EXPECT_EQ(rows->record_count, 3000u);
    }
    m_engine.set_row_count(sql_engine::row_count::before_rows);
}

TEST_F(mysql_row_stream, steps_back_only_inside_a_batch)
{
    constexpr int batch = sql_batch_size;
    make_table("numbers", batch + 44);
    auto database = open();
    auto rows = table(*database, L"numbers");
    EXPECT_EQ(id_of(*rows), 1);  // the first batch is read when the table is opened
    EXPECT_THROW(rows->next(), tk_mail_assertion);
    rows->reset();
    rows->next();
    rows->prev();
    EXPECT_EQ(id_of(*rows), 1);
    for (int i = 0; i < batch; ++i)
        rows->next();
    EXPECT_EQ(id_of(*rows), batch + 1);
    rows->prev();
    EXPECT_EQ(id_of(*rows), batch + 1);
    rows->next();
    EXPECT_EQ(id_of(*rows), batch + 2);
    // A query's rows cannot take rows; a table's can (the writing side).
    std::unique_ptr<udb_recordset> query(database->get_query(L"q", L"SELECT id FROM numbers", 1));
    EXPECT_THROW(query->append_record(*rows->get_item()), tk_mail_assertion);
}

TEST_F(mysql_row_stream, small_results_are_cached_a_thousand_at_a_time)
{
    auto database = open();
    for (int count : {0, 1000, 2500}) {
        SCOPED_TRACE(count);
        std::unique_ptr<sql_tmp_recordset> result(
            database->query(L"SELECT seq FROM seq_0_to_2500 WHERE seq < " + std::to_wstring(count)));
        ASSERT_NE(result, nullptr);
        int expected = 0;
        for (result->reset(); !result->is_eof(); result->next())
            ASSERT_EQ(result->get_item()->at(0)->to_long(), expected++);
        EXPECT_EQ(expected, count);
    }
}

TEST_F(mysql_row_stream, refused_statements_raise_and_leave_the_connection_usable)
{
    make_table("numbers", 3);
    auto database = open();
    try {
        sql_tmp_recordset broken(m_engine.get_handle(), "SELEC 1");
        FAIL() << "a refused statement gave a result";
    } catch (const sql_exception& e) {
        EXPECT_EQ(e.get_error_number(), 0x400000u | 1064u);  // ER_PARSE_ERROR
    }
    EXPECT_THROW(std::unique_ptr<udb_recordset>(database->get_query(L"q", L"SELECT nothing FROM numbers", 1)),
                 sql_exception);
    EXPECT_TRUE(database->test_query(L"SELECT 1"));
    auto rows = table(*database, L"numbers");
    EXPECT_EQ(velmora_test::read_rows(*rows).size(), 3u);
}

TEST_F(mysql_row_stream, a_table_whose_columns_changed_since_it_was_opened_raises)
{
    make_table("numbers", 3);
    auto database = open();
    auto rows = table(*database, L"numbers");
    execute(m_scratch.connection(), "ALTER TABLE numbers ADD COLUMN extra INT");
    try {
        rows->reset();
        FAIL() << "read a changed table";
    } catch (const tk_exception& e) {
        EXPECT_NE(std::string(e.what()).find("'numbers'"), std::string::npos) << e.what();
    }
}

// Rows are fetched ahead as plain bytes, a batch ending at a byte budget or
// at a large row, which is converted where the client library holds it
// before the next row is fetched: every size arrives whole and in order.
TEST_F(mysql_row_stream, rows_of_any_size_arrive_whole_and_in_order)
{
    execute(m_scratch.connection(), "CREATE TABLE sized (id INT NOT NULL PRIMARY KEY, body LONGTEXT NULL)");
    // Mostly small rows; every 7th of 40 KB (a batch fills by bytes), every
    // 50th of 300 KB (held in place), some of them one after another.
    execute(m_scratch.connection(),
            "INSERT INTO sized SELECT seq, CASE WHEN seq % 50 = 0 OR seq BETWEEN 401 AND 403 THEN "
            "REPEAT(CHAR(65 + seq % 26), 300000) WHEN seq % 7 = 0 THEN REPEAT(CHAR(97 + seq % 26), 40000) "
            "WHEN seq % 11 = 0 THEN NULL ELSE CONCAT('row ', seq) END FROM seq_1_to_1200");
    auto database = open();
    auto rows = table(*database, L"sized");
    std::int32_t id = 0;
    for (rows->reset(); !rows->is_eof(); rows->next()) {
        udb_record& record = *rows->get_item();
        ASSERT_EQ(record[0]->to_long(), ++id);
        const bool large = id % 50 == 0 || (id >= 401 && id <= 403);
        if (large || id % 7 == 0) {
            const wchar_t letter = static_cast<wchar_t>(large ? L'A' + id % 26 : L'a' + id % 26);
            EXPECT_EQ(record[1]->to_wstring(), std::wstring(large ? 300000 : 40000, letter)) << id;
        } else if (id % 11 == 0) {
            EXPECT_EQ(record[1]->get_type(), VT_EMPTY) << id;
        } else {
            EXPECT_EQ(record[1]->to_wstring(), L"row " + std::to_wstring(id));
        }
    }
    EXPECT_EQ(id, 1200);
}

TEST_F(mysql_row_stream, holds_a_few_batches_of_a_large_table_at_most)
{
    const unsigned count = 300000;
    make_table("big", count, 100);
    auto database = open();
    auto rows = table(*database, L"big");
    std::size_t early = 0, late = 0;
    unsigned read = 0;
    // Early is past the batches read ahead, which fill as the first rows go.
    const unsigned warmed_up = 8 * sql_batch_size;
    for (rows->reset(); !rows->is_eof(); rows->next()) {
        if (++read == warmed_up)
            early = live_heap_bytes();
        if (read == count - 1000)
            late = live_heap_bytes();
    }
    EXPECT_EQ(read, count);
    // The table is over 30 MB; streaming keeps well under one.
    EXPECT_LT(late, early + 1024 * 1024) << "early " << early << ", late " << late;
}

TEST_F(mysql_row_stream, a_connection_killed_mid_stream_raises_instead_of_ending_early)
{
    const unsigned count = 300000;
    make_table("big", count, 100);
    auto database = open();
    auto rows = table(*database, L"big");
    rows->reset();
    for (int i = 0; i < 1000; ++i)
        rows->next();
    auto admin = velmora_test::connect_test_server();
    execute(admin.get(), "KILL " + std::to_string(mysql_thread_id(m_engine.get_handle())));
    unsigned read = 1000;
    EXPECT_THROW(
        {
            for (; !rows->is_eof(); rows->next())
                ++read;
        },
        sql_exception);
    EXPECT_LT(read, count);
}

}  // namespace
