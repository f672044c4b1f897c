// The parts of the writing side that need no server: name rules, literals,
// column types and defaults, the row-size rule and view rewriting.
#include "model/column_descriptor.h"
#include "model/field.h"
#include "model/names_map.h"
#include "model/record.h"
#include "mysql/sql_engine.h"
#include "mysql/sql_literals.h"
#include "mysql/sql_native_types.h"
#include "mysql/sql_schema.h"
#include "mysql/sql_validators.h"
#include "mysql/sql_view_converter.h"
#include "variant/ole_date.h"

#include <gtest/gtest.h>

namespace {

ole_variant text(const std::wstring& value)
{
    return ole_variant(value);
}

TEST(mysql_validators, new_rules_refuse_blank_ends_lengths_and_their_characters)
{
    udb_record record;
    sql_new_fn_validator fields(record);
    sql_new_tn_validator tables({}, {});
    EXPECT_FALSE(fields.is_acceptable(L" name"));
    EXPECT_FALSE(fields.is_acceptable(L"name "));
    EXPECT_EQ(fields.get_safe_name(L" name "), L"name");
    EXPECT_FALSE(fields.is_acceptable(L""));
    EXPECT_FALSE(fields.is_acceptable(std::wstring(65, L'a')));
    EXPECT_TRUE(fields.is_acceptable(std::wstring(64, L'a')));
    EXPECT_TRUE(fields.is_acceptable(L"a/b?"));
    EXPECT_FALSE(tables.is_acceptable(L"a/b"));
    EXPECT_FALSE(tables.is_acceptable(L"a?b"));
    for (const wchar_t* name : {L"a`b", L"a\"b", L"a'b", L"a^b", L"a*b", L"a\\b", L"a;b", L"a+b"})
        EXPECT_FALSE(fields.is_acceptable(name)) << std::string(name, name + 3);
    EXPECT_TRUE(fields.is_acceptable(L"order"));
}

TEST(mysql_validators, old_rules_take_letters_digits_underscore_and_dollar_but_no_reserved_word)
{
    udb_schema schema(true);
    sql_old_fn_validator names(schema);
    EXPECT_FALSE(names.is_acceptable(L"ORDER"));
    EXPECT_TRUE(names.is_acceptable(L"order_1"));
    EXPECT_FALSE(names.is_acceptable(L"1234"));
    EXPECT_EQ(names.get_safe_name(L"1234"), L"_234");
    EXPECT_FALSE(names.is_acceptable(L"first-name"));
    EXPECT_EQ(names.get_safe_name(L"first-name"), L"first_name");
    EXPECT_TRUE(names.is_acceptable(L"$cost"));
    EXPECT_TRUE(names.is_acceptable(L"_x"));
    EXPECT_TRUE(names.is_acceptable(L"Grüße١"));
    EXPECT_EQ(names.restricted_words.size(), 167u);
}

TEST(mysql_literals, texts_are_masked_and_quoted_and_only_numbers_stand_bare)
{
    struct {
        std::string text;
        VARTYPE type;
        std::string literal;
    } cases[] = {
        {"x", VT_NULL, "NULL"},
        {"", VT_I4, "''"},
        {"it's\\", VT_BSTR, "'it\\'s\\\\'"},
        {std::string("a\0b", 3), VT_BSTR, "'a\\0b'"},
        {"it's\\", VT_I4, "'it\\'s\\\\'"},
        {"-12.5e+3", VT_R8, "-12.5e+3"},
        {"1; DROP TABLE t", VT_I4, "'1; DROP TABLE t'"},
        {"0x1A2B", ole_vt_bytes, "0x1A2B"},
        {"0x1G", ole_vt_bytes, "'0x1G'"},
        {"0x", ole_vt_bytes, "'0x'"},
        {"ab'c", ole_vt_bytes, "'ab\\'c'"},
        {"7", ole_vt_bytes, "'7'"},
        {"12345", ole_vt_bytes, "12345"},
        {"{12345678-1234-1234-1234-123456789ABC} it's", VT_BSTR, "'{12345678-1234-1234-1234-123456789ABC} it\\'s'"},
        {"2024-02-29 13:14:15.5", VT_DATE, "'2024-02-29 13:14:15.500000'"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(to_mysql_str(c.text, c.type), c.literal) << c.text;
    EXPECT_EQ(to_mysql_wstr(L"O'Brien \\", VT_BSTR), L"'O\\'Brien \\\\'");
}

TEST(mysql_literals, fields_become_insert_values_for_their_columns)
{
    auto literal = [](const ole_variant& value, const t_ftd& column, bool placeholders = false) {
        udb_field field(L"f", 0, value);
        return get_fld_append_str(&field, &column, placeholders);
    };
    const t_ftd text_column(10, L"t", VT_BSTR, false, false, ole_variant());
    const t_ftd geometry(0, L"g", VT_BSTR, false, false, ole_variant(), 2);
    const t_ftd number(4, L"n", VT_I4, false, false, ole_variant());
    const t_ftd required(4, L"r", VT_I4, true, false, text(L"5"));
    const t_ftd required_no_default(4, L"r", VT_I4, true, false, ole_variant());
    const t_ftd bytes(0, L"b", ole_vt_bytes, false, false, ole_variant());
    const t_ftd real(4, L"f", VT_R4, false, false, ole_variant());

    EXPECT_EQ(literal(text(std::wstring(L"a\0b'😀", 5)), text_column), "'a\\0b\\'😀'");
    EXPECT_EQ(literal(ole_variant(std::int32_t{42}), text_column), "42");
    EXPECT_EQ(literal(text(L"POINT(1 2)') , ('x"), geometry), "ST_GeomFromText('POINT(1 2)\\') , (\\'x')");
    EXPECT_EQ(literal(text(L"12"), number), "12");
    EXPECT_EQ(literal(text(L"12 OR 1=1"), number), "'12 OR 1=1'");
    EXPECT_EQ(literal(ole_variant(), number), "NULL");
    EXPECT_EQ(literal(ole_variant(), required), "5");
    EXPECT_EQ(literal(ole_variant(), required_no_default), "DEFAULT");
    EXPECT_EQ(literal(ole_variant(std::vector<BYTE>{0x00, 0xFF}), bytes), "0x00FF");
    EXPECT_EQ(literal(ole_variant(std::vector<BYTE>{}), bytes), "X''");
    EXPECT_EQ(literal(ole_variant(1.0000001f), real), "1.0000001");
    EXPECT_EQ(literal(ole_variant(0.30000000000000004), real), "3.0000000000000004e-01");
    // A value without a date part is a time of day only in a TIME column.
    const t_ftd date_time(26, L"dt", VT_DATE, false, false, ole_variant(), 1);
    const t_ftd time_stamp(19, L"ts", VT_DATE, false, false, ole_variant(), 0);
    const t_ftd time(15, L"tm", VT_DATE, false, false, ole_variant(), 3);
    const ole_variant zero_date_time(ole_date(std::string("0000-00-00 12:34:56.123456")));
    EXPECT_EQ(literal(zero_date_time, date_time), "'0000-00-00 12:34:56.123456'");
    EXPECT_EQ(literal(ole_variant(ole_date(std::string("0000-00-00 00:00:00"))), time_stamp), "'0000-00-00 00:00:00'");
    EXPECT_EQ(literal(zero_date_time, time), "'12:34:56.123456'");
    std::vector<BYTE> long_value(sql_long_data_threshold + 1, 1);
    EXPECT_EQ(literal(ole_variant(long_value), bytes, true), "?");
    EXPECT_EQ(literal(ole_variant(long_value), bytes, false).size(), 2 + 2 * long_value.size());
}

class mysql_column_types_test : public testing::Test {
protected:
    sql_engine m_engine;  // not connected: the rules of the oldest servers
};

TEST_F(mysql_column_types_test, types_follow_the_variant_type_size_and_subtype)
{
    struct {
        VARTYPE type;
        std::int32_t size;
        std::uint32_t subtype;
        const wchar_t* expected;
    } cases[] = {
        {VT_BSTR, 255, 0, L"VARCHAR(255)"}, {VT_BSTR, 16383, 0, L"VARCHAR(16383)"},
        {VT_BSTR, 16384, 0, L"MEDIUMTEXT"}, {VT_BSTR, 0, 0, L"LONGTEXT"},
        {VT_BSTR, 6000000, 0, L"LONGTEXT"}, {VT_BSTR, 10, 16, L"CHAR(10)"},
        {VT_BSTR, 0, 8, L"geometry"},       {ole_vt_bytes, 255, 0, L"VARBINARY(255)"},
        {ole_vt_bytes, 256, 0, L"BLOB"},    {ole_vt_bytes, 65536, 0, L"MEDIUMBLOB"},
        {ole_vt_bytes, 0, 0, L"LONGBLOB"},  {VT_CY, 8, 0, L"DECIMAL(19,4)"},
        {VT_BOOL, 1, 0, L"BIT(1)"},         {VT_UI8, 8, 0, L"BIGINT UNSIGNED"},
        {VT_DATE, 19, 0, L"TIMESTAMP"},     {VT_DATE, 10, 2, L"DATE"},
        {VT_DATE, 19, 9, L"TIMESTAMP"},     {VT_DATE, 19, 1, L"DATETIME"},
        {VT_DATE, 8, 3, L"TIME"},
    };
    for (const auto& c : cases) {
        t_ftd column(c.size, L"c", c.type, false, false, ole_variant(), c.subtype);
        EXPECT_EQ(get_sql_native_type2(column, false, 16383), c.expected) << c.type << " " << c.size;
    }
    t_ftd decimal(0, L"d", VT_DECIMAL, false, false, ole_variant());
    EXPECT_EQ(get_sql_native_type2(decimal, false, 16383), L"DOUBLE");
    decimal.precision = 10;
    decimal.scale = 2;
    EXPECT_EQ(get_sql_native_type2(decimal, false, 16383), L"DECIMAL(10,2)");
    EXPECT_EQ(get_sql_native_type2(decimal, true, 16383), L"DECIMAL");
    EXPECT_EQ(get_mysql_type_name(28), L"<Unknown type>");
    EXPECT_EQ(sql_varchar_limit(L"utf8mb4"), 16383);
    EXPECT_EQ(sql_varchar_limit(L"utf8"), 21844);
    EXPECT_EQ(sql_varchar_limit(L"latin1"), 21845);
}

TEST_F(mysql_column_types_test, defaults_are_written_only_when_mysql_reads_them_as_meant)
{
    struct {
        VARTYPE type;
        std::uint32_t subtype;
        const wchar_t* value;
        const wchar_t* expected;
    } cases[] = {
        {VT_DATE, 0, L"getdate()", L"CURRENT_TIMESTAMP"},
        {VT_DATE, 0, L"NOW()", L"CURRENT_TIMESTAMP"},
        {VT_DATE, 9, L"", L"CURRENT_TIMESTAMP"},
        {VT_DATE, 10, L"", L"CURRENT_DATE()"},
        {VT_DATE, 2, L"2024-01-02", L"'2024-01-02'"},
        {VT_DATE, 1, L"not a date", L""},
        {VT_BSTR, 0, L"it's", L"'it\\'s'"},
        {VT_BSTR, 0, L"to_char(sysdate,'yyyy-mm-dd hh24:mi:ss')", L""},
        {VT_I4, 0, L"42", L"42"},
        {VT_I4, 0, L"+42", L""},
        {VT_I4, 0, L" 42", L""},
        {VT_UI4, 0, L"4000000000", L"4000000000"},
        {VT_I8, 0, L"-9223372036854775808", L"-9223372036854775808"},
        {VT_R8, 0, L"0e0", L"0e0"},
        {VT_R8, 0, L"1.5", L"1.5"},
        {VT_R8, 0, L"1.5x", L""},
        {VT_R8, 0, L"0,0", L""},
        {VT_BSTR, 0, L"newid()", L"'newid()'"},
        {VT_I4, 0, L"newid()", L""},
        {ole_vt_bytes, 0, L"0x00", L""},
    };
    for (const auto& c : cases) {
        t_ftd column(10, L"c", c.type, false, false, text(c.value), c.subtype);
        EXPECT_EQ(make_mysql_def_val(&column), c.expected) << c.type << " " << std::wstring(c.value).size();
    }
    EXPECT_THROW(make_mysql_def_val(nullptr), tk_mail_assertion);
}

TEST(mysql_schema_rows, the_longest_varchar_columns_become_unlimited_text_when_the_row_is_too_long)
{
    sql_schema schema(16383, 4);
    for (int i = 0; i < 17; ++i)
        schema.push_back(new t_ftd(1000, L"c" + std::to_wstring(i), VT_BSTR, false, false, ole_variant()));
    // The newest of the equally long columns goes first.
    EXPECT_EQ(schema[16]->size, 0);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(schema[static_cast<std::size_t>(i)]->size, 1000);
    EXPECT_EQ(schema.total_size, 16u * 4002 + 12);
}

TEST(mysql_view_converter, ms_sql_texts_become_mysql_texts)
{
    udb_names_map names;
    names.add_tn_mapping(L"Old Table", L"new_table");
    names.add_fn_map(L"new_table", {{L"OldCol", L"new col"}});
    struct {
        const wchar_t* text;
        const wchar_t* expected;
    } cases[] = {
        {L"select isnull(a, b) from t", L"select ifnull(a, b) from t"},
        {L"select ISNULL(a, f(b, c)) from t", L"select ISNULL(a, f(b, c)) from t"},
        {L"select len(a), strlen(a) from t", L"select char_length(a), strlen(a) from t"},
        {L"select getdate() from t", L"select now() from t"},
        {L"select datediff(day, a, b) from t", L"select timestampdiff(DAY, a, b) from t"},
        {L"select DATEDIFF(mi,a,b) from t", L"select timestampdiff(MINUTE,a,b) from t"},
        {L"select dateadd(day, 1, a), replicate('x', 3) from t", L"select dateadd(day, 1, a), repeat('x', 3) from t"},
        {L"select [a], '[b]', 'C:\\x' from [dbo].[t]", L"select `a`, '[b]', 'C:\\\\x' from `t`"},
        {L"select [OldCol] from [Old Table] join dbo.u on 1=1", L"select `new col` from `new_table` join u on 1=1"},
        {L"select `OldCol`, OldCol, my_OldCol from x", L"select `new col`, `new col`, my_OldCol from x"},
        {L"select 'it''s [x]' from [a]]b]", L"select 'it''s [x]' from `a]b`"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sql_view_converter::convert(c.text, names), c.expected) << std::wstring(c.text).size();
    EXPECT_EQ(sql_view_converter::normalize_spaces(L"a \r\n\t b 'x \n\t y' \"p  q\"  "), L"a b 'x \n\t y' \"p  q\" ");
    EXPECT_EQ(sql_view_converter::normalize_spaces(L""), L"");
}

}  // namespace
