// The rewriting of a MySQL view's SELECT text into T-SQL.
#pragma once

#include <cstddef>
#include <string>

// Compares one fixed word, ignoring case, with a text at a position.
class icomparer {
public:
    explicit icomparer(std::wstring word);

    // 0 when the word stands at `pos` (ignoring case); -1 or 1 otherwise,
    // -1 also when the word does not fit into the rest of the text.
    int compare(const std::wstring& text, std::size_t pos) const;

    std::size_t length() const { return word_.size(); }

private:
    std::wstring word_;
};

// Turns the SELECT text of a MySQL view into text MS SQL Server accepts:
// backtick names become bracketed names, character-set introducers are
// dropped, MySQL escapes inside literals become T-SQL ones, and the MySQL
// functions now, isnull, ifnull, from_unixtime, curdate and curtime are
// rewritten. Only whole words outside literals and names are rewritten.
std::wstring refine_view(const std::wstring& select_text);
