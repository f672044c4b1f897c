// The CREATE TABLE statement of ITableDefinition::CreateTable.
#pragma once

#include "platform/oledb/oledb.h"

#include <string>

namespace oledb {

// Column types from the descriptions' OLE DB types (or their type names),
// identity, nullability and defaults from DBPROPSET_COLUMN. Throws
// std::invalid_argument for a column without a name.
std::wstring create_table_statement(const std::wstring& table, DBORDINAL count, const DBCOLUMNDESC columns[]);

}  // namespace oledb
