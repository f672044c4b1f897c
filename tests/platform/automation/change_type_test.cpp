#include "platform/automation/numeric_conversions.h"
#include "platform/automation/variant.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <string>

namespace {

// Owns one VARIANT for a test.
struct value {
    VARIANT v;
    value() { VariantInit(&v); }
    value(const value& other) : value() { VariantCopy(&v, &other.v); }
    ~value() { VariantClear(&v); }
};

value of_i4(LONG x)
{
    value r;
    r.v.vt = VT_I4;
    r.v.lVal = x;
    return r;
}
value of_i8(LONG64 x)
{
    value r;
    r.v.vt = VT_I8;
    r.v.llVal = x;
    return r;
}
value of_ui8(ULONG64 x)
{
    value r;
    r.v.vt = VT_UI8;
    r.v.ullVal = x;
    return r;
}
value of_r8(double x)
{
    value r;
    r.v.vt = VT_R8;
    r.v.dblVal = x;
    return r;
}
value of_r4(float x)
{
    value r;
    r.v.vt = VT_R4;
    r.v.fltVal = x;
    return r;
}
value of_bool(bool x)
{
    value r;
    r.v.vt = VT_BOOL;
    r.v.boolVal = x ? VARIANT_TRUE : VARIANT_FALSE;
    return r;
}
value of_date(double x)
{
    value r;
    r.v.vt = VT_DATE;
    r.v.date = x;
    return r;
}
value of_cy(LONGLONG units)
{
    value r;
    r.v.vt = VT_CY;
    r.v.cyVal.int64 = units;
    return r;
}
value of_text(const wchar_t* text)
{
    value r;
    r.v.vt = VT_BSTR;
    r.v.bstrVal = SysAllocString(text);
    return r;
}
value of_type(VARTYPE vt)
{
    value r;
    r.v.vt = vt;
    return r;
}
value of_dec(const wchar_t* text)
{
    value r;
    VarDecFromStr(text, 1033, 0, &r.v.decVal);
    r.v.vt = VT_DECIMAL;
    return r;
}

std::wstring text_of(const VARIANT& v)
{
    value text;
    EXPECT_EQ(VariantChangeType(&text.v, &v, 0, VT_BSTR), S_OK) << v.vt;
    return text.v.bstrVal == nullptr ? L"" : std::wstring(text.v.bstrVal, SysStringLen(text.v.bstrVal));
}

struct change_case {
    const char* name;
    value source;
    VARTYPE target;
    HRESULT hr;
    const wchar_t* text;  // the result read back as text
};

TEST(variant_change_type, table)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const change_case cases[] = {
        {"i4 to i2", of_i4(7), VT_I2, S_OK, L"7"},
        {"i4 over i2", of_i4(70000), VT_I2, DISP_E_OVERFLOW, nullptr},
        {"negative i4 to ui4", of_i4(-1), VT_UI4, DISP_E_OVERFLOW, nullptr},
        {"i4 to r8", of_i4(-3), VT_R8, S_OK, L"-3"},
        {"r8 tie down", of_r8(2.5), VT_I4, S_OK, L"2"},
        {"r8 tie up", of_r8(3.5), VT_I4, S_OK, L"4"},
        {"negative r8 tie", of_r8(-2.5), VT_I2, S_OK, L"-2"},
        {"r8 over i4", of_r8(1e10), VT_I4, DISP_E_OVERFLOW, nullptr},
        {"nan to i4", of_r8(nan), VT_I4, DISP_E_OVERFLOW, nullptr},
        {"r8 over r4", of_r8(1e300), VT_R4, DISP_E_OVERFLOW, nullptr},
        {"r8 text", of_r8(0.1), VT_BSTR, S_OK, L"0.1"},
        {"r8 large text", of_r8(1e20), VT_BSTR, S_OK, L"1E+20"},
        {"r8 third", of_r8(1.0 / 3), VT_BSTR, S_OK, L"0.333333333333333"},
        {"r4 text", of_r4(0.1f), VT_BSTR, S_OK, L"0.1"},
        {"ui8 to r8", of_ui8(std::numeric_limits<ULONG64>::max()), VT_R8, S_OK, L"1.84467440737096E+19"},
        {"i8 to decimal", of_i8(std::numeric_limits<LONG64>::min()), VT_DECIMAL, S_OK, L"-9223372036854775808"},
        {"currency text", of_cy(123456), VT_BSTR, S_OK, L"12.3456"},
        {"whole currency text", of_cy(50000), VT_BSTR, S_OK, L"5"},
        {"currency tie", of_cy(25000), VT_I4, S_OK, L"2"},
        {"r8 to currency", of_r8(1.23456789), VT_CY, S_OK, L"1.2346"},
        {"r8 over currency", of_r8(1e19), VT_CY, DISP_E_OVERFLOW, nullptr},
        {"decimal text", of_dec(L"1.50"), VT_BSTR, S_OK, L"1.5"},
        {"decimal to r8", of_dec(L"-0.25"), VT_R8, S_OK, L"-0.25"},
        {"decimal to currency", of_dec(L"1.23455"), VT_CY, S_OK, L"1.2346"},
        {"text to i4", of_text(L"12"), VT_I4, S_OK, L"12"},
        {"text with group", of_text(L" 1,234.5 "), VT_R8, S_OK, L"1234.5"},
        {"text tie to i2", of_text(L"2.5"), VT_I2, S_OK, L"2"},
        {"text no number", of_text(L"12abc"), VT_I4, DISP_E_TYPEMISMATCH, nullptr},
        {"empty text to i4", of_text(L""), VT_I4, DISP_E_TYPEMISMATCH, nullptr},
        {"text over r8", of_text(L"1e400"), VT_R8, DISP_E_OVERFLOW, nullptr},
        {"text over i4", of_text(L"1e400"), VT_I4, DISP_E_OVERFLOW, nullptr},
        {"text to decimal", of_text(L"3.25"), VT_DECIMAL, S_OK, L"3.25"},
        {"text to currency", of_text(L"1.5"), VT_CY, S_OK, L"1.5"},
        {"text True", of_text(L"True"), VT_BOOL, S_OK, L"-1"},
        {"text false", of_text(L"false"), VT_BOOL, S_OK, L"0"},
        {"text 2 to bool", of_text(L"2"), VT_BOOL, S_OK, L"-1"},
        {"text maybe to bool", of_text(L"maybe"), VT_BOOL, DISP_E_TYPEMISMATCH, nullptr},
        {"text date", of_text(L"12/31/2020 11:59:59 PM"), VT_DATE, S_OK, L"12/31/2020 11:59:59 PM"},
        {"text no date", of_text(L"soon"), VT_DATE, DISP_E_TYPEMISMATCH, nullptr},
        {"bool to i4", of_bool(true), VT_I4, S_OK, L"-1"},
        {"bool text", of_bool(true), VT_BSTR, S_OK, L"-1"},
        {"r8 to bool", of_r8(0.1), VT_BOOL, S_OK, L"-1"},
        {"empty to i4", of_type(VT_EMPTY), VT_I4, S_OK, L"0"},
        {"empty to text", of_type(VT_EMPTY), VT_BSTR, S_OK, L""},
        {"null to i4", of_type(VT_NULL), VT_I4, DISP_E_TYPEMISMATCH, nullptr},
        {"null to text", of_type(VT_NULL), VT_BSTR, DISP_E_TYPEMISMATCH, nullptr},
        {"date time text", of_date(44196.5), VT_BSTR, S_OK, L"12/31/2020 12:00:00 PM"},
        {"date text", of_date(44196), VT_BSTR, S_OK, L"12/31/2020"},
        {"time text", of_date(0.25), VT_BSTR, S_OK, L"6:00:00 AM"},
        {"day zero text", of_date(0), VT_BSTR, S_OK, L"12:00:00 AM"},
        {"date to r8", of_date(1.5), VT_R8, S_OK, L"1.5"},
        {"r8 over date", of_r8(1e7), VT_DATE, DISP_E_OVERFLOW, nullptr},
        {"i4 to dispatch", of_i4(5), VT_DISPATCH, DISP_E_TYPEMISMATCH, nullptr},
        {"i4 to blob", of_i4(5), VT_BLOB, DISP_E_TYPEMISMATCH, nullptr},
    };
    for (const change_case& c : cases) {
        value result;
        EXPECT_EQ(VariantChangeType(&result.v, &c.source.v, 0, c.target), c.hr) << c.name;
        if (c.hr != S_OK) {
            EXPECT_EQ(result.v.vt, VT_EMPTY) << c.name;
            continue;
        }
        EXPECT_EQ(result.v.vt, c.target) << c.name;
        EXPECT_EQ(text_of(result.v), c.text) << c.name;
    }
}

TEST(variant_change_type, in_place_releases_the_old_value_and_failure_keeps_it)
{
    value number = of_text(L"42");
    ASSERT_EQ(VariantChangeType(&number.v, &number.v, 0, VT_I4), S_OK);
    EXPECT_EQ(number.v.vt, VT_I4);
    EXPECT_EQ(number.v.lVal, 42);

    value word = of_text(L"forty-two");
    EXPECT_EQ(VariantChangeType(&word.v, &word.v, 0, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(word.v.vt, VT_BSTR);
    EXPECT_EQ(std::wstring(word.v.bstrVal), L"forty-two");

    value same = of_text(L"x");
    EXPECT_EQ(VariantChangeType(&same.v, &same.v, 0, VT_BSTR), S_OK);
    EXPECT_EQ(std::wstring(same.v.bstrVal), L"x");
}

}  // namespace
