#include "mssql/odb/odb_meta_data.h"

#include "odb_session_fixture.h"

namespace {

using oledb::schema_kind;

class odb_meta_data_test : public odb_session_fixture {
protected:
    void SetUp() override
    {
        odb_session_fixture::SetUp();
        server->add_schema_rows(schema_kind::tables,
                                {fake::table_row(L"dbo", L"orders"), fake::table_row(L"sales", L"items"),
                                 fake::table_row(L"dbo", L"v_orders", L"VIEW")});
        server->add_schema_rows(schema_kind::primary_keys,
                                {fake::primary_key_row(L"dbo", L"orders", L"id", 1, L"pk_orders"),
                                 fake::primary_key_row(L"dbo", L"orders", L"region", 2, L"pk_orders")});
        server->add_schema_rows(schema_kind::indexes,
                                {fake::index_row(L"dbo", L"orders", L"ix_date", L"made", 1, false, false)});
        server->add_schema_rows(schema_kind::foreign_keys,
                                {fake::foreign_key_row(L"dbo", L"orders", L"id", L"dbo", L"items", L"order_id", 1,
                                                       L"NO ACTION", L"CASCADE", L"fk_items_orders")});
    }

    // Column `column` of every row.
    static std::vector<std::wstring> column_of(odb_recordset& rows, std::size_t column)
    {
        std::vector<std::wstring> values;
        rows.reset();
        while (!rows.is_eof()) {
            values.push_back(rows.get_item()->at(column)->to_wstring());
            rows.next();
        }
        return values;
    }
};

TEST_F(odb_meta_data_test, tables_of_every_schema_or_of_one)
{
    odb_tl_meta_data all(session.get(), L"");
    EXPECT_EQ(all.schema.size(), 9u) << "every column of the tables rowset";
    EXPECT_EQ(column_of(all, 2), (std::vector<std::wstring>{L"orders", L"items"})) << "views are left out";
    odb_tl_meta_data sales(session.get(), L"sales");
    EXPECT_EQ(column_of(sales, 2), (std::vector<std::wstring>{L"items"}));
}

TEST_F(odb_meta_data_test, primary_key_columns_with_their_ordinals)
{
    odb_pk_meta_data key(session.get(), L"orders", L"dbo");
    EXPECT_EQ(column_of(key, 3), (std::vector<std::wstring>{L"id", L"region"}));
    EXPECT_EQ(column_of(key, 6), (std::vector<std::wstring>{L"1", L"2"}));
    odb_pk_meta_data none(session.get(), L"items", L"");
    none.reset();
    EXPECT_TRUE(none.is_eof()) << "a table without a primary key";
}

TEST_F(odb_meta_data_test, indexes_of_a_table)
{
    odb_id_meta_data indexes(session.get(), L"orders", L"");
    EXPECT_EQ(column_of(indexes, 5), (std::vector<std::wstring>{L"ix_date"}));
    EXPECT_EQ(column_of(indexes, 17), (std::vector<std::wstring>{L"made"}));
}

TEST_F(odb_meta_data_test, foreign_keys_are_those_that_reference_the_table)
{
    odb_fk_meta_data referencing(session.get(), L"orders", L"dbo");
    EXPECT_EQ(column_of(referencing, 16), (std::vector<std::wstring>{L"fk_items_orders"}));
    EXPECT_EQ(column_of(referencing, 14), (std::vector<std::wstring>{L"CASCADE"}));
    odb_fk_meta_data declaring(session.get(), L"items", L"dbo");
    declaring.reset();
    EXPECT_TRUE(declaring.is_eof()) << "the keys a table declares are not listed for it";
}

TEST_F(odb_meta_data_test, null_session_is_an_internal_error)
{
    EXPECT_THROW(odb_tl_meta_data(nullptr, L""), tk_mail_assertion);
}

}  // namespace
