// Whole runs of a source as many servers have it, read by a session that
// began in ANSI mode without backslash escapes: foreign keys, FLOAT values,
// defaults as MariaDB reports them, views over the time and over a renamed
// table, and what stays behind. Into a script whose bytes are pinned, and
// straight into the recording provider.
#include "converter/brantwick_convertor.h"
#include "converter/console_error_handler.h"
#include "converter/error_messages.h"
#include "mssql/direct/direct_path_fixture.h"
#include "mssql/script/script_test_support.h"
#include "mysql/test_database.h"
#include "platform/oledb/providers.h"
#include "support/test_mariadb.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

std::string unique_name(const char* prefix)
{
    return (prefix + std::string(testing::UnitTest::GetInstance()->current_test_info()->name())).substr(0, 64);
}

const std::vector<std::wstring> tables = {L"parent", L"child", L"floats", L"defaults", L"odd\nGO", L"odd_GO"};

// The default with no T-SQL counterpart, a view renamed, and what stays behind.
const char* const lost_default = "Table '[dbo].[defaults]': the default 'concat('a','b')' of column 'c' could not be "
                                 "created: MS SQL Server cannot take it; the column is made without it";
const char* const named_lines[] = {
    "View 'bASE2' is created as '_bASE2': MS SQL Server does not tell its name from that of view 'Base2'",
    "Not carried across: trigger 'child_audit' of table 'child'", "Not carried across: stored procedure 'refresh_all'"};

void connect_source(brantwick_convertor& converter, const velmora_test::scratch_database& database)
{
    // As a server whose global sql_mode says so begins every session.
    mysql_options(converter.mysql_engine.get_handle(), MYSQL_INIT_COMMAND,
                  "SET SESSION sql_mode = 'ANSI,NO_BACKSLASH_ESCAPES'");
    const velmora_test::mariadb_endpoint server = velmora_test::mariadb_server();
    converter.store_mysql_settings(server.host, server.user, server.password, std::to_string(server.port));
    converter.connect_mysql_server();
    converter.set_source_name(std::wstring(database.name().begin(), database.name().end()));
    converter.table_names = tables;
    converter.convert_views = true;
    converter.set_silent(true);
}

void expect_named(const log_capture& log)
{
    EXPECT_NE(log.text().find(lost_default), std::string::npos) << log.text();
    for (const char* line : named_lines)
        EXPECT_NE(log.text().find(line), std::string::npos) << line;
}

TEST(source_forms, script_carries_keys_floats_defaults_and_views)
{
    console_error_handler handler{oledb_error_message_count, oledb_error_messages};
    const mss_test::scratch_folder folder;
    const velmora_test::scratch_database database{unique_name("velmora_forms_"), "converter/source_forms.sql"};
    brantwick_convertor converter{convertor_form::console};
    connect_source(converter, database);
    converter.direct = false;
    converter.set_destination_name(folder.file("source_forms.sql"));
    log_capture log;
    converter.check_dest();
    testing::internal::CaptureStdout();
    converter();
    testing::internal::GetCapturedStdout();

    const std::string actual = mss_test::stable_script(mss_test::read_bytes(folder.file("source_forms.sql")), folder);
    EXPECT_EQ(actual, mss_test::golden("source_forms.sql", actual));
    expect_named(log);
    EXPECT_EQ(handler.failed_objects(), 1u);
    EXPECT_EQ(handler.skipped_records(), 0u);
}

class source_forms_direct : public ::testing::Test {
protected:
    source_forms_direct()
    {
        oledb::install_providers({server, nullptr, nullptr});
        server->answer(L"SELECT @@VERSION",
                       {{fake::wide_text_column(L"", 300)},
                        {text_row({L"Microsoft SQL Server 2019 (RTM-CU22) - 15.0.4322.2 (X64)"})}});
        connect_source(converter, database);
        converter.set_destination_name(L"forms_dest");
        converter.secure_login = false;
        converter.mssql_host = L"srv";
        converter.mssql_user = L"sa";
        converter.mssql_pass = L"secret";
        server->define_table(L"[dbo].[parent]", {{fake::int_column(L"id")}, {}});
        server->define_table(L"[dbo].[child]", {{fake::int_column(L"id"), fake::int_column(L"parent_id", true)}, {}});
        server->define_table(L"[dbo].[floats]",
                             {{fake::int_column(L"id"), fake::typed_column(L"f", DBTYPE_R4, 4, true)}, {}});
        server->define_table(L"[dbo].[odd_GO]", {{fake::int_column(L"id")}, {}});
        server->define_table(L"[dbo].[_odd_GO]", {{fake::int_column(L"id"), fake::wide_text_column(L"label", 10)}, {}});
    }

    std::wstring created(const std::wstring& prefix) const
    {
        const std::vector<std::wstring> sent = server->statement_texts();
        const auto found = std::find_if(sent.begin(), sent.end(),
                                        [&](const std::wstring& statement) { return statement.starts_with(prefix); });
        return found == sent.end() ? std::wstring() : *found;
    }

    recording_error_handler errors;
    std::shared_ptr<fake::provider> server = std::make_shared<fake::provider>();
    velmora_test::scratch_database database{unique_name("velmora_formsd_"), "converter/source_forms.sql"};
    brantwick_convertor converter{convertor_form::console};
};

TEST_F(source_forms_direct, carries_keys_floats_defaults_and_views)
{
    log_capture log;
    converter.mode = 0;
    converter.mssql_engine.connect(L"srv", L"sa", L"secret", true);
    converter.check_dest();
    converter();

    EXPECT_NE(created(L"ALTER TABLE [dbo].[child]"), L"") << "the foreign key";
    EXPECT_EQ(created(L"CREATE TABLE [dbo].[defaults]"),
              L"CREATE TABLE [dbo].[defaults] (\r\n\t[id] INT NOT NULL,\r\n\t[t] NVARCHAR(MAX) DEFAULT N'x',\r\n"
              L"\t[v] NVARCHAR(10)  DEFAULT N'',\r\n\t[q] NVARCHAR(10)  NOT NULL DEFAULT N'it''s',\r\n"
              L"\t[b] VARBINARY(MAX) DEFAULT 0x616263,\r\n\t[u] NVARCHAR(36)  DEFAULT NEWID(),\r\n"
              L"\t[r] FLOAT DEFAULT RAND(),\r\n\t[s] INT DEFAULT (1 + 1),\r\n\t[i] INT DEFAULT -3,\r\n"
              L"\t[bt] BIT DEFAULT 1,\r\n\t[dt] DATETIME2 DEFAULT CURRENT_TIMESTAMP,\r\n\t[c] NVARCHAR(20) )");
    std::vector<float> floats;
    for (const fake::bulk_load_record& load : server->bulk_loads())
        if (load.table == L"[dbo].[floats]")
            for (const fake::row& row : load.rows)
                floats.push_back(std::stof(std::get<std::wstring>(row.at(1))));
    EXPECT_EQ(floats, (std::vector<float>{16777215.0f, 123456.789f, 3.4028235e38f, -1.17549435e-38f, 0.0f, 1.5f}));
    EXPECT_EQ(created(L"CREATE VIEW [dbo].[stamped]"),
              L"CREATE VIEW [dbo].[stamped] AS select getdate() AS [n],cast(getdate() as date) AS [d],"
              L"convert(time, getdate()) AS [t],getdate() AS [n3],getutcdate() AS [u]");
    EXPECT_EQ(created(L"CREATE VIEW [dbo].[reads_odd]"),
              L"CREATE VIEW [dbo].[reads_odd] AS select [dbo].[_odd_GO].[label] AS [label] from [dbo].[_odd_GO]");
    EXPECT_NE(created(L"CREATE VIEW [dbo].[Base2]"), L"");
    EXPECT_NE(created(L"CREATE VIEW [dbo].[_bASE2]"), L"");
    expect_named(log);
    EXPECT_EQ(errors.failed_objects(), 1u);
}

}  // namespace
