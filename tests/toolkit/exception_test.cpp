#include "platform/last_error.h"
#include "toolkit/tk_exception.h"

#include <gtest/gtest.h>

namespace {

TEST(tk_exception_test, texts_of_the_constructors)
{
    EXPECT_STREQ(tk_exception(std::string(), 1).what(), "Unknown exception");
    EXPECT_STREQ(tk_exception(std::wstring(), 1).what(), "");
    EXPECT_STREQ(tk_exception(5).what(), "Unknown exception");
    EXPECT_STREQ(tk_exception(L"Gr\u00f6\u00dfe \U0001F600", 0).what(), "Gr\xC3\xB6\xC3\x9F"
                                                                        "e \xF0\x9F\x98\x80");

    const tk_exception narrow("Table missing", 1);
    EXPECT_STREQ(narrow.what(), "Table missing");
    EXPECT_EQ(narrow.get_code(), 1u);
    EXPECT_EQ(narrow.get_error_number(), 0u);
}

TEST(tk_exception_test, exception_ex_carries_the_system_message_of_the_last_error)
{
    SetLastError(ERROR_FILE_NOT_FOUND);
    const tk_exception_ex prefixed("Cannot convert to ANSI string: ", 1);
    EXPECT_STREQ(prefixed.what(), "Cannot convert to ANSI string: The system cannot find the file specified.\r\n");
    EXPECT_EQ(prefixed.get_error_number(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(prefixed.get_code(), 1u);

    SetLastError(ERROR_ACCESS_DENIED);
    const tk_exception_ex plain;
    EXPECT_STREQ(plain.what(), "Access is denied.\r\n");
    EXPECT_EQ(plain.get_code(), 1u);

    SetLastError(0xDEAD);
    const tk_exception_ex unknown("prefix: ", 0);
    EXPECT_STREQ(unknown.what(), "Unknown exception");
    EXPECT_EQ(unknown.get_error_number(), 0xDEADu);
}

TEST(tk_exception_test, mail_assertion_codes_file_and_line_as_hexadecimal)
{
    const tk_mail_assertion registry("tk_regk", 64);
    EXPECT_STREQ(registry.what(), "Internal error: \ncode=746b5f7265676b5c3634");
    EXPECT_EQ(registry.get_code(), 2u);
    EXPECT_EQ(registry.get_error_number(), 0u);

    EXPECT_STREQ(tk_mail_assertion("..\\TK/tk_singl", 64).what(),
                 "Internal error: \ncode=2e2e5c544b2f746b5f73696e676c5c3634");
}

TEST(tk_exception_test, copies_keep_text_error_number_and_code)
{
    SetLastError(ERROR_ACCESS_DENIED);
    const tk_exception_ex original("x: ", 0);
    const tk_exception copy = original;
    EXPECT_STREQ(copy.what(), original.what());
    EXPECT_EQ(copy.get_error_number(), original.get_error_number());
    EXPECT_EQ(copy.get_code(), original.get_code());
}

TEST(tk_exception_test, final_exception_passes_tk_exception_handlers)
{
    bool caught_as_tk = false;
    bool caught_as_std = false;
    try {
        try {
            throw tk_final_exception();
        } catch (const tk_exception&) {
            caught_as_tk = true;
        }
    } catch (const std::exception&) {
        caught_as_std = true;
    }
    EXPECT_FALSE(caught_as_tk);
    EXPECT_TRUE(caught_as_std);

    EXPECT_THROW(throw tk_mail_assertion("x", 1), tk_exception);
}

}  // namespace
