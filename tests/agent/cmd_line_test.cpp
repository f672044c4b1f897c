#include "agent/cmd_line.h"

#include "toolkit/tk_exception.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace {

const cmd_line_option options[] = {
    {0, "--dump"}, {1, "--dest="}, {2, "--d"}, {3, "--src="}, {4, ""},
};

// The argument vector of a program called with the given arguments.
class command_line {
public:
    explicit command_line(std::vector<std::string> arguments) : m_texts(std::move(arguments))
    {
        m_texts.insert(m_texts.begin(), "corvath");
        for (std::string& text : m_texts)
            m_argv.push_back(text.data());
        m_argv.push_back(nullptr);
    }
    int argc() const { return static_cast<int>(m_texts.size()); }
    char** argv() { return m_argv.data(); }

private:
    std::vector<std::string> m_texts;
    std::vector<char*> m_argv;
};

std::vector<std::pair<int, std::string>> walk(std::vector<std::string> arguments)
{
    command_line line(std::move(arguments));
    ansi_cmd_line matcher(line.argc(), line.argv(), options);
    std::vector<std::pair<int, std::string>> matched;
    for (; matcher.has_more(); matcher.advance())
        matched.emplace_back(matcher.get_id(), matcher.get_value());
    return matched;
}

TEST(cmd_line, matches_the_first_table_entry_that_is_a_prefix)
{
    using matches = std::vector<std::pair<int, std::string>>;
    EXPECT_EQ(walk({"--dump"}), (matches{{0, ""}}));
    EXPECT_EQ(walk({"--dest=out.sql"}), (matches{{1, "out.sql"}}));
    EXPECT_EQ(walk({"--dest="}), (matches{{1, ""}}));
    EXPECT_EQ(walk({"--d"}), (matches{{2, ""}}));
    // A name without '=' takes no value: anything behind it makes the
    // argument match no option.
    EXPECT_EQ(walk({"--dump=x"}), (matches{{-1, "--dump=x"}}));
    EXPECT_EQ(walk({"--dumpster"}), (matches{{-1, "--dumpster"}}));
    EXPECT_EQ(walk({"--dest"}), (matches{{-1, "--dest"}}));
    EXPECT_EQ(walk({"--src"}), (matches{{-1, "--src"}}));
    EXPECT_EQ(walk({"--SRC=x"}), (matches{{-1, "--SRC=x"}}));
    EXPECT_EQ(walk({""}), (matches{{-1, ""}}));
}

TEST(cmd_line, walks_arguments_in_order_and_counts_positional_ones)
{
    command_line line({"a", "--src=db", "b", "--dump"});
    ansi_cmd_line matcher(line.argc(), line.argv(), options);
    std::vector<int> ids;
    for (; matcher.has_more(); matcher.advance())
        ids.push_back(matcher.get_id());
    EXPECT_EQ(ids, (std::vector<int>{-1, 3, -1, 0}));
    EXPECT_EQ(matcher.get_param_count(), 2u);
}

TEST(cmd_line, without_arguments_has_nothing_and_refuses_the_accessors)
{
    command_line line({});
    ansi_cmd_line matcher(line.argc(), line.argv(), options);
    EXPECT_FALSE(matcher.has_more());
    EXPECT_THROW(matcher.get_id(), tk_mail_assertion);
    EXPECT_THROW(matcher.get_value(), tk_mail_assertion);
    EXPECT_THROW(matcher.advance(), tk_mail_assertion);
}

TEST(cmd_line, twenty_first_positional_argument_is_an_internal_error)
{
    command_line twenty(std::vector<std::string>(20, "x"));
    ansi_cmd_line matcher(twenty.argc(), twenty.argv(), options);
    while (matcher.has_more())
        matcher.advance();
    EXPECT_EQ(matcher.get_param_count(), 20u);

    command_line twenty_one(std::vector<std::string>(21, "x"));
    EXPECT_THROW(
        {
            ansi_cmd_line over(twenty_one.argc(), twenty_one.argv(), options);
            while (over.has_more())
                over.advance();
        },
        tk_mail_assertion);
}

}  // namespace
