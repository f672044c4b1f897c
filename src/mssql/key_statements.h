// The T-SQL of a table's keys and indexes, of the clustered index Azure SQL
// needs, and of foreign keys with the unique index each one needs: one
// builder for the script and the direct path. The two paths write the same
// statements but where they differ on purpose; each such difference is one
// field of mss_key_style, set in mss_direct_keys and mss_script_keys.
#pragma once

#include "model/database.h"
#include "model/index.h"
#include "model/schema.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

struct mss_key_style {
    // The direct path names a primary key after its index (when the name is
    // free) and makes it NONCLUSTERED; the script writes "PRIMARY KEY(" alone
    // and leaves the key clustered, the server's default.
    bool named_nonclustered_primary_key;
    // The direct path filters a unique index only on a server that takes
    // filters (version code 5 and above); a script does not know its server
    // and always filters.
    bool filter_by_server_version;
    // The direct path counts two bytes for each character of a text key
    // column against the 900-byte key limit; the script counts its size.
    bool text_counts_two_bytes;
    // The script closes a key's column list with ") " (a filter follows
    // after that blank); the direct path with ")".
    bool blank_after_columns;
    // The script trims a foreign key's rule and ends the statement with ";";
    // the direct path appends the rule as the source gave it.
    bool trimmed_rule_and_semicolon;
};

extern const mss_key_style mss_direct_keys;
extern const mss_key_style mss_script_keys;

// Whether a name is still free on the destination: `constraint` asks about a
// key constraint, otherwise about an index. A script takes every name as free.
using mss_name_free = std::function<bool(const std::wstring& name, bool constraint)>;

// The statement that makes one key or index of `table` (a canonical name),
// or an empty text when MS SQL cannot index its columns (too long a key, a
// boolean column, a long text or binary column): `left_out` then says why.
// `filtered` tells whether the statement carries a NOT NULL filter.
struct mss_index_statement {
    std::wstring text;
    bool filtered = false;
    std::string left_out;
};
mss_index_statement mss_key_statement(const mss_key_style& style, const std::wstring& table, const udb_schema& schema,
                                      const udb_index& index, std::int32_t version_code,
                                      const mss_name_free& name_free);

// "primary key 'PRIMARY'", "unique index 'ux'" and the like, as reports name it.
std::wstring mss_key_object_text(const udb_index& index);

// An index that a statement could not be made for: a primary or unique key
// is a failed object of `destination` (logged, counted and reported, since
// the destination would then take rows the source refused); a plain index
// is logged at level 3 with its table.
void mss_key_left_out(udb_database& destination, const std::wstring& table, const udb_index& index,
                      const std::string& why);

// The clustered index of a table without a primary key on Azure SQL, on the
// first column that can be a key; empty when there is none (logged).
std::wstring mss_clustered_index_statement(const std::wstring& table, const udb_schema& schema);

// ALTER TABLE `child` ADD [CONSTRAINT name] FOREIGN KEY (...) REFERENCES
// `parent`(...), with the rule when it is one T-SQL takes. Tables are
// canonical names, columns destination names.
std::wstring mss_foreign_key_statement(const mss_key_style& style, const std::wstring& child, const std::wstring& name,
                                       const std::vector<std::wstring>& child_columns, const std::wstring& parent,
                                       const std::vector<std::wstring>& parent_columns, const std::wstring& rule);

// The unfiltered unique index a foreign key needs on its parent's columns.
std::wstring mss_fk_index_statement(const std::wstring& parent, const std::wstring& name,
                                    const std::vector<std::wstring>& columns);

// The keys and indexes a run made, by canonical table name, with their
// destination column names: a foreign key needs an unfiltered unique key on
// exactly its referenced columns, and both paths decide from this list
// whether to make one for a table of the run.
class mss_made_keys {
public:
    // A table whose keys the run makes; it may get none.
    void add_table(const std::wstring& table);
    void add(const std::wstring& table, const udb_index& index, bool filtered);
    bool knows(const std::wstring& table) const;
    // A primary key, unique constraint or unfiltered unique index on exactly
    // these columns, in any order.
    bool supports(const std::wstring& table, const std::vector<std::wstring>& columns) const;
    // The names in use on the table, for a new index name.
    const udb_indexes& of(const std::wstring& table);

private:
    struct table_keys {
        udb_indexes indexes;
        std::vector<bool> filtered;
    };
    std::map<std::wstring, table_keys> m_tables;
};
