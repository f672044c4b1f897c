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
