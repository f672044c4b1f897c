#include "platform/oledb/odbc_bulk_copy.h"

#include "platform/oledb/odbc_handle.h"
#include "platform/oledb/odbc_result.h"
#include "platform/oledb/odbc_row_statements.h"
#include "platform/oledb/table_name.h"

#include <dlfcn.h>
#include <sqlext.h>

#define TDSODBC_BCP
#include <algorithm>
#include <cstring>
#include <cwctype>
#include <odbcss.h>
#include <optional>
#include <utility>
#include <vector>

namespace oledb::odbc {

namespace {

// Type codes of program data for bcp_bind.
constexpr int bcp_character = 0x2F;
constexpr int bcp_wide_character = 0xEF;
constexpr int bcp_binary = 0x2D;
constexpr int bcp_keep_identity = 8;
// Every value carries a 4-byte length prefix, -1 for NULL.
constexpr int prefix_length = 4;
constexpr int varying_length = -10;

class freetds_api final : public bulk_copy_api {
public:
    bool init(SQLHDBC dbc, const odbc_string& table) const override
    {
        return bcp_initW(dbc, table.c_str(), nullptr, nullptr, BCP_DIRECTION_IN) == SUCCEED;
    }
    bool keep_identity(SQLHDBC dbc) const override
    {
        return bcp_control(dbc, bcp_keep_identity, reinterpret_cast<void*>(1)) == SUCCEED;
    }
    bool bind(SQLHDBC dbc, const unsigned char* data, int type, int column) const override
    {
        return bcp_bind(dbc, data, prefix_length, varying_length, nullptr, 0, type, column) == SUCCEED;
    }
    bool colptr(SQLHDBC dbc, const unsigned char* data, int column) const override
    {
        return bcp_colptr(dbc, data, column) == SUCCEED;
    }
    bool sendrow(SQLHDBC dbc) const override { return bcp_sendrow(dbc) == SUCCEED; }
    int batch(SQLHDBC dbc) const override { return bcp_batch(dbc); }
    int done(SQLHDBC dbc) const override { return bcp_done(dbc); }
    bool wide_text() const override { return false; }
    // FreeTDS keeps each value of a row in a buffer of at most 4096 bytes and
    // writes a longer one past its end.
    std::size_t value_limit() const override { return 4096; }
    // FreeTDS reads the year of a date text before 1753 as another year: two
    // digits as 19xx or 20xx, more as 1900.
    int first_date_year() const override { return 1753; }
};

class library_api final : public bulk_copy_api {
public:
    using init_fn = RETCODE (*)(SQLHDBC, const SQLWCHAR*, const SQLWCHAR*, const SQLWCHAR*, int);
    using control_fn = RETCODE (*)(SQLHDBC, int, void*);
    using bind_fn = RETCODE (*)(SQLHDBC, const unsigned char*, int, int, const unsigned char*, int, int, int);
    using colptr_fn = RETCODE (*)(SQLHDBC, const unsigned char*, int);
    using sendrow_fn = RETCODE (*)(SQLHDBC);
    using count_fn = int (*)(SQLHDBC);

    explicit library_api(void* library) : library_(library)
    {
        init_ = reinterpret_cast<init_fn>(dlsym(library, "bcp_initW"));
        control_ = reinterpret_cast<control_fn>(dlsym(library, "bcp_control"));
        bind_ = reinterpret_cast<bind_fn>(dlsym(library, "bcp_bind"));
        colptr_ = reinterpret_cast<colptr_fn>(dlsym(library, "bcp_colptr"));
        sendrow_ = reinterpret_cast<sendrow_fn>(dlsym(library, "bcp_sendrow"));
        batch_ = reinterpret_cast<count_fn>(dlsym(library, "bcp_batch"));
        done_ = reinterpret_cast<count_fn>(dlsym(library, "bcp_done"));
    }
    ~library_api() override { dlclose(library_); }
    library_api(const library_api&) = delete;
    library_api& operator=(const library_api&) = delete;

    bool complete() const { return init_ && control_ && bind_ && colptr_ && sendrow_ && batch_ && done_; }

    bool init(SQLHDBC dbc, const odbc_string& table) const override
    {
        return init_(driver_handle(dbc), table.c_str(), nullptr, nullptr, BCP_DIRECTION_IN) == SUCCEED;
    }
    bool keep_identity(SQLHDBC dbc) const override
    {
        return control_(driver_handle(dbc), bcp_keep_identity, reinterpret_cast<void*>(1)) == SUCCEED;
    }
    bool bind(SQLHDBC dbc, const unsigned char* data, int type, int column) const override
    {
        return bind_(driver_handle(dbc), data, prefix_length, varying_length, nullptr, 0, type, column) == SUCCEED;
    }
    bool colptr(SQLHDBC dbc, const unsigned char* data, int column) const override
    {
        return colptr_(driver_handle(dbc), data, column) == SUCCEED;
    }
    bool sendrow(SQLHDBC dbc) const override { return sendrow_(driver_handle(dbc)) == SUCCEED; }
    int batch(SQLHDBC dbc) const override { return batch_(driver_handle(dbc)); }
    int done(SQLHDBC dbc) const override { return done_(driver_handle(dbc)); }
    bool wide_text() const override { return true; }

private:
    // The driver's own handle behind the driver manager's.
    static SQLHDBC driver_handle(SQLHDBC dbc)
    {
        SQLHDBC driver = SQL_NULL_HDBC;
        SQLGetInfo(dbc, SQL_DRIVER_HDBC, &driver, sizeof(driver), nullptr);
        return driver;
    }

    void* library_;
    init_fn init_ = nullptr;
    control_fn control_ = nullptr;
    bind_fn bind_ = nullptr;
    colptr_fn colptr_ = nullptr;
    sendrow_fn sendrow_ = nullptr;
    count_fn batch_ = nullptr;
    count_fn done_ = nullptr;
};

// Rows go to the driver's bulk copy. A row holding a value longer than the
// driver takes from program variables, or a date the driver would read as
// another date, goes in by an INSERT statement instead: the bulk load open
// before it is ended (with the rows it holds committed), and the next row
// that can be bulk copied starts a new one. A load is started only for a row
// it will carry, so a table whose first rows go by statement never ends a
// load that has sent nothing (which the driver refuses).
//
// The server answers for a batch as a whole: the rows of the open batch are
// kept until the server took them. A refused batch is rolled back (a server
// may have committed its first rows already: the table's count tells how
// many), and its other rows are made again one at a time by statements, so
// that only the rows the server refuses alone stay behind. The rest of the
// table goes by statements too: a server that refused a batch may not take
// a new bulk load in that session.
class bulk_copy final : public db_bulk_load {
public:
    bulk_copy(SQLHDBC dbc, const bulk_copy_api& api, std::wstring source, const std::wstring& table, bool keep_identity)
        : dbc_(dbc), api_(api), source_(std::move(source)), table_(table), keep_identity_(keep_identity)
    {
        columns_ = describe_table(table);
        buffers_.resize(columns_.size());
        values_.resize(columns_.size());
        rows_before_ = rows_held();
    }

    bulk_copy(const bulk_copy&) = delete;
    bulk_copy& operator=(const bulk_copy&) = delete;

    const std::vector<db_column>& columns() const override { return columns_; }

    void send_row(std::vector<db_value> row) override
    {
        if (by_statements_ || goes_by_statement(row)) {
            insert_by_statement(row);
            ++written_;
            ++sent_;
            return;
        }
        // A stream is read once: its row cannot be written again, so it
        // travels in a batch of its own.
        const bool streams = holds_stream(row);
        if (streams && rows_in_load_ > 0)
            batch();
        for (std::size_t i = 0; i < columns_.size(); ++i) {
            values_[i].reset();
            if (i < row.size() && !is_null(row[i]))
                values_[i] = encoded(i, row[i]);
        }
        end_statements();
        if (!started_)
            start();
        for (std::size_t i = 0; i < columns_.size(); ++i)
            place(i, values_[i]);
        // A row the driver cannot send is dropped from the packet alone; the
        // load goes on.
        if (!api_.sendrow(dbc_))
            throw load_error();
        ++sent_;
        ++rows_in_load_;
        kept_.push_back({sent_ - 1, streams ? std::vector<db_value>{} : std::move(row), streams});
        if (streams)
            batch();
    }

    void commit(bool done) override
    {
        if (done) {
            end_load();
            end_statements();
        } else if (rows_in_load_ > 0) {
            batch();
        }
    }

    std::vector<db_refused_row> take_refused_rows() override { return std::exchange(refused_, {}); }

private:
    // A row sent in the open batch, kept until the server took it.
    struct kept_row {
        std::uint64_t number;
        std::vector<db_value> values;
        bool streamed;  // its values were read from a stream and are gone
    };

    void start()
    {
        if (!api_.init(dbc_, to_utf16(table_)))
            throw load_error();
        if (keep_identity_ && !api_.keep_identity(dbc_))
            throw load_error();
        for (std::size_t i = 0; i < columns_.size(); ++i) {
            buffers_[i].resize(prefix_length + 64);
            if (!api_.bind(dbc_, buffers_[i].data(), program_type(i), static_cast<int>(i + 1)))
                throw load_error();
        }
        started_ = true;
        rows_in_load_ = 0;
    }

    void batch()
    {
        if (api_.batch(dbc_) < 0)
            write_refused_batch_again();
        written_ += kept_.size();
        kept_.clear();
    }

    // Ends the open bulk load with its rows committed. A load that has sent
    // no row is left as it is: the driver cannot end it, and the next start
    // replaces it.
    void end_load()
    {
        const bool refused = started_ && rows_in_load_ > 0 && api_.done(dbc_) < 0;
        started_ = false;
        rows_in_load_ = 0;
        if (refused)
            write_refused_batch_again();
        written_ += kept_.size();
        kept_.clear();
    }

    // The server rolled the open batch back. The load is given up (the next
    // bulk row starts a new one) and each kept row is made by a statement.
    void write_refused_batch_again()
    {
        const db_error refusal = load_error();
        if (is_connection_lost(refusal))
            throw refusal;
        started_ = false;
        rows_in_load_ = 0;
        by_statements_ = true;
        std::vector<kept_row> batch = std::exchange(kept_, {});
        const std::uint64_t held = rows_held() - rows_before_ - written_;
        if (held > batch.size())
            throw db_error(source_, {{L"HY000", 0,
                                      L"The server holds " + std::to_wstring(held) + L" rows of a batch of " +
                                          std::to_wstring(batch.size()) + L" rows it refused (" +
                                          (refusal.records().empty() ? std::wstring() : refusal.records()[0].message) +
                                          L"); the rows it holds cannot be told apart."}});
        written_ += held;
        for (std::size_t i = held; i < batch.size(); ++i) {
            if (batch[i].streamed) {
                refused_.push_back({batch[i].number, refusal});
                continue;
            }
            try {
                statements().insert(batch[i].values);
                ++written_;
            } catch (const db_error& error) {
                if (is_connection_lost(error) || api_.connection_lost(dbc_))
                    throw db_error(source_, {{L"08S01", 0, L"The connection to the server was lost."}});
                refused_.push_back({batch[i].number, error});
            }
        }
    }

    // The rows the table holds, as this session sees them.
    std::uint64_t rows_held() const
    {
        const std::unique_ptr<db_result> counted = execute_statement(
            dbc_, source_, L"SELECT " + api_.row_count_function() + L"(*) FROM " + quoted_table_name(table_));
        std::vector<db_value> row;
        if (!counted || !counted->fetch(row) || row.empty() || !std::holds_alternative<std::wstring>(row[0]))
            throw db_error(source_, {{L"HY000", 0, L"The rows of the table cannot be counted."}});
        return std::stoull(std::get<std::wstring>(row[0]));
    }

    // A row refused here raises, as a row the driver cannot send does.
    void insert_by_statement(const std::vector<db_value>& row)
    {
        end_load();
        statements().insert(row);
    }

    row_statements& statements()
    {
        if (!statements_)
            statements_ = std::make_unique<row_statements>(dbc_, api_, source_, table_, columns_, keep_identity_);
        return *statements_;
    }

    // Leaves the statements of long rows, their rows committed, before a
    // bulk load or at the end.
    void end_statements()
    {
        if (statements_)
            std::exchange(statements_, nullptr)->end();
    }

    bool goes_by_statement(const std::vector<db_value>& row) const
    {
        // Measured before anything is encoded: a long value is not copied
        // into a form the statement does not use.
        const std::size_t limit = api_.value_limit();
        for (std::size_t i = 0; i < columns_.size() && i < row.size(); ++i) {
            if (is_null(row[i]))
                continue;
            if (limit != 0 && too_long(i, row[i], limit))
                return true;
            if (is_early_date(i, row[i]))
                return true;
        }
        return false;
    }

    // A date before the first year the driver reads from text as written.
    bool is_early_date(std::size_t i, const db_value& value) const
    {
        const DBTYPE type = columns_[i].type;
        if (type != DBTYPE_DBDATE && type != DBTYPE_DBTIMESTAMP && type != DBTYPE_DBTIMESTAMPOFFSET)
            return false;
        const auto* text = std::get_if<std::wstring>(&value);
        if (!text)
            return false;
        int year = 0;
        std::size_t digits = 0;
        while (digits < text->size() && digits < 5 && std::iswdigit((*text)[digits]))
            year = year * 10 + ((*text)[digits++] - L'0');
        return digits > 0 && year < api_.first_date_year();
    }

    std::vector<db_column> describe_table(const std::wstring& table)
    {
        handle stmt(SQL_HANDLE_STMT, dbc_);
        const std::wstring probe = L"SELECT * FROM " + quoted_table_name(table) + L" WHERE 1=0";
        check(SQLExecDirectW(stmt.get(), to_utf16(probe).data(), SQL_NTS), stmt, source_);
        std::vector<SQLSMALLINT> sql_types;
        return describe_columns(stmt, source_, sql_types);
    }

    bool is_binary(std::size_t i) const { return is_binary_column(columns_[i]); }

    int program_type(std::size_t i) const
    {
        if (is_binary(i))
            return bcp_binary;
        return api_.wide_text() ? bcp_wide_character : bcp_character;
    }

    // Whether `encoded` would give more than `limit` bytes, found without
    // making them.
    bool too_long(std::size_t i, const db_value& value, std::size_t limit) const
    {
        if (const auto* bytes = std::get_if<db_bytes>(&value))
            return bytes->size() > limit;
        // A stream holds at least db_stream_threshold bytes, more than any
        // driver takes in a bulk copy.
        if (std::holds_alternative<db_stream>(value))
            return true;
        const std::wstring& text = std::get<std::wstring>(value);
        // No character takes more than 4 bytes: most texts need no count.
        constexpr std::size_t most_per_character = 4;
        if (text.size() * most_per_character <= limit)
            return false;
        const bool utf8 = is_binary(i) || !api_.wide_text();
        std::size_t size = 0;
        for (const wchar_t c : text) {
            const auto code = static_cast<std::uint32_t>(c);
            if (utf8)
                size += code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
            else
                size += code < 0x10000 ? 2 : 4;
        }
        return size > limit;
    }

    std::vector<unsigned char> encoded(std::size_t i, const db_value& value) const
    {
        if (const auto* stream = std::get_if<db_stream>(&value))
            return encoded(i, read_whole(*stream, columns_[i]));
        if (const auto* bytes = std::get_if<db_bytes>(&value))
            return {bytes->begin(), bytes->end()};
        const std::wstring& text = std::get<std::wstring>(value);
        if (is_binary(i) || !api_.wide_text()) {
            const std::string narrow = to_utf8(text);
            return {narrow.begin(), narrow.end()};
        }
        const odbc_string wide = to_utf16(text);
        const auto* first = reinterpret_cast<const unsigned char*>(wide.data());
        return {first, first + wide.size() * sizeof(SQLWCHAR)};
    }

    void place(std::size_t i, const std::optional<std::vector<unsigned char>>& value)
    {
        std::vector<unsigned char>& buffer = buffers_[i];
        std::int32_t length = -1;
        static const std::vector<unsigned char> none;
        const std::vector<unsigned char>& data = value ? *value : none;
        if (value)
            length = static_cast<std::int32_t>(data.size());
        const unsigned char* before = buffer.data();
        if (buffer.size() < prefix_length + data.size())
            buffer.resize(prefix_length + data.size());
        std::memcpy(buffer.data(), &length, prefix_length);
        if (!data.empty())
            std::memcpy(buffer.data() + prefix_length, data.data(), data.size());
        if (buffer.data() != before && !api_.colptr(dbc_, buffer.data(), static_cast<int>(i + 1)))
            throw load_error();
    }

    // The error of the bulk-copy call that failed.
    db_error load_error() const
    {
        if (api_.connection_lost(dbc_))
            return db_error(source_, {{L"08S01", 0, L"The connection to the server was lost."}});
        std::vector<db_error_record> records = read_diagnostics(SQL_HANDLE_DBC, dbc_);
        if (records.empty())
            records.push_back({L"HY000", 0, L"Bulk copy failed."});
        return db_error(source_, std::move(records));
    }

    SQLHDBC dbc_;
    const bulk_copy_api& api_;
    std::wstring source_;
    std::wstring table_;
    bool keep_identity_;
    bool started_ = false;  // a bulk load is open on the connection
    std::size_t rows_in_load_ = 0;
    std::uint64_t sent_ = 0;
    std::uint64_t rows_before_ = 0;  // rows the table held before the load
    std::uint64_t written_ = 0;      // rows the server took from the load
    bool by_statements_ = false;     // the server refused a batch
    std::vector<kept_row> kept_;     // rows of the open batch
    std::vector<db_refused_row> refused_;
    std::vector<db_column> columns_;
    std::unique_ptr<row_statements> statements_;  // open while rows go by statement
    std::vector<std::vector<unsigned char>> buffers_;
    std::vector<std::optional<std::vector<unsigned char>>> values_;
};

}  // namespace

bool bulk_copy_api::connection_lost(SQLHDBC dbc) const
{
    return connection_dead(dbc);
}

const value_parts_dialect& transact_sql_value_parts()
{
    static const value_parts_dialect dialect{
        L"IF OBJECT_ID('tempdb..#velmora_parts') IS NULL CREATE TABLE #velmora_parts "
        L"(part INT NOT NULL, t NVARCHAR(MAX) NULL, b VARBINARY(MAX) NULL)",
        L"#velmora_parts", L"t + CAST(? AS NVARCHAR(MAX))", L"b + CAST(? AS VARBINARY(MAX))", L"DATALENGTH"};
    return dialect;
}

std::unique_ptr<bulk_copy_api> freetds_bulk_copy()
{
    return std::make_unique<freetds_api>();
}

std::unique_ptr<bulk_copy_api> library_bulk_copy(const std::string& library_path)
{
    void* library = dlopen(library_path.c_str(), RTLD_NOW);
    if (!library)
        return nullptr;
    auto api = std::make_unique<library_api>(library);
    if (!api->complete())
        return nullptr;
    return api;
}

std::unique_ptr<db_bulk_load> open_bulk_copy(SQLHDBC dbc, const bulk_copy_api& api, const std::wstring& source,
                                             const std::wstring& table, bool keep_identity)
{
    return std::make_unique<bulk_copy>(dbc, api, source, table, keep_identity);
}

}  // namespace oledb::odbc
