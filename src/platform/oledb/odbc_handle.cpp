#include "platform/oledb/odbc_handle.h"

#include "platform/oledb/utf16.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace oledb::odbc {

namespace {

// Drivers prefix their texts with the components that passed them on, as in
// "[FreeTDS][SQL Server]Invalid object name 't'."; the text is what follows.
std::wstring without_component_prefix(std::wstring message)
{
    std::size_t start = 0;
    while (start < message.size() && message[start] == L'[') {
        const std::size_t close = message.find(L']', start);
        if (close == std::wstring::npos)
            break;
        start = close + 1;
    }
    return message.substr(start);
}

}  // namespace

SQLHENV environment()
{
    static const SQLHENV env = [] {
        SQLHENV h = SQL_NULL_HENV;
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &h)))
            throw std::runtime_error("ODBC environment cannot be allocated");
        SQLSetEnvAttr(h, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        return h;
    }();
    return env;
}

handle::handle(SQLSMALLINT type, SQLHANDLE parent) : type_(type)
{
    const SQLSMALLINT parent_type = type == SQL_HANDLE_DBC ? SQL_HANDLE_ENV : SQL_HANDLE_DBC;
    check(SQLAllocHandle(type, parent, &handle_), parent_type, parent, L"ODBC");
}

handle::~handle()
{
    if (handle_ != SQL_NULL_HANDLE)
        SQLFreeHandle(type_, handle_);
}

handle::handle(handle&& other) noexcept : type_(other.type_), handle_(std::exchange(other.handle_, SQLHANDLE{})) {}

handle& handle::operator=(handle&& other) noexcept
{
    if (this != &other) {
        if (handle_ != SQL_NULL_HANDLE)
            SQLFreeHandle(type_, handle_);
        type_ = other.type_;
        handle_ = std::exchange(other.handle_, SQLHANDLE{});
    }
    return *this;
}

std::vector<db_error_record> read_diagnostics(SQLSMALLINT type, SQLHANDLE h)
{
    std::vector<db_error_record> records;
    for (SQLSMALLINT i = 1;; ++i) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        SQLRETURN rc = SQLGetDiagRecW(type, h, i, state, &native, nullptr, 0, &length);
        if (rc == SQL_NO_DATA || !SQL_SUCCEEDED(rc))
            break;
        odbc_string message(static_cast<std::size_t>(length) + 1, 0);
        rc = SQLGetDiagRecW(type, h, i, state, &native, message.data(), static_cast<SQLSMALLINT>(message.size()),
                            &length);
        if (!SQL_SUCCEEDED(rc))
            break;
        message.resize(std::min<std::size_t>(static_cast<std::size_t>(length), message.size() - 1));
        records.push_back({from_utf16(state, 5), native, without_component_prefix(from_utf16(message))});
    }
    return records;
}

bool connection_dead(SQLHDBC dbc)
{
    SQLUINTEGER dead = SQL_CD_FALSE;
    return SQL_SUCCEEDED(SQLGetConnectAttr(dbc, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) && dead == SQL_CD_TRUE;
}

db_error with_lost_connection(const db_error& error, SQLHDBC dbc)
{
    if (is_connection_lost(error) || !connection_dead(dbc))
        return error;
    std::vector<db_error_record> records{{L"08S01", 0, L"The connection to the server was lost."}};
    records.insert(records.end(), error.records().begin(), error.records().end());
    return db_error(error.source(), std::move(records), error.hresult());
}

void check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE h, const std::wstring& source)
{
    if (SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA)
        return;
    std::vector<db_error_record> records;
    if (h != SQL_NULL_HANDLE && rc != SQL_INVALID_HANDLE)
        records = read_diagnostics(type, h);
    if (records.empty())
        records.push_back({L"HY000", 0, L"The ODBC call failed without a diagnostic record."});
    throw db_error(source, std::move(records));
}

void check(SQLRETURN rc, const handle& h, const std::wstring& source)
{
    check(rc, h.type(), h.get(), source);
}

}  // namespace oledb::odbc
