#include "exposed_variant.h"
#include "toolkit/tk_exception.h"
#include "variant/ole_exceptions.h"
#include "variant/ole_variant.h"
#include "variant_test_values.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <string>

namespace {

ole_variant tagged(VARTYPE type)
{
    exposed_variant value;
    value.raw().vt = type;
    return value;
}

ole_variant bool_pattern(SHORT bits)
{
    exposed_variant value;
    value.raw().vt = VT_BOOL;
    value.raw().boolVal = bits;
    return value;
}

struct text_case {
    const char* name;
    std::function<ole_variant()> make;
    const char* text;
};

TEST(ole_variant_text, to_string_by_type)
{
    const text_case cases[] = {
        {"bytes",
         [] {
             return ole_variant(std::vector<BYTE>{0x0A, 0xFF});
         },
         "0x0AFF"},
        {"empty bytes", [] { return ole_variant(std::vector<BYTE>()); }, ""},
        {"decimal", [] { return decimal(L"-1.50"); }, "-1.5"},
        {"large decimal", [] { return decimal(L"79228162514264337593543950335"); }, "79228162514264337593543950335"},
        {"small negative decimal", [] { return decimal(L"-0.05"); }, "-0.05"},
        {"zero decimal", [] { return decimal(L"0.00"); }, "0"},
        {"date", [] { return ole_variant(ole_date(std::string("2020-12-31 10:20:30.1234567"))); },
         "2020-12-31 10:20:30.123457"},
        {"currency", [] { return currency(123456); }, "12.3456"},
        {"whole currency", [] { return currency(-50000); }, "-5"},
        {"text", [] { return ole_variant(std::wstring(L"gr\u00fc\u00df")); }, "gr\xC3\xBC\xC3\x9F"},
        {"true", [] { return ole_variant(true); }, "1"},
        {"false", [] { return ole_variant(false); }, "0"},
        {"bool pattern 1", [] { return bool_pattern(1); }, "0"},
        {"double", [] { return ole_variant(1.5); }, "1.5000000000000000e+00"},
        {"tenth", [] { return ole_variant(0.1); }, "1.0000000000000001e-01"},
        {"negative double", [] { return ole_variant(-2.5e-300); }, "-2.5000000000000000e-300"},
        {"nan", [] { return ole_variant(std::numeric_limits<double>::quiet_NaN()); }, "0"},
        {"float", [] { return ole_variant(2.5f); }, "2.500000e+00"},
        {"float nan", [] { return ole_variant(std::numeric_limits<float>::quiet_NaN()); }, "0"},
        {"i2", [] { return ole_variant(std::int16_t{-32768}); }, "-32768"},
        {"i4", [] { return ole_variant(std::int32_t{-7}); }, "-7"},
        {"i1", [] { return ole_variant(static_cast<signed char>(-5)); }, "-5"},
        {"ui1", [] { return ole_variant(BYTE{200}); }, "200"},
        {"ui2", [] { return ole_variant(std::uint16_t{65535}); }, "65535"},
        {"ui4", [] { return ole_variant(std::uint32_t{4294967295u}); }, "4294967295"},
        {"i8", [] { return ole_variant(std::numeric_limits<std::int64_t>::min()); }, "-9223372036854775808"},
        {"ui8", [] { return ole_variant(std::numeric_limits<std::uint64_t>::max()); }, "18446744073709551615"},
        {"empty", [] { return ole_variant(); }, ""},
        {"null", [] { return tagged(VT_NULL); }, ""},
        {"int", [] { return tagged(VT_INT); }, ""},
    };
    for (const text_case& c : cases) {
        const ole_variant value = c.make();
        EXPECT_EQ(value.to_string(), c.text) << c.name;
        const std::string narrow = c.text;
        if (value.get_type() != VT_BSTR) {
            EXPECT_EQ(value.to_wstring(), std::wstring(narrow.begin(), narrow.end())) << c.name;
        }
    }
}

// A derived value that prints itself differently: the wide text follows it.
struct shouting_variant : ole_variant {
    using ole_variant::ole_variant;
    std::string to_string() const override { return "LOUD"; }
};

TEST(ole_variant_text, append_string_appends_what_to_string_gives)
{
    std::string text = "a, ";
    ole_variant(std::vector<BYTE>{1, 0xBC}).append_string(text);
    text += ", ";
    ole_variant(std::vector<BYTE>()).append_string(text);
    ole_variant(std::int32_t{-5}).append_string(text);
    EXPECT_EQ(text, "a, 0x01BC, -5");
}

TEST(ole_variant_text, to_wstring)
{
    EXPECT_EQ(ole_variant(std::wstring(L"a\u20ac")).to_wstring(), L"a\u20ac");
    EXPECT_EQ(ole_variant(std::vector<BYTE>{1, 0xBC}).to_wstring(), L"0x01BC");
    EXPECT_EQ(shouting_variant(std::int32_t{1}).to_wstring(), L"LOUD");
    EXPECT_EQ(shouting_variant(std::wstring(L"text")).to_wstring(), L"text");
}

struct number_case {
    const char* name;
    std::function<ole_variant()> make;
    bool as_bool;
    std::int32_t as_long;
    std::int64_t as_i8;
};

TEST(ole_variant_text, bool_long_and_i8)
{
    const double huge = 1e20;
    const number_case cases[] = {
        {"r4 2.5", [] { return ole_variant(2.5f); }, true, 2, 3},
        {"r4 -2.5", [] { return ole_variant(-2.5f); }, true, -2, -3},
        {"r8 0.49999999999999994", [] { return ole_variant(0.49999999999999994); }, true, 0, 0},
        {"r8 out of range", [huge] { return ole_variant(huge); }, true, 0, 0},
        {"r8 nan", [] { return ole_variant(std::numeric_limits<double>::quiet_NaN()); }, true, 0, 0},
        {"r8 zero", [] { return ole_variant(0.0); }, false, 0, 0},
        {"currency 0.4", [] { return currency(4000); }, false, 0, 0},
        {"currency 2.5", [] { return currency(25000); }, true, 2, 2},
        {"currency -2.6", [] { return currency(-26000); }, true, -3, -3},
        {"decimal 3.5", [] { return decimal(L"3.5"); }, true, 4, 4},
        {"decimal beyond 32 bits", [] { return decimal(L"1e17"); }, false, 0, 100000000000000000},
        {"bool true", [] { return ole_variant(true); }, true, 1, 1},
        {"bool pattern 1", [] { return bool_pattern(1); }, false, 0, 0},
        {"i8 low bits", [] { return ole_variant(std::int64_t{0x100000005}); }, true, 5, 0x100000005},
        {"ui8", [] { return ole_variant(std::numeric_limits<std::uint64_t>::max()); }, true, -1, -1},
        {"ui4", [] { return ole_variant(std::uint32_t{4294967295u}); }, true, -1, 4294967295},
        {"i1", [] { return ole_variant(static_cast<signed char>(-1)); }, true, -1, -1},
        {"text", [] { return ole_variant(std::wstring(L"12")); }, false, 0, 0},
        {"empty", [] { return ole_variant(); }, false, 0, 0},
    };
    for (const number_case& c : cases) {
        const ole_variant value = c.make();
        EXPECT_EQ(value.to_bool(), c.as_bool) << c.name;
        EXPECT_EQ(value.to_long(), c.as_long) << c.name;
        EXPECT_EQ(value.to_i8(), c.as_i8) << c.name;
    }
}

TEST(ole_variant_text, unsigned_i8)
{
    std::uint64_t value = 7;
    ole_variant(2.5).to_i8(value);
    EXPECT_EQ(value, 2u);
    ole_variant(-1.0).to_i8(value);
    EXPECT_EQ(value, 0u);
    currency(-15000).to_i8(value);
    EXPECT_EQ(value, 0u);
    decimal(L"18446744073709551615").to_i8(value);
    EXPECT_EQ(value, 18446744073709551615u);
    ole_variant(std::numeric_limits<std::uint64_t>::max()).to_i8(value);
    EXPECT_EQ(value, 18446744073709551615u);
    ole_variant(std::int16_t{-1}).to_i8(value);
    EXPECT_EQ(value, 18446744073709551615u);
    ole_variant(std::wstring(L"1")).to_i8(value);
    EXPECT_EQ(value, 0u);
}

TEST(ole_variant_text, floating_values)
{
    EXPECT_EQ(ole_variant().to_double(), 0.0);
    EXPECT_EQ(ole_variant(std::numeric_limits<std::uint64_t>::max()).to_double(), 18446744073709551615.0);
    EXPECT_EQ(currency(123456).to_double(), 12.3456);
    EXPECT_EQ(decimal(L"0.1").to_double(), 0.1);
    EXPECT_EQ(ole_variant(true).to_double(), 1.0);
    EXPECT_EQ(ole_variant(2.5f).to_double(), 2.5);
    EXPECT_EQ(ole_variant(0.1).to_float(), 0.1f);
    EXPECT_EQ(currency(-5000).to_float(), -0.5f);
    EXPECT_EQ(ole_variant(1e300).to_float(), std::numeric_limits<float>::infinity());
    EXPECT_EQ(ole_variant(-1e300).to_float(), -std::numeric_limits<float>::infinity());
    EXPECT_EQ(ole_variant(std::int64_t{-3}).to_float(), -3.0f);

    for (const ole_variant& refused :
         {ole_variant(std::wstring(L"1.5")), ole_variant(ole_date(std::string("2020-01-01"))),
          ole_variant(std::vector<BYTE>{1})}) {
        try {
            refused.to_double();
            FAIL() << "no number: " << refused.get_type();
        } catch (const tk_mail_assertion& e) {
            EXPECT_EQ(e.get_code(), 2u);
        }
        EXPECT_THROW(refused.to_float(), tk_mail_assertion);
    }
}

TEST(ole_variant_text, to_decimal)
{
    DECIMAL value{};
    ole_variant(std::numeric_limits<std::uint64_t>::max()).to_decimal(&value);
    EXPECT_EQ(ole_variant(value).to_string(), "18446744073709551615");
    ole_variant(std::numeric_limits<std::int64_t>::min()).to_decimal(&value);
    EXPECT_EQ(ole_variant(value).to_string(), "-9223372036854775808");
    ole_variant(0.1).to_decimal(&value);
    EXPECT_EQ(ole_variant(value).to_string(), "0.1");
    ole_variant(std::int16_t{-2}).to_decimal(&value);
    EXPECT_EQ(ole_variant(value).to_string(), "-2");
    decimal(L"1.25").to_decimal(&value);
    EXPECT_EQ(ole_variant(value).to_string(), "1.25");

    EXPECT_THROW(ole_variant(1e30).to_decimal(&value), ole_cast_exception);
    EXPECT_THROW(ole_variant(BYTE{1}).to_decimal(&value), ole_cast_exception);
    EXPECT_THROW(currency(1).to_decimal(&value), ole_cast_exception);
    EXPECT_THROW(ole_variant(std::wstring(L"1")).to_decimal(&value), ole_cast_exception);
    EXPECT_THROW(ole_variant(1).to_decimal(nullptr), tk_mail_assertion);
}

}  // namespace
