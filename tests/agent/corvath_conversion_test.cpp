// corvath converting databases of the private test server into T-SQL
// scripts, checked against the server's own row counts, and its failures
// to reach or log into the server.
#include "agent/corvath_process.h"
#include "agent/script_summary.h"
#include "agent/source_database.h"
#include "support/test_mariadb.h"
#include "toolkit/temp_folder.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int failed = 255;

std::string fixture(const std::string& name)
{
    return std::string(VELMORA_FIXTURES_DIR) + "/" + name;
}

std::vector<std::string> dump_options(const std::string& database, const std::string& script)
{
    std::vector<std::string> arguments = test_server_options();
    arguments.insert(arguments.end(), {"--src=" + database, "--dest=" + script, "--dump"});
    return arguments;
}

std::string dbo(const std::string& table)
{
    return "[dbo].[" + table + "]";
}

// Every base table of the database is created in the script with all its rows.
void expect_whole_database(source_database& database, const std::string& script)
{
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

void PrintTo(const database_case& tested, std::ostream* out)
{
    *out << tested.label;
}

class corvath_converts : public testing::TestWithParam<database_case> {};

TEST_P(corvath_converts, every_table_and_row_into_a_script)
{
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
    corvath_run()
        : database("corvath_run_" +
                       std::string(testing::UnitTest::GetInstance()->current_test_info()->name()).substr(0, 40),
                   std::string(VELMORA_SOURCE_DIR) + "/tools/sample/sample.sql", "velmora_sample")
    {}

    std::string script() const { return folder.file("out.sql"); }

    source_database database;
    temp_folder folder;
};

TEST_F(corvath_run, prints_progress_per_table)
{
    const process_result result = run_corvath(dump_options(database.name(), script()));
    ASSERT_EQ(result.exit_code, 0) << result.out << result.err;
    EXPECT_TRUE(result.out.starts_with("Converting database " + database.name() + " (6 tables)\r\n")) << result.out;
    EXPECT_NE(result.out.find("Converting table customers(5 records)\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Converting table stock_moves(3 records)\n"), std::string::npos) << result.out;
    EXPECT_TRUE(result.out.ends_with(
        "\nSummary: 6 tables converted, 0 failed; 26 rows written, 0 skipped; 0 other objects failed\n"))
        << result.out;
}

TEST_F(corvath_run, silent_run_prints_nothing)
{
    std::vector<std::string> arguments = dump_options(database.name(), script());
    arguments.push_back("--silent");
    const process_result result = run_corvath(arguments);
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    expect_whole_database(database, script());
}

TEST_F(corvath_run, table_list_file_selects_tables_in_its_order)
{
    write_file(folder.file("tables.txt"), "\xEF\xBB\xBForders\r\n\r\ncustomers\r\n");
    std::vector<std::string> arguments = dump_options(database.name(), script());
    arguments.push_back("--tab_file=" + folder.file("tables.txt"));
    const process_result result = run_corvath(arguments);
    ASSERT_EQ(result.exit_code, 0) << result.out << result.err;
    EXPECT_LT(result.out.find("Converting table orders("), result.out.find("Converting table customers("));
    const script_summary summary = summarize_script(script());
    EXPECT_EQ(summary.created_tables, (std::set<std::string>{dbo("orders"), dbo("customers")}));
    EXPECT_EQ(summary.inserted_rows.at(dbo("orders")), 4u);
    EXPECT_EQ(summary.inserted_rows.at(dbo("customers")), 5u);
}

// A listed table the source lacks stops the run before the script is begun.
TEST_F(corvath_run, a_missing_listed_table_converts_nothing)
{
    write_file(script(), "earlier script");
    write_file(folder.file("tables.txt"), "orders\nno_such_table\n");
    std::vector<std::string> arguments = dump_options(database.name(), script());
    arguments.push_back("--tab_file=" + folder.file("tables.txt"));
    const process_result result = run_corvath(arguments);
    EXPECT_EQ(result.exit_code, failed);
    EXPECT_EQ(result.err, "Table no_such_table not exists\n");
    EXPECT_EQ(read_file(script()), "earlier script");
    EXPECT_TRUE(result.out.ends_with("Summary: 0 tables converted, 1 failed; 0 rows written, 0 skipped; "
                                     "0 other objects failed\n"))
        << result.out;
}

// A table that fails leaves the run incomplete; the script holds the others.
TEST_F(corvath_run, a_failed_table_gives_a_failure_after_the_summary)
{
    const velmora_test::mariadb_endpoint server = velmora_test::mariadb_server();
    write_file(folder.file("run.bwk"), "[Selected Tables]\ncustomers\nbad=SELECT nothing FROM nowhere\n"
                                       "[MySQL settings]\nhost=" +
                                           server.host + "\nport=" + std::to_string(server.port) +
                                           "\nuser=" + server.user + "\npassword=" + server.password + "\n");
    std::vector<std::string> arguments = dump_options(database.name(), script());
    arguments.push_back("--profile=" + folder.file("run.bwk"));
    const process_result result = run_corvath(arguments);
    EXPECT_EQ(result.exit_code, failed);
    EXPECT_NE(result.out.find("Error:\nbad: "), std::string::npos) << result.out;
    EXPECT_TRUE(result.out.ends_with("Summary: 1 tables converted, 1 failed; 5 rows written, 0 skipped; "
                                     "0 other objects failed\n"))
        << result.out;
    EXPECT_EQ(summarize_script(script()).created_tables, (std::set<std::string>{dbo("customers")}));
}

// The stream of a large table breaks when the server kills the connection
// that reads it: the run stops there, and the earlier script stays.
TEST_F(corvath_run, a_connection_lost_mid_table_stops_the_run_and_keeps_the_old_script)
{
    database.run("CREATE TABLE big (id INT NOT NULL PRIMARY KEY, label VARCHAR(200) NOT NULL);"
                 "INSERT INTO big SELECT seq, REPEAT('x', 100) FROM seq_1_to_1000000");
    write_file(script(), "earlier script");
    corvath_process corvath(dump_options(database.name(), script()));
    // The kill waits until rows of the table reach the temporary script, so
    // that it lands while the rows stream rather than while the table opens.
    const auto rows_written = [&] {
        for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
            if (entry.path() != script() && entry.is_regular_file() && entry.file_size() > 1 << 20)
                return true;
        return false;
    };
    bool killed = false;
    for (int attempt = 0; attempt < 3000 && !killed; ++attempt) {
        const std::vector<std::string> readers =
            rows_written() ? database.column("SELECT id FROM information_schema.processlist WHERE db = '" +
                                             database.name() + "' AND info LIKE 'SELECT * FROM `big`%'")
                           : std::vector<std::string>{};
        killed = !readers.empty();
        if (killed)
            database.run("KILL " + readers.front());
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    const process_result result = corvath.finish();
    ASSERT_TRUE(killed) << result.out;
    EXPECT_EQ(result.exit_code, failed);
    EXPECT_EQ(read_file(script()), "earlier script");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
    EXPECT_NE(result.out.find("Error:\nbig, record #"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("The connection to the MySQL server was lost"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("The script file '" + script() +
                              "' was not written; any earlier file of that name "
                              "is left as it was.\n"),
              std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("\nSummary: "), std::string::npos) << result.out;
    EXPECT_NE(result.out.find(" tables converted, 1 failed;"), std::string::npos) << result.out;
}

// A log that cannot be written is said once, and the run is no success.
// (A name longer than the file system takes passes the checks before the
// run, and no line reaches the file.)
TEST_F(corvath_run, a_log_file_that_cannot_be_written_is_a_failure)
{
    const std::string log = folder.file(std::string(300, 'l') + ".log");
    std::vector<std::string> arguments = dump_options(database.name(), script());
    arguments.push_back("--logfile=" + log);
    const process_result result = run_corvath(arguments);
    EXPECT_EQ(result.exit_code, failed);
    EXPECT_EQ(result.err, "Cannot write the log file '" + log + "': File name too long\n");
    expect_whole_database(database, script());
}

TEST_F(corvath_run, table_definitions_only_writes_no_rows)
{
    std::vector<std::string> arguments = dump_options(database.name(), script());
    arguments.push_back("--tab_def");
    const process_result result = run_corvath(arguments);
    ASSERT_EQ(result.exit_code, 0) << result.out << result.err;
    const script_summary summary = summarize_script(script());
    EXPECT_EQ(summary.created_tables.size(), 6u);
    EXPECT_TRUE(summary.inserted_rows.empty());
}

TEST_F(corvath_run, views_are_converted_when_asked_for)
{
    const std::string view = "CREATE VIEW [dbo].[order_totals]";
    ASSERT_EQ(run_corvath(dump_options(database.name(), script())).exit_code, 0);
    EXPECT_EQ(read_file(script()).find(view), std::string::npos);

    std::vector<std::string> arguments = dump_options(database.name(), script());
    arguments.push_back("--views");
    ASSERT_EQ(run_corvath(arguments).exit_code, 0);
    EXPECT_NE(read_file(script()).find(view), std::string::npos);
}

TEST_F(corvath_run, replaces_an_existing_script_and_writes_the_log_file)
{
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
TEST_F(corvath_run, loaded_profile_takes_the_place_of_connection_options)
{
    const velmora_test::mariadb_endpoint server = velmora_test::mariadb_server();
    write_file(folder.file("run.bwk"), "[Generic settings]\nsrc=" + database.name() + "\n[MySQL settings]\nhost=" +
                                           server.host + "\nport=" + std::to_string(server.port) +
                                           "\nuser=" + server.user + "\npassword=" + server.password + "\n");
    const std::string profile = "--profile=" + folder.file("run.bwk");
    const std::string wrong_password = "--mysqlp=not the password";
    const std::string destination = "--dest=" + script();

    const process_result loaded =
        run_corvath({"--src=corvath_no_such_database", profile, destination, "--dump", wrong_password, "--port=1"});
    ASSERT_EQ(loaded.exit_code, 0) << loaded.out << loaded.err;
    expect_whole_database(database, script());

    const process_result renamed = run_corvath({profile, "--src=corvath_no_such_database", destination, "--dump"});
    EXPECT_EQ(renamed.exit_code, failed);
    EXPECT_NE(renamed.out.find("corvath_no_such_database"), std::string::npos) << renamed.out;

    // A profile that does not load is an error naming the file and the line;
    // nothing runs.
    struct broken_profile {
        std::string text;
        std::string cause;
    };
    for (const broken_profile& tested :
         {broken_profile{"\nno section before this line\n", "line 2: text before the first [section]"},
          broken_profile{"[Generic settings]\nsrc=x\n[Type Mappings]\ntables:\n  - name: t\n    fields:\n    fields:\n",
                         "line 7: 'fields:' does not fit the type mappings"}}) {
        write_file(folder.file("broken.bwk"), tested.text);
        write_file(script(), "earlier script");
        const process_result broken =
            run_corvath({"--profile=" + folder.file("broken.bwk"), "--src=" + database.name(), destination, "--dump"});
        EXPECT_EQ(broken.exit_code, failed);
        EXPECT_EQ(broken.out,
                  "Error:\nCannot load the profile '" + folder.file("broken.bwk") + "': " + tested.cause + "\n");
        EXPECT_EQ(read_file(script()), "earlier script");
    }

    const process_result missing = run_corvath({"--profile=" + folder.file("none.bwk"), "--src=db", destination});
    EXPECT_EQ(missing.exit_code, failed);
    EXPECT_EQ(missing.out, "Error:\nProfile does not exist. Please verify the correct path/name was given.\n");
}

TEST_F(corvath_run, wrong_password_is_a_failure)
{
    std::vector<std::string> arguments = dump_options(database.name(), script());
    arguments.push_back("--mysqlp=not the password");
    const process_result result = run_corvath(arguments);
    EXPECT_EQ(result.exit_code, failed);
    EXPECT_NE(result.out.find("Access denied. Verify the user name and password are correct"), std::string::npos)
        << result.out;
    EXPECT_FALSE(std::filesystem::exists(script()));
}

TEST_F(corvath_run, missing_source_database_is_a_failure_that_keeps_the_old_script)
{
    write_file(script(), "earlier script");
    const process_result result = run_corvath(dump_options("corvath_no_such_database", script()));
    EXPECT_EQ(result.exit_code, failed);
    EXPECT_NE(result.out.find("corvath_no_such_database"), std::string::npos) << result.out;
    EXPECT_EQ(read_file(script()), "earlier script");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

}  // namespace
