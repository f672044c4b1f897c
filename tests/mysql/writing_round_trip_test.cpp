// Tables read by the MySQL source classes and written back through the
// writing side must arrive unchanged.
#include "mysql/sql_engine.h"
#include "mysql/writing_support.h"
#include "toolkit/tk_exception.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

using namespace velmora_test;
using strings = std::vector<std::string>;

class mysql_round_trip : public testing::Test {
protected:
    void SetUp() override { connect_engine(m_engine); }

    std::unique_ptr<sql_database> open_source(const scratch_database& source)
    {
        return std::unique_ptr<sql_database>(static_cast<sql_database*>(m_engine.open_db(wide(source.name()), 1)));
    }

    std::size_t statements_starting(const std::string& head) const
    {
        return static_cast<std::size_t>(std::count_if(m_engine.statements.begin(), m_engine.statements.end(),
                                                      [&](const std::string& s) { return s.rfind(head, 0) == 0; }));
    }

    // The session's sql_mode on the engine's connection.
    void set_sql_mode(const std::string& mode)
    {
        m_engine.execute(m_engine.get_handle(), "SET SESSION sql_mode = '" + mode + "'");
    }

    std::string value_of(const scratch_database& database, const std::string& select)
    {
        auto connection = connect_test_server(database.name().c_str());
        return query_value(connection.get(), select);
    }

    versioned_engine m_engine;
    recording_handler m_handler;
};

TEST_F(mysql_round_trip, one_batched_insert_carries_every_awkward_value_byte_for_byte)
{
    scratch_database source(test_database_name("rts"), "mysql/writing_values.sql");
    destination_database destination(m_engine, test_database_name("rtd"));
    copy_table(*open_source(source), destination.database(), L"awkward");
    EXPECT_EQ(statements_starting("INSERT IGNORE INTO `awkward`"), 1u);
    EXPECT_EQ(differing_columns(source.connection(), source.name(), destination.name(), "awkward"), strings{});
}

TEST_F(mysql_round_trip, one_insert_a_row_once_batching_is_off)
{
    scratch_database source(test_database_name("rts"), "mysql/writing_values.sql");
    destination_database destination(m_engine, test_database_name("rtd"));
    m_engine.fast_insert = false;
    copy_table(*open_source(source), destination.database(), L"awkward");
    EXPECT_EQ(statements_starting("INSERT INTO `awkward`"), 5u);
    EXPECT_EQ(differing_columns(source.connection(), source.name(), destination.name(), "awkward"), strings{});
}

TEST_F(mysql_round_trip, long_values_travel_as_long_data_bound_in_column_order)
{
    scratch_database source(test_database_name("rts"), "mysql/writing_values.sql");
    destination_database destination(m_engine, test_database_name("rtd"));
    // Fields in the reverse order of the columns: parameters follow the columns.
    copy_table(*open_source(source), destination.database(), L"large", true);
    EXPECT_FALSE(m_engine.fast_insert);
    EXPECT_EQ(differing_columns(source.connection(), source.name(), destination.name(), "large"), strings{});
}

TEST_F(mysql_round_trip, every_column_type_the_reader_maps)
{
    scratch_database source(test_database_name("rts"), "mysql/column_types.sql");
    destination_database destination(m_engine, test_database_name("rtd"));
    copy_table(*open_source(source), destination.database(), L"all_types");
    EXPECT_EQ(differing_columns(source.connection(), source.name(), destination.name(), "all_types"), strings{});
}

TEST_F(mysql_round_trip, zero_dates_arrive_as_read_where_the_sql_mode_takes_them)
{
    for (const bool batched : {true, false}) {
        SCOPED_TRACE(batched ? "batched" : "row by row");
        scratch_database source(test_database_name("rts"), "mysql/writing_values.sql");
        destination_database destination(m_engine, test_database_name("rtd"));
        set_sql_mode("");
        m_engine.fast_insert = batched;
        copy_table(*open_source(source), destination.database(), L"zero_dates");
        EXPECT_EQ(differing_columns(source.connection(), source.name(), destination.name(), "zero_dates"), strings{});
    }
}

TEST_F(mysql_round_trip, zero_dates_the_sql_mode_refuses_leave_their_rows_behind_named)
{
    scratch_database source(test_database_name("rts"), "mysql/writing_values.sql");
    destination_database destination(m_engine, test_database_name("rtd"));
    set_sql_mode("STRICT_ALL_TABLES,NO_ZERO_DATE,NO_ZERO_IN_DATE");
    auto source_database = open_source(source);
    std::unique_ptr<udb_recordset> reader(source_database->get_table(L"zero_dates", 2));
    auto rows = read_records(*reader);
    std::unique_ptr<udb_recordset> writer(
        destination.database().create_table(L"zero_dates", reader->schema, reader->indexes));
    reader.reset();
    std::vector<std::string> refused;
    for (auto& row : rows) {
        try {
            writer->append_record(*row);
        } catch (const tk_exception& e) {
            refused.push_back(e.what());
        }
    }
    writer->finish();
    EXPECT_EQ(refused, (strings{"Column 'd': the server's sql_mode refuses the zero date '0000-00-00'",
                                "Column 'd': the server's sql_mode refuses the zero date '2024-00-15'"}));
    EXPECT_EQ(writer->record_count, 1u);
    // An update that would set one is refused the same way.
    for (udb_field* value : *rows[0])
        if (value->name == L"id")
            *value = udb_field(L"id", 4, ole_variant(std::int32_t{3}));
    EXPECT_THROW(writer->update1(*rows[0]), tk_exception);
    EXPECT_EQ(value_of(source, "SELECT d FROM `" + destination.name() + "`.zero_dates WHERE id = 3"), "2024-02-29");
    EXPECT_EQ(value_of(source, "SELECT COUNT(*) FROM `" + destination.name() + "`.zero_dates"), "1");
}

TEST_F(mysql_round_trip, timestamps_keep_their_fractions_and_their_nulls)
{
    scratch_database source(test_database_name("rts"), "mysql/writing_values.sql");
    destination_database destination(m_engine, test_database_name("rtd"));
    // As on servers where a TIMESTAMP column is NOT NULL unless it says NULL.
    m_engine.execute(m_engine.get_handle(), "SET SESSION explicit_defaults_for_timestamp = 0");
    copy_table(*open_source(source), destination.database(), L"fractions");
    EXPECT_EQ(differing_columns(source.connection(), source.name(), destination.name(), "fractions"), strings{});
}

TEST_F(mysql_round_trip, binary_columns_carry_their_primary_and_unique_keys)
{
    scratch_database source(test_database_name("rts"), "mysql/writing_values.sql");
    destination_database destination(m_engine, test_database_name("rtd"));
    copy_table(*open_source(source), destination.database(), L"binary_keys");
    EXPECT_EQ(differing_columns(source.connection(), source.name(), destination.name(), "binary_keys"), strings{});
    EXPECT_EQ(value_of(source, "SELECT GROUP_CONCAT(INDEX_NAME, '/', NON_UNIQUE ORDER BY INDEX_NAME) FROM "
                               "information_schema.STATISTICS WHERE TABLE_SCHEMA = '" +
                                   destination.name() + "' AND TABLE_NAME = 'binary_keys'"),
              "code_key/0,PRIMARY/0");
    // The key finds the row to update.
    std::unique_ptr<udb_recordset> table(destination.database().get_table(L"binary_keys", 2));
    auto rows = read_records(*table);
    ASSERT_EQ(rows.size(), 3u);
    for (udb_field* value : *rows[0])
        if (value->name == L"note")
            *value = udb_field(L"note", 1, ole_variant(std::wstring(L"z")));
    table->update1(*rows[0]);
    EXPECT_EQ(value_of(source, "SELECT GROUP_CONCAT(note ORDER BY id) FROM `" + destination.name() + "`.binary_keys"),
              "z,a,c");
}

TEST_F(mysql_round_trip, updates_set_texts_and_binaries_to_empty_values)
{
    scratch_database source(test_database_name("rts"), "mysql/writing_values.sql");
    destination_database destination(m_engine, test_database_name("rtd"));
    copy_table(*open_source(source), destination.database(), L"emptied");
    execute(source.connection(), "UPDATE emptied SET txt = '', big_text = '', bin = X'', blob_value = X''");
    auto source_database = open_source(source);
    std::unique_ptr<udb_recordset> reader(source_database->get_table(L"emptied", 2));
    auto rows = read_records(*reader);
    reader.reset();
    ASSERT_EQ(rows.size(), 2u);
    std::unique_ptr<udb_recordset> table(destination.database().get_table(L"emptied", 2));
    table->update1(*rows[0]);
    table->update2(*rows[1], L"<id>2</id>");
    EXPECT_EQ(differing_columns(source.connection(), source.name(), destination.name(), "emptied"), strings{});
}

}  // namespace
