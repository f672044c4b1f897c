// Schema rowsets from the ODBC catalog functions, reshaped to OLE DB's layout.
#pragma once

#include "platform/oledb/db_backend.h"

#include <memory>
#include <sql.h>

namespace oledb::odbc {

std::unique_ptr<db_result> open_schema_rowset(SQLHDBC dbc, const std::wstring& source, schema_kind kind,
                                              const schema_restrictions& restrictions);

}  // namespace oledb::odbc
