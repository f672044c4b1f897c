#include "platform/oledb/db_backend.h"

#include "platform/oledb/memory_result.h"
#include "platform/oledb/utf16.h"

namespace oledb {

db_error::db_error(std::wstring source, std::vector<db_error_record> records, std::int32_t hresult)
    : source_(std::move(source)), records_(std::move(records)), hresult_(hresult)
{
    what_ = records_.empty() ? std::string("data access failed") : to_utf8(records_.front().message);
}

memory_result::memory_result(std::vector<db_column> columns, std::vector<std::vector<db_value>> rows)
    : columns_(std::move(columns)), rows_(std::move(rows))
{}

bool memory_result::fetch(std::vector<db_value>& row)
{
    if (next_ >= rows_.size())
        return false;
    row = rows_[next_++];
    return true;
}

}  // namespace oledb
