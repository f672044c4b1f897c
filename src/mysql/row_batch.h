// Rows fetched from a stream and not yet typed. Their values are copied out of
// the client library's buffer, so that the stream can fetch the next rows on
// one thread while these are converted on another, and only these plain bytes
// pass between the threads. A large row is not copied: it stays in the
// library's buffer and ends the batch, valid until the stream fetches again.
#pragma once

#include <cstddef>
#include <mysql.h>
#include <vector>

class sql_row_batch {
public:
    // Empties the batch for rows of `column_count` values.
    void clear(unsigned column_count);
    // Adds a fetched row; its values are copied unless the row is large.
    void add(MYSQL_ROW row, const unsigned long* lengths);
    // Whether the batch takes no more rows: enough rows or bytes, or a large row held in place.
    bool is_full() const;
    // Makes the rows readable; called once the last row was added.
    void seal();

    std::size_t size() const { return m_rows; }
    // Whether the last row is read in the stream's buffer, which the next fetch reuses.
    bool holds_large_row() const { return m_large_row != nullptr; }
    // The values of row `i` (null for SQL NULL), as the client library gives a row.
    MYSQL_ROW row(std::size_t i) { return i == m_copied_rows ? m_large_row : &m_values[i * m_column_count]; }
    const unsigned long* lengths(std::size_t i) const
    {
        return i == m_copied_rows ? m_large_lengths : &m_lengths[i * m_column_count];
    }

private:
    unsigned m_column_count = 0;
    std::size_t m_rows = 0;
    std::size_t m_copied_rows = 0;
    // Each copied value followed by a NUL, as the library ends its values.
    std::vector<char> m_bytes;
    // Per copied value: where it starts in m_bytes, or no_value for NULL.
    std::vector<std::size_t> m_offsets;
    std::vector<unsigned long> m_lengths;
    std::vector<char*> m_values;
    MYSQL_ROW m_large_row = nullptr;
    const unsigned long* m_large_lengths = nullptr;
};
