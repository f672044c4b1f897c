#include "exposed_variant.h"
#include "toolkit/tk_exception.h"
#include "variant/ole_variant.h"
#include "variant_test_values.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

TEST(ole_variant_storage, copies_keep_what_the_variant_cannot_carry)
{
    const ole_variant minus_one(std::int64_t{-1});
    const ole_variant copy(minus_one);
    EXPECT_EQ(copy.get_type(), VT_I8);
    EXPECT_EQ(copy.to_string(), "-1");

    const ole_variant largest(std::uint64_t{18446744073709551615u});
    ole_variant assigned;
    assigned = largest;
    EXPECT_EQ(assigned.to_string(), "18446744073709551615");

    const ole_variant dated(ole_date(std::string("2020-12-31 10:20:30.123456")));
    const ole_variant dated_copy(dated);
    EXPECT_EQ(dated_copy.get_type(), VT_DATE);
    EXPECT_EQ(dated_copy.to_string(), "2020-12-31 10:20:30.123456");
    SYSTEMTIME time{};
    dated_copy.get_systemtime(time);
    EXPECT_EQ(time.wYear, 2020);
    EXPECT_EQ(time.wSecond, 30);

    ole_variant self(std::wstring(L"self"));
    self = *&self;
    EXPECT_EQ(self.to_wstring(), L"self");
}

TEST(ole_variant_storage, moves_hand_the_value_over_and_leave_no_value)
{
    ole_variant text(std::wstring(L"mov\u00e9"));
    const ole_variant moved(std::move(text));
    EXPECT_EQ(moved.to_wstring(), L"mov\u00e9");
    EXPECT_EQ(text.get_type(), VT_EMPTY);

    const std::vector<BYTE> bytes{1, 2, 0xAB};
    ole_variant target(std::int64_t{-7});
    target = ole_variant(bytes);
    EXPECT_EQ(target.get_type(), ole_vt_bytes);
    EXPECT_EQ(target.to_string(), "0x0102AB");

    ole_variant dated(ole_date(std::string("2020-12-31 10:20:30.123456")));
    target = std::move(dated);
    EXPECT_EQ(dated.get_type(), VT_EMPTY);
    EXPECT_EQ(target.to_string(), "2020-12-31 10:20:30.123456");
    SYSTEMTIME time{};
    target.get_systemtime(time);
    EXPECT_EQ(time.wSecond, 30);

    target = ole_variant(std::uint64_t{18446744073709551615u});
    EXPECT_EQ(target.to_string(), "18446744073709551615");

    ole_variant self(std::wstring(L"self"));
    self = std::move(*&self);
    EXPECT_EQ(self.to_wstring(), L"self");
}

TEST(ole_variant_storage, date_values_carry_both_forms)
{
    SYSTEMTIME time{};
    time.wYear = 2020;
    time.wMonth = 12;
    time.wDay = 31;
    time.wHour = 12;
    time.wMilliseconds = 250;
    exposed_variant value{ole_variant(time)};
    EXPECT_EQ(value.get_type(), VT_DATE);
    EXPECT_EQ(value.raw().date, 44196.5);
    EXPECT_EQ(value.to_string(), "2020-12-31 12:00:00.250");

    exposed_variant pure_time{ole_variant(ole_date(std::string("10:20:30")))};
    EXPECT_EQ(pure_time.get_type(), VT_DATE);
    EXPECT_EQ(pure_time.raw().date, 0.0) << "a time without a date has no DATE";
    EXPECT_EQ(pure_time.to_wstring(), L"0000-00-00 10:20:30");
}

TEST(ole_variant_storage, empty_binary_values_stay_binary)
{
    const ole_variant from_vector{std::vector<BYTE>()};
    EXPECT_EQ(from_vector.get_type(), ole_vt_bytes);
    EXPECT_TRUE(bytes_of(from_vector).empty());
    EXPECT_EQ(from_vector.to_string(), "");

    const BYTE none[1] = {0};
    const ole_variant from_pointer(0u, none);
    EXPECT_EQ(from_pointer.get_type(), ole_vt_bytes);
    const ole_variant copy(from_pointer);
    EXPECT_EQ(copy.get_type(), ole_vt_bytes);

    const ole_variant no_value(0u, nullptr);
    EXPECT_EQ(no_value.get_type(), VT_EMPTY);

    EXPECT_THROW(ole_variant(5u, nullptr), tk_mail_assertion);
}

TEST(ole_variant_storage, byte_arrays_resize_in_place)
{
    ole_variant value(std::vector<BYTE>{1, 2, 3, 4});
    const BYTE* before = nullptr;
    std::string unused;
    value.get_bytes1(before, unused);
    value.allocate_safe_array(4);
    const BYTE* after = nullptr;
    value.get_bytes1(after, unused);
    EXPECT_EQ(before, after);

    value.allocate_safe_array(6);
    const std::vector<BYTE> grown = bytes_of(value);
    ASSERT_EQ(grown.size(), 6u);
    EXPECT_EQ(std::vector<BYTE>(grown.begin(), grown.begin() + 4), (std::vector<BYTE>{1, 2, 3, 4}));

    value.allocate_safe_array(0);
    value.allocate_safe_array(2);
    EXPECT_EQ(bytes_of(value).size(), 2u);

    value = std::vector<BYTE>{9};
    EXPECT_EQ(bytes_of(value), std::vector<BYTE>{9});

    ole_variant text(std::wstring(L"x"));
    text.allocate_safe_array(3);
    EXPECT_EQ(text.get_type(), ole_vt_bytes);
    EXPECT_EQ(bytes_of(text), std::vector<BYTE>(3, 0));
}

TEST(ole_variant_storage, get_at_streams_binary_values_as_hexadecimal)
{
    const ole_variant value(std::vector<BYTE>{0, 1, 2, 3, 4, 5, 6, 7, 0xAB, 0xFF});
    char buffer[16];
    std::memset(buffer, 'z', sizeof buffer);
    EXPECT_EQ(value.get_at(buffer, 8, 5), 2u);
    EXPECT_STREQ(buffer, "ABFF");
    EXPECT_EQ(value.get_at(buffer, 0, 2), 2u);
    EXPECT_STREQ(buffer, "0001");
    EXPECT_EQ(value.get_at(buffer, 10, 5), 0u);
    EXPECT_EQ(ole_variant(std::int32_t{5}).get_at(buffer, 0, 5), 0u);
}

TEST(ole_variant_storage, get_at_streams_text_as_bytes_of_its_ansi_form)
{
    const std::wstring text = L"a\u00e9\u20ac\U0001D11Ez";
    const std::string expected = "a\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9Ez";
    const ole_variant value(text);
    for (std::uint32_t piece : {1u, 2u, 3u, 5u, 64u}) {
        std::string streamed;
        char buffer[64];
        std::uint32_t position = 0;
        for (std::uint32_t got; (got = value.get_at(buffer, position, piece)) != 0; position += got) {
            ASSERT_LE(got, piece);
            streamed.append(buffer, got);
        }
        EXPECT_EQ(streamed, expected) << piece;
    }
}

TEST(ole_variant_storage, get_bytes1_by_type)
{
    const BYTE* bytes = reinterpret_cast<const BYTE*>(1);
    std::string text;
    EXPECT_EQ(ole_variant().get_bytes1(bytes, text), 0u);
    EXPECT_EQ(bytes, nullptr);

    const ole_variant words(std::wstring(L"h\u00e9"));
    ASSERT_EQ(words.get_bytes1(bytes, text), 3u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes), 3), "h\xC3\xA9");

    ole_variant blob(std::vector<BYTE>{7, 8});
    blob.change_type(VT_BLOB);
    EXPECT_EQ(bytes_of(blob), (std::vector<BYTE>{7, 8}));

    try {
        ole_variant(std::int32_t{1}).get_bytes1(bytes, text);
        FAIL() << "a number has no bytes to hand out";
    } catch (const tk_mail_assertion& e) {
        EXPECT_EQ(e.get_code(), 2u);
    }
}

TEST(ole_variant_storage, texts)
{
    const std::wstring with_zero(L"a\0b", 3);
    ole_variant value(with_zero);
    EXPECT_EQ(value.get_type(), VT_BSTR);
    EXPECT_EQ(value.get_at(nullptr, 0, 0), 0u);
    char buffer[8];
    EXPECT_EQ(value.get_at(buffer, 0, 8), 3u) << "the whole text is kept";
    EXPECT_EQ(value.to_wstring(), with_zero) << "a zero character is part of the text";

    const ole_variant utf8(std::string("gr\xC3\xBC\xC3\x9F"));
    EXPECT_EQ(utf8.to_wstring(), L"gr\u00fc\u00df");
    const ole_variant invalid(std::string("a\xFF"));
    EXPECT_EQ(invalid.to_wstring(), L"a\uFFFD");

    wchar_t raw[] = L"bstr";
    const ole_variant from_bstr(static_cast<BSTR>(raw));
    EXPECT_EQ(from_bstr.to_wstring(), L"bstr");
    value = std::wstring(L"next");
    EXPECT_EQ(value.to_wstring(), L"next");
    value = static_cast<BSTR>(raw);
    EXPECT_EQ(value.to_string(), "bstr");
}

TEST(ole_variant_storage, type_predicates)
{
    for (VARTYPE type = 0; type < 80; ++type) {
        const bool numeric = (type >= 2 && type <= 6) || type == 11 || type == 14 || (type >= 16 && type <= 23);
        EXPECT_EQ(ole_variant::is_numeric_type(type), numeric) << type;
        EXPECT_EQ(ole_variant::is_date_or_string_type(type), type == 7 || type == 8) << type;
    }
    EXPECT_FALSE(ole_variant::is_numeric_type(ole_vt_bytes));
}

TEST(ole_variant_storage, convert_to_byte_array_takes_the_first_bytes)
{
    const BYTE source[] = {1, 2, 3};
    std::vector<BYTE> target(7, 9);
    ole_variant::convert_to_byte_array(source, 2, target);
    EXPECT_EQ(target, (std::vector<BYTE>{1, 2}));
}

}  // namespace
