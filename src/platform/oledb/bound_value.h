// Values that a caller binds in its own buffer (the rows of a fast load, the
// parameters of a command), read by their bindings into the engine's values.
#pragma once

#include "platform/oledb/db_backend.h"
#include "platform/oledb/oledb.h"

namespace oledb {

// Whether a value bound in this type can be read.
bool readable_type(const db_column& column, DBTYPE bound);

// The value of one binding of a buffer, as text or bytes for the column it
// goes to; a stream of db_stream_threshold bytes or more stays a stream.
// Throws db_error for a value it cannot read.
db_value read_bound_value(const DBBINDING& binding, const void* row, const db_column& column);

}  // namespace oledb
