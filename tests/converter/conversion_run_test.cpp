#include "converter/brantwick_convertor.h"
#include "converter/console_error_handler.h"
#include "converter/error_messages.h"
#include "converter/shell_services.h"
#include "model/profile.h"
#include "mssql/client_commands.h"
#include "mysql/test_database.h"
#include "support/test_mariadb.h"
#include "support/tsql_rules.h"
#include "toolkit/temp_folder.h"
#include "toolkit/tk_log.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <sys/resource.h>

namespace {

std::wstring widen(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

std::string unique_name()
{
    return ("velmora_conv_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name())).substr(0, 64);
}

std::size_t count(const std::string& text, const std::string& part)
{
    std::size_t found = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++found;
    return found;
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// A console converter connected to a fresh copy of the shop, writing a script.
class script_run : public ::testing::Test {
protected:
    explicit script_run(const char* fixture = "converter/shop.sql") : database(unique_name(), fixture)
    {
        const velmora_test::mariadb_endpoint server = velmora_test::mariadb_server();
        converter.store_mysql_settings(server.host, server.user, server.password, std::to_string(server.port));
        converter.connect_mysql_server();
        converter.set_source_name(widen(database.name()));
        converter.direct = false;
        converter.set_destination_name(std::filesystem::path(script).wstring());
        converter.set_silent(true);
    }

    // The run's console output and the script it wrote.
    std::string run()
    {
        converter.check_dest();
        testing::internal::CaptureStdout();
        converter();
        output = testing::internal::GetCapturedStdout();
        std::string sql = read_file(script);
        for (const std::string& breach : tsql::rule_breaches(sql))
            ADD_FAILURE() << "SQL Server would refuse the script: " << breach;
        return sql;
    }

    console_error_handler handler{oledb_error_message_count, oledb_error_messages};
    temp_folder folder;
    std::string script = folder.file("shop.sql");
    velmora_test::scratch_database database;
    brantwick_convertor converter{convertor_form::console};
    std::string output;
};

TEST_F(script_run, every_table_row_index_key_and_view)
{
    converter.convert_views = true;
    const std::string sql = run();
    EXPECT_FALSE(converter.is_aborted());
    EXPECT_TRUE(converter.is_finished());
    EXPECT_EQ(converter.tables_total, 0u);
    EXPECT_EQ(converter.tables_done, 0u);
    EXPECT_EQ(converter.table_names, (std::vector<std::wstring>{L"customer", L"document", L"purchase"}));

    for (const char* table : {"[dbo].[customer]", "[dbo].[purchase]", "[dbo].[document]"})
        EXPECT_TRUE(contains(sql, std::string("CREATE TABLE ") + table)) << table;
    EXPECT_EQ(count(sql, "INSERT INTO"), 3u);
    EXPECT_TRUE(contains(sql, "N'Борис'"));
    EXPECT_TRUE(contains(sql, "N'李雷'"));
    EXPECT_TRUE(contains(sql, "N'Köln'"));
    EXPECT_TRUE(contains(sql, "(1, 1, 12.5, N'first')"));
    EXPECT_EQ(count(sql, "ADD PRIMARY KEY"), 3u);
    EXPECT_TRUE(contains(sql, "CREATE UNIQUE INDEX [uq_customer_name]"));
    EXPECT_TRUE(contains(sql, "CREATE INDEX [ix_customer_code]"));
    EXPECT_TRUE(contains(sql, "CREATE INDEX [ix_purchase_note]"));
    EXPECT_TRUE(contains(sql, "FOREIGN KEY ([customer_id]) REFERENCES [dbo].[customer]([id])"));
    EXPECT_TRUE(contains(sql, "CREATE VIEW [dbo].[big_purchase]"));
    EXPECT_TRUE(contains(sql, "[name] NVARCHAR(60)"));
}

TEST_F(script_run, unicode_choice_off_writes_narrow_types)
{
    converter.script_options.unicode = false;
    converter.mssql_engine.view_owned = true;
    const std::string sql = run();
    EXPECT_FALSE(contains(sql, "NVARCHAR"));
    EXPECT_TRUE(contains(sql, "[name] VARCHAR(60)"));
    EXPECT_FALSE(converter.mssql_engine.view_owned);
}

TEST_F(script_run, console_progress_lines)
{
    converter.set_silent(false);
    converter.table_names = {L"customer"};
    run();
    EXPECT_EQ(output, "Converting database " + database.name() +
                          " (1 tables)\r\nConverting table customer(3 records)\n"
                          "Summary: 1 tables converted, 0 failed; 3 rows written, 0 skipped; 0 other objects failed\n");
    EXPECT_TRUE(converter.is_complete());
}

// The conversion log holds the shown lines as they are shown, each followed
// by the log's own line end, between the start and the end lines.
TEST_F(script_run, conversion_log_lines)
{
    const std::string log = folder.file("run.log");
    {
        tk_logger logger(log.c_str(), 1, 3, 0);
        converter.table_names = {L"customer"};
        run();
    }
    const std::string written = read_file(log);
    const std::size_t started = written.find("Conversion started on ");
    const std::size_t database_line =
        written.find("\r\nConverting database " + database.name() + " (1 tables)\r\n\r\n");
    const std::size_t table_line = written.find("\r\nConverting table customer (3 records)\r\n\r\n");
    const std::size_t ended = written.find("\r\nConversion ended on ");
    EXPECT_EQ(started, 0u) << written;
    EXPECT_LT(started, database_line) << written;
    EXPECT_LT(database_line, table_line) << written;
    EXPECT_LT(table_line, ended) << written;
    EXPECT_NE(ended, std::string::npos) << written;
}

TEST_F(script_run, query_stored_as_a_table)
{
    converter.selected = {{L"big", L"SELECT id, amount FROM purchase WHERE amount > 10"}};
    const std::string sql = run();
    EXPECT_TRUE(contains(sql, "CREATE TABLE [dbo].[big]"));
    EXPECT_FALSE(contains(sql, "CREATE TABLE [dbo].[customer]"));
    EXPECT_EQ(count(sql, "INSERT INTO [dbo].[big]"), 1u);
    EXPECT_TRUE(contains(sql, "VALUES (1, 12.5), (3, 100)"));
}

TEST_F(script_run, structure_only_and_skipped_indexes)
{
    converter.only_definitions = true;
    converter.skip_indexes = true;
    converter.set_silent(false);
    const std::string sql = run();
    EXPECT_EQ(count(sql, "CREATE TABLE"), 3u);
    EXPECT_FALSE(contains(sql, "INSERT INTO"));
    EXPECT_FALSE(contains(sql, "PRIMARY KEY"));
    EXPECT_FALSE(contains(sql, "INDEX"));
    EXPECT_FALSE(contains(sql, "FOREIGN KEY"));
    EXPECT_TRUE(contains(output, "Converting table purchase(3 records)"));
}

TEST_F(script_run, blob_columns_as_text)
{
    converter.table_names = {L"document"};
    std::string sql = run();
    EXPECT_TRUE(contains(sql, "0x706C61696E2074657874"));
    converter.blob2text = true;
    converter.table_names = {L"document"};
    converter.selected.clear();
    sql = run();
    EXPECT_TRUE(contains(sql, "N'plain text'"));
}

mss_native_type native(const std::wstring& type, std::uint64_t length = 0)
{
    mss_native_type result;
    result.type = type;
    result.length = length;
    return result;
}

TEST_F(script_run, rules_rename_retype_and_drop_fields)
{
    converter.convert_views = true;
    mss_table_mutator* customer = converter.get_table_mutator2(L"customer", L"client");
    customer->update_field(L"name", L"full_name", native(L"nvarchar", 100));
    customer->update_field(L"code", L"code", native(L"int"))->status = udb_mutators::deleted;
    customer->update_field(L"id", L"id", native(L"bigint"));
    const std::string sql = run();
    EXPECT_FALSE(converter.is_aborted());
    EXPECT_TRUE(contains(sql, "CREATE TABLE [dbo].[client]"));
    EXPECT_FALSE(contains(sql, "CREATE TABLE [dbo].[customer]"));
    EXPECT_TRUE(contains(sql, "[full_name] nvarchar(100)"));
    EXPECT_TRUE(contains(sql, "[id] bigint NOT NULL"));
    // The rule's type has no IDENTITY: nor has the table, which SQL Server
    // would refuse IDENTITY_INSERT for.
    EXPECT_FALSE(contains(sql, "IDENTITY"));
    EXPECT_FALSE(contains(sql, "[code]"));
    EXPECT_FALSE(contains(sql, "ix_customer_code"));
    EXPECT_TRUE(contains(sql, "CREATE UNIQUE INDEX [uq_customer_name] ON [dbo].[client]([full_name])"));
    EXPECT_TRUE(contains(sql, "INSERT INTO [dbo].[client] ([id], [full_name], [city])"));
    EXPECT_TRUE(contains(sql, "N'Борис'"));
    EXPECT_TRUE(contains(sql, "REFERENCES [dbo].[client]([id])"));
}

TEST_F(script_run, a_failing_field_rule_skips_only_its_record)
{
    converter.get_table_mutator2(L"purchase", L"purchase")->update_field(L"note", L"note", native(L"float"));
    handler.load_err_map(mysql_error_message_count, mysql_error_messages);
    const std::string sql = run();
    EXPECT_FALSE(converter.is_aborted());
    EXPECT_TRUE(contains(output, "purchase, record #1: Data conversion is not supported for given type mapping"));
    EXPECT_TRUE(contains(output, "purchase, record #2: Data conversion is not supported for given type mapping"));
    EXPECT_FALSE(contains(output, "record #3"));
    EXPECT_TRUE(contains(sql, "INSERT INTO [dbo].[purchase]"));
    EXPECT_TRUE(contains(sql, "VALUES (3, 2, 100, NULL)"));
    EXPECT_TRUE(contains(sql, "CREATE TABLE [dbo].[customer]"));
    EXPECT_EQ(handler.get_context(), "");
}

// Neither a missing table nor a repeated one is converted; a missing one
// stops the run before the script is begun, an earlier script stays.
TEST_F(script_run, selected_tables_are_checked_before_anything_is_written)
{
    write_file(script, "earlier script");
    converter.set_silent(false);
    // The server tells table names apart by case: CUSTOMER is not customer.
    converter.table_names = {L"nosuch", L"customer", L"CUSTOMER"};
    testing::internal::CaptureStderr();
    EXPECT_EQ(run(), "earlier script");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Table nosuch not exists\nTable CUSTOMER not exists\n");
    EXPECT_TRUE(converter.is_aborted());
    EXPECT_FALSE(converter.is_complete());
    EXPECT_TRUE(contains(output, "Nothing was converted: 2 selected tables are missing from the source database\n"));
    EXPECT_TRUE(
        output.ends_with("Summary: 0 tables converted, 2 failed; 0 rows written, 0 skipped; 0 other objects failed\n"))
        << output;

    converter.table_names = {L"customer", L"purchase", L"purchase", L"customer"};
    converter.selected.clear();
    const std::string sql = run();
    EXPECT_TRUE(converter.is_complete());
    EXPECT_EQ(count(output, "is selected more than once; it is converted once\n"), 2u) << output;
    EXPECT_EQ(count(sql, "CREATE TABLE [dbo].[customer]"), 1u);
    EXPECT_EQ(count(sql, "INSERT INTO [dbo].[customer]"), 1u);
    EXPECT_EQ(converter.get_tally().tables_converted, 2u);
}

// A table that fails leaves the others to be converted, and the run
// incomplete: its summary says what stayed behind.
TEST_F(script_run, a_failed_table_is_counted_and_the_others_follow)
{
    converter.set_silent(false);
    converter.selected = {{L"bad", L"SELECT nothing FROM nowhere"}};
    converter.table_names = {L"customer"};
    const std::string sql = run();
    EXPECT_FALSE(converter.is_aborted());
    EXPECT_FALSE(converter.is_complete());
    EXPECT_TRUE(contains(output, "Error:\nbad: "));
    EXPECT_TRUE(contains(sql, "CREATE TABLE [dbo].[customer]"));
    EXPECT_TRUE(
        output.ends_with("Summary: 1 tables converted, 1 failed; 3 rows written, 0 skipped; 0 other objects failed\n"))
        << output;
}

// A script that cannot be completed ends the console process with -1 after
// its last words; the earlier script stays and no part of the new one is left.
TEST_F(script_run, a_script_that_cannot_be_completed_leaves_the_earlier_one)
{
    write_file(script, "earlier script");
    handler.before_exit = [] { std::fputs("before exit\n", stderr); };
    EXPECT_EXIT(
        {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit{};
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = 100;
            setrlimit(RLIMIT_FSIZE, &limit);
            converter.check_dest();
            converter();
        },
        testing::ExitedWithCode(255), "before exit");
    EXPECT_EQ(read_file(script), "earlier script");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

TEST_F(script_run, a_source_that_cannot_be_opened_aborts_the_run)
{
    converter.set_source_name(L"velmora_conv_no_such_database");
    const std::string sql = run();
    EXPECT_TRUE(converter.is_aborted());
    EXPECT_TRUE(converter.is_finished());
    EXPECT_TRUE(contains(output, "Error:"));
}

TEST_F(script_run, runs_from_a_profile_alone)
{
    const velmora_test::mariadb_endpoint server = velmora_test::mariadb_server();
    const std::string profile = folder.file("shop.bwk");
    write_file(profile, "[Generic settings]\r\nsrc=" + database.name() + "\r\ndest=" + script +
                            "\r\nmode=2\r\n\r\n[Selected Tables]\r\nbig=SELECT id, amount FROM purchase\r\n"
                            "customer\r\npurchase\r\n\r\n[MySQL settings]\r\nhost=" +
                            server.host + "\r\nuser=" + server.user + "\r\npassword=" + server.password +
                            "\r\nport=" + std::to_string(server.port) +
                            "\r\n\r\n[MS SQL Server settings]\r\ndirect mode=0\r\n\r\n"
                            "[Type Mappings]\r\ntables:\r\n  - name: customer\r\n    new_name: client\r\n"
                            "    fields:\r\n");
    brantwick_convertor& fresh = converter;
    fresh.set_source_name(L"");
    fresh.set_destination_name(L"");
    fresh.direct = true;
    ASSERT_TRUE(fresh.load_profile_file(std::filesystem::path(profile).wstring()));
    fresh.connect_mysql_server();
    const std::string sql = run();
    EXPECT_FALSE(fresh.is_aborted());
    EXPECT_TRUE(contains(sql, "CREATE TABLE [dbo].[big]"));
    EXPECT_TRUE(contains(sql, "CREATE TABLE [dbo].[client]"));
    EXPECT_TRUE(contains(sql, "CREATE TABLE [dbo].[purchase]"));
    EXPECT_FALSE(contains(sql, "CREATE TABLE [dbo].[document]"));
    EXPECT_EQ(count(sql, "INSERT INTO"), 3u);
}

}  // namespace

namespace {

// The wizard's shell as the run sees it: what it shows and when.
class recording_shell final : public shell_services {
public:
    struct line {
        std::wstring text;
        std::uint32_t tables_total;
        std::uint32_t tables_done;
    };

    explicit recording_shell(const brantwick_convertor& converter) : m_converter(converter) {}

    bool is_window_ready() const override { return true; }
    void write_log(const std::wstring& text) override
    {
        lines.push_back({text, m_converter.tables_total, m_converter.tables_done});
    }
    void error_box(const std::wstring& text) override { errors.push_back(text); }
    void add_error(const std::string& text) override { collected.push_back(text); }
    void set_timer(std::uint32_t milliseconds) override { timer = milliseconds; }

    std::vector<line> lines;
    std::vector<std::wstring> errors;
    std::vector<std::string> collected;
    std::uint32_t timer = 0;

private:
    const brantwick_convertor& m_converter;
};

TEST_F(script_run, queries_first_then_tables_with_their_counts_in_the_shell)
{
    recording_shell shell(converter);
    converter.table_names = {L"customer", L"document", L"purchase"};
    converter.selected = {{L"q1", L"SELECT id FROM customer"}, {L"q2", L"SELECT id FROM purchase WHERE id = 1"}};
    run();
    EXPECT_EQ(shell.timer, 200u);
    EXPECT_TRUE(output.empty());
    ASSERT_EQ(shell.lines.size(), 7u);
    EXPECT_EQ(shell.lines[6].text,
              L"Summary: 5 tables converted, 0 failed; 12 rows written, 0 skipped; 0 other objects failed\r\n");
    EXPECT_EQ(shell.lines[0].text, L"Converting database " + widen(database.name()) + L" (3 tables)\r\n");
    const std::vector<std::wstring> expected = {
        L"Converting table q1 (3 records)\r\n", L"Converting table q2 (1 records)\r\n",
        L"Converting table customer (3 records)\r\n", L"Converting table document (2 records)\r\n",
        L"Converting table purchase (3 records)\r\n"};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(shell.lines[i + 1].text, expected[i]);
        EXPECT_EQ(shell.lines[i + 1].tables_total, 3u);
        EXPECT_EQ(shell.lines[i + 1].tables_done, i);
    }
    EXPECT_EQ(converter.tables_total, 0u);
    EXPECT_EQ(converter.tables_done, 0u);
    EXPECT_EQ(converter.get_current_table(), L"purchase");
}

// Under the wizard's shell a missing table is shown in the log box and kept
// for the finish page instead of printed; the run stops as on the console.
TEST_F(script_run, missing_table_under_a_shell_is_listed_for_the_finish_page)
{
    recording_shell shell(converter);
    converter.table_names = {L"nosuch", L"customer"};
    testing::internal::CaptureStderr();
    run();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(shell.collected, std::vector<std::string>{"Table nosuch not exists"});
    ASSERT_GE(shell.lines.size(), 2u);
    EXPECT_EQ(shell.lines[0].text, L"Table nosuch not exists\r\n");
    EXPECT_EQ(shell.lines[1].text,
              L"Nothing was converted: 1 selected tables are missing from the source database\r\n");
    EXPECT_TRUE(converter.is_aborted());
}

TEST_F(script_run, owners_public_and_sys_become_dbo_and_others_get_a_schema)
{
    recording_shell shell(converter);
    converter.table_names = {L"customer", L"purchase"};
    converter.get_table_mutator2(L"customer", L"PUBLIC.client");
    converter.get_table_mutator2(L"purchase", L"[sales].[orders]");
    const std::string sql = run();
    EXPECT_TRUE(contains(sql, "CREATE TABLE [dbo].[client]"));
    EXPECT_TRUE(contains(sql, "CREATE TABLE [sales].[orders]"));
    EXPECT_TRUE(contains(sql, "EXEC sp_executesql N'CREATE SCHEMA [sales]'"));
    EXPECT_EQ(shell.lines[2].text, L"Creating schema if necessary: 'sales'\r\n");
}

TEST_F(script_run, run_on_a_worker_thread_while_the_window_polls)
{
    class run_thread : public tk_thread {
    public:
        explicit run_thread(brantwick_convertor& converter) : tk_thread(false), m_converter(converter) {}

    protected:
        tk_thread_functor* create_functor() override { return &m_converter; }

    private:
        brantwick_convertor& m_converter;
    };
    run_thread worker(converter);
    converter.check_dest();
    worker.start();
    std::set<std::wstring> seen;
    while (!converter.is_finished())
        seen.insert(converter.get_current_table());
    EXPECT_FALSE(converter.is_aborted());
    EXPECT_TRUE(contains(read_file(script), "CREATE TABLE [dbo].[purchase]"));
    seen.insert(converter.get_current_table());
    EXPECT_TRUE(seen.count(L"purchase"));
}

TEST_F(script_run, source_tables_views_and_columns_for_the_wizard_pages)
{
    std::vector<std::wstring> tables = {L"stale"};
    converter.get_all_tables(tables);
    EXPECT_EQ(tables, (std::vector<std::wstring>{L"customer", L"document", L"purchase"}));
    std::vector<std::pair<std::wstring, std::wstring>> views = {{L"stale", L""}};
    converter.get_all_views(views);
    ASSERT_EQ(views.size(), 1u);
    EXPECT_EQ(views[0].first, L"big_purchase");
    const udb_schema schema = converter.get_schema(L"purchase");
    ASSERT_EQ(schema.size(), 4u);
    EXPECT_EQ(schema[2]->name, L"amount");
    EXPECT_EQ(schema[2]->precision, 10);
    EXPECT_THROW(converter.get_schema(L"nosuch"), tk_mail_assertion);
    EXPECT_TRUE(converter.test_query(L"SELECT id FROM customer"));
    EXPECT_FALSE(converter.test_query(L"SELECT nothing FROM nowhere"));
}

}  // namespace

namespace {

// The script of a fixture database, its bytes held to a stored copy.
// SQL Server compares table names ignoring case, MySQL on Linux does not:
// the second of two names equal but for case gets another name, reported,
// and what reads it by its source name (a foreign key) follows.
TEST_F(script_run, tables_whose_names_differ_only_in_case_get_names_of_their_own)
{
    for (const char* statement : {"CREATE TABLE Tc (id INT PRIMARY KEY)",
                                  "CREATE TABLE tc (id INT PRIMARY KEY, up INT, FOREIGN KEY (up) "
                                  "REFERENCES Tc (id))",
                                  "INSERT INTO Tc VALUES (1)", "INSERT INTO tc VALUES (2, 1)"})
        ASSERT_EQ(mysql_query(database.connection(), statement), 0) << mysql_error(database.connection());
    converter.table_names = {L"Tc", L"tc"};
    converter.set_silent(false);
    const std::string sql = run();
    EXPECT_TRUE(converter.is_complete()) << output;
    EXPECT_TRUE(contains(output, "Table: 'tc' becomes '_tc', since MS SQL Server compares table names ignoring "
                                 "case and the run made one of that name"))
        << output;
    EXPECT_TRUE(contains(sql, "CREATE TABLE [dbo].[Tc]")) << sql;
    EXPECT_TRUE(contains(sql, "CREATE TABLE [dbo].[_tc]")) << sql;
    EXPECT_TRUE(contains(sql, "ALTER TABLE [dbo].[_tc] ADD CONSTRAINT")) << sql;
    EXPECT_TRUE(contains(sql, "REFERENCES [dbo].[Tc]")) << sql;
}

class golden_script_run : public script_run {
protected:
    golden_script_run(const char* fixture, const char* stored) : script_run(fixture), stored_(stored) {}

    // The script without what changes from run to run: its folder and date.
    std::string stable(std::string sql) const
    {
        sql = std::regex_replace(sql, std::regex("Creation date: [0-9/]{10}"), "Creation date: MM/DD/YYYY");
        const std::string folder_text = folder.path() + "/";
        for (std::size_t at = sql.find(folder_text); at != std::string::npos; at = sql.find(folder_text, at))
            sql.replace(at, folder_text.size(), "OUT/");
        return sql;
    }

    std::string golden(const std::string& actual) const
    {
        const std::string path = std::string(VELMORA_FIXTURES_DIR) + "/converter/" + stored_;
        if (std::getenv("VELMORA_UPDATE_GOLDEN"))
            write_file(path, actual);
        return read_file(path);
    }

private:
    const char* stored_;
};

// The script of a database of edge values and names: every value arrives
// exactly, and what MS SQL Server cannot hold is reported with its table,
// record, column and value.
class edge_script_run : public golden_script_run {
protected:
    edge_script_run() : golden_script_run("converter/edge_values.sql", "edge_values_script.sql") {}
};

TEST_F(edge_script_run, every_value_and_name_arrives_or_is_reported)
{
    handler.reset_losses();
    const std::string sql = stable(run());
    EXPECT_EQ(sql, golden(sql));
    EXPECT_FALSE(converter.is_aborted());
    for (const char* report : {"moments, record #2: Column 'span': MS SQL Server cannot hold the value '838:59:59'",
                               "moments, record #3: Column 'span': MS SQL Server cannot hold the value '-01:00:00'",
                               "moments, record #4: Column 'day': MS SQL Server cannot hold the value '2020-05-00'"})
        EXPECT_TRUE(contains(output, report)) << report;
    EXPECT_EQ(handler.skipped_records(), 3u);
}

// Where a T-SQL text stands at a character: inside a literal, a bracketed
// name or a comment, or in the open, where a batch may end.
class tsql_position {
public:
    bool in_the_open() const { return !literal_ && !name_ && comments_ == 0 && !line_comment_; }

    void pass(const std::string& text, std::size_t& at)
    {
        const char c = text[at];
        const char next = at + 1 < text.size() ? text[at + 1] : '\0';
        if (literal_) {
            literal_ = c != '\'' || next == '\'';
            at += c == '\'' && next == '\'' ? 2 : 1;
        } else if (name_) {
            name_ = c != ']' || next == ']';
            at += c == ']' && next == ']' ? 2 : 1;
        } else if (line_comment_) {
            line_comment_ = c != '\n';
            ++at;
        } else if (c == '/' && next == '*') {
            ++comments_;
            at += 2;
        } else if (comments_ > 0) {
            comments_ -= c == '*' && next == '/' ? 1 : 0;
            at += c == '*' && next == '/' ? 2 : 1;
        } else {
            literal_ = c == '\'';
            name_ = c == '[';
            line_comment_ = c == '-' && next == '-';
            ++at;
        }
    }

private:
    bool literal_ = false;
    bool name_ = false;
    int comments_ = 0;
    bool line_comment_ = false;
};

// The lines of a script that a client reads as its own command, as sqlcmd
// reads a script line by line before any parsing (lines also end at a lone
// CR, as some editors take it), other than the GO lines that end the
// script's own statements; and every place of "$(".
std::vector<std::string> client_commands_in(const std::string& script)
{
    // The words come from the code; the test finds lines by its own means.
    static const std::regex command = [] {
        std::string words = "go";
        for (const std::string_view word : mss_client_command_words)
            words += "|" + std::string(word);
        return std::regex("^[ \t]*(:|!!|(" + words + ")([^a-z0-9_]|$))", std::regex::icase);
    }();
    std::vector<std::string> found;
    for (std::size_t at = script.find("$("); at != std::string::npos; at = script.find("$(", at + 1))
        found.push_back("$( at byte " + std::to_string(at));
    tsql_position position;
    for (std::size_t at = 0; at < script.size();) {
        std::size_t end = script.find_first_of("\r\n", at);
        if (end == std::string::npos)
            end = script.size();
        const std::string line = script.substr(at, end - at);
        if (std::regex_search(line, command) && !(line == "GO" && position.in_the_open()))
            found.push_back(line);
        while (at < end)
            position.pass(script, at);
        // A line ends at LF, CR LF or a lone CR.
        at = end + (script.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return found;
}

TEST(client_commands_in_test, finds_commands_in_literals_and_names_but_not_the_scripts_own_go)
{
    EXPECT_EQ(client_commands_in("SELECT 1;\r\nGO\r\nSELECT '\r\n' + 'go';\nGO\n"), std::vector<std::string>{});
    EXPECT_EQ(client_commands_in("SELECT 'a\nGO\n';\nGO\n"), std::vector<std::string>{"GO"});
    EXPECT_EQ(client_commands_in("CREATE TABLE [a\rgo 3\r]\n  exit(1)\n"),
              (std::vector<std::string>{"go 3", "  exit(1)"}));
    EXPECT_EQ(client_commands_in("SELECT '\n:r x\n!! ls\n ED\nreset\nquit'\n"),
              (std::vector<std::string>{":r x", "!! ls", " ED", "reset", "quit'"}));
    EXPECT_EQ(client_commands_in("SELECT N'$(HOME)'"), std::vector<std::string>{"$( at byte 9"});
    EXPECT_EQ(client_commands_in("SELECT 'edit\nexited\ngoal'"), std::vector<std::string>{});
}

// Values, names, a default and a view that hold what T-SQL clients read as
// their own commands: the script holds no such line but its own GO lines and
// no "$(", every value kept whole by literals closed and reopened; the names
// are mended and each change is reported.
class client_command_run : public golden_script_run {
protected:
    client_command_run() : golden_script_run("converter/client_commands.sql", "client_commands_script.sql") {}
};

TEST_F(client_command_run, no_value_or_name_reads_as_a_client_command)
{
    converter.convert_views = true;
    converter.set_silent(false);
    const std::string sql = stable(run());
    EXPECT_EQ(sql, golden(sql));
    EXPECT_EQ(client_commands_in(sql), std::vector<std::string>{});
    EXPECT_TRUE(converter.is_complete()) << output;
    for (const char* report :
         {"Table: 'odd\\nGO\\nDROP TABLE victim\\n$(x)' becomes 'odd_GO_DROP TABLE victim__(x)'",
          "Column of table 'odd\\nGO\\nDROP TABLE victim\\n$(x)': 'col\\nGO\\n$(y)' becomes 'col_GO__(y)'",
          "Index of table 'odd\\nGO\\nDROP TABLE victim\\n$(x)': 'ix\\nGO' becomes 'ix_GO'",
          "Foreign key: 'fk\\nexit' becomes 'fk_exit'", "View: 'seen\\nGO' becomes 'seen_GO'"})
        EXPECT_TRUE(contains(output, std::string(report) +
                                         ", since T-SQL clients read line breaks and \"$(\" in names as their own "
                                         "commands\n"))
            << report << "\n"
            << output;
    // The progress line names the table as it was made, on one line.
    EXPECT_TRUE(contains(output, "\nConverting table odd_GO_DROP TABLE victim__(x)(")) << output;
    EXPECT_FALSE(contains(output, "Converting table odd\n")) << output;
}

}  // namespace
