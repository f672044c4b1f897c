#include "platform/last_error.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_text_conversion.h"

#include <gtest/gtest.h>

namespace {

struct decoding_case {
    const char* utf8;
    std::wstring wide;
};

TEST(tk_text_conversion_test, utf8_decoding_takes_four_byte_sequences_and_replaces_invalid_bytes)
{
    const decoding_case cases[] = {
        {"plain", L"plain"},
        {"Gr\xC3\xB6\xC3\x9F"
         "e",
         L"Gr\u00f6\u00dfe"},
        {"\xE2\x82\xAC", L"\u20ac"},
        {"\xF0\x9F\x98\x80!", L"\U0001F600!"},
        {"a\xFF"
         "b",
         L"a\ufffdb"},
        {"\xE2\x82", L"\ufffd"},                            // cut short: one replacement
        {"\xC0\xAF", L"\ufffd\ufffd"},                      // overlong form
        {"\xED\xA0\x80", L"\ufffd\ufffd\ufffd"},            // encoded surrogate
        {"\xF4\x90\x80\x80", L"\ufffd\ufffd\ufffd\ufffd"},  // beyond U+10FFFF
    };
    for (const decoding_case& item : cases) {
        EXPECT_EQ(tk_utf8_to_unicode(item.utf8), item.wide) << item.utf8;
        EXPECT_EQ(tk_ansi_to_unicode(item.utf8), item.wide) << item.utf8;
    }
}

TEST(tk_text_conversion_test, encoding_to_utf8_and_ansi)
{
    EXPECT_EQ(tk_unicode_to_utf8(L"\U0001F600\u00e9"), "\xF0\x9F\x98\x80\xC3\xA9");
    EXPECT_EQ(tk_unicode_to_utf8(std::wstring(1, wchar_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(tk_unicode_to_utf8(std::wstring(1, wchar_t(0x110000))), "\xEF\xBF\xBD");
    // Nothing is outside the ANSI code page here, so nothing fails.
    EXPECT_EQ(tk_unicode_to_ansi(L"\u4e2d\u6587"), "\xE4\xB8\xAD\xE6\x96\x87");
    EXPECT_EQ(tk_unicode_to_ansi(L"x", tk_ansi_code_page), "x");
}

TEST(tk_text_conversion_test, results_stop_at_the_first_zero)
{
    EXPECT_EQ(tk_utf8_to_unicode(std::string("ab\0cd", 5)), L"ab");
    EXPECT_EQ(tk_unicode_to_utf8(std::wstring(L"ab\0cd", 5)), "ab");
}

TEST(tk_text_conversion_test, failed_conversion_raises_the_system_message)
{
    try {
        tk_unicode_to_ansi(L"text", 1252);
        FAIL();
    } catch (const tk_exception_ex& failure) {
        EXPECT_STREQ(failure.what(), "Cannot convert to ANSI string: The parameter is incorrect.\r\n");
        EXPECT_EQ(failure.get_code(), 0u);
        EXPECT_EQ(failure.get_error_number(), ERROR_INVALID_PARAMETER);
    }
}

TEST(tk_text_conversion_test, buffer_forms_report_instead_of_throwing)
{
    std::unique_ptr<wchar_t[]> wide;
    EXPECT_FALSE(tk_ansi_to_unicode1(nullptr, wide));
    ASSERT_TRUE(tk_ansi_to_unicode1("\xC3\xA9t\xC3\xA9", wide));
    EXPECT_EQ(std::wstring(wide.get()), L"\u00e9t\u00e9");

    std::unique_ptr<char[]> narrow;
    EXPECT_FALSE(tk_unicode_to_ansi2(nullptr, narrow));
    ASSERT_TRUE(tk_unicode_to_ansi2(L"\U0001F600", narrow));
    EXPECT_STREQ(narrow.get(), "\xF0\x9F\x98\x80");

    std::string text;
    EXPECT_FALSE(tk_unicode_to_ansi3(nullptr, text));
    EXPECT_TRUE(tk_unicode_to_ansi3(L"\u00e9", text));
    EXPECT_EQ(text, "\xC3\xA9");
}

TEST(tk_text_conversion_test, caller_buffer_that_is_too_small_is_refused_not_overrun)
{
    // One character needs four bytes and the terminator one more.
    char buffer[6] = {'#', '#', '#', '#', '#', '#'};
    EXPECT_FALSE(tk_unicode_to_ansi1(L"\U0001F600", buffer, 4));
    EXPECT_EQ(buffer[0], '#');
    EXPECT_TRUE(tk_unicode_to_ansi1(L"\U0001F600", buffer, 5));
    EXPECT_STREQ(buffer, "\xF0\x9F\x98\x80");
}

}  // namespace
