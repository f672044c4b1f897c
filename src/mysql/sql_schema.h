// The column list of a table being created, kept under the server's row-size
// limit by turning the longest VARCHAR columns into unlimited text. A VARCHAR
// counts its characters at the widest of the character set and two length
// bytes, a TEXT or BLOB column the twelve bytes it keeps in the row.
#pragma once

#include "model/schema.h"

#include <cstdint>
#include <vector>

class sql_schema : public udb_schema {
public:
    // Text columns up to varchar_limit characters are VARCHAR columns.
    sql_schema(std::int32_t varchar_limit, int bytes_per_character);
    ~sql_schema() override = default;

    // Appends the column (taking it) and applies the row-size rule.
    void push_back(t_ftd* column);

    // Estimated bytes of the row so far.
    std::uint32_t total_size = 0;
    // Positions of VARCHAR columns that may still become unlimited text,
    // largest first.
    std::vector<std::uint32_t> lobs;

private:
    // The row with its bitmap of NULL flags, one bit a column.
    std::uint32_t row_size() const;
    std::uint32_t varchar_bytes(std::int32_t size) const;

    std::int32_t m_varchar_limit;
    std::uint32_t m_bytes_per_character;
};
