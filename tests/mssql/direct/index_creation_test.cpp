// Keys and indexes of a destination table: the statement of each kind, the
// skip rules, and the clustered index of Azure SQL.
#include "direct_path_fixture.h"
#include "model/column_descriptor.h"
#include "model/index.h"
#include "mssql/script/script_test_support.h"
#include "mssql/test_label.h"

#include <gtest/gtest.h>

namespace {

using mss_test::make_index;

udb_schema orders_schema()
{
    udb_schema schema(true);
    schema.push_back(new t_ftd(200, L"a", VT_BSTR, false, false, ole_variant()));
    schema.push_back(new t_ftd(4, L"b", VT_I4, false, false, ole_variant()));
    schema.push_back(new t_ftd(451, L"long", VT_BSTR, false, false, ole_variant()));
    schema.push_back(new t_ftd(450, L"edge", VT_BSTR, false, false, ole_variant()));
    schema.push_back(new t_ftd(1, L"flag", VT_BOOL, false, false, ole_variant()));
    schema.push_back(new t_ftd(0, L"blob", VT_BLOB, false, false, ole_variant()));
    return schema;
}

class index_creation : public direct_path_fixture {
protected:
    void SetUp() override
    {
        direct_path_fixture::SetUp();
        connect();
        database = open_database();
        mark();
    }

    std::vector<std::wstring> create(const udb_index& index)
    {
        mark();
        database->create_index(L"orders", schema, index);
        // Without the questions whether a name is taken.
        std::vector<std::wstring> statements;
        for (const std::wstring& statement : sent())
            if (statement.rfind(L"SELECT COUNT(*)", 0) != 0)
                statements.push_back(statement);
        return statements;
    }

    void name_taken(const wchar_t* statement)
    {
        server->answer(statement, {{fake::int_column(L"n")}, {text_row({L"1"})}});
    }

    udb_schema schema = orders_schema();
    std::unique_ptr<mss_database> database;
};

TEST_F(index_creation, statement_by_kind_of_index)
{
    EXPECT_EQ(create(make_index(L"pk1", true, true, {L"a", L"b"})),
              std::vector<std::wstring>{L"ALTER TABLE [dbo].[orders] ADD CONSTRAINT [pk1] PRIMARY KEY "
                                        L"NONCLUSTERED([a], [b])"});
    EXPECT_TRUE(database->has_primary_key);
    EXPECT_EQ(create(make_index(L"", true, true, {L"a"})),
              std::vector<std::wstring>{L"ALTER TABLE [dbo].[orders] ADD PRIMARY KEY NONCLUSTERED([a])"});
    EXPECT_EQ(create(make_index(L"u1", false, false, {L"a", L"b"}, true)),
              std::vector<std::wstring>{L"ALTER TABLE [dbo].[orders] ADD CONSTRAINT [u1] UNIQUE ([a], [b])"});
    EXPECT_EQ(create(make_index(L"ix", true, false, {L"a", L"b"})),
              std::vector<std::wstring>{L"CREATE UNIQUE INDEX [ix] ON [dbo].[orders]([a], [b]) WHERE [a] IS NOT "
                                        L"NULL AND [b] IS NOT NULL"});
    EXPECT_EQ(create(make_index(L"plain", false, false, {L"edge"})),
              std::vector<std::wstring>{L"CREATE INDEX [plain] ON [dbo].[orders]([edge])"});
}

TEST_F(index_creation, names_taken_on_the_server_are_not_reused)
{
    name_taken(L"SELECT COUNT(*) FROM INFORMATION_SCHEMA.TABLE_CONSTRAINTS WHERE CONSTRAINT_NAME=N'pk1'");
    name_taken(L"SELECT COUNT(*) FROM SYS.INDEXES WHERE NAME=N'ix'");
    EXPECT_EQ(create(make_index(L"pk1", true, true, {L"a"})),
              std::vector<std::wstring>{L"ALTER TABLE [dbo].[orders] ADD PRIMARY KEY NONCLUSTERED([a])"});
    EXPECT_EQ(create(make_index(L"pk1", false, false, {L"a"}, true)),
              std::vector<std::wstring>{L"ALTER TABLE [dbo].[orders] ADD UNIQUE ([a])"});
    const std::vector<std::wstring> generated = create(make_index(L"ix", false, false, {L"b"}));
    ASSERT_EQ(generated.size(), 1u);
    EXPECT_EQ(generated[0].rfind(L"CREATE INDEX IDX_", 0), 0u) << test_label(generated[0]);
    EXPECT_NE(generated[0].find(L" ON [dbo].[orders]([b])"), std::wstring::npos);
}

TEST_F(index_creation, unique_index_of_an_old_server_has_no_filter)
{
    engine.version_code = 4;
    EXPECT_EQ(create(make_index(L"ix", true, false, {L"a"})),
              std::vector<std::wstring>{L"CREATE UNIQUE INDEX [ix] ON [dbo].[orders]([a])"});
}

struct skip_case {
    const wchar_t* name;
    std::vector<std::wstring> fields;
    bool unique;
    bool primary;
    const char* logged;  // after "Table '[dbo].[orders]': "
};

void PrintTo(const skip_case& c, std::ostream* os)
{
    *os << test_label(c.name);
}

class index_skip_test : public index_creation, public testing::WithParamInterface<skip_case> {};

// Keys over 900 bytes, boolean keys and long text or binary keys cannot be
// indexed. A plain index left out is logged with its table; a primary or
// unique key left out is a failed object, since the table would take rows
// the source refused.
TEST_P(index_skip_test, index_is_left_out_and_reported)
{
    log_capture log;
    const skip_case& c = GetParam();
    const udb_index index = make_index(c.name, c.unique, c.primary, c.fields);
    EXPECT_TRUE(create(index).empty());
    EXPECT_NE(log.text().find(std::string("Table '[dbo].[orders]': ") + c.logged), std::string::npos) << log.text();
    EXPECT_EQ(errors.failed_objects(), c.unique || c.primary ? 1u : 0u);
    // A long column's key keeps the conversion log's own line as well.
    if (std::string(c.logged).find("text or binary column") != std::string::npos) {
        EXPECT_NE(log.text().find("Cannot build index '" + test_label(c.name) + "'"), std::string::npos) << log.text();
    }
}

INSTANTIATE_TEST_SUITE_P(
    mss, index_skip_test,
    testing::Values(
        skip_case{L"too_long",
                  {L"long"},
                  false,
                  false,
                  "Index 'too_long' has been skipped: its columns take up to 902 bytes, more than the 900 bytes"},
        skip_case{L"with_bool",
                  {L"b", L"flag"},
                  false,
                  false,
                  "Index 'with_bool' has been skipped: its column 'flag' is a BIT column"},
        skip_case{L"blob",
                  {L"blob"},
                  false,
                  false,
                  "Index 'blob' has been skipped: its column 'blob' is a text or binary column"},
        skip_case{L"unknown",
                  {L"nothere"},
                  false,
                  false,
                  "Index 'unknown' has been skipped: its column 'nothere' is not one of the table's columns"},
        skip_case{L"PRIMARY",
                  {L"long"},
                  true,
                  true,
                  "primary key 'PRIMARY' could not be created: its columns take up to 902 bytes"},
        skip_case{L"unique_blob",
                  {L"blob"},
                  true,
                  false,
                  "unique index 'unique_blob' could not be created: its column 'blob' is a text or binary column"}));

TEST_F(index_creation, index_without_fields_is_not_made)
{
    log_capture log;
    EXPECT_TRUE(create(make_index(L"none", false, false, {})).empty());
    EXPECT_NE(log.text().find("Index '[none]': no fields, cannot build index"), std::string::npos);
}

// A key or index the server refuses is a failed object of the run: counted,
// and logged with the table, the object and the server's message. A refused
// primary key leaves the table without one.
TEST_F(index_creation, refused_key_or_index_is_counted_and_logged)
{
    log_capture log;
    server->fail_prefix(L"ALTER TABLE [dbo].[orders] ADD CONSTRAINT [pk1]",
                        fake::sql_error(1779, L"Table 'orders' already has a primary key defined on it."));
    server->fail_prefix(L"CREATE INDEX [ix_b]",
                        fake::sql_error(1913, L"The operation failed: an index named ix_b exists."));
    database->has_primary_key = false;
    create(make_index(L"pk1", true, true, {L"b"}));
    EXPECT_FALSE(database->has_primary_key);
    create(make_index(L"ix_b", false, false, {L"b"}));
    EXPECT_EQ(errors.failed_objects(), 2u);
    EXPECT_NE(log.text().find("Table '[dbo].[orders]': primary key 'pk1' could not be created: Table 'orders' already "
                              "has a primary key defined on it."),
              std::string::npos)
        << log.text();
    EXPECT_NE(log.text().find("Table '[dbo].[orders]': index 'ix_b' could not be created: The operation failed: an "
                              "index named ix_b exists."),
              std::string::npos)
        << log.text();
}

// The clustered index Azure SQL needs is made when the primary key was refused.
TEST_F(index_creation, azure_table_whose_primary_key_was_refused_gets_a_clustered_index)
{
    engine.version_code = 100;
    server->fail_prefix(L"ALTER TABLE [dbo].[orders] ADD CONSTRAINT [pk]", fake::sql_error(1779, L"refused"));
    udb_indexes indexes;
    indexes.push_back(make_index(L"pk", true, true, {L"b"}));
    database->has_primary_key = false;
    mark();
    database->create_indexes(L"orders", schema, indexes);
    EXPECT_EQ(sent().back(), L"CREATE CLUSTERED INDEX [a_clust_idx] ON [dbo].[orders]([a])");
    EXPECT_EQ(errors.failed_objects(), 1u);
}

TEST_F(index_creation, azure_table_without_primary_key_gets_a_clustered_index)
{
    engine.version_code = 100;
    udb_indexes indexes;
    indexes.push_back(make_index(L"ix", false, false, {L"b"}));
    database->has_primary_key = false;
    mark();
    database->create_indexes(L"orders", schema, indexes);
    EXPECT_EQ(sent().back(), L"CREATE CLUSTERED INDEX [a_clust_idx] ON [dbo].[orders]([a])");

    indexes.push_back(make_index(L"pk", true, true, {L"b"}));
    mark();
    database->create_indexes(L"orders", schema, indexes);
    EXPECT_EQ(sent().back().find(L"CLUSTERED INDEX"), std::wstring::npos);

    udb_schema long_columns(true);
    long_columns.push_back(new t_ftd(0, L"text", VT_BSTR, false, false, ole_variant()));
    long_columns.push_back(new t_ftd(9000, L"data", VT_BLOB, false, false, ole_variant()));
    database->has_primary_key = false;
    mark();
    database->create_indexes(L"orders", long_columns, udb_indexes());
    EXPECT_TRUE(sent().empty());
}

// A run asked to stop makes no further key of the table.
TEST_F(index_creation, stop_between_indexes_ends_the_table_s_keys)
{
    int asked = 0;
    database->stop_requested = [&] { return ++asked > 1; };
    udb_indexes indexes;
    indexes.push_back_direct(make_index(L"ix_a", false, false, {L"a"}));
    indexes.push_back_direct(make_index(L"ix_b", false, false, {L"b"}));
    EXPECT_THROW(database->create_indexes(L"orders", schema, indexes), tk_final_exception);
    std::vector<std::wstring> made;
    for (const std::wstring& statement : sent())
        if (statement.rfind(L"CREATE INDEX", 0) == 0)
            made.push_back(statement);
    EXPECT_EQ(made, std::vector<std::wstring>{L"CREATE INDEX [ix_a] ON [dbo].[orders]([a])"});
}

}  // namespace
