#include "platform/automation/numeric_conversions.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

CY currency(LONGLONG units)
{
    CY value;
    value.int64 = units;
    return value;
}

DECIMAL decimal(const wchar_t* text)
{
    DECIMAL value{};
    EXPECT_EQ(VarDecFromStr(text, 1033, 0, &value), S_OK) << text;
    return value;
}

std::wstring text_of(const DECIMAL& value)
{
    BSTR text = nullptr;
    EXPECT_EQ(VarBstrFromDec(&value, 1033, 0, &text), S_OK);
    std::wstring result(text, SysStringLen(text));
    SysFreeString(text);
    return result;
}

TEST(currency_conversions, round_ties_to_even_and_check_the_range)
{
    struct row {
        LONGLONG units;
        HRESULT hr;
        LONG64 expected;
    };
    const row rows[] = {
        {25000, S_OK, 2},
        {35000, S_OK, 4},
        {-25000, S_OK, -2},
        {-35000, S_OK, -4},
        {24999, S_OK, 2},
        {15000, S_OK, 2},
        {5000, S_OK, 0},
        {-5001, S_OK, -1},
        {21474836470000, S_OK, 2147483647},
        {21474836480000, DISP_E_OVERFLOW, 0},
    };
    for (const row& r : rows) {
        LONG value32 = 0;
        EXPECT_EQ(VarI4FromCy(currency(r.units), &value32), r.hr) << r.units;
        if (r.hr == S_OK) {
            EXPECT_EQ(value32, r.expected) << r.units;
        }
        LONG64 value64 = 0;
        EXPECT_EQ(VarI8FromCy(currency(r.units), &value64), S_OK) << r.units;
    }
    LONG64 whole = 0;
    EXPECT_EQ(VarI8FromCy(currency(std::numeric_limits<LONG64>::min()), &whole), S_OK);
    EXPECT_EQ(whole, -922337203685478);

    ULONG64 unsigned_value = 7;
    EXPECT_EQ(VarUI8FromCy(currency(-5000), &unsigned_value), S_OK);
    EXPECT_EQ(unsigned_value, 0u);
    EXPECT_EQ(VarUI8FromCy(currency(-15000), &unsigned_value), DISP_E_OVERFLOW);
    EXPECT_EQ(unsigned_value, 0u);

    DOUBLE real = 0;
    EXPECT_EQ(VarR8FromCy(currency(123456), &real), S_OK);
    EXPECT_DOUBLE_EQ(real, 12.3456);
    FLOAT single = 0;
    EXPECT_EQ(VarR4FromCy(currency(-5000), &single), S_OK);
    EXPECT_FLOAT_EQ(single, -0.5f);
}

TEST(decimal_conversions, from_integers)
{
    DECIMAL value{};
    ASSERT_EQ(VarDecFromI2(-5, &value), S_OK);
    EXPECT_EQ(text_of(value), L"-5");
    ASSERT_EQ(VarDecFromI4(std::numeric_limits<LONG>::min(), &value), S_OK);
    EXPECT_EQ(text_of(value), L"-2147483648");
    ASSERT_EQ(VarDecFromI8(std::numeric_limits<LONG64>::min(), &value), S_OK);
    EXPECT_EQ(text_of(value), L"-9223372036854775808");
    ASSERT_EQ(VarDecFromUI8(std::numeric_limits<ULONG64>::max(), &value), S_OK);
    EXPECT_EQ(text_of(value), L"18446744073709551615");
    EXPECT_EQ(value.Lo64, std::numeric_limits<ULONG64>::max());
    EXPECT_EQ(value.Hi32, 0u);
    ASSERT_EQ(VarDecFromI1(static_cast<CHAR>(-128), &value), S_OK);
    EXPECT_EQ(text_of(value), L"-128");
    ASSERT_EQ(VarDecFromUI1(255, &value), S_OK);
    EXPECT_EQ(text_of(value), L"255");
    ASSERT_EQ(VarDecFromUI2(65535, &value), S_OK);
    EXPECT_EQ(text_of(value), L"65535");
    ASSERT_EQ(VarDecFromUI4(4294967295u, &value), S_OK);
    EXPECT_EQ(text_of(value), L"4294967295");
    ASSERT_EQ(VarDecFromBool(VARIANT_TRUE, &value), S_OK);
    EXPECT_EQ(text_of(value), L"-1");
    ASSERT_EQ(VarDecFromCy(currency(125000), &value), S_OK);
    EXPECT_EQ(text_of(value), L"12.5");
    EXPECT_EQ(value.scale, 4);
}

TEST(decimal_conversions, from_floating_values_keep_their_significant_digits)
{
    struct row {
        double value;
        HRESULT hr;
        const wchar_t* text;
    };
    const row rows[] = {
        {0.1, S_OK, L"0.1"},
        {2.5, S_OK, L"2.5"},
        {-123.456, S_OK, L"-123.456"},
        {1.0 / 3, S_OK, L"0.333333333333333"},
        {1e20, S_OK, L"100000000000000000000"},
        {7.9e28, S_OK, L"79000000000000000000000000000"},
        {1e-30, S_OK, L"0"},
        {1e29, DISP_E_OVERFLOW, nullptr},
        {nan, DISP_E_OVERFLOW, nullptr},
        {infinity, DISP_E_OVERFLOW, nullptr},
    };
    for (const row& r : rows) {
        DECIMAL value{};
        EXPECT_EQ(VarDecFromR8(r.value, &value), r.hr) << r.value;
        if (r.text != nullptr) {
            EXPECT_EQ(text_of(value), r.text) << r.value;
        }
    }
    DECIMAL value{};
    ASSERT_EQ(VarDecFromR4(0.1f, &value), S_OK);
    EXPECT_EQ(text_of(value), L"0.1");
    ASSERT_EQ(VarDecFromR4(1.0f / 3, &value), S_OK);
    EXPECT_EQ(text_of(value), L"0.3333333");
    ASSERT_EQ(VarDecFromDate(1.5, &value), S_OK);
    EXPECT_EQ(text_of(value), L"1.5");
}

TEST(decimal_conversions, to_integers_round_ties_to_even_and_check_the_range)
{
    struct row {
        const wchar_t* text;
        HRESULT i1_hr;
        int i1;
        HRESULT ui1_hr;
        int ui1;
        HRESULT i4_hr;
        LONG i4;
    };
    const row rows[] = {
        {L"2.5", S_OK, 2, S_OK, 2, S_OK, 2},
        {L"3.5", S_OK, 4, S_OK, 4, S_OK, 4},
        {L"-2.5", S_OK, -2, DISP_E_OVERFLOW, 0, S_OK, -2},
        {L"-0.5", S_OK, 0, S_OK, 0, S_OK, 0},
        {L"127.4", S_OK, 127, S_OK, 127, S_OK, 127},
        {L"127.5", DISP_E_OVERFLOW, 0, S_OK, 128, S_OK, 128},
        {L"-128.5", S_OK, -128, DISP_E_OVERFLOW, 0, S_OK, -128},
        {L"255.5", DISP_E_OVERFLOW, 0, DISP_E_OVERFLOW, 0, S_OK, 256},
        {L"2147483647.49", DISP_E_OVERFLOW, 0, DISP_E_OVERFLOW, 0, S_OK, 2147483647},
        {L"2147483647.5", DISP_E_OVERFLOW, 0, DISP_E_OVERFLOW, 0, DISP_E_OVERFLOW, 0},
    };
    for (const row& r : rows) {
        const DECIMAL value = decimal(r.text);
        CHAR i1 = 0;
        BYTE ui1 = 0;
        LONG i4 = 0;
        EXPECT_EQ(VarI1FromDec(&value, &i1), r.i1_hr) << r.text;
        EXPECT_EQ(VarUI1FromDec(&value, &ui1), r.ui1_hr) << r.text;
        EXPECT_EQ(VarI4FromDec(&value, &i4), r.i4_hr) << r.text;
        if (r.i1_hr == S_OK) {
            EXPECT_EQ(static_cast<signed char>(i1), r.i1) << r.text;
        }
        if (r.ui1_hr == S_OK) {
            EXPECT_EQ(ui1, r.ui1) << r.text;
        }
        if (r.i4_hr == S_OK) {
            EXPECT_EQ(i4, r.i4) << r.text;
        }
    }

    const DECIMAL largest_i8 = decimal(L"9223372036854775807");
    const DECIMAL above_i8 = decimal(L"9223372036854775808");
    const DECIMAL largest_ui8 = decimal(L"18446744073709551615");
    const DECIMAL above_ui8 = decimal(L"18446744073709551616");
    LONG64 i8 = 0;
    ULONG64 ui8 = 0;
    EXPECT_EQ(VarI8FromDec(&largest_i8, &i8), S_OK);
    EXPECT_EQ(i8, std::numeric_limits<LONG64>::max());
    EXPECT_EQ(VarI8FromDec(&above_i8, &i8), DISP_E_OVERFLOW);
    EXPECT_EQ(VarUI8FromDec(&largest_ui8, &ui8), S_OK);
    EXPECT_EQ(ui8, std::numeric_limits<ULONG64>::max());
    EXPECT_EQ(VarUI8FromDec(&above_ui8, &ui8), DISP_E_OVERFLOW);

    const DECIMAL small = decimal(L"-32768.4");
    SHORT i2 = 0;
    USHORT ui2 = 0;
    ULONG ui4 = 0;
    EXPECT_EQ(VarI2FromDec(&small, &i2), S_OK);
    EXPECT_EQ(i2, -32768);
    EXPECT_EQ(VarUI2FromDec(&small, &ui2), DISP_E_OVERFLOW);
    EXPECT_EQ(VarUI4FromDec(&small, &ui4), DISP_E_OVERFLOW);
}

TEST(decimal_conversions, to_floating_values)
{
    const DECIMAL tenth = decimal(L"0.1");
    const DECIMAL largest = decimal(L"-79228162514264337593543950335");
    DOUBLE real = 0;
    FLOAT single = 0;
    EXPECT_EQ(VarR8FromDec(&tenth, &real), S_OK);
    EXPECT_EQ(real, 0.1);
    EXPECT_EQ(VarR4FromDec(&tenth, &single), S_OK);
    EXPECT_EQ(single, 0.1f);
    EXPECT_EQ(VarR8FromDec(&largest, &real), S_OK);
    EXPECT_EQ(real, -79228162514264337593543950335.0);
}

TEST(integer_from_floating, rounds_ties_to_even_and_never_casts_out_of_range)
{
    struct row {
        double value;
        HRESULT i8_hr;
        LONG64 i8;
        HRESULT ui8_hr;
        ULONG64 ui8;
    };
    const row rows[] = {
        {2.5, S_OK, 2, S_OK, 2},
        {3.5, S_OK, 4, S_OK, 4},
        {-2.5, S_OK, -2, DISP_E_OVERFLOW, 0},
        {-0.5, S_OK, 0, S_OK, 0},
        {-0.6, S_OK, -1, DISP_E_OVERFLOW, 0},
        {9223372036854775808.0, DISP_E_OVERFLOW, 0, S_OK, 9223372036854775808u},
        {-9223372036854775808.0, S_OK, std::numeric_limits<LONG64>::min(), DISP_E_OVERFLOW, 0},
        {18446744073709551616.0, DISP_E_OVERFLOW, 0, DISP_E_OVERFLOW, 0},
        {1e300, DISP_E_OVERFLOW, 0, DISP_E_OVERFLOW, 0},
        {nan, DISP_E_OVERFLOW, 0, DISP_E_OVERFLOW, 0},
        {-infinity, DISP_E_OVERFLOW, 0, DISP_E_OVERFLOW, 0},
    };
    for (const row& r : rows) {
        LONG64 i8 = 0;
        ULONG64 ui8 = 0;
        EXPECT_EQ(VarI8FromR8(r.value, &i8), r.i8_hr) << r.value;
        EXPECT_EQ(VarUI8FromR8(r.value, &ui8), r.ui8_hr) << r.value;
        if (r.i8_hr == S_OK) {
            EXPECT_EQ(i8, r.i8) << r.value;
        }
        if (r.ui8_hr == S_OK) {
            EXPECT_EQ(ui8, r.ui8) << r.value;
        }
    }
    LONG64 i8 = 0;
    ULONG64 ui8 = 0;
    EXPECT_EQ(VarI8FromR4(2.5f, &i8), S_OK);
    EXPECT_EQ(i8, 2);
    EXPECT_EQ(VarUI8FromR4(-1.5f, &ui8), DISP_E_OVERFLOW);
    EXPECT_EQ(VarUI8FromR4(1.5f, &ui8), S_OK);
    EXPECT_EQ(ui8, 2u);
}

TEST(decimal_text, parsing)
{
    struct row {
        const wchar_t* text;
        HRESULT hr;
        const wchar_t* value;
    };
    const row rows[] = {
        {L"12.30", S_OK, L"12.3"},
        {L"  -1,234.5  ", S_OK, L"-1234.5"},
        {L"+7", S_OK, L"7"},
        {L"-0", S_OK, L"0"},
        {L".5", S_OK, L"0.5"},
        {L"5.", S_OK, L"5"},
        {L"1e3", S_OK, L"1000"},
        {L"1.5E-2", S_OK, L"0.015"},
        {L"1e-100", S_OK, L"0"},
        {L"79228162514264337593543950335", S_OK, L"79228162514264337593543950335"},
        {L"-79228162514264337593543950335", S_OK, L"-79228162514264337593543950335"},
        {L"0.12345678901234567890123456785", S_OK, L"0.1234567890123456789012345678"},
        {L"0.12345678901234567890123456795", S_OK, L"0.123456789012345678901234568"},
        // A tie only in the first 38 digits: the digit after them decides.
        {L"0.123456789012345678901234567850000000001", S_OK, L"0.1234567890123456789012345679"},
        {L"1234567890123456789012345678.94", S_OK, L"1234567890123456789012345678.9"},
        {L"7922816251426433759354395033.56", S_OK, L"7922816251426433759354395034"},
        {L"79228162514264337593543950336", DISP_E_OVERFLOW, nullptr},
        {L"1e100", DISP_E_OVERFLOW, nullptr},
        {L"", DISP_E_TYPEMISMATCH, nullptr},
        {L" ", DISP_E_TYPEMISMATCH, nullptr},
        {L"abc", DISP_E_TYPEMISMATCH, nullptr},
        {L"12abc", DISP_E_TYPEMISMATCH, nullptr},
        {L"1.2.3", DISP_E_TYPEMISMATCH, nullptr},
        {L",5", DISP_E_TYPEMISMATCH, nullptr},
        {L"1e", DISP_E_TYPEMISMATCH, nullptr},
        {L"--1", DISP_E_TYPEMISMATCH, nullptr},
        {L"3,5", S_OK, L"35"},
    };
    for (const row& r : rows) {
        DECIMAL value{};
        EXPECT_EQ(VarDecFromStr(r.text, 1033, 0, &value), r.hr) << r.text;
        if (r.value != nullptr) {
            EXPECT_EQ(text_of(value), r.value) << r.text;
        }
    }
    EXPECT_EQ(decimal(L"12.30").scale, 2);
    EXPECT_EQ(decimal(L"-12.30").sign, DECIMAL_NEG);
    DECIMAL unused{};
    EXPECT_EQ(VarDecFromStr(nullptr, 1033, 0, &unused), E_INVALIDARG);
}

TEST(currency_text, parsing_rounds_to_four_places)
{
    struct row {
        const wchar_t* text;
        HRESULT hr;
        LONGLONG units;
    };
    const row rows[] = {
        {L"12.3456", S_OK, 123456},
        {L"12.34565", S_OK, 123456},
        {L"12.34575", S_OK, 123458},
        {L"-12.34575", S_OK, -123458},
        {L"922337203685477.5807", S_OK, std::numeric_limits<LONGLONG>::max()},
        {L"-922337203685477.5808", S_OK, std::numeric_limits<LONGLONG>::min()},
        {L"922337203685477.5808", DISP_E_OVERFLOW, 0},
        {L"1e20", DISP_E_OVERFLOW, 0},
        {L"twelve", DISP_E_TYPEMISMATCH, 0},
    };
    for (const row& r : rows) {
        CY value = currency(0);
        EXPECT_EQ(VarCyFromStr(r.text, 1033, 0, &value), r.hr) << r.text;
        if (r.hr == S_OK) {
            EXPECT_EQ(value.int64, r.units) << r.text;
        }
    }
}

TEST(decimal_text, printing_drops_trailing_zeros)
{
    DECIMAL value{};
    value.Lo64 = 150;
    value.scale = 2;
    EXPECT_EQ(text_of(value), L"1.5");
    value.Lo64 = 100;
    EXPECT_EQ(text_of(value), L"1");
    value.Lo64 = 5;
    value.scale = 28;
    EXPECT_EQ(text_of(value), L"0.0000000000000000000000000005");
    value.Lo64 = 0;
    value.sign = DECIMAL_NEG;
    EXPECT_EQ(text_of(value), L"0");
    value.scale = 0;
    value.sign = DECIMAL_NEG;
    value.Hi32 = 0xFFFFFFFF;
    value.Lo64 = 0xFFFFFFFFFFFFFFFF;
    EXPECT_EQ(text_of(value), L"-79228162514264337593543950335");
}

}  // namespace
