// The names views take in the destination, the same for the direct writer and
// the script.
#pragma once

#include "model/database.h"
#include "mssql/identifier_validators.h"
#include "mssql/view_rewriter.h"

#include <optional>
#include <string>
#include <vector>

class udb_names_map;

class mss_view_names {
public:
    // Seeded with the views' own names and the given table names.
    mss_view_names(const udb_views& views, const std::vector<std::wstring>& tables);

    // The view's own name when it is usable and no earlier view took it
    // (names differing only by case collide in MS SQL Server); otherwise a
    // unique safe name, recorded in the names map. The direct writer also
    // logs the mapping (log_mapping).
    std::wstring name_of(udb_names_map& names_map, const std::wstring& source_name, bool log_mapping);

private:
    mss_tn_validator m_validator;
    std::vector<std::wstring> m_given;
};

// The tables and views that a view reads, by the names the run gave them.
mss_view_table_names mss_renamed_tables(const udb_names_map& names_map);
