#include "platform/oledb/odbc_result.h"

#include "platform/oledb/table_name.h"
#include "platform/oledb/utf16.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <odbcss.h>
#include <optional>
#include <type_traits>
#include <utility>

namespace oledb::odbc {

namespace {

constexpr std::uint64_t unlimited_size = std::numeric_limits<std::uint64_t>::max();

// Text comes in SQLWCHAR units with a terminator; bytes without one.
template <typename Unit>
constexpr bool c_type_terminated = std::is_same_v<Unit, SQLWCHAR>;

bool is_long_type(SQLSMALLINT t)
{
    return t == SQL_LONGVARCHAR || t == SQL_WLONGVARCHAR || t == SQL_LONGVARBINARY || t == SQL_SS_XML;
}

bool is_variable_type(SQLSMALLINT t)
{
    return t == SQL_VARCHAR || t == SQL_WVARCHAR || t == SQL_VARBINARY;
}

bool is_binary_type(SQLSMALLINT t)
{
    return t == SQL_BINARY || t == SQL_VARBINARY || t == SQL_LONGVARBINARY || t == SQL_SS_UDT;
}

// Byte sizes that OLE DB reports for fixed-size types; 0 = keep ODBC's size.
std::uint64_t fixed_size(DBTYPE t)
{
    switch (t) {
    case DBTYPE_UI1: return 1;
    case DBTYPE_I2:
    case DBTYPE_BOOL: return 2;
    case DBTYPE_I4:
    case DBTYPE_R4: return 4;
    case DBTYPE_I8:
    case DBTYPE_R8:
    case DBTYPE_CY: return 8;
    case DBTYPE_GUID: return 16;
    case DBTYPE_NUMERIC: return 19;
    default: return 0;
    }
}

DBTYPE oledb_type(SQLSMALLINT sql_type, const std::wstring& type_name)
{
    switch (sql_type) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR: return DBTYPE_STR;
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_WLONGVARCHAR: return DBTYPE_WSTR;
    case SQL_DECIMAL:
    case SQL_NUMERIC: return type_name == L"money" || type_name == L"smallmoney" ? DBTYPE_CY : DBTYPE_NUMERIC;
    case SQL_SMALLINT: return DBTYPE_I2;
    case SQL_INTEGER: return DBTYPE_I4;
    case SQL_BIGINT: return DBTYPE_I8;
    case SQL_TINYINT: return DBTYPE_UI1;
    case SQL_BIT: return DBTYPE_BOOL;
    case SQL_REAL: return DBTYPE_R4;
    case SQL_FLOAT:
    case SQL_DOUBLE: return DBTYPE_R8;
    case SQL_TYPE_DATE:
    case SQL_DATE: return DBTYPE_DBDATE;
    case SQL_TYPE_TIME:
    case SQL_TIME:
    case SQL_SS_TIME2: return DBTYPE_DBTIME2;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP: return DBTYPE_DBTIMESTAMP;
    case SQL_SS_TIMESTAMPOFFSET: return DBTYPE_DBTIMESTAMPOFFSET;
    case SQL_GUID: return DBTYPE_GUID;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY: return DBTYPE_BYTES;
    case SQL_SS_XML: return DBTYPE_XML;
    case SQL_SS_VARIANT: return DBTYPE_VARIANT;
    case SQL_SS_UDT: return DBTYPE_UDT;
    default: return DBTYPE_WSTR;
    }
}

std::wstring column_type_name(const handle& stmt, SQLUSMALLINT column)
{
    SQLWCHAR name[128] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLColAttributeW(stmt.get(), column, SQL_DESC_TYPE_NAME, name, sizeof(name), &length, nullptr)))
        return {};
    return from_utf16(name, static_cast<std::size_t>(length) / sizeof(SQLWCHAR));
}

db_column describe_column(const handle& stmt, SQLUSMALLINT column, const std::wstring& source, SQLSMALLINT& sql_type)
{
    SQLWCHAR name[512] = {};
    SQLSMALLINT name_length = 0;
    SQLULEN size = 0;
    SQLSMALLINT digits = 0;
    SQLSMALLINT nullable = SQL_NULLABLE_UNKNOWN;
    check(SQLDescribeColW(stmt.get(), column, name, 512, &name_length, &sql_type, &size, &digits, &nullable), stmt,
          source);

    db_column c;
    c.name = from_utf16(name, std::min<std::size_t>(static_cast<std::size_t>(name_length), 511));
    c.type = oledb_type(sql_type, column_type_name(stmt, column));
    c.size = size;
    const bool is_long = is_long_type(sql_type) || (is_variable_type(sql_type) && size == 0) || size >= 0x3FFFFFFF;
    if (is_long) {
        c.size = unlimited_size;
        c.flags |= DBCOLUMNFLAGS_ISLONG;
    } else if (const std::uint64_t bytes = fixed_size(c.type)) {
        c.size = bytes;
    }
    const bool numeric = c.type == DBTYPE_NUMERIC || c.type == DBTYPE_DBTIMESTAMP || c.type == DBTYPE_DBTIME2 ||
                         c.type == DBTYPE_DBTIMESTAMPOFFSET || fixed_size(c.type) != 0;
    c.precision = numeric ? static_cast<std::uint8_t>(std::min<SQLULEN>(size, 255)) : 255;
    c.scale = static_cast<std::uint8_t>(digits < 0 ? 0 : std::min<SQLSMALLINT>(digits, 255));
    if (sql_type == SQL_CHAR || sql_type == SQL_WCHAR || sql_type == SQL_BINARY || fixed_size(c.type) != 0)
        c.flags |= DBCOLUMNFLAGS_ISFIXEDLENGTH;
    if (nullable == SQL_NULLABLE)
        c.flags |= DBCOLUMNFLAGS_ISNULLABLE | DBCOLUMNFLAGS_MAYBENULL;
    else if (nullable == SQL_NULLABLE_UNKNOWN)
        c.flags |= DBCOLUMNFLAGS_MAYBENULL;
    return c;
}

// A column's value in pieces: SQLGetData hands out what fits and says how
// much remains; text pieces end in a terminator that is not part of the value.
template <typename Unit>
std::optional<std::vector<Unit>> read_pieces(const handle& stmt, SQLUSMALLINT column, SQLSMALLINT c_type,
                                             const std::wstring& source)
{
    constexpr std::size_t piece = 4096;
    constexpr std::size_t room = c_type_terminated<Unit> ? piece - 1 : piece;
    std::vector<Unit> value;
    Unit chunk[piece];
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(stmt.get(), column, c_type, chunk, sizeof(chunk), &indicator);
        if (rc == SQL_NO_DATA)
            break;
        check(rc, stmt, source);
        if (indicator == SQL_NULL_DATA)
            return std::nullopt;
        const bool more = indicator == SQL_NO_TOTAL || static_cast<std::size_t>(indicator) / sizeof(Unit) > room;
        const std::size_t got = more ? room : static_cast<std::size_t>(indicator) / sizeof(Unit);
        value.insert(value.end(), chunk, chunk + got);
        if (!more)
            break;
    }
    return value;
}

db_value read_binary(const handle& stmt, SQLUSMALLINT column, const std::wstring& source)
{
    auto bytes = read_pieces<std::uint8_t>(stmt, column, SQL_C_BINARY, source);
    return bytes ? db_value(std::move(*bytes)) : db_value();
}

db_value read_text(const handle& stmt, SQLUSMALLINT column, const std::wstring& source)
{
    const auto units = read_pieces<SQLWCHAR>(stmt, column, SQL_C_WCHAR, source);
    return units ? db_value(from_utf16(units->data(), units->size())) : db_value();
}

class statement_result final : public db_result {
public:
    statement_result(handle stmt, std::wstring source, std::wstring statement, bool executed)
        : stmt_(std::move(stmt)), source_(std::move(source)), statement_(std::move(statement)), executed_(executed)
    {}

    void describe() { columns_ = describe_columns(stmt_, source_, sql_types_); }
    void set_columns(std::vector<db_column> columns, std::vector<SQLSMALLINT> sql_types)
    {
        columns_ = std::move(columns);
        sql_types_ = std::move(sql_types);
    }

    const std::vector<db_column>& columns() const override { return columns_; }

// GCC 12 takes a value moved out of a db_value for one on the stack when it
// inlines the variant's destructor here (a false -Wfree-nonheap-object).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wfree-nonheap-object"
    bool fetch(std::vector<db_value>& row) override
    {
        if (!executed_)
            run();
        const SQLRETURN rc = SQLFetch(stmt_.get());
        if (rc == SQL_NO_DATA)
            return false;
        check(rc, stmt_, source_);
        fetched_ = true;
        row.clear();
        for (std::size_t i = 0; i < columns_.size(); ++i)
            row.push_back(read_cell(i));
        return true;
    }
#pragma GCC diagnostic pop

    void restart() override
    {
        if (executed_ && !fetched_)
            return;
        if (executed_)
            SQLFreeStmt(stmt_.get(), SQL_CLOSE);
        run();
    }

private:
    void run()
    {
        check(SQLExecDirectW(stmt_.get(), to_utf16(statement_).data(), SQL_NTS), stmt_, source_);
        executed_ = true;
        fetched_ = false;
    }

    db_value read_cell(std::size_t i)
    {
        const auto column = static_cast<SQLUSMALLINT>(i + 1);
        if (is_binary_type(sql_types_[i]))
            return read_binary(stmt_, column, source_);
        db_value value = read_text(stmt_, column, source_);
        // OLE DB gives a GUID as text in braces.
        if (auto* text = std::get_if<std::wstring>(&value); text && columns_[i].type == DBTYPE_GUID) {
            text->insert(text->begin(), L'{');
            text->push_back(L'}');
        }
        return value;
    }

    handle stmt_;
    std::wstring source_;
    std::wstring statement_;
    std::vector<db_column> columns_;
    std::vector<SQLSMALLINT> sql_types_;
    bool executed_;
    bool fetched_ = false;
};

// Moves past results without columns; true when a result set was reached.
bool skip_to_result_set(const handle& stmt, const std::wstring& source)
{
    for (;;) {
        SQLSMALLINT count = 0;
        check(SQLNumResultCols(stmt.get(), &count), stmt, source);
        if (count > 0)
            return true;
        const SQLRETURN rc = SQLMoreResults(stmt.get());
        if (rc == SQL_NO_DATA)
            return false;
        check(rc, stmt, source);
    }
}

}  // namespace

std::vector<db_column> describe_columns(const handle& stmt, const std::wstring& source,
                                        std::vector<SQLSMALLINT>& sql_types)
{
    SQLSMALLINT count = 0;
    check(SQLNumResultCols(stmt.get(), &count), stmt, source);
    std::vector<db_column> columns;
    sql_types.assign(static_cast<std::size_t>(count), 0);
    for (SQLSMALLINT i = 0; i < count; ++i)
        columns.push_back(
            describe_column(stmt, static_cast<SQLUSMALLINT>(i + 1), source, sql_types[static_cast<std::size_t>(i)]));
    return columns;
}

std::unique_ptr<db_result> execute_statement(SQLHDBC dbc, const std::wstring& source, const std::wstring& statement)
{
    return execute_bound(handle(SQL_HANDLE_STMT, dbc), source, statement);
}

std::unique_ptr<db_result> execute_bound(handle stmt, const std::wstring& source, const std::wstring& statement)
{
    check(SQLExecDirectW(stmt.get(), to_utf16(statement).data(), SQL_NTS), stmt, source);
    SQLFreeStmt(stmt.get(), SQL_RESET_PARAMS);
    if (!skip_to_result_set(stmt, source))
        return nullptr;
    auto result = std::make_unique<statement_result>(std::move(stmt), source, statement, true);
    result->describe();
    return result;
}

std::unique_ptr<db_result> adopt_result(handle stmt, const std::wstring& source)
{
    auto result = std::make_unique<statement_result>(std::move(stmt), source, std::wstring{}, true);
    result->describe();
    return result;
}

std::unique_ptr<db_result> open_table_rows(SQLHDBC dbc, const std::wstring& source, const std::wstring& table)
{
    const std::wstring select = L"SELECT * FROM " + quoted_table_name(table);
    std::vector<SQLSMALLINT> sql_types;
    std::vector<db_column> columns;
    {
        handle probe(SQL_HANDLE_STMT, dbc);
        check(SQLExecDirectW(probe.get(), to_utf16(select + L" WHERE 1=0").data(), SQL_NTS), probe, source);
        columns = describe_columns(probe, source, sql_types);
    }
    auto result = std::make_unique<statement_result>(handle(SQL_HANDLE_STMT, dbc), source, select, false);
    result->set_columns(std::move(columns), std::move(sql_types));
    return result;
}

}  // namespace oledb::odbc
