#include "../platform/automation/counted_object.h"
#include "exposed_variant.h"
#include "variant/ole_exceptions.h"
#include "variant/ole_variant.h"
#include "variant_test_values.h"

#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <string>

namespace {

struct parse_case {
    const char* text;
    VARTYPE type;
    VARTYPE result_type;
    const char* result_text;
};

// Decimals as the servers print them are read straight into the DECIMAL; it
// must be the one the general reading gives, scale and sign included.
TEST(ole_variant_from_string, decimals_are_the_ones_the_general_reading_gives)
{
    for (const char* text : {"0",
                             "-0",
                             "0.00",
                             "-0.00",
                             "12.30",
                             "-12.30",
                             "007.5",
                             "123456789012345678",
                             "-123456789012345678",
                             "1234567890123456789",
                             "0.000000000000000001",
                             "99.",
                             "-.5",
                             "1.2.3",
                             "-",
                             "1-2",
                             "+5",
                             " 5",
                             "12e3",
                             "-999999999.999999999"}) {
        exposed_variant read(ole_variant::from_string(text, VT_DECIMAL));
        const std::string narrow(text);
        DECIMAL expected{};
        if (FAILED(VarDecFromStr(std::wstring(narrow.begin(), narrow.end()).c_str(), 1033, 0, &expected))) {
            EXPECT_EQ(read.get_type(), VT_R8) << text;
            continue;
        }
        ASSERT_EQ(read.get_type(), VT_DECIMAL) << text;
        const DECIMAL& value = read.raw().decVal;
        EXPECT_EQ(value.scale, expected.scale) << text;
        EXPECT_EQ(value.sign, expected.sign) << text;
        EXPECT_EQ(value.Hi32, expected.Hi32) << text;
        EXPECT_EQ(value.Lo64, expected.Lo64) << text;
    }
}

TEST(ole_variant_from_string, by_type)
{
    const parse_case cases[] = {
        {"", VT_I4, VT_EMPTY, ""},
        {"", VT_DATE, VT_EMPTY, ""},
        {"", VT_BSTR, VT_BSTR, ""},
        {"12abc", VT_I4, VT_I4, "12"},
        {"  -42", VT_I2, VT_I2, "-42"},
        {"70000", VT_I2, VT_I2, "4464"},
        {"-1", VT_I1, VT_I1, "-1"},
        {"255", VT_UI1, VT_UI1, "255"},
        {"65535", VT_UI2, VT_UI2, "65535"},
        {"4294967295", VT_UI4, VT_UI4, "4294967295"},
        {"x", VT_UI4, VT_UI4, "0"},
        {"-9223372036854775808", VT_I8, VT_I8, "-9223372036854775808"},
        {"18446744073709551615", VT_UI8, VT_UI8, "18446744073709551615"},
        {"3,5", VT_R8, VT_R8, "3.5000000000000000e+00"},
        {"1e400", VT_R4, VT_R4, "inf"},
        {"0.1", VT_R4, VT_R4, "1.000000e-01"},
        {"12.3456", VT_CY, VT_CY, "12.3456"},
        {"12,34565", VT_CY, VT_CY, "12.3456"},
        {"1e20", VT_CY, VT_EMPTY, ""},
        {"cash", VT_CY, VT_EMPTY, ""},
        {"12.30", VT_DECIMAL, VT_DECIMAL, "12.3"},
        {"1,5", VT_DECIMAL, VT_DECIMAL, "1.5"},
        {"1e100", VT_DECIMAL, VT_R8, "1.0000000000000000e+100"},
        {"no number", VT_DECIMAL, VT_R8, "0.0000000000000000e+00"},
        {"2020-12-31 10:20:30", VT_DATE, VT_DATE, "2020-12-31 10:20:30"},
        {"someday", VT_DATE, VT_EMPTY, ""},
        {"Yes", VT_BOOL, VT_BOOL, "1"},
        {"T", VT_BOOL, VT_BOOL, "1"},
        {"2", VT_BOOL, VT_BOOL, "1"},
        {"FALSE", VT_BOOL, VT_BOOL, "0"},
        {"maybe", VT_BOOL, VT_BOOL, "0"},
        {"0x0AFF", VT_BLOB, VT_BLOB, "0x0AFF"},
        {"0aff", VT_BLOB, VT_BLOB, "0x0AFF"},
        {"\\x0aff", VT_BLOB, VT_BLOB, "0x0AFF"},
        {"0X0aFf", ole_vt_bytes, ole_vt_bytes, "0x0AFF"},
        {"0x", ole_vt_bytes, ole_vt_bytes, ""},
        {"ABC", VT_BLOB, VT_EMPTY, ""},
        {"0xZZ", VT_BLOB, VT_EMPTY, ""},
        {"12 4", ole_vt_bytes, VT_EMPTY, ""},
        {"gr\xC3\xBC\xC3\x9F", VT_BSTR, VT_BSTR, "gr\xC3\xBC\xC3\x9F"},
        {"17", VT_INT, VT_INT, ""},
    };
    for (const parse_case& c : cases) {
        const ole_variant value = ole_variant::from_string(c.text, c.type);
        EXPECT_EQ(value.get_type(), c.result_type) << c.text << " as " << c.type;
        EXPECT_EQ(value.to_string(), c.result_text) << c.text << " as " << c.type;
    }
    EXPECT_EQ(bytes_of(ole_variant::from_string("0x0AFF", VT_BLOB)), (std::vector<BYTE>{0x0A, 0xFF}));
    EXPECT_TRUE(bytes_of(ole_variant::from_string("0x", VT_BLOB)).empty());
}

TEST(ole_variant_from_string, what_the_general_conversion_refuses)
{
    EXPECT_THROW(ole_variant::from_string("seventeen", VT_INT), ole_type_exception);
    EXPECT_THROW(ole_variant::from_string("x", VT_DISPATCH), ole_type_exception);
    EXPECT_THROW(ole_variant::from_wstring(L"x", VT_NULL), ole_type_exception);
    try {
        ole_variant::from_string("x", VT_UNKNOWN);
        FAIL();
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.get_code(), 1u);
        EXPECT_STREQ(e.what(), "The operating type is not supported yet");
    }
}

// Short and long texts take different roads into the value; both keep every
// character, zeros included, and turn invalid bytes into U+FFFD.
TEST(ole_variant_attach_string, short_and_long_texts_decode_alike)
{
    for (const std::size_t repeats : {std::size_t{1}, std::size_t{20000}}) {
        std::string text;
        std::wstring expected;
        for (std::size_t i = 0; i < repeats; ++i) {
            text += std::string("a\xC3\xA9\0\xE2\x80\x94\xFF", 8);
            expected += std::wstring(L"a\u00E9\0\u2014\uFFFD", 5);
        }
        ole_variant value;
        value.attach_string(text);
        EXPECT_EQ(value.get_type(), VT_BSTR);
        EXPECT_EQ(value.to_wstring(), expected) << repeats;
    }
}

// A well-formed text is held in the bytes it came as, in copies too, until
// its wide form is asked for or its type changes; a malformed one is decoded
// at once, each bad sequence standing as U+FFFD.
TEST(ole_variant_attach_string, holds_well_formed_texts_in_their_bytes)
{
    const std::string well_formed("Gr\xC3\xB6\xC3\x9F"
                                  "e\0!\xEF\xBF\xBD",
                                  12);
    ole_variant value;
    value.attach_string(well_formed);
    ASSERT_NE(value.attached_utf8(), nullptr);
    EXPECT_EQ(*value.attached_utf8(), well_formed);
    const ole_variant copy(value);
    ASSERT_NE(copy.attached_utf8(), nullptr);
    EXPECT_EQ(*copy.attached_utf8(), well_formed);
    EXPECT_EQ(value.to_wstring(), std::wstring(L"Gr\u00f6\u00dfe\0!\uFFFD", 8));
    EXPECT_EQ(value.attached_utf8(), nullptr) << "held in its wide form once asked for";

    const std::string malformed[] = {"a\xFF", "\xF0\x9F\x98", "\xED\xA0\x80", std::string(1 << 16, 'x') + "\xC0\xAF"};
    for (const std::string& text : malformed) {
        ole_variant other;
        other.attach_string(text);
        EXPECT_EQ(other.attached_utf8(), nullptr) << text.size();
    }
    ole_variant changed;
    changed.attach_string("42");
    changed.change_type(VT_I4);
    EXPECT_EQ(changed.attached_utf8(), nullptr);
    EXPECT_EQ(changed.to_string(), "42");
    changed = std::wstring(L"43");
    EXPECT_EQ(changed.attached_utf8(), nullptr);
}

// A long text read in UTF-8 gives the same characters, bytes and pieces
// through every reader, in copies and after a move, whether or not its wide
// form was made.
TEST(ole_variant_attach_string, long_texts_read_alike_in_either_form)
{
    std::string bytes;
    std::wstring characters;
    for (int i = 0; i < 20000; ++i) {
        bytes += std::string("\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E'\0", 11);
        characters += std::wstring(L"\u00e9\u20ac\U0001D11E'\0", 5);
    }
    ole_variant held;
    held.attach_string(bytes);
    ASSERT_NE(held.attached_utf8(), nullptr);
    const ole_variant copy(held);
    ole_variant moved_from;
    moved_from.attach_string(bytes);
    const ole_variant moved(std::move(moved_from));
    EXPECT_EQ(moved_from.get_type(), VT_EMPTY);
    ole_variant widened;
    widened.attach_string(bytes);
    EXPECT_EQ(widened.to_wstring(), characters);
    EXPECT_EQ(widened.attached_utf8(), nullptr) << "the bytes go once the wide form is made";

    for (const ole_variant* value : std::initializer_list<const ole_variant*>{&held, &copy, &moved, &widened}) {
        EXPECT_EQ(value->get_type(), VT_BSTR);
        EXPECT_EQ(value->to_string(), bytes);
        const BYTE* read = nullptr;
        std::string scratch;
        ASSERT_EQ(value->get_bytes1(read, scratch), bytes.size());
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(read), bytes.size()), bytes);
        std::string streamed;
        char piece[1000];
        for (std::uint32_t got, at = 0; (got = value->get_at(piece, at, sizeof piece)) != 0; at += got)
            streamed.append(piece, got);
        EXPECT_EQ(streamed, bytes);
    }
    EXPECT_EQ(held.to_wstring(), characters);
    EXPECT_EQ(moved.to_wstring(), characters);

    ole_variant binary(held);
    binary.change_type(ole_vt_bytes);
    EXPECT_EQ(bytes_of(binary), std::vector<BYTE>(bytes.begin(), bytes.end()));
}

TEST(ole_variant_from_wstring, by_type)
{
    EXPECT_EQ(bytes_of(ole_variant::from_wstring(L"0x0AFF", ole_vt_bytes)), (std::vector<BYTE>{0x0A, 0xFF}));
    EXPECT_EQ(ole_variant::from_wstring(L"0x0\u00e9", ole_vt_bytes).get_type(), VT_EMPTY);
    const ole_variant text = ole_variant::from_wstring(std::wstring(L"ab\0cd", 5), VT_BSTR);
    EXPECT_EQ(text.get_type(), VT_BSTR);
    EXPECT_EQ(text.to_wstring(), L"ab");
    EXPECT_EQ(ole_variant::from_wstring(L"", VT_BSTR).get_type(), VT_BSTR);
    EXPECT_EQ(ole_variant::from_wstring(L"42", VT_I4).to_long(), 42);
    EXPECT_EQ(ole_variant::from_wstring(L"", VT_I4).get_type(), VT_EMPTY);
    EXPECT_EQ(ole_variant::from_wstring(L"12/31/2020", VT_DATE).to_string(), "2020-12-31");
}

struct change_case {
    const char* name;
    std::function<ole_variant()> make;
    VARTYPE type;
    VARTYPE result_type;
    const char* result_text;  // nullptr: ole_cast_exception, the value unchanged
};

TEST(ole_variant_change_type, table)
{
    const change_case cases[] = {
        {"text 1 to bool", [] { return ole_variant(std::wstring(L"1")); }, VT_BOOL, VT_BSTR, nullptr},
        {"text TRUE to bool", [] { return ole_variant(std::wstring(L"TRUE")); }, VT_BOOL, VT_BOOL, "1"},
        {"text no to bool", [] { return ole_variant(std::wstring(L"no")); }, VT_BOOL, VT_BOOL, "0"},
        {"i2 to i4 keeps i2", [] { return ole_variant(std::int16_t{5}); }, VT_I4, VT_I2, "5"},
        {"r8 2.5 to i4", [] { return ole_variant(2.5); }, VT_I4, VT_I4, "3"},
        {"r8 -2.5 to i4", [] { return ole_variant(-2.5); }, VT_I4, VT_I4, "-3"},
        {"r4 to ui2", [] { return ole_variant(65535.4f); }, VT_UI2, VT_UI2, "65535"},
        {"r8 over i4", [] { return ole_variant(1e10); }, VT_I4, VT_R8, nullptr},
        {"r8 over i2", [] { return ole_variant(70000.0); }, VT_I2, VT_R8, nullptr},
        {"negative r8 to ui4", [] { return ole_variant(-1.0); }, VT_UI4, VT_R8, nullptr},
        {"r8 to i1 keeps r8", [] { return ole_variant(1.0); }, VT_I1, VT_R8, "1.0000000000000000e+00"},
        {"decimal tie to i4", [] { return decimal(L"2.5"); }, VT_I4, VT_I4, "2"},
        {"decimal over i4", [] { return decimal(L"1e20"); }, VT_I4, VT_DECIMAL, nullptr},
        {"decimal to i1", [] { return decimal(L"-5"); }, VT_I1, VT_I1, "-5"},
        {"decimal over i1", [] { return decimal(L"300"); }, VT_I1, VT_DECIMAL, nullptr},
        {"decimal to ui2", [] { return decimal(L"65535"); }, VT_UI2, VT_UI2, "65535"},
        {"text to i4 keeps text", [] { return ole_variant(std::wstring(L"12")); }, VT_I4, VT_BSTR, "12"},
        {"i8 5 to currency", [] { return ole_variant(std::int64_t{5}); }, VT_CY, VT_CY, "5"},
        {"i8 largest currency", [] { return ole_variant(std::int64_t{-922337203685477}); }, VT_CY, VT_CY,
         "-922337203685477"},
        {"i8 over currency", [] { return ole_variant(std::int64_t{922337203685478}); }, VT_CY, VT_I8, nullptr},
        {"i8 far over currency", [] { return ole_variant(std::int64_t{1000000000000000000}); }, VT_CY, VT_I8, nullptr},
        {"ui8 over currency", [] { return ole_variant(std::uint64_t{922337203685478}); }, VT_CY, VT_UI8, nullptr},
        {"currency 12.5 to i8", [] { return currency(125000); }, VT_I8, VT_I8, "13"},
        {"currency -12.5 to i8", [] { return currency(-125000); }, VT_I8, VT_I8, "-12"},
        {"currency -12.6 to i8", [] { return currency(-126000); }, VT_I8, VT_I8, "-13"},
        {"currency -12.4 to i8", [] { return currency(-124000); }, VT_I8, VT_I8, "-12"},
        {"currency 12.4 to ui8", [] { return currency(124000); }, VT_UI8, VT_UI8, "12"},
        {"i8 -1 to text", [] { return ole_variant(std::int64_t{-1}); }, VT_BSTR, VT_BSTR, "-1"},
        {"ui8 to text", [] { return ole_variant(std::uint64_t{18446744073709551615u}); }, VT_BSTR, VT_BSTR,
         "18446744073709551615"},
        {"i8 1 to bool", [] { return ole_variant(std::int64_t{1}); }, VT_BOOL, VT_BOOL, "1"},
        {"i8 65536 to bool", [] { return ole_variant(std::int64_t{65536}); }, VT_BOOL, VT_BOOL, "1"},
        {"i8 0 to bool", [] { return ole_variant(std::int64_t{0}); }, VT_BOOL, VT_BOOL, "0"},
        {"ui8 1 to bool", [] { return ole_variant(std::uint64_t{1}); }, VT_BOOL, VT_BOOL, "1"},
        {"i8 to i2 low bits", [] { return ole_variant(std::int64_t{70000}); }, VT_I2, VT_I2, "4464"},
        {"i8 to i4 low bits", [] { return ole_variant(std::int64_t{-1}); }, VT_UI4, VT_UI4, "4294967295"},
        {"i8 to r8", [] { return ole_variant(std::int64_t{-3}); }, VT_R8, VT_R8, "-3.0000000000000000e+00"},
        {"i8 to decimal", [] { return ole_variant(std::int64_t{-7}); }, VT_DECIMAL, VT_DECIMAL, "-7"},
        {"ui8 to i8", [] { return ole_variant(std::uint64_t{18446744073709551615u}); }, VT_I8, VT_I8, "-1"},
        {"i8 to date", [] { return ole_variant(std::int64_t{1}); }, VT_DATE, VT_I8, nullptr},
        {"bool to i8", [] { return ole_variant(true); }, VT_I8, VT_I8, "-1"},
        {"ui4 to i8", [] { return ole_variant(std::uint32_t{4294967295u}); }, VT_I8, VT_I8, "4294967295"},
        {"r8 tie to i8", [] { return ole_variant(2.5); }, VT_I8, VT_I8, "2"},
        {"r8 over i8", [] { return ole_variant(1e20); }, VT_I8, VT_R8, nullptr},
        {"r4 to ui8", [] { return ole_variant(3.5f); }, VT_UI8, VT_UI8, "4"},
        {"decimal to ui8", [] { return decimal(L"18446744073709551615"); }, VT_UI8, VT_UI8, "18446744073709551615"},
        {"decimal over i8", [] { return decimal(L"9223372036854775808"); }, VT_I8, VT_DECIMAL, nullptr},
        {"text to i8", [] { return ole_variant(std::wstring(L"5")); }, VT_I8, VT_BSTR, nullptr},
        {"date to text", [] { return ole_variant(ole_date(std::string("2020-12-31 10:20:30.5"))); }, VT_BSTR, VT_BSTR,
         "2020-12-31 10:20:30.500000"},
        {"time to text", [] { return ole_variant(ole_date(std::string("10:20:30"))); }, VT_BSTR, VT_BSTR, "10:20:30"},
        {"date to r8", [] { return ole_variant(ole_date(std::string("2020-12-31"))); }, VT_R8, VT_DATE, nullptr},
        {"text to date", [] { return ole_variant(std::wstring(L"31.12.2020")); }, VT_DATE, VT_DATE, "2020-12-31"},
        {"text no date", [] { return ole_variant(std::wstring(L"never")); }, VT_DATE, VT_BSTR, nullptr},
        {"i4 to date", [] { return ole_variant(std::int32_t{1}); }, VT_DATE, VT_I4, nullptr},
        {"bytes to text",
         [] {
             return ole_variant(std::vector<BYTE>{'a', 'b', 'c'});
         },
         VT_BSTR, VT_BSTR, "abc"},
        {"bytes with zero to text",
         [] {
             return ole_variant(std::vector<BYTE>{'a', 0, 'c'});
         },
         VT_BSTR, VT_BSTR, "a"},
        {"empty bytes to text", [] { return ole_variant(std::vector<BYTE>()); }, VT_BSTR, VT_BSTR, ""},
        {"bytes to i4", [] { return ole_variant(std::vector<BYTE>{1}); }, VT_I4, ole_vt_bytes, "0x01"},
        {"bytes to r8", [] { return ole_variant(std::vector<BYTE>{1}); }, VT_R8, ole_vt_bytes, "0x01"},
        {"bytes to blob", [] { return ole_variant(std::vector<BYTE>{1}); }, VT_BLOB, VT_BLOB, "0x01"},
        {"bytes to blob object", [] { return ole_variant(std::vector<BYTE>{1}); }, VT_BLOB_OBJECT, ole_vt_bytes,
         "0x01"},
        {"bytes to dispatch", [] { return ole_variant(std::vector<BYTE>{1}); }, VT_DISPATCH, ole_vt_bytes, nullptr},
        {"bytes to i8", [] { return ole_variant(std::vector<BYTE>{1}); }, VT_I8, ole_vt_bytes, nullptr},
        {"i4 to bytes", [] { return ole_variant(std::int32_t{0x12345678}); }, ole_vt_bytes, ole_vt_bytes, "0x78563412"},
        {"bool to bytes", [] { return ole_variant(true); }, VT_BLOB, ole_vt_bytes, "0xFFFF"},
        {"r8 to bytes", [] { return ole_variant(1.0); }, ole_vt_bytes, ole_vt_bytes, "0x000000000000F03F"},
        {"ui1 to bytes", [] { return ole_variant(BYTE{0xAB}); }, ole_vt_bytes, ole_vt_bytes, "0xAB"},
        {"decimal to bytes", [] { return decimal(L"-1.5"); }, ole_vt_bytes, ole_vt_bytes,
         "0x0E000180000000000F00000000000000"},
        {"text to bytes", [] { return ole_variant(std::wstring(L"ab\u00e9")); }, VT_BLOB, ole_vt_bytes, "0x6162C3A9"},
        {"i4 to r8", [] { return ole_variant(std::int32_t{5}); }, VT_R8, VT_R8, "5.0000000000000000e+00"},
        {"text to r8", [] { return ole_variant(std::wstring(L"2.25")); }, VT_R8, VT_R8, "2.2500000000000000e+00"},
        {"text no r8", [] { return ole_variant(std::wstring(L"abc")); }, VT_R8, VT_BSTR, nullptr},
        {"currency to text", [] { return currency(123400); }, VT_BSTR, VT_BSTR, "12.34"},
        {"empty stays", [] { return ole_variant(); }, VT_I4, VT_EMPTY, ""},
    };
    for (const change_case& c : cases) {
        ole_variant value = c.make();
        const std::string before = value.to_string();
        if (c.result_text == nullptr) {
            EXPECT_THROW(value.change_type(c.type), ole_cast_exception) << c.name;
            EXPECT_EQ(value.get_type(), c.result_type) << c.name;
            EXPECT_EQ(value.to_string(), before) << c.name;
            continue;
        }
        value.change_type(c.type);
        EXPECT_EQ(value.get_type(), c.result_type) << c.name;
        EXPECT_EQ(value.to_string(), c.result_text) << c.name;
    }
}

TEST(ole_variant_change_type, an_interface_never_becomes_an_array)
{
    int alive = 0;
    auto* object = new counted_object(&alive);
    object->AddRef();
    {
        exposed_variant value;
        value.raw().vt = VT_DISPATCH;
        value.raw().punkVal = object;
        EXPECT_THROW(value.change_type(ole_vt_bytes), ole_cast_exception);
        EXPECT_THROW(value.change_type(VT_BLOB), ole_cast_exception);
        EXPECT_EQ(value.get_type(), VT_DISPATCH);
    }
    EXPECT_EQ(alive, 0) << "released once as an interface";
}

TEST(ole_variant_change_type, cast_exception_text_and_code)
{
    try {
        ole_variant(std::wstring(L"maybe")).change_type(VT_BOOL);
        FAIL();
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.get_code(), 0u);
        EXPECT_EQ(e.get_error_number(), 0u);
        EXPECT_STREQ(e.what(), "Cannot cast from source type to destination type");
    }
}

}  // namespace
