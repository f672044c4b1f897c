// A fetched row as a record of typed fields.
#pragma once

#include "model/record.h"
#include "model/schema.h"

#include <mysql.h>

class sql_field : public udb_field {
public:
    // The value of a result column, typed by its field description.
    sql_field(const MYSQL_FIELD& field, unsigned long length, const char* data, bool blob_to_text);
    // The value of a table column, typed by the column's descriptor; `type` is
    // the MySQL type of the result column that delivered it.
    sql_field(const t_ftd& descriptor, enum_field_types type, unsigned long length, const char* data);
};

class sql_record : public udb_record {
public:
    // Typed by the result's field descriptions (a query, a SHOW statement).
    sql_record(unsigned column_count, const MYSQL_FIELD* fields, const unsigned long* lengths, MYSQL_ROW row);
    // Typed by a table's schema, which holds one descriptor per result column.
    sql_record(unsigned column_count, const udb_schema& schema, const MYSQL_FIELD* fields, const unsigned long* lengths,
               MYSQL_ROW row);

    // Takes the next row of the same table in place of its own, as the schema
    // constructor would build it, but in the fields it has: rows streamed one
    // batch after another allocate no fields, names or records. False, with
    // the record unchanged, when it no longer has one field per column.
    bool assign(unsigned column_count, const udb_schema& schema, const MYSQL_FIELD* fields,
                const unsigned long* lengths, MYSQL_ROW row);
};
