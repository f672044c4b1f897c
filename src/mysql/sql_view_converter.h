// Rewriting of view texts written for MS SQL into MySQL's syntax.
#pragma once

#include <string>

class udb_names_map;

class sql_view_converter {
public:
    // Whether the call whose name starts at `position` has exactly two
    // arguments: one comma before its closing parenthesis, nested calls
    // included.
    static bool check_isnull_for_replace(const std::wstring& text, std::size_t position);
    // Runs of blanks, tabs and line ends outside quotes become one blank.
    static std::wstring normalize_spaces(const std::wstring& text);
    // Brackets become backticks, the dbo owner goes, renamed tables and
    // columns take their new names, MS SQL functions become MySQL ones.
    // String literals keep their text (backslashes doubled for MySQL).
    static std::wstring convert(const std::wstring& text, const udb_names_map& names);
};
