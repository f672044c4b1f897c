// Rows written by bulk load: the values, NULLs and defaults the provider
// receives, the batches, the switch to statements, and the final commit.
#include "direct_path_fixture.h"
#include "model/column_descriptor.h"
#include "mssql/direct/mss_table.h"
#include "mssql/odb_exception.h"
#include "variant/ole_date.h"

#include <gtest/gtest.h>

namespace {

using oledb::db_bytes;
using oledb::db_value;

std::wstring text(const db_value& value)
{
    const auto* text = std::get_if<std::wstring>(&value);
    return text ? *text : L"<not text>";
}

db_bytes bytes(const db_value& value)
{
    const auto* bytes = std::get_if<db_bytes>(&value);
    return bytes ? *bytes : db_bytes{};
}

t_ftd* column(const wchar_t* name, VARTYPE type, std::int32_t size, bool not_null = false, std::uint32_t subtype = 0,
              const ole_variant& default_value = ole_variant())
{
    return new t_ftd(size, name, type, not_null, false, default_value, subtype);
}

ole_variant date(const char* text)
{
    return ole_variant(ole_date(std::string(text)));
}

constexpr std::uint64_t unlimited = ~std::uint64_t{0};

class bulk_load : public direct_path_fixture {
protected:
    void SetUp() override
    {
        direct_path_fixture::SetUp();
        connect();
        database = open_database();
    }

    // Creates the table; the server then describes it with these columns.
    std::unique_ptr<mss_table> create(udb_schema& schema, std::vector<oledb::db_column> server_columns,
                                      const wchar_t* name = L"[dbo].[t]")
    {
        server->define_table(name, {std::move(server_columns), {}});
        auto table =
            std::unique_ptr<mss_table>(static_cast<mss_table*>(database->create_table(name, schema, udb_indexes())));
        mark();
        return table;
    }

    std::vector<fake::row> rows() const
    {
        const std::vector<fake::bulk_load_record> loads = server->bulk_loads();
        return loads.empty() ? std::vector<fake::row>{} : loads.back().rows;
    }

    void append(mss_table& table, std::initializer_list<std::pair<const wchar_t*, ole_variant>> fields)
    {
        std::unique_ptr<udb_record> record(record_of(fields));
        table.append_record(*record);
    }

    std::unique_ptr<mss_database> database;
};

TEST_F(bulk_load, every_type_arrives_in_its_column)
{
    udb_schema schema(true);
    schema.push_back(column(L"tiny", VT_I1, 1));
    schema.push_back(column(L"small", VT_I2, 2));
    schema.push_back(column(L"big", VT_I8, 8));
    schema.push_back(column(L"dbl", VT_R8, 8));
    schema.push_back(column(L"money", VT_CY, 8));
    auto* price = column(L"price", VT_DECIMAL, 0);
    price->precision = 10;
    price->scale = 2;
    schema.push_back(price);
    schema.push_back(column(L"flag", VT_BOOL, 1));
    schema.push_back(column(L"name", VT_BSTR, 10));
    auto* code = column(L"code", VT_BSTR, 8);
    code->native_type = L"varchar(8)";
    schema.push_back(code);
    schema.push_back(column(L"guid", VT_BSTR, 36, false, 1));
    schema.push_back(column(L"made", VT_DATE, 0, false, 1));
    schema.push_back(column(L"day", VT_DATE, 0, false, 2));
    schema.push_back(column(L"at", VT_DATE, 0, false, 3));
    schema.push_back(column(L"bin", ole_vt_bytes, 20));
    schema.push_back(column(L"blob", VT_BLOB, 0));
    schema.push_back(column(L"memo", VT_BSTR, 0));
    auto table = create(
        schema,
        {fake::int_column(L"tiny", true), fake::int_column(L"small", true), fake::typed_column(L"big", DBTYPE_I8, 8),
         fake::typed_column(L"dbl", DBTYPE_R8, 8), fake::typed_column(L"money", DBTYPE_CY, 8),
         fake::typed_column(L"price", DBTYPE_NUMERIC, 19, true, 10, 2), fake::typed_column(L"flag", DBTYPE_BOOL, 2),
         fake::wide_text_column(L"name", 10), fake::text_column(L"code", 8),
         fake::typed_column(L"guid", DBTYPE_GUID, 16), fake::typed_column(L"made", DBTYPE_DBTIMESTAMP, 16, true, 23, 3),
         fake::typed_column(L"day", DBTYPE_DBDATE, 6), fake::typed_column(L"at", DBTYPE_DBTIME2, 12, true, 13, 4),
         fake::typed_column(L"bin", DBTYPE_BYTES, 20), fake::typed_column(L"blob", DBTYPE_BYTES, unlimited),
         fake::wide_text_column(L"memo", unlimited)});
    DECIMAL money{};
    VarDecFromStr(L"12.34", 1033, 0, &money);
    DECIMAL amount{};
    VarDecFromStr(L"-123.45", 1033, 0, &amount);
    const std::vector<BYTE> large(9000, 0xAB);
    append(*table, {{L"tiny", ole_variant(static_cast<signed char>(-5))},
                    {L"small", ole_variant(std::int16_t{-1})},
                    {L"big", ole_variant(std::int64_t{9007199254740993})},
                    {L"dbl", ole_variant(1.5)},
                    {L"money", ole_variant(money)},
                    {L"price", ole_variant(amount)},
                    {L"flag", ole_variant(true)},
                    {L"name", ole_variant(std::wstring(L"Grüße 中"))},
                    {L"code", ole_variant(std::wstring(L"Grüße"))},
                    {L"guid", ole_variant(std::wstring(L"{6F9619FF-8B86-D011-B42D-00C04FC964FF}"))},
                    {L"made", date("2024-02-29 10:20:30.123")},
                    {L"day", date("2024-02-29")},
                    {L"at", date("10:20:30.1234")},
                    {L"bin", ole_variant(std::vector<BYTE>{1, 2, 3})},
                    {L"blob", ole_variant(large)},
                    {L"memo", ole_variant(std::wstring(5000, L'ж'))}});
    table.reset();
    const std::vector<fake::row> received = rows();
    ASSERT_EQ(received.size(), 1u);
    const fake::row& row = received[0];
    EXPECT_EQ(text(row[0]), L"-5");
    EXPECT_EQ(text(row[1]), L"-1");
    EXPECT_EQ(text(row[2]), L"9007199254740993");
    EXPECT_EQ(text(row[3]), L"1.5");
    EXPECT_EQ(text(row[4]), L"12.3400");
    EXPECT_EQ(text(row[5]), L"-123.45");
    EXPECT_EQ(text(row[6]), L"1");
    EXPECT_EQ(text(row[7]), L"Grüße 中");
    EXPECT_EQ(text(row[8]), L"Grüße");
    EXPECT_EQ(text(row[9]), L"6F9619FF-8B86-D011-B42D-00C04FC964FF");
    EXPECT_EQ(text(row[10]), L"2024-02-29 10:20:30.123");
    EXPECT_EQ(text(row[11]), L"2024-02-29");
    EXPECT_EQ(text(row[12]).substr(0, 8), L"10:20:30");
    EXPECT_EQ(bytes(row[13]), (db_bytes{1, 2, 3}));
    EXPECT_EQ(bytes(row[14]), db_bytes(large.begin(), large.end()));
    EXPECT_EQ(text(row[15]), std::wstring(5000, L'ж'));
    EXPECT_TRUE(server->bulk_loads().back().done);
}

TEST_F(bulk_load, missing_values_become_null_zero_empty_or_the_default)
{
    udb_schema schema(true);
    schema.push_back(column(L"maybe", VT_I4, 4));
    schema.push_back(column(L"count", VT_I4, 4, true));
    schema.push_back(column(L"name", VT_BSTR, 10, true));
    schema.push_back(column(L"qty", VT_I4, 4, true, 0, ole_variant(std::int32_t{7})));
    schema.push_back(column(L"made", VT_DATE, 0, true, 9, ole_variant(std::wstring(L"getdate()"))));
    auto* price = column(L"price", VT_DECIMAL, 0);
    price->precision = 10;
    price->scale = 2;
    schema.push_back(price);
    auto table = create(schema, {fake::int_column(L"maybe", true), fake::int_column(L"count"),
                                 fake::wide_text_column(L"name", 10, false), fake::int_column(L"qty"),
                                 fake::typed_column(L"made", DBTYPE_DBTIMESTAMP, 16, false, 27, 7),
                                 fake::typed_column(L"price", DBTYPE_NUMERIC, 19, true, 10, 2)});
    DECIMAL amount{};
    VarDecFromStr(L"5", 1033, 0, &amount);
    append(*table, {{L"maybe", ole_variant()},
                    {L"count", ole_variant()},
                    {L"name", ole_variant()},
                    {L"qty", ole_variant()},
                    {L"made", ole_variant()},
                    {L"price", ole_variant()}});
    append(*table, {{L"maybe", ole_variant(std::int32_t{1})},
                    {L"count", ole_variant(std::int32_t{2})},
                    {L"name", ole_variant(std::wstring(L"n"))},
                    {L"qty", ole_variant(std::int32_t{3})},
                    {L"made", date("2020-01-02 03:04:05")},
                    {L"price", ole_variant(amount)}});
    table.reset();
    const std::vector<fake::row> received = rows();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_TRUE(oledb::is_null(received[0][0]));
    EXPECT_EQ(text(received[0][1]), L"0");
    EXPECT_EQ(text(received[0][2]), L"");
    EXPECT_EQ(text(received[0][3]), L"7");
    EXPECT_TRUE(oledb::is_null(received[0][4])) << "the server's own default applies";
    EXPECT_TRUE(oledb::is_null(received[0][5]));
    EXPECT_EQ(text(received[1][0]), L"1");
    EXPECT_EQ(text(received[1][4]).substr(0, 19), L"2020-01-02 03:04:05");
    EXPECT_EQ(text(received[1][5]), L"5");
}

// A stream left in the row buffer by one row is released once, also when the
// next row has no value there.
TEST_F(bulk_load, large_value_followed_by_null)
{
    udb_schema schema(true);
    schema.push_back(column(L"memo", VT_BSTR, 0));
    auto table = create(schema, {fake::wide_text_column(L"memo", unlimited)});
    append(*table, {{L"memo", ole_variant(std::wstring(9000, L'x'))}});
    append(*table, {{L"memo", ole_variant()}});
    append(*table, {{L"memo", ole_variant()}});
    table.reset();
    ASSERT_EQ(rows().size(), 3u);
    EXPECT_EQ(text(rows()[0][0]).size(), 9000u);
    EXPECT_TRUE(oledb::is_null(rows()[1][0]));
    EXPECT_TRUE(oledb::is_null(rows()[2][0]));
}

// Values longer than the stand-in keeps whole in a row reach the provider
// whole: a text held in UTF-8 (NUL and characters of every length included),
// the same text in a narrow column, and bytes.
TEST_F(bulk_load, large_values_held_by_the_record_arrive_whole)
{
    udb_schema schema(true);
    schema.push_back(column(L"memo", VT_BSTR, 0));
    schema.push_back(column(L"note", VT_BSTR, 0));
    schema.push_back(column(L"blob", VT_BLOB, 0));
    auto table = create(schema, {fake::wide_text_column(L"memo", unlimited), fake::text_column(L"note", unlimited),
                                 fake::typed_column(L"blob", DBTYPE_BYTES, unlimited)});
    const std::string piece("a\0\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", 11);
    const std::wstring wide_piece{L'a', L'\0', L'\u00E9', L'\u20AC', static_cast<wchar_t>(0x1F600)};
    constexpr std::size_t repeats = (5 << 20) / 11;
    std::string utf8;
    std::wstring expected;
    for (std::size_t i = 0; i < repeats; ++i) {
        utf8 += piece;
        expected += wide_piece;
    }
    ole_variant memo;
    memo.attach_string(utf8);
    std::vector<BYTE> large(5 << 20);
    for (std::size_t i = 0; i < large.size(); ++i)
        large[i] = static_cast<BYTE>(i * 7 % 251);
    append(*table, {{L"memo", memo}, {L"note", memo}, {L"blob", ole_variant(large)}});
    table.reset();
    ASSERT_EQ(rows().size(), 1u);
    EXPECT_TRUE(text(rows()[0][0]) == expected);
    EXPECT_TRUE(text(rows()[0][1]) == expected);
    EXPECT_TRUE(bytes(rows()[0][2]) == db_bytes(large.begin(), large.end()));
}

// The record's fields go to the columns of their names, whatever their order.
TEST_F(bulk_load, fields_are_bound_by_name)
{
    udb_schema schema(true);
    schema.push_back(column(L"a", VT_I4, 4));
    schema.push_back(column(L"b", VT_BSTR, 10));
    auto table = create(schema, {fake::int_column(L"a", true), fake::wide_text_column(L"b", 10)});
    append(*table, {{L"B", ole_variant(std::wstring(L"x"))}, {L"a", ole_variant(std::int32_t{1})}});
    table.reset();
    ASSERT_EQ(rows().size(), 1u);
    EXPECT_EQ(text(rows()[0][0]), L"1");
    EXPECT_EQ(text(rows()[0][1]), L"x");
}

// A text is measured as the server measures it: in characters, in UTF-16
// units for NVARCHAR. One that does not fit is refused with its row, whole.
TEST_F(bulk_load, text_is_counted_as_the_server_counts_and_never_cut)
{
    udb_schema schema(true);
    schema.push_back(column(L"wide", VT_BSTR, 5));
    auto* narrow = column(L"narrow", VT_BSTR, 5);
    narrow->native_type = L"VARCHAR(5)";
    schema.push_back(narrow);
    auto table = create(schema, {fake::wide_text_column(L"wide", 5), fake::text_column(L"narrow", 5)});
    const struct {
        const wchar_t* wide;
        const wchar_t* narrow;
        const char* refused;  // the report, or null when the row arrives
    } cases[] = {
        {L"abcde", L"Grüße", nullptr},
        {L"\U0001F600\U0001F600a", L"ÄÖÜäö", nullptr},
        {L"abcdef", L"x", "The value of column 'wide' needs 6 characters, the column holds 5: 'abcdef'"},
        {L"\U0001F600\U0001F600\U0001F600", L"x",
         "The value of column 'wide' needs 6 characters, the column holds 5: '\U0001F600\U0001F600\U0001F600'"},
        {L"a", L"Grüßen", "The value of column 'narrow' needs 6 characters, the column holds 5: 'Grüßen'"},
    };
    std::vector<std::wstring> arrived;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.narrow);
        try {
            append(*table,
                   {{L"wide", ole_variant(std::wstring(c.wide))}, {L"narrow", ole_variant(std::wstring(c.narrow))}});
            EXPECT_EQ(c.refused, nullptr);
            arrived.push_back(std::wstring(c.wide) + L"|" + c.narrow);
        } catch (const tk_exception& e) {
            ASSERT_NE(c.refused, nullptr) << e.what();
            EXPECT_EQ(std::string(e.what()), c.refused);
            EXPECT_EQ(e.get_code(), 0u);
        }
    }
    table.reset();
    std::vector<std::wstring> received;
    for (const fake::row& row : rows())
        received.push_back(text(row[0]) + L"|" + text(row[1]));
    EXPECT_EQ(received, arrived);
}

// The room of a text is that of the type the run created: a source column
// of 4000 characters becomes NVARCHAR(MAX), which holds 4002 UTF-16 units,
// and a rule's narrower type holds no more than its own length.
TEST_F(bulk_load, text_is_measured_against_the_created_type)
{
    udb_schema schema(true);
    schema.push_back(column(L"memo", VT_BSTR, 4000));
    auto* code = column(L"code", VT_BSTR, 50);
    code->native_type = L"nvarchar(3)";
    schema.push_back(code);
    auto table = create(schema, {fake::wide_text_column(L"memo", unlimited), fake::wide_text_column(L"code", 3)});
    std::wstring emoji;
    for (int i = 0; i < 2001; ++i)
        emoji += L"\U0001F600";
    append(*table, {{L"memo", ole_variant(emoji)}, {L"code", ole_variant(std::wstring(L"abc"))}});
    try {
        append(*table, {{L"memo", ole_variant(std::wstring(L"x"))}, {L"code", ole_variant(std::wstring(L"abcd"))}});
        ADD_FAILURE() << "four characters were taken into NVARCHAR(3)";
    } catch (const tk_exception& e) {
        EXPECT_STREQ(e.what(), "The value of column 'code' needs 4 characters, the column holds 3: 'abcd'");
    }
    table.reset();
    ASSERT_EQ(rows().size(), 1u);
    EXPECT_TRUE(text(rows()[0][0]) == emoji);
    EXPECT_EQ(text(rows()[0][1]), L"abc");
}

TEST_F(bulk_load, preamble_and_identity)
{
    udb_schema schema(true);
    auto* id = column(L"id", VT_I4, 4, true);
    id->identity = true;
    schema.push_back(id);
    schema.identity_seed = 11;  // the source's last value
    auto table = create(schema, {fake::int_column(L"id")});
    append(*table, {{L"id", ole_variant(std::int32_t{10})}});
    append(*table, {{L"id", ole_variant(std::int32_t{11})}});
    table.reset();
    // The session's settings are back as they were for what follows (a
    // filtered index needs quoted identifiers), and the next identity value
    // follows the source's last one.
    EXPECT_EQ(sent(), (std::vector<std::wstring>{
                          L"SET QUOTED_IDENTIFIER OFF; SET IDENTITY_INSERT [dbo].[t] ON; ",
                          L"SET IDENTITY_INSERT [dbo].[t] OFF;",
                          L"IF IDENT_CURRENT('[dbo].[t]') <= 11 DBCC CHECKIDENT ('[dbo].[t]', RESEED, 11)",
                          L"SET QUOTED_IDENTIFIER ON;"}));
    const fake::bulk_load_record load = server->bulk_loads().back();
    EXPECT_TRUE(load.keep_identity);
    EXPECT_EQ(load.rows.size(), 2u);
    EXPECT_TRUE(load.done);
}

// A type rule that wrote the identity column without IDENTITY leaves the
// table without one: SQL Server refuses IDENTITY_INSERT on it.
TEST_F(bulk_load, identity_column_a_type_rule_made_plain)
{
    udb_schema schema(true);
    auto* id = column(L"id", VT_I4, 4, true);
    id->identity = true;
    id->native_type = L"bigint";
    schema.push_back(id);
    auto table = create(schema, {fake::int_column(L"id")});
    append(*table, {{L"id", ole_variant(std::int32_t{10})}});
    table.reset();
    for (const std::wstring& statement : sent())
        EXPECT_EQ(statement.find(L"IDENTITY_INSERT"), std::wstring::npos) << statement;
    EXPECT_EQ(server->bulk_loads().back().rows.size(), 1u);
}

TEST_F(bulk_load, rows_are_committed_in_batches_of_bound_bytes)
{
    udb_schema schema(true);
    schema.push_back(column(L"data", ole_vt_bytes, 8000));
    auto table = create(schema, {fake::typed_column(L"data", DBTYPE_BYTES, 8000)});
    const std::vector<BYTE> value(5000, 7);
    for (int i = 0; i < 19; ++i)
        append(*table, {{L"data", ole_variant(value)}});
    EXPECT_EQ(server->bulk_loads().back().commits, 0) << "99999 bytes or fewer commit nothing";
    append(*table, {{L"data", ole_variant(value)}});
    EXPECT_EQ(server->bulk_loads().back().commits, 1);
    for (int i = 0; i < 20; ++i)
        append(*table, {{L"data", ole_variant(value)}});
    EXPECT_EQ(server->bulk_loads().back().commits, 2);
    EXPECT_TRUE(sent().size() == 1) << "no statement per row";
    table.reset();
    EXPECT_EQ(rows().size(), 40u);
    EXPECT_TRUE(server->bulk_loads().back().done);
}

TEST_F(bulk_load, table_goes_on_by_statements_when_bulk_load_cannot_open)
{
    log_capture log(2);
    udb_schema schema(true);
    schema.push_back(column(L"a", VT_I4, 4));
    auto table = create(schema, {fake::int_column(L"a", true)});
    server->fail_bulk_open(L"[dbo].[t]", fake::sql_error(4888, L"Bulk load is not available."));
    append(*table, {{L"a", ole_variant(std::int32_t{1})}});
    append(*table, {{L"a", ole_variant(std::int32_t{2})}});
    const std::string lines = log.text();
    const std::string failed = "Failed to open table for fast_append, switch to slow_append";
    ASSERT_NE(lines.find(failed), std::string::npos);
    EXPECT_EQ(lines.find(failed, lines.find(failed) + 1), std::string::npos) << "bulk load is tried once";
    EXPECT_TRUE(table->fast_load_failed);
    EXPECT_EQ(table->record_count, 2u);
    EXPECT_EQ(sent(), (std::vector<std::wstring>{L"INSERT INTO [dbo].[t]([a]) VALUES( 1)",
                                                 L"INSERT INTO [dbo].[t]([a]) VALUES( 2)"}));
    EXPECT_TRUE(server->bulk_loads().empty());
}

TEST_F(bulk_load, refused_row_reaches_the_caller)
{
    udb_schema schema(true);
    schema.push_back(column(L"a", VT_I4, 4));
    auto table = create(schema, {fake::int_column(L"a", true)});
    server->fail_bulk_row(L"[dbo].[t]", 0, fake::sql_error(2627, L"Violation of PRIMARY KEY constraint."));
    EXPECT_THROW(append(*table, {{L"a", ole_variant(std::int32_t{1})}}), odb_exception);
    EXPECT_EQ(table->record_count, 0u);
    EXPECT_FALSE(table->fast_load_failed) << "a refused row does not end the bulk load";
}

// The last commit happens when the table object goes; its failure is
// reported, and the destruction completes.
TEST_F(bulk_load, failed_final_commit_is_reported_not_raised)
{
    udb_schema schema(true);
    schema.push_back(column(L"a", VT_I4, 4));
    auto table = create(schema, {fake::int_column(L"a", true)});
    append(*table, {{L"a", ole_variant(std::int32_t{1})}});
    server->fail_bulk_commit(L"[dbo].[t]", fake::sql_error(2627, L"Violation of PRIMARY KEY constraint 'pk_t'."));
    EXPECT_NO_THROW(table.reset());
    ASSERT_EQ(errors.reports.size(), 1u);
    EXPECT_EQ(errors.reports[0].text, "Violation of PRIMARY KEY constraint 'pk_t'.");
    EXPECT_EQ(errors.reports[0].code, 0u);
    EXPECT_TRUE(errors.reports[0].outer);
    EXPECT_FALSE(server->bulk_loads().back().done);
}

TEST_F(bulk_load, wide_values_are_bound_whatever_the_server_version)
{
    udb_schema schema(true);
    schema.push_back(column(L"big", VT_I8, 8));
    schema.push_back(column(L"unsigned", VT_UI4, 4));
    auto table =
        create(schema, {fake::typed_column(L"big", DBTYPE_I8, 8), fake::typed_column(L"unsigned", DBTYPE_I8, 8)});
    engine.version_code = 2;
    append(*table, {{L"big", ole_variant(std::int64_t{1})}, {L"unsigned", ole_variant(std::uint32_t{4000000000u})}});
    append(*table, {{L"big", ole_variant(std::int64_t{2})}, {L"unsigned", ole_variant(std::uint32_t{3})}});
    table.reset();
    ASSERT_EQ(rows().size(), 2u);
    EXPECT_EQ(text(rows()[0][1]), L"4000000000");
    EXPECT_EQ(text(rows()[1][0]), L"2");
    EXPECT_EQ(text(rows()[1][1]), L"3");
}

TEST_F(bulk_load, text_that_is_no_guid_is_refused_for_its_record)
{
    udb_schema schema(true);
    schema.push_back(column(L"g", VT_BSTR, 36, false, 1));
    auto table = create(schema, {fake::typed_column(L"g", DBTYPE_GUID, 16)});
    try {
        append(*table, {{L"g", ole_variant(std::wstring(L"not a guid"))}});
        FAIL() << "the text was taken as a GUID";
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.get_code(), 0u);
    }
    append(*table, {{L"g", ole_variant(std::wstring(L"6F9619FF-8B86-D011-B42D-00C04FC964FF"))}});
    table.reset();
    EXPECT_EQ(rows().size(), 1u);
}

}  // namespace

namespace {

SYSTEMTIME calendar_value(WORD year, WORD month, WORD day, WORD hour, WORD milliseconds)
{
    SYSTEMTIME time{};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = 20;
    time.wSecond = 30;
    time.wMilliseconds = milliseconds;
    return time;
}

struct date_case {
    const char* label;
    ole_variant value;
    const wchar_t* stored;
};

void PrintTo(const date_case& c, std::ostream* os)
{
    *os << c.label;
}

class bulk_date_test : public bulk_load, public testing::WithParamInterface<date_case> {};

// Dates MS SQL Server refuses are moved into its range; fractions keep
// their microseconds.
TEST_P(bulk_date_test, date_arrives_in_the_range_of_the_server)
{
    udb_schema schema(true);
    schema.push_back(column(L"made", VT_DATE, 0, false, 1));
    auto table = create(schema, {fake::typed_column(L"made", DBTYPE_DBTIMESTAMP, 16, true, 27, 7)});
    append(*table, {{L"made", GetParam().value}});
    table.reset();
    EXPECT_EQ(text(rows()[0][0]), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(
    mss, bulk_date_test,
    testing::Values(
        date_case{"zero_date", ole_variant(calendar_value(0, 0, 0, 10, 0)), L"1899-12-30 10:20:30.0000000"},
        date_case{"year_10000", ole_variant(calendar_value(10000, 1, 2, 10, 0)), L"9999-01-02 10:20:30.0000000"},
        date_case{"milliseconds", ole_variant(calendar_value(2024, 2, 29, 10, 5)), L"2024-02-29 10:20:30.0050000"},
        date_case{"microseconds", date("2024-02-29 10:20:30.123456"), L"2024-02-29 10:20:30.1234560"},
        date_case{"text", ole_variant(std::wstring(L"2024-02-29 10:20:30")), L"2024-02-29 10:20:30.0000000"}));

}  // namespace
