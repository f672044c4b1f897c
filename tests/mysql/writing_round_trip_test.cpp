// Tables read by the MySQL source classes and written back through the
// writing side must arrive unchanged.
#include <gtest/gtest.h>

#include <algorithm>

#include "mysql/sql_engine.h"
#include "mysql/writing_support.h"

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

}  // namespace
