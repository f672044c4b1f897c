#include "mysql/sql_fk_parser.h"

#include "platform/compare_string.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_string_utils.h"
#include "toolkit/tk_text_conversion.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace {

// A position in one line of the statement. Names may be in backticks, where a
// doubled backtick stands for one; keywords are matched ignoring case.
class clause_reader {
public:
    explicit clause_reader(const std::string& line) : m_line(line) {}

    bool keyword(const char* word)
    {
        skip_spaces();
        m_keyword_position = m_pos;
        const std::string_view expected(word);
        if (!platform::equal_ignoring_ascii_case(std::string_view(m_line).substr(m_pos, expected.size()), expected))
            return false;
        m_pos += expected.size();
        return true;
    }

    bool next_is(char c)
    {
        skip_spaces();
        return m_pos < m_line.size() && m_line[m_pos] == c;
    }

    // One name, quoted or bare (up to a blank, '(', ')', ',' or '.').
    std::optional<std::string> name()
    {
        skip_spaces();
        if (m_pos >= m_line.size())
            return std::nullopt;
        if (m_line[m_pos] != '`') {
            std::size_t end = m_line.find_first_of(" (),.", m_pos);
            if (end == std::string::npos)
                end = m_line.size();
            if (end == m_pos)
                return std::nullopt;
            std::string bare = m_line.substr(m_pos, end - m_pos);
            m_pos = end;
            return bare;
        }
        std::string quoted;
        for (std::size_t at = m_pos + 1; at < m_line.size(); ++at) {
            if (m_line[at] != '`') {
                quoted += m_line[at];
            } else if (at + 1 < m_line.size() && m_line[at + 1] == '`') {
                quoted += '`';
                ++at;
            } else {
                m_pos = at + 1;
                return quoted;
            }
        }
        return std::nullopt;  // no closing backtick
    }

    // A possibly qualified name: `db`.`table` gives the table.
    std::optional<std::string> last_qualified_name()
    {
        std::optional<std::string> last = name();
        while (last && next_is('.')) {
            ++m_pos;
            last = name();
        }
        return last;
    }

    // The text inside the parentheses that open here, backticked names skipped
    // whole so that a parenthesis inside a name does not end the list.
    std::optional<std::string> parenthesised()
    {
        if (!next_is('('))
            return std::nullopt;
        bool quoted = false;
        for (std::size_t at = m_pos + 1; at < m_line.size(); ++at) {
            if (m_line[at] == '`')
                quoted = !quoted;
            if (!quoted && m_line[at] == ')') {
                std::string inside = m_line.substr(m_pos + 1, at - m_pos - 1);
                m_pos = at + 1;
                return inside;
            }
        }
        return std::nullopt;
    }

    std::string rest() const { return m_line.substr(std::min(m_pos, m_line.size())); }
    std::size_t position() const { return m_pos; }
    // Where the last keyword asked for begins.
    std::size_t keyword_position() const { return m_keyword_position; }

private:
    void skip_spaces()
    {
        while (m_pos < m_line.size() && m_line[m_pos] == ' ')
            ++m_pos;
    }

    const std::string& m_line;
    std::size_t m_pos = 0;
    std::size_t m_keyword_position = 0;
};

// The lines of the statement; a line break inside a quoted name or a text
// belongs to it, so that a key whose names hold one is not lost.
std::vector<std::string> statement_lines(const std::string& text)
{
    std::vector<std::string> lines(1);
    char quote = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quote == 0 && c == '\n') {
            lines.emplace_back();
            continue;
        }
        lines.back() += c;
        if (quote == '\'' && c == '\\' && i + 1 < text.size())
            lines.back() += text[++i];
        else if (quote == 0 && (c == '`' || c == '\''))
            quote = c;
        else if (c == quote)
            quote = 0;
    }
    return lines;
}

// A line that starts a foreign-key clause: CONSTRAINT ... FOREIGN KEY, or
// FOREIGN KEY alone. A column's comment that speaks of one does not.
bool holds_foreign_key(const std::string& line)
{
    clause_reader reader(line);
    if (reader.keyword("FOREIGN KEY"))
        return true;
    clause_reader constraint(line);
    if (!constraint.keyword("CONSTRAINT "))
        return false;
    std::string upper = line;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper.find(" FOREIGN KEY") != std::string::npos;
}

std::vector<std::wstring> column_list(const std::string& text)
{
    std::vector<std::wstring> columns;
    sql_fk_parser::get_columns(tk_utf8_to_unicode(text), columns);
    return columns;
}

}  // namespace

sql_fk_parser::sql_fk_parser(const std::wstring& table, const std::string& text)
    : m_table(table), m_chunks(statement_lines(text))
{
    tk_log(2, "sql_fk_parser::ctor(%s)", text.c_str());
}

std::vector<std::string> sql_fk_parser::do_parse(udb_relationships& relationships) const
{
    tk_log(2, "sql_fk_parser::do_parse");
    tk_log(1, "Got %d chunks", static_cast<int>(m_chunks.size()));
    std::vector<std::string> unreadable;
    for (std::size_t i = 0; i < m_chunks.size(); ++i) {
        tk_log(1, "Processing FK chunk #%d", static_cast<int>(i));
        const std::string line = tk_trim(m_chunks[i]);
        if (auto relationship = parse_clause(line))
            relationships.push_back(*relationship);
        else if (holds_foreign_key(line))
            unreadable.push_back(line);
    }
    return unreadable;
}

std::optional<udb_relationship> sql_fk_parser::parse_clause(const std::string& line) const
{
    clause_reader reader(line);
    if (!reader.keyword("CONSTRAINT ")) {
        tk_log(1, "CONSTRAINT is not found");
        return std::nullopt;
    }
    tk_log(1, "CONSTRAINT is found at position %d", static_cast<int>(reader.keyword_position()));
    std::optional<std::string> name = reader.name();
    tk_log(1, "Got FK name: %s", name ? name->c_str() : "");
    if (!name || !reader.keyword("FOREIGN KEY")) {
        tk_log(1, "FOREIGN KEY is not found");
        return std::nullopt;
    }
    tk_log(1, "FOREIGN KEY is found at position %d", static_cast<int>(reader.keyword_position()));
    std::optional<std::string> fk_columns = reader.parenthesised();
    if (!fk_columns || !reader.keyword("REFERENCES ")) {
        tk_log(1, "REFERENCES is not found");
        return std::nullopt;
    }
    tk_log(1, "Got FK columns: %s", fk_columns->c_str());
    std::optional<std::string> pk_table = reader.last_qualified_name();
    std::optional<std::string> pk_columns = reader.parenthesised();
    if (!pk_table || !pk_columns) {
        tk_log(1, "No referenced table and columns at position %d", static_cast<int>(reader.position()));
        return std::nullopt;
    }
    tk_log(1, "Got PK table: %s", pk_table->c_str());
    tk_log(1, "Got PK columns: %s", pk_columns->c_str());

    tk_log(1, "fk_info[length()-1]='%c'", line.back());
    std::string rule = tk_trim(reader.rest());
    if (!rule.empty() && rule.back() == ',')
        rule = tk_trim(rule.substr(0, rule.size() - 1));
    tk_log(1, "Got FK rule: %s", rule.c_str());

    return udb_relationship(tk_utf8_to_unicode(*name), std::wstring(), m_table, tk_utf8_to_unicode(*pk_table),
                            column_list(*fk_columns), column_list(*pk_columns), tk_utf8_to_unicode(rule));
}

bool sql_fk_parser::get_columns(const std::wstring& text, std::vector<std::wstring>& columns)
{
    tk_log(1, "sql_fk_parser::get_columns");
    std::wstring current;
    bool quoted = false;
    auto take = [&] {
        std::wstring name = quoted ? current : tk_trim(current);
        if (!name.empty()) {
            tk_log(1, L"GOT FK COLUMN: %ls", name.c_str());
            columns.push_back(name);
        }
        current.clear();
        quoted = false;
    };
    for (std::size_t at = 0; at < text.size(); ++at) {
        wchar_t c = text[at];
        if (c == L'`') {
            // A quoted name runs to the next single backtick; `` inside is one backtick.
            quoted = true;
            current.clear();
            for (++at; at < text.size(); ++at) {
                if (text[at] != L'`')
                    current += text[at];
                else if (at + 1 < text.size() && text[at + 1] == L'`')
                    current += text[++at];
                else
                    break;
            }
        } else if (c == L',') {
            take();
        } else if (!quoted) {
            current += c;
        }
    }
    take();
    return true;
}
