// The column layout of the four schema rowsets, as OLE DB defines them.
#pragma once

#include "platform/oledb/db_backend.h"

#include <vector>

namespace oledb {

std::vector<db_column> schema_columns(schema_kind kind);

// Number of restriction values a schema rowset takes.
std::size_t schema_restriction_count(schema_kind kind);

}  // namespace oledb
