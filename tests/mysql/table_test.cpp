#include "mysql/sql_database.h"
#include "mysql/sql_engine.h"
#include "mysql/table_reader.h"
#include "mysql/test_database.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

using velmora_test::read_rows;
using velmora_test::row_values;
using names = std::vector<std::wstring>;

class mysql_table_fixture : public testing::Test {
protected:
    explicit mysql_table_fixture(const char* fixture) : m_scratch(velmora_test::test_database_name("vtab"), fixture) {}

    void SetUp() override
    {
        velmora_test::connect_engine(m_engine);
        m_database = velmora_test::open_database(m_engine, m_scratch.name());
    }

    std::unique_ptr<udb_recordset> table(const std::wstring& name, std::uint32_t mode = 1)
    {
        return std::unique_ptr<udb_recordset>(m_database->get_table(name, mode));
    }

    velmora_test::scratch_database m_scratch;
    sql_engine m_engine;
    std::unique_ptr<sql_database> m_database;
};

class mysql_column_types : public mysql_table_fixture {
protected:
    mysql_column_types() : mysql_table_fixture("mysql/column_types.sql") {}
};

// Every session of this server begins in ANSI mode without backslash
// escapes, as on a server whose global sql_mode says so.
class mysql_source_forms : public mysql_table_fixture {
protected:
    mysql_source_forms() : mysql_table_fixture("mysql/source_forms.sql") {}

    void SetUp() override
    {
        mysql_options(m_engine.get_handle(), MYSQL_INIT_COMMAND,
                      "SET SESSION sql_mode = 'ANSI,NO_BACKSLASH_ESCAPES,STRICT_ALL_TABLES'");
        mysql_table_fixture::SetUp();
    }
};

class mysql_table_structure : public mysql_table_fixture {
protected:
    mysql_table_structure() : mysql_table_fixture("mysql/structure.sql") {}
};

struct column_shape {
    VARTYPE vartype;
    std::int32_t size, precision, scale;
    std::uint32_t reserved;
};

// Asserts the column's descriptor; null when the schema lacks it.
const t_ftd* expect_shape(const udb_schema& schema, const wchar_t* name, const column_shape& shape)
{
    const t_ftd* column = schema.get_field1(name);
    EXPECT_NE(column, nullptr);
    if (column == nullptr)
        return nullptr;
    EXPECT_EQ(column->vartype, shape.vartype);
    EXPECT_EQ(column->size, shape.size);
    EXPECT_EQ(column->precision, shape.precision);
    EXPECT_EQ(column->scale, shape.scale);
    EXPECT_EQ(column->dw_reserved, shape.reserved);
    return column;
}

struct type_case {
    const wchar_t* column;
    column_shape shape;
    const wchar_t* value;  // row 1, as text
};

TEST_F(mysql_column_types, every_type_arrives_with_its_variant_type_size_and_value)
{
    const type_case cases[] = {
        {L"id", {VT_I4, 11, 0, 0, 0}, L"1"},
        {L"ti", {VT_I1, 4, 0, 0, 0}, L"-128"},
        {L"tiu", {VT_UI1, 3, 0, 0, 0}, L"255"},
        {L"si", {VT_I2, 6, 0, 0, 0}, L"-32768"},
        {L"siu", {VT_UI2, 5, 0, 0, 0}, L"65535"},
        {L"mi", {VT_I4, 9, 0, 0, 0}, L"-8388608"},
        {L"miu", {VT_I4, 8, 0, 0, 0}, L"16777215"},
        {L"i", {VT_I4, 11, 0, 0, 0}, L"-2147483648"},
        {L"iu", {VT_UI4, 10, 0, 0, 0}, L"4294967295"},
        {L"bi", {VT_I8, 20, 0, 0, 1}, L"-9223372036854775808"},
        {L"biu", {VT_UI8, 20, 0, 0, 2}, L"18446744073709551615"},
        {L"dec_s", {VT_DECIMAL, 12, 10, 2, 0}, L"-12345678.91"},
        {L"dec_u", {VT_DECIMAL, 11, 10, 2, 0}, L"12345678.91"},
        {L"dec0", {VT_DECIMAL, 11, 10, 0, 0}, L"-1234567890"},
        {L"dec0_u", {VT_DECIMAL, 10, 10, 0, 0}, L"9876543210"},
        {L"dec_wide", {VT_DECIMAL, 30, 28, 6, 0}, L"1234567890123456789012.123456"},
        {L"fl", {VT_R4, 12, 0, 0, 0}, L"1.500000e+00"},
        {L"fl_ps", {VT_DECIMAL, 10, 10, 2, 0}, L"3.14"},
        {L"dbl", {VT_R8, 22, 0, 0, 0}, L"-2.2500000000000000e+00"},
        {L"dt", {VT_DATE, 10, 0, 0, 2}, L"2024-02-29"},
        {L"tm", {VT_DATE, 10, 0, 0, 3}, L"0000-00-00 13:14:15"},
        {L"dtm", {VT_DATE, 19, 0, 0, 1}, L"2024-02-29 13:14:15"},
        {L"dtm6", {VT_DATE, 26, 0, 0, 1}, L"2024-02-29 13:14:15.123456"},
        {L"ts", {VT_DATE, 19, 0, 0, 0}, L"2024-03-01 01:02:03"},
        {L"yr", {VT_UI2, 4, 0, 0, 0}, L"2024"},
        {L"ch", {VT_BSTR, 10, 0, 0, 0}, L"abc"},
        {L"vc", {VT_BSTR, 50, 0, 0, 0}, L"hello"},
        {L"tt", {VT_BSTR, 1020, 0, 0, 0}, L"tiny"},
        {L"tx", {VT_BSTR, 262140, 0, 0, 0}, L"text"},
        {L"mt", {VT_BSTR, 67108860, 0, 0, 0}, L"medium"},
        {L"lt", {VT_BSTR, 0, 0, 0, 0}, L"long"},
        {L"tx_bin", {VT_BSTR, 262140, 0, 0, 0}, L"Bin Text"},
        {L"vc_bin", {VT_BSTR, 20, 0, 0, 0}, L"Bin Var"},
        {L"bn", {ole_vt_bytes, 16, 0, 0, 0}, L"0x00112233445566778899AABBCCDDEEFF"},
        {L"vb", {ole_vt_bytes, 20, 0, 0, 0}, L"0x00FF00"},
        {L"tb", {ole_vt_bytes, 255, 0, 0, 0}, L"0x01"},
        {L"bl", {ole_vt_bytes, 65535, 0, 0, 0}, L"0xDEADBEEF"},
        {L"mb", {ole_vt_bytes, 16777215, 0, 0, 0}, L"0xCAFE"},
        {L"lb", {ole_vt_bytes, 0, 0, 0, 0}, L"0x00"},
        {L"en", {VT_BSTR, 20, 0, 0, 0}, L"large"},
        {L"st", {VT_BSTR, 56, 0, 0, 0}, L"red,blue"},
        {L"js", {VT_BSTR, 0, 0, 0, 0}, L"{\"k\": [1, 2]}"},
        {L"bit1", {VT_BOOL, 1, 0, 0, 0}, L"1"},
        {L"bit16", {VT_UI8, 16, 0, 0, 0}, L"1"},
        {L"bit64", {VT_UI8, 64, 0, 0, 0}, L"9223372036854775809"},
        {L"geo", {VT_BSTR, 0, 0, 0, 2}, L"POINT(1 2)"},
    };
    auto all_types = table(L"all_types");
    ASSERT_EQ(all_types->schema.size(), std::size(cases));
    std::vector<row_values> rows = read_rows(*all_types);
    ASSERT_EQ(rows.size(), 3u);
    for (const type_case& c : cases) {
        SCOPED_TRACE(c.column);
        expect_shape(all_types->schema, c.column, c.shape);
        EXPECT_EQ(rows[0].at(c.column).get_type(), c.shape.vartype);
        EXPECT_EQ(rows[0].at(c.column).to_wstring(), c.value);
        if (std::wstring(c.column) != L"id") {
            EXPECT_EQ(rows[1].at(c.column).get_type(), VT_EMPTY);
        }
    }
    const t_ftd& id = *all_types->schema.get_field1(L"id");
    EXPECT_TRUE(id.identity);
    EXPECT_TRUE(id.b_not_null);
    EXPECT_FALSE(all_types->schema.get_field1(L"ti")->b_not_null);
}

TEST_F(mysql_column_types, text_columns_carry_their_collation)
{
    auto all_types = table(L"all_types");
    EXPECT_EQ(all_types->schema.get_field1(L"vc_bin")->collation, L"utf8mb4_bin");
    EXPECT_EQ(all_types->schema.get_field1(L"tx_bin")->collation, L"utf8mb4_bin");
    EXPECT_TRUE(all_types->schema.get_field1(L"vc")->collation.starts_with(L"utf8mb4_"));
    EXPECT_EQ(all_types->schema.get_field1(L"id")->collation, L"");
}

TEST_F(mysql_column_types, four_byte_characters_and_leading_zero_bytes_survive)
{
    auto all_types = table(L"all_types");
    const row_values row = read_rows(*all_types).at(2);
    EXPECT_EQ(row.at(L"vc").to_wstring(), L"Grüße 𝄞 😀");
    EXPECT_EQ(row.at(L"ch").to_wstring(), L"ü😀");
    EXPECT_EQ(row.at(L"tx").to_wstring(), L"a😀b");
    EXPECT_EQ(row.at(L"js").to_wstring(), L"{\"name\": \"Zoë 😀\"}");
    EXPECT_EQ(row.at(L"bn").to_wstring(), L"0x000102030405060708090A0B0C0D0E0F");
    EXPECT_EQ(row.at(L"vb").to_wstring(), L"0x0000");
    EXPECT_EQ(row.at(L"bit16").to_wstring(), L"256");
    EXPECT_EQ(row.at(L"bit1").to_wstring(), L"0");
    EXPECT_EQ(row.at(L"ti").to_wstring(), L"0");
}

TEST_F(mysql_column_types, a_query_is_typed_by_its_result_alone)
{
    std::unique_ptr<udb_recordset> query(
        m_database->get_query(L"q", L"SELECT vc, fl_ps, bn, tx_bin, bit16, js, geo FROM all_types WHERE id = 1", 1));
    struct {
        const wchar_t* column;
        VARTYPE vartype;
        std::int32_t size;
        const wchar_t* value;
    } cases[] = {
        {L"vc", VT_BSTR, 200, L"hello"},
        {L"fl_ps", VT_R4, 10, L"3.140000e+00"},
        {L"bn", ole_vt_bytes, 16, L"0x00112233445566778899AABBCCDDEEFF"},
        {L"tx_bin", VT_BSTR, 262140, L"Bin Text"},
        {L"bit16", VT_UI8, 16, L"1"},
        {L"js", VT_BSTR, 0, L"{\"k\": [1, 2]}"},
        {L"geo", VT_BSTR, 0, L"POINT(1 2)"},
    };
    std::vector<row_values> rows = read_rows(*query);
    ASSERT_EQ(rows.size(), 1u);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.column);
        const t_ftd* column = query->schema.get_field1(c.column);
        ASSERT_NE(column, nullptr);
        EXPECT_EQ(column->vartype, c.vartype);
        EXPECT_EQ(column->size, c.size);
        EXPECT_EQ(rows[0].at(c.column).get_type(), c.vartype);
        EXPECT_EQ(rows[0].at(c.column).to_wstring(), c.value);
    }
}

TEST_F(mysql_column_types, blob_to_text_reads_binary_strings_as_text)
{
    m_engine.set_blob_to_text(true);
    auto all_types = table(L"all_types");
    for (const wchar_t* column : {L"bn", L"vb", L"tb", L"bl", L"mb", L"lb"})
        EXPECT_EQ(all_types->schema.get_field1(column)->vartype, VT_BSTR) << column;
    const row_values row = read_rows(*all_types).at(0);
    EXPECT_EQ(row.at(L"tb").get_type(), VT_BSTR);
    EXPECT_EQ(row.at(L"tb").to_wstring(), L"\x01");
}

TEST_F(mysql_table_structure, reads_declared_types_defaults_and_the_identity_seed)
{
    auto customer = table(L"customer");
    struct {
        const wchar_t* column;
        column_shape shape;
        bool not_null;
        VARTYPE default_type;
        const wchar_t* default_text;
    } cases[] = {
        {L"id", {VT_UI4, 10, 0, 0, 0}, true, VT_EMPTY, L""},
        {L"email", {VT_BSTR, 190, 0, 0, 0}, true, VT_BSTR, L""},
        {L"country", {VT_BSTR, 2, 0, 0, 0}, true, VT_BSTR, L"DE"},
        {L"nick", {VT_BSTR, 40, 0, 0, 0}, false, VT_EMPTY, L""},
        {L"notes", {VT_BSTR, 262140, 0, 0, 0}, true, VT_BSTR, L""},
        {L"visits", {VT_I4, 11, 0, 0, 0}, true, VT_EMPTY, L""},
        {L"score", {VT_DECIMAL, 8, 6, 2, 0}, true, VT_DECIMAL, L"1.5"},
        {L"ratio", {VT_DECIMAL, 10, 10, 2, 0}, false, VT_EMPTY, L""},
        {L"plain_float", {VT_R4, 12, 0, 0, 0}, false, VT_EMPTY, L""},
        {L"narrow_float", {VT_R4, 2, 0, 0, 0}, false, VT_EMPTY, L""},
        {L"whole_float", {VT_R4, 10, 0, 0, 0}, false, VT_EMPTY, L""},
        {L"created", {VT_DATE, 19, 0, 0, 9}, true, VT_EMPTY, L""},
        {L"changed", {VT_DATE, 26, 0, 0, 9}, false, VT_EMPTY, L""},
        {L"active", {VT_BOOL, 1, 0, 0, 0}, true, VT_BOOL, L"1"},
        {L"blocked", {VT_BOOL, 1, 0, 0, 0}, true, VT_BOOL, L"0"},
        {L"level", {VT_UI8, 8, 0, 0, 0}, true, VT_UI8, L"5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.column);
        const t_ftd* column = expect_shape(customer->schema, c.column, c.shape);
        ASSERT_NE(column, nullptr);
        EXPECT_EQ(column->b_not_null, c.not_null);
        EXPECT_EQ(column->default_value.get_type(), c.default_type);
        EXPECT_EQ(column->default_value.to_wstring(), c.default_text);
    }
    EXPECT_TRUE(customer->schema.get_field1(L"id")->identity);
    EXPECT_EQ(customer->schema.identity_seed, 7u);

    auto zero_dates = table(L"zero_dates");
    const t_ftd& happened = *zero_dates->schema.get_field1(L"happened");
    EXPECT_TRUE(happened.b_not_null);
    EXPECT_EQ(happened.default_value.to_wstring(), L"0000-00-00 00:00:00");
}

TEST_F(mysql_table_structure, reads_indexes_in_key_order_and_chooses_the_row_key)
{
    auto customer = table(L"customer");
    ASSERT_EQ(customer->indexes.size(), 3u);
    const udb_indexes& indexes = customer->indexes;
    EXPECT_EQ(indexes[0].name, L"PRIMARY");
    EXPECT_TRUE(indexes[0].primary);
    EXPECT_EQ(indexes[0].fields, names{L"id"});
    EXPECT_EQ(indexes[1].name, L"uq_customer_email");
    EXPECT_TRUE(indexes[1].unique);
    EXPECT_FALSE(indexes[1].primary);
    EXPECT_EQ(indexes[2].name, L"ix_customer_country_name");
    EXPECT_FALSE(indexes[2].unique);
    EXPECT_EQ(indexes[2].fields, (names{L"country", L"name"}));
    EXPECT_EQ(customer->key_index, 0);

    auto purchase = table(L"purchase");
    ASSERT_EQ(purchase->indexes.size(), 1u);
    EXPECT_EQ(purchase->indexes[0].fields, (names{L"customer_id", L"line_no"}));
    EXPECT_EQ(purchase->key_index, 0);

    EXPECT_EQ(table(L"purchase_note")->key_index, -1);

    auto columns_only = table(L"customer", 0);
    EXPECT_TRUE(columns_only->indexes.empty());
    EXPECT_EQ(columns_only->schema.get_field1(L"ratio")->vartype, VT_DECIMAL);
}

TEST_F(mysql_table_structure, adds_each_tables_foreign_keys_to_the_database)
{
    table(L"customer");
    EXPECT_TRUE(m_database->relationships.empty());
    table(L"purchase");
    table(L"purchase_note");
    table(L"purchase", 0);
    ASSERT_EQ(m_database->relationships.size(), 2u);
    const udb_relationship& single = m_database->relationships[0];
    EXPECT_EQ(single.name, L"fk_purchase_customer");
    EXPECT_EQ(single.fk_table, L"purchase");
    EXPECT_EQ(single.pk_table, L"customer");
    EXPECT_EQ(single.fk_flds, names{L"customer_id"});
    EXPECT_EQ(single.pk_flds, names{L"id"});
    EXPECT_EQ(single.rule, L"ON DELETE CASCADE ON UPDATE CASCADE");
    const udb_relationship& pair = m_database->relationships[1];
    EXPECT_EQ(pair.name, L"fk_note_purchase");
    EXPECT_EQ(pair.fk_flds, (names{L"customer_id", L"line_no"}));
    EXPECT_EQ(pair.pk_flds, (names{L"customer_id", L"line_no"}));
    EXPECT_EQ(pair.rule, L"");
}

// SHOW CREATE TABLE names the other database; the parser keeps the table,
// the catalogue tells the database.
TEST_F(mysql_table_structure, a_key_into_another_database_names_that_database)
{
    for (const char* statement :
         {"CREATE DATABASE IF NOT EXISTS vtab_elsewhere",
          "CREATE TABLE IF NOT EXISTS vtab_elsewhere.base (id INT PRIMARY KEY)",
          "CREATE TABLE far_child (id INT PRIMARY KEY, b INT, CONSTRAINT fk_far FOREIGN KEY (b) REFERENCES "
          "vtab_elsewhere.base (id))"})
        ASSERT_EQ(mysql_query(m_scratch.connection(), statement), 0) << mysql_error(m_scratch.connection());
    m_database = velmora_test::open_database(m_engine, m_scratch.name());
    table(L"purchase");
    table(L"far_child");
    ASSERT_EQ(m_database->relationships.size(), 2u);
    EXPECT_EQ(m_database->relationships[0].pk_database, L"");
    const udb_relationship& far = m_database->relationships[1];
    EXPECT_EQ(far.name, L"fk_far");
    EXPECT_EQ(far.pk_table, L"base");
    EXPECT_EQ(far.pk_database, L"vtab_elsewhere");
}

TEST_F(mysql_table_structure, streams_tables_with_awkward_names_and_invisible_columns)
{
    auto weird = table(L"we`ird");
    ASSERT_EQ(weird->schema.size(), 2u);
    EXPECT_EQ(weird->schema[0]->name, L"id`x");
    EXPECT_EQ(weird->schema[1]->name, L"va'l");
    EXPECT_EQ(weird->indexes.at(0).fields, names{L"id`x"});
    std::vector<row_values> rows = read_rows(*weird);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].at(L"va'l").to_wstring(), L"two");

    // An INVISIBLE column is read with the others, as an ordinary column;
    // a spatial one beside it still arrives as its text.
    auto hidden = table(L"hidden_cols");
    ASSERT_EQ(hidden->schema.size(), 4u);
    EXPECT_EQ(hidden->schema[1]->name, L"secret");
    EXPECT_EQ(hidden->schema[1]->default_value.to_wstring(), L"7");
    hidden->wait_for_count();
    EXPECT_EQ(hidden->record_count, 1u);
    rows = read_rows(*hidden);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].at(L"secret").to_wstring(), L"7");
    EXPECT_EQ(rows[0].at(L"label").to_wstring(), L"one");
    EXPECT_EQ(rows[0].at(L"spot").to_wstring(), L"POINT(1 2)");
}

}  // namespace

namespace {

// Values a typed value cannot hold exactly keep their MySQL text; a text
// keeps its zero characters; a BIGINT identity seeds past 32 bits.
class mysql_edge_values : public mysql_table_fixture {
protected:
    mysql_edge_values() : mysql_table_fixture("converter/edge_values.sql") {}
};

TEST_F(mysql_edge_values, values_arrive_whole_or_as_their_text)
{
    EXPECT_EQ(table(L"counter")->schema.identity_seed, 1099511627776u);

    const std::vector<row_values> texts = read_rows(*table(L"texts"));
    EXPECT_EQ(texts.at(0).at(L"body").to_wstring(), std::wstring(L"abc\0def", 7));

    const std::vector<row_values> numbers = read_rows(*table(L"numbers"));
    EXPECT_EQ(numbers.at(3).at(L"amount").get_type(), VT_DECIMAL);
    EXPECT_EQ(numbers.at(2).at(L"amount").get_type(), VT_BSTR);
    EXPECT_EQ(numbers.at(2).at(L"amount").to_wstring(), L"-1234567890123456789012345678.0123456789");

    const std::vector<row_values> moments = read_rows(*table(L"moments"));
    struct {
        std::size_t row;
        const wchar_t* column;
        VARTYPE type;
        const wchar_t* text;
    } cases[] = {
        {0, L"span", VT_DATE, nullptr},      {1, L"span", VT_BSTR, L"838:59:59"}, {2, L"span", VT_BSTR, L"-01:00:00"},
        {3, L"day", VT_BSTR, L"2020-05-00"}, {0, L"day", VT_DATE, nullptr},
    };
    for (const auto& c : cases) {
        const ole_variant& value = moments.at(c.row).at(c.column);
        EXPECT_EQ(value.get_type(), c.type) << c.row << c.column;
        if (c.text) {
            EXPECT_EQ(value.to_wstring(), c.text);
        }
    }
}

TEST_F(mysql_source_forms, the_session_reads_the_server_in_one_form_whatever_it_began_with)
{
    EXPECT_EQ(velmora_test::query_value(m_engine.get_handle(), "SELECT @@SESSION.sql_mode"),
              "REAL_AS_FLOAT,IGNORE_SPACE,STRICT_ALL_TABLES");
    table(L"chi\"ld");
    ASSERT_EQ(m_database->relationships.size(), 1u);
    const udb_relationship& key = m_database->relationships[0];
    EXPECT_EQ(key.name, L"fk \"child\"");
    EXPECT_EQ(key.fk_table, L"chi\"ld");
    EXPECT_EQ(key.pk_table, L"par ent");
    EXPECT_EQ(key.fk_flds, names{L"parent_id"});
    EXPECT_EQ(key.pk_flds, names{L"id"});
    EXPECT_EQ(key.rule, L"ON DELETE SET NULL");
    EXPECT_TRUE(m_database->unreadable_keys.empty());
}

TEST_F(mysql_source_forms, float_values_arrive_as_the_single_precision_numbers_they_are)
{
    const float expected[] = {16777215.0f, 123456.789f, 3.4028235e38f, -1.17549435e-38f, 0.0f, -0.0f};
    auto floats = table(L"floats");
    EXPECT_EQ(floats->schema.get_field1(L"f")->vartype, VT_R4);
    const std::vector<row_values> rows = read_rows(*floats);
    ASSERT_EQ(rows.size(), 7u);
    for (std::size_t i = 0; i < 6; ++i) {
        const ole_variant& value = rows[i].at(L"f");
        EXPECT_EQ(value.get_type(), VT_R4) << i;
        EXPECT_EQ(value.to_float(), expected[i]) << i;
        // The text a literal is written from reads back as the same number.
        EXPECT_EQ(std::stof(value.to_string()), expected[i]) << value.to_string();
    }
    EXPECT_EQ(rows[6].at(L"f").get_type(), VT_EMPTY);
}

TEST_F(mysql_source_forms, defaults_arrive_as_literals_or_as_expressions)
{
    struct {
        const wchar_t* column;
        udb_default_form form;
        const wchar_t* value;
        std::uint32_t subtype;
    } cases[] = {
        {L"t", udb_default_form::literal, L"x", 0},
        {L"v", udb_default_form::literal, L"", 0},
        {L"q", udb_default_form::literal, L"it's a\\b", 0},
        {L"n", udb_default_form::literal, L"NULL", 0},
        {L"b", udb_default_form::literal, L"0x616263", 0},
        {L"u", udb_default_form::expression, L"uuid()", 0},
        {L"r", udb_default_form::expression, L"rand()", 0},
        {L"s", udb_default_form::expression, L"(1 + 1)", 0},
        {L"i", udb_default_form::literal, L"-3", 0},
        {L"d", udb_default_form::literal, L"1.5", 0},
        {L"bt", udb_default_form::literal, L"1", 0},
        {L"dt", udb_default_form::given, L"", 9},
        {L"later", udb_default_form::expression, L"(current_timestamp() + interval 1 day)", 1},
        {L"c", udb_default_form::expression, L"concat('a','b')", 0},
    };
    auto defaults = table(L"defaults");
    for (const auto& c : cases) {
        const t_ftd* column = defaults->schema.get_field1(c.column);
        ASSERT_NE(column, nullptr) << c.column;
        EXPECT_EQ(column->default_form, c.form) << c.column;
        EXPECT_EQ(column->default_value.to_wstring(), c.value) << c.column;
        EXPECT_EQ(column->dw_reserved, c.subtype) << c.column;
    }
}

}  // namespace
