// Finds the field of a row that stands for a column, by the safe names the
// row's field names get on this server.
#pragma once

#include "mysql/sql_validators.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class udb_record;

class sql_field_finder {
public:
    explicit sql_field_finder(const udb_record& record);

    // The position of the field whose safe name is the column name (case
    // ignored), -1 when none.
    std::int32_t get_field_idx(const std::wstring& column) const;

private:
    void initialize(const udb_record& record);

    std::unique_ptr<sql_validator> m_validator;
    std::vector<std::wstring> m_names;
};
