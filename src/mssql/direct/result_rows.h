// Reading the rows of a statement's result or of a schema rowset.
#pragma once

#include "model/record.h"
#include "model/recordset.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Calls `visit` with each row of the recordset, from its first.
template <typename Visit>
void mss_for_each_row(udb_recordset& records, Visit visit)
{
    records.reset();
    while (!records.is_eof()) {
        visit(*records.get_item());
        records.next();
    }
}

// A column of a row by position; empty text or 0 when the row is shorter.
std::wstring mss_row_text(const udb_record& row, std::size_t column);
std::int32_t mss_row_long(const udb_record& row, std::size_t column);
std::int64_t mss_row_i8(const udb_record& row, std::size_t column);
bool mss_row_bool(const udb_record& row, std::size_t column);
