#include "mssql/client_commands.h"

#include "test_label.h"
#include "toolkit/tk_text_conversion.h"

#include <gtest/gtest.h>

namespace {

// A line is a client command when, after blanks, it starts with ":", "!!",
// "go" (whatever follows) or one of the other words as a whole word, in any
// case; alike in wide text and in UTF-8.
TEST(mss_client_command_test, tells_command_lines_from_other_lines)
{
    const struct {
        const wchar_t* line;
        bool command;
    } cases[] = {
        {L"GO", true},
        {L"  go 3", true},
        {L"gopher", true},
        {L"\tExit", true},
        {L"exit(select 1)", true},
        {L"QUIT", true},
        {L"reset\r\n", true},
        {L"ed", true},
        {L"ED file", true},
        {L"bye", true},
        {L"version", true},
        {L":r x", true},
        {L" :setvar a b", true},
        {L"!! ls", true},
        {L"\v\f!!", true},
        {L"edit", false},
        {L"exited", false},
        {L"quits", false},
        {L"reset_x", false},
        {L"ed2", false},
        {L"! !", false},
        {L"x :r", false},
        {L"", false},
        {L"   ", false},
        {L"\u00e9d", false},
        {L"ex", false},
        {L"_go", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(mss_starts_client_command(std::wstring_view(c.line), 0), c.command) << test_label(c.line);
        EXPECT_EQ(mss_starts_client_command(std::string_view(tk_unicode_to_utf8(c.line)), 0), c.command)
            << test_label(c.line);
    }
    EXPECT_TRUE(mss_starts_client_command(std::wstring_view(L"x\nexit"), 2));
}

TEST(mss_client_safe_name_test, mends_line_breaks_and_variable_starts)
{
    const struct {
        const wchar_t* name;
        const wchar_t* safe;
    } cases[] = {
        {L"plain", L"plain"}, {L"a\nGO\nb", L"a_GO_b"},     {L"a\r\nb\rc", L"a__b_c"}, {L"$(x)", L"_(x)"},
        {L"$$((", L"$_(("},   {L"$ (x) $x(", L"$ (x) $x("}, {L"[x\n]", L"[x_]"},       {L"", L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(mss_client_safe_name(c.name), c.safe) << test_label(c.name);
        EXPECT_EQ(mss_is_client_safe_name(c.name), std::wstring_view(c.name) == c.safe) << test_label(c.name);
    }
}

}  // namespace
