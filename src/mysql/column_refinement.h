// What SHOW COLUMNS tells beyond the result's field descriptions: declared
// text sizes, FLOAT(P,S) as decimals, and the column defaults.
#pragma once

#include "model/column_descriptor.h"

#include <optional>
#include <string>

// Refines the column by its declared type text, such as "varchar(50)".
void sql_refine_type(t_ftd& column, const std::wstring& type_text);

// Sets the column's default from SHOW COLUMNS' Default text (empty for NULL).
void sql_refine_default(t_ftd& column, const std::wstring& default_text);

// A column's default as the server declares it.
struct sql_declared_default {
    bool declared = false;  // false: none, or NULL
    bool expression = false;
    // A literal's value, or an expression's text.
    std::wstring text;
};

// MariaDB 10.2.7 and later: information_schema's COLUMN_DEFAULT, where a
// literal text stands in quotes, NULL is the word NULL, and an expression
// is written bare. `reported` is empty when the column has no default.
sql_declared_default sql_quoted_default(const std::optional<std::wstring>& reported);

// SHOW COLUMNS of MySQL and of older MariaDB: the Default text is a literal's
// value, unless Extra says DEFAULT_GENERATED (MySQL 8.0.13 and later), where
// it is an expression's text. `shown` is empty for NULL.
sql_declared_default sql_shown_default(const std::optional<std::wstring>& shown, const std::wstring& extra);

// Sets the column's default from what the server declares.
void sql_refine_default(t_ftd& column, const sql_declared_default& declared);
