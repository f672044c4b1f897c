#include "mssql/odb/odb_database.h"

#include "model/recordset.h"
#include "mssql/odb_exception.h"
#include "odb_session_fixture.h"

namespace {

// The OLE DB database operations; the MS SQL database supplies the rest.
class test_database : public odb_database {
public:
    using odb_database::odb_database;
    udb_recordset* get_query(const std::wstring&, const std::wstring&, std::uint32_t) override { return nullptr; }
    udb_recordset* get_table(const std::wstring&, std::uint32_t) override { return nullptr; }
};

class odb_database_test : public odb_session_fixture {
protected:
    void SetUp() override
    {
        odb_session_fixture::SetUp();
        database = std::make_unique<test_database>(L"db", data_source.get(), session.get(), 0);
    }
    std::unique_ptr<test_database> database;
};

TEST_F(odb_database_test, query_returns_the_rows_or_a_recordset_at_its_end)
{
    answer(L"SELECT name FROM sys.schemas", {fake::wide_text_column(L"name")}, {texts({L"dbo"}), texts({L"sales"})});
    std::unique_ptr<udb_recordset> rows(database->query(L"SELECT name FROM sys.schemas"));
    rows->reset();
    ASSERT_FALSE(rows->is_eof());
    EXPECT_EQ(rows->get_item()->at(0)->to_wstring(), L"dbo");
    std::unique_ptr<udb_recordset> none(database->query(L"CREATE SCHEMA [x]"));
    none->reset();
    EXPECT_TRUE(none->is_eof());
}

TEST_F(odb_database_test, test_query_tells_whether_the_statement_runs)
{
    server->fail(L"SELEC 1", fake::sql_error(102, L"Incorrect syntax near '1'."));
    answer(L"SELECT 1", {fake::int_column(L"x")}, {texts({L"1"})});
    EXPECT_FALSE(database->test_query(L"SELEC 1"));
    EXPECT_TRUE(database->test_query(L"SELECT 1"));
}

TEST_F(odb_database_test, delete_tab_drops_the_canonical_name_and_leaves_the_list)
{
    database->tables = {L"sales.orders", L"dbo.items"};
    EXPECT_TRUE(database->delete_tab(L"sales.orders"));
    EXPECT_EQ(server->statement_texts().back(), L"DROP TABLE [sales].[orders]");
    EXPECT_EQ(database->tables, (std::vector<std::wstring>{L"dbo.items"}));
    EXPECT_FALSE(database->delete_tab(L"[sales].[ghost]"));
    EXPECT_EQ(server->statement_texts().back(), L"DROP TABLE [sales].[ghost]");

    server->fail(L"DROP TABLE [dbo].[items]", fake::sql_error(3701, L"Cannot drop the table 'items'."));
    EXPECT_THROW(database->delete_tab(L"dbo.items"), odb_exception);
    EXPECT_EQ(database->tables, (std::vector<std::wstring>{L"dbo.items"}));
}

struct default_case {
    VARTYPE vartype;
    std::int32_t size;
    std::uint32_t subtype;
    const wchar_t* default_text;
    const wchar_t* expected;  // null: no default property
    VARTYPE default_type = VT_BSTR;
};

class default_values : public odb_database_test, public ::testing::WithParamInterface<default_case> {};

TEST_P(default_values, become_the_provider_default)
{
    const default_case& c = GetParam();
    const t_ftd column(c.size, L"c", c.vartype, false, false, ole_variant::from_wstring(c.default_text, c.default_type),
                       c.subtype);
    oledb::property_set properties(DBPROPSET_COLUMN);
    database->set_def_value(&column, &properties);
    if (!c.expected) {
        EXPECT_TRUE(properties.properties().empty());
        return;
    }
    ASSERT_EQ(properties.properties().size(), 1u);
    const DBPROP& p = properties.properties()[0];
    EXPECT_EQ(p.dwPropertyID, DBPROP_COL_DEFAULT);
    ASSERT_EQ(p.vValue.vt, VT_BSTR);
    EXPECT_EQ(std::wstring(p.vValue.bstrVal), c.expected);
}

INSTANTIATE_TEST_SUITE_P(cases, default_values,
                         ::testing::Values(default_case{VT_DATE, 8, 0, L"CURRENT_TIMESTAMP", L"CURRENT_TIMESTAMP"},
                                           default_case{VT_DATE, 8, 0, L"NOW()", L"CURRENT_TIMESTAMP"},
                                           default_case{VT_DATE, 8, 9, L"", L"CURRENT_TIMESTAMP"},
                                           default_case{VT_DATE, 8, 0, L"getdate()", L"GETDATE()"},
                                           default_case{VT_DATE, 8, 10, L"", L"GETDATE()"},
                                           default_case{VT_BSTR, 50, 0, L"to_char(sysdate,'yyyy-mm-dd hh24:mi:ss')",
                                                        L"CONVERT(VARCHAR(19), GETDATE(), 120)"},
                                           default_case{VT_BSTR, 20, 0, L"O'Brien", L"'O''Brien'"},
                                           default_case{VT_BSTR, 3, 0, L"O'Brien", L"'O'''"},
                                           default_case{VT_BOOL, 2, 0, L"5", L"1", VT_I4},
                                           default_case{VT_BOOL, 2, 0, L"0", L"0", VT_I4},
                                           default_case{VT_BSTR, 20, 0, L"", nullptr}));

TEST_F(odb_database_test, numeric_default_stays_a_number)
{
    const t_ftd column(4, L"n", VT_I4, false, false, ole_variant(std::wstring(L"42")));
    oledb::property_set properties(DBPROPSET_COLUMN);
    database->set_def_value(&column, &properties);
    ASSERT_EQ(properties.properties().size(), 1u);
    EXPECT_EQ(properties.properties()[0].vValue.vt, VT_I4);
    EXPECT_EQ(properties.properties()[0].vValue.lVal, 42);
}

TEST_F(odb_database_test, create_table_defines_the_columns_and_refines_their_types)
{
    udb_schema schema(true);
    schema.push_back(new t_ftd(4, L"Id", VT_I4, false, true, ole_variant()));
    schema.push_back(new t_ftd(20, L"name", VT_BSTR, true, false, ole_variant(std::wstring(L"x"))));
    auto* amount = new t_ftd(19, L"amount", VT_DECIMAL, false, false, ole_variant(), 0, L"decimal(10,2)");
    amount->precision = 10;
    amount->scale = 2;
    schema.push_back(amount);
    auto* huge = new t_ftd(19, L"huge", VT_DECIMAL, false, false, ole_variant());
    huge->precision = 40;
    schema.push_back(huge);
    schema.push_back(new t_ftd(0, L"memo", VT_BSTR, false, false, ole_variant()));
    schema.push_back(new t_ftd(8, L"code", VT_I4, false, false, ole_variant()));
    udb_indexes indexes;
    udb_index key(L"pk", true, true);
    key.fields = {L"code", L"id"};
    indexes.push_back(key);

    server->define_table(L"[t]", {});
    EXPECT_EQ(database->create_table(L"t", schema, indexes), nullptr);
    EXPECT_EQ(server->statement_texts(),
              (std::vector<std::wstring>{
                  L"CREATE TABLE [t] ([Id] int IDENTITY(1,1) NOT NULL, [name] nvarchar(20) NOT NULL DEFAULT 'x', "
                  L"[amount] numeric(10,2) NULL, [huge] float NULL, [memo] nvarchar(max) NULL, [code] int NOT NULL)",
                  L"ALTER TABLE [t] ALTER COLUMN [amount] decimal(10,2)"}));
    EXPECT_EQ(database->names_map.fields.count(L"[t]"), 1u);
}

TEST_F(odb_database_test, failing_type_correction_is_logged_and_the_next_follows)
{
    udb_schema schema(true);
    auto* a = new t_ftd(19, L"a", VT_DECIMAL, true, false, ole_variant(), 0, L"decimal(5,1)");
    a->precision = 5;
    schema.push_back(a);
    auto* b = new t_ftd(19, L"b", VT_DECIMAL, false, false, ole_variant(), 0, L"numeric(6,2)");
    b->precision = 6;
    schema.push_back(b);
    server->fail(L"ALTER TABLE [t] ALTER COLUMN [a] decimal(5,1) NOT NULL", fake::sql_error(4928, L"Cannot alter."));
    server->define_table(L"[t]", {});
    EXPECT_NO_THROW(database->create_table(L"t", schema, udb_indexes()));
    EXPECT_EQ(server->statement_texts().back(), L"ALTER TABLE [t] ALTER COLUMN [b] numeric(6,2)");
}

}  // namespace
