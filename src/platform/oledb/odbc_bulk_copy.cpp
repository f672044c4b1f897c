#include "platform/oledb/odbc_bulk_copy.h"

#include "platform/oledb/odbc_handle.h"
#include "platform/oledb/odbc_result.h"
#include "platform/oledb/stream_slices.h"
#include "platform/oledb/table_name.h"

#include <dlfcn.h>
#include <sqlext.h>

#define TDSODBC_BCP
#include <algorithm>
#include <cstring>
#include <odbcss.h>
#include <optional>
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
// driver takes from program variables goes in by an INSERT statement
// instead: the bulk load open before it is ended (with the rows it holds
// committed), and the next row that can be bulk copied starts a new one. A
// load is started only for a row it will carry, so a table whose first rows
// are long never ends a load that has sent nothing (which the driver refuses).
// Consecutive long rows share one prepared statement and a transaction.
class bulk_copy final : public db_bulk_load {
public:
    bulk_copy(SQLHDBC dbc, const bulk_copy_api& api, std::wstring source, const std::wstring& table, bool keep_identity)
        : dbc_(dbc), api_(api), source_(std::move(source)), table_(table), keep_identity_(keep_identity)
    {
        columns_ = describe_table(table);
        buffers_.resize(columns_.size());
        values_.resize(columns_.size());
    }

    ~bulk_copy() override { end_statements(true); }
    bulk_copy(const bulk_copy&) = delete;
    bulk_copy& operator=(const bulk_copy&) = delete;

    const std::vector<db_column>& columns() const override { return columns_; }

    void send_row(const std::vector<db_value>& row) override
    {
        // Measured before anything is encoded: a long value is not copied
        // into a form the statement does not use.
        const std::size_t limit = api_.value_limit();
        for (std::size_t i = 0; limit != 0 && i < columns_.size() && i < row.size(); ++i) {
            if (!is_null(row[i]) && too_long(i, row[i], limit)) {
                insert_by_statement(row);
                return;
            }
        }
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
        if (!api_.sendrow(dbc_))
            fail();
        ++rows_in_load_;
    }

    void commit(bool done) override
    {
        if (done) {
            end_statements();
            end_load();
        } else if (rows_in_load_ > 0 && api_.batch(dbc_) < 0) {
            fail();
        }
    }

private:
    void start()
    {
        if (!api_.init(dbc_, to_utf16(table_)))
            fail();
        if (keep_identity_ && !api_.keep_identity(dbc_))
            fail();
        for (std::size_t i = 0; i < columns_.size(); ++i) {
            buffers_[i].resize(prefix_length + 64);
            if (!api_.bind(dbc_, buffers_[i].data(), program_type(i), static_cast<int>(i + 1)))
                fail();
        }
        started_ = true;
        rows_in_load_ = 0;
    }

    // Ends the open bulk load with its rows committed. A load that has sent
    // no row is left as it is: the driver cannot end it, and the next start
    // replaces it.
    void end_load()
    {
        if (started_ && rows_in_load_ > 0 && api_.done(dbc_) < 0)
            fail();
        started_ = false;
        rows_in_load_ = 0;
    }

    // Long rows are made in one transaction, committed when the rows it
    // holds reach kept_bytes, before a bulk load starts and when the load
    // ends: a commit for each row costs more than the row itself on a server
    // that writes its log at each commit. Each row's statement still runs at
    // once, so that an error belongs to its row. The rows of the open
    // transaction are kept: when an error ended the transaction (a deadlock,
    // say), they are made again and only the failed row is lost.
    static constexpr std::size_t kept_bytes = 4 << 20;

    void insert_by_statement(const std::vector<db_value>& row)
    {
        end_load();
        if (!insert_)
            prepare_insert();
        try {
            execute_insert(row);
        } catch (const db_error&) {
            if (transaction_ended())
                make_kept_rows_again();
            throw;
        }
        // A stream is read once and cannot be sent again: its row is
        // committed at once instead of kept.
        const std::size_t bytes = held_bytes(row);
        const bool keep = bytes < kept_bytes && !holds_stream(row);
        if (keep) {
            kept_.push_back(row);
            kept_size_ += bytes;
        }
        if (!keep || kept_size_ >= kept_bytes)
            commit_statements();
    }

    void execute_insert(const std::vector<db_value>& row)
    {
        // Text goes as the bulk copy sends it: UTF-8 to a driver that takes
        // UTF-8 (half the room of UTF-16 for most texts), else UTF-16.
        std::vector<odbc_string> texts(columns_.size());
        std::vector<std::string> narrow_texts(columns_.size());
        std::vector<SQLLEN> lengths(columns_.size(), SQL_NULL_DATA);
        std::vector<SQLULEN> sizes(columns_.size(), 1);
        for (std::size_t i = 0; i < columns_.size(); ++i) {
            static const db_value null_value;
            // The parameters point into the row until the statement has run.
            const db_value& value = i < row.size() ? row[i] : null_value;
            SQLSMALLINT c_type = SQL_C_WCHAR;
            SQLSMALLINT sql_type = SQL_WLONGVARCHAR;
            SQLPOINTER data = nullptr;
            if (const auto* stream = std::get_if<db_stream>(&value)) {
                // Sent in slices once the statement runs; the parameter's
                // number stands for its data until then. Text goes as UTF-16,
                // the form the server keeps national text in: the driver
                // gathers the slices and sends them as they are, where it
                // would convert UTF-8 whole into a second, larger buffer.
                if (is_binary(i)) {
                    c_type = SQL_C_BINARY;
                    sql_type = SQL_LONGVARBINARY;
                }
                data = reinterpret_cast<SQLPOINTER>(static_cast<std::uintptr_t>(i + 1));
                // Drivers that ask for the total learn it for bytes; a
                // text's length in UTF-16 is known only once it is sent.
                lengths[i] = SQL_LEN_DATA_AT_EXEC(is_binary(i) ? static_cast<SQLLEN>(stream->bytes) : 0);
                sizes[i] = std::max<SQLULEN>(1, static_cast<SQLULEN>(stream->bytes));
            } else if (const auto* bytes = std::get_if<db_bytes>(&value)) {
                c_type = SQL_C_BINARY;
                sql_type = SQL_LONGVARBINARY;
                data = const_cast<std::uint8_t*>(bytes->data());
                lengths[i] = static_cast<SQLLEN>(bytes->size());
            } else if (const auto* text = std::get_if<std::wstring>(&value); text && !api_.wide_text()) {
                c_type = SQL_C_CHAR;
                narrow_texts[i] = to_utf8(*text);
                data = narrow_texts[i].data();
                lengths[i] = static_cast<SQLLEN>(narrow_texts[i].size());
            } else if (text) {
                texts[i] = to_utf16(*text);
                data = texts[i].data();
                lengths[i] = static_cast<SQLLEN>(texts[i].size() * sizeof(SQLWCHAR));
            }
            if (lengths[i] >= 0)
                sizes[i] = std::max<SQLULEN>(1, static_cast<SQLULEN>(lengths[i]));
            check(SQLBindParameter(insert_->get(), static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT, c_type, sql_type,
                                   sizes[i], 0, data, 0, &lengths[i]),
                  *insert_, source_);
        }
        SQLRETURN rc = SQLExecute(insert_->get());
        try {
            while (rc == SQL_NEED_DATA) {
                SQLPOINTER token = nullptr;
                rc = SQLParamData(insert_->get(), &token);
                if (rc == SQL_NEED_DATA) {
                    const std::size_t i = reinterpret_cast<std::uintptr_t>(token) - 1;
                    send_in_slices(std::get<db_stream>(row[i]), columns_[i], [&](const void* data, std::size_t bytes) {
                        check(SQLPutData(insert_->get(), const_cast<void*>(data), static_cast<SQLLEN>(bytes)), *insert_,
                              source_);
                    });
                }
            }
        } catch (...) {
            // A statement left waiting for data takes no other call.
            SQLCancel(insert_->get());
            throw;
        }
        if (rc != SQL_NO_DATA)
            check(rc, *insert_, source_);
        SQLFreeStmt(insert_->get(), SQL_CLOSE);
    }

    static bool holds_stream(const std::vector<db_value>& row)
    {
        return std::any_of(row.begin(), row.end(),
                           [](const db_value& value) { return std::holds_alternative<db_stream>(value); });
    }

    static std::size_t held_bytes(const std::vector<db_value>& row)
    {
        std::size_t bytes = 0;
        for (const db_value& value : row) {
            if (const auto* data = std::get_if<db_bytes>(&value))
                bytes += data->size();
            else if (const auto* stream = std::get_if<db_stream>(&value))
                bytes += stream->bytes;
            else if (const auto* text = std::get_if<std::wstring>(&value))
                bytes += text->size() * sizeof(wchar_t);
        }
        return bytes;
    }

    void commit_statements()
    {
        run_checked(L"COMMIT TRANSACTION");
        kept_.clear();
        kept_size_ = 0;
        run_checked(L"BEGIN TRANSACTION");
    }

    // Whether the server ended the open transaction; an answer that cannot
    // be had counts as no, so that no row is ever made twice.
    bool transaction_ended()
    {
        handle stmt(SQL_HANDLE_STMT, dbc_);
        SQLINTEGER count = 1;
        SQLLEN indicator = 0;
        return SQL_SUCCEEDED(SQLExecDirectW(stmt.get(), to_utf16(L"SELECT @@TRANCOUNT").data(), SQL_NTS)) &&
               SQL_SUCCEEDED(SQLFetch(stmt.get())) &&
               SQL_SUCCEEDED(SQLGetData(stmt.get(), 1, SQL_C_SLONG, &count, sizeof(count), &indicator)) && count == 0;
    }

    void make_kept_rows_again()
    {
        run_checked(L"BEGIN TRANSACTION");
        for (const std::vector<db_value>& kept : kept_)
            execute_insert(kept);
    }

    void run_checked(const std::wstring& statement)
    {
        handle stmt(SQL_HANDLE_STMT, dbc_);
        const SQLRETURN rc = SQLExecDirectW(stmt.get(), to_utf16(statement).data(), SQL_NTS);
        if (rc != SQL_NO_DATA)
            check(rc, stmt, source_);
    }

    void prepare_insert()
    {
        const std::wstring table = quoted_table_name(table_);
        std::wstring names;
        std::wstring markers;
        for (const db_column& column : columns_) {
            names += (names.empty() ? L"" : L", ") + bracketed(column.name);
            markers += markers.empty() ? L"?" : L", ?";
        }
        // A table without an identity column refuses the setting, which changes nothing.
        if (keep_identity_)
            run_quietly(L"SET IDENTITY_INSERT " + table + L" ON");
        insert_ = std::make_unique<handle>(SQL_HANDLE_STMT, dbc_);
        const std::wstring insert = L"INSERT INTO " + table + L" (" + names + L") VALUES (" + markers + L")";
        check(SQLPrepareW(insert_->get(), to_utf16(insert).data(), SQL_NTS), *insert_, source_);
        run_checked(L"BEGIN TRANSACTION");
    }

    // Leaves the statements of long rows, their rows committed, before a
    // bulk load or at the end; `quietly` when nobody can be told of a failure.
    void end_statements(bool quietly = false)
    {
        if (!insert_)
            return;
        insert_.reset();
        kept_.clear();
        kept_size_ = 0;
        if (keep_identity_)
            run_quietly(L"SET IDENTITY_INSERT " + quoted_table_name(table_) + L" OFF");
        if (quietly)
            run_quietly(L"COMMIT TRANSACTION");
        else
            run_checked(L"COMMIT TRANSACTION");
    }

    void run_quietly(const std::wstring& statement)
    {
        handle stmt(SQL_HANDLE_STMT, dbc_);
        SQLExecDirectW(stmt.get(), to_utf16(statement).data(), SQL_NTS);
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
            fail();
    }

    [[noreturn]] void fail() const
    {
        check(SQL_ERROR, SQL_HANDLE_DBC, dbc_, source_);
        throw db_error(source_, {{L"HY000", 0, L"Bulk copy failed."}});
    }

    SQLHDBC dbc_;
    const bulk_copy_api& api_;
    std::wstring source_;
    std::wstring table_;
    bool keep_identity_;
    bool started_ = false;  // a bulk load is open on the connection
    std::size_t rows_in_load_ = 0;
    std::unique_ptr<handle> insert_;           // the prepared INSERT of long rows
    std::vector<std::vector<db_value>> kept_;  // rows of the open transaction
    std::size_t kept_size_ = 0;
    std::vector<db_column> columns_;
    std::vector<std::vector<unsigned char>> buffers_;
    std::vector<std::optional<std::vector<unsigned char>>> values_;
};

}  // namespace

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
