// A MySQL database of the private test server, loaded from a SQL file for a
// conversion test and dropped afterwards.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mysql.h>
#include <optional>
#include <string>
#include <vector>

class source_database {
public:
    // Creates the database `name` and runs the SQL file in it. Each name that
    // the file gives its own database (`rename_from`) becomes `name`.
    source_database(std::string name, const std::string& sql_path, const std::string& rename_from = {});
    ~source_database();
    source_database(const source_database&) = delete;
    source_database& operator=(const source_database&) = delete;

    const std::string& name() const { return m_name; }
    // The exact row count of every base table, by table name.
    std::map<std::string, std::uint64_t> row_counts();

    // Statements run in the database.
    void run(const std::string& statements);
    // The first column of every row of the query's result.
    std::vector<std::string> column(const std::string& query);

    // Every value of a query's rows as the client library gives it: text in
    // UTF-8, the bytes of binary and BIT columns; nullopt for NULL.
    struct values {
        std::vector<std::string> columns;
        std::vector<bool> bytes;  // binary or BIT
        std::vector<bool> bits;   // BIT: the bytes are a big-endian number
        std::vector<std::vector<std::optional<std::string>>> rows;
    };
    values rows(const std::string& query);

private:
    struct closer {
        void operator()(MYSQL* connection) const { mysql_close(connection); }
    };

    std::string m_name;
    std::unique_ptr<MYSQL, closer> m_connection;
};

// The options that point corvath at the test server as the test user.
std::vector<std::string> test_server_options();
