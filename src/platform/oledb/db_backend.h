// The data-access engine under the OLE DB objects. The ODBC driver manager is
// the engine of a real run; tests plug a recording engine in its place.
#pragma once

#include "platform/oledb/oledb_types.h"

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace oledb {

// A large value of a bulk-load row, left in the stream it was bound as, so
// that it is never held whole in a second form: the engine reads it once, in
// slices, as it sends it. The stream holds what a stream of its column holds:
// bytes for a binary column, UTF-8 for a DBTYPE_STR one, wide characters
// (wchar_t) for any other. `read` fills at most `count` bytes and gives their
// number, 0 at the end; it throws db_error when the stream fails.
class db_stream_source {
public:
    virtual ~db_stream_source() = default;
    virtual std::size_t read(void* buffer, std::size_t count) = 0;
};

struct db_stream {
    std::shared_ptr<db_stream_source> source;
    std::uint64_t bytes = 0;
    std::size_t read(void* buffer, std::size_t count) const { return source->read(buffer, count); }
    bool operator==(const db_stream&) const = default;  // the same stream
};

// Bound streams of at least this many bytes reach the engine as a db_stream;
// shorter ones as text or bytes.
constexpr std::uint64_t db_stream_threshold = 4 << 20;

// A value travelling between the engine and the OLE DB objects: SQL NULL,
// text, the raw bytes of a binary column, or a large bulk-load value.
using db_bytes = std::vector<std::uint8_t>;
using db_value = std::variant<std::monostate, std::wstring, db_bytes, db_stream>;

inline bool is_null(const db_value& v)
{
    return std::holds_alternative<std::monostate>(v);
}

inline bool holds_stream(const std::vector<db_value>& row)
{
    for (const db_value& value : row)
        if (std::holds_alternative<db_stream>(value))
            return true;
    return false;
}

struct db_column {
    std::wstring name;
    DBTYPE type = DBTYPE_WSTR;
    std::uint64_t size = 0;  // characters for text, bytes for binary, ~0 when unlimited
    std::uint8_t precision = 0;
    std::uint8_t scale = 0;
    DBCOLUMNFLAGS flags = 0;
};

inline bool is_binary_column(const db_column& column)
{
    return column.type == DBTYPE_BYTES || column.type == DBTYPE_UDT;
}

// The whole of a stream value of `column`, read to its end: bytes for a
// binary column, else text.
db_value read_whole(const db_stream& stream, const db_column& column);

// One diagnostic record of a failed call.
struct db_error_record {
    std::wstring sql_state;
    std::int32_t native_error = 0;
    std::wstring message;
};

// A failed engine call. The HRESULT is 0 when the records decide it.
class db_error : public std::exception {
public:
    db_error(std::wstring source, std::vector<db_error_record> records, std::int32_t hresult = 0);
    const char* what() const noexcept override { return what_.c_str(); }
    const std::wstring& source() const { return source_; }
    const std::vector<db_error_record>& records() const { return records_; }
    std::int32_t hresult() const { return hresult_; }

private:
    std::wstring source_;
    std::vector<db_error_record> records_;
    std::int32_t hresult_;
    std::string what_;
};

// An open result: column descriptions and a forward-only walk over the rows.
class db_result {
public:
    virtual ~db_result() = default;
    virtual const std::vector<db_column>& columns() const = 0;
    // Fills `row` with the next row; false at the end.
    virtual bool fetch(std::vector<db_value>& row) = 0;
    // Starts over from the first row, running the statement again when needed.
    virtual void restart() = 0;
};

// Whether the error says that the connection broke (SQLSTATE class 08).
inline bool is_connection_lost(const db_error& error)
{
    return !error.records().empty() && error.records().front().sql_state.starts_with(L"08");
}

// A row of a bulk load that the server refused: its number among the rows
// the load took (from 0, in the order of send_row; a send_row that raised
// took none) and the server's error.
struct db_refused_row {
    std::uint64_t row = 0;
    db_error error;
};

// One bulk load into one table; values arrive as text or bytes per column.
// A row the server refuses costs only itself: when the server refuses a
// batch, the load writes its rows again one at a time and lists those the
// server refused alone; the calls raise db_error only for what ends the load
// (a lost connection, a row refused before it was sent).
class db_bulk_load {
public:
    virtual ~db_bulk_load() = default;
    virtual const std::vector<db_column>& columns() const = 0;
    virtual void send_row(std::vector<db_value> row) = 0;
    // Commits the rows sent so far; `done` ends the load.
    virtual void commit(bool done) = 0;
    // The rows refused since the last call.
    virtual std::vector<db_refused_row> take_refused_rows() = 0;
};

enum class schema_kind { tables, primary_keys, indexes, foreign_keys };

// Restriction values of a schema rowset in OLE DB order; nullopt = none.
using schema_restrictions = std::vector<std::optional<std::wstring>>;

// One physical connection; it carries one open result at a time.
class db_connection {
public:
    virtual ~db_connection() = default;
    // Runs a statement or batch; returns its first result set, or null.
    virtual std::unique_ptr<db_result> execute(const std::wstring& statement) = 0;
    // The same with a value for each parameter marker (`?`) in the order of
    // the markers, each for a parameter described by its column: a stream
    // value is read once, in slices, never whole.
    virtual std::unique_ptr<db_result> execute(const std::wstring& statement, const std::vector<db_column>& parameters,
                                               const std::vector<db_value>& values) = 0;
    // A table's rows: described at once, read from the first fetch on.
    virtual std::unique_ptr<db_result> open_table(const std::wstring& table) = 0;
    // A schema rowset in OLE DB's column layout.
    virtual std::unique_ptr<db_result> open_schema(schema_kind kind, const schema_restrictions& restrictions) = 0;
    // Only on a connection made for bulk load.
    virtual std::unique_ptr<db_bulk_load> open_bulk_load(const std::wstring& table, bool keep_identity) = 0;
};

struct db_login {
    std::wstring server;
    std::wstring user;
    std::wstring password;
    std::wstring database;
    bool integrated = false;
};

// One provider slot: a driver that may or may not be installed.
class db_provider {
public:
    virtual ~db_provider() = default;
    virtual std::wstring name() const = 0;
    virtual bool is_installed() const = 0;
    virtual bool supports_bulk_load() const = 0;
    // A refused login raises db_error.
    virtual std::unique_ptr<db_connection> connect(const db_login& login, bool for_bulk_load) = 0;
};

}  // namespace oledb
