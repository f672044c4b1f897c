#include "mysql/row_batch.h"

#include "mysql/sql_limited_query.h"

#include <cstring>

namespace {

// A batch stops taking rows once its copies reach this size.
constexpr std::size_t batch_bytes = std::size_t{1} << 20;
// A row larger than this is held in place instead of copied.
constexpr std::size_t large_row_bytes = std::size_t{1} << 16;
constexpr std::size_t no_value = static_cast<std::size_t>(-1);

}  // namespace

void sql_row_batch::clear(unsigned column_count)
{
    m_column_count = column_count;
    m_rows = 0;
    m_copied_rows = 0;
    m_bytes.clear();
    m_offsets.clear();
    m_lengths.clear();
    m_values.clear();
    m_large_row = nullptr;
    m_large_lengths = nullptr;
}

void sql_row_batch::add(MYSQL_ROW row, const unsigned long* lengths)
{
    std::size_t row_bytes = 0;
    for (unsigned i = 0; i < m_column_count; ++i)
        row_bytes += lengths[i];
    ++m_rows;
    if (row_bytes > large_row_bytes) {
        m_large_row = row;
        m_large_lengths = lengths;
        return;
    }
    ++m_copied_rows;
    m_lengths.insert(m_lengths.end(), lengths, lengths + m_column_count);
    // Room for the whole row at once, each value followed by its NUL.
    std::size_t at = m_bytes.size();
    m_bytes.resize(at + row_bytes + m_column_count);
    for (unsigned i = 0; i < m_column_count; ++i) {
        if (row[i] == nullptr) {
            m_offsets.push_back(no_value);
            continue;
        }
        m_offsets.push_back(at);
        std::memcpy(m_bytes.data() + at, row[i], lengths[i]);
        m_bytes[at + lengths[i]] = '\0';
        at += lengths[i] + 1;
    }
    m_bytes.resize(at);
}

bool sql_row_batch::is_full() const
{
    return m_large_row != nullptr || m_rows == sql_batch_size || m_bytes.size() >= batch_bytes;
}

void sql_row_batch::seal()
{
    m_values.resize(m_offsets.size());
    for (std::size_t i = 0; i < m_offsets.size(); ++i)
        m_values[i] = m_offsets[i] == no_value ? nullptr : m_bytes.data() + m_offsets[i];
}
