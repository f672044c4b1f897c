// Schemas and tables of the destination database, and what it reads of the
// catalogue when it is opened.
#include "direct_path_fixture.h"
#include "model/column_descriptor.h"
#include "model/index.h"
#include "model/recordset.h"
#include "mssql/direct/mss_table.h"
#include "mssql/odb_exception.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

t_ftd* column(const wchar_t* name, VARTYPE type, std::int32_t size, bool not_null = false, std::uint32_t subtype = 0,
              const ole_variant& default_value = ole_variant())
{
    return new t_ftd(size, name, type, not_null, false, default_value, subtype);
}

class database_objects : public direct_path_fixture {
protected:
    void SetUp() override
    {
        direct_path_fixture::SetUp();
        connect();
    }
};

TEST_F(database_objects, schema_is_made_unless_it_is_dbo)
{
    const auto database = open_database();
    mark();
    database->create_schema(L"DBO");
    database->create_schema(L"dbo");
    database->create_schema(L"sales");
    database->create_schema(L"o'neil]s");
    EXPECT_EQ(sent(), (std::vector<std::wstring>{
                          L"IF NOT EXISTS (SELECT  SCHEMA_NAME FROM    INFORMATION_SCHEMA.SCHEMATA WHERE   "
                          L"SCHEMA_NAME = N'sales' ) BEGIN EXEC sp_executesql N'CREATE SCHEMA [sales]' END",
                          L"IF NOT EXISTS (SELECT  SCHEMA_NAME FROM    INFORMATION_SCHEMA.SCHEMATA WHERE   "
                          L"SCHEMA_NAME = N'o''neil]s' ) BEGIN EXEC sp_executesql N'CREATE SCHEMA [o''neil]]s]' END"}));
}

TEST_F(database_objects, table_of_every_mapped_type)
{
    const auto database = open_database();
    udb_schema schema(true);
    auto* id = column(L"id", VT_I8, 8);
    id->identity = true;
    schema.push_back(id);
    schema.push_back(column(L"small", VT_I2, 2));
    schema.push_back(column(L"single", VT_R4, 4));
    schema.push_back(column(L"real", VT_R8, 8, false, 1));
    schema.push_back(column(L"double", VT_R8, 8));
    auto* price = column(L"price", VT_DECIMAL, 0, true, 0, ole_variant(std::int32_t{0}));
    price->precision = 10;
    price->scale = 2;
    schema.push_back(price);
    schema.push_back(column(L"flag", VT_BOOL, 1));
    schema.push_back(column(L"name", VT_BSTR, 50, true, 0, ole_variant(std::wstring(L"it's"))));
    schema.push_back(column(L"notes", VT_BSTR, 0));
    schema.push_back(column(L"code", VT_BSTR, 36, false, 1, ole_variant(std::wstring(L"NEWID()"))));
    schema.push_back(column(L"made", VT_DATE, 0, false, 0, ole_variant(std::wstring(L"now()"))));
    schema.push_back(column(L"changed", VT_DATE, 0, true, 9));
    schema.push_back(column(L"day", VT_DATE, 0, false, 10));
    schema.push_back(column(L"at", VT_DATE, 0, false, 3));
    schema.push_back(column(L"zoned", VT_DATE, 0, false, 16));
    schema.push_back(column(L"picture", ole_vt_bytes, 100));
    schema.push_back(column(L"file", VT_BLOB, 0));
    schema.push_back(column(L"memo", VT_BSTR, 10, false, 0, ole_variant(std::wstring(L"x\nGO"))));
    schema.push_back(column(L"part", VT_I4, 4));
    udb_indexes indexes;
    udb_index key(L"pk", true, true);
    key.fields = {L"part"};
    indexes.push_back(key);
    mark();
    std::unique_ptr<udb_recordset> table(database->create_table(L"items", schema, indexes));
    EXPECT_EQ(sent(), (std::vector<std::wstring>{L"CREATE TABLE [dbo].[items] (\r\n"
                                                 L"\t[id] BIGINT IDENTITY NOT NULL,\r\n"
                                                 L"\t[small] INT,\r\n"
                                                 L"\t[single] REAL,\r\n"
                                                 L"\t[real] REAL,\r\n"
                                                 L"\t[double] FLOAT,\r\n"
                                                 L"\t[price] NUMERIC(10,2) NOT NULL DEFAULT 0,\r\n"
                                                 L"\t[flag] BIT,\r\n"
                                                 L"\t[name] NVARCHAR(50)  NOT NULL DEFAULT N'it''s',\r\n"
                                                 L"\t[notes] NVARCHAR(MAX),\r\n"
                                                 L"\t[code]  uniqueidentifier DEFAULT newid(),\r\n"
                                                 L"\t[made] DATETIME2 DEFAULT getdate(),\r\n"
                                                 L"\t[changed] DATETIME2 NOT NULL DEFAULT CURRENT_TIMESTAMP,\r\n"
                                                 L"\t[day] DATE DEFAULT getdate(),\r\n"
                                                 L"\t[at] TIME,\r\n"
                                                 L"\t[zoned] DATETIMEOFFSET,\r\n"
                                                 L"\t[picture] VARBINARY(100) ,\r\n"
                                                 L"\t[file] VARBINARY(MAX),\r\n"
                                                 L"\t[memo] NVARCHAR(10)  DEFAULT (N'x\n' + N'GO'),\r\n"
                                                 L"\t[part] INT NOT NULL)",
                                                 L"SELECT COUNT_BIG(*) FROM [dbo].[items]"}));
    ASSERT_EQ(table->schema.size(), schema.size());
    EXPECT_EQ(table->schema[11]->dw_reserved, 9u);
    EXPECT_TRUE(static_cast<mss_table&>(*table).b_identity);
    EXPECT_TRUE(database->is_table_exist(L"items"));
    EXPECT_FALSE(database->has_primary_key);
}

TEST_F(database_objects, refused_create_table_reaches_the_caller)
{
    const auto database = open_database();
    server->fail_prefix(L"CREATE TABLE [dbo].[bad]", fake::sql_error(2705, L"Column names must be unique."));
    udb_schema schema(true);
    schema.push_back(column(L"a", VT_I4, 4));
    try {
        std::unique_ptr<udb_recordset> table(database->create_table(L"bad", schema, udb_indexes()));
        FAIL() << "the refused table was handed back";
    } catch (const odb_exception& e) {
        EXPECT_STREQ(e.what(), "Column names must be unique.");
    }
    EXPECT_FALSE(database->is_table_exist(L"bad"));
}

TEST_F(database_objects, existing_table_is_refused_outside_append_mode)
{
    server->add_schema_rows(oledb::schema_kind::tables, {fake::table_row(L"dbo", L"items", L"TABLE")});
    const auto database = open_database();
    mark();
    udb_schema schema(true);
    schema.push_back(column(L"a", VT_I4, 4));
    EXPECT_THROW(database->create_table(L"[dbo].[items]", schema, udb_indexes()), odb_exception);
    EXPECT_TRUE(sent().empty());
}

TEST_F(database_objects, append_mode_opens_the_existing_table)
{
    server->add_schema_rows(oledb::schema_kind::tables, {fake::table_row(L"dbo", L"items", L"TABLE")});
    server->define_table(L"[dbo].[items]", {{fake::int_column(L"a"), fake::wide_text_column(L"b", 20)}, {}});
    const auto database = open_database(udb_mode_append);
    database->has_primary_key = true;
    udb_schema schema(true);
    schema.push_back(column(L"a", VT_I4, 4, false, 0));
    schema.push_back(column(L"b", VT_BSTR, 20, false, 4));
    std::unique_ptr<udb_recordset> table(database->create_table(L"[dbo].[items]", schema, udb_indexes()));
    EXPECT_EQ(table->table, L"[dbo].[items]");
    EXPECT_EQ(table->schema[1]->dw_reserved, 4u);
    EXPECT_TRUE(database->has_primary_key);
    EXPECT_EQ(database->get_table_names().size(), 1u);
}

TEST_F(database_objects, reopened_table_with_another_shape_is_refused)
{
    server->add_schema_rows(oledb::schema_kind::tables, {fake::table_row(L"dbo", L"items", L"TABLE")});
    server->define_table(L"[dbo].[items]", {{fake::int_column(L"a")}, {}});
    const auto database = open_database(udb_mode_append);
    udb_schema schema(true);
    schema.push_back(column(L"a", VT_I4, 4));
    schema.push_back(column(L"b", VT_I4, 4));
    EXPECT_THROW(database->create_table(L"[dbo].[items]", schema, udb_indexes()), tk_exception);
}

TEST_F(database_objects, catalogue_lists_tables_but_not_those_of_sys)
{
    server->add_schema_rows(oledb::schema_kind::tables, {fake::table_row(L"Sales", L"Orders", L"TABLE"),
                                                         fake::table_row(L"SYS", L"trace", L"TABLE")});
    engine.view_owned = false;
    const auto database = open_database();
    EXPECT_EQ(database->get_table_names(), std::vector<std::wstring>{L"Sales.Orders"});
    EXPECT_TRUE(database->is_table_exist(L"[Sales].[Orders]"));
    EXPECT_TRUE(database->is_table_exist(L"sales.orders"));
    EXPECT_FALSE(database->is_table_exist(L"[dbo].[Orders]"));
    EXPECT_FALSE(database->is_table_exist(L""));
}

TEST_F(database_objects, procedure_lists_tables_when_the_rowset_has_none)
{
    engine.view_owned = false;
    server->answer(L"exec sp_tables @table_type=\"'TABLE'\"",
                   {{fake::wide_text_column(L"TABLE_QUALIFIER"), fake::wide_text_column(L"TABLE_OWNER"),
                     fake::wide_text_column(L"TABLE_NAME"), fake::wide_text_column(L"TABLE_TYPE")},
                    {text_row({L"shop", L"dbo", L"orders", L"TABLE"}), text_row({L"shop", L"sys", L"x", L"TABLE"})}});
    const auto database = open_database();
    EXPECT_EQ(database->get_table_names(), std::vector<std::wstring>{L"[dbo].[orders]"});
    EXPECT_TRUE(database->is_table_exist(L"dbo.orders"));
}

// Same-named tables of two schemas keep their own column types.
TEST_F(database_objects, column_types_are_kept_per_schema_and_table)
{
    engine.view_owned = false;
    server->answer_prefix(L"select TABLE_SCHEMA, TABLE_NAME, COLUMN_NAME, DATA_TYPE",
                          {{fake::wide_text_column(L"s"), fake::wide_text_column(L"t"), fake::wide_text_column(L"c"),
                            fake::wide_text_column(L"d")},
                           {text_row({L"dbo", L"t", L"v", L"date"}), text_row({L"sales", L"t", L"v", L"geometry"})}});
    const auto database = open_database();
    EXPECT_EQ(database->column_types.at(L"[dbo].[t]").at(L"v"), L"date");
    EXPECT_EQ(database->column_types.at(L"[sales].[t]").at(L"v"), L"geometry");
}

TEST_F(database_objects, spatial_columns_are_read_as_text)
{
    engine.view_owned = false;
    server->answer_prefix(
        L"select TABLE_SCHEMA, TABLE_NAME, COLUMN_NAME, DATA_TYPE",
        {{fake::wide_text_column(L"s"), fake::wide_text_column(L"t"), fake::wide_text_column(L"c"),
          fake::wide_text_column(L"d")},
         {text_row({L"dbo", L"shapes", L"g", L"geometry"}), text_row({L"dbo", L"shapes", L"d", L"date"})}});
    server->define_table(
        L"[dbo].[shapes]",
        {{fake::int_column(L"a"), fake::wide_text_column(L"g", 100), fake::wide_text_column(L"d", 10)}, {}});
    const auto database = open_database();
    mark();
    std::unique_ptr<udb_recordset> table(database->get_table(L"shapes", 1));
    const std::vector<std::wstring> statements = sent();
    EXPECT_EQ(statements.back(), L"SELECT [a],[g].STAsText() as [g],[d] FROM [dbo].[shapes]");
    EXPECT_EQ(table->schema[1]->dw_reserved, 2u);
    EXPECT_EQ(table->schema[1]->size, 0);
    EXPECT_EQ(table->schema[2]->vartype, VT_DATE);
    EXPECT_EQ(table->schema[2]->dw_reserved, 2u);
}

TEST_F(database_objects, views_are_read_without_their_head_and_options)
{
    server->answer(L"select name, definition from sys.objects o join sys.sql_modules m on m.object_id = o.object_id "
                   L"where o.type = 'V'",
                   {{fake::wide_text_column(L"name"), fake::wide_text_column(L"definition", 4000)},
                    {text_row({L"v", L"CREATE VIEW v AS SELECT TOP 100 PERCENT [a] FROM [dbo].[t] WITH (NOLOCK) "}),
                     text_row({L"w", L"EXEC"})}});
    const auto database = open_database();
    ASSERT_EQ(database->views.size(), 1u);
    EXPECT_EQ(database->views[0].second, L"SELECT  a FROM t");
}

TEST_F(database_objects, sequences_are_read_within_32_bits)
{
    server->answer_prefix(L"SELECT CAST(name AS varchar)",
                          {{fake::wide_text_column(L"n"), fake::int_column(L"s"), fake::int_column(L"i"),
                            fake::typed_column(L"min", DBTYPE_I8, 8), fake::typed_column(L"max", DBTYPE_I8, 8),
                            fake::typed_column(L"c", DBTYPE_BOOL, 2)},
                           {text_row({L"seq", L"5", L"2", L"-9223372036854775808", L"9223372036854775807", L"1"})}});
    const auto database = open_database();
    ASSERT_EQ(database->sequences.size(), 1u);
    EXPECT_EQ(database->sequences[0].minimum, INT32_MIN);
    EXPECT_EQ(database->sequences[0].maximum, INT32_MAX);
    EXPECT_TRUE(database->sequences[0].cycle);
}

TEST_F(database_objects, schema_names_of_the_database)
{
    const auto database = open_database();
    database->name = L"my]db";
    std::vector<std::wstring> schemas;
    server->fail_prefix(L"SELECT name FROM [my]]db].sys.schemas", fake::sql_error(229, L"denied"));
    database->get_schema_info(schemas);
    EXPECT_EQ(schemas, std::vector<std::wstring>{L"dbo"});
    answer_texts(L"SELECT name FROM [shop].sys.schemas where name <> 'sys' and principal_id < 16384",
                 {L"dbo", L"sales"});
    database->name = L"shop";
    database->get_schema_info(schemas);
    EXPECT_EQ(schemas, (std::vector<std::wstring>{L"dbo", L"sales"}));
}

TEST_F(database_objects, index_existence_names_are_literals)
{
    const auto database = open_database();
    server->answer(L"SELECT COUNT(*) FROM SYS.INDEXES WHERE NAME=N'ix''1'",
                   {{fake::int_column(L"n")}, {text_row({L"1"})}});
    EXPECT_TRUE(database->is_index_exist(L"ix'1", false));
    EXPECT_FALSE(database->is_index_exist(L"pk", true));
    EXPECT_EQ(server->statement_texts().back(),
              L"SELECT COUNT(*) FROM INFORMATION_SCHEMA.TABLE_CONSTRAINTS WHERE CONSTRAINT_NAME=N'pk'");
}

TEST_F(database_objects, emptying_a_table_names_it_canonically)
{
    const auto database = open_database();
    mark();
    database->empty_table(L"[sales].[orders]");
    database->empty_table(L"orders");
    EXPECT_EQ(sent(), (std::vector<std::wstring>{L"delete from [sales].[orders]", L"delete from [dbo].[orders]"}));
}

}  // namespace
