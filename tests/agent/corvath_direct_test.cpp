// corvath converting the fixture database of every column type straight into
// a SQL Server with its default options, in mode 0 and then merging into the
// tables it made (modes 3 and 4); every value is read back through ODBC and
// compared with the source. Runs when MSSQL_TEST_SERVER names a server (with
// MSSQL_TEST_LOGIN and MSSQL_TEST_PASSWORD); otherwise it reports itself
// skipped.
#include "agent/corvath_process.h"
#include "agent/source_database.h"
#include "agent/test_server.h"
#include "toolkit/temp_folder.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>
#include <sql.h>
#include <sqlext.h>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

std::string fixture(const std::string& name)
{
    return std::string(VELMORA_FIXTURES_DIR) + "/" + name;
}

// SQL Server's time with fractions (the driver's own type code).
constexpr SQLSMALLINT time_with_fraction = -154;

// A number as digits: no sign for zero, no trailing zeros after the point.
std::string plain_number(std::string text)
{
    if (!text.empty() && text[0] == '+')
        text.erase(0, 1);
    if (text.find('.') != std::string::npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.')
            text.pop_back();
    }
    if (const std::size_t point = text.find('.'); point == 0 || (point == 1 && text[0] == '-'))
        text = text.substr(0, point) + "0" + text.substr(point);
    return text == "-0" ? "0" : text;
}

// A date or time without the zeros that end its fraction.
std::string plain_time(std::string text)
{
    if (const std::size_t point = text.rfind('.'); point != std::string::npos && text.find(':') < point) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.')
            text.pop_back();
    }
    return text;
}

std::string big_endian_number(const std::string& bytes)
{
    unsigned long long value = 0;
    for (unsigned char byte : bytes)
        value = value << 8 | byte;
    return std::to_string(value);
}

std::string right_trimmed(std::string text)
{
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

// Whether the destination holds the source's value, in the terms of the
// column's destination type.
::testing::AssertionResult same_value(const std::optional<std::string>& source, bool source_bits,
                                      const std::optional<std::string>& destination, SQLSMALLINT type)
{
    if (!source || !destination) {
        if (source.has_value() == destination.has_value())
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << (source ? "source " + *source : "source NULL") << " / "
                                             << (destination ? "destination " + *destination : "destination NULL");
    }
    const std::string from = source_bits && !server_connection::is_binary(type) ? big_endian_number(*source) : *source;
    const std::string& to = *destination;
    bool equal = false;
    switch (type) {
    case SQL_BIT:
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT:
    case SQL_DECIMAL:
    case SQL_NUMERIC: equal = plain_number(from) == plain_number(to); break;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE: {
        const double a = std::strtod(from.c_str(), nullptr), b = std::strtod(to.c_str(), nullptr);
        equal = std::fabs(a - b) <= 1e-6 * std::max(1.0, std::fabs(a));
        break;
    }
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
    case SQL_TYPE_TIMESTAMP:
    case time_with_fraction: equal = plain_time(from) == plain_time(to); break;
    case SQL_CHAR:
    case SQL_WCHAR: equal = right_trimmed(from) == right_trimmed(to); break;
    default: equal = from == to;
    }
    if (equal)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "source '" << from << "' / destination '" << to << "' (ODBC type " << type
                                         << ")";
}

class corvath_direct : public server_test {
protected:
    void SetUp() override
    {
        server_test::SetUp();
        if (!server_ready())
            return;
        source = std::make_unique<source_database>(destination, fixture("mysql/column_types.sql"));
        // Babelfish has no GEOMETRY type: the peer converts the table without it.
        if (babelfish)
            source->run("ALTER TABLE all_types DROP COLUMN geo");
    }

    void TearDown() override
    {
        if (master && master->connected())
            master->run("IF DB_ID('" + destination + "') IS NOT NULL DROP DATABASE [" + destination + "]");
    }

    process_result convert(int mode)
    {
        std::vector<std::string> arguments = test_server_options();
        arguments.insert(arguments.end(),
                         {"--src=" + source->name(), "--dest=" + destination, "--mode=" + std::to_string(mode),
                          "--mssqlh=" + environment("MSSQL_TEST_SERVER"), "--mssqlu=" + environment("MSSQL_TEST_LOGIN"),
                          "--mssqlp=" + environment("MSSQL_TEST_PASSWORD")});
        return run_corvath(arguments);
    }

    // Compares every value of every row; `changed` names a cell the test
    // changed on the destination that is to stay as it is.
    void expect_every_value_equal(server_connection& target, const std::string& changed_column = {},
                                  const std::string& changed_value = {})
    {
        const source_database::values from = source->rows("SELECT * FROM all_types ORDER BY id");
        const server_connection::values to = target.rows("SELECT * FROM [dbo].[all_types] ORDER BY id");
        ASSERT_EQ(to.columns, from.columns);
        ASSERT_EQ(to.rows.size(), from.rows.size());
        for (std::size_t r = 0; r < from.rows.size(); ++r) {
            for (std::size_t c = 0; c < from.columns.size(); ++c) {
                if (r == 0 && from.columns[c] == changed_column) {
                    EXPECT_EQ(to.rows[r][c], std::optional<std::string>(changed_value));
                    continue;
                }
                EXPECT_TRUE(same_value(from.rows[r][c], from.bits[c], to.rows[r][c], to.types[c]))
                    << "row " << r + 1 << ", column " << from.columns[c];
            }
        }
    }

    std::string destination = "velmora_direct_" + std::to_string(getpid());
    std::unique_ptr<source_database> source;
};

TEST_F(corvath_direct, every_value_arrives_then_merges_skip_and_update_existing_rows)
{
    const process_result created = convert(0);
    expect_converted(created);
    server_connection target(destination);
    ASSERT_TRUE(target.connected());
    expect_every_value_equal(target);

    // The merges need the key the peer refused.
    add_key_the_peer_refused(target, "all_types", "id");

    // Mode 3 puts back a missing row and leaves a row that exists as it is.
    ASSERT_EQ(target.run("DELETE FROM [dbo].[all_types] WHERE id = 3"), "");
    ASSERT_EQ(target.run("UPDATE [dbo].[all_types] SET vc = N'changed' WHERE id = 1"), "");
    const process_result merged = convert(3);
    ASSERT_EQ(merged.exit_code, 0) << merged.out << merged.err;
    expect_every_value_equal(target, "vc", "changed");

    // Mode 4 brings the existing row back to the source's values.
    const process_result updated = convert(4);
    ASSERT_EQ(updated.exit_code, 0) << updated.out << updated.err;
    expect_every_value_equal(target);
}

// Mode 3 with keys of letters beyond any single-byte code page: a row whose
// key exists stays as it is, a missing one comes back with its key intact.
TEST_F(corvath_direct, mode_3_merges_by_non_ascii_text_keys)
{
    source->run("CREATE TABLE city (name VARCHAR(40) NOT NULL PRIMARY KEY, people INT NOT NULL);"
                "INSERT INTO city VALUES ('K\u00f6ln', 1), ('\u041c\u043e\u0441\u043a\u0432\u0430', 2), ('Lyon', 3)");
    const process_result created = convert(0);
    expect_converted(created);
    server_connection target(destination);
    ASSERT_TRUE(target.connected());
    add_key_the_peer_refused(target, "city", "name");
    ASSERT_EQ(target.run("DELETE FROM [dbo].[city] WHERE name = N'\u041c\u043e\u0441\u043a\u0432\u0430'"), "");
    ASSERT_EQ(target.run("UPDATE [dbo].[city] SET people = 10 WHERE name = N'K\u00f6ln'"), "");
    const process_result merged = convert(3);
    ASSERT_EQ(merged.exit_code, 0) << merged.out << merged.err;
    const server_connection::values rows = target.rows("SELECT name, people FROM [dbo].[city] ORDER BY people");
    const std::vector<std::vector<std::optional<std::string>>> expected = {
        {"\u041c\u043e\u0441\u043a\u0432\u0430", "2"}, {"Lyon", "3"}, {"K\u00f6ln", "10"}};
    EXPECT_EQ(rows.rows, expected);
}

// Values longer than the driver takes in a bulk copy (4096 bytes for
// FreeTDS) arrive whole wherever they stand: a picture in the first row,
// long and short values mixed in every column kind, a text of 64 MiB, and a
// text and a blob of megabytes in one row, each gathered on the server in
// parts.
TEST_F(corvath_direct, long_values_arrive_whole_at_any_position)
{
    source_database long_values(destination + "_long", fixture("mysql/long_values.sql"));
    std::vector<std::string> arguments = test_server_options();
    arguments.insert(arguments.end(),
                     {"--src=" + long_values.name(), "--dest=" + destination, "--mode=0",
                      "--mssqlh=" + environment("MSSQL_TEST_SERVER"), "--mssqlu=" + environment("MSSQL_TEST_LOGIN"),
                      "--mssqlp=" + environment("MSSQL_TEST_PASSWORD")});
    const process_result created = run_corvath(arguments);
    // Babelfish adds VARBINARY values as numbers where T-SQL joins them, so
    // the blob of row 7 cannot be gathered from its parts there: the peer's
    // run refuses that row, naming the column, and leaves it out.
    if (babelfish) {
        EXPECT_EQ(created.exit_code, 255);
        EXPECT_NE(created.out.find("6 rows written, 1 skipped;"), std::string::npos) << created.out;
        EXPECT_NE((created.out + created.err).find("column 'scan' (5120000 bytes)"), std::string::npos)
            << created.out << created.err;
    } else {
        expect_converted(created);
        EXPECT_NE(created.out.find("7 rows written, 0 skipped;"), std::string::npos) << created.out;
    }
    server_connection target(destination);
    ASSERT_TRUE(target.connected());
    const source_database::values from = long_values.rows(babelfish ? "SELECT * FROM pictures WHERE id <> 7 ORDER BY id"
                                                                    : "SELECT * FROM pictures ORDER BY id");
    const server_connection::values to = target.rows("SELECT * FROM [dbo].[pictures] ORDER BY id");
    ASSERT_EQ(to.columns, from.columns);
    ASSERT_EQ(to.rows.size(), from.rows.size());
    for (std::size_t r = 0; r < from.rows.size(); ++r) {
        for (std::size_t c = 0; c < from.columns.size(); ++c) {
            const std::optional<std::string>& a = from.rows[r][c];
            const std::optional<std::string>& b = to.rows[r][c];
            const std::string where = "row " + std::to_string(r + 1) + ", column " + from.columns[c];
            ASSERT_EQ(a.has_value(), b.has_value()) << where;
            if (!a)
                continue;
            // CHAR(10) comes back padded to its length.
            const std::string expected = a->size() < 64 ? right_trimmed(*a) : *a;
            const std::string actual = b->size() < 64 ? right_trimmed(*b) : *b;
            ASSERT_EQ(actual.size(), expected.size()) << where;
            const auto differ = std::mismatch(expected.begin(), expected.end(), actual.begin());
            EXPECT_TRUE(differ.first == expected.end())
                << where << ": first difference at byte " << (differ.first - expected.begin());
        }
    }
    EXPECT_EQ(from.rows[4][5]->size(), 64u << 20);
    master->run("IF DB_ID('" + destination + "') IS NOT NULL DROP DATABASE [" + destination + "]");
}

// Values, names, a default and a view that hold what T-SQL clients read as
// their own commands, converted straight into the server and, as a script,
// run through FreeTDS tsql, which reads a script line by line: both read
// back equal to the source, under the same mended names.
class corvath_client_commands : public server_test {
protected:
    void SetUp() override
    {
        server_test::SetUp();
        if (!server_ready())
            return;
        source = std::make_unique<source_database>(direct_name, fixture("converter/client_commands.sql"));
    }

    void TearDown() override
    {
        if (!master || !master->connected())
            return;
        for (const std::string& name : {direct_name, script_name})
            master->run("IF DB_ID('" + name + "') IS NOT NULL DROP DATABASE [" + name + "]");
    }

    std::vector<std::string> options(const std::string& destination) const
    {
        std::vector<std::string> arguments = test_server_options();
        arguments.insert(arguments.end(), {"--src=" + source->name(), "--dest=" + destination});
        return arguments;
    }

    // The script run through tsql into a database of its own; what tsql printed.
    std::string run_through_tsql(const std::string& script)
    {
        EXPECT_EQ(master->run("CREATE DATABASE [" + script_name + "]"), "");
        const auto [address, port] = server_address();
        const std::string command = "tsql -H '" + address + "' -p " + port + " -U '" + environment("MSSQL_TEST_LOGIN") +
                                    "' -P '" + environment("MSSQL_TEST_PASSWORD") + "' -D " + script_name + " < '" +
                                    script + "' 2>&1";
        std::string printed;
        if (std::FILE* tsql = popen(command.c_str(), "r")) {
            char chunk[4096];
            for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, tsql)) > 0;)
                printed.append(chunk, got);
            pclose(tsql);
        }
        return printed;
    }

    void expect_source_arrived(const std::string& database)
    {
        server_connection target(database);
        ASSERT_TRUE(target.connected()) << database;
        const auto expect_rows = [&](const std::string& from_query, const std::string& to_query,
                                     const std::vector<std::string>& columns) {
            const source_database::values from = source->rows(from_query);
            const server_connection::values to = target.rows(to_query);
            ASSERT_EQ(to.columns.size(), columns.size()) << to_query;
            for (std::size_t c = 0; c < columns.size(); ++c)
                EXPECT_TRUE(same_name(to.columns[c], columns[c])) << to.columns[c];
            EXPECT_EQ(to.rows, from.rows) << database << ": " << to_query;
        };
        expect_rows("SELECT id, body, tag FROM notes ORDER BY id",
                    "SELECT id, body, tag FROM [dbo].[notes] ORDER BY id", {"id", "body", "tag"});
        expect_rows("SELECT * FROM `odd\nGO\nDROP TABLE victim\n$(x)`",
                    "SELECT * FROM [dbo].[odd_GO_DROP TABLE victim__(x)]", {"id", "col_GO__(y)"});
        expect_rows("SELECT id FROM victim", "SELECT id FROM [dbo].[victim]", {"id"});
        // Babelfish keeps an index under its name followed by its table's
        // name and a hash.
        const std::string index =
            babelfish ? "name LIKE 'ix[_]GOodd[_]GO[_]drop table victim[_][_]%'" : "name = 'ix_GO'";
        for (const std::string& object : {"SELECT name FROM sys.indexes WHERE " + index,
                                          std::string("SELECT name FROM sys.foreign_keys WHERE name = 'fk_exit'")})
            EXPECT_EQ(target.rows(object).rows.size(), 1u) << database << ": " << object;
    }

    static bool same_name(std::string a, std::string b)
    {
        std::transform(a.begin(), a.end(), a.begin(), [](unsigned char c) { return std::tolower(c); });
        std::transform(b.begin(), b.end(), b.begin(), [](unsigned char c) { return std::tolower(c); });
        return a == b;
    }

    std::string direct_name = "velmora_commands_" + std::to_string(getpid());
    std::string script_name = "velmora_commands_script_" + std::to_string(getpid());
    std::unique_ptr<source_database> source;
};

TEST_F(corvath_client_commands, direct_run_and_script_create_the_same_names_and_values)
{
    std::vector<std::string> direct = options(direct_name);
    direct.insert(direct.end(),
                  {"--mode=0", "--mssqlh=" + environment("MSSQL_TEST_SERVER"),
                   "--mssqlu=" + environment("MSSQL_TEST_LOGIN"), "--mssqlp=" + environment("MSSQL_TEST_PASSWORD")});
    // Babelfish looks the names of a view made on a login's connection up in
    // a schema of that login, which it never creates: the direct run leaves
    // the views out there.
    if (!babelfish)
        direct.push_back("--views");
    const process_result created = run_corvath(direct);
    expect_converted(created);
    expect_source_arrived(direct_name);
    if (!babelfish) {
        server_connection target(direct_name);
        EXPECT_EQ(target.rows("SELECT c FROM [dbo].[seen_GO]").rows.size(), 1u);
    }

    temp_folder folder;
    const std::string script = folder.file("commands.sql");
    std::vector<std::string> dump = options(script);
    dump.insert(dump.end(), {"--dump", "--views"});
    const process_result written = run_corvath(dump);
    ASSERT_EQ(written.exit_code, 0) << written.out << written.err;
    const std::string printed = run_through_tsql(script);
    EXPECT_EQ(printed.find("Msg "), std::string::npos) << printed;
    expect_source_arrived(script_name);
    server_connection target(script_name);
    const server_connection::values seen = target.rows("SELECT c, q FROM [dbo].[seen_GO]");
    ASSERT_EQ(seen.rows.size(), 1u);
    EXPECT_EQ(seen.rows[0][1], std::optional<std::string>("a\n:r x"));
}

// A source as many servers have it, straight into the server: FLOAT values
// as the REAL numbers they are, defaults of every kind, views over the time
// and over a renamed table, and views whose names differ only by case.
TEST_F(server_test, source_forms_arrive_as_the_server_takes_them)
{
    const std::string destination = "velmora_forms_" + std::to_string(getpid());
    source_database source(destination + "_src", fixture("converter/source_forms.sql"));
    temp_folder folder;
    const std::string log = folder.file("forms.log");
    std::vector<std::string> arguments = test_server_options();
    arguments.insert(arguments.end(),
                     // Babelfish creates views only for the database owner.
                     {"--src=" + source.name(), "--dest=" + destination, "--mode=0", "--views", "--as_dbo",
                      "--logfile=" + log, "--mssqlh=" + environment("MSSQL_TEST_SERVER"),
                      "--mssqlu=" + environment("MSSQL_TEST_LOGIN"), "--mssqlp=" + environment("MSSQL_TEST_PASSWORD")});
    const process_result created = run_corvath(arguments);
    // concat('a','b') has no T-SQL counterpart: that default stays behind.
    EXPECT_EQ(created.exit_code, 255);
    std::ifstream log_file(log);
    const std::string logged((std::istreambuf_iterator<char>(log_file)), std::istreambuf_iterator<char>());
    EXPECT_NE(logged.find("the default 'concat('a','b')' of column 'c'"), std::string::npos) << logged;
    server_connection target(destination);
    ASSERT_TRUE(target.connected());

    const server_connection::values floats = target.rows("SELECT f FROM [dbo].[floats] ORDER BY id");
    const float expected[] = {16777215.0f, 123456.789f, 3.4028235e38f, -1.17549435e-38f, 0.0f, 1.5f};
    ASSERT_EQ(floats.rows.size(), 6u);
    for (std::size_t i = 0; i < 6; ++i) {
        ASSERT_TRUE(floats.rows[i][0]) << i;
        EXPECT_EQ(std::stof(*floats.rows[i][0]), expected[i]) << *floats.rows[i][0];
    }

    // A row that gives its key alone takes every default that went across.
    EXPECT_EQ(target.run("INSERT INTO [dbo].[defaults] (id) VALUES (2)"), "");
    const server_connection::values defaults =
        target.rows("SELECT t, v, q, b, LEN(u), CASE WHEN r >= 0 AND r < 1 THEN 1 END, s, i, "
                    "bt, CASE WHEN dt IS NOT NULL THEN 1 END, c FROM [dbo].[defaults] WHERE id = 2");
    ASSERT_EQ(defaults.rows.size(), 1u);
    const std::vector<std::optional<std::string>> taken = {"x", "",   "it's", "abc", "36",        "1",
                                                           "2", "-3", "1",    "1",   std::nullopt};
    EXPECT_EQ(defaults.rows[0], taken);

    for (const char* view : {"stamped", "reads_odd", "Base2", "_bASE2"})
        EXPECT_EQ(target.rows(std::string("SELECT COUNT(*) FROM [dbo].[") + view + "]").rows.size(), 1u)
            << view << created.out << created.err;
    EXPECT_EQ(target.rows("SELECT a FROM [dbo].[_bASE2]").rows.at(0).at(0), std::optional<std::string>("2"));
    master->run("IF DB_ID('" + destination + "') IS NOT NULL DROP DATABASE [" + destination + "]");
}

}  // namespace
