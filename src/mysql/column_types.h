// How a MySQL result column becomes a column descriptor, and how the bytes of
// a fetched value become a typed value.
#pragma once

#include "model/column_descriptor.h"
#include "variant/ole_variant.h"

#include <memory>
#include <mysql.h>

// The BLOB, VAR_STRING and STRING types, whose values may be text or bytes.
bool sql_is_string_type(enum_field_types type);

// The VARIANT type that holds the column's values. Strings of the binary
// character set are bytes unless blob_to_text asks for text; BIT(1) is a
// boolean, wider BIT an unsigned 64-bit number.
VARTYPE get_vartype(const MYSQL_FIELD& field, bool blob_to_text);

// The descriptor of a result column, named after it.
std::unique_ptr<t_ftd> sql_make_descriptor(const MYSQL_FIELD& field, bool blob_to_text);

// Sets `value` to a fetched value (data null for SQL NULL, which gives
// VT_EMPTY) as the type that the column's descriptor carries. `type` is the
// column's MySQL type.
void get_variant(ole_variant& value, VARTYPE vartype, enum_field_types type, const char* data, unsigned long length);
