#include "converter/console_error_handler.h"
#include "converter/error_messages.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// An exception as the MySQL and OLE DB layers raise them: an error number
// that selects a message, and a level.
class numbered_exception : public tk_exception {
public:
    numbered_exception(std::uint32_t error_number, std::uint32_t level, const std::string& text = "raw text")
        : tk_exception(text, level)
    {
        set_error_number(error_number);
    }
};

class console_handler : public ::testing::Test {
protected:
    console_handler() : handler(oledb_error_message_count, oledb_error_messages)
    {
        handler.load_err_map(mysql_error_message_count, mysql_error_messages);
    }

    std::string report(const tk_exception& exception)
    {
        ::testing::internal::CaptureStdout();
        handler.handle(exception, false);
        return ::testing::internal::GetCapturedStdout();
    }

    console_error_handler handler;
};

TEST_F(console_handler, registers_itself_as_the_process_handler)
{
    ASSERT_TRUE(error_handler::is_initialized());
    EXPECT_EQ(&error_handler::instance(), &handler);
}

TEST_F(console_handler, level_zero_prints_context_and_mapped_message_and_returns)
{
    handler.set_context(L"orders");
    EXPECT_EQ(report(numbered_exception(0x400415, 0)),
              "Error:\norders: Access denied. Verify the user name and password are correct, and "
              "you have the necessary privileges to connect to the target MySQL server.\n");
}

TEST_F(console_handler, unmapped_code_reports_the_exception_text)
{
    EXPECT_EQ(report(numbered_exception(0x400001, 0, "line one\nline two")), "Error:\nline one line two\n");
}

TEST_F(console_handler, quiet_level_zero_prints_nothing)
{
    handler.quiet = true;
    EXPECT_EQ(report(numbered_exception(0, 0)), "");
}

TEST_F(console_handler, messages_shared_by_several_codes)
{
    auto text = [&](std::uint32_t code) { return report(numbered_exception(code, 0)); };
    EXPECT_EQ(text(0x4007D3), text(0x4007D5));
    EXPECT_EQ(text(0x4004E1), text(0x4004E2));
    EXPECT_EQ(text(0x4004E1), text(0x4004E3));
    EXPECT_NE(text(0x4007D3), text(0x4004E1));
}

TEST_F(console_handler, record_context_is_never_cut)
{
    const std::wstring long_name(300, L'x');
    handler.set_record_context(long_name, 5);
    EXPECT_EQ(handler.get_context(), std::string(300, 'x') + ", record #5");
    handler.set_context(L"");
    EXPECT_EQ(handler.get_context(), "");
}

using console_handler_death = console_handler;

// The child's standard output goes to its standard error, which the death
// test matches.
void handle_on_stderr(error_handler& handler, const tk_exception& exception)
{
    dup2(STDERR_FILENO, STDOUT_FILENO);
    handler.handle(exception, false);
}

TEST_F(console_handler_death, level_one_prints_and_exits_with_minus_one)
{
    EXPECT_EXIT(handle_on_stderr(handler, tk_exception("Invalid port number", 1)), ::testing::ExitedWithCode(255),
                "Error:\nInvalid port number");
}

TEST_F(console_handler_death, quiet_level_one_still_exits)
{
    handler.quiet = true;
    EXPECT_EXIT(handle_on_stderr(handler, tk_exception("Invalid port number", 1)), ::testing::ExitedWithCode(255),
                "^$");
}

TEST_F(console_handler_death, internal_error_exits_even_when_quiet)
{
    handler.quiet = true;
    EXPECT_EXIT(handle_on_stderr(handler, tk_mail_assertion("bwk_conv", 560)), ::testing::ExitedWithCode(255),
                "Internal error: Internal error:  code=");
}

}  // namespace
