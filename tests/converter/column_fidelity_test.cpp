// Whole runs of a source whose columns are easy to lose: an INVISIBLE column,
// CHAR lengths, date and time defaults, and texts longer than MS SQL Server
// counts their column. Into a script whose bytes are pinned, and straight
// into the recording provider.
#include "converter/brantwick_convertor.h"
#include "converter/console_error_handler.h"
#include "converter/error_messages.h"
#include "mssql/direct/direct_path_fixture.h"
#include "mssql/script/script_test_support.h"
#include "mysql/test_database.h"
#include "platform/oledb/providers.h"
#include "support/test_mariadb.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

std::wstring widen(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

std::string unique_name(const char* prefix)
{
    return (prefix + std::string(testing::UnitTest::GetInstance()->current_test_info()->name())).substr(0, 64);
}

const std::vector<std::wstring> tables = {L"hidden", L"fixed", L"dated", L"sized"};

// What is left behind: the record that cannot fit, and the default T-SQL cannot take.
const std::string too_long = "sized, record #2: The value of column 'note' needs 8 characters, the column holds 4: "
                             "'\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80'";
const std::string lost_default = "Table '[dbo].[dated]': the default '(current_timestamp() + interval 1 day)' of "
                                 "column 'later' could not be created: MS SQL Server cannot take it; the column is "
                                 "made without it";

void connect_source(brantwick_convertor& converter, const velmora_test::scratch_database& database)
{
    const velmora_test::mariadb_endpoint server = velmora_test::mariadb_server();
    converter.store_mysql_settings(server.host, server.user, server.password, std::to_string(server.port));
    converter.connect_mysql_server();
    converter.set_source_name(widen(database.name()));
    converter.table_names = tables;
    converter.set_silent(true);
}

TEST(column_fidelity, script_holds_every_column_and_default_and_reports_what_it_cannot)
{
    console_error_handler handler{oledb_error_message_count, oledb_error_messages};
    const mss_test::scratch_folder folder;
    const velmora_test::scratch_database database{unique_name("velmora_cols_"), "converter/columns.sql"};
    brantwick_convertor converter{convertor_form::console};
    connect_source(converter, database);
    converter.direct = false;
    converter.set_destination_name(folder.file("columns.sql"));
    log_capture log;
    converter.check_dest();
    testing::internal::CaptureStdout();
    converter();
    testing::internal::GetCapturedStdout();

    const std::string actual = mss_test::stable_script(mss_test::read_bytes(folder.file("columns.sql")), folder);
    EXPECT_EQ(actual, mss_test::golden("columns.sql", actual));
    EXPECT_NE(log.text().find(too_long), std::string::npos) << log.text();
    EXPECT_NE(log.text().find(lost_default), std::string::npos) << log.text();
    EXPECT_EQ(handler.skipped_records(), 1u);
    EXPECT_EQ(handler.failed_objects(), 1u);
}

class column_fidelity_direct : public ::testing::Test {
protected:
    column_fidelity_direct()
    {
        oledb::install_providers({server, nullptr, nullptr});
        server->answer(L"SELECT @@VERSION",
                       {{fake::wide_text_column(L"", 300)},
                        {text_row({L"Microsoft SQL Server 2019 (RTM-CU22) - 15.0.4322.2 (X64)"})}});
        connect_source(converter, database);
        converter.set_destination_name(L"columns_dest");
        converter.secure_login = false;
        converter.mssql_host = L"srv";
        converter.mssql_user = L"sa";
        converter.mssql_pass = L"secret";
        server->define_table(
            L"[dbo].[hidden]",
            {{fake::int_column(L"id"), fake::int_column(L"secret"), fake::wide_text_column(L"label", 10, false)}, {}});
        server->define_table(L"[dbo].[fixed]", {{fake::int_column(L"id"), fake::wide_text_column(L"code", 10, false),
                                                 fake::typed_column(L"raw", DBTYPE_BYTES, 4)},
                                                {}});
        server->define_table(
            L"[dbo].[dated]",
            {{fake::int_column(L"id"), fake::typed_column(L"d", DBTYPE_DBDATE, 6),
              fake::typed_column(L"t", DBTYPE_DBTIME2, 12), fake::typed_column(L"dt", DBTYPE_DBTIMESTAMP, 16),
              fake::typed_column(L"given", DBTYPE_DBDATE, 6), fake::typed_column(L"later", DBTYPE_DBTIMESTAMP, 16)},
             {}});
        // The name column as a VARCHAR(5) column describes itself: narrow text.
        server->define_table(
            L"[dbo].[sized]",
            {{fake::int_column(L"id"), fake::wide_text_column(L"note", 4), fake::text_column(L"name", 5)}, {}});
    }

    // The rows bulk-loaded into a table, each value as text joined by "|".
    // Runs the conversion, rows by bulk load or by statements.
    void run(bool fast_load)
    {
        converter.mode = 0;
        converter.mssql_engine.connect(L"srv", L"sa", L"secret", fast_load);
        converter.check_dest();
        converter();
    }

    // What is left behind: one record and one default, both reported.
    void expect_reports(const log_capture& log) const
    {
        ASSERT_EQ(errors.reports.size(), 1u);
        EXPECT_EQ(errors.reports[0].context + ": " + errors.reports[0].text, too_long);
        EXPECT_NE(log.text().find(lost_default), std::string::npos) << log.text();
        EXPECT_EQ(errors.skipped_records(), 1u);
        EXPECT_EQ(errors.failed_objects(), 1u);
    }

    std::vector<std::wstring> loaded(const std::wstring& table) const
    {
        std::vector<std::wstring> rows;
        for (const fake::bulk_load_record& load : server->bulk_loads()) {
            if (load.table != table)
                continue;
            for (const fake::row& row : load.rows) {
                std::wstring line;
                for (const oledb::db_value& value : row) {
                    const auto* text = std::get_if<std::wstring>(&value);
                    line += (line.empty() ? L"" : L"|") + (text ? *text : std::wstring(L"<bytes or NULL>"));
                }
                rows.push_back(line);
            }
        }
        return rows;
    }

    std::vector<std::wstring> sent_starting(const std::wstring& prefix) const
    {
        std::vector<std::wstring> found;
        for (const std::wstring& statement : server->statement_texts())
            if (statement.starts_with(prefix))
                found.push_back(statement);
        return found;
    }

    std::wstring created(const std::wstring& table) const
    {
        const std::vector<std::wstring> sent = server->statement_texts();
        const auto found = std::find_if(sent.begin(), sent.end(), [&](const std::wstring& statement) {
            return statement.starts_with(L"CREATE TABLE " + table);
        });
        return found == sent.end() ? std::wstring() : *found;
    }

    recording_error_handler errors;
    std::shared_ptr<fake::provider> server = std::make_shared<fake::provider>();
    velmora_test::scratch_database database{unique_name("velmora_colsd_"), "converter/columns.sql"};
    brantwick_convertor converter{convertor_form::console};
};

TEST_F(column_fidelity_direct, by_bulk_load)
{
    log_capture log;
    run(true);
    EXPECT_EQ(created(L"[dbo].[hidden]"),
              L"CREATE TABLE [dbo].[hidden] (\r\n\t[id] INT NOT NULL,\r\n\t[secret] INT NOT NULL DEFAULT 42,\r\n"
              L"\t[label] NVARCHAR(10)  NOT NULL)");
    EXPECT_EQ(loaded(L"[dbo].[hidden]"), (std::vector<std::wstring>{L"1|7|one", L"2|42|two"}));
    EXPECT_EQ(created(L"[dbo].[fixed]"), L"CREATE TABLE [dbo].[fixed] (\r\n\t[id] INT NOT NULL,\r\n"
                                         L"\t[code] NVARCHAR(10)  NOT NULL,\r\n\t[raw] VARBINARY(4) )");
    EXPECT_EQ(created(L"[dbo].[dated]"),
              L"CREATE TABLE [dbo].[dated] (\r\n\t[id] INT NOT NULL,\r\n\t[d] DATE DEFAULT getdate(),\r\n"
              L"\t[t] TIME DEFAULT CAST(GETDATE() AS TIME),\r\n\t[dt] DATETIME2 DEFAULT CURRENT_TIMESTAMP,\r\n"
              L"\t[given] DATE DEFAULT '2020-01-02',\r\n\t[later] DATETIME2)");
    // Into the narrow column too, Grüße arrives whole: five characters.
    EXPECT_EQ(loaded(L"[dbo].[sized]"),
              (std::vector<std::wstring>{L"1|abcd|Gr\u00fc\u00dfe", L"3|\U0001F600\U0001F600|y"}));
    expect_reports(log);
}

TEST_F(column_fidelity_direct, by_statements)
{
    log_capture log;
    // A run bulk-loads every table it creates when the driver can: this one cannot.
    server->set_bulk_load(false);
    run(false);
    EXPECT_TRUE(server->bulk_loads().empty());
    EXPECT_EQ(
        sent_starting(L"INSERT INTO [dbo].[hidden]"),
        (std::vector<std::wstring>{L"INSERT INTO [dbo].[hidden]([id], [secret], [label]) VALUES( 1, 7, ?) {one}",
                                   L"INSERT INTO [dbo].[hidden]([id], [secret], [label]) VALUES( 2, 42, ?) {two}"}));
    EXPECT_EQ(sent_starting(L"INSERT INTO [dbo].[sized]"),
              (std::vector<std::wstring>{
                  L"INSERT INTO [dbo].[sized]([id], [note], [name]) VALUES( 1, ?, ?) {abcd, Gr\u00fc\u00dfe}",
                  L"INSERT INTO [dbo].[sized]([id], [note], [name]) VALUES( 3, ?, ?) {\U0001F600\U0001F600, y}"}));
    expect_reports(log);
}

}  // namespace
