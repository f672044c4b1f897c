// MS SQL tables opened for reading or appending: the definitions, identity,
// keys and indexes read from the server, and the rows.
#include "direct_path_fixture.h"
#include "model/column_descriptor.h"
#include "mssql/direct/mss_table.h"
#include "mssql/test_label.h"

#include <gtest/gtest.h>

namespace {

bool ends_with(const std::wstring& text, const std::wstring& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class table_reading : public direct_path_fixture {
protected:
    void SetUp() override
    {
        direct_path_fixture::SetUp();
        connect();
        database = open_database();
    }

    std::unique_ptr<mss_table> open(const std::wstring& name, std::uint32_t mode = 1)
    {
        return std::unique_ptr<mss_table>(static_cast<mss_table*>(database->get_table(name, mode)));
    }

    std::unique_ptr<mss_database> database;
};

TEST_F(table_reading, definitions_identity_and_keys_come_from_the_server)
{
    server->define_table(L"[dbo].[t]", {{fake::int_column(L"id"), fake::wide_text_column(L"name", 10),
                                         fake::typed_column(L"made", DBTYPE_DBTIMESTAMP, 16, true, 23, 3),
                                         fake::int_column(L"qty", true), fake::wide_text_column(L"code", 3),
                                         fake::wide_text_column(L"note", 5)},
                                        {}});
    server->answer_prefix(L"SELECT SC.name, t.name as type_name, SD.definition",
                          {{fake::wide_text_column(L"name"), fake::wide_text_column(L"type"),
                            fake::wide_text_column(L"definition"), fake::int_column(L"precision"),
                            fake::int_column(L"scale"), fake::int_column(L"nullable"), fake::int_column(L"identity")},
                           {text_row({L"id", L"int", nullptr, L"10", L"0", L"0", L"1"}),
                            text_row({L"name", L"nvarchar", L"(N'a''b')", L"0", L"0", L"1", L"0"}),
                            text_row({L"made", L"datetime2", L"(getdate())", L"0", L"3", L"1", L"0"}),
                            text_row({L"qty", L"int", L"((0))", L"10", L"0", L"1", L"0"}),
                            text_row({L"code", L"char", L"('')", L"0", L"0", L"1", L"0"}),
                            text_row({L"note", L"nvarchar", L"('far too long')", L"0", L"0", L"1", L"0"})}});
    server->answer_prefix(L"SELECT NAME AS COLUMNNAME,CAST(LAST_VALUE AS INT),CAST(INCREMENT_VALUE AS INT)",
                          {{fake::wide_text_column(L"c"), fake::int_column(L"seed"), fake::int_column(L"step")},
                           {text_row({L"id", L"1000", L"10"})}});
    server->add_schema_rows(oledb::schema_kind::primary_keys, {fake::primary_key_row(L"dbo", L"t", L"id", 1, L"PK_t")});
    server->add_schema_rows(oledb::schema_kind::indexes,
                            {fake::index_row(L"dbo", L"t", L"PK_t", L"id", 1, true, true),
                             fake::index_row(L"dbo", L"t", L"ix_name", L"name", 1, true, false)});
    server->add_schema_rows(oledb::schema_kind::foreign_keys,
                            {fake::foreign_key_row(L"dbo", L"t", L"id", L"dbo", L"child", L"t_id", 1, L"NO ACTION",
                                                   L"CASCADE", L"fk_child")});
    log_capture log;
    mark();
    const auto table = open(L"t");
    const udb_schema& schema = table->schema;
    EXPECT_TRUE(schema[0]->identity);
    EXPECT_TRUE(table->b_identity);
    EXPECT_EQ(schema.identity_seed, 1000u);
    EXPECT_EQ(schema.identity_increment, 10u);
    EXPECT_EQ(schema[1]->default_value.to_wstring(), L"a'b");
    EXPECT_EQ(schema[2]->default_value.to_wstring(), L"getdate()");
    EXPECT_EQ(schema[2]->dw_reserved, 9u);
    EXPECT_EQ(schema[3]->default_value.get_type(), VT_I4);
    EXPECT_EQ(schema[3]->default_value.to_long(), 0);
    EXPECT_EQ(schema[4]->dw_reserved, 4u) << "a fixed-width char column";
    EXPECT_EQ(schema[5]->default_value.get_type(), VT_EMPTY);
    EXPECT_NE(log.text().find("Def.value 'far too long' is out of range"), std::string::npos);

    ASSERT_EQ(table->indexes.size(), 2u);
    EXPECT_TRUE(table->indexes[0].primary);
    EXPECT_EQ(table->indexes[0].fields, std::vector<std::wstring>{L"id"});
    EXPECT_EQ(table->indexes[1].name, L"ix_name");
    EXPECT_EQ(table->key_index, 0);
    EXPECT_TRUE(table->has_primary_key);
    ASSERT_EQ(database->relationships.size(), 1u);
    EXPECT_EQ(database->relationships[0].fk_table, L"child");
    EXPECT_EQ(database->relationships[0].rule, L" ON UPDATE NO ACTION ON DELETE CASCADE");

    const std::vector<std::wstring> statements = sent();
    EXPECT_EQ(statements[0], L"SELECT COUNT_BIG(*) FROM [dbo].[t]");
    EXPECT_TRUE(ends_with(statements[1], L" WHERE ST.name=N't' and SCHEMA_NAME(ST.schema_id)=N'dbo'"));
    EXPECT_TRUE(ends_with(statements[2], L" OBJECT_NAME(OBJECT_ID)=N't' AND OBJECT_SCHEMA_NAME(OBJECT_ID)=N'dbo'"));
    EXPECT_TRUE(ends_with(statements.back(), L" sch.name=N'dbo' AND t.name=N't' AND ind.name=N'ix_name'"));
}

// Azure SQL has no schema rowsets for keys: the catalogue answers, and a
// table contributes the foreign keys it declares.
TEST_F(table_reading, azure_keys_come_from_catalogue_queries)
{
    engine.version_code = 100;
    server->define_table(L"[dbo].[t]", {{fake::int_column(L"id"), fake::wide_text_column(L"name", 10),
                                         fake::int_column(L"code"), fake::int_column(L"t_id")},
                                        {}});
    server->answer_prefix(L"SELECT      ind.name, col.name, ind.is_primary_key, ind.is_unique",
                          {{fake::wide_text_column(L"i"), fake::wide_text_column(L"c"),
                            fake::typed_column(L"p", DBTYPE_BOOL, 2), fake::typed_column(L"u", DBTYPE_BOOL, 2)},
                           {text_row({L"pk_t", L"id", L"1", L"1"}), text_row({L"ix", L"name", L"0", L"1"}),
                            text_row({L"IX", L"code", L"0", L"1"})}});
    server->answer_prefix(L"SELECT       obj.name, col1.name, tab2.name",
                          {{fake::wide_text_column(L"n"), fake::wide_text_column(L"c"), fake::wide_text_column(L"t"),
                            fake::wide_text_column(L"r"), fake::wide_text_column(L"d"), fake::wide_text_column(L"u")},
                           {text_row({L"fk_a", L"t_id", L"parent", L"id", L"NO_ACTION", L"SET_NULL"}),
                            text_row({L"fk_a", L"t_id", L"parent", L"id", L"NO_ACTION", L"SET_NULL"}),
                            text_row({L"fk_a", L"code", L"parent", L"code", L"NO_ACTION", L"SET_NULL"})}});
    const auto table = open(L"t");
    ASSERT_EQ(table->indexes.size(), 2u);
    EXPECT_TRUE(table->indexes[0].primary);
    EXPECT_EQ(table->indexes[1].fields, (std::vector<std::wstring>{L"name", L"code"}));
    ASSERT_EQ(database->relationships.size(), 1u);
    const udb_relationship& key = database->relationships[0];
    EXPECT_EQ(key.fk_table, L"dbo.t");
    EXPECT_EQ(key.pk_table, L"dbo.parent");
    EXPECT_EQ(key.fk_flds, (std::vector<std::wstring>{L"t_id", L"code"})) << "a pair read twice is kept once";
    EXPECT_EQ(key.rule, L" ON UPDATE SET NULL ON DELETE NO ACTION");
}

TEST_F(table_reading, table_missing_under_its_owner_is_found_under_dbo)
{
    log_capture log;
    server->define_table(L"[dbo].[orders]", {{fake::int_column(L"a")}, {}});
    const auto table = open(L"sales.orders", 96);
    EXPECT_EQ(table->table, L"[dbo].[orders]");
    EXPECT_EQ(server->statement_texts().front().find(L"[sales]"), std::wstring::npos);
}

TEST_F(table_reading, rows_of_a_table_are_read_to_the_count)
{
    server->define_table(L"[dbo].[t]", {{fake::int_column(L"a")}, {text_row({L"1"}), text_row({L"2"})}});
    server->answer(L"SELECT COUNT_BIG(*) FROM [dbo].[t]",
                   {{fake::typed_column(L"", DBTYPE_I8, 8)}, {text_row({L"2"})}});
    const auto table = open(L"t", 97);
    EXPECT_EQ(table->record_count, 2u);
    std::vector<std::wstring> values;
    for (table->reset(); !table->is_eof(); table->next())
        values.push_back(table->get_item()->at(0)->to_wstring());
    EXPECT_EQ(values, (std::vector<std::wstring>{L"1", L"2"}));
}

TEST_F(table_reading, query_is_counted_as_a_derived_table)
{
    server->answer(L"SELECT a FROM t", {{fake::int_column(L"a")}, {text_row({L"7"})}});
    mark();
    std::unique_ptr<udb_recordset> query(database->get_query(L"q", L"SELECT a FROM t", 1));
    EXPECT_EQ(sent(),
              (std::vector<std::wstring>{L"SELECT a FROM t", L"SELECT COUNT_BIG(*) FROM (SELECT a FROM t) as query"}));
    EXPECT_TRUE(query->is_query());
}

struct default_case {
    const wchar_t* definition;
    VARTYPE type;
    const wchar_t* text;
    VARTYPE value_type;
};

void PrintTo(const default_case& c, std::ostream* os)
{
    *os << test_label(c.definition);
}

class default_value_test : public table_reading, public testing::WithParamInterface<default_case> {};

TEST_P(default_value_test, server_default_gives_the_value)
{
    const t_ftd column(20, L"c", GetParam().type, false, false, ole_variant());
    const ole_variant value = mss_table::get_def_value(column, GetParam().definition);
    EXPECT_EQ(value.get_type(), GetParam().value_type);
    EXPECT_EQ(value.to_wstring(), GetParam().text);
}

// Short texts lose their quotes as long ones do.
INSTANTIATE_TEST_SUITE_P(mss, default_value_test,
                         testing::Values(default_case{L"((0))", VT_I4, L"0", VT_I4},
                                         default_case{L"((-1))", VT_I4, L"-1", VT_I4},
                                         default_case{L"('it''s')", VT_BSTR, L"it's", VT_BSTR},
                                         default_case{L"('x')", VT_BSTR, L"x", VT_BSTR},
                                         default_case{L"('')", VT_BSTR, L"", VT_BSTR},
                                         default_case{L"('''')", VT_BSTR, L"'", VT_BSTR},
                                         default_case{L"(getdate())", VT_DATE, L"getdate()", VT_BSTR},
                                         default_case{L"(now())", VT_DATE, L"getdate()", VT_BSTR},
                                         default_case{L"('2020-01-02')", VT_DATE, L"2020-01-02", VT_DATE},
                                         default_case{L"('soon')", VT_DATE, L"", VT_EMPTY}));

}  // namespace
