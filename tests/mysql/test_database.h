#pragma once
// A scratch database on the private test server, created fresh from a SQL
// fixture and dropped again; the tests' own connection for setting up data.

#include <memory>
#include <mysql.h>
#include <string>

class sql_engine;

namespace velmora_test {

// Connects the engine to the test server with the test user.
void connect_engine(sql_engine& engine);

struct mysql_closer {
    void operator()(MYSQL* connection) const noexcept { mysql_close(connection); }
};
using mysql_connection = std::unique_ptr<MYSQL, mysql_closer>;

// A UTF-8 (utf8mb4) connection to the test server; throws std::runtime_error when refused.
mysql_connection connect_test_server(const char* database = nullptr);

// Runs one statement; throws std::runtime_error with the server's message.
void execute(MYSQL* connection, const std::string& statement);

// The first column of the first row of a query, empty for NULL.
std::string query_value(MYSQL* connection, const std::string& statement);

// A database name of its own for the running test case: ctest runs the cases
// of one executable in parallel.
std::string test_database_name(const std::string& prefix);

class scratch_database {
public:
    // Drops and creates `name`, then runs the statements of the fixture file
    // (relative to tests/fixtures, statements end with ';' at a line end).
    scratch_database(std::string name, const std::string& fixture = {});
    ~scratch_database();
    scratch_database(const scratch_database&) = delete;
    scratch_database& operator=(const scratch_database&) = delete;

    const std::string& name() const { return name_; }
    MYSQL* connection() const { return connection_.get(); }

private:
    std::string name_;
    mysql_connection connection_;
};

}  // namespace velmora_test
