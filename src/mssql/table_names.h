// Table names with and without their owner, in T-SQL's bracketed and plain
// forms.
#pragma once

#include <string>

// Splits [owner].[table], owner.table or a bare table name into its table
// name and its owner (empty when the name carries none).
void mss_split_tab_name(const std::wstring& name, std::wstring& tab_name, std::wstring& owner);

// The table name without brackets: the table alone, or owner, separator and table.
std::wstring mss_simplify_tab_name(const std::wstring& name, wchar_t separator);
