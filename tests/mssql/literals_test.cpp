#include "mssql/literals.h"

#include "model/column_descriptor.h"
#include "model/field.h"
#include "mssql/mss_engine.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_text_conversion.h"
#include "variant/ole_date.h"
#include "variant/ole_variant.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

constexpr const wchar_t* a_guid = L"00112233-4455-6677-8899-AABBCCDDEEFF";

class mss_literals_test : public testing::Test {
protected:
    static t_ftd column(VARTYPE vartype, bool not_null = false, const ole_variant& default_value = ole_variant(),
                        std::uint32_t subtype = 0)
    {
        return t_ftd(0, L"c", vartype, not_null, false, default_value, subtype);
    }

    static std::wstring literal(const ole_variant& value, const t_ftd& column)
    {
        const udb_field field(L"c", 0, value);
        const std::wstring wide = mss_get_fld_append_str(&field, &column);
        // The script writer's UTF-8 form says the same.
        std::string utf8 = "before ";
        mss_append_fld_literal(utf8, &field, &column, mss_engine::instance().unicode);
        EXPECT_EQ(utf8, "before " + tk_unicode_to_utf8(wide));
        return wide;
    }

    mss_engine engine;
};

TEST_F(mss_literals_test, text_doubles_apostrophes_and_follows_the_unicode_flag)
{
    EXPECT_EQ(to_mssql_str(L"O'Brien", VT_BSTR), L"N'O''Brien'");
    EXPECT_EQ(to_mssql_str(L"", VT_BSTR), L"''");
    engine.unicode = false;
    EXPECT_EQ(to_mssql_str(L"O'Brien", VT_BSTR), L"'O''Brien'");
}

TEST_F(mss_literals_test, only_uniqueidentifier_columns_take_the_guid_path)
{
    const t_ftd guid_column = column(VT_BSTR, false, ole_variant(), 1);
    const t_ftd text_column = column(VT_BSTR);
    EXPECT_EQ(to_mssql_str(std::wstring(L"{") + a_guid + L"}", VT_BSTR, &guid_column),
              L"'" + std::wstring(a_guid) + L"'");
    // Ordinary text that looks like a GUID reference stays as it is.
    const std::wstring text = L"guid={0011'233-4455-6677-8899-AABBCCDDEEFF}";
    EXPECT_EQ(to_mssql_str(text, VT_BSTR, &text_column), L"N'guid={0011''233-4455-6677-8899-AABBCCDDEEFF}'");
    EXPECT_EQ(to_mssql_str(text, VT_BSTR), L"N'guid={0011''233-4455-6677-8899-AABBCCDDEEFF}'");
    // No text in a uniqueidentifier column carries a bare quote into the statement.
    EXPECT_EQ(to_mssql_str(text, VT_BSTR, &guid_column), L"N'guid={0011''233-4455-6677-8899-AABBCCDDEEFF}'");
}

TEST_F(mss_literals_test, dates_keep_microseconds_where_the_column_holds_them)
{
    const t_ftd datetime2 = column(VT_DATE);
    t_ftd datetime = column(VT_DATE);
    datetime.native_type = L"datetime";
    const std::wstring value = L"2020-12-31 10:20:30.123456";
    EXPECT_EQ(to_mssql_str(value, VT_DATE, &datetime2), L"'2020-12-31 10:20:30.123456'");
    EXPECT_EQ(to_mssql_str(value, VT_DATE, &datetime), L"'2020-12-31 10:20:30.123'");
    EXPECT_EQ(to_mssql_str(value, VT_DATE), L"'2020-12-31 10:20:30.123'");
    EXPECT_EQ(to_mssql_str(L"0000-00-00", VT_DATE, &datetime2), L"'1899-12-30'");
}

TEST_F(mss_literals_test, safe_variant_clamps_values)
{
    struct clamp_case {
        double value;
        double expected;
    };
    const clamp_case cases[] = {{1e-320, 2.23e-308},
                                {-1e-320, -2.23e-308},
                                {0.0, 0.0},
                                {1.7976e308, 1.79e308},
                                {-1.7976e308, -1.79e308},
                                {1.5, 1.5},
                                {std::numeric_limits<double>::quiet_NaN(), -1.79e308}};
    for (const auto& c : cases)
        EXPECT_EQ(mssql_get_safe_variant(ole_variant(c.value)).to_double(), c.expected) << c.value;
    SYSTEMTIME far{};
    far.wYear = 12000;
    far.wMonth = 5;
    far.wDay = 6;
    far.wHour = 7;
    const ole_variant far_date(far);
    // The year ends at 9999; the month, day and time are kept.
    EXPECT_EQ(mssql_get_safe_variant(far_date).to_wstring(), L"9999-05-06 07:00:00");
}

TEST_F(mss_literals_test, nulls_follow_the_column)
{
    EXPECT_EQ(literal(ole_variant(), column(VT_I4)), L"NULL");
    EXPECT_EQ(literal(ole_variant(std::wstring()), column(VT_BSTR)), L"''");
    EXPECT_EQ(literal(ole_variant(), column(VT_BSTR, true, ole_variant(std::wstring(L"abc")))), L"N'abc'");
    EXPECT_EQ(literal(ole_variant(), column(VT_BSTR, true)), L"''");
    EXPECT_EQ(literal(ole_variant(), column(ole_vt_bytes, true)), L"0x");
    EXPECT_EQ(literal(ole_variant(), column(VT_I4, true, ole_variant(std::wstring(L"7")))), L"7");
    // An expression of the source server is no value of its own.
    t_ftd computed = column(VT_BSTR, true, ole_variant(std::wstring(L"uuid()")));
    computed.default_form = udb_default_form::expression;
    EXPECT_EQ(literal(ole_variant(), computed), L"''");
}

TEST_F(mss_literals_test, values_of_each_kind)
{
    EXPECT_EQ(literal(ole_variant(std::int32_t{-5}), column(VT_I4)), L"-5");
    EXPECT_EQ(literal(ole_variant(std::uint64_t{18446744073709551615ull}), column(VT_UI8)), L"18446744073709551615");
    EXPECT_EQ(literal(ole_variant(true), column(VT_BOOL)), L"1");
    EXPECT_EQ(literal(ole_variant(std::vector<BYTE>{0x0A, 0xFF}), column(ole_vt_bytes)), L"0x0AFF");
    EXPECT_EQ(literal(ole_variant(std::vector<BYTE>{}), column(ole_vt_bytes)), L"0x");
    EXPECT_EQ(literal(ole_variant(std::wstring(L"it's")), column(VT_BSTR)), L"N'it''s'");
    EXPECT_EQ(literal(ole_variant(ole_date(std::string("2021-03-04 05:06:07.000089"))), column(VT_DATE)),
              L"'2021-03-04 05:06:07.000089'");
}

// Every form a date takes, through both the wide and the UTF-8 builder.
TEST_F(mss_literals_test, dates_of_each_form)
{
    struct date_case {
        const char* text;
        const wchar_t* native_type;
        const wchar_t* expected;
    };
    const date_case cases[] = {
        {"2021-03-04", L"date", L"'2021-03-04'"},
        {"2021-03-04 00:00:00", L"datetime2", L"'2021-03-04'"},
        {"2021-03-04 05:06:07.123456", L"datetime", L"'2021-03-04 05:06:07.123'"},
        {"2021-03-04 05:06:07.123456", L"datetime2", L"'2021-03-04 05:06:07.123456'"},
        {"05:06:07", L"time", L"'05:06:07'"},
        {"0000-00-00", L"datetime2", L"'1899-12-30'"},
        {"9999-12-31 23:59:59", L"datetime2", L"'9999-12-31 23:59:59'"},
    };
    for (const date_case& c : cases) {
        t_ftd date_column = column(VT_DATE);
        date_column.native_type = c.native_type;
        EXPECT_EQ(literal(ole_variant(ole_date(std::string(c.text))), date_column), c.expected) << c.text;
    }
}

// Values the typed value could not hold arrive as their source text: exact
// numbers are written bare, dates and times MS SQL Server cannot hold are
// refused by both builders, naming the column and the value.
TEST_F(mss_literals_test, kept_texts_are_written_exactly_or_refused)
{
    const t_ftd number = t_ftd(0, L"c", VT_DECIMAL, false, false, ole_variant(), 0);
    const t_ftd time = column(VT_DATE, false, ole_variant(), 3);
    const t_ftd datetime = column(VT_DATE, false, ole_variant(), 1);
    const auto text = [](const wchar_t* value) { return ole_variant(std::wstring(value)); };
    EXPECT_EQ(literal(text(L"-1234567890123456789012345678.0123456789"), number),
              L"-1234567890123456789012345678.0123456789");
    EXPECT_EQ(literal(text(L"99999999999999999999999999999999999999"), number),
              L"99999999999999999999999999999999999999");
    EXPECT_EQ(literal(text(L"2024-02-29 10:20:30"), datetime), L"N'2024-02-29 10:20:30'");
    struct {
        ole_variant value;
        const t_ftd& column;
        const char* message;
    } refused[] = {
        {text(L"838:59:59"), time, "Column 'c': MS SQL Server cannot hold the value '838:59:59'"},
        {text(L"-01:00:00"), time, "Column 'c': MS SQL Server cannot hold the value '-01:00:00'"},
        {text(L"2020-05-00"), datetime, "Column 'c': MS SQL Server cannot hold the value '2020-05-00'"},
        {text(L"12,5"), number, "Column 'c': MS SQL Server cannot hold the value '12,5'"},
    };
    for (const auto& c : refused) {
        const udb_field field(L"c", 0, c.value);
        try {
            mss_get_fld_append_str(&field, &c.column);
            ADD_FAILURE() << c.message;
        } catch (const tk_exception& e) {
            EXPECT_STREQ(e.what(), c.message);
            EXPECT_EQ(e.get_code(), 0u);
        }
        std::string utf8;
        EXPECT_THROW(mss_append_fld_literal(utf8, &field, &c.column, engine.unicode), tk_exception) << c.message;
    }
}

// A zero date with a time of day is the base date at that time, as bulk load
// writes it, except in a column of times.
TEST_F(mss_literals_test, zero_date_times_keep_the_base_date)
{
    const ole_variant zero(ole_date(std::string("0000-00-00 12:34:56")));
    EXPECT_EQ(literal(zero, column(VT_DATE, false, ole_variant(), 1)), L"'1899-12-30 12:34:56'");
    EXPECT_EQ(literal(zero, column(VT_DATE, false, ole_variant(), 0)), L"'1899-12-30 12:34:56'");
    EXPECT_EQ(literal(zero, column(VT_DATE, false, ole_variant(), 3)), L"'12:34:56'");
    EXPECT_EQ(literal(ole_variant(ole_date(std::string("0000-00-00 00:00:00"))), column(VT_DATE)),
              L"'1899-12-30 00:00:00'");
    const std::wstring with_zero(L"ab\0c", 4);
    EXPECT_EQ(literal(ole_variant(with_zero), column(VT_BSTR)), L"N'ab' + NCHAR(0) + N'c'");
}

// The UTF-8 builder prints most dates without reading their text again; the
// literal helper holds it to the wide builder, which always reads it again.
TEST_F(mss_literals_test, dates_print_as_their_text_reads)
{
    const char* days[] = {"0001-01-01", "0100-02-28", "1753-01-01", "1899-12-30",
                          "1900-02-28", "2000-02-29", "2024-12-31", "9999-12-31"};
    const char* times[] = {"",
                           " 00:00:00",
                           " 00:00:00.000001",
                           " 12:00:00",
                           " 23:59:59",
                           " 23:59:59.999999",
                           " 01:02:03.000999",
                           " 01:02:03.001",
                           " 01:02:03.5",
                           " 01:02:60"};
    t_ftd datetime = column(VT_DATE);
    datetime.native_type = L"datetime";
    t_ftd datetime2 = column(VT_DATE);
    datetime2.native_type = L"datetime2";
    for (const char* day : days) {
        for (const char* time : times) {
            const ole_variant value(ole_date(std::string(day) + time));
            literal(value, datetime);
            literal(value, datetime2);
        }
    }
    // A date built from its parts, its milliseconds without microseconds.
    const SYSTEMTIME parts{2021, 5, 0, 6, 7, 0, 0, 250};
    literal(ole_variant(parts), datetime);
    literal(ole_variant(parts), datetime2);
}

TEST(mss_literals_without_engine_test, raises_internal_errors)
{
    EXPECT_THROW(to_mssql_str(L"x", VT_BSTR), tk_mail_assertion);
    const t_ftd column(0, L"c", VT_I4, false, false, ole_variant());
    EXPECT_THROW(mss_get_fld_append_str(nullptr, &column), tk_mail_assertion);
}

}  // namespace
