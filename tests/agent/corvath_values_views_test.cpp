// corvath writing values, views and keys that MS SQL Server would otherwise
// get changed or lose in silence: doubles beyond the range FLOAT is written
// with, DECIMAL wider than 38 digits, views that read other views, views the
// source server reports invalid, ON UPDATE clauses, keys over dates and
// case-sensitive texts, keys SQL Server cannot make, foreign keys into
// another database and tables wider than SQL Server allows. Each case gives its
// exit code, the log line that names what happened and what became of the
// script that stood at the destination before.
#include "agent/corvath_process.h"
#include "agent/source_database.h"
#include "toolkit/temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

constexpr int failed = 255;
const std::string earlier_script = "earlier script";

struct values_views_case {
    const char* label;
    std::vector<std::string> statements;  // the source database
    bool views;                           // --views
    int exit_code;
    // Lines of the log file; "{db}" stands for the source database's name.
    std::vector<std::string> log_lines;
    std::string summary;  // the last line printed
    // Even by a run that exits 0. A run that fails always keeps it.
    bool earlier_script_kept;
    // Texts the new script holds, in this order, when it replaced the earlier
    // one or, for a run that fails, where none stood.
    std::vector<std::string> script_in_order;
};

void PrintTo(const values_views_case& tested, std::ostream* out)
{
    *out << tested.label;
}

std::string with_database(std::string text, const std::string& database)
{
    const std::string mark = "{db}";
    for (std::size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + database.size()))
        text.replace(at, mark.size(), database);
    return text;
}

std::string summary_of(const char* counts)
{
    return std::string("Summary: ") + counts + "\n";
}

// An Aria table of more columns than MS SQL Server allows (MyISAM and Aria
// take 4096, InnoDB 1017).
std::string wide_table(int columns)
{
    std::string statement = "CREATE TABLE wide (c0 INT";
    for (int i = 1; i < columns; ++i)
        statement += ", c" + std::to_string(i) + " INT";
    return statement + ") ENGINE=Aria";
}

class corvath_values_and_views : public testing::TestWithParam<values_views_case> {};

TEST_P(corvath_values_and_views, are_reported_and_carried_as_the_case_says)
{
    const values_views_case& tested = GetParam();
    temp_folder folder;
    std::string setup;
    for (const std::string& statement : tested.statements)
        setup += statement + ";\n";
    write_file(folder.file("setup.sql"), setup);
    source_database database(std::string("corvath_vv_") + tested.label, folder.file("setup.sql"));
    const std::string script = folder.file("out.sql");
    const std::string log = folder.file("run.log");
    write_file(script, earlier_script);

    std::vector<std::string> arguments = test_server_options();
    arguments.insert(arguments.end(), {"--src=" + database.name(), "--dest=" + script, "--dump", "--logfile=" + log});
    if (tested.views)
        arguments.push_back("--views");
    const process_result result = run_corvath(arguments);

    EXPECT_EQ(result.exit_code, tested.exit_code) << result.out << result.err;
    const std::string logged = read_file(log);
    for (const std::string& line : tested.log_lines)
        EXPECT_NE(logged.find(with_database(line, database.name())), std::string::npos) << line << "\n" << logged;
    EXPECT_TRUE(result.out.ends_with("\n" + tested.summary)) << result.out;
    std::string written = read_file(script);
    if (tested.exit_code != 0) {
        // A run that changed or left out anything keeps the earlier script;
        // run where none stands, it writes what did go across.
        EXPECT_EQ(written, earlier_script);
        std::filesystem::remove(script);
        EXPECT_EQ(run_corvath(arguments).exit_code, tested.exit_code);
        written = read_file(script);
    }
    if (tested.earlier_script_kept) {
        EXPECT_EQ(written, earlier_script);
        return;
    }
    std::size_t at = 0;
    for (const std::string& text : tested.script_in_order) {
        at = written.find(text, at);
        ASSERT_NE(at, std::string::npos) << text << "\n" << written;
    }
}

INSTANTIATE_TEST_SUITE_P(
    cases, corvath_values_and_views,
    testing::Values(
        values_views_case{
            "largest_doubles",
            {"CREATE TABLE far (id INT PRIMARY KEY, v DOUBLE)",
             "INSERT INTO far VALUES (1, 1.7976931348623157e308), (2, -1.7976931348623157e308), (3, 1.5)"},
            false,
            failed,
            {"far, record #1: Column 'v': MS SQL Server cannot hold the value '1.7976931348623157e+308'; "
             "it was written as '1.79e+308'",
             "far, record #2: Column 'v': MS SQL Server cannot hold the value "
             "'-1.7976931348623157e+308'; it was written as '-1.79e+308'"},
            summary_of("1 tables converted, 0 failed; 3 rows written, 0 skipped; 0 other objects failed; "
                       "2 values changed"),
            false,
            {"VALUES (1, 1.7900000000000000e+308), (2, -1.7900000000000000e+308), (3, 1.5000000000000000e+00)"}},
        values_views_case{"smallest_doubles",
                          {"CREATE TABLE near (id INT PRIMARY KEY, v DOUBLE)",
                           "INSERT INTO near VALUES (1, 5e-324), (2, 1e-310), (3, 2.2e-308), (4, 2.23e-308)"},
                          false,
                          failed,
                          {"near, record #1: Column 'v': MS SQL Server cannot hold the value '5e-324'; it was written "
                           "as '2.23e-308'",
                           "near, record #2: Column 'v': MS SQL Server cannot hold the value '1e-310'; it was written "
                           "as '2.23e-308'",
                           "near, record #3: Column 'v': MS SQL Server cannot hold the value '2.2e-308'; it was "
                           "written as '2.23e-308'"},
                          summary_of("1 tables converted, 0 failed; 4 rows written, 0 skipped; 0 other objects failed; "
                                     "3 values changed"),
                          false,
                          {"CREATE TABLE [dbo].[near]", "(4, 2.2300000000000001e-308)"}},
        values_views_case{"decimal_wider_than_38_digits",
                          {"CREATE TABLE wide (id INT PRIMARY KEY, amount DECIMAL(50,5))",
                           "INSERT INTO wide VALUES (1, 123456789012345678901234567890123456789012.12345), (2, 1.5)"},
                          false,
                          failed,
                          {"wide, record #1: Column 'amount': MS SQL Server cannot hold the value "
                           "'123456789012345678901234567890123456789012.12345'; it was written as "
                           "'1.2345678901234568e+41'"},
                          summary_of("1 tables converted, 0 failed; 2 rows written, 0 skipped; 0 other objects failed; "
                                     "1 values changed"),
                          false,
                          {"[amount] FLOAT", "(2, 1.5)"}},
        values_views_case{"view_over_a_later_view",
                          {"CREATE TABLE item (id INT PRIMARY KEY)", "INSERT INTO item VALUES (1)",
                           "CREATE VIEW z_base AS SELECT id FROM item", "CREATE VIEW a_top AS SELECT id FROM z_base"},
                          true,
                          0,
                          {},
                          summary_of("1 tables converted, 0 failed; 1 rows written, 0 skipped; 0 other objects failed"),
                          false,
                          {"CREATE VIEW [dbo].[z_base]", "CREATE VIEW [dbo].[a_top]"}},
        values_views_case{"view_the_source_reports_invalid",
                          {"CREATE TABLE item (id INT PRIMARY KEY)", "CREATE TABLE gone (a INT)",
                           "CREATE VIEW lost AS SELECT a FROM gone", "DROP TABLE gone",
                           "CREATE VIEW kept AS SELECT id FROM item"},
                          true,
                          failed,
                          {"View 'lost': The source server reports the view invalid: View '{db}.lost' references "
                           "invalid table(s)"},
                          summary_of("1 tables converted, 0 failed; 0 rows written, 0 skipped; 1 other objects failed"),
                          false,
                          {"CREATE VIEW [dbo].[kept]"}},
        values_views_case{"on_update_current_timestamp",
                          {"CREATE TABLE stamped (id INT PRIMARY KEY, changed TIMESTAMP NOT NULL DEFAULT "
                           "CURRENT_TIMESTAMP ON UPDATE CURRENT_TIMESTAMP)",
                           "INSERT INTO stamped VALUES (1, '2020-01-02 03:04:05')"},
                          false,
                          0,
                          {"Table 'stamped', column 'changed': 'on update current_timestamp()' is not carried across; "
                           "MS SQL Server columns have no such clause"},
                          summary_of("1 tables converted, 0 failed; 1 rows written, 0 skipped; 0 other objects failed"),
                          false,
                          {"CREATE TABLE [dbo].[stamped]", "'2020-01-02 03:04:05'"}},
        values_views_case{
            "keys_over_dates_and_zero_date_defaults",
            {"CREATE TABLE sales (day DATE NOT NULL, shop INT NOT NULL, n INT, PRIMARY KEY (day, shop))",
             "CREATE TABLE ticks (at DATETIME(3) NOT NULL PRIMARY KEY, v INT)",
             "CREATE TABLE undated (id INT PRIMARY KEY, d DATE NOT NULL DEFAULT '0000-00-00', "
             "t DATETIME NOT NULL DEFAULT '0000-00-00 00:00:00', m TIME NOT NULL DEFAULT '00:00:00')",
             "INSERT INTO sales VALUES ('2024-05-01', 1, 3), ('0000-00-00', 1, 4)",
             "INSERT INTO ticks VALUES ('2024-05-01 10:00:00.125', 1)", "INSERT INTO undated (id) VALUES (1)"},
            false,
            0,
            {},
            summary_of("3 tables converted, 0 failed; 4 rows written, 0 skipped; 0 other objects failed"),
            false,
            {"[day] DATE NOT NULL", "ALTER TABLE [dbo].[sales] ADD PRIMARY KEY([day], [shop])",
             "[at] DATETIME2 NOT NULL", "ALTER TABLE [dbo].[ticks] ADD PRIMARY KEY([at])",
             "[d] DATE NOT NULL DEFAULT '1899-12-30'", "[t] DATETIME2 NOT NULL DEFAULT '1899-12-30 00:00:00'",
             "[m] TIME NOT NULL DEFAULT '00:00:00'"}},
        values_views_case{
            "keys_sql_server_cannot_make",
            {"CREATE TABLE coded (code VARCHAR(901) CHARACTER SET latin1 NOT NULL PRIMARY KEY)",
             "CREATE TABLE notes (id INT PRIMARY KEY, body TEXT, UNIQUE KEY body_start (body(20)), "
             "KEY body_words (body(10)))",
             "INSERT INTO notes VALUES (1, 'a'), (2, 'b')"},
            false,
            failed,
            {"Table '[dbo].[coded]': primary key 'PRIMARY' could not be created: its columns take up to 901 bytes, "
             "more than the 900 bytes of an MS SQL Server key",
             "Table '[dbo].[notes]': unique index 'body_start' could not be created: its column 'body' is a text or "
             "binary column",
             "Table '[dbo].[notes]': Index 'body_words' has been skipped: its column 'body' is a text or binary "
             "column"},
            summary_of("2 tables converted, 0 failed; 2 rows written, 0 skipped; 2 other objects failed"),
            false,
            {"CREATE TABLE [dbo].[coded]", "ALTER TABLE [dbo].[notes] ADD PRIMARY KEY([id])"}},
        values_views_case{
            "case_sensitive_keys",
            {"CREATE TABLE codes (code VARCHAR(10) CHARACTER SET utf8mb4 COLLATE utf8mb4_bin PRIMARY KEY)",
             "CREATE TABLE uses (id INT PRIMARY KEY, code VARCHAR(10) CHARACTER SET utf8mb4 COLLATE utf8mb4_bin, "
             "CONSTRAINT fk_code FOREIGN KEY (code) REFERENCES codes (code))",
             "CREATE TABLE names_cs (name VARCHAR(10) CHARACTER SET latin1 COLLATE latin1_general_cs PRIMARY KEY, "
             "note VARCHAR(10))",
             "INSERT INTO codes VALUES ('a'), ('A')", "INSERT INTO uses VALUES (1, 'a'), (2, 'A')",
             "INSERT INTO names_cs VALUES ('b', 'x'), ('B', 'y')"},
            false,
            0,
            {},
            summary_of("3 tables converted, 0 failed; 6 rows written, 0 skipped; 0 other objects failed"),
            false,
            {"[code] NVARCHAR(10) COLLATE Latin1_General_100_BIN2 NOT NULL",
             "[name] NVARCHAR(10) COLLATE Latin1_General_100_CS_AS NOT NULL", "[note] NVARCHAR(10) ",
             "[code] NVARCHAR(10) COLLATE Latin1_General_100_BIN2",
             "ADD CONSTRAINT [fk_code] FOREIGN KEY ([code]) REFERENCES [dbo].[codes]([code])"}},
        values_views_case{"key_into_another_database",
                          {"CREATE DATABASE IF NOT EXISTS corvath_vv_elsewhere",
                           "CREATE TABLE corvath_vv_elsewhere.base (id INT PRIMARY KEY)",
                           "CREATE TABLE base (id INT PRIMARY KEY)",
                           "CREATE TABLE child (id INT PRIMARY KEY, base_id INT, CONSTRAINT fk_elsewhere FOREIGN KEY "
                           "(base_id) REFERENCES corvath_vv_elsewhere.base (id))"},
                          false,
                          failed,
                          {"Table 'child': foreign key 'fk_elsewhere' could not be created: it references table 'base' "
                           "of another database, 'corvath_vv_elsewhere', which a foreign key of MS SQL Server cannot "
                           "reach"},
                          summary_of("2 tables converted, 0 failed; 0 rows written, 0 skipped; 1 other objects failed"),
                          false,
                          {"CREATE TABLE [dbo].[base]", "CREATE TABLE [dbo].[child]"}},
        values_views_case{"table_of_1030_columns",
                          {wide_table(1030), "INSERT INTO wide (c0) VALUES (1)", "CREATE TABLE narrow (id INT)"},
                          false,
                          failed,
                          {"The table has 1030 columns, more than the 1024 MS SQL Server allows in a table; neither "
                           "the table nor its rows are written"},
                          summary_of("1 tables converted, 1 failed; 0 rows written, 0 skipped; 0 other objects failed"),
                          false,
                          {"CREATE TABLE [dbo].[narrow]"}}),
    [](const testing::TestParamInfo<values_views_case>& info) { return std::string(info.param.label); });

}  // namespace
