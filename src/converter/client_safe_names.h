// Names that a T-SQL client would read as its own commands (a line break,
// "$(") are mended where the run decides a destination's names, so that a
// script and a direct run create the same objects: a bracketed name cannot
// be broken up in a script the way a literal is.
#pragma once

#include "model/names_map.h"

#include <string>
#include <vector>

class udb_indexes;
class udb_relationships;
class udb_schema;

struct mended_name {
    std::wstring object;  // what the name belongs to, as the report shows it
    std::wstring before;
    std::wstring after;
    std::wstring reason;  // why it changed; empty for a name T-SQL clients would misread
};

// Mends the names of a table's columns (in its index keys too) and of its
// indexes, each unique among its kind; gives what was mended, columns first.
std::vector<mended_name> mend_table_names(const std::wstring& table, udb_schema& schema, udb_indexes& indexes);

// Mends the constraint names of foreign keys, unique among them.
std::vector<mended_name> mend_key_names(udb_relationships& keys);

// The columns of the mended names, from the name the rows carry to the new one.
udb_name_pairs mended_columns(const std::vector<mended_name>& mended);

// The report line: the name with its line breaks made visible, and why it changed.
std::wstring mended_name_line(const mended_name& mended);
