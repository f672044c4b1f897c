// Indexes and keys of one table, merged by name so that each name stands once
// with its strongest kind (primary key > unique constraint > unique index >
// plain index).
#pragma once

#include <string>
#include <vector>

class udb_index {
public:
    udb_index(const std::wstring& name, bool unique, bool primary);

    // True when `names` is a prefix of this index's key columns (ignoring case).
    bool starts_with_fields(const std::vector<std::wstring>& names) const;

    std::wstring name;
    bool unique;
    bool primary;
    bool unique_constraint = false;
    std::vector<std::wstring> fields;
    std::vector<std::wstring> included_fields;
};

class udb_indexes : public std::vector<udb_index> {
public:
    // Adds the index, or merges it into the one of the same name (ignoring case).
    void push_back(const udb_index& index);
    // Adds the index unless one of the same name exists; never changes an entry.
    void push_back_direct(const udb_index& index);

    // The index of that name; an internal error when there is none.
    udb_index& get_index(const std::wstring& name);
    bool is_acceptable_name(const std::wstring& name) const;
    // Compares field names exactly, with case.
    bool is_idx_field(const std::wstring& field_name, bool primary_only) const;
    // The first index whose key starts with `names`, or null.
    const udb_index* has_index_on_fields(const std::vector<std::wstring>& names) const;

private:
    udb_index* find_by_name(const std::wstring& name);
};
