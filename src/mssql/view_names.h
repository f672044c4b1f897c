// The names views take in the destination, the same for the direct writer and
// the script.
#pragma once

#include "model/database.h"
#include "mssql/identifier_validators.h"

#include <string>
#include <vector>

class udb_names_map;

// Seeded with the views' own names and the given table names.
mss_tn_validator mss_view_validator(const udb_views& views, const std::vector<std::wstring>& tables);

// The view's own name when it is usable; otherwise a unique safe name, recorded
// in the names map and taken by the validator. The direct writer also logs the
// mapping (log_mapping).
std::wstring mss_view_name(mss_tn_validator& validator, udb_names_map& names_map, const std::wstring& source_name,
                           bool log_mapping);
