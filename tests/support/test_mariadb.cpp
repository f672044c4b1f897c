#include "support/test_mariadb.h"

#include <cstdlib>
#include <fstream>
#include <mysql.h>
#include <stdexcept>

namespace velmora_test {

mariadb_endpoint mariadb_server()
{
    const char* path = std::getenv("VELMORA_TEST_MARIADB");
    if (path == nullptr)
        throw std::runtime_error("VELMORA_TEST_MARIADB is not set: run the test through ctest");
    std::ifstream in(path);
    if (!in)
        throw std::runtime_error(std::string("the test server's connection file cannot be read: ") + path);
    mariadb_endpoint server;
    std::string line;
    while (std::getline(in, line)) {
        auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "host")
            server.host = value;
        else if (key == "port")
            server.port = static_cast<unsigned>(std::stoul(value));
        else if (key == "user")
            server.user = value;
        else if (key == "password")
            server.password = value;
        else if (key == "socket")
            server.socket = value;
    }
    if (server.port == 0)
        throw std::runtime_error(std::string("no port in the test server's connection file ") + path);
    return server;
}

std::string run_statements(const mariadb_endpoint& server, const std::vector<std::string>& statements)
{
    MYSQL* connection = mysql_init(nullptr);
    std::string failure;
    if (mysql_real_connect(connection, server.host.c_str(), server.user.c_str(), server.password.c_str(), nullptr,
                           server.port, nullptr, 0) == nullptr)
        failure = mysql_error(connection);
    for (const std::string& statement : statements) {
        if (failure.empty() && mysql_query(connection, statement.c_str()) != 0)
            failure = statement + ": " + mysql_error(connection);
    }
    mysql_close(connection);
    return failure;
}

}  // namespace velmora_test
