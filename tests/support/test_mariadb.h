#pragma once
// Where the private MariaDB server of the test run listens (tools/test_mariadb.sh).

#include <string>
#include <vector>

namespace velmora_test {

struct mariadb_endpoint {
    std::string host;
    unsigned port = 0;
    std::string user;
    std::string password;
    std::string socket;
};

// Reads the connection file named by VELMORA_TEST_MARIADB; fails the calling
// test with a clear message when the server was not started.
mariadb_endpoint mariadb_server();

// Runs the statements in order, outside any database; the text of the first
// failure, or an empty text when every statement ran.
std::string run_statements(const mariadb_endpoint& server, const std::vector<std::string>& statements);

}  // namespace velmora_test
