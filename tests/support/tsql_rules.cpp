#include "support/tsql_rules.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace tsql {

namespace {

constexpr std::size_t max_columns = 1024;
constexpr std::size_t max_identifier = 128;

std::string upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

// A quoted name without its quotes; a bare one as it stands.
std::string unquoted(const token& name)
{
    if (name.kind != token_kind::quoted_name)
        return name.text;
    const char closing = name.text.front() == '[' ? ']' : '"';
    std::string inner;
    for (std::size_t i = 1; i + 1 < name.text.size(); ++i) {
        inner += name.text[i];
        if (name.text[i] == closing)
            ++i;
    }
    return inner;
}

// The length SQL Server measures a name by: UTF-16 units.
std::size_t utf16_length(const std::string& text)
{
    std::size_t units = 0;
    for (unsigned char c : text) {
        if ((c & 0xC0) == 0x80)
            continue;
        units += c >= 0xF0 ? 2 : 1;
    }
    return units;
}

// [owner].[table] or table, as one key: lower case, dbo where no owner is named.
struct table_name {
    std::string key;
    std::string shown;
};

bool read_table_name(const std::vector<token>& tokens, std::size_t& at, table_name& name)
{
    std::vector<std::string> parts;
    std::string shown;
    while (at < tokens.size()) {
        const token& part = tokens[at];
        if (part.kind == token_kind::quoted_name) {
            parts.push_back(unquoted(part));
            shown += part.text;
            ++at;
        } else if (part.kind == token_kind::word && part.text != ".") {
            // A bare name may carry its points: dbo.t
            std::size_t start = 0;
            for (std::size_t dot; (dot = part.text.find('.', start)) != std::string::npos; start = dot + 1)
                if (dot > start)
                    parts.push_back(part.text.substr(start, dot - start));
            if (start < part.text.size())
                parts.push_back(part.text.substr(start));
            shown += part.text;
            ++at;
        } else {
            break;
        }
        if (at < tokens.size() && tokens[at].text == ".") {
            shown += ".";
            ++at;
            continue;
        }
        if (!shown.empty() && shown.back() == '.')
            continue;
        break;
    }
    if (parts.empty())
        return false;
    std::string key;
    if (parts.size() == 1)
        key = "dbo.";
    for (std::size_t i = parts.size() >= 2 ? parts.size() - 2 : 0; i < parts.size(); ++i)
        key += (i + 2 == parts.size() || parts.size() == 1 ? "" : ".") + parts[i];
    std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::tolower(c); });
    name = {key, shown};
    return true;
}

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// The tokens of each comma-separated item of the group that starts at `at`
// (an opening parenthesis); `at` ends behind the group.
std::vector<std::vector<token>> group_items(const std::vector<token>& tokens, std::size_t& at)
{
    std::vector<std::vector<token>> items(1);
    int depth = 0;
    for (; at < tokens.size(); ++at) {
        const std::string& text = tokens[at].text;
        if (tokens[at].kind == token_kind::symbol && text == "(" && depth++ == 0)
            continue;
        if (tokens[at].kind == token_kind::symbol && text == ")" && --depth == 0) {
            ++at;
            break;
        }
        if (depth == 1 && tokens[at].kind == token_kind::symbol && text == ",")
            items.emplace_back();
        else
            items.back().push_back(tokens[at]);
    }
    if (items.size() == 1 && items.front().empty())
        items.clear();
    return items;
}

bool has_words(const std::vector<token>& item, const char* first, const char* second)
{
    for (std::size_t i = 0; i + 1 < item.size(); ++i)
        if (is_word(item[i], first) && is_word(item[i + 1], second))
            return true;
    return false;
}

bool has_word(const std::vector<token>& item, const char* word)
{
    return std::any_of(item.begin(), item.end(), [&](const token& t) { return is_word(t, word); });
}

}  // namespace

bool is_sql_server_collation(const std::string& name)
{
    const std::string text = upper(name);
    if (text == "SQL_LATIN1_GENERAL_CP1_CI_AS" || text == "SQL_LATIN1_GENERAL_CP1_CS_AS" ||
        text == "SQL_LATIN1_GENERAL_CP1_CI_AI")
        return true;
    std::string rest;
    bool version_100 = false;
    if (text.starts_with("LATIN1_GENERAL_100_")) {
        version_100 = true;
        rest = text.substr(19);
    } else if (text.starts_with("LATIN1_GENERAL_")) {
        rest = text.substr(15);
    } else {
        return false;
    }
    if (rest == "BIN" || rest == "BIN2" || (version_100 && rest == "BIN2_UTF8"))
        return true;
    // CI or CS, AI or AS, then optional KS, WS, SC (version 100), UTF8 (after SC).
    if (rest.size() < 5 || (rest.substr(0, 3) != "CI_" && rest.substr(0, 3) != "CS_") ||
        (rest.substr(3, 2) != "AI" && rest.substr(3, 2) != "AS"))
        return false;
    rest = rest.substr(5);
    for (const char* option : {"_KS", "_WS"})
        if (rest.starts_with(option))
            rest = rest.substr(3);
    if (version_100 && rest.starts_with("_SC")) {
        rest = rest.substr(3);
        if (rest == "_UTF8")
            rest.clear();
    }
    return rest.empty();
}

void rule_checker::add_batch(const std::wstring& batch)
{
    std::string text;
    for (wchar_t wide : batch) {
        const auto c = static_cast<std::uint32_t>(wide);
        if (c < 0x80) {
            text += static_cast<char>(c);
        } else if (c < 0x800) {
            text += static_cast<char>(0xC0 | (c >> 6));
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            text += static_cast<char>(0xE0 | (c >> 12));
            text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            text += static_cast<char>(0xF0 | (c >> 18));
            text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    add_batch(text);
}

void rule_checker::add_batch(const std::string& batch)
{
    std::vector<token> tokens;
    try {
        tokens = tokenize(batch);
    } catch (const std::exception& e) {
        m_breaches.push_back(std::string(e.what()) + ": " + batch.substr(0, 200));
        return;
    }
    for (const token& name : tokens) {
        const bool identifier =
            name.kind == token_kind::quoted_name ||
            (name.kind == token_kind::word && !std::isdigit(static_cast<unsigned char>(name.text[0])));
        if (!identifier)
            continue;
        const std::string inner = unquoted(name);
        // A bare name may be several joined by points.
        std::size_t start = 0;
        for (std::size_t end = 0; end <= inner.size(); ++end) {
            if (end < inner.size() && !(name.kind == token_kind::word && inner[end] == '.'))
                continue;
            if (utf16_length(inner.substr(start, end - start)) > max_identifier)
                m_breaches.push_back("The identifier " + name.text.substr(0, 40) + "... is longer than " +
                                     std::to_string(max_identifier) + " characters");
            start = end + 1;
        }
    }
    for (std::size_t at = 0; at + 1 < tokens.size();) {
        table_name table;
        if (is_word(tokens[at], "CREATE") && is_word(tokens[at + 1], "TABLE")) {
            at += 2;
            if (read_table_name(tokens, at, table))
                create_table(table.key, tokens, at);
            continue;
        }
        if (is_word(tokens[at], "DROP") && is_word(tokens[at + 1], "TABLE")) {
            at += 2;
            if (at + 1 < tokens.size() && is_word(tokens[at], "IF") && is_word(tokens[at + 1], "EXISTS"))
                at += 2;
            if (read_table_name(tokens, at, table))
                m_tables.erase(table.key);
            continue;
        }
        if (is_word(tokens[at], "ALTER") && is_word(tokens[at + 1], "TABLE")) {
            at += 2;
            if (!read_table_name(tokens, at, table) || at >= tokens.size() || !is_word(tokens[at], "ADD"))
                continue;
            ++at;
            if (at + 1 < tokens.size() && is_word(tokens[at], "CONSTRAINT"))
                at += 2;
            if (at + 1 < tokens.size() && is_word(tokens[at], "PRIMARY") && is_word(tokens[at + 1], "KEY")) {
                at += 2;
                if (at < tokens.size() && (is_word(tokens[at], "CLUSTERED") || is_word(tokens[at], "NONCLUSTERED")))
                    ++at;
                check_key_columns(table.key, tokens, at);
            }
            continue;
        }
        if (is_word(tokens[at], "SET") && is_word(tokens[at + 1], "IDENTITY_INSERT")) {
            at += 2;
            if (!read_table_name(tokens, at, table))
                continue;
            const auto known = m_tables.find(table.key);
            if (known != m_tables.end() && !known->second.identity)
                m_breaches.push_back("SET IDENTITY_INSERT names table " + table.shown +
                                     ", which has no IDENTITY column (Msg 8106)");
            continue;
        }
        if (is_word(tokens[at], "COLLATE")) {
            if (!is_sql_server_collation(tokens[at + 1].text))
                m_breaches.push_back("COLLATE names '" + tokens[at + 1].text + "', which is no SQL Server collation");
            at += 2;
            continue;
        }
        ++at;
    }
}

void rule_checker::create_table(const std::string& name, const std::vector<token>& tokens, std::size_t& at)
{
    if (at >= tokens.size() || tokens[at].text != "(")
        return;
    const std::size_t body = at;
    const std::vector<std::vector<token>> items = group_items(tokens, at);
    table_info table;
    std::vector<std::string> key_columns;
    std::size_t columns = 0;
    for (const std::vector<token>& item : items) {
        if (item.empty())
            continue;
        if (is_word(item[0], "CONSTRAINT") || is_word(item[0], "PRIMARY") || is_word(item[0], "UNIQUE") ||
            is_word(item[0], "FOREIGN") || is_word(item[0], "CHECK") || is_word(item[0], "INDEX")) {
            // A table's own primary key is judged once its columns are known.
            for (std::size_t i = 0; i + 1 < item.size(); ++i) {
                if (!(is_word(item[i], "PRIMARY") && is_word(item[i + 1], "KEY")))
                    continue;
                std::size_t open = i + 2;
                while (open < item.size() && item[open].text != "(")
                    ++open;
                std::size_t position = open;
                for (const std::vector<token>& key : group_items(item, position))
                    if (!key.empty())
                        key_columns.push_back(lower(unquoted(key[0])));
            }
            continue;
        }
        ++columns;
        column_info column;
        column.not_null = has_words(item, "NOT", "NULL") || has_words(item, "PRIMARY", "KEY");
        table.identity = table.identity || has_word(item, "IDENTITY");
        table.columns[lower(unquoted(item[0]))] = column;
    }
    if (columns > max_columns)
        m_breaches.push_back("CREATE TABLE " + name + " has " + std::to_string(columns) + " columns, more than " +
                             std::to_string(max_columns));
    m_tables[name] = table;
    for (const std::string& key : key_columns) {
        const auto column = table.columns.find(key);
        if (column != table.columns.end() && !column->second.not_null)
            m_breaches.push_back("Table " + name + ": primary key column [" + key + "] is not NOT NULL (Msg 8111)");
    }
    // The body's COLLATE clauses are checked by the caller's scan.
    at = body + 1;
}

void rule_checker::check_key_columns(const std::string& table, const std::vector<token>& tokens, std::size_t& at)
{
    if (at >= tokens.size() || tokens[at].text != "(")
        return;
    const auto known = m_tables.find(table);
    for (const std::vector<token>& item : group_items(tokens, at)) {
        if (item.empty() || known == m_tables.end())
            continue;
        const std::string column = lower(unquoted(item[0]));
        const auto found = known->second.columns.find(column);
        if (found != known->second.columns.end() && !found->second.not_null)
            m_breaches.push_back("Table " + table + ": primary key column [" + column +
                                 "] is nullable where the table is created; SQL Server refuses the key (Msg 8111)");
    }
}

std::vector<std::string> rule_breaches(const std::string& script)
{
    rule_checker checker;
    for (const std::string& batch : script_batches(script))
        checker.add_batch(batch);
    return checker.breaches();
}

}  // namespace tsql
