// Generated names for indexes that the destination needs and the source
// did not name.
#pragma once

#include <string>
#include <vector>

class udb_indexes;
class udb_recordset;

// A name for a unique index over `fields` that no index of the table bears:
// UIDX_<field>_<field>..., then with _00000, _00001, ... appended.
std::wstring gen_idx_name(const udb_recordset* table, const std::vector<std::wstring>& fields);
std::wstring gen_idx_name(const udb_indexes& indexes, const std::vector<std::wstring>& fields);

// A new index name from a process-wide counter: IDX_1, IDX_2, ...
std::wstring gen_idx_name2();
