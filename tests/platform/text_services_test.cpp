#include "platform/code_page.h"
#include "platform/compare_string.h"
#include "platform/last_error.h"
#include "platform/system_message.h"

#include <cerrno>
#include <clocale>
#include <gtest/gtest.h>

namespace {

TEST(compare_string_test, folds_case_whatever_the_process_locale)
{
    std::setlocale(LC_ALL, "C");
    struct compare_case {
        const wchar_t* left;
        const wchar_t* right;
        int ignoring_case;
    };
    const compare_case cases[] = {
        {L"Orders", L"ORDERS", CSTR_EQUAL},
        {L"\u00c4pfel", L"\u00e4PFEL", CSTR_EQUAL},
        {L"\u03a3\u03bf\u03c2", L"\u03c3\u03bf\u03c3", CSTR_EQUAL},  // final sigma
        {L"\u212a", L"k", CSTR_EQUAL},                               // Kelvin sign
        {L"a", L"B", CSTR_LESS_THAN},
        {L"ab", L"A", CSTR_GREATER_THAN},
    };
    for (const compare_case& item : cases)
        EXPECT_EQ(CompareStringW(NORM_IGNORECASE, item.left, item.right), item.ignoring_case) << item.left;
    EXPECT_EQ(CompareStringW(0, L"Orders", L"ORDERS"), CSTR_GREATER_THAN);
}

// Names fold as CompareStringW does; the fixed words of a text format fold
// their ASCII letters only, so a sign that folds to a letter is not that word.
TEST(compare_string_test, names_fold_by_unicode_and_format_words_by_ascii)
{
    struct equal_case {
        std::wstring_view left;
        std::wstring_view right;
        bool as_names;
        bool as_words;
    };
    const equal_case cases[] = {
        {L"FOREIGN", L"foreign", true, true}, {L"\u00c4pfel", L"\u00e4pfel", true, false},
        {L"\u212a", L"k", true, false},  // Kelvin sign
        {L"true", L"tru", false, false},      {L"", L"", true, true},
    };
    for (const equal_case& item : cases) {
        EXPECT_EQ(platform::equal_ignoring_case(item.left, item.right), item.as_names) << std::wstring(item.left);
        EXPECT_EQ(platform::equal_ignoring_ascii_case(item.left, item.right), item.as_words) << std::wstring(item.left);
    }
    EXPECT_TRUE(platform::equal_ignoring_ascii_case(std::string_view("References"), std::string_view("REFERENCES")));
}

TEST(system_message_test, errno_values_map_to_windows_errors_and_texts)
{
    EXPECT_EQ(platform::error_from_errno(ENOENT), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(platform::error_from_errno(EACCES), ERROR_ACCESS_DENIED);
    std::string text;
    ASSERT_TRUE(FormatMessageA(ERROR_ACCESS_DENIED, text));
    EXPECT_EQ(text, "Access is denied.\r\n");

    // An errno without a Windows number keeps the C library's text.
    const std::uint32_t loop = platform::error_from_errno(ELOOP);
    EXPECT_EQ(loop, application_error_bit | ELOOP);
    ASSERT_TRUE(FormatMessageA(loop, text));
    EXPECT_EQ(text, "Too many levels of symbolic links\r\n");

    EXPECT_FALSE(FormatMessageA(99999, text));
}

// Counting checks each sequence as decoding reads it: the characters of a
// well-formed text, and false for any sequence decoding would replace.
TEST(code_page_test, counts_the_characters_of_well_formed_utf8_only)
{
    const struct {
        std::string text;
        bool valid;
        std::size_t characters;
    } cases[] = {
        {"", true, 0},
        {std::string("plain ascii\0text", 16), true, 16},
        {"eight by\xC3\xA9 and \xE2\x82\xAC \xF0\x9D\x84\x9E \xEF\xBF\xBD", true, 19},
        {"\xF4\x8F\xBF\xBF", true, 1},
        {"ascii run \xC0\xAF", false, 0},
        {"\xED\xA0\x80", false, 0},
        {"\xF4\x90\x80\x80", false, 0},
        {"\xF5\x80\x80\x80", false, 0},
        {"lone \x80 continuation", false, 0},
        {"cut at the end \xE2\x82", false, 0},
        {"\xE2\x82z", false, 0},
    };
    for (const auto& c : cases) {
        std::size_t characters = 99;
        SetLastError(0);
        EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, c.text, characters), c.valid) << c.text;
        if (c.valid) {
            EXPECT_EQ(characters, c.characters) << c.text;
            std::wstring decoded;
            ASSERT_TRUE(MultiByteToWideChar(CP_UTF8, c.text, decoded));
            EXPECT_EQ(decoded.size(), characters);
        } else {
            EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION) << c.text;
        }
    }
}

// A file name goes to the system with the very bytes it was given, UTF-8 or
// not; its valid characters read as text.
TEST(code_page_test, file_names_keep_bytes_that_are_no_utf8)
{
    struct name_case {
        std::string bytes;
        std::wstring wide;
    };
    const name_case cases[] = {
        {"plain.sql", L"plain.sql"},
        {"caf\xC3\xA9.sql", L"caf\u00E9.sql"},
        {"bad\xFF.sql", L"bad\xDCFF.sql"},
        {"cut\xE2\x82", L"cut\xDCE2\xDC82"},
        {"\xF0\x9F\x98\x80\xC0\xAF", L"\U0001F600\xDCC0\xDCAF"},
        {"", L""},
    };
    for (const name_case& tested : cases) {
        EXPECT_EQ(platform::decode_file_name(tested.bytes), tested.wide) << tested.bytes;
        EXPECT_EQ(platform::encode_file_name(tested.wide), tested.bytes) << tested.bytes;
    }
    // A surrogate that stands for no byte is no file name's: it is written as
    // text writes it.
    EXPECT_EQ(platform::encode_file_name(L"a\xD800"), "a\xEF\xBF\xBD");
}

}  // namespace
