// The messages the front ends load into the error handler's code map: one
// table for OLE DB errors (0x80000 | low 16 bits of the HRESULT), one for
// MySQL client errors (0x400000 | the MySQL error number).
#pragma once

#include "toolkit/tk_error_converter.h"

#include <cstdint>

extern const tk_error_map_row oledb_error_messages[];
extern const std::uint32_t oledb_error_message_count;

extern const tk_error_map_row mysql_error_messages[];
extern const std::uint32_t mysql_error_message_count;
