#include "recording_bulk_copy.h"

#include "platform/oledb/odbc_bulk_copy.h"
#include "platform/oledb/odbc_connection.h"

#define TDSODBC_BCP
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <odbcss.h>

namespace {

// Every bound buffer starts with a 4-byte length, -1 for NULL.
constexpr std::size_t prefix_length = 4;

class recording_api final : public oledb::odbc::bulk_copy_api {
public:
    explicit recording_api(recorded_bulk_copy& record) : m_record(record) {}

    bool init(SQLHDBC, const oledb::odbc_string& table) const override
    {
        m_record.table = oledb::from_utf16(table);
        ++m_record.inits;
        m_sent_in_load = 0;
        m_sent_in_batch = 0;
        return true;
    }
    bool keep_identity(SQLHDBC) const override
    {
        m_record.keep_identity = true;
        return true;
    }
    bool bind(SQLHDBC, const unsigned char* data, int type, int column) const override
    {
        m_buffers[column] = data;
        m_record.bound_types.resize(std::max<std::size_t>(m_record.bound_types.size(), column));
        m_record.bound_types[column - 1] = type;
        return true;
    }
    bool colptr(SQLHDBC, const unsigned char* data, int column) const override
    {
        m_buffers[column] = data;
        return true;
    }
    bool sendrow(SQLHDBC) const override
    {
        std::vector<std::optional<std::vector<unsigned char>>> row;
        for (const auto& [column, data] : m_buffers) {
            std::int32_t length = 0;
            std::memcpy(&length, data, prefix_length);
            if (length < 0)
                row.emplace_back();
            else
                row.emplace_back(std::vector<unsigned char>(data + prefix_length, data + prefix_length + length));
        }
        m_record.rows.push_back(std::move(row));
        ++m_sent_in_load;
        ++m_sent_in_batch;
        return true;
    }
    int batch(SQLHDBC dbc) const override
    {
        if (!answer_batch(dbc))
            return -1;
        ++m_record.batches;
        return 0;
    }
    int done(SQLHDBC dbc) const override
    {
        if (m_sent_in_load == 0) {
            ++m_record.refused_dones;
            return -1;
        }
        m_sent_in_load = 0;
        if (!answer_batch(dbc))
            return -1;
        ++m_record.dones;
        return 0;
    }
    int first_date_year() const override { return m_record.first_date_year; }
    std::wstring row_count_function() const override { return L"COUNT"; }
    bool connection_lost(SQLHDBC) const override { return m_record.connection_lost; }
    bool wide_text() const override { return false; }
    std::size_t value_limit() const override { return m_record.value_limit; }
    // SQLite's temporary table and concatenation in place of T-SQL's.
    const oledb::odbc::value_parts_dialect& value_parts() const override
    {
        static const oledb::odbc::value_parts_dialect joining{
            L"CREATE TEMP TABLE IF NOT EXISTS velmora_parts (part INTEGER, t TEXT, b BLOB)", L"velmora_parts",
            L"t || ?", L"CAST(b || ? AS BLOB)", L"length"};
        static const oledb::odbc::value_parts_dialect adding = [] {
            oledb::odbc::value_parts_dialect dialect = joining;
            dialect.append_binary = L"b + ?";
            return dialect;
        }();
        return m_record.joins_bytes ? joining : adding;
    }

private:
    // The server's answer to the rows sent since the last one: a batch it
    // refuses holds none of its rows.
    bool answer_batch(SQLHDBC dbc) const
    {
        const std::size_t first = m_record.rows.size() - m_sent_in_batch;
        m_sent_in_batch = 0;
        const auto refused = [&](const auto& row) {
            return !row.empty() && row[0] &&
                   std::find(m_record.refused_first_values.begin(), m_record.refused_first_values.end(),
                             std::string(row[0]->begin(), row[0]->end())) != m_record.refused_first_values.end();
        };
        const bool taken =
            !m_record.connection_lost && std::none_of(m_record.rows.begin() + first, m_record.rows.end(), refused);
        if (!taken) {
            m_record.rows.resize(std::min(m_record.rows.size(), first + m_record.kept_of_refused_batch));
            ++m_record.refused_batches;
        }
        if (m_record.holds_bulk_rows)
            hold(dbc, first);
        return taken;
    }

    // Puts the bulk rows from `first` on in the table, their values as text.
    void hold(SQLHDBC dbc, std::size_t first) const
    {
        std::string table = oledb::to_utf8(m_record.table);
        table.erase(std::remove(table.begin(), table.end(), '['), table.end());
        table.erase(std::remove(table.begin(), table.end(), ']'), table.end());
        for (std::size_t r = first; r < m_record.rows.size(); ++r) {
            std::string values;
            for (const auto& value : m_record.rows[r]) {
                values.append(values.empty() ? "" : ", ");
                if (!value) {
                    values.append("NULL");
                    continue;
                }
                values.push_back('\'');
                values.append(value->begin(), value->end());
                values.push_back('\'');
            }
            std::string statement = "INSERT INTO " + table + " VALUES (" + values + ")";
            SQLHSTMT stmt = SQL_NULL_HSTMT;
            SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
            SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(statement.data()), SQL_NTS);
            SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        }
    }

    recorded_bulk_copy& m_record;
    mutable std::map<int, const unsigned char*> m_buffers;
    mutable std::size_t m_sent_in_load = 0;
    mutable std::size_t m_sent_in_batch = 0;
};

}  // namespace

struct sqlite_bulk_copy::impl {
    recorded_bulk_copy record;
    recording_api api{record};
    std::unique_ptr<oledb::odbc::odbc_connection> connection;
};

sqlite_bulk_copy::sqlite_bulk_copy(const std::string& driver_library, const std::wstring& create_table)
    : m_impl(std::make_unique<impl>())
{
    const std::wstring driver(driver_library.begin(), driver_library.end());
    m_impl->connection = std::make_unique<oledb::odbc::odbc_connection>(
        L"SQLite", L"Driver=" + driver + L";Database=:memory:", &m_impl->api);
    m_impl->connection->execute(L"ATTACH DATABASE ':memory:' AS dbo");
    m_impl->connection->execute(create_table);
}

sqlite_bulk_copy::~sqlite_bulk_copy() = default;

std::unique_ptr<oledb::db_bulk_load> sqlite_bulk_copy::open(const std::wstring& table, bool keep_identity)
{
    return m_impl->connection->open_bulk_load(table, keep_identity);
}

const recorded_bulk_copy& sqlite_bulk_copy::record() const
{
    return m_impl->record;
}

void sqlite_bulk_copy::set_value_limit(std::size_t bytes)
{
    m_impl->record.value_limit = bytes;
}

std::unique_ptr<oledb::db_result> sqlite_bulk_copy::query(const std::wstring& statement)
{
    return m_impl->connection->execute(statement);
}

std::unique_ptr<oledb::db_result> sqlite_bulk_copy::execute(const std::wstring& statement,
                                                            const std::vector<oledb::db_column>& parameters,
                                                            const std::vector<oledb::db_value>& values)
{
    return m_impl->connection->execute(statement, parameters, values);
}

recorded_bulk_copy& sqlite_bulk_copy::settings()
{
    return m_impl->record;
}

void sqlite_bulk_copy::set_joins_bytes(bool joins)
{
    m_impl->record.joins_bytes = joins;
}

int sqlite_bulk_copy::binary_type()
{
    return BCP_TYPE_SQLBINARY;
}

int sqlite_bulk_copy::character_type()
{
    return BCP_TYPE_SQLCHAR;
}
