// Column defaults that the source server computes, in T-SQL.
#pragma once

#include "variant/ole_variant.h"

#include <optional>
#include <string>

// The T-SQL form of a default expression written by a MySQL or MariaDB
// server for a column of the VARIANT type, or none when T-SQL has no sure
// counterpart. Taken are: a function whose counterpart is known (uuid() as
// NEWID() for a text column, rand() as RAND(), the current date and time for
// a text column), numbers joined by + - * / % for a number or text column,
// and one text literal for a text column; each may stand in parentheses.
std::optional<std::wstring> mss_default_expression(const std::wstring& expression, VARTYPE vartype, bool unicode_text);
