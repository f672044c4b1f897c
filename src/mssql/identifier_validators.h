// MS SQL Server's rules for table and column names, and the making of
// unique names where a source name breaks them or is taken.
#pragma once

#include "model/validator.h"

#include <string>
#include <vector>

class udb_schema;

// The MS SQL name rule: a name is usable unchanged when it starts with a
// letter or "_", or is already bracketed, and holds nothing that a T-SQL
// client reads as a command (a line break, "$("), which a safe name has
// mended. Unique names are made by putting prefixes in front: _x, 1_x,
// _1_x, 2_1_x, ...
class mss_validator : public udb_validator {
public:
    mss_validator();
    ~mss_validator() = default;

    bool is_acceptable(const std::wstring& name) override;
    std::wstring get_safe_name(const std::wstring& name) override;
};

// Seeded with the acceptable column names of one table.
class mss_fn_validator : public mss_validator {
public:
    explicit mss_fn_validator(const udb_schema& schema);
};

// Seeded with the names of the destination's tables and views.
class mss_tn_validator : public mss_validator {
public:
    mss_tn_validator(const std::vector<std::wstring>& first_names, const std::vector<std::wstring>& second_names);
};
