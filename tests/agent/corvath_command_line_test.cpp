// corvath's answers to command lines that cannot start a conversion: the
// message, where it is printed, and the exit code a shell sees.
#include "agent/corvath_process.h"
#include "toolkit/temp_folder.h"

#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace {

constexpr int failed = 255;  // exit(-1) as a shell sees it
const char usage_start[] = "corvath v8.3\nUsage: corvath OPTIONS\n";

TEST(corvath_command_line, usage_goes_to_standard_error_with_exit_code_255)
{
    for (const std::vector<std::string>& arguments : {std::vector<std::string>{},
                                                      {"--help"},
                                                      {"--helpme"},
                                                      {"--src=db", "--dest=x.sql", "stray"},
                                                      {"--src", "--dest=x.sql"}}) {
        const process_result result = run_corvath(arguments);
        EXPECT_EQ(result.exit_code, failed) << testing::PrintToString(arguments);
        EXPECT_TRUE(result.err.starts_with(usage_start)) << result.err;
        EXPECT_EQ(result.out, "");
    }
}

struct refused_line {
    std::vector<std::string> arguments;
    std::string message;  // the whole standard error output
};

void PrintTo(const refused_line& line, std::ostream* out)
{
    *out << testing::PrintToString(line.arguments);
}

class corvath_refuses : public testing::TestWithParam<refused_line> {};

TEST_P(corvath_refuses, the_command_line_with_its_message)
{
    const process_result result = run_corvath(GetParam().arguments);
    EXPECT_EQ(result.exit_code, failed);
    EXPECT_EQ(result.err, GetParam().message);
    EXPECT_EQ(result.out, "");
}

const std::string invalid_mode = "Invalid merge/overwrite mode\n";
const std::string no_source = "You should enter source MySQL database name\n";
const std::string no_destination = "You should enter destination MS SQL database or T-SQL file name\n";
const std::string missing_list = "Table names file does not exist.\nPlease verify the correct path/name was given.\n";

INSTANTIATE_TEST_SUITE_P(
    cases, corvath_refuses,
    testing::Values(refused_line{{"--mode="}, invalid_mode}, refused_line{{"--mode=5"}, invalid_mode},
                    refused_line{{"--mode=-1"}, invalid_mode}, refused_line{{"--mode=01"}, invalid_mode},
                    refused_line{{"--mode=+1"}, invalid_mode}, refused_line{{"--mode= 1"}, invalid_mode},
                    refused_line{{"--mode=1x"}, invalid_mode},
                    refused_line{{"--mode=99999999999999999999"}, invalid_mode},
                    // A valid mode lets the walk go on to the missing names.
                    refused_line{{"--mode=4"}, no_source}, refused_line{{"--dest=x.sql", "--mode=0"}, no_source},
                    refused_line{{"--src=db"}, no_destination},
                    refused_line{{"--tab_file=/nonexistent/tables.txt", "--src=db"}, missing_list},
                    refused_line{{"--tab_file=/tmp", "--src=db"}, missing_list},
                    refused_line{{"--tab_file=/proc/self/mem", "--src=db"},
                                 "Table names file cannot be read.\nPlease verify the file's permissions.\n"},
                    // --silent quiets what comes after it, not what came before.
                    refused_line{{"--silent", "--src=db"}, ""},
                    // Only the whole name is the option: this one stays loud.
                    refused_line{{"--silentium", "--mode=7"}, invalid_mode},
                    refused_line{{"--tab_file=/nonexistent", "--silent"}, missing_list}));

TEST(corvath_command_line, fatal_errors_are_printed_on_standard_output)
{
    temp_folder folder;
    const process_result refused_log = run_corvath({"--logfile=" + folder.path(), "--src=db", "--dest=x.sql"});
    EXPECT_EQ(refused_log.exit_code, failed);
    EXPECT_EQ(refused_log.out, "Error:\nLogfile name specifies an existing path.\n");
}

// Only 1 to 65535 in digits is a port; nothing is read as some other port.
TEST(corvath_command_line, ports_outside_1_to_65535_or_not_in_digits_are_refused)
{
    temp_folder folder;
    for (const char* port : {"http", "0", "65536", "102177", "-1", "+3306", "36641x", " 36641 abc", "3306.0"}) {
        const process_result bad_port =
            run_corvath({"--src=db", "--dest=" + folder.file("x.sql"), "--dump", std::string("--port=") + port});
        EXPECT_EQ(bad_port.exit_code, failed) << port;
        EXPECT_EQ(bad_port.out, "Error:\nInvalid port number\n") << port;
    }
}

TEST(corvath_command_line, unreachable_mysql_server_is_a_failure)
{
    temp_folder folder;
    // Nothing listens on port 1; the refusal is immediate.
    const process_result result =
        run_corvath({"--src=db", "--dest=" + folder.file("x.sql"), "--script", "--mysqlh=127.0.0.1", "--port=1"});
    EXPECT_EQ(result.exit_code, failed);
    // The client's own reason stands between the address and the advice.
    EXPECT_TRUE(result.out.starts_with("Error:\nCannot connect to the MySQL server at 127.0.0.1, port 1 (Can't "))
        << result.out;
    EXPECT_TRUE(result.out.ends_with(
        "). Check to verify that MySQL server is launched and the correct host/port values were given.\n"))
        << result.out;
}

TEST(corvath_command_line, unreachable_ms_sql_server_is_a_failure)
{
    // Direct mode connects to MS SQL first; nothing listens on port 1.
    const process_result result =
        run_corvath({"--src=db", "--dest=db", "--mssqlh=127.0.0.1,1", "--mssqlu=sa", "--mssqlp=x"});
    EXPECT_EQ(result.exit_code, failed);
    EXPECT_TRUE(result.out.starts_with("Error:\n")) << result.out;
}

// Without --mssqlh the server on this machine is meant: the address is
// accepted and the connection tried, whatever answers there.
TEST(corvath_command_line, no_ms_sql_server_name_means_the_local_server)
{
    const process_result result = run_corvath({"--src=db", "--dest=db", "--mssqlu=sa", "--mssqlp=x"});
    EXPECT_EQ(result.exit_code, failed);
    EXPECT_TRUE(result.out.starts_with("Error:\n")) << result.out;
    EXPECT_EQ(result.out.find("cannot be used"), std::string::npos) << result.out;
}

}  // namespace
