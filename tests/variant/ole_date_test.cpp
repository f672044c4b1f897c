#include "variant/ole_date.h"

#include "toolkit/tk_exception.h"

#include <gtest/gtest.h>

namespace {

struct parse_case {
    const char* text;
    std::uint32_t kind;
    const char* narrow6;   // to_string(6)
    const wchar_t* wide3;  // to_wstring(3)
};

TEST(ole_date, parses_the_known_forms)
{
    const parse_case cases[] = {
        {"20201231235959", ole_date::kind_date_time, "2020-12-31 23:59:59", L"2020-12-31 23:59:59"},
        {"20201231", ole_date::kind_date, "2020-12-31", L"2020-12-31"},
        {"2020-12-31", ole_date::kind_date, "2020-12-31", L"2020-12-31"},
        {"  2020-12-31  ", ole_date::kind_date, "2020-12-31", L"2020-12-31"},
        {"2020-12-31 10:20:30.1234567", ole_date::kind_date_time, "2020-12-31 10:20:30.123457",
         L"2020-12-31 10:20:30.123"},
        {"31.12.2020", ole_date::kind_date, "2020-12-31", L"2020-12-31"},
        {"31/12/2020", ole_date::kind_date, "2020-12-31", L"2020-12-31"},
        {"12/31/2020", ole_date::kind_date, "2020-12-31", L"2020-12-31"},
        {"December 31, 2020 10:20:30", ole_date::kind_date_time, "2020-12-31 10:20:30", L"2020-12-31 10:20:30"},
        {"10:20", ole_date::kind_time, "0000-00-00 10:20:00", L"10:20:00"},
        {"10:20:30", ole_date::kind_time, "0000-00-00 10:20:30", L"10:20:30"},
        {"10:20:59.9999999", ole_date::kind_time, "0000-00-00 10:21:00", L"10:21:00"},
        {"2020-12-31 03:15:00 PM", ole_date::kind_date_time, "2020-12-31 15:15:00", L"2020-12-31 15:15:00"},
        {"12:30:00 PM", ole_date::kind_time, "0000-00-00 12:30:00", L"12:30:00"},
        {"2020-02-29", ole_date::kind_date, "2020-02-29", L"2020-02-29"},
        {"0000-00-00 00:00:00", ole_date::kind_time, "0000-00-00 00:00:00", L"00:00:00"},
        {"2020-12-31 10:20:60", ole_date::kind_date_time, "2020-12-31 10:20:60", L"2020-12-31 10:20:60"},
        {"2020-12-31 10:20:30.", ole_date::kind_date_time, "2020-12-31 10:20:30", L"2020-12-31 10:20:30"},
        {"2020-12-31 10:20:30.000001", ole_date::kind_date_time, "2020-12-31 10:20:30.000001",
         L"2020-12-31 10:20:30.000"},
        {"2020-12-31 23:59:59.9999999999", ole_date::kind_date, "2021-01-01", L"2021-01-01"},
        {"9999-12-31 23:59:59.9999999", ole_date::kind_date_time, "9999-12-31 23:59:59.999999",
         L"9999-12-31 23:59:59.999"},
        {"2020-12-31 00:00:00", ole_date::kind_date, "2020-12-31", L"2020-12-31"},
        {"2020-12-31 00:00:07", ole_date::kind_date_time, "2020-12-31 00:00:07", L"2020-12-31 00:00:07"},
        {"2020-12-31 10:20:30 pm", ole_date::kind_date_time, "2020-12-31 22:20:30", L"2020-12-31 22:20:30"},
    };
    for (const parse_case& c : cases) {
        const ole_date date{std::string(c.text)};
        EXPECT_TRUE(date.is_valid()) << c.text;
        EXPECT_EQ(date.get_kind(), c.kind) << c.text;
        EXPECT_EQ(date.to_string(6), c.narrow6) << c.text;
        EXPECT_EQ(date.to_wstring(3), c.wide3) << c.text;
    }
}

TEST(ole_date, texts_that_are_no_date_leave_it_empty)
{
    for (const char* text :
         {"", "abc", "1:05", "31122020", "2021-02-29", "2020-13-01", "garbage text", "99999999999999999999:10",
          "10:20:99", "2020-12-31 10:61:00", "2020-12-31 10:20:61", "2020-12-31 10:20:99"}) {
        const ole_date date{std::string(text)};
        EXPECT_FALSE(date.is_valid()) << text;
        EXPECT_EQ(date.get_kind(), ole_date::kind_empty) << text;
        EXPECT_EQ(date.to_string(6), "") << text;
        EXPECT_EQ(date.to_wstring(6), L"") << text;
    }
    const std::string long_seconds = "10:20:" + std::string(200, '5');
    EXPECT_FALSE(ole_date(long_seconds).is_valid());
}

TEST(ole_date, an_hour_of_24_or_more_is_no_time)
{
    for (const char* text : {"24:00:00", "2020-01-01 24:00:00", "838:59:59", "20200101240000"})
        EXPECT_FALSE(ole_date(std::string(text)).is_valid()) << text;
}

TEST(ole_date, twelve_am_is_the_first_hour)
{
    const ole_date midnight_half(std::string("12:30:00 AM"));
    EXPECT_EQ(midnight_half.get_time().wHour, 0);
    EXPECT_EQ(midnight_half.to_wstring(0), L"00:30:00");
    const ole_date date_time(std::string("2020-12-31 12:05:00 am"));
    EXPECT_EQ(date_time.to_string(0), "2020-12-31 00:05:00");
    const ole_date eleven_am(std::string("11:00:00 AM"));
    EXPECT_EQ(eleven_am.get_time().wHour, 11);
}

TEST(ole_date, milliseconds_follow_the_microseconds)
{
    struct fraction_case {
        const char* text;
        std::uint32_t microseconds;
        int milliseconds;
        const char* narrow3;
        const char* narrow6;
    };
    const fraction_case cases[] = {
        {"2020-01-01 10:20:30.9996", 999600, 999, "2020-01-01 10:20:30.999", "2020-01-01 10:20:30.999600"},
        {"2020-01-01 10:20:30.5", 500000, 500, "2020-01-01 10:20:30.500", "2020-01-01 10:20:30.500000"},
        {"2020-01-01 00:00:00.0005", 500, 0, "2020-01-01 00:00:00.000", "2020-01-01 00:00:00.000500"},
        {"2020-01-01 00:00:07.000001", 1, 0, "2020-01-01 00:00:07.000", "2020-01-01 00:00:07.000001"},
        {"2020-01-01 10:20:59.999999", 999999, 999, "2020-01-01 10:20:59.999", "2020-01-01 10:20:59.999999"},
        // A rounding overflow carries through seconds, minutes, hours and the date.
        {"2020-12-31 23:59:59.9999999", 0, 0, "2021-01-01", "2021-01-01"},
        {"2020-02-28 23:59:59.9999996", 0, 0, "2020-02-29", "2020-02-29"},
        {"2021-02-28 23:59:59.9999996", 0, 0, "2021-03-01", "2021-03-01"},
        {"2020-06-30 10:59:59.9999999", 0, 0, "2020-06-30 11:00:00", "2020-06-30 11:00:00"},
        // Where no next second exists the greatest fraction stays.
        {"9999-12-31 23:59:59.9999999", 999999, 999, "9999-12-31 23:59:59.999", "9999-12-31 23:59:59.999999"},
        {"23:59:59.9999999", 999999, 999, "0000-00-00 23:59:59.999", "0000-00-00 23:59:59.999999"},
    };
    for (const fraction_case& c : cases) {
        const ole_date date{std::string(c.text)};
        ASSERT_TRUE(date.is_valid()) << c.text;
        EXPECT_EQ(date.get_microseconds(), c.microseconds) << c.text;
        EXPECT_EQ(date.get_time().wMilliseconds, c.milliseconds) << c.text;
        EXPECT_EQ(date.to_string(3), c.narrow3) << c.text;
        EXPECT_EQ(date.to_string(6), c.narrow6) << c.text;
    }
}

TEST(ole_date, printing_a_system_time)
{
    SYSTEMTIME time{};
    time.wYear = 2020;
    time.wMonth = 1;
    time.wDay = 2;
    const ole_date midnight(time);
    EXPECT_EQ(midnight.get_kind(), ole_date::kind_date);
    EXPECT_EQ(midnight.to_string(6), "2020-01-02");

    time.wHour = 3;
    time.wMilliseconds = 500;
    const ole_date with_fraction(time);
    EXPECT_EQ(with_fraction.get_kind(), ole_date::kind_date_time);
    EXPECT_EQ(with_fraction.to_string(3), "2020-01-02 03:00:00.500");
    EXPECT_EQ(with_fraction.to_string(6), "2020-01-02 03:00:00.500");
    EXPECT_EQ(with_fraction.to_string(0), "2020-01-02 03:00:00");

    ole_date forced(time);
    forced.set_kind(ole_date::kind_date);
    EXPECT_EQ(forced.to_wstring(6), L"2020-01-02");
    forced.set_kind(ole_date::kind_time);
    EXPECT_EQ(forced.to_wstring(0), L"03:00:00");
}

TEST(ole_date, from_a_variant)
{
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_DATE;
    value.date = 44196.5;
    const ole_date noon(value);
    EXPECT_EQ(noon.get_kind(), ole_date::kind_date_time);
    EXPECT_EQ(noon.to_string(0), "2020-12-31 12:00:00");

    value.date = 1e9;
    EXPECT_FALSE(ole_date(value).is_valid());

    value.vt = VT_NULL;
    EXPECT_EQ(ole_date(value).get_kind(), ole_date::kind_empty);
    value.vt = VT_I4;
    try {
        const ole_date refused(value);
        FAIL() << "a VT_I4 value is no date";
    } catch (const tk_mail_assertion& e) {
        EXPECT_EQ(e.get_code(), 2u);
    }
}

TEST(ole_date, wide_text_parses_like_narrow_text)
{
    const ole_date date(std::wstring(L"2020-12-31 10:20:30"));
    EXPECT_EQ(date.to_wstring(6), L"2020-12-31 10:20:30");
}

}  // namespace
