#include "agent/script_summary.h"

#include "support/tsql_tokens.h"

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

using tsql::is_word;
using tsql::read_name;
using tsql::skip_group;
using tsql::token;
using tsql::tokenize;

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
