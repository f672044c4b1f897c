#include "mysql/column_refinement.h"

#include <gtest/gtest.h>

namespace {

t_ftd column(VARTYPE vartype, bool not_null = false, std::int32_t size = 40, std::uint32_t subtype = 0)
{
    return t_ftd(size, L"c", vartype, not_null, false, ole_variant(), subtype);
}

TEST(mysql_type_refinement, takes_what_the_declared_type_tells)
{
    struct {
        VARTYPE vartype;
        const wchar_t* type_text;
        VARTYPE refined;
        std::int32_t size, precision, scale;
    } cases[] = {
        {VT_BSTR, L"varchar(255)", VT_BSTR, 255, 0, 0},
        // The declared length in characters, not the bytes utf8mb4 reserves.
        {VT_BSTR, L"char(10)", VT_BSTR, 10, 0, 0},
        {ole_vt_bytes, L"binary(40)", ole_vt_bytes, 40, 0, 0},
        {ole_vt_bytes, L"varbinary(40)", ole_vt_bytes, 40, 0, 0},
        {VT_R4, L"float(10,2)", VT_DECIMAL, 40, 10, 2},
        {VT_R4, L"float(2,2)", VT_R4, 40, 0, 0},
        {VT_R4, L"float(10,0)", VT_R4, 40, 0, 0},
        {VT_R4, L"float", VT_R4, 40, 0, 0},
        {ole_vt_bytes, L"tinytext", VT_BSTR, 40, 0, 0},
        {ole_vt_bytes, L"LONGTEXT", VT_BSTR, 40, 0, 0},
        {ole_vt_bytes, L"Text", ole_vt_bytes, 40, 0, 0},
        {VT_I4, L"int(11)", VT_I4, 40, 0, 0},
        {VT_I4, L"int", VT_I4, 40, 0, 0},
    };
    for (const auto& c : cases) {
        t_ftd refined = column(c.vartype);
        sql_refine_type(refined, c.type_text);
        EXPECT_EQ(refined.vartype, c.refined) << c.type_text;
        EXPECT_EQ(refined.size, c.size) << c.type_text;
        EXPECT_EQ(refined.precision, c.precision) << c.type_text;
        EXPECT_EQ(refined.scale, c.scale) << c.type_text;
    }
}

TEST(mysql_default_refinement, reads_both_servers_forms)
{
    struct {
        VARTYPE vartype;
        std::uint32_t subtype;  // 0 TIMESTAMP, 1 DATETIME, 2 DATE, 3 TIME
        bool not_null;
        const wchar_t* text;
        VARTYPE default_type;
        const wchar_t* default_text;  // to_wstring of the default
        bool still_not_null;
        std::uint32_t reserved;
    } cases[] = {
        {VT_BSTR, 0, false, L"", VT_EMPTY, L"", false, 0},
        {VT_BSTR, 0, true, L"", VT_BSTR, L"", true, 0},
        {VT_BSTR, 0, true, L"DE", VT_BSTR, L"DE", true, 0},
        {VT_I4, 0, true, L"", VT_EMPTY, L"", true, 0},
        {VT_I4, 0, false, L"7", VT_I4, L"7", false, 0},
        {VT_DECIMAL, 0, true, L"1.50", VT_DECIMAL, L"1.5", true, 0},
        // A NOT NULL date column stays so: its key must hold. A zero date
        // default is kept for the destination, which writes its base date.
        {VT_DATE, 1, true, L"", VT_EMPTY, L"", true, 1},
        {VT_DATE, 1, true, L"0000-00-00 00:00:00", VT_BSTR, L"0000-00-00 00:00:00", true, 1},
        {VT_DATE, 2, true, L"0000-00-00", VT_BSTR, L"0000-00-00", true, 2},
        {VT_DATE, 0, true, L"00000000000000", VT_BSTR, L"00000000000000", true, 0},
        {VT_DATE, 1, true, L"0000-00-00 00:00:00.000000", VT_BSTR, L"0000-00-00 00:00:00.000000", true, 1},
        {VT_DATE, 3, true, L"00:00:00", VT_BSTR, L"00:00:00", true, 3},
        // Defaults of the current moment, in a column of the moment's kind.
        {VT_DATE, 0, true, L"CURRENT_TIMESTAMP", VT_EMPTY, L"", true, 9},
        {VT_DATE, 0, true, L"current_timestamp()", VT_EMPTY, L"", true, 9},
        {VT_DATE, 1, false, L"current_timestamp(6)", VT_EMPTY, L"", false, 9},
        {VT_DATE, 1, false, L"now()", VT_EMPTY, L"", false, 9},
        {VT_DATE, 1, false, L"LOCALTIMESTAMP", VT_EMPTY, L"", false, 9},
        {VT_DATE, 2, false, L"curdate()", VT_EMPTY, L"", false, 10},
        {VT_DATE, 2, false, L"current_date", VT_EMPTY, L"", false, 10},
        {VT_DATE, 2, false, L"(curdate())", VT_EMPTY, L"", false, 10},
        {VT_DATE, 2, false, L"current_timestamp()", VT_EMPTY, L"", false, 10},
        {VT_DATE, 3, false, L"curtime()", VT_EMPTY, L"", false, 11},
        {VT_DATE, 3, false, L"current_time", VT_EMPTY, L"", false, 11},
        {VT_DATE, 3, false, L"curtime(3)", VT_EMPTY, L"", false, 11},
        // Anything else stays as the server wrote it.
        {VT_DATE, 2, true, L"2020-01-02", VT_BSTR, L"2020-01-02", true, 2},
        {VT_DATE, 1, true, L"2020-01-02 03:04:05", VT_BSTR, L"2020-01-02 03:04:05", true, 1},
        {VT_DATE, 3, true, L"12:30:00", VT_BSTR, L"12:30:00", true, 3},
        {VT_DATE, 1, false, L"curdate()", VT_BSTR, L"curdate()", false, 1},
        {VT_DATE, 1, false, L"utc_timestamp(3)", VT_BSTR, L"utc_timestamp(3)", false, 1},
        {VT_DATE, 1, false, L"(current_timestamp() + interval 1 day)", VT_BSTR,
         L"(current_timestamp() + interval 1 day)", false, 1},
        {VT_DATE, 2, false, L"2020-05-00", VT_BSTR, L"2020-05-00", false, 2},
        {VT_BOOL, 0, true, L"b'1'", VT_BOOL, L"1", true, 0},
        {VT_BOOL, 0, true, L"B'0'", VT_BOOL, L"0", true, 0},
        {VT_BOOL, 0, true, L"1", VT_EMPTY, L"", true, 0},
        {VT_UI8, 0, true, L"b'101'", VT_UI8, L"5", true, 0},
        {VT_UI8, 0, true, L"18446744073709551615", VT_UI8, L"18446744073709551615", true, 0},
        {ole_vt_bytes, 0, false, L"ab", ole_vt_bytes, L"0x6162", false, 0},
    };
    for (const auto& c : cases) {
        t_ftd refined = column(c.vartype, c.not_null, 40, c.subtype);
        sql_refine_default(refined, c.text);
        EXPECT_EQ(refined.default_value.get_type(), c.default_type) << c.text;
        EXPECT_EQ(refined.default_value.to_wstring(), c.default_text) << c.text;
        EXPECT_EQ(refined.b_not_null, c.still_not_null) << c.text;
        EXPECT_EQ(refined.dw_reserved, c.reserved) << c.text;
    }
}

}  // namespace

namespace {

struct declared_case {
    std::optional<std::wstring> reported;
    const wchar_t* extra;  // SHOW COLUMNS' Extra; null: information_schema of MariaDB
    bool declared, expression;
    const wchar_t* text;
};

TEST(mysql_declared_default, tells_literals_from_expressions_as_each_server_writes_them)
{
    const declared_case cases[] = {
        // MariaDB 10.2.7 and later: literals quoted, expressions bare.
        {std::nullopt, nullptr, false, false, L""},
        {L"NULL", nullptr, false, false, L""},
        {L"'NULL'", nullptr, true, false, L"NULL"},
        {L"''", nullptr, true, false, L""},
        {L"'x'", nullptr, true, false, L"x"},
        {L"'it''s'", nullptr, true, false, L"it's"},
        {L"'a\\\\b\\nc'", nullptr, true, false, L"a\\b\nc"},
        {L"'uuid()'", nullptr, true, false, L"uuid()"},
        {L"5", nullptr, true, false, L"5"},
        {L"-3", nullptr, true, false, L"-3"},
        {L"1.50", nullptr, true, false, L"1.50"},
        {L"1e10", nullptr, true, false, L"1e10"},
        {L"b'1'", nullptr, true, false, L"b'1'"},
        {L"uuid()", nullptr, true, true, L"uuid()"},
        {L"rand()", nullptr, true, true, L"rand()"},
        {L"(1 + 1)", nullptr, true, true, L"(1 + 1)"},
        {L"current_timestamp()", nullptr, true, true, L"current_timestamp()"},
        // MySQL 8: values bare, expressions marked in Extra.
        {L"x", L"", true, false, L"x"},
        {L"", L"", true, false, L""},
        {L"uuid()", L"", true, false, L"uuid()"},
        {L"uuid()", L"DEFAULT_GENERATED", true, true, L"uuid()"},
        {L"CURRENT_TIMESTAMP", L"DEFAULT_GENERATED on update CURRENT_TIMESTAMP", true, true, L"CURRENT_TIMESTAMP"},
        // A text default of a BLOB or TEXT column, which MySQL 8 keeps as an expression.
        {L"_utf8mb4\\'abc\\'", L"DEFAULT_GENERATED", true, false, L"abc"},
        {L"_utf8mb4\\'it\\'s\\'", L"DEFAULT_GENERATED", true, false, L"it's"},
        {L"_latin1'x'", L"DEFAULT_GENERATED", true, false, L"x"},
        {L"concat(_utf8mb4\\'a\\',_utf8mb4\\'b\\')", L"DEFAULT_GENERATED", true, true,
         L"concat(_utf8mb4\\'a\\',_utf8mb4\\'b\\')"},
        {std::nullopt, L"", false, false, L""},
    };
    for (const declared_case& c : cases) {
        const sql_declared_default found =
            c.extra == nullptr ? sql_quoted_default(c.reported) : sql_shown_default(c.reported, c.extra);
        const std::wstring label = c.reported.value_or(L"<null>");
        EXPECT_EQ(found.declared, c.declared) << label;
        EXPECT_EQ(found.expression, c.expression) << label;
        EXPECT_EQ(found.text, c.text) << label;
    }
}

TEST(mysql_declared_default, sets_values_and_marks_expressions)
{
    struct {
        VARTYPE vartype;
        std::uint32_t subtype;
        sql_declared_default declared;
        udb_default_form form;
        const wchar_t* value;  // as text
        std::uint32_t refined_subtype;
    } cases[] = {
        {VT_BSTR, 0, {true, false, L""}, udb_default_form::literal, L"", 0},
        {VT_BSTR, 0, {true, false, L"x"}, udb_default_form::literal, L"x", 0},
        {VT_BSTR, 0, {true, true, L"uuid()"}, udb_default_form::expression, L"uuid()", 0},
        {VT_R8, 0, {true, true, L"rand()"}, udb_default_form::expression, L"rand()", 0},
        {VT_I4, 0, {true, false, L"-3"}, udb_default_form::literal, L"-3", 0},
        {VT_BSTR, 0, {false, false, L""}, udb_default_form::given, L"", 0},
        {ole_vt_bytes, 0, {true, false, L"abc"}, udb_default_form::literal, L"0x616263", 0},
        {VT_DATE, 1, {true, true, L"current_timestamp()"}, udb_default_form::given, L"", 9},
        {VT_DATE,
         1,
         {true, true, L"current_timestamp() + interval 1 day"},
         udb_default_form::expression,
         L"current_timestamp() + interval 1 day",
         1},
    };
    for (const auto& c : cases) {
        t_ftd refined = column(c.vartype, false, 40, c.subtype);
        sql_refine_default(refined, c.declared);
        EXPECT_EQ(refined.default_form, c.form) << c.declared.text;
        EXPECT_EQ(refined.default_value.to_wstring(), c.value) << c.declared.text;
        EXPECT_EQ(refined.dw_reserved, c.refined_subtype) << c.declared.text;
    }
}

}  // namespace
