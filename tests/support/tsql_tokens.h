// A small tokenizer of T-SQL text, for tests that read back what the
// program wrote: words, quoted names ([x] or "x"), literals ('x', N'x') and
// single symbols; blanks and comments are left out.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tsql {

enum class token_kind { word, quoted_name, literal, symbol };

struct token {
    token_kind kind;
    std::string text;
};

// Raises std::runtime_error for a quoted text or comment that does not end.
std::vector<token> tokenize(const std::string& text);

// A word equal to `word` (upper case) ignoring case.
bool is_word(const token& tested, const char* word);

// The name that starts at `at` (quoted parts joined by points, as
// "[owner].[table]"); `at` ends behind it.
std::string read_name(const std::vector<token>& tokens, std::size_t& at);

// Skips the parenthesized group that starts at `at`.
void skip_group(const std::vector<token>& tokens, std::size_t& at);

// The batches of a script: the text between lines that hold only "GO",
// its lines joined by "\n" (a "\r" before a line feed left out). The
// last is what follows the last "GO" line, often nothing.
std::vector<std::string> script_batches(const std::string& script);

}  // namespace tsql
