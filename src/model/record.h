// One row: an ordered list of fields that the record owns and deletes.
#pragma once

#include "model/field.h"

#include <cstdint>
#include <string>
#include <vector>

class udb_record : public std::vector<udb_field*> {
public:
    udb_record() = default;
    udb_record(const udb_record&) = delete;
    udb_record& operator=(const udb_record&) = delete;
    virtual ~udb_record();

    // Look-ups ignore case; with repeated names the first field wins.
    bool find_field(const std::wstring& name) const;
    // Null when no field bears the name.
    udb_field* get_field(const std::wstring& name) const;
    // The sizes of the fields that hold a value.
    std::int32_t get_total_size() const;
};
