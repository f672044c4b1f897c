// The parameter markers of a statement: question marks outside literals,
// quoted or bracketed names and comments, where a driver finds them too.
#include "platform/oledb/odbc_parameters.h"

#include <gtest/gtest.h>

namespace {

TEST(parameter_markers, only_question_marks_outside_quotes_and_comments)
{
    const struct {
        const wchar_t* statement;
        std::vector<std::size_t> markers;
    } cases[] = {
        {L"UPDATE [t] SET [a]=? WHERE [id]=?", {19, 32}},
        {L"INSERT INTO [a?b]([c]]?]) VALUES( ?, N'why?', 'it''s?')", {34}},
        {L"SELECT \"x?\", ? -- no?\n, ?", {13, 24}},
        {L"SELECT /* ? */ ?", {15}},
        {L"SELECT 'open ?", {}},
        {L"SELECT /* open ?", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(oledb::odbc::parameter_markers(c.statement), c.markers) << c.statement;
}

}  // namespace
