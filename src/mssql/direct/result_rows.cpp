#include "mssql/direct/result_rows.h"

namespace {

const udb_field* column_of(const udb_record& row, std::size_t column)
{
    return column < row.size() ? row[column] : nullptr;
}

}  // namespace

std::wstring mss_row_text(const udb_record& row, std::size_t column)
{
    const udb_field* field = column_of(row, column);
    return field ? field->to_wstring() : std::wstring();
}

std::int32_t mss_row_long(const udb_record& row, std::size_t column)
{
    const udb_field* field = column_of(row, column);
    return field ? field->to_long() : 0;
}

std::int64_t mss_row_i8(const udb_record& row, std::size_t column)
{
    const udb_field* field = column_of(row, column);
    return field ? field->to_i8() : 0;
}

bool mss_row_bool(const udb_record& row, std::size_t column)
{
    const udb_field* field = column_of(row, column);
    return field && field->to_bool();
}
