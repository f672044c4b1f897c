#include "mysql/sql_schema.h"

#include "mysql/sql_native_types.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"

namespace {

constexpr std::uint32_t max_row_size = 65535;
constexpr std::uint32_t large_object_bytes = 12;

bool is_large_object(const t_ftd& column, std::int32_t varchar_limit)
{
    switch (column.vartype) {
    case VT_BSTR: return column.dw_reserved != 16 && !sql_is_varchar(column.size, varchar_limit);
    case VT_BLOB:
    case VT_BLOB_OBJECT:
    case ole_vt_bytes: return column.size <= 0 || column.size > 255;
    default: return false;
    }
}

}  // namespace

sql_schema::sql_schema(std::int32_t varchar_limit, int bytes_per_character)
    : udb_schema(true), m_varchar_limit(varchar_limit),
      m_bytes_per_character(static_cast<std::uint32_t>(bytes_per_character))
{}

std::uint32_t sql_schema::varchar_bytes(std::int32_t size) const
{
    return m_bytes_per_character * static_cast<std::uint32_t>(size) + 2;
}

std::uint32_t sql_schema::row_size() const
{
    return total_size + static_cast<std::uint32_t>(size() + 7) / 8;
}

void sql_schema::push_back(t_ftd* column)
{
    if (column == nullptr)
        throw tk_mail_assertion("sql_sch", 24);
    tk_log(2, L"sql_schema::push_back(%ls, size=%d)", column->name.c_str(), static_cast<int>(column->size));
    if (column->vartype == VT_BSTR && column->dw_reserved != 16 && sql_is_varchar(column->size, m_varchar_limit)) {
        tk_log(2, "Special processing for string values");
        auto at = lobs.begin();
        while (at != lobs.end() && (*this)[*at]->size > column->size)
            ++at;
        tk_log(2, "Insert new column into 'lobs' at pos=%d", static_cast<int>(at - lobs.begin()));
        lobs.insert(at, static_cast<std::uint32_t>(size()));
        total_size += varchar_bytes(column->size);
    } else if (is_large_object(*column, m_varchar_limit)) {
        total_size += large_object_bytes;
    } else if (column->size > 0 && column->size <= 5592404) {
        total_size += static_cast<std::uint32_t>(column->size);
    }
    udb_schema::push_back(column);
    if (row_size() <= max_row_size)
        return;
    tk_log(2, "Schema total size %d exceeds %d bytes, transforming schema...", static_cast<int>(row_size()),
           static_cast<int>(max_row_size));
    while (!lobs.empty() && row_size() > max_row_size) {
        t_ftd& longest = *(*this)[lobs.front()];
        tk_log(3, L"Column '%ls' converted into LONG TEXT", longest.name.c_str());
        std::uint32_t freed = varchar_bytes(longest.size);
        tk_log(2, "Decreasing total size at %d bytes", static_cast<int>(freed));
        total_size = total_size > freed ? total_size - freed : 0;
        tk_log(2, "New total_size = %d", static_cast<int>(total_size));
        longest.size = 0;
        total_size += large_object_bytes;
        lobs.erase(lobs.begin());
    }
}
