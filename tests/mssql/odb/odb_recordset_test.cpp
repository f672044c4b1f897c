#include "mssql/odb/odb_recordset.h"

#include "mssql/odb/odb_command.h"
#include "mssql/odb_exception.h"
#include "odb_session_fixture.h"
#include "toolkit/tk_log.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

using fake::int_column;
using fake::typed_column;
using fake::wide_text_column;

class odb_recordset_test : public odb_session_fixture {
protected:
    std::unique_ptr<odb_recordset> run(const std::wstring& statement)
    {
        odb_command command(session.get());
        ole_com_ptr<IRowset> rowset;
        command.execute(statement, rowset.get_address());
        return std::make_unique<odb_recordset>(rowset.get());
    }

    // Every record as text, read the way every caller reads.
    static std::vector<std::vector<std::wstring>> read(odb_recordset& recordset)
    {
        std::vector<std::vector<std::wstring>> rows;
        recordset.reset();
        while (!recordset.is_eof()) {
            std::vector<std::wstring> row;
            for (const udb_field* field : *recordset.get_item())
                row.push_back(field->to_wstring());
            rows.push_back(row);
            recordset.next();
        }
        return rows;
    }
};

class batches : public odb_recordset_test, public ::testing::WithParamInterface<int> {};

TEST_P(batches, every_row_is_read_in_order_across_batches_of_100)
{
    std::vector<fake::row> rows;
    for (int i = 0; i < GetParam(); ++i)
        rows.push_back({std::to_wstring(i)});
    answer(L"SELECT id FROM t", {int_column(L"id")}, rows);
    const auto recordset = run(L"SELECT id FROM t");
    const auto read_rows = read(*recordset);
    ASSERT_EQ(read_rows.size(), static_cast<std::size_t>(GetParam()));
    for (int i = 0; i < GetParam(); ++i)
        EXPECT_EQ(read_rows[i][0], std::to_wstring(i));
    EXPECT_TRUE(recordset->is_eof());
}

INSTANTIATE_TEST_SUITE_P(row_counts, batches, ::testing::Values(0, 1, 99, 100, 101, 250));

TEST_F(odb_recordset_test, statement_without_rowset_gives_a_recordset_at_its_end)
{
    const auto recordset = run(L"UPDATE t SET a = 1");
    EXPECT_TRUE(recordset->schema.empty());
    recordset->reset();
    EXPECT_TRUE(recordset->is_eof());
}

TEST_F(odb_recordset_test, columns_become_the_schema)
{
    answer(L"SELECT *",
           {int_column(L"id", true), wide_text_column(L"name", 50, false), typed_column(L"g", DBTYPE_GUID, 16),
            typed_column(L"b", DBTYPE_BYTES, 100), typed_column(L"n", DBTYPE_NUMERIC, 19, true, 10, 2),
            typed_column(L"ts", DBTYPE_DBTIMESTAMP, 16, true, 23, 3), typed_column(L"x", DBTYPE_XML, 0),
            wide_text_column(L"long", ~std::uint64_t{0})},
           {});
    const auto recordset = run(L"SELECT *");
    const udb_schema& schema = recordset->schema;
    ASSERT_EQ(schema.size(), 8u);
    EXPECT_EQ(schema[0]->vartype, VT_I4);
    EXPECT_FALSE(schema[0]->b_not_null) << "a nullable column";
    EXPECT_EQ(schema[1]->vartype, VT_BSTR);
    EXPECT_TRUE(schema[1]->b_not_null);
    EXPECT_EQ(schema[1]->size, 50);
    EXPECT_EQ(schema[2]->vartype, VT_BSTR);
    EXPECT_EQ(schema[2]->size, 36);
    EXPECT_EQ(schema[2]->dw_reserved, 1u);
    EXPECT_EQ(schema[3]->vartype, ole_vt_bytes);
    EXPECT_EQ(schema[3]->size, 0);
    EXPECT_EQ(schema[4]->vartype, VT_DECIMAL);
    EXPECT_EQ(schema[4]->precision, 10);
    EXPECT_EQ(schema[4]->scale, 2);
    EXPECT_EQ(schema[5]->vartype, VT_DATE);
    EXPECT_EQ(schema[5]->scale, 3);
    EXPECT_EQ(schema[5]->dw_reserved, 1u);
    EXPECT_EQ(schema[6]->dw_reserved, 11u);
    EXPECT_EQ(schema[7]->vartype, VT_BSTR);
    EXPECT_EQ(schema[7]->size, 0) << "a text of unlimited length has the size 0, as a new table's would";
}

TEST_F(odb_recordset_test, values_take_their_column_types)
{
    answer(L"SELECT v",
           {int_column(L"i", true), wide_text_column(L"s"), typed_column(L"g", DBTYPE_GUID, 16),
            typed_column(L"ts", DBTYPE_DBTIMESTAMP, 16), typed_column(L"n", DBTYPE_NUMERIC, 19, true, 10, 2),
            typed_column(L"b", DBTYPE_BYTES, 10), typed_column(L"r", DBTYPE_R8, 8)},
           {{std::monostate{}, std::wstring(), std::wstring(L"{6F9619FF-8B86-D011-B42D-00C04FC964FF}"),
             std::wstring(L"2024-01-02 03:04:05.123"), std::wstring(L"-12.50"), oledb::db_bytes{0xCA, 0xFE},
             std::wstring()}});
    const auto recordset = run(L"SELECT v");
    recordset->reset();
    ASSERT_FALSE(recordset->is_eof());
    const udb_record& record = *recordset->get_item();
    ASSERT_EQ(record.size(), 7u);
    EXPECT_EQ(record[0]->get_type(), VT_EMPTY) << "NULL";
    EXPECT_EQ(record[0]->size, 0u);
    EXPECT_EQ(record[1]->get_type(), VT_BSTR) << "an empty text stays text";
    EXPECT_EQ(record[1]->to_wstring(), L"");
    EXPECT_EQ(record[2]->to_wstring(), L"6F9619FF-8B86-D011-B42D-00C04FC964FF");
    EXPECT_EQ(record[3]->get_type(), VT_DATE);
    EXPECT_EQ(record[4]->get_type(), VT_DECIMAL);
    EXPECT_EQ(record[4]->to_wstring(), L"-12.5");
    EXPECT_EQ(record[5]->get_type(), ole_vt_bytes);
    EXPECT_EQ(record[5]->size, 2u);
    EXPECT_EQ(record[6]->get_type(), VT_EMPTY) << "an empty number is no value";
}

TEST_F(odb_recordset_test, unlimited_text_column_is_read_whole)
{
    const std::wstring long_text(5000, L'x');
    answer(L"SELECT memo", {wide_text_column(L"memo", ~std::uint64_t{0})}, {{long_text}});
    const auto recordset = run(L"SELECT memo");
    EXPECT_EQ(read(*recordset), (std::vector<std::vector<std::wstring>>{{long_text}}));
}

TEST_F(odb_recordset_test, rowset_without_columns_is_read_without_failing)
{
    answer(L"SELECT nothing", {}, {{}, {}});
    const auto recordset = run(L"SELECT nothing");
    EXPECT_EQ(read(*recordset).size(), 2u);
}

TEST_F(odb_recordset_test, truncated_value_is_left_empty_and_shows_in_the_conversion_log)
{
    char path[] = "/tmp/velmora-log-XXXXXX";
    std::fclose(fdopen(mkstemp(path), "w"));
    answer(L"SELECT code", {wide_text_column(L"code", 3)}, {{std::wstring(L"abcdefgh")}});
    {
        tk_logger logger(path, 1, 3, 0);
        const auto recordset = run(L"SELECT code");
        recordset->reset();
        EXPECT_EQ(recordset->get_item()->at(0)->get_type(), VT_EMPTY);
    }
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    std::remove(path);
    EXPECT_NE(text.str().find("'code'"), std::string::npos) << text.str();
}

TEST_F(odb_recordset_test, internal_errors_guard_reading_past_the_batch)
{
    answer(L"SELECT id", {int_column(L"id")}, {});
    const auto recordset = run(L"SELECT id");
    recordset->reset();
    EXPECT_THROW(recordset->get_item(), tk_mail_assertion);
    EXPECT_THROW(recordset->next(), tk_mail_assertion);
    udb_record record;
    EXPECT_THROW(recordset->append_record(record), tk_mail_assertion);
}

TEST_F(odb_recordset_test, pure_dates_only_with_native_date_and_time_handling)
{
    answer(L"SELECT d", {typed_column(L"d", DBTYPE_DBDATE, 10), typed_column(L"t", DBTYPE_DBTIME2, 16)}, {});
    set_native_date_time(false);
    EXPECT_EQ(run(L"SELECT d")->schema[0]->dw_reserved, 0u);
    set_native_date_time(true);
    const auto recordset = run(L"SELECT d");
    EXPECT_EQ(recordset->schema[0]->dw_reserved, 2u);
    EXPECT_EQ(recordset->schema[1]->dw_reserved, 3u);
}

TEST_F(odb_recordset_test, failing_statement_raises_the_provider_message)
{
    server->fail(L"SELECT * FROM missing", fake::sql_error(208, L"Invalid object name 'missing'.", L"42S02"));
    try {
        run(L"SELECT * FROM missing");
        FAIL();
    } catch (const odb_exception& e) {
        EXPECT_EQ(e.get_error_number() & 0xFFFF, 0x0E37u);
        EXPECT_STREQ(e.what(), "Invalid object name 'missing'.");
    }
}

TEST_F(odb_recordset_test, engine_commands_run_on_a_session_of_their_own)
{
    answer(L"SELECT @@VERSION", {wide_text_column(L"v", 200)}, {texts({L"Microsoft SQL Server 2019"})});
    odb_command command(static_cast<IUnknown*>(data_source.get()));
    ole_com_ptr<IRowset> rowset;
    command.execute(L"SELECT @@VERSION", rowset.get_address());
    odb_recordset recordset(rowset.get());
    recordset.reset();
    EXPECT_EQ(recordset.get_item()->at(0)->to_wstring(), L"Microsoft SQL Server 2019");
    command.execute(L"SET NOCOUNT ON", nullptr);
    EXPECT_EQ(server->statement_texts().back(), L"SET NOCOUNT ON");
}

}  // namespace
