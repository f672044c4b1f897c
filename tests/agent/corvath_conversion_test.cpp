// corvath converting databases of the private test server into T-SQL
// scripts, checked against the server's own row counts, and its failures
// to reach or log into the server.
#include "agent/corvath_process.h"
#include "agent/script_summary.h"
#include "agent/source_database.h"
#include "support/test_mariadb.h"

#include "toolkit/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int failed = 255;

std::string fixture(const std::string& name) { return std::string(VELMORA_FIXTURES_DIR) + "/" + name; }

std::vector<std::string> dump_options(const std::string& database, const std::string& script) {
    std::vector<std::string> arguments = test_server_options();
    arguments.insert(arguments.end(), {"--src=" + database, "--dest=" + script, "--dump"});
    return arguments;
}

std::string dbo(const std::string& table) { return "[dbo].[" + table + "]"; }

// Every base table of the database is created in the script with all its rows.
void expect_whole_database(source_database& database, const std::string& script) {
    const script_summary summary = summarize_script(script);
    const auto counts = database.row_counts();
    ASSERT_FALSE(counts.empty());
    EXPECT_EQ(summary.created_tables.size(), counts.size());
    for (const auto& [table, rows] : counts) {
        EXPECT_TRUE(summary.created_tables.contains(dbo(table))) << table;
        const auto inserted = summary.inserted_rows.find(dbo(table));
        EXPECT_EQ(inserted == summary.inserted_rows.end() ? 0 : inserted->second, rows) << table;
    }
}

struct database_case {
    const char* label;
    std::string sql_file;
    std::string own_name;  // the database name the file uses, if any
};

void PrintTo(const database_case& tested, std::ostream* out) { *out << tested.label; }

class corvath_converts : public testing::TestWithParam<database_case> {};

TEST_P(corvath_converts, every_table_and_row_into_a_script) {
    source_database database(std::string("corvath_") + GetParam().label, GetParam().sql_file, GetParam().own_name);
    temp_folder folder;
    const std::string script = folder.file("out.sql");
    const process_result result = run_corvath(dump_options(database.name(), script));
    ASSERT_EQ(result.exit_code, 0) << result.out << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out.find("Error"), std::string::npos) << result.out;
    expect_whole_database(database, script);
}

INSTANTIATE_TEST_SUITE_P(
    databases, corvath_converts,
    testing::Values(database_case{"sample", std::string(VELMORA_SOURCE_DIR) + "/tools/sample/sample.sql",
                                  "velmora_sample"},
                    database_case{"column_types", fixture("mysql/column_types.sql"), ""},
                    database_case{"structure", fixture("mysql/structure.sql"), ""}),
    [](const testing::TestParamInfo<database_case>& info) { return std::string(info.param.label); });

class corvath_run : public testing::Test {
protected:
    corvath_run() : database("corvath_run_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()).substr(0, 40),
                             std::string(VELMORA_SOURCE_DIR) + "/tools/sample/sample.sql", "velmora_sample") {}

    std::string script() const { return folder.file("out.sql"); }

    source_database database;
    temp_folder folder;
};

TEST_F(corvath_run, prints_progress_per_table) {
    const process_result result = run_corvath(dump_options(database.name(), script()));
    ASSERT_EQ(result.exit_code, 0) << result.out << result.err;
    EXPECT_TRUE(result.out.starts_with("Converting database " + database.name() + " (6 tables)\r\n")) << result.out;
    EXPECT_NE(result.out.find("Converting table customers(5 records)\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Converting table stock_moves(3 records)\n"), std::string::npos) << result.out;
}

TEST_F(corvath_run, silent_run_prints_nothing) {
    std::vector<std::string> arguments = dump_options(database.name(), script());
    arguments.push_back("--silent");
    const process_result result = run_corvath(arguments);
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    expect_whole_database(database, script());
}

TEST_F(corvath_run, table_list_file_selects_tables_in_its_order) {
    write_file(folder.file("tables.txt"), "\xEF\xBB\xBForders\r\n\r\nno_such_table\r\ncustomers\r\n");
    std::vector<std::string> arguments = dump_options(database.name(), script());
    arguments.push_back("--tab_file=" + folder.file("tables.txt"));
    const process_result result = run_corvath(arguments);
    ASSERT_EQ(result.exit_code, 0) << result.out << result.err;
    EXPECT_EQ(result.err, "Table no_such_table not exists\n");
    EXPECT_LT(result.out.find("Converting table orders("), result.out.find("Converting table customers("));
    const script_summary summary = summarize_script(script());
    EXPECT_EQ(summary.created_tables, (std::set<std::string>{dbo("orders"), dbo("customers")}));
    EXPECT_EQ(summary.inserted_rows.at(dbo("orders")), 4u);
    EXPECT_EQ(summary.inserted_rows.at(dbo("customers")), 5u);
}

TEST_F(corvath_run, table_definitions_only_writes_no_rows) {
    std::vector<std::string> arguments = dump_options(database.name(), script());
    arguments.push_back("--tab_def");
    const process_result result = run_corvath(arguments);
    ASSERT_EQ(result.exit_code, 0) << result.out << result.err;
    const script_summary summary = summarize_script(script());
    EXPECT_EQ(summary.created_tables.size(), 6u);
    EXPECT_TRUE(summary.inserted_rows.empty());
}

TEST_F(corvath_run, views_are_converted_when_asked_for) {
    const std::string view = "CREATE VIEW [dbo].[order_totals]";
    ASSERT_EQ(run_corvath(dump_options(database.name(), script())).exit_code, 0);
    EXPECT_EQ(read_file(script()).find(view), std::string::npos);

    std::vector<std::string> arguments = dump_options(database.name(), script());
    arguments.push_back("--views");
    ASSERT_EQ(run_corvath(arguments).exit_code, 0);
    EXPECT_NE(read_file(script()).find(view), std::string::npos);
}

TEST_F(corvath_run, replaces_an_existing_script_and_writes_the_log_file) {
    write_file(script(), "old contents");
    std::vector<std::string> arguments = dump_options(database.name(), script());
    arguments.push_back("--logfile=" + folder.file("run.log"));
    const process_result result = run_corvath(arguments);
    ASSERT_EQ(result.exit_code, 0) << result.out << result.err;
    EXPECT_EQ(read_file(script()).find("old contents"), std::string::npos);
    EXPECT_NE(read_file(folder.file("run.log")).find("Conversion started on"), std::string::npos);
    expect_whole_database(database, script());
}

// A profile that loads sets the connection; the connection options of the
// command line then count for nothing. Names given after it override its own.
TEST_F(corvath_run, loaded_profile_takes_the_place_of_connection_options) {
    const velmora_test::mariadb_endpoint server = velmora_test::mariadb_server();
    write_file(folder.file("run.bwk"), "[Generic settings]\nsrc=" + database.name() +
                                           "\n[MySQL settings]\nhost=" + server.host +
                                           "\nport=" + std::to_string(server.port) + "\nuser=" + server.user +
                                           "\npassword=" + server.password + "\n");
    const std::string profile = "--profile=" + folder.file("run.bwk");
    const std::string wrong_password = "--mysqlp=not the password";
    const std::string destination = "--dest=" + script();

    const process_result loaded = run_corvath({"--src=corvath_no_such_database", profile, destination, "--dump",
                                               wrong_password, "--port=1"});
    ASSERT_EQ(loaded.exit_code, 0) << loaded.out << loaded.err;
    expect_whole_database(database, script());

    const process_result renamed = run_corvath({profile, "--src=corvath_no_such_database", destination, "--dump"});
    EXPECT_EQ(renamed.exit_code, failed);
    EXPECT_NE(renamed.out.find("corvath_no_such_database"), std::string::npos) << renamed.out;

    // A profile that does not load leaves the connection options in force.
    write_file(folder.file("broken.bwk"), "no section before this line\n");
    const process_result broken = run_corvath({"--profile=" + folder.file("broken.bwk"), "--src=" + database.name(),
                                               destination, "--dump", wrong_password, "--mysqlh=127.0.0.1",
                                               "--port=" + std::to_string(server.port), "--mysqlu=" + server.user});
    EXPECT_EQ(broken.exit_code, failed);
    EXPECT_NE(broken.out.find("Access denied"), std::string::npos) << broken.out;

    const process_result missing = run_corvath({"--profile=" + folder.file("none.bwk"), "--src=db", destination});
    EXPECT_EQ(missing.exit_code, failed);
    EXPECT_EQ(missing.out, "Error:\nProfile does not exist. Please verify the correct path/name was given.\n");
}

TEST_F(corvath_run, wrong_password_is_a_failure) {
    std::vector<std::string> arguments = dump_options(database.name(), script());
    arguments.push_back("--mysqlp=not the password");
    const process_result result = run_corvath(arguments);
    EXPECT_EQ(result.exit_code, failed);
    EXPECT_NE(result.out.find("Access denied. Verify the user name and password are correct"), std::string::npos)
        << result.out;
    EXPECT_FALSE(std::filesystem::exists(script()));
}

TEST_F(corvath_run, missing_source_database_is_a_failure) {
    const process_result result = run_corvath(dump_options("corvath_no_such_database", script()));
    EXPECT_EQ(result.exit_code, failed);
    EXPECT_NE(result.out.find("corvath_no_such_database"), std::string::npos) << result.out;
}

}  // namespace
