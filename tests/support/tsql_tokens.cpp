#include "support/tsql_tokens.h"

#include <cctype>
#include <stdexcept>

namespace tsql {

namespace {

// Quoted texts end at a lone closing quote; a doubled one stands for itself.
std::size_t quoted_end(const std::string& text, std::size_t start, char closing)
{
    for (std::size_t at = start + 1; at < text.size(); ++at) {
        if (text[at] != closing)
            continue;
        if (at + 1 < text.size() && text[at + 1] == closing) {
            ++at;
            continue;
        }
        return at + 1;
    }
    throw std::runtime_error("unterminated quoted text in the script");
}

// T-SQL comments nest.
std::size_t comment_end(const std::string& text, std::size_t start)
{
    int depth = 0;
    for (std::size_t at = start; at + 1 < text.size(); ++at) {
        if (text[at] == '/' && text[at + 1] == '*') {
            ++depth;
            ++at;
        } else if (text[at] == '*' && text[at + 1] == '/') {
            ++at;
            if (--depth == 0)
                return at + 1;
        }
    }
    throw std::runtime_error("unterminated comment in the script");
}

bool is_word_byte(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '@' || c == '#' ||
           (c & 0x80) != 0;
}

}  // namespace

std::vector<token> tokenize(const std::string& text)
{
    std::vector<token> tokens;
    for (std::size_t at = 0; at < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        std::size_t end = at + 1;
        token_kind kind = token_kind::symbol;
        if (std::isspace(c)) {
            ++at;
            continue;
        }
        if (c == '-' && at + 1 < text.size() && text[at + 1] == '-') {
            at = text.find('\n', at);
            if (at == std::string::npos)
                break;
            continue;
        }
        if (c == '/' && at + 1 < text.size() && text[at + 1] == '*') {
            at = comment_end(text, at);
            continue;
        }
        if (c == '\'' || ((c == 'N' || c == 'n') && at + 1 < text.size() && text[at + 1] == '\'')) {
            end = quoted_end(text, text.find('\'', at), '\'');
            kind = token_kind::literal;
        } else if (c == '[') {
            end = quoted_end(text, at, ']');
            kind = token_kind::quoted_name;
        } else if (c == '"') {
            end = quoted_end(text, at, '"');
            kind = token_kind::quoted_name;
        } else if (is_word_byte(static_cast<char>(c))) {
            while (end < text.size() && is_word_byte(text[end]))
                ++end;
            kind = token_kind::word;
        }
        tokens.push_back({kind, text.substr(at, end - at)});
        at = end;
    }
    return tokens;
}

bool is_word(const token& tested, const char* word)
{
    if (tested.kind != token_kind::word || tested.text.size() != std::char_traits<char>::length(word))
        return false;
    for (std::size_t i = 0; i < tested.text.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(tested.text[i])) != word[i])
            return false;
    return true;
}

std::string read_name(const std::vector<token>& tokens, std::size_t& at)
{
    std::string name;
    while (at < tokens.size() && (tokens[at].kind == token_kind::quoted_name || tokens[at].text == "."))
        name += tokens[at++].text;
    return name;
}

void skip_group(const std::vector<token>& tokens, std::size_t& at)
{
    int depth = 0;
    do {
        if (tokens.at(at).text == "(")
            ++depth;
        if (tokens.at(at).text == ")")
            --depth;
        ++at;
    } while (depth > 0);
}

std::vector<std::string> script_batches(const std::string& script)
{
    std::vector<std::string> batches(1);
    bool first_line = true;
    for (std::size_t start = 0; start < script.size();) {
        std::size_t end = script.find('\n', start);
        if (end == std::string::npos)
            end = script.size();
        std::string line = script.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::size_t first = line.find_first_not_of(" \t");
        const std::size_t last = line.find_last_not_of(" \t");
        if (first != std::string::npos && last - first == 1 &&
            std::toupper(static_cast<unsigned char>(line[first])) == 'G' &&
            std::toupper(static_cast<unsigned char>(line[last])) == 'O') {
            batches.emplace_back();
            first_line = true;
            continue;
        }
        batches.back() += (first_line ? "" : "\n") + line;
        first_line = false;
    }
    return batches;
}

}  // namespace tsql
