// Name rules of a MySQL destination. Servers from 4.1.0 on quote names with
// backticks and take almost any character; older ones take letters, digits,
// "_" and "$" and refuse their reserved words.
#pragma once

#include "model/validator.h"

#include <string>
#include <vector>

class udb_indexes;
class udb_record;
class udb_schema;

// The common base, so that the engine hands out either rule set to one owner.
class sql_validator : public udb_validator {
public:
    explicit sql_validator(std::uint32_t max_length) : udb_validator(max_length) {}
    virtual ~sql_validator() = default;
};

class sql_new_validator : public sql_validator {
public:
    // all_chars: the full list of illegal characters (table names), else its
    // first eight (field and index names).
    explicit sql_new_validator(bool all_chars);

    bool is_acceptable(const std::wstring& name) override;
    std::wstring get_safe_name(const std::wstring& name) override;
};

class sql_new_fn_validator : public sql_new_validator {
public:
    explicit sql_new_fn_validator(const udb_record& record);
    explicit sql_new_fn_validator(const udb_schema& schema);
};

class sql_new_in_validator : public sql_new_validator {
public:
    explicit sql_new_in_validator(const udb_indexes& indexes);
};

class sql_new_tn_validator : public sql_new_validator {
public:
    sql_new_tn_validator(const std::vector<std::wstring>& tables, const std::vector<std::wstring>& views);
};

class sql_old_validator : public sql_validator {
public:
    sql_old_validator();

    bool is_acceptable(const std::wstring& name) override;
    std::wstring get_safe_name(const std::wstring& name) override;
};

class sql_old_fn_validator : public sql_old_validator {
public:
    explicit sql_old_fn_validator(const udb_record& record);
    explicit sql_old_fn_validator(const udb_schema& schema);
};

class sql_old_in_validator : public sql_old_validator {
public:
    explicit sql_old_in_validator(const udb_indexes& indexes);
};

class sql_old_tn_validator : public sql_old_validator {
public:
    sql_old_tn_validator(const std::vector<std::wstring>& tables, const std::vector<std::wstring>& views);
};
