// What SHOW COLUMNS tells beyond the result's field descriptions: declared
// text sizes, FLOAT(P,S) as decimals, and the column defaults.
#pragma once

#include "model/column_descriptor.h"

#include <string>

// Refines the column by its declared type text, such as "varchar(50)".
void sql_refine_type(t_ftd& column, const std::wstring& type_text);

// Sets the column's default from SHOW COLUMNS' Default text (empty for NULL).
void sql_refine_default(t_ftd& column, const std::wstring& default_text);
