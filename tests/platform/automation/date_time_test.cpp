#include "platform/automation/date_time.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

struct parts {
    int year, month, day, hour, minute, second;
};

SYSTEMTIME system_time(const parts& p, int milliseconds = 0)
{
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(p.year);
    time.wMonth = static_cast<WORD>(p.month);
    time.wDay = static_cast<WORD>(p.day);
    time.wHour = static_cast<WORD>(p.hour);
    time.wMinute = static_cast<WORD>(p.minute);
    time.wSecond = static_cast<WORD>(p.second);
    time.wMilliseconds = static_cast<WORD>(milliseconds);
    return time;
}

void expect_parts(const SYSTEMTIME& time, const parts& p, const char* context)
{
    EXPECT_EQ(time.wYear, p.year) << context;
    EXPECT_EQ(time.wMonth, p.month) << context;
    EXPECT_EQ(time.wDay, p.day) << context;
    EXPECT_EQ(time.wHour, p.hour) << context;
    EXPECT_EQ(time.wMinute, p.minute) << context;
    EXPECT_EQ(time.wSecond, p.second) << context;
}

TEST(system_time_to_variant_time, valid_dates)
{
    struct row {
        parts p;
        double date;
    };
    const row rows[] = {
        {{1899, 12, 30, 0, 0, 0}, 0.0},
        {{1899, 12, 31, 0, 0, 0}, 1.0},
        {{1899, 12, 29, 6, 0, 0}, -1.25},
        {{2020, 12, 31, 12, 0, 0}, 44196.5},
        {{2020, 2, 29, 0, 0, 0}, 43890.0},
        {{100, 1, 1, 0, 0, 0}, -657434.0},
        {{9999, 12, 31, 23, 59, 59}, 2958465.0 + 86399.0 / 86400.0},
    };
    for (const row& r : rows) {
        const SYSTEMTIME time = system_time(r.p, 999);
        DOUBLE date = 0;
        EXPECT_EQ(SystemTimeToVariantTime(&time, &date), 1) << r.date;
        EXPECT_DOUBLE_EQ(date, r.date);
    }
}

TEST(system_time_to_variant_time, dates_and_times_that_do_not_exist)
{
    const parts rows[] = {
        {99, 12, 31, 0, 0, 0},  {10000, 1, 1, 0, 0, 0}, {2021, 2, 29, 0, 0, 0}, {2020, 13, 1, 0, 0, 0},
        {2020, 0, 1, 0, 0, 0},  {2020, 1, 0, 0, 0, 0},  {2020, 4, 31, 0, 0, 0}, {2020, 1, 1, 24, 0, 0},
        {2020, 1, 1, 0, 60, 0}, {2020, 1, 1, 0, 0, 60}, {0, 0, 0, 10, 20, 30},
    };
    for (const parts& p : rows) {
        const SYSTEMTIME time = system_time(p);
        DOUBLE date = -7;
        EXPECT_EQ(SystemTimeToVariantTime(&time, &date), 0) << p.year << '-' << p.month << '-' << p.day;
        EXPECT_EQ(date, -7);
    }
}

TEST(variant_time_to_system_time, breaks_down_and_rounds_to_the_second)
{
    struct row {
        double date;
        parts p;
        int day_of_week;
    };
    const row rows[] = {
        {0.0, {1899, 12, 30, 0, 0, 0}, 6},        {44196.5, {2020, 12, 31, 12, 0, 0}, 4},
        {-1.25, {1899, 12, 29, 6, 0, 0}, 5},      {-0.5, {1899, 12, 30, 12, 0, 0}, 6},
        {0.99999999, {1899, 12, 31, 0, 0, 0}, 0}, {1.6 / 86400, {1899, 12, 30, 0, 0, 2}, 6},
        {-657434.0, {100, 1, 1, 0, 0, 0}, 5},
    };
    for (const row& r : rows) {
        SYSTEMTIME time{};
        ASSERT_EQ(VariantTimeToSystemTime(r.date, &time), 1) << r.date;
        expect_parts(time, r.p, "break-down");
        EXPECT_EQ(time.wDayOfWeek, r.day_of_week) << r.date;
        EXPECT_EQ(time.wMilliseconds, 0);
    }
    SYSTEMTIME time{};
    for (double outside : {-657434.5, 2958466.0, 2958465.999999999, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(VariantTimeToSystemTime(outside, &time), 0) << outside;
}

TEST(variant_time, every_day_survives_a_round_trip)
{
    for (double day = -657434; day < 2958466; day += 997) {
        SYSTEMTIME time{};
        ASSERT_EQ(VariantTimeToSystemTime(day + 0.75, &time), 1) << day;
        DOUBLE back = 0;
        ASSERT_EQ(SystemTimeToVariantTime(&time, &back), 1) << day;
        EXPECT_DOUBLE_EQ(back, day + 0.75);
    }
}

TEST(var_date_from_str, forms_of_locale_1033)
{
    struct row {
        const wchar_t* text;
        parts p;
    };
    const row rows[] = {
        {L"12/31/2020", {2020, 12, 31, 0, 0, 0}},
        {L"31/12/2020", {2020, 12, 31, 0, 0, 0}},
        {L"2020-12-31", {2020, 12, 31, 0, 0, 0}},
        {L"12.31.2020", {2020, 12, 31, 0, 0, 0}},
        {L"12/31/2020 11:59:59 PM", {2020, 12, 31, 23, 59, 59}},
        {L"12/31/2020 23:59", {2020, 12, 31, 23, 59, 0}},
        {L"  1/2/03 ", {2003, 1, 2, 0, 0, 0}},
        {L"1/2/45", {1945, 1, 2, 0, 0, 0}},
        {L"December 31, 2020", {2020, 12, 31, 0, 0, 0}},
        {L"31 dec 2020 10:20:30", {2020, 12, 31, 10, 20, 30}},
        {L"Thu, 31 Dec 2020", {2020, 12, 31, 0, 0, 0}},
        {L"2020 Dec 31", {2020, 12, 31, 0, 0, 0}},
        {L"Dec 2020", {2020, 12, 1, 0, 0, 0}},
        {L"12/2020", {2020, 12, 1, 0, 0, 0}},
        {L"12:30 AM", {1899, 12, 30, 0, 30, 0}},
        {L"12:30 PM", {1899, 12, 30, 12, 30, 0}},
        {L"1:05:07", {1899, 12, 30, 1, 5, 7}},
        {L"10 pm", {1899, 12, 30, 22, 0, 0}},
    };
    for (const row& r : rows) {
        DATE date = 0;
        ASSERT_EQ(VarDateFromStr(r.text, 1033, 0, &date), S_OK) << r.text;
        SYSTEMTIME time{};
        ASSERT_EQ(VariantTimeToSystemTime(date, &time), 1);
        expect_parts(time, r.p, "parsed");
    }
}

TEST(var_date_from_str, texts_that_are_no_date)
{
    for (const wchar_t* text : {L"", L"  ", L"hello", L"12/31", L"2/30/2020", L"13:00 PM", L"25:00", L"10:61",
                                L"10:20:30.5", L"12/31/2020 12/31/2020", L"99999/1/1", L"1/1/99 pm"}) {
        DATE date = 0;
        EXPECT_EQ(VarDateFromStr(text, 1033, 0, &date), DISP_E_TYPEMISMATCH) << text;
    }
    DATE date = 0;
    EXPECT_EQ(VarDateFromStr(nullptr, 1033, 0, &date), E_INVALIDARG);
}

}  // namespace
