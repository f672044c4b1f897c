#include "agent/script_summary.h"

#include <cctype>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace {

enum class token_kind { word, quoted_name, literal, symbol };

struct token {
    token_kind kind;
    std::string text;
};

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
        if (c == '\'' || ((c == 'N' || c == 'n') && at + 1 < text.size() && text[at + 1] == '\'')) {
            end = quoted_end(text, text.find('\'', at), '\'');
            kind = token_kind::literal;
        } else if (c == '[') {
            end = quoted_end(text, at, ']');
            kind = token_kind::quoted_name;
        } else if (std::isalnum(c) || c == '_' || c == '.' || c >= 0x80) {
            while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_' ||
                                         text[end] == '.' || text[end] & 0x80))
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

// The name that starts at `at` ([owner].[table]); `at` ends behind it.
std::string read_name(const std::vector<token>& tokens, std::size_t& at)
{
    std::string name;
    while (at < tokens.size() && (tokens[at].kind == token_kind::quoted_name || tokens[at].text == "."))
        name += tokens[at++].text;
    return name;
}

// Skips the parenthesized group that starts at `at`.
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

}  // namespace

script_summary summarize_script(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read the script " + path);
    const std::vector<token> tokens =
        tokenize(std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()));
    script_summary summary;
    for (std::size_t at = 0; at + 2 < tokens.size(); ++at) {
        if (is_word(tokens[at], "CREATE") && is_word(tokens[at + 1], "TABLE")) {
            at += 2;
            summary.created_tables.insert(read_name(tokens, at));
        } else if (is_word(tokens[at], "INSERT") && is_word(tokens[at + 1], "INTO")) {
            at += 2;
            std::uint64_t& rows = summary.inserted_rows[read_name(tokens, at)];
            skip_group(tokens, at);  // the column list
            if (!is_word(tokens.at(at), "VALUES"))
                throw std::runtime_error("INSERT without VALUES in " + path);
            for (++at;; ++at) {
                skip_group(tokens, at);
                ++rows;
                if (at == tokens.size() || tokens[at].text != ",")
                    break;
            }
        }
    }
    return summary;
}
