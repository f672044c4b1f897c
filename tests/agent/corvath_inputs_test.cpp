// corvath with the files a user names on its command line: profiles that
// hold too little, input files named again as the script or the log, names
// the system cannot take. Each case gives its exit code, a line it shows and
// what became of every file it names.
#include "agent/corvath_process.h"
#include "agent/source_database.h"
#include "support/test_mariadb.h"
#include "toolkit/temp_folder.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int failed = 255;
const std::string table_list = "customers\n";

// What a file the case names is after the run.
enum class file_after { unchanged, absent, written };

struct named_file {
    std::string name;
    file_after after;
};

struct input_setup {
    const source_database& database;
    const temp_folder& folder;
    std::vector<std::string> arguments;

    std::string file(const std::string& name) const { return folder.file(name); }
};

struct input_case {
    const char* label;
    std::function<void(input_setup&)> prepare;
    int exit_code;
    // Shown on the console; "@" stands for the case's folder.
    std::string line;
    std::vector<named_file> files;
};

void PrintTo(const input_case& tested, std::ostream* out)
{
    *out << tested.label;
}

std::string replaced(std::string text, const std::string& folder)
{
    for (std::size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at + folder.size()))
        text.replace(at, 1, folder);
    return text;
}

// The test server's connection, as a profile holds it.
std::string connection_section()
{
    const velmora_test::mariadb_endpoint server = velmora_test::mariadb_server();
    return "[MySQL settings]\nhost=" + server.host + "\nport=" + std::to_string(server.port) + "\nuser=" + server.user +
           "\npassword=" + server.password + "\n";
}

// A path of more bytes than the system takes.
std::string overlong_path(const temp_folder& folder)
{
    return folder.file(std::string(5000, 'n') + ".sql");
}

std::string profile_with_source(const source_database& database)
{
    return "[Generic settings]\nsrc=" + database.name() + "\n";
}

// A run given the profile p.bwk of that text, with the script out.sql.
std::function<void(input_setup&)> with_profile(std::function<std::string(const input_setup&)> text)
{
    return [text](input_setup& run) {
        write_file(run.file("p.bwk"), text(run));
        run.arguments.insert(run.arguments.end(), {"--profile=" + run.file("p.bwk"), "--dest=" + run.file("out.sql")});
    };
}

const input_case input_cases[] = {
    {"empty_profile",
     with_profile([](const input_setup&) { return std::string(); }),
     failed,
     "Cannot load the profile '@/p.bwk': it holds no [section], so it is no profile",
     {{"p.bwk", file_after::unchanged}, {"out.sql", file_after::absent}}},
    {"profile_of_blank_lines",
     with_profile([](const input_setup&) { return std::string("\n  \n"); }),
     failed,
     "Cannot load the profile '@/p.bwk': it holds no [section], so it is no profile",
     {{"p.bwk", file_after::unchanged}, {"out.sql", file_after::absent}}},
    // The server, port, user and password of the command line stand where
    // the profile holds none: the run reaches the test server.
    {"profile_without_a_connection",
     with_profile([](const input_setup& run) { return profile_with_source(run.database); }),
     0,
     "Summary: 6 tables converted, 0 failed;",
     {{"p.bwk", file_after::unchanged}, {"out.sql", file_after::written}}},
    {"profile_before_the_connection_options",
     [](input_setup& run) {
         write_file(run.file("p.bwk"), profile_with_source(run.database));
         run.arguments.insert(run.arguments.begin(), "--profile=" + run.file("p.bwk"));
         run.arguments.push_back("--dest=" + run.file("out.sql"));
     },
     0,
     "Summary: 6 tables converted, 0 failed;",
     {{"p.bwk", file_after::unchanged}, {"out.sql", file_after::written}}},
    // What the profile holds stands over the command line.
    {"profile_with_its_own_port",
     with_profile(
         [](const input_setup& run) { return profile_with_source(run.database) + "[MySQL settings]\nport=1\n"; }),
     failed,
     ", port 1 (",
     {{"p.bwk", file_after::unchanged}, {"out.sql", file_after::absent}}},
    {"script_is_the_table_list",
     [](input_setup& run) {
         write_file(run.file("tables.txt"), table_list);
         run.arguments.insert(run.arguments.end(),
                              {"--tab_file=" + run.file("tables.txt"), "--dest=" + run.file("tables.txt")});
     },
     failed,
     "The destination script file '@/tables.txt' is the table-list file '@/tables.txt'. Give the script a file of "
     "its own.",
     {{"tables.txt", file_after::unchanged}}},
    {"script_is_the_profile_by_a_hard_link",
     [](input_setup& run) {
         write_file(run.file("p.bwk"), profile_with_source(run.database) + connection_section());
         ASSERT_EQ(::link(run.file("p.bwk").c_str(), run.file("p.sql").c_str()), 0);
         run.arguments.insert(run.arguments.end(), {"--profile=" + run.file("p.bwk"), "--dest=" + run.file("p.sql")});
     },
     failed,
     "The destination script file '@/p.sql' is the profile '@/p.bwk'. Give the script a file of its own.",
     {{"p.bwk", file_after::unchanged}, {"p.sql", file_after::unchanged}}},
    {"log_is_the_table_list",
     [](input_setup& run) {
         write_file(run.file("tables.txt"), table_list);
         run.arguments.insert(run.arguments.end(),
                              {"--tab_file=" + run.file("tables.txt"), "--logfile=" + run.file("tables.txt"),
                               "--dest=" + run.file("out.sql")});
     },
     failed,
     "The log file '@/tables.txt' is the table-list file '@/tables.txt'. Give the log a file of its own.",
     {{"tables.txt", file_after::unchanged}, {"out.sql", file_after::absent}}},
    {"log_is_the_profile_by_another_name",
     [](input_setup& run) {
         write_file(run.file("p.bwk"), profile_with_source(run.database) + connection_section());
         run.arguments.insert(run.arguments.end(), {"--logfile=" + run.folder.path() + "/./p.bwk",
                                                    "--profile=" + run.file("p.bwk"), "--dest=" + run.file("out.sql")});
     },
     failed,
     "The log file '@/./p.bwk' is the profile '@/p.bwk'. Give the log a file of its own.",
     {{"p.bwk", file_after::unchanged}, {"out.sql", file_after::absent}}},
    // A name is the bytes given, UTF-8 or not.
    {"script_name_that_is_no_utf8",
     [](input_setup& run) { run.arguments.push_back("--dest=" + run.file("bad\xff.sql")); },
     0,
     "Summary: 6 tables converted, 0 failed;",
     {{"bad\xff.sql", file_after::written}}},
    {"profile_name_that_is_no_utf8",
     [](input_setup& run) {
         write_file(run.file("p\xff.bwk"), profile_with_source(run.database) + connection_section());
         run.arguments.insert(run.arguments.end(),
                              {"--profile=" + run.file("p\xff.bwk"), "--dest=" + run.file("out.sql")});
     },
     0,
     "Summary: 6 tables converted, 0 failed;",
     {{"p\xff.bwk", file_after::unchanged}, {"out.sql", file_after::written}}},
    {"script_name_too_long",
     [](input_setup& run) { run.arguments.push_back("--dest=" + overlong_path(run.folder)); },
     failed,
     "Error:\nDestination name cannot be used: the file name is too long.\n",
     {}},
    {"log_name_too_long",
     [](input_setup& run) {
         run.arguments.insert(run.arguments.end(),
                              {"--logfile=" + overlong_path(run.folder), "--dest=" + run.file("out.sql")});
     },
     failed,
     "Error:\nLogfile name cannot be used: the file name is too long.\n",
     {{"out.sql", file_after::absent}}},
    {"script_name_part_too_long",
     [](input_setup& run) { run.arguments.push_back("--dest=" + run.file(std::string(300, 'n') + ".sql")); },
     failed,
     "Error:\nDestination name cannot be used: the file name is too long.\n",
     {}},
};

class corvath_inputs : public testing::TestWithParam<input_case> {};

TEST_P(corvath_inputs, give_a_clear_answer_and_write_no_input_file)
{
    const input_case& tested = GetParam();
    // A database of its own: the cases run side by side.
    const source_database database("corvath_inputs_" + std::string(tested.label),
                                   std::string(VELMORA_SOURCE_DIR) + "/tools/sample/sample.sql", "velmora_sample");
    temp_folder folder;
    input_setup run{database, folder, test_server_options()};
    run.arguments.insert(run.arguments.end(), {"--src=" + database.name(), "--dump"});
    tested.prepare(run);
    if (HasFatalFailure())
        return;
    // The inputs as the case made them, to compare with afterwards.
    std::vector<std::string> before;
    for (const named_file& file : tested.files)
        before.push_back(read_file(run.file(file.name)));

    const process_result result = run_corvath(run.arguments);
    const std::string shown = result.out + result.err;
    EXPECT_EQ(result.exit_code, tested.exit_code) << shown;
    EXPECT_NE(shown.find(replaced(tested.line, folder.path())), std::string::npos) << shown;
    for (std::size_t i = 0; i < tested.files.size(); ++i) {
        const std::string path = run.file(tested.files[i].name);
        switch (tested.files[i].after) {
        case file_after::unchanged:
            EXPECT_TRUE(std::filesystem::exists(path)) << path;
            EXPECT_EQ(read_file(path), before[i]) << path;
            break;
        case file_after::absent: EXPECT_FALSE(std::filesystem::exists(path)) << path; break;
        case file_after::written: EXPECT_GT(std::filesystem::file_size(path), 0u) << path; break;
        }
    }
    // Nothing but the files the case named is left in the folder.
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(std::any_of(tested.files.begin(), tested.files.end(), [&](const named_file& file) {
            return file.name == name;
        })) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(cases, corvath_inputs, testing::ValuesIn(input_cases),
                         [](const testing::TestParamInfo<input_case>& info) { return std::string(info.param.label); });

}  // namespace
