#include "mysql/test_database.h"

#include "mysql/sql_engine.h"
#include "support/test_mariadb.h"

#include <fstream>
#include <gtest/gtest.h>
#include <stdexcept>

namespace velmora_test {

void connect_engine(sql_engine& engine)
{
    auto server = mariadb_server();
    engine.connect(server.host, server.user, server.password, static_cast<std::int32_t>(server.port));
}

mysql_connection connect_test_server(const char* database)
{
    auto server = mariadb_server();
    mysql_connection connection(mysql_init(nullptr));
    if (!connection)
        throw std::runtime_error("mysql_init failed");
    mysql_options(connection.get(), MYSQL_SET_CHARSET_NAME, "utf8mb4");
    if (mysql_real_connect(connection.get(), server.host.c_str(), server.user.c_str(), server.password.c_str(),
                           database, server.port, nullptr, 0) == nullptr)
        throw std::runtime_error(std::string("cannot connect to the test server: ") + mysql_error(connection.get()));
    return connection;
}

void execute(MYSQL* connection, const std::string& statement)
{
    if (mysql_query(connection, statement.c_str()) != 0)
        throw std::runtime_error(statement + ": " + mysql_error(connection));
    MYSQL_RES* result = mysql_store_result(connection);
    if (result != nullptr)
        mysql_free_result(result);
}

std::string query_value(MYSQL* connection, const std::string& statement)
{
    if (mysql_query(connection, statement.c_str()) != 0)
        throw std::runtime_error(statement + ": " + mysql_error(connection));
    std::unique_ptr<MYSQL_RES, decltype(&mysql_free_result)> result(mysql_store_result(connection), &mysql_free_result);
    MYSQL_ROW row = result ? mysql_fetch_row(result.get()) : nullptr;
    if (row == nullptr)
        throw std::runtime_error(statement + ": no row");
    return row[0] != nullptr ? row[0] : "";
}

std::string test_database_name(const std::string& prefix)
{
    std::string name = prefix + "_" + testing::UnitTest::GetInstance()->current_test_info()->name();
    return name.substr(0, 64);
}

namespace {

void run_fixture(MYSQL* connection, const std::string& fixture)
{
    std::string path = std::string(VELMORA_FIXTURES_DIR) + "/" + fixture;
    std::ifstream in(path);
    if (!in)
        throw std::runtime_error("cannot read the fixture " + path);
    std::string statement, line;
    while (std::getline(in, line)) {
        if (line.rfind("--", 0) == 0)
            continue;
        statement += line + "\n";
        auto end = line.find_last_not_of(" \t\r");
        if (end != std::string::npos && line[end] == ';') {
            execute(connection, statement);
            statement.clear();
        }
    }
}

std::string backticked(const std::string& name)
{
    std::string text = "`";
    for (char c : name)
        text += c == '`' ? std::string("``") : std::string(1, c);
    return text + "`";
}

}  // namespace

scratch_database::scratch_database(std::string name, const std::string& fixture)
    : name_(std::move(name)), connection_(connect_test_server())
{
    execute(connection(), "DROP DATABASE IF EXISTS " + backticked(name_));
    execute(connection(), "CREATE DATABASE " + backticked(name_) + " CHARACTER SET utf8mb4");
    if (mysql_select_db(connection(), name_.c_str()) != 0)
        throw std::runtime_error("cannot select " + name_ + ": " + mysql_error(connection()));
    if (!fixture.empty())
        run_fixture(connection(), fixture);
}

scratch_database::~scratch_database()
{
    mysql_query(connection(), ("DROP DATABASE IF EXISTS " + backticked(name_)).c_str());
}

}  // namespace velmora_test
