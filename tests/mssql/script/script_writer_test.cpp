#include "mssql/script/script_writer.h"

#include "model/index.h"
#include "model/recordset.h"
#include "mssql/mss_engine.h"
#include "mssql/odb_exception.h"
#include "mssql/script/script_rows.h"
#include "mssql/script/script_test_support.h"
#include "platform/code_page.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_text_conversion.h"
#include "variant/ole_date.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <sys/resource.h>

namespace {

using mss_test::make_index;

using mss_test::column_def;
using mss_test::fill_record;
using mss_test::make_schema;

ole_variant text(const wchar_t* value)
{
    return ole_variant(std::wstring(value));
}

ole_variant date(const char* value)
{
    return ole_variant(ole_date(std::string(value)));
}

// A script closed as a run that reaches its end closes it: complete, in the
// destination's place.
struct commit_and_close {
    void operator()(mss_dmp_database* script) const
    {
        try {
            script->commit();
        } catch (const tk_exception& e) {
            ADD_FAILURE() << e.what();
        }
        delete script;
    }
};
using script_ptr = std::unique_ptr<mss_dmp_database, commit_and_close>;

class mss_script_test : public testing::Test {
protected:
    script_ptr open_script(const std::string& file_name, const mss_dump_options& options)
    {
        path = folder.file(file_name);
        return script_ptr(engine.create_dump(path, options));
    }

    std::string written() const { return mss_test::stable_script(mss_test::read_bytes(path), folder); }

    // Rows only: no comments, no table structure.
    script_ptr open_rows_script(const std::string& file_name)
    {
        mss_dump_options options;
        options.comments = false;
        options.structure = false;
        return open_script(file_name, options);
    }

    static udb_schema id_and_name() { return make_schema({{L"id", VT_I4, 4, true, true}, {L"name", VT_BSTR, 10}}); }

    static void append(udb_recordset& table, const std::vector<ole_variant>& values)
    {
        udb_record record;
        fill_record(record, table.schema, values);
        table.append_record(record);
    }

    mss_engine engine;
    mss_test::recording_error_handler errors;
    mss_test::scratch_folder folder;
    std::wstring path;
};

// Every mapped column type, keys and indexes, foreign keys, sequences, views,
// a schema other than dbo and names that need quoting.
TEST_F(mss_script_test, structure_of_a_database)
{
    mss_dump_options options;
    options.create_database = true;
    options.title = "Velmora 8.3 ";
    auto script = open_script("shop.sql", options);

    udb_schema orders = make_schema({
        {L"id", VT_I4, 4, true, true},
        {L"small", VT_I2, 2},
        {L"tiny", VT_UI1, 1},
        {L"count", VT_UI4, 4},
        {L"big", VT_I8, 8},
        {L"huge", VT_UI8, 8},
        {L"ratio", VT_R4, 4},
        {L"single", VT_R8, 8, false, false, ole_variant(), 1},
        {L"double", VT_R8, 8},
        {L"price", VT_DECIMAL, 12, true, false, text(L"0.00"), 0, 10, 2},
        {L"fee", VT_CY, 8, false, false, ole_variant(), 0, 19, 4},
        {L"placed", VT_DATE, 0, false, false, text(L"now()")},
        {L"day", VT_DATE, 0, false, false, ole_variant(), 2},
        {L"at", VT_DATE, 0, false, false, ole_variant(), 3},
        {L"zoned", VT_DATE, 0, false, false, ole_variant(), 16},
        {L"changed", VT_DATE, 0, true, false, ole_variant(), 9},
        {L"today", VT_DATE, 0, false, false, ole_variant(), 10},
        {L"paid", VT_BOOL, 1, true, false, text(L"0")},
        {L"name", VT_BSTR, 50, true, false, text(L"it's")},
        {L"note", VT_BSTR, 0},
        {L"code", VT_BSTR, 36, false, false, text(L"uuid_generate_v4()"), 1},
        {L"shape", VT_BSTR, 0, false, false, ole_variant(), 2},
        {L"place", VT_BSTR, 0, false, false, ole_variant(), 8},
        {L"thumb", ole_vt_bytes, 100},
        {L"photo", VT_BLOB, 0},
        {L"state", VT_I4, 4, false, false, text(L"x'); DROP TABLE t; --")},
    });
    udb_indexes order_keys;
    order_keys.push_back(make_index(L"PRIMARY", true, true, {L"id"}));
    order_keys.push_back(make_index(L"uq_name", true, false, {L"name", L"day"}));
    order_keys.push_back(make_index(L"ix_placed", false, false, {L"placed", L"small"}));
    order_keys.push_back(make_index(L"uc_code", true, false, {L"code"}, true));
    order_keys.push_back(make_index(L"ix_paid", false, false, {L"paid"}));
    order_keys.push_back(make_index(L"ix_note", false, false, {L"note"}));
    order_keys.push_back(make_index(L"ix_empty", false, false, {}));

    script->create_schema(L"dbo");
    script->create_schema(L"sales");
    delete script->create_table(L"sales.orders", orders, order_keys);
    script->create_indexes(L"sales.orders", orders, order_keys);

    const std::wstring odd_table = L"Grüße]'s";
    udb_schema odd = make_schema({{L"nr", VT_I4, 4}, {L"order]id", VT_I4, 4}, {L"Ärger's", VT_BSTR, 20}});
    udb_indexes odd_keys;
    odd_keys.push_back(make_index(L"PRIMARY", true, true, {L"nr"}));
    odd_keys.push_back(make_index(L"ix'odd]", false, false, {L"Ärger's"}));
    delete script->create_table(odd_table, odd, odd_keys);
    script->create_indexes(odd_table, odd, odd_keys);

    udb_relationships keys;
    keys.push_back(udb_relationship(L"fk_odd_order", L"", odd_table, L"sales.orders", {L"order]id"}, {L"id"},
                                    L" ON DELETE CASCADE ON UPDATE NO ACTION "));
    keys.push_back(udb_relationship(L"", L"", odd_table, L"sales.orders", {L"nr"}, {L"id"}, L"ON DELETE CASCADE"));
    script->create_relationships(keys);

    script->create_sequences({udb_sequence(L"sales.order_no", 100, 1, 1, 999, true),
                              udb_sequence(L"ticket", -5, -1, -100, 0, false),
                              udb_sequence(L"o'neil].seq", 1, 1, 1, 10, false)});

    script->create_views({
        {L"v_orders", L"select `o`.`id` AS `id`,now() AS `n`,ifnull(`o`.`note`,_utf8mb4'none') AS `note`,"
                      L"isnull(curdate()) AS `d`,from_unixtime(`o`.`big`) AS `t`,'it\\'s' AS `s` "
                      L"from `sales`.`orders` `o`"},
        {L"2nd view", L"SELECT curtime() AS `nowait`"},
        {L"o'view]", L"select 1 AS `a``b`"},
        {L"not_a_view", L"show tables"},
    });
    script.reset();

    const std::string actual = written();
    EXPECT_EQ(actual, mss_test::golden("structure.sql", actual));
    // The view the script leaves out is reported and counted, not dropped in silence.
    EXPECT_EQ(errors.texts,
              std::vector<std::string>{"Its text is not a SELECT statement; the script does not create it."});
    EXPECT_EQ(errors.context, L"View 'not_a_view'");
    EXPECT_EQ(errors.failed_objects(), 1u);
}

// Identity insertion, statements of 11 rows, NULLs and defaults in NOT NULL
// columns; a table without rows writes no row statement at all.
TEST_F(mss_script_test, rows_of_tables)
{
    mss_dump_options options;
    options.comments = false;
    auto script = open_script("rows.sql", options);

    udb_schema items = make_schema({
        {L"id", VT_I4, 4, true, true},
        {L"name", VT_BSTR, 30, true, false, text(L"n/a")},
        {L"qty", VT_I4, 4, true, false, text(L"5")},
        {L"image", ole_vt_bytes, 16, true},
        {L"price", VT_R8, 8},
        {L"sold", VT_DATE, 0},
        {L"code", VT_BSTR, 36, false, false, ole_variant(), 1},
    });
    {
        std::unique_ptr<udb_recordset> table(script->create_table(L"items", items, udb_indexes()));
        for (int i = 1; i <= 25; ++i) {
            const bool empty_row = i % 5 == 0;
            append(*table,
                   {ole_variant(std::int32_t{i}), empty_row ? ole_variant() : text(i == 1 ? L"O'Brien" : L"Müller"),
                    empty_row ? ole_variant() : ole_variant(std::int32_t{i * 10}),
                    empty_row ? ole_variant() : ole_variant(std::vector<BYTE>{0x00, 0xAB, BYTE(i)}),
                    empty_row ? ole_variant() : ole_variant(1.5),
                    empty_row ? ole_variant() : date("2024-02-29 13:14:15.123456"),
                    empty_row ? ole_variant() : text(L"{00112233-4455-6677-8899-AABBCCDDEEFF}")});
        }
    }
    udb_schema empty = make_schema({{L"id", VT_I4, 4, true, true}});
    delete script->create_table(L"empty", empty, udb_indexes());
    script.reset();

    const std::string actual = written();
    EXPECT_EQ(actual, mss_test::golden("rows.sql", actual));
}

// Values over 1 MiB go to the file in steps and close their statement; a value
// of exactly 1 MiB stays a literal.
// The database named after the file, and the file's name in the head's
// comment, read as no client command either.
TEST_F(mss_script_test, file_name_reads_as_no_client_command)
{
    mss_dump_options options;
    options.create_database = true;
    open_script("a$(b)\nexit.sql", options).reset();
    const std::string head = written();
    EXPECT_EQ(head.find("$("), std::string::npos) << head;
    EXPECT_EQ(head.find("\nexit"), std::string::npos) << head;
    EXPECT_NE(head.find("File name: OUT/a_(b)_exit.sql\r\n"), std::string::npos) << head;
    EXPECT_NE(head.find("CREATE DATABASE [a_(b)_exit];"), std::string::npos) << head;
}

TEST_F(mss_script_test, large_values)
{
    mss_dump_options options;
    options.comments = false;
    options.structure = false;
    auto script = open_script("large.sql", options);

    const std::vector<BYTE> mib(0x100000, 0x5A);
    std::vector<BYTE> over_mib(0x100001);
    for (std::size_t i = 0; i < over_mib.size(); ++i)
        over_mib[i] = BYTE(i * 7);
    const std::wstring long_text = std::wstring(0x80000, L'ä') + L"'" + std::wstring(0x80000, L'b');

    udb_schema blobs = make_schema({{L"id", VT_I4, 4}, {L"data", ole_vt_bytes, 0}, {L"note", VT_BSTR, 0}});
    {
        std::unique_ptr<udb_recordset> table(script->create_table(L"blobs", blobs, udb_indexes()));
        append(*table, {ole_variant(std::int32_t{1}), ole_variant(std::vector<BYTE>{1, 2}), text(L"a")});
        append(*table, {ole_variant(std::int32_t{2}), ole_variant(mib), text(L"b")});
        append(*table, {ole_variant(std::int32_t{3}), ole_variant(over_mib), text(L"c")});
        append(*table, {ole_variant(std::int32_t{4}), ole_variant(), ole_variant(long_text)});
        append(*table, {ole_variant(std::int32_t{5}), ole_variant(std::vector<BYTE>{3}), text(L"e")});
    }
    script.reset();

    std::string mib_hex(2 * mib.size(), '5');
    for (std::size_t i = 1; i < mib_hex.size(); i += 2)
        mib_hex[i] = 'A';
    std::string over_hex;
    static const char digits[] = "0123456789ABCDEF";
    for (const BYTE b : over_mib) {
        over_hex += digits[b >> 4];
        over_hex += digits[b & 15];
    }
    std::string text_utf8 = tk_unicode_to_utf8(long_text);
    text_utf8.replace(text_utf8.find('\''), 1, "''");
    const std::string actual = written();
    EXPECT_EQ(actual,
              mss_test::golden("large.sql", actual, {{"MIB", mib_hex}, {"OVER_MIB", over_hex}, {"TEXT", text_utf8}}));
}

// A streamed text keeps its zero characters and breaks its client-command
// lines and its "$(" also where a step of the stream starts such a line or
// would cut its blanks and first letters, or "$" and "(", apart; alike
// whether it was read as UTF-8 or is held as wide text.
TEST_F(mss_script_test, streamed_text_keeps_every_character)
{
    constexpr std::size_t step = 0x20000;
    struct split_line {
        std::wstring before;  // ends where the line starts
        std::wstring line;
    };
    const split_line cases[] = {
        {std::wstring(step - 1, L'x') + L"\n", L"GO\r\n"},     {std::wstring(step - 2, L'x') + L"\r", L"go\n"},
        {std::wstring(step - 3, L'x') + L"\n", L" \tgO\r\n"},  {std::wstring(step - 3, L'x') + L"\n", L"exit\r\n"},
        {std::wstring(step - 6, L'x') + L"\r", L" version\n"}, {std::wstring(step - 1, L'x') + L"$", L"(x)"},
    };
    const std::wstring tail = std::wstring(0x100000, L'\u00e4') + std::wstring(1, L'\0') + L"z";
    auto script = open_rows_script("streamed.sql");
    udb_schema notes = make_schema({{L"note", VT_BSTR, 0}});
    std::string expected;
    {
        std::unique_ptr<udb_recordset> table(script->create_table(L"notes", notes, udb_indexes()));
        for (const split_line& text : cases) {
            const std::wstring value = text.before + text.line + tail;
            append(*table, {ole_variant(value)});
            std::string utf8;
            ASSERT_TRUE(WideCharToMultiByte(CP_UTF8, value, utf8));
            append(*table, {ole_variant(utf8)});
            const std::string row =
                "INSERT INTO [dbo].[notes] ([note])\r\n VALUES (\r\nCAST(N'' AS NVARCHAR(MAX)) + N'" +
                tk_unicode_to_utf8(text.before) + "' + N'" + tk_unicode_to_utf8(text.line) +
                tk_unicode_to_utf8(tail.substr(0, tail.size() - 2)) + "' + NCHAR(0) + N'z')\r\nGO\r\n\r\n";
            expected += row + row;
        }
    }
    script.reset();
    const std::string actual = written().substr(written().find("INSERT"));
    const auto difference = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    EXPECT_TRUE(actual == expected) << "first difference at byte " << difference.first - actual.begin();
}

TEST_F(mss_script_test, row_that_does_not_fit_the_table_writes_nothing)
{
    auto script = open_rows_script("mismatch.sql");
    const udb_schema schema = id_and_name();
    {
        std::unique_ptr<udb_recordset> table(script->create_table(L"t", schema, udb_indexes()));
        udb_record short_record;
        fill_record(short_record, schema, {ole_variant(std::int32_t{1})});
        EXPECT_THROW(table->append_record(short_record), tk_exception);
        udb_record wrong_names;
        wrong_names.push_back(new udb_field(L"id", 4, ole_variant(std::int32_t{1})));
        wrong_names.push_back(new udb_field(L"other", 10, text(L"x")));
        EXPECT_THROW(table->append_record(wrong_names), tk_exception);
    }
    script.reset();
    EXPECT_EQ(written(), "SET QUOTED_IDENTIFIER ON;\r\nGO\r\n");
}

// A text or a byte value longer than its column leaves its record out, whole,
// before any of it joins the statement; the records around it are written.
TEST_F(mss_script_test, values_longer_than_their_column_leave_only_their_record_out)
{
    auto script = open_rows_script("room.sql");
    const udb_schema schema =
        make_schema({{L"id", VT_I4, 4, true, true}, {L"name", VT_BSTR, 3}, {L"raw", ole_vt_bytes, 2}});
    const auto bytes = [](std::vector<BYTE> value) { return ole_variant(std::move(value)); };
    {
        std::unique_ptr<udb_recordset> table(script->create_table(L"t", schema, udb_indexes()));
        append(*table, {ole_variant(std::int32_t{1}), text(L"abc"), bytes({1, 2})});
        try {
            append(*table, {ole_variant(std::int32_t{2}), text(L"a"), bytes({1, 2, 3})});
            ADD_FAILURE() << "three bytes were taken into two";
        } catch (const tk_exception& e) {
            EXPECT_STREQ(e.what(), "The value of column 'raw' needs 3 bytes, the column holds 2: 0x010203");
            EXPECT_EQ(e.get_code(), 0u);
        }
        EXPECT_THROW(append(*table, {ole_variant(std::int32_t{3}), text(L"abcd"), bytes({1})}), tk_exception);
        append(*table, {ole_variant(std::int32_t{4}), text(L"\U0001F600a"), bytes({})});
    }
    script.reset();
    EXPECT_EQ(written(), "SET QUOTED_IDENTIFIER ON;\r\nGO\r\nSET IDENTITY_INSERT [dbo].[t] ON;\r\nGO\r\n"
                         "INSERT INTO [dbo].[t] ([id], [name], [raw]) VALUES (1, N'abc', 0x0102), "
                         "(4, N'\xF0\x9F\x98\x80"
                         "a', 0x)\r\nGO\r\n\r\nSET IDENTITY_INSERT [dbo].[t] OFF;\r\nGO\r\n");
}

// Fields are matched by name whatever their order, which may change from one
// record to the next; a record without a column's field fails after good ones.
TEST_F(mss_script_test, fields_are_found_by_name_in_any_order)
{
    auto script = open_rows_script("order.sql");
    const udb_schema schema = id_and_name();
    const auto record_of = [](std::vector<std::pair<const wchar_t*, ole_variant>> fields, udb_record& record) {
        for (auto& [name, value] : fields)
            record.push_back(new udb_field(name, 10, value));
    };
    {
        std::unique_ptr<udb_recordset> table(script->create_table(L"t", schema, udb_indexes()));
        udb_record in_order, reversed, other_case, wrong_names;
        record_of({{L"id", ole_variant(std::int32_t{1})}, {L"name", text(L"a")}}, in_order);
        record_of({{L"name", text(L"b")}, {L"id", ole_variant(std::int32_t{2})}}, reversed);
        record_of({{L"NAME", text(L"c")}, {L"Id", ole_variant(std::int32_t{3})}}, other_case);
        record_of({{L"id", ole_variant(std::int32_t{4})}, {L"other", text(L"d")}}, wrong_names);
        table->append_record(in_order);
        table->append_record(reversed);
        table->append_record(reversed);
        table->append_record(other_case);
        EXPECT_THROW(table->append_record(wrong_names), tk_exception);
        table->append_record(in_order);
    }
    script.reset();
    EXPECT_EQ(written(), "SET QUOTED_IDENTIFIER ON;\r\nGO\r\nSET IDENTITY_INSERT [dbo].[t] ON;\r\nGO\r\n"
                         "INSERT INTO [dbo].[t] ([id], [name]) VALUES (1, N'a'), (2, N'b'), (2, N'b'), (3, N'c'), "
                         "(1, N'a')\r\nGO\r\n\r\nSET IDENTITY_INSERT [dbo].[t] OFF;\r\nGO\r\n");
}

TEST_F(mss_script_test, table_is_created_once_and_never_read)
{
    mss_dump_options options;
    auto script = open_script("twice.sql", options);
    udb_schema schema = make_schema({{L"id", VT_I4, 4}});
    delete script->create_table(L"t", schema, udb_indexes());
    EXPECT_THROW(delete script->create_table(L"[dbo].[t]", schema, udb_indexes()), odb_exception);
    EXPECT_TRUE(script->is_table_exist(L"[dbo].[t]"));
    EXPECT_THROW(script->get_table(L"t", 1), tk_mail_assertion);
    EXPECT_EQ(script->get_query(L"q", L"select 1", 1), nullptr);
    EXPECT_FALSE(script->test_query(L"select 1"));
}

TEST_F(mss_script_test, file_that_cannot_be_opened_is_an_error)
{
    try {
        open_script("missing/folder/x.sql", mss_dump_options());
        FAIL() << "no exception";
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.get_code(), 1u);
        const std::string message = e.what();
        EXPECT_NE(message.find("missing/folder/x.sql"), std::string::npos) << message;
        EXPECT_NE(message.find("No such file or directory"), std::string::npos) << message;
    }
}

// Files of the folder other than the destination: what a script left behind.
std::vector<std::string> other_files(const mss_test::scratch_folder& folder, const std::wstring& destination)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        if (entry.path() != std::filesystem::path(destination))
            names.push_back(entry.path().filename().string());
    }
    return names;
}

// An earlier file stays whole until the new script is complete; a script
// that is not completed leaves it and nothing else behind; of two scripts on
// one destination the one completed last stands, whole.
TEST_F(mss_script_test, destination_is_replaced_only_by_a_complete_script)
{
    path = folder.file("out.sql");
    mss_test::write_bytes(path, "earlier script");
    mss_dump_options options;
    options.comments = false;
    {
        std::unique_ptr<mss_dmp_database> unfinished(engine.create_dump(path, options));
        unfinished->query(L"-- unfinished");
    }
    EXPECT_EQ(mss_test::read_bytes(path), "earlier script");
    EXPECT_TRUE(other_files(folder, path).empty());

    std::unique_ptr<mss_dmp_database> first(engine.create_dump(path, options));
    std::unique_ptr<mss_dmp_database> second(engine.create_dump(path, options));
    first->query(L"-- first");
    second->query(L"-- second");
    EXPECT_EQ(other_files(folder, path).size(), 2u);
    second->commit();
    EXPECT_EQ(mss_test::read_bytes(path), "SET QUOTED_IDENTIFIER ON;\r\nGO\r\n-- second\n");
    first->commit();
    EXPECT_EQ(mss_test::read_bytes(path), "SET QUOTED_IDENTIFIER ON;\r\nGO\r\n-- first\n");
    EXPECT_TRUE(other_files(folder, path).empty());
}

// The process may write no file larger than a few bytes, so every write of
// the script fails as on a full device.
class file_size_limit {
public:
    explicit file_size_limit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit limited = m_saved;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~file_size_limit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, SIG_DFL);
    }

private:
    rlimit m_saved{};
};

TEST_F(mss_script_test, a_script_that_missed_a_write_is_never_completed)
{
    path = folder.file("full.sql");
    mss_test::write_bytes(path, "earlier script");
    auto script = std::unique_ptr<mss_dmp_database>(engine.create_dump(path, mss_dump_options()));
    {
        file_size_limit limit(16);
        // The file is written on a thread of its own: the failed write is
        // raised by the statement or, at the latest, by the commit.
        try {
            script->query(std::wstring(1 << 19, L'x'));
        } catch (const tk_exception& e) {
            EXPECT_NE(std::string(e.what()).find("File too large"), std::string::npos) << e.what();
        }
        try {
            script->commit();
            FAIL() << "committed";
        } catch (const tk_exception& e) {
            EXPECT_EQ(e.get_code(), 1u);
            const std::string message = e.what();
            EXPECT_NE(message.find("Cannot write the script file '" + tk_unicode_to_utf8(path) + "'"),
                      std::string::npos)
                << message;
            EXPECT_NE(message.find("File too large"), std::string::npos) << message;
        }
    }
    EXPECT_THROW(script->commit(), tk_exception) << "once failed, never committed";
    script.reset();
    EXPECT_EQ(mss_test::read_bytes(path), "earlier script");
    EXPECT_TRUE(other_files(folder, path).empty());
}

}  // namespace

namespace {

// A type rule may write an identity column without IDENTITY: the table then
// gets no IDENTITY_INSERT lines, which SQL Server would refuse.
struct identity_case {
    const char* label;
    const wchar_t* rule_type;  // the column's custom type, empty for none
    bool identity_insert;
};

class identity_insert_lines : public mss_script_test, public testing::WithParamInterface<identity_case> {};

TEST_P(identity_insert_lines, follow_the_created_type)
{
    mss_dump_options options;
    options.comments = false;
    auto script = open_script("identity.sql", options);
    udb_schema schema = make_schema({{L"id", VT_I4, 4, true, true}});
    schema[0]->native_type = GetParam().rule_type;
    {
        std::unique_ptr<udb_recordset> table(script->create_table(L"t", schema, udb_indexes()));
        append(*table, {ole_variant(std::int32_t{7})});
    }
    script.reset();
    const std::string sql = written();
    EXPECT_EQ(sql.find("SET IDENTITY_INSERT [dbo].[t] ON;") != std::string::npos, GetParam().identity_insert) << sql;
    EXPECT_EQ(sql.find("SET IDENTITY_INSERT [dbo].[t] OFF;") != std::string::npos, GetParam().identity_insert);
}

INSTANTIATE_TEST_SUITE_P(Rules, identity_insert_lines,
                         testing::Values(identity_case{"no_rule", L"", true},
                                         identity_case{"plain_bigint", L"bigint", false},
                                         identity_case{"rule_with_identity", L"bigint IDENTITY(1,1)", true}),
                         [](const testing::TestParamInfo<identity_case>& info) { return info.param.label; });

}  // namespace
