// corvath against what could destroy or corrupt an earlier script (a run
// that leaves something behind, a log file that is the script or no file at
// all, a full disk, the leftovers of a killed run, signals) and against
// options and settings that would change a run in silence. Each case gives
// its exit code, a line it shows (on the console or in the log) and what
// became of the earlier script.
#include "agent/corvath_process.h"
#include "agent/script_summary.h"
#include "agent/source_database.h"
#include "support/test_mariadb.h"
#include "toolkit/temp_folder.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <netinet/in.h>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int failed = 255;
const std::string earlier_text = "earlier script\r\nGO\r\n";
constexpr mode_t earlier_mode = 0600;

enum class earlier_script { kept, replaced, absent };

// What a case may change before its run.
struct run_setup {
    source_database& database;
    const temp_folder& folder;
    std::string script;
    std::vector<std::string> arguments;
    std::optional<off_t> file_size_limit;

    std::string log() const { return folder.file("run.log"); }
};

struct integrity_case {
    const char* label;
    std::function<void(run_setup&)> prepare;
    int exit_code;
    std::string line;  // on standard output or error, or in the log file
    earlier_script after;
};

void PrintTo(const integrity_case& tested, std::ostream* out)
{
    *out << tested.label;
}

std::string unique_database_name()
{
    const std::string test = testing::UnitTest::GetInstance()->current_test_info()->name();
    return "corvath_integrity_" + std::to_string(std::hash<std::string>{}(test) % 1000000);
}

mode_t mode_of(const std::string& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
}

// The temporary scripts of runs that did not finish, beside the script.
std::vector<std::string> leftovers(const temp_folder& folder, const std::string& script)
{
    const std::string prefix = std::filesystem::path(script).filename().string() + ".part-";
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        if (entry.path().filename().string().starts_with(prefix))
            found.push_back(entry.path().string());
    return found;
}

// A process id that no process holds any longer.
pid_t ended_process()
{
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

std::string profile_text(const std::string& sections, std::optional<std::string> user = {},
                         std::optional<std::string> password = {})
{
    const velmora_test::mariadb_endpoint server = velmora_test::mariadb_server();
    return sections + "[MySQL settings]\nhost=" + server.host + "\nport=" + std::to_string(server.port) +
           "\nuser=" + user.value_or(server.user) + "\npassword=" + password.value_or(server.password) + "\n";
}

// A login of the database's own whose password has blanks at both ends.
const std::string blank_password = " pass word ";

std::string add_blank_password_user(source_database& database)
{
    const std::string user = "u_" + database.name();
    database.run("DROP USER IF EXISTS '" + user + "'@'127.0.0.1'; CREATE USER '" + user +
                 "'@'127.0.0.1' IDENTIFIED BY '" + blank_password + "'; GRANT SELECT ON `" + database.name() +
                 "`.* TO '" + user + "'@'127.0.0.1'");
    return user;
}

// A server that takes the connection and hangs up before it greets, as a
// host that stops answering does once the time-out has run.
class hanging_up_server {
public:
    hanging_up_server() : m_socket(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(m_socket, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(m_socket, 4) != 0 ||
            ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("cannot listen on 127.0.0.1");
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] {
            for (int client; (client = ::accept(m_socket, nullptr, nullptr)) >= 0;)
                ::close(client);
        });
    }
    ~hanging_up_server()
    {
        ::shutdown(m_socket, SHUT_RDWR);
        m_thread.join();
        ::close(m_socket);
    }
    hanging_up_server(const hanging_up_server&) = delete;
    hanging_up_server& operator=(const hanging_up_server&) = delete;

    unsigned port() const { return m_port; }

private:
    int m_socket;
    unsigned m_port = 0;
    std::thread m_thread;
};

void add_big_table(source_database& database)
{
    database.run("CREATE TABLE big (id INT NOT NULL PRIMARY KEY, label VARCHAR(200) NOT NULL);"
                 "INSERT INTO big SELECT seq, REPEAT('x', 100) FROM seq_1_to_300000");
}

// Waits (up to ten seconds) until more than a megabyte of rows reached the
// temporary script: the run is then in the middle of the big table.
bool wait_for_rows(const temp_folder& folder, const std::string& script)
{
    for (int attempt = 0; attempt < 5000; ++attempt) {
        for (const std::string& path : leftovers(folder, script)) {
            std::error_code gone;
            if (std::filesystem::file_size(path, gone) > 1 << 20 && !gone)
                return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

const std::string log_is_script = "is the destination script file. Give the log a file of its own.\n";
const std::string log_not_a_file = "Logfile name specifies an existing link, device or pipe, not a regular file.\n";

const integrity_case integrity_cases[] = {
    {"case_only_table_name",
     [](run_setup& run) {
         // The server tells table names apart by case: ALPHA is no table.
         run.database.run("CREATE TABLE alpha (id INT PRIMARY KEY)");
         write_file(run.folder.file("tables.txt"), "ALPHA\n");
         run.arguments.push_back("--tab_file=" + run.folder.file("tables.txt"));
     },
     failed, "Table ALPHA not exists\n", earlier_script::kept},
    {"query_that_fails",
     [](run_setup& run) {
         write_file(run.folder.file("run.bwk"),
                    profile_text("[Selected Tables]\ncustomers\nbad=SELECT nothing FROM nowhere\n"));
         run.arguments.push_back("--profile=" + run.folder.file("run.bwk"));
     },
     failed, "' was not written; any earlier file of that name is left as it was.\n", earlier_script::kept},
    {"view_the_script_cannot_create",
     [](run_setup& run) {
         write_file(
             run.folder.file("run.bwk"),
             profile_text("[Selected Views]\nfirst_ten=WITH t AS (SELECT id FROM customers) SELECT id FROM t\n"));
         run.arguments.push_back("--profile=" + run.folder.file("run.bwk"));
     },
     failed, "Error:\nView 'first_ten': Its text is not a SELECT statement; the script does not create it.\n",
     earlier_script::kept},
    {"record_left_out",
     [](run_setup& run) {
         run.database.run("CREATE TABLE moments (id INT PRIMARY KEY, span TIME);"
                          "INSERT INTO moments VALUES (1, '01:00:00'), (2, '838:59:59')");
     },
     failed, "Summary: 7 tables converted, 0 failed; 27 rows written, 1 skipped;", earlier_script::kept},
    {"failed_run_without_earlier_script_writes_what_went_across",
     [](run_setup& run) {
         std::filesystem::remove(run.script);
         run.database.run("CREATE TABLE moments (id INT PRIMARY KEY, span TIME);"
                          "INSERT INTO moments VALUES (1, '838:59:59')");
     },
     failed, "Summary: 7 tables converted, 0 failed; 26 rows written, 1 skipped;", earlier_script::replaced},
    {"log_is_the_script", [](run_setup& run) { run.arguments.push_back("--logfile=" + run.script); }, failed,
     log_is_script, earlier_script::kept},
    {"log_is_a_hard_link_to_the_script",
     [](run_setup& run) {
         std::filesystem::create_hard_link(run.script, run.log());
         run.arguments.push_back("--logfile=" + run.log());
     },
     failed, log_is_script, earlier_script::kept},
    {"log_names_the_script_yet_to_be_written",
     [](run_setup& run) {
         std::filesystem::remove(run.script);
         std::filesystem::create_directory(run.folder.file("sub"));
         run.arguments.push_back("--logfile=" + run.folder.file("sub/../out.sql"));
     },
     failed, log_is_script, earlier_script::absent},
    {"log_is_a_symbolic_link",
     [](run_setup& run) {
         std::filesystem::create_symlink(run.folder.file("elsewhere.log"), run.log());
         run.arguments.push_back("--logfile=" + run.log());
     },
     failed, log_not_a_file, earlier_script::kept},
    {"log_is_a_pipe",
     [](run_setup& run) {
         ASSERT_EQ(mkfifo(run.log().c_str(), 0600), 0);
         run.arguments.push_back("--logfile=" + run.log());
     },
     failed, log_not_a_file, earlier_script::kept},
    {"log_is_a_device", [](run_setup& run) { run.arguments.push_back("--logfile=/dev/null"); }, failed, log_not_a_file,
     earlier_script::kept},
    {"disk_full_in_the_middle_of_a_table",
     [](run_setup& run) {
         add_big_table(run.database);
         write_file(run.folder.file("tables.txt"), "customers\nbig\norders\n");
         run.arguments.push_back("--tab_file=" + run.folder.file("tables.txt"));
         run.file_size_limit = 1 << 20;
     },
     failed, "Summary: 1 tables converted, 1 failed;", earlier_script::kept},
    {"complete_run_keeps_the_earlier_files_mode", [](run_setup&) {}, 0,
     "Summary: 6 tables converted, 0 failed; 26 rows written, 0 skipped; 0 other objects failed\n",
     earlier_script::replaced},
    {"leftover_of_a_killed_run_is_removed",
     [](run_setup& run) {
         write_file(run.script + ".part-" + std::to_string(ended_process()) + "-1", "half a script");
         run.arguments.push_back("--logfile=" + run.log());
     },
     0, "the unfinished script of an earlier run (process ", earlier_script::replaced},
};

void run_case(const integrity_case& tested)
{
    source_database database(unique_database_name(), std::string(VELMORA_SOURCE_DIR) + "/tools/sample/sample.sql",
                             "velmora_sample");
    temp_folder folder;
    run_setup run{database, folder, folder.file("out.sql"), test_server_options(), std::nullopt};
    run.arguments.insert(run.arguments.end(), {"--src=" + database.name(), "--dest=" + run.script, "--dump"});
    write_file(run.script, earlier_text);
    ::chmod(run.script.c_str(), earlier_mode);
    tested.prepare(run);
    if (testing::Test::HasFatalFailure())
        return;

    const process_result result = corvath_process(run.arguments, run.file_size_limit).finish();
    const bool log_written = std::filesystem::is_regular_file(std::filesystem::symlink_status(run.log()));
    const std::string shown = result.out + result.err + (log_written ? read_file(run.log()) : "");
    EXPECT_EQ(result.exit_code, tested.exit_code) << shown;
    EXPECT_NE(shown.find(tested.line), std::string::npos) << shown;
    EXPECT_EQ(leftovers(folder, run.script), std::vector<std::string>{});
    switch (tested.after) {
    case earlier_script::kept:
        EXPECT_EQ(read_file(run.script), earlier_text);
        EXPECT_EQ(mode_of(run.script), earlier_mode);
        break;
    case earlier_script::replaced:
        EXPECT_EQ(summarize_script(run.script).created_tables.size(), database.row_counts().size());
        if (tested.exit_code == 0) {
            EXPECT_EQ(mode_of(run.script), earlier_mode);
        }
        break;
    case earlier_script::absent: EXPECT_FALSE(std::filesystem::exists(run.script)); break;
    }
}

std::string case_label(const testing::TestParamInfo<integrity_case>& info)
{
    return info.param.label;
}

class corvath_keeps_the_earlier_script : public testing::TestWithParam<integrity_case> {};

TEST_P(corvath_keeps_the_earlier_script, unless_the_run_carried_everything_across)
{
    run_case(GetParam());
}

INSTANTIATE_TEST_SUITE_P(cases, corvath_keeps_the_earlier_script, testing::ValuesIn(integrity_cases), case_label);

const std::string usage = "Usage: corvath OPTIONS\n";

const integrity_case settings_cases[] = {
    // Only a whole name is an option without a value.
    {"value_given_to_tab_def", [](run_setup& run) { run.arguments.push_back("--tab_def=no"); }, failed, usage,
     earlier_script::kept},
    {"value_given_to_views", [](run_setup& run) { run.arguments.push_back("--views=0"); }, failed, usage,
     earlier_script::kept},
    {"longer_name_than_dump", [](run_setup& run) { run.arguments.push_back("--dumpster"); }, failed, usage,
     earlier_script::kept},
    // Passwords are taken as given, blanks and all.
    {"password_with_blanks_on_the_command_line",
     [](run_setup& run) {
         const std::string user = add_blank_password_user(run.database);
         run.arguments.insert(run.arguments.end(), {"--mysqlu=" + user, "--mysqlp=" + blank_password});
     },
     0, "Summary: 6 tables converted, 0 failed;", earlier_script::replaced},
    {"password_with_blanks_in_a_profile",
     [](run_setup& run) {
         const std::string user = add_blank_password_user(run.database);
         write_file(run.folder.file("run.bwk"), profile_text("", user, blank_password));
         run.arguments.push_back("--profile=" + run.folder.file("run.bwk"));
     },
     0, "Summary: 6 tables converted, 0 failed;", earlier_script::replaced},
    {"profile_with_a_byte_order_mark",
     [](run_setup& run) {
         write_file(run.folder.file("run.bwk"), "\xEF\xBB\xBF" + profile_text("[Generic settings]\nskip indexes=1\n"));
         run.arguments.push_back("--profile=" + run.folder.file("run.bwk"));
     },
     0, "Summary: 6 tables converted, 0 failed;", earlier_script::replaced},
    // A server never reached is no connection lost.
    {"closed_port",
     [](run_setup& run) {
         run.arguments.insert(run.arguments.end(), {"--mysqlh=127.0.0.1", "--port=1"});
     },
     failed, "Error:\nCannot connect to the MySQL server at 127.0.0.1, port 1 (", earlier_script::kept},
    {"server_that_hangs_up",
     [](run_setup& run) {
         static hanging_up_server server;
         run.arguments.insert(run.arguments.end(), {"--mysqlh=127.0.0.1", "--port=" + std::to_string(server.port())});
     },
     failed, "Error:\nCannot connect to the MySQL server at 127.0.0.1, port ", earlier_script::kept},
};

class corvath_takes_settings_as_given : public testing::TestWithParam<integrity_case> {};

TEST_P(corvath_takes_settings_as_given, or_refuses_them_before_anything_changes)
{
    run_case(GetParam());
}

INSTANTIATE_TEST_SUITE_P(cases, corvath_takes_settings_as_given, testing::ValuesIn(settings_cases), case_label);

// A script run of the sample database and a large table over an earlier
// script, for the cases that act while its rows stream.
struct streaming_run {
    streaming_run()
    {
        add_big_table(database);
        write_file(script, earlier_text);
        arguments.insert(arguments.end(), {"--src=" + database.name(), "--dest=" + script, "--dump"});
    }

    source_database database{unique_database_name(), std::string(VELMORA_SOURCE_DIR) + "/tools/sample/sample.sql",
                             "velmora_sample"};
    temp_folder folder;
    const std::string script = folder.file("out.sql");
    std::vector<std::string> arguments = test_server_options();
};

// A signal in the middle of a table stops the run there: the temporary
// script goes, the earlier one stays byte for byte, the exit code says so.
// Two signals at once end it at the latest on the second.
struct signal_case {
    const char* label;
    std::vector<int> signals;
};

void PrintTo(const signal_case& tested, std::ostream* out)
{
    *out << tested.label;
}

class corvath_on_a_signal : public testing::TestWithParam<signal_case> {};

TEST_P(corvath_on_a_signal, removes_its_unfinished_script_and_keeps_the_earlier_one)
{
    streaming_run run;
    const temp_folder& folder = run.folder;
    const std::string& script = run.script;
    corvath_process corvath(run.arguments);

    // The signal waits until rows of the big table reach the temporary script.
    const bool sent = wait_for_rows(folder, script);
    for (int signal : GetParam().signals)
        ::kill(corvath.pid(), signal);
    const process_result result = corvath.finish();
    ASSERT_TRUE(sent) << result.out;
    EXPECT_EQ(result.exit_code, failed) << result.out << result.err;
    EXPECT_EQ(read_file(script), earlier_text);
    EXPECT_EQ(leftovers(folder, script), std::vector<std::string>{});
    if (GetParam().signals.size() == 1) {
        EXPECT_NE(result.out.find("The conversion was stopped by the user\n"), std::string::npos) << result.out;
        EXPECT_NE(result.out.find("' was not written; any earlier file of that name is left as it was.\n"),
                  std::string::npos)
            << result.out;
    }
}

INSTANTIATE_TEST_SUITE_P(signals, corvath_on_a_signal,
                         testing::Values(signal_case{"SIGTERM", {SIGTERM}}, signal_case{"SIGINT", {SIGINT}},
                                         signal_case{"SIGHUP", {SIGHUP}},
                                         signal_case{"SIGTERM_twice", {SIGTERM, SIGTERM}}),
                         [](const testing::TestParamInfo<signal_case>& info) { return std::string(info.param.label); });

// A table that the source loses after the check, while an earlier table
// streams, fails alone; the run goes on, ends incomplete and keeps the
// earlier script.
TEST(corvath_during_a_run, a_table_dropped_after_the_check_keeps_the_earlier_script)
{
    streaming_run run;
    const temp_folder& folder = run.folder;
    const std::string& script = run.script;
    write_file(folder.file("tables.txt"), "big\ncustomers\norders\n");
    run.arguments.push_back("--tab_file=" + folder.file("tables.txt"));
    corvath_process corvath(run.arguments);
    const bool streaming = wait_for_rows(folder, script);
    if (streaming)
        run.database.run("SET FOREIGN_KEY_CHECKS = 0; DROP TABLE customers");
    const process_result result = corvath.finish();
    ASSERT_TRUE(streaming) << result.out;
    EXPECT_EQ(result.exit_code, failed) << result.out << result.err;
    EXPECT_NE(result.out.find("Error:\ncustomers: "), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Summary: 2 tables converted, 1 failed;"), std::string::npos) << result.out;
    EXPECT_EQ(read_file(script), earlier_text);
    EXPECT_EQ(leftovers(folder, script), std::vector<std::string>{});
}

// A database whose last table has keys, whose foreign keys and views are
// many, each with a long name that makes a line of its own on the console:
// key and foreign key names T-SQL clients cannot read are mended and shown
// before their step, views a script cannot hold are reported during theirs.
void add_many_objects(source_database& database)
{
    const std::string padding(50, 'p');
    std::ostringstream keys;
    keys << "CREATE TABLE zz_keys (id INT PRIMARY KEY";
    for (int i = 0; i < 60; ++i)
        keys << ", c" << i << " INT, KEY `k$(" << 10 + i << padding << "` (c" << i << ")";
    keys << ")";
    database.run(keys.str());
    std::ostringstream foreign_keys;
    foreign_keys << "CREATE TABLE fk_child (id INT PRIMARY KEY";
    for (int i = 0; i < 60; ++i)
        foreign_keys << ", c" << i << " INT UNSIGNED, CONSTRAINT `fk$(" << 10 + i << padding << "` FOREIGN KEY (c" << i
                     << ") REFERENCES customers (id)";
    foreign_keys << ")";
    database.run(foreign_keys.str());
    std::ostringstream views;
    for (int i = 0; i < 150; ++i)
        views << "CREATE VIEW w_" << 100 + i << padding << " AS WITH x AS (SELECT 1 AS a) SELECT a FROM x;";
    database.run(views.str());
}

// A signal among the keys, foreign keys or views stops the run there as it
// does among rows: no script, no temporary file, a failed exit. The run's
// console is a pipe the test stops reading at a line of that step, so the
// run waits there until the signal has reached it.
struct step_case {
    const char* label;
    std::string line;
};

void PrintTo(const step_case& tested, std::ostream* out)
{
    *out << tested.label;
}

class corvath_stops_in_every_step : public testing::TestWithParam<step_case> {};

TEST_P(corvath_stops_in_every_step, on_a_signal_without_a_script)
{
    source_database database(unique_database_name(), std::string(VELMORA_SOURCE_DIR) + "/tools/sample/sample.sql",
                             "velmora_sample");
    add_many_objects(database);
    temp_folder folder;
    const std::string script = folder.file("out.sql");
    const std::string log = folder.file("run.log");
    std::vector<std::string> arguments = test_server_options();
    arguments.insert(arguments.end(),
                     {"--src=" + database.name(), "--dest=" + script, "--dump", "--views", "--logfile=" + log});
    corvath_process corvath(arguments, std::nullopt, output_capture::narrow_pipe);
    const bool reached = corvath.read_until(GetParam().line);
    if (reached)
        ::kill(corvath.pid(), SIGTERM);
    bool stopping = false;
    for (int attempt = 0; reached && attempt < 5000 && !stopping; ++attempt) {
        stopping = read_file(log).find("Got SIGTERM: the conversion stops at its next record") != std::string::npos;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    const process_result result = corvath.finish();
    ASSERT_TRUE(reached) << result.out << result.err;
    EXPECT_TRUE(stopping);
    EXPECT_EQ(result.exit_code, failed) << result.out << result.err;
    EXPECT_NE(result.out.find("The conversion was stopped by the user\n"), std::string::npos) << result.out;
    EXPECT_FALSE(std::filesystem::exists(script));
    EXPECT_EQ(leftovers(folder, script), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(steps, corvath_stops_in_every_step,
                         testing::Values(step_case{"keys", "Index of table 'zz_keys': 'k$(10"},
                                         step_case{"foreign_keys", "Foreign key: 'fk$(10"},
                                         step_case{"views", "Its text is not a SELECT statement"}),
                         [](const testing::TestParamInfo<step_case>& info) { return std::string(info.param.label); });

// The passwords of the command line are no longer in the process's
// arguments, which every local user can read, once the run goes.
TEST(corvath_during_a_run, passwords_are_gone_from_the_arguments)
{
    streaming_run run;
    const std::string mysql_password = velmora_test::mariadb_server().password;
    ASSERT_FALSE(mysql_password.empty());
    run.arguments.push_back("--mssqlp=ms-secret");
    corvath_process corvath(run.arguments);
    const bool streaming = wait_for_rows(run.folder, run.script);
    const std::string arguments = read_file("/proc/" + std::to_string(corvath.pid()) + "/cmdline");
    ::kill(corvath.pid(), SIGTERM);
    const process_result result = corvath.finish();
    ASSERT_TRUE(streaming) << result.out;
    EXPECT_EQ(arguments.find(mysql_password), std::string::npos);
    EXPECT_EQ(arguments.find("ms-secret"), std::string::npos);
    EXPECT_NE(arguments.find(std::string("--mysqlp=x") + '\0'), std::string::npos);
    EXPECT_NE(arguments.find(std::string("--mssqlp=x") + '\0'), std::string::npos);
    EXPECT_NE(arguments.find("--src=" + run.database.name()), std::string::npos);
}

}  // namespace
