// Keys, indexes, the clustered index and foreign keys of a table of schemas,
// written by the script writer and run by the direct path against the
// recording provider: each case has one list of expected statements, and
// where the two paths differ on purpose (mss_key_style) the entry says so,
// so that they cannot drift apart again.
#include "direct/direct_path_fixture.h"
#include "model/index.h"
#include "model/relationship.h"
#include "mssql/script/script_writer.h"
#include "mssql/test_label.h"
#include "script/script_test_support.h"
#include "support/tsql_tokens.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace {

struct table_case {
    std::wstring name;
    std::vector<mss_test::column_def> columns;
    std::vector<udb_index> indexes;
};

// One expected statement: as the direct path runs it and, where the paths
// differ on purpose, as the script writes it.
struct expected_statement {
    expected_statement(std::wstring both) : direct(std::move(both)) {}
    expected_statement(std::wstring direct_text, std::wstring script_text)
        : direct(std::move(direct_text)), script(std::move(script_text))
    {}
    std::wstring direct;
    std::wstring script;  // empty: as the direct path
};

struct schema_case {
    const char* name;
    std::int32_t version_code;
    std::vector<table_case> tables;
    std::vector<udb_relationship> keys;
    std::vector<expected_statement> expected;
};

void PrintTo(const schema_case& c, std::ostream* os)
{
    *os << c.name;
}

const std::vector<mss_test::column_def> id_code_name = {
    {L"id", VT_I4, 4, true}, {L"code", VT_BSTR, 20}, {L"name", VT_BSTR, 50}};

std::vector<schema_case> cases()
{
    return {
        {"single_key",
         18,
         {{L"t", id_code_name, {mss_test::make_index(L"PRIMARY", true, true, {L"id"})}}},
         {},
         {{L"ALTER TABLE [dbo].[t] ADD CONSTRAINT [PRIMARY] PRIMARY KEY NONCLUSTERED([id])",
           L"ALTER TABLE [dbo].[t] ADD PRIMARY KEY([id]) "}}},
        {"composite_key",
         18,
         {{L"t", id_code_name, {mss_test::make_index(L"PRIMARY", true, true, {L"id", L"code"})}}},
         {},
         {{L"ALTER TABLE [dbo].[t] ADD CONSTRAINT [PRIMARY] PRIMARY KEY NONCLUSTERED([id], [code])",
           L"ALTER TABLE [dbo].[t] ADD PRIMARY KEY([id], [code]) "}}},
        {"unique_keys_and_plain_index",
         18,
         {{L"t",
           id_code_name,
           {mss_test::make_index(L"uq_code", true, false, {L"code"}),
            mss_test::make_index(L"uc_name", true, false, {L"name", L"id"}, true),
            mss_test::make_index(L"ix_name", false, false, {L"name"})}}},
         {},
         {{L"CREATE UNIQUE INDEX [uq_code] ON [dbo].[t]([code]) WHERE [code] IS NOT NULL",
           L"CREATE UNIQUE INDEX [uq_code] ON [dbo].[t]([code])  WHERE [code] IS NOT NULL"},
          // A constraint takes no filter, whatever its unique flag says.
          {L"ALTER TABLE [dbo].[t] ADD CONSTRAINT [uc_name] UNIQUE ([name], [id])",
           L"ALTER TABLE [dbo].[t] ADD CONSTRAINT [uc_name] UNIQUE ([name], [id]) "},
          {L"CREATE INDEX [ix_name] ON [dbo].[t]([name])", L"CREATE INDEX [ix_name] ON [dbo].[t]([name]) "}}},
        {"filtered_unique_index_of_several_columns",
         18,
         {{L"t", id_code_name, {mss_test::make_index(L"uq", true, false, {L"code", L"name"})}}},
         {},
         {{L"CREATE UNIQUE INDEX [uq] ON [dbo].[t]([code], [name]) WHERE [code] IS NOT NULL AND [name] IS NOT NULL",
           L"CREATE UNIQUE INDEX [uq] ON [dbo].[t]([code], [name])  WHERE [code] IS NOT NULL AND [name] IS NOT "
           L"NULL"}}},
        // On Azure SQL a table without primary key gets a clustered index on
        // its first column that can be a key: never a long VARBINARY.
        {"long_varbinary_first_column_on_azure",
         100,
         {{L"pictures",
           {{L"picture", ole_vt_bytes, 0}, {L"note", VT_BSTR, 0}, {L"nr", VT_I4, 4, true}},
           {mss_test::make_index(L"ix_nr", false, false, {L"nr"})}}},
         {},
         {{L"CREATE INDEX [ix_nr] ON [dbo].[pictures]([nr])", L"CREATE INDEX [ix_nr] ON [dbo].[pictures]([nr]) "},
          {L"CREATE CLUSTERED INDEX [nr_clust_idx] ON [dbo].[pictures]([nr])"}}},
        // A foreign key needs an unfiltered unique key on exactly its
        // referenced columns: a filtered unique index is not one.
        {"foreign_keys_with_rules",
         18,
         {{L"region",
           id_code_name,
           {mss_test::make_index(L"PRIMARY", true, true, {L"id"}),
            mss_test::make_index(L"uq_code", true, false, {L"code"})}},
          {L"shop", {{L"nr", VT_I4, 4, true}, {L"region_id", VT_I4, 4}, {L"region_code", VT_BSTR, 20}}, {}}},
         {udb_relationship(L"fk_shop_region", L"", L"shop", L"region", {L"region_id"}, {L"id"},
                           L" ON DELETE CASCADE ON UPDATE NO ACTION "),
          udb_relationship(L"fk_shop_code", L"", L"shop", L"region", {L"region_code"}, {L"code"},
                           L"ON DELETE SET NULL ON UPDATE CASCADE")},
         {{L"ALTER TABLE [dbo].[region] ADD CONSTRAINT [PRIMARY] PRIMARY KEY NONCLUSTERED([id])",
           L"ALTER TABLE [dbo].[region] ADD PRIMARY KEY([id]) "},
          {L"CREATE UNIQUE INDEX [uq_code] ON [dbo].[region]([code]) WHERE [code] IS NOT NULL",
           L"CREATE UNIQUE INDEX [uq_code] ON [dbo].[region]([code])  WHERE [code] IS NOT NULL"},
          {L"ALTER TABLE [dbo].[shop] ADD CONSTRAINT [fk_shop_region] FOREIGN KEY ([region_id]) REFERENCES "
           L"[dbo].[region]([id])  ON DELETE CASCADE ON UPDATE NO ACTION ",
           L"ALTER TABLE [dbo].[shop] ADD CONSTRAINT [fk_shop_region] FOREIGN KEY ([region_id]) REFERENCES "
           L"[dbo].[region]([id]) ON DELETE CASCADE ON UPDATE NO ACTION;"},
          {L"CREATE UNIQUE INDEX [UIDX_code] ON [dbo].[region]([code])"},
          {L"ALTER TABLE [dbo].[shop] ADD CONSTRAINT [fk_shop_code] FOREIGN KEY ([region_code]) REFERENCES "
           L"[dbo].[region]([code]) ON DELETE SET NULL ON UPDATE CASCADE",
           L"ALTER TABLE [dbo].[shop] ADD CONSTRAINT [fk_shop_code] FOREIGN KEY ([region_code]) REFERENCES "
           L"[dbo].[region]([code]) ON DELETE SET NULL ON UPDATE CASCADE;"}}},
        {"self_reference",
         18,
         {{L"staff",
           {{L"id", VT_I4, 4, true}, {L"boss", VT_I4, 4}},
           {mss_test::make_index(L"PRIMARY", true, true, {L"id"}),
            mss_test::make_index(L"ix_boss", false, false, {L"boss"})}}},
         {udb_relationship(L"fk_boss", L"", L"staff", L"staff", {L"boss"}, {L"id"}, L"")},
         {{L"ALTER TABLE [dbo].[staff] ADD CONSTRAINT [PRIMARY] PRIMARY KEY NONCLUSTERED([id])",
           L"ALTER TABLE [dbo].[staff] ADD PRIMARY KEY([id]) "},
          {L"CREATE INDEX [ix_boss] ON [dbo].[staff]([boss])", L"CREATE INDEX [ix_boss] ON [dbo].[staff]([boss]) "},
          {L"ALTER TABLE [dbo].[staff] ADD CONSTRAINT [fk_boss] FOREIGN KEY ([boss]) REFERENCES "
           L"[dbo].[staff]([id])"}}},
    };
}

udb_relationships relationships(const schema_case& c)
{
    udb_relationships keys;
    for (const udb_relationship& key : c.keys)
        keys.push_back(key);
    return keys;
}

std::vector<std::wstring> direct_form(const schema_case& c)
{
    std::vector<std::wstring> statements;
    for (const expected_statement& e : c.expected)
        statements.push_back(e.direct);
    return statements;
}

std::vector<std::wstring> script_form(const schema_case& c)
{
    std::vector<std::wstring> statements;
    for (const expected_statement& e : c.expected)
        statements.push_back(e.script.empty() ? e.direct : e.script);
    return statements;
}

// The statements of a script, each ended by its "GO" line.
std::vector<std::wstring> script_statements(const std::wstring& path)
{
    std::ifstream file(tk_unicode_to_utf8(path), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    mss_test::expect_sql_server_rules(text);
    std::vector<std::wstring> statements;
    for (const std::string& batch : tsql::script_batches(text))
        statements.push_back(tk_utf8_to_unicode(batch));
    // Neither what follows the last "GO" line nor the head of the script.
    statements.pop_back();
    statements.erase(statements.begin());
    return statements;
}

class key_statements : public direct_path_fixture, public testing::WithParamInterface<schema_case> {};

TEST_P(key_statements, both_paths_write_the_expected_statements)
{
    const schema_case& c = GetParam();
    std::vector<udb_schema> schemas;
    for (const table_case& table : c.tables)
        schemas.push_back(mss_test::make_schema(table.columns));

    // The script.
    mss_test::scratch_folder folder;
    {
        mss_engine::instance().version_code = c.version_code;
        mss_dump_options options;
        options.comments = false;
        options.structure = false;
        std::unique_ptr<mss_dmp_database> script(engine.create_dump(folder.file("keys.sql"), options));
        for (std::size_t i = 0; i < c.tables.size(); ++i) {
            udb_indexes indexes;
            for (const udb_index& index : c.tables[i].indexes)
                indexes.push_back(index);
            script->create_indexes(c.tables[i].name, schemas[i], indexes);
        }
        script->create_relationships(relationships(c));
        script->commit();
    }
    EXPECT_EQ(script_statements(folder.file("keys.sql")), script_form(c));

    // The direct path.
    std::vector<fake::row> tables;
    for (const table_case& table : c.tables)
        tables.push_back(fake::table_row(L"dbo", table.name));
    server->add_schema_rows(oledb::schema_kind::tables, tables);
    connect();
    engine.version_code = c.version_code;
    const std::unique_ptr<mss_database> database = open_database();
    mark();
    for (std::size_t i = 0; i < c.tables.size(); ++i) {
        udb_indexes indexes;
        for (const udb_index& index : c.tables[i].indexes)
            indexes.push_back(index);
        database->has_primary_key = false;
        database->create_indexes(c.tables[i].name, schemas[i], indexes);
    }
    database->create_relationships(relationships(c));
    // Without the questions whether a name is taken.
    std::vector<std::wstring> run;
    for (const std::wstring& statement : sent())
        if (!statement.starts_with(L"SELECT COUNT(*)"))
            run.push_back(statement);
    EXPECT_EQ(run, direct_form(c));
    EXPECT_EQ(errors.failed_objects(), 0u);
}

INSTANTIATE_TEST_SUITE_P(mss, key_statements, testing::ValuesIn(cases()),
                         [](const testing::TestParamInfo<schema_case>& info) { return info.param.name; });

}  // namespace
