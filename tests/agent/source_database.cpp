#include "agent/source_database.h"

#include "support/test_mariadb.h"

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace {

std::string read_text(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    if (from.empty())
        return text;
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

}  // namespace

source_database::source_database(std::string name, const std::string& sql_path, const std::string& rename_from)
    : m_name(std::move(name)), m_connection(mysql_init(nullptr))
{
    const velmora_test::mariadb_endpoint server = velmora_test::mariadb_server();
    mysql_options(m_connection.get(), MYSQL_SET_CHARSET_NAME, "utf8mb4");
    if (!mysql_real_connect(m_connection.get(), server.host.c_str(), server.user.c_str(), server.password.c_str(),
                            nullptr, server.port, nullptr, CLIENT_MULTI_STATEMENTS))
        throw std::runtime_error(std::string("cannot connect to the test server: ") + mysql_error(m_connection.get()));
    run("DROP DATABASE IF EXISTS `" + m_name + "`; CREATE DATABASE `" + m_name + "` CHARACTER SET utf8mb4; USE `" +
        m_name + "`;");
    run(replaced(read_text(sql_path), rename_from, m_name));
}

source_database::~source_database()
{
    try {
        run("DROP DATABASE IF EXISTS `" + m_name + "`");
    } catch (const std::exception&) {
        // The server goes away with the test run anyway.
    }
}

void source_database::run(const std::string& statements)
{
    MYSQL* connection = m_connection.get();
    int status = mysql_real_query(connection, statements.data(), statements.size());
    for (;;) {
        if (status != 0)
            throw std::runtime_error(std::string("the test database: ") + mysql_error(connection));
        if (MYSQL_RES* result = mysql_store_result(connection))
            mysql_free_result(result);
        status = mysql_next_result(connection);
        if (status == -1)
            return;
    }
}

std::vector<std::string> source_database::column(const std::string& query)
{
    MYSQL* connection = m_connection.get();
    if (mysql_real_query(connection, query.data(), query.size()) != 0)
        throw std::runtime_error(query + ": " + mysql_error(connection));
    std::unique_ptr<MYSQL_RES, decltype(&mysql_free_result)> result(mysql_store_result(connection), &mysql_free_result);
    std::vector<std::string> values;
    while (MYSQL_ROW row = result ? mysql_fetch_row(result.get()) : nullptr)
        values.emplace_back(row[0] ? row[0] : "");
    return values;
}

source_database::values source_database::rows(const std::string& query)
{
    MYSQL* connection = m_connection.get();
    if (mysql_real_query(connection, query.data(), query.size()) != 0)
        throw std::runtime_error(query + ": " + mysql_error(connection));
    std::unique_ptr<MYSQL_RES, decltype(&mysql_free_result)> result(mysql_store_result(connection), &mysql_free_result);
    values read;
    if (!result)
        return read;
    constexpr unsigned binary_charset = 63;
    const unsigned count = mysql_num_fields(result.get());
    const MYSQL_FIELD* fields = mysql_fetch_fields(result.get());
    for (unsigned i = 0; i < count; ++i) {
        read.columns.emplace_back(fields[i].name);
        read.bits.push_back(fields[i].type == MYSQL_TYPE_BIT);
        read.bytes.push_back(read.bits.back() || fields[i].charsetnr == binary_charset);
    }
    while (MYSQL_ROW row = mysql_fetch_row(result.get())) {
        const unsigned long* lengths = mysql_fetch_lengths(result.get());
        auto& cells = read.rows.emplace_back();
        for (unsigned i = 0; i < count; ++i)
            cells.push_back(row[i] ? std::optional<std::string>(std::string(row[i], lengths[i])) : std::nullopt);
    }
    return read;
}

std::map<std::string, std::uint64_t> source_database::row_counts()
{
    std::map<std::string, std::uint64_t> counts;
    for (const std::string& table :
         column("SELECT table_name FROM information_schema.tables WHERE table_type = 'BASE TABLE' "
                "AND table_schema = '" +
                m_name + "'")) {
        std::string quoted = "`";
        for (char c : table)
            quoted += c == '`' ? std::string("``") : std::string(1, c);
        quoted += "`";
        counts[table] = std::stoull(column("SELECT COUNT(*) FROM `" + m_name + "`." + quoted).at(0));
    }
    return counts;
}

std::vector<std::string> test_server_options()
{
    const velmora_test::mariadb_endpoint server = velmora_test::mariadb_server();
    return {"--mysqlh=" + server.host, "--port=" + std::to_string(server.port), "--mysqlu=" + server.user,
            "--mysqlp=" + server.password};
}
