// Rows written by statements: one INSERT per record when bulk load is off,
// and the updates and deletes by key of merging and synchronizing.
#include "direct_path_fixture.h"
#include "model/column_descriptor.h"
#include "model/index.h"
#include "mssql/direct/mss_table.h"
#include "mssql/odb_exception.h"
#include "toolkit/tk_text_conversion.h"

#include <gtest/gtest.h>

namespace {

class row_writing : public direct_path_fixture {
protected:
    void SetUp() override
    {
        direct_path_fixture::SetUp();
        connect(version_2019, false);
        database = open_database();
    }

    std::unique_ptr<mss_table> create(bool identity = false)
    {
        udb_schema schema(true);
        schema.push_back(new t_ftd(4, L"id", VT_I4, true, identity, ole_variant()));
        schema.push_back(new t_ftd(20, L"name", VT_BSTR, false, false, ole_variant()));
        auto table = std::unique_ptr<mss_table>(
            static_cast<mss_table*>(database->create_table(L"[dbo].[t]", schema, udb_indexes())));
        udb_index key(L"pk", true, true);
        key.fields = {L"id"};
        table->add_index(key);
        mark();
        return table;
    }

    std::unique_ptr<mss_database> database;
};

TEST_F(row_writing, each_record_is_one_insert)
{
    auto table = create();
    std::unique_ptr<udb_record> first(
        record_of({{L"id", ole_variant(std::int32_t{1})}, {L"name", ole_variant(std::wstring(L"O'Brien"))}}));
    std::unique_ptr<udb_record> second(record_of({{L"name", ole_variant()}, {L"ID", ole_variant(std::int32_t{2})}}));
    table->append_record(*first);
    table->append_record(*second);
    EXPECT_EQ(sent(), (std::vector<std::wstring>{L"INSERT INTO [dbo].[t]([id], [name]) VALUES( 1, ?) {O'Brien}",
                                                 L"INSERT INTO [dbo].[t]([id], [name]) VALUES( 2, NULL)"}));
    EXPECT_EQ(table->record_count, 2u);
}

TEST_F(row_writing, identity_insertion_is_on_per_insert_and_off_at_the_end)
{
    auto table = create(true);
    std::unique_ptr<udb_record> record(
        record_of({{L"id", ole_variant(std::int32_t{1})}, {L"name", ole_variant(std::wstring(L"a"))}}));
    table->append_record(*record);
    table.reset();
    EXPECT_EQ(sent(), (std::vector<std::wstring>{
                          L"SET IDENTITY_INSERT [dbo].[t] ON;INSERT INTO [dbo].[t]([id], [name]) VALUES( 1, ?) {a}",
                          L"SET IDENTITY_INSERT [dbo].[t] OFF;",
                          L"IF IDENT_CURRENT('[dbo].[t]') <= 1 DBCC CHECKIDENT ('[dbo].[t]', RESEED, 1)"}));
}

TEST_F(row_writing, record_of_another_structure_sends_nothing)
{
    auto table = create();
    std::unique_ptr<udb_record> longer(
        record_of({{L"id", ole_variant(std::int32_t{1})}, {L"name", ole_variant()}, {L"x", ole_variant()}}));
    std::unique_ptr<udb_record> renamed(record_of({{L"id", ole_variant(std::int32_t{1})}, {L"other", ole_variant()}}));
    EXPECT_THROW(table->append_record(*longer), tk_exception);
    EXPECT_THROW(table->append_record(*renamed), tk_exception);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(table->record_count, 0u);
}

TEST_F(row_writing, duplicate_key_reaches_the_caller_and_the_table_goes_on)
{
    auto table = create();
    server->fail(L"INSERT INTO [dbo].[t]([id], [name]) VALUES( 1, NULL)",
                 fake::sql_error(2627, L"Violation of PRIMARY KEY constraint 'pk'.", L"23000"));
    std::unique_ptr<udb_record> duplicate(record_of({{L"id", ole_variant(std::int32_t{1})}, {L"name", ole_variant()}}));
    std::unique_ptr<udb_record> next(record_of({{L"id", ole_variant(std::int32_t{2})}, {L"name", ole_variant()}}));
    try {
        table->append_record(*duplicate);
        FAIL() << "the duplicate was taken";
    } catch (const odb_exception& e) {
        EXPECT_EQ(e.get_error_number(), 0x80E2Fu);
    }
    table->append_record(*next);
    EXPECT_EQ(sent().back(), L"INSERT INTO [dbo].[t]([id], [name]) VALUES( 2, NULL)");
    EXPECT_EQ(table->record_count, 1u);
}

TEST_F(row_writing, update_by_key_of_the_record)
{
    auto table = create();
    std::unique_ptr<udb_record> record(record_of(
        {{L"ID", ole_variant(std::int32_t{5})}, {L"name", ole_variant(std::wstring(L"x"))}, {L"gone", ole_variant()}}));
    std::unique_ptr<udb_record> keys_only(record_of({{L"id", ole_variant(std::int32_t{5})}}));
    std::unique_ptr<udb_record> no_key(record_of({{L"name", ole_variant(std::wstring(L"x"))}}));
    table->update1(*record);
    table->update1(*keys_only);  // nothing but the key: nothing to change
    EXPECT_THROW(table->update1(*no_key), tk_exception) << "a row that names no key is not updated";
    EXPECT_EQ(sent(), (std::vector<std::wstring>{L"UPDATE [dbo].[t] SET [name]=? WHERE [id]=5 {x}"}));
}

TEST_F(row_writing, a_row_lacking_part_of_the_key_is_not_updated)
{
    udb_schema schema(true);
    schema.push_back(new t_ftd(4, L"shop", VT_I4, true, false, ole_variant()));
    schema.push_back(new t_ftd(4, L"item", VT_I4, true, false, ole_variant()));
    schema.push_back(new t_ftd(20, L"name", VT_BSTR, false, false, ole_variant()));
    auto table = std::unique_ptr<mss_table>(
        static_cast<mss_table*>(database->create_table(L"[dbo].[stock]", schema, udb_indexes())));
    udb_index key(L"pk", true, true);
    key.fields = {L"shop", L"item"};
    table->add_index(key);
    mark();
    std::unique_ptr<udb_record> partial(
        record_of({{L"shop", ole_variant(std::int32_t{1})}, {L"name", ole_variant(std::wstring(L"x"))}}));
    EXPECT_THROW(table->update1(*partial), tk_exception) << "the update would reach every item of the shop";
    EXPECT_TRUE(sent().empty());
}

TEST_F(row_writing, update_by_key_text)
{
    auto table = create();
    std::unique_ptr<udb_record> record(
        record_of({{L"id", ole_variant(std::int32_t{5})}, {L"name", ole_variant(std::wstring(L"x"))}}));
    table->update2(*record, L"<id>5</id>");
    table->update2(*record, L"");
    EXPECT_EQ(sent(), std::vector<std::wstring>{L"UPDATE [dbo].[t] SET [name]=? WHERE [id]=5 {x}"});
}

TEST_F(row_writing, table_without_key_is_not_updated)
{
    log_capture log;
    udb_schema schema(true);
    schema.push_back(new t_ftd(4, L"id", VT_I4, true, false, ole_variant()));
    std::unique_ptr<udb_recordset> table(database->create_table(L"[dbo].[plain]", schema, udb_indexes()));
    mark();
    std::unique_ptr<udb_record> record(record_of({{L"id", ole_variant(std::int32_t{5})}}));
    EXPECT_THROW(table->update1(*record), tk_exception);
    table->update2(*record, L"<id>5</id>");
    EXPECT_TRUE(sent().empty());
    EXPECT_NE(log.text().find("ERROR: Cannot update '[dbo].[plain]', there's no primary/unique key"),
              std::string::npos);
    EXPECT_NE(log.text().find("ERROR: table '[dbo].[plain]' has no primary/unique key, update is not possible"),
              std::string::npos);
}

TEST_F(row_writing, deletes_by_key)
{
    auto table = create();
    std::unique_ptr<udb_record> key(record_of(
        {{L"id", ole_variant(std::int32_t{1})}, {L"name", ole_variant(std::wstring(L"a"))}, {L"gone", ole_variant()}}));
    table->delete_key(*key);
    table->delete_key(std::wstring(L"<id>2</id>"));
    EXPECT_EQ(sent(), (std::vector<std::wstring>{L"DELETE FROM [dbo].[t] WITH (ROWLOCK) WHERE [id]=1 AND [name]=N'a'",
                                                 L"DELETE FROM [dbo].[t] WITH (ROWLOCK) WHERE [id]=2"}));
}

// A text key is written as every other text of the run: N'...' when the run
// writes Unicode, so that a key beyond the server's code page finds its row.
TEST_F(row_writing, text_keys_of_a_key_text_take_the_runs_prefix)
{
    auto table = create();
    table->delete_key(std::wstring(L"<name>K\u00f6ln &amp; O'Neil</name>"));
    engine.unicode = false;
    table->delete_key(std::wstring(L"<name>a</name>"));
    EXPECT_EQ(sent(),
              (std::vector<std::wstring>{L"DELETE FROM [dbo].[t] WITH (ROWLOCK) WHERE [name]=N'K\u00f6ln & O''Neil' ",
                                         L"DELETE FROM [dbo].[t] WITH (ROWLOCK) WHERE [name]='a' "}));
}

// The conversion log tells which updates and deletes the server refused; a
// refused update of a synchronized row also reaches the caller, which counts
// the row as not written.
TEST_F(row_writing, refused_update_and_delete_reach_the_log)
{
    log_capture log;
    auto table = create();
    server->fail_prefix(L"UPDATE", fake::sql_error(547, L"The UPDATE statement conflicted."));
    server->fail_prefix(L"DELETE", fake::sql_error(547, L"The DELETE statement conflicted."));
    std::unique_ptr<udb_record> record(record_of({{L"id", ole_variant(std::int32_t{1})}, {L"name", ole_variant()}}));
    EXPECT_THROW(table->update1(*record), odb_exception);
    table->update2(*record, L"<id>1</id>");
    table->delete_key(*record);
    table->delete_key(std::wstring(L"<id>1</id>"));
    table->delete_key(std::wstring(L"<nothere>1</nothere>"));
    const std::string text = log.text();
    EXPECT_NE(text.find("ERROR on UPDATE1: The UPDATE statement conflicted."), std::string::npos);
    EXPECT_NE(text.find("ERROR on UPDATE2: The UPDATE statement conflicted."), std::string::npos);
    EXPECT_NE(text.find("ERROR on DELETE: The DELETE statement conflicted."), std::string::npos);
    EXPECT_NE(text.find("ERROR on DELETE: The structure of data source does not conform"), std::string::npos);
}

// A text or binary value longer than a part of a streamed value (4 MiB) is
// carried by a parameter that streams it from the record, never by the
// statement's text: the INSERT of a new row and the UPDATE of a held one
// receive it whole, and the statement logged names only its marker.
TEST_F(row_writing, merged_values_larger_than_a_part_arrive_whole)
{
    constexpr std::size_t length = (5 << 20) + 3;
    std::string utf8;
    std::wstring text;
    for (std::size_t i = 0; utf8.size() < length; ++i) {
        // ASCII with a 2-byte letter and a character beyond U+FFFF now and then.
        const bool rare = i % 1000 == 999;
        utf8 += rare ? (i % 2000 == 1999 ? "\xF0\x9F\x98\x80" : "\xC3\xB6") : std::string(1, 'a' + i % 26);
        text += rare ? (i % 2000 == 1999 ? L'\U0001F600' : L'\u00f6') : static_cast<wchar_t>(L'a' + i % 26);
    }
    std::vector<BYTE> bytes(length);
    for (std::size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<BYTE>(i * 7);
    ole_variant held_text;
    held_text.attach_string(utf8);
    const struct {
        const wchar_t* table;
        ole_variant value;
        fake::row parameters;
    } cases[] = {
        {L"utf8", held_text, {text}},
        {L"wide", ole_variant(text), {text}},
        {L"bytes", ole_variant(bytes), {oledb::db_bytes(bytes.begin(), bytes.end())}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.table);
        const std::wstring table_name = L"[dbo].[" + std::wstring(c.table) + L"]";
        log_capture log(2);
        udb_schema schema(true);
        schema.push_back(new t_ftd(4, L"id", VT_I4, true, false, ole_variant()));
        schema.push_back(new t_ftd(0, L"body", c.value.get_type() == VT_BSTR ? VARTYPE{VT_BSTR} : ole_vt_bytes, false,
                                   false, ole_variant()));
        auto table = std::unique_ptr<mss_table>(
            static_cast<mss_table*>(database->create_table(table_name, schema, udb_indexes())));
        udb_index key(L"pk", true, true);
        key.fields = {L"id"};
        table->add_index(key);
        mark();
        std::unique_ptr<udb_record> record(record_of({{L"id", ole_variant(std::int32_t{7})}, {L"body", c.value}}));
        table->append_record(*record);
        table->update1(*record);
        const std::vector<fake::statement_record> received = server->statements();
        ASSERT_GE(received.size(), 2u);
        const fake::statement_record& insert = received[received.size() - 2];
        const fake::statement_record& update = received.back();
        const std::wstring insert_text = L"INSERT INTO " + table_name + L"([id], [body]) VALUES( 7, ?)";
        EXPECT_EQ(insert.text, insert_text);
        EXPECT_EQ(update.text, L"UPDATE " + table_name + L" SET [body]=? WHERE [id]=7");
        EXPECT_TRUE(insert.parameters == c.parameters) << "the inserted value differs";
        EXPECT_TRUE(update.parameters == c.parameters) << "the updated value differs";
        EXPECT_LT(log.text().size(), std::size_t{1} << 20) << "the log holds the value";
        EXPECT_NE(log.text().find(tk_unicode_to_utf8(insert_text)), std::string::npos);
    }
}

}  // namespace
