// The rewriting of a MySQL view's SELECT text into T-SQL.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
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

// The destination's reference (bracketed) of a source table or view that
// the run renamed, none for one it did not.
using mss_view_table_names = std::function<std::optional<std::wstring>(const std::wstring& source_name)>;

// Turns the SELECT text of a MySQL view into text MS SQL Server accepts:
// backtick names become bracketed names (a renamed table's as `tables`
// gives it), character-set introducers are dropped, MySQL escapes inside
// literals become T-SQL ones, the MySQL functions isnull, ifnull and
// from_unixtime, and the current date and time in every spelling the server
// writes back (now(), current_timestamp(6), curdate() and the like), are
// rewritten. Only whole words outside literals and names are rewritten.
std::wstring refine_view(const std::wstring& select_text, const mss_view_table_names& tables = {});
