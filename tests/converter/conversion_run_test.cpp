#include "converter/brantwick_convertor.h"
#include "converter/console_error_handler.h"
#include "converter/error_messages.h"
#include "model/profile.h"
#include "mysql/test_database.h"
#include "support/test_mariadb.h"
#include "toolkit/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

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
    script_run()
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
        return read_file(script);
    }

    console_error_handler handler{oledb_error_message_count, oledb_error_messages};
    temp_folder folder;
    std::string script = folder.file("shop.sql");
    velmora_test::scratch_database database{unique_name(), "converter/shop.sql"};
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
                          " (1 tables)\r\nConverting table customer(3 records)\n");
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
    EXPECT_TRUE(contains(sql, "[id] bigint"));
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

TEST_F(script_run, missing_console_table_is_reported_and_counted)
{
    converter.set_silent(false);
    converter.table_names = {L"nosuch", L"customer"};
    testing::internal::CaptureStderr();
    const std::string sql = run();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Table nosuch not exists\n");
    EXPECT_TRUE(contains(sql, "CREATE TABLE [dbo].[customer]"));
    EXPECT_FALSE(converter.is_aborted());
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

} // namespace
