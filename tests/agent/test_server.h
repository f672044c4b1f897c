// A SQL Server for the gated tests: MSSQL_TEST_SERVER (host or host,port),
// MSSQL_TEST_LOGIN and MSSQL_TEST_PASSWORD name it; without them the tests
// report themselves skipped. Read through FreeTDS, which every machine here has.
#pragma once

#include "agent/corvath_process.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <sql.h>
#include <sqlext.h>
#include <string>
#include <utility>
#include <vector>

inline std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The host and port of MSSQL_TEST_SERVER (host or host,port).
inline std::pair<std::string, std::string> server_address()
{
    std::string address = environment("MSSQL_TEST_SERVER");
    std::string port = "1433";
    if (const std::size_t comma = address.find(','); comma != std::string::npos) {
        port = address.substr(comma + 1);
        address.erase(comma);
    }
    return {address, port};
}

// One ODBC connection through FreeTDS, the driver every machine here has.
class server_connection {
public:
    explicit server_connection(const std::string& database)
    {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
        SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
        const auto [address, port] = server_address();
        std::string text = "Driver=FreeTDS;Server=" + address + ";Port=" + port +
                           ";UID=" + environment("MSSQL_TEST_LOGIN") + ";PWD={" + environment("MSSQL_TEST_PASSWORD") +
                           "};TDS_Version=7.4;ClientCharset=UTF-8;Database=" + database + ";";
        connected_ = SQL_SUCCEEDED(SQLDriverConnect(dbc_, nullptr, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS,
                                                    nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT));
    }
    ~server_connection()
    {
        if (connected_)
            SQLDisconnect(dbc_);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        SQLFreeHandle(SQL_HANDLE_ENV, env_);
    }
    server_connection(const server_connection&) = delete;
    server_connection& operator=(const server_connection&) = delete;

    bool connected() const { return connected_; }

    // Runs a statement; the driver's message when it fails.
    std::string run(const std::string& statement)
    {
        SQLHSTMT stmt = SQL_NULL_HSTMT;
        SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt);
        std::string text = statement;
        const SQLRETURN rc = SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS);
        std::string message;
        if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA)
            message = diagnostic(stmt);
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        return message;
    }

    struct values {
        std::vector<std::string> columns;
        std::vector<SQLSMALLINT> types;
        std::vector<std::vector<std::optional<std::string>>> rows;
    };

    // Every value of the rows: text in UTF-8, binary columns as their bytes.
    values rows(const std::string& query)
    {
        values read;
        SQLHSTMT stmt = SQL_NULL_HSTMT;
        SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt);
        std::string text = query;
        if (!SQL_SUCCEEDED(SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS))) {
            ADD_FAILURE() << query << ": " << diagnostic(stmt);
            SQLFreeHandle(SQL_HANDLE_STMT, stmt);
            return read;
        }
        SQLSMALLINT count = 0;
        SQLNumResultCols(stmt, &count);
        for (SQLUSMALLINT i = 1; i <= count; ++i) {
            SQLCHAR name[256] = {};
            SQLSMALLINT name_length = 0, type = 0, digits = 0, nullable = 0;
            SQLULEN size = 0;
            SQLDescribeCol(stmt, i, name, sizeof(name), &name_length, &type, &size, &digits, &nullable);
            read.columns.emplace_back(reinterpret_cast<char*>(name));
            read.types.push_back(type);
        }
        while (SQL_SUCCEEDED(SQLFetch(stmt))) {
            auto& cells = read.rows.emplace_back();
            for (SQLUSMALLINT i = 1; i <= count; ++i) {
                const bool binary = is_binary(read.types[i - 1]);
                std::string value;
                bool null = false;
                for (;;) {
                    char chunk[4096];
                    SQLLEN length = 0;
                    const SQLRETURN rc =
                        SQLGetData(stmt, i, binary ? SQL_C_BINARY : SQL_C_CHAR, chunk, sizeof(chunk), &length);
                    if (rc == SQL_NO_DATA || !SQL_SUCCEEDED(rc))
                        break;
                    if (length == SQL_NULL_DATA) {
                        null = true;
                        break;
                    }
                    const std::size_t room = binary ? sizeof(chunk) : sizeof(chunk) - 1;
                    const std::size_t got = length == SQL_NO_TOTAL || static_cast<std::size_t>(length) > room
                                                ? room
                                                : static_cast<std::size_t>(length);
                    value.append(chunk, got);
                    if (rc == SQL_SUCCESS)
                        break;
                }
                cells.push_back(null ? std::nullopt : std::optional<std::string>(value));
            }
        }
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        return read;
    }

    static bool is_binary(SQLSMALLINT type)
    {
        return type == SQL_BINARY || type == SQL_VARBINARY || type == SQL_LONGVARBINARY;
    }

private:
    static std::string diagnostic(SQLHSTMT stmt)
    {
        SQLCHAR state[6] = {}, text[1024] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        SQLGetDiagRec(SQL_HANDLE_STMT, stmt, 1, state, &native, text, sizeof(text), &length);
        return reinterpret_cast<char*>(text);
    }

    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    bool connected_ = false;
};

// A test against the server that MSSQL_TEST_SERVER names; skipped without one.
class server_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (environment("MSSQL_TEST_SERVER").empty())
            GTEST_SKIP() << "MSSQL_TEST_SERVER is not set: no SQL Server to convert into";
        master = std::make_unique<server_connection>("master");
        ASSERT_TRUE(master->connected()) << "cannot log into " << environment("MSSQL_TEST_SERVER");
        const auto version = master->rows("SELECT @@VERSION");
        babelfish =
            !version.rows.empty() && version.rows[0][0] && version.rows[0][0]->find("Babelfish") != std::string::npos;
    }

    bool server_ready() const { return !IsSkipped() && !HasFatalFailure(); }

    // A run in mode 0 went across whole. Babelfish cannot parse [PRIMARY] as
    // a constraint name: the peer refuses the key the run asks for, and the
    // run says so and exits -1.
    void expect_converted(const process_result& created) const
    {
        if (!babelfish) {
            EXPECT_EQ(created.exit_code, 0) << created.out << created.err;
            return;
        }
        EXPECT_EQ(created.exit_code, 255) << created.out << created.err;
        EXPECT_NE((created.out + created.err).find("primary key 'PRIMARY' could not be created"), std::string::npos)
            << created.out << created.err;
        EXPECT_NE(created.out.find(" 0 skipped;"), std::string::npos) << created.out;
    }

    // Babelfish cannot parse the run's [PRIMARY] constraint name, so the key
    // a merge goes by is made here under a name it takes.
    void add_key_the_peer_refused(server_connection& target, const std::string& table, const std::string& column)
    {
        if (!babelfish)
            return;
        EXPECT_EQ(
            target.run("IF NOT EXISTS (SELECT 1 FROM sys.key_constraints WHERE parent_object_id = OBJECT_ID('dbo." +
                       table + "')) ALTER TABLE [dbo].[" + table + "] ADD CONSTRAINT [pk_" + table +
                       "] PRIMARY KEY ([" + column + "])"),
            "");
    }

    std::unique_ptr<server_connection> master;
    bool babelfish = false;
};
