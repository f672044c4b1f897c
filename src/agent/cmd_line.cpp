#include "agent/cmd_line.h"

#include "toolkit/tk_exception.h"

#include <cstring>

namespace {

const char* const source_label = "tk_cmdli";

// A name that ends in '=' takes the rest of the argument as its value; any
// other name matches only the whole argument, so that "--tab_def=no" or
// "--dumpster" is refused rather than taken for "--tab_def" or "--dump".
bool matches(const char* argument, const char* name)
{
    const std::size_t length = std::strlen(name);
    if (std::strncmp(argument, name, length) != 0)
        return false;
    return length == 0 || name[length - 1] == '=' || argument[length] == '\0';
}

}  // namespace

std::int32_t TCmdLine::get_id() const
{
    if (!has_more())
        throw tk_mail_assertion(source_label, 140);
    return m_id;
}

const char* TCmdLine::get_value() const
{
    if (!has_more())
        throw tk_mail_assertion(source_label, 147);
    return m_value;
}

void TCmdLine::match(const char* argument)
{
    if (!has_more())
        throw tk_mail_assertion(source_label, 19);
    // The empty name that ends the table is a prefix of every argument.
    const cmd_line_option* option = m_options;
    while (!matches(argument, option->name))
        ++option;
    m_value = argument + std::strlen(option->name);
    if (*option->name != '\0') {
        m_id = option->id;
        return;
    }
    if (m_param_count == max_positional)
        throw tk_mail_assertion(source_label, 52);
    m_id = positional_id;
    ++m_param_count;
}

ansi_cmd_line::ansi_cmd_line(int argc, char** argv, const cmd_line_option* options)
    : TCmdLine(options), m_cursor(argv + 1), m_remaining(argc - 1)
{
    if (has_more())
        match(*m_cursor);
}

void ansi_cmd_line::advance()
{
    if (!has_more())
        throw tk_mail_assertion(source_label, 60);
    ++m_cursor;
    --m_remaining;
    if (has_more())
        match(*m_cursor);
}
