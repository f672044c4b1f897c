// A table's ordered list of column descriptors.
//
// A schema built as owner deletes its descriptors on `reset` and when it is
// destroyed; one that is not owner only lists descriptors that live elsewhere.
// A copy holds copies of the descriptors and owns them.
#pragma once

#include "model/column_descriptor.h"

#include <cstdint>
#include <string>
#include <vector>

// The error raised when rows or a schema do not fit the destination table.
inline constexpr char udb_structure_mismatch[] =
    "The structure of data source does not conform to the destination table.";

class udb_schema : public std::vector<t_ftd*> {
public:
    explicit udb_schema(bool owner);
    udb_schema(const udb_schema& that);
    udb_schema& operator=(const udb_schema& that);
    // Takes the descriptors and their ownership; `that` ends empty.
    udb_schema(udb_schema&& that) noexcept;
    udb_schema& operator=(udb_schema&& that) noexcept;
    virtual ~udb_schema();

    // Look-ups ignore case; empty slots are skipped.
    bool find_field(const std::wstring& name) const;
    // Null when no column bears the name.
    t_ftd* get_field1(const std::wstring& name) const;
    t_ftd* get_field2(const std::wstring& name) const;
    std::int32_t get_field_idx(const std::wstring& name) const;
    std::int32_t get_field_size(const std::wstring& name) const;
    VARTYPE get_field_type(const std::wstring& name) const;

    // Whether every column of this (source) schema can be stored in the
    // matching column of `dest`, matched by name or by position.
    bool conform_to(const udb_schema& dest, bool by_name) const;

    // Deletes the descriptors when owner; always empties the list.
    void reset();

    bool owner;
    std::uint64_t identity_seed = 1;
    std::uint32_t identity_increment = 1;

private:
    t_ftd* find(const std::wstring& name) const;
    t_ftd* find_logged(const std::wstring& name) const;
};
