#include "mysql/sql_record.h"

#include "mysql/column_types.h"
#include "mysql/sql_engine.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_text_conversion.h"

#include <algorithm>
#include <string>

namespace {

// A table column's value, typed by the column's descriptor, into a field.
void fill_field(udb_field& field, const t_ftd& descriptor, enum_field_types type, unsigned long length,
                const char* data)
{
    field.name = descriptor.name;
    field.size = static_cast<std::uint32_t>(length);
    field.flag1 = false;
    field.flag2 = false;
    get_variant(field, descriptor.vartype, type, data, length);
    tk_log(1, L"sql_field::ctor3(%ls,%d,%d)", field.name.c_str(), static_cast<int>(descriptor.vartype),
           static_cast<int>(length));
}

void log_schema_record(unsigned column_count, const udb_schema& schema)
{
    tk_log(1, "sql_record::ctor2(n_fields=%d)", static_cast<int>(column_count));
    tk_log(1, "schema.size=%d", static_cast<int>(schema.size()));
}

}  // namespace

sql_field::sql_field(const MYSQL_FIELD& field, unsigned long length, const char* data, bool blob_to_text)
{
    name = tk_utf8_to_unicode(std::string(field.name, field.name_length));
    size = static_cast<std::uint32_t>(length);
    get_variant(*this, get_vartype(field, blob_to_text), field.type, data, length);
    if (data != nullptr && sql_is_string_type(field.type) && get_type() == VT_BSTR) {
        tk_log(1, "Extract as Unicode (text data)");
        tk_log(1, "a_src[idx]=%s", data);
        tk_log(1, L"sql_field::ctor1(%ls,%d,%d)", name.c_str(), static_cast<int>(field.type), static_cast<int>(length));
    } else {
        tk_log(1, "Extract as ANSI (binary data)");
        tk_log(1, L"sql_field::ctor2(%ls,%d,%d)", name.c_str(), static_cast<int>(field.type), static_cast<int>(length));
    }
}

sql_field::sql_field(const t_ftd& descriptor, enum_field_types type, unsigned long length, const char* data)
{
    fill_field(*this, descriptor, type, length, data);
}

sql_record::sql_record(unsigned column_count, const MYSQL_FIELD* fields, const unsigned long* lengths, MYSQL_ROW row)
{
    tk_log(1, "sql_record::ctor1(n_fields=%d)", static_cast<int>(column_count));
    if (fields == nullptr)
        throw tk_mail_assertion("sql_rec", 20);
    bool blob_to_text = sql_current_engine().is_blob_to_text();
    tk_log(1, "is_blob_to_text=%d", blob_to_text ? 1 : 0);
    reserve(column_count);
    for (unsigned i = 0; i < column_count; ++i) {
        tk_log(1, "field #%d has type %d", static_cast<int>(i), static_cast<int>(fields[i].type));
        tk_log(1, "BINARY FLAG=%d", static_cast<int>(fields[i].flags & BINARY_FLAG));
        push_back(new sql_field(fields[i], lengths[i], row[i], blob_to_text));
    }
}

sql_record::sql_record(unsigned column_count, const udb_schema& schema, const MYSQL_FIELD* fields,
                       const unsigned long* lengths, MYSQL_ROW row)
{
    log_schema_record(column_count, schema);
    reserve(column_count);
    for (unsigned i = 0; i < column_count; ++i)
        push_back(new sql_field(*schema[i], fields[i].type, lengths[i], row[i]));
}

bool sql_record::assign(unsigned column_count, const udb_schema& schema, const MYSQL_FIELD* fields,
                        const unsigned long* lengths, MYSQL_ROW row)
{
    if (size() != column_count || std::find(begin(), end(), nullptr) != end())
        return false;
    log_schema_record(column_count, schema);
    for (unsigned i = 0; i < column_count; ++i)
        fill_field(*(*this)[i], *schema[i], fields[i].type, lengths[i], row[i]);
    return true;
}
