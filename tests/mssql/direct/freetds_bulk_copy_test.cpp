// Bulk load down to the driver's bulk-copy calls, as far as it goes without
// a server: the row buffer of the fast-load accessor, read by the stand-in's
// fast-load rowset, reaches bcp_bind, bcp_sendrow, bcp_batch and bcp_done
// as length-prefixed buffers. SQLite keeps and describes the table.
#include "model/schema.h"
#include "mssql/direct/bulk_load.h"
#include "mssql/direct/sequential_stream.h"
#include "mssql/mss_engine.h"
#include "platform/oledb/fast_load_rowset.h"
#include "platform/oledb/utf16.h"
#include "recording_bulk_copy.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace {

using bytes = std::vector<unsigned char>;

// A session whose one table is the given fast-load rowset; it owns the rowset.
class fast_load_session final : public IOpenRowset {
public:
    explicit fast_load_session(IRowsetFastLoad* rowset) : m_rowset(rowset) {}
    ~fast_load_session() override { m_rowset->Release(); }

    HRESULT QueryInterface(REFIID riid, void** object) override
    {
        *object = riid == IID_IUnknown || riid == IID_IOpenRowset ? this : nullptr;
        return *object ? S_OK : E_NOINTERFACE;
    }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT OpenRowset(IUnknown*, DBID*, DBID*, REFIID riid, ULONG, DBPROPSET[], IUnknown** rowset) override
    {
        return m_rowset->QueryInterface(riid, reinterpret_cast<void**>(rowset));
    }

private:
    IRowsetFastLoad* m_rowset;
};

bytes utf8(const char* text)
{
    return bytes(text, text + std::strlen(text));
}

class freetds_bcp : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::filesystem::exists(VELMORA_SQLITE_ODBC_DRIVER))
            GTEST_SKIP() << "the SQLite ODBC driver is not installed";
        copy = std::make_unique<sqlite_bulk_copy>(
            VELMORA_SQLITE_ODBC_DRIVER,
            L"CREATE TABLE dbo.t (id INTEGER, name VARCHAR(20), price DOUBLE, data LONGVARBINARY)");
        session = std::make_unique<fast_load_session>(
            new oledb::fast_load_rowset(copy->open(L"[dbo].[t]", true), oledb::busy_lease()));
        schema.push_back(new t_ftd(4, L"id", VT_I4, false, false, ole_variant()));
        schema.push_back(new t_ftd(20, L"name", VT_BSTR, false, false, ole_variant()));
        schema.push_back(new t_ftd(8, L"price", VT_R8, false, false, ole_variant()));
        schema.push_back(new t_ftd(0, L"data", VT_BLOB, false, false, ole_variant()));
        DBID id{};
        id.eKind = DBKIND_NAME;
        id.uName.pwszName = table_name.data();
        ASSERT_EQ(load.open_table(session.get(), &id, schema), S_OK);
    }

    void bind_row(std::int32_t id, const std::string* name, double price, const bytes& data)
    {
        load.bind_data2(&id, sizeof(id), 1);
        if (name)
            load.bind_data2(name->data(), static_cast<std::uint32_t>(name->size()), 2);
        else
            load.bind_data2(nullptr, 0, 2);
        load.bind_data2(&price, sizeof(price), 3);
        // A long binary column takes its value as a stream.
        CSeqStream* stream = new CSeqStream;
        stream->Write(data.data(), static_cast<ULONG>(data.size()), nullptr);
        IUnknown* object = stream;
        load.bind_data3(&object, sizeof(object), stream->GetLength(), 4);
        load.insert_data();
    }

    mss_engine engine;
    std::wstring table_name = L"[dbo].[t]";
    std::unique_ptr<sqlite_bulk_copy> copy;
    std::unique_ptr<fast_load_session> session;
    udb_schema schema{true};
    mss_fast_load load;
};

TEST_F(freetds_bcp, rows_reach_the_bulk_copy_as_length_prefixed_buffers)
{
    const std::string name = "Grüße";
    bind_row(7, &name, 2.5, {1, 2, 3});
    bind_row(8, nullptr, -1, {});
    load.close_table();
    const recorded_bulk_copy& record = copy->record();
    EXPECT_EQ(record.table, L"[dbo].[t]");
    EXPECT_TRUE(record.keep_identity);
    const int text = sqlite_bulk_copy::character_type();
    EXPECT_EQ(record.bound_types, (std::vector<int>{text, text, text, sqlite_bulk_copy::binary_type()}));
    EXPECT_EQ(load.get_column_type(3), DBTYPE_IUNKNOWN);
    ASSERT_EQ(record.rows.size(), 2u);
    EXPECT_EQ(record.rows[0][0], utf8("7"));
    EXPECT_EQ(record.rows[0][1], utf8("Grüße"));
    EXPECT_EQ(record.rows[0][2], utf8("2.5"));
    EXPECT_EQ(record.rows[0][3], (bytes{1, 2, 3}));
    EXPECT_EQ(record.rows[1][0], utf8("8"));
    EXPECT_FALSE(record.rows[1][1].has_value()) << "NULL is the length -1";
    EXPECT_EQ(record.rows[1][2], utf8("-1"));
    EXPECT_EQ(record.rows[1][3], bytes{});
    EXPECT_EQ(record.batches, 0);
    EXPECT_EQ(record.dones, 1);
}

TEST_F(freetds_bcp, batches_follow_the_bound_bytes)
{
    const bytes data(60000, 0x5A);
    bind_row(1, nullptr, 0, data);
    EXPECT_EQ(copy->record().batches, 0);
    bind_row(2, nullptr, 0, data);
    EXPECT_EQ(copy->record().batches, 1);
    bind_row(3, nullptr, 0, data);
    EXPECT_EQ(copy->record().batches, 1);
    load.close_table();
    EXPECT_EQ(copy->record().dones, 1);
    ASSERT_EQ(copy->record().rows.size(), 3u);
    EXPECT_EQ(copy->record().rows[2][3], data);
}

// FreeTDS takes no value over 4096 bytes from program variables: such a
// row goes in by one INSERT between two bulk loads, the others stay in bulk.
TEST_F(freetds_bcp, a_row_with_a_value_the_driver_cannot_take_goes_by_statement)
{
    copy->set_value_limit(4096);
    const std::string name = "kept";
    bind_row(1, &name, 1, {1});
    bind_row(2, &name, 2, bytes(5000, 0x5A));
    bind_row(3, nullptr, 3, {3});
    load.close_table();
    const recorded_bulk_copy& record = copy->record();
    ASSERT_EQ(record.rows.size(), 2u);
    EXPECT_EQ(record.rows[0][0], utf8("1"));
    EXPECT_EQ(record.rows[1][0], utf8("3"));
    EXPECT_EQ(record.dones, 2) << "the load before the statement ends, a new one follows";
    const auto inserted = copy->query(L"SELECT id, name, price, length(data) FROM dbo.t");
    std::vector<oledb::db_value> row;
    ASSERT_TRUE(inserted->fetch(row));
    EXPECT_EQ(row[0], oledb::db_value(std::wstring(L"2")));
    EXPECT_EQ(row[1], oledb::db_value(std::wstring(L"kept")));
    EXPECT_EQ(row[3], oledb::db_value(std::wstring(L"5000")));
    EXPECT_FALSE(inserted->fetch(row));
}

// A long row first in the table, and first again after a load ended for
// one: no load that has sent nothing is ever ended, and every row arrives.
TEST_F(freetds_bcp, long_rows_arrive_at_any_position)
{
    copy->set_value_limit(4096);
    const std::string name = "kept";
    bind_row(1, &name, 1, bytes(5000, 0x11));
    bind_row(2, &name, 2, bytes(100000, 0x22));
    bind_row(3, &name, 3, {3});
    bind_row(4, nullptr, 4, bytes(5000, 0x44));
    bind_row(5, nullptr, 5, bytes(6000, 0x55));
    bind_row(6, &name, 6, {6});
    load.close_table();
    const recorded_bulk_copy& record = copy->record();
    EXPECT_EQ(record.refused_dones, 0);
    EXPECT_EQ(record.inits, 2) << "a load for row 3, a new one for row 6";
    EXPECT_EQ(record.dones, 2);
    ASSERT_EQ(record.rows.size(), 2u);
    EXPECT_EQ(record.rows[0][0], utf8("3"));
    EXPECT_EQ(record.rows[1][0], utf8("6"));
    const auto inserted = copy->query(L"SELECT id, length(data), hex(substr(data, 1, 1)) FROM dbo.t ORDER BY id");
    std::vector<oledb::db_value> row;
    const std::vector<std::vector<std::wstring>> expected = {
        {L"1", L"5000", L"11"}, {L"2", L"100000", L"22"}, {L"4", L"5000", L"44"}, {L"5", L"6000", L"55"}};
    for (const auto& values : expected) {
        ASSERT_TRUE(inserted->fetch(row));
        for (std::size_t i = 0; i < values.size(); ++i)
            EXPECT_EQ(row[i], oledb::db_value(values[i]));
    }
    EXPECT_FALSE(inserted->fetch(row));
}

// A table whose every row is long opens no bulk load at all.
TEST_F(freetds_bcp, a_table_of_long_rows_goes_by_statements_alone)
{
    copy->set_value_limit(4096);
    for (int id = 1; id <= 3; ++id)
        bind_row(id, nullptr, id, bytes(5000, 0x33));
    load.close_table();
    EXPECT_EQ(copy->record().inits, 0);
    EXPECT_EQ(copy->record().dones + copy->record().refused_dones, 0);
    const auto counted = copy->query(L"SELECT count(*), sum(length(data)) FROM dbo.t");
    std::vector<oledb::db_value> row;
    ASSERT_TRUE(counted->fetch(row));
    EXPECT_EQ(row[0], oledb::db_value(std::wstring(L"3")));
    EXPECT_EQ(row[1], oledb::db_value(std::wstring(L"15000")));
}

// A value of megabytes stays in its stream down to the statement, which
// gathers it on the server in parts: it arrives whole, the rows around it in
// bulk.
TEST_F(freetds_bcp, a_value_of_megabytes_goes_by_statement_in_parts)
{
    copy->set_value_limit(4096);
    bytes large(5 << 20);
    for (std::size_t i = 0; i < large.size(); ++i)
        large[i] = static_cast<unsigned char>(i * 7 % 251);
    const std::string name = "kept";
    bind_row(1, &name, 1, {1});
    bind_row(2, &name, 2, large);
    bind_row(3, &name, 3, {3});
    load.close_table();
    EXPECT_EQ(copy->record().rows.size(), 2u);
    const auto inserted = copy->query(L"SELECT data FROM dbo.t WHERE id = 2");
    std::vector<oledb::db_value> row;
    ASSERT_TRUE(inserted->fetch(row));
    EXPECT_TRUE(row[0] == oledb::db_value(oledb::db_bytes(large.begin(), large.end())));
    EXPECT_FALSE(inserted->fetch(row));
}

// Gives a buffer in reads of an odd size, so that no read ends where a
// character or a part does.
class buffer_source final : public oledb::db_stream_source {
public:
    explicit buffer_source(std::string bytes) : m_bytes(std::move(bytes)) {}
    std::size_t read(void* buffer, std::size_t count) override
    {
        const std::size_t given = std::min({count, m_bytes.size() - m_position, std::size_t{100003}});
        std::memcpy(buffer, m_bytes.data() + m_position, given);
        m_position += given;
        return given;
    }
    oledb::db_stream stream()
    {
        return {std::shared_ptr<oledb::db_stream_source>(this, [](auto*) {}), m_bytes.size()};
    }

private:
    std::string m_bytes;
    std::size_t m_position = 0;
};

class freetds_bcp_parts : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::filesystem::exists(VELMORA_SQLITE_ODBC_DRIVER))
            GTEST_SKIP() << "the SQLite ODBC driver is not installed";
        copy = std::make_unique<sqlite_bulk_copy>(VELMORA_SQLITE_ODBC_DRIVER,
                                                  L"CREATE TABLE dbo.big (id INTEGER, body TEXT, data BLOB)");
        copy->set_value_limit(4096);
        for (std::size_t i = 0; i < blob.size(); ++i)
            blob[i] = static_cast<char>(i * 7 % 251);
    }

    std::vector<oledb::db_value> fetch_one(const std::wstring& statement)
    {
        const auto result = copy->query(statement);
        std::vector<oledb::db_value> row;
        EXPECT_TRUE(result->fetch(row)) << oledb::to_utf8(statement);
        return row;
    }

    std::unique_ptr<sqlite_bulk_copy> copy;
    // More than two parts of 4 MiB.
    std::string blob = std::string(9 << 20, '\0');
};

// Two streams of one row, a text of characters of every UTF-8 length and a
// blob, each more than one part long: both arrive whole, and the table that
// gathered them is left empty.
TEST_F(freetds_bcp_parts, streams_of_a_row_are_gathered_in_parts)
{
    const std::unique_ptr<oledb::db_bulk_load> load = copy->open(L"[dbo].[big]", false);
    std::wstring text;
    const std::wstring characters = L"a\u00fc\u20ac\U0001F600\n";
    for (std::size_t i = 0; text.size() < (2 << 20); ++i)
        text += characters[i % characters.size()];
    // A text stream holds UTF-8 for a narrow column, else wide characters.
    const bool narrow = load->columns()[1].type == DBTYPE_STR;
    buffer_source body(narrow ? oledb::to_utf8(text)
                              : std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t)));
    buffer_source data(blob);
    load->send_row({std::wstring(L"1"), body.stream(), data.stream()});
    load->send_row({std::wstring(L"2"), std::wstring(L"short"), oledb::db_bytes{1, 2}});
    load->commit(true);
    EXPECT_EQ(copy->record().rows.size(), 1u) << "the short row goes in bulk";
    const std::vector<oledb::db_value> row = fetch_one(L"SELECT body, data FROM dbo.big WHERE id = 1");
    ASSERT_EQ(row.size(), 2u);
    EXPECT_TRUE(row[0] == oledb::db_value(text));
    EXPECT_TRUE(row[1] == oledb::db_value(oledb::db_bytes(blob.begin(), blob.end())));
    EXPECT_EQ(fetch_one(L"SELECT count(*) FROM temp.velmora_parts"), std::vector<oledb::db_value>{std::wstring(L"0")});
}

// A server that adds bytes as numbers instead of joining them holds a few
// bytes where the blob should be: the row is refused, naming the column,
// rather than written with those bytes; the rows after it still arrive.
TEST_F(freetds_bcp_parts, a_blob_the_server_cannot_gather_refuses_its_row)
{
    copy->set_joins_bytes(false);
    const std::unique_ptr<oledb::db_bulk_load> load = copy->open(L"[dbo].[big]", false);
    buffer_source data(blob);
    try {
        load->send_row({std::wstring(L"1"), oledb::db_value(), data.stream()});
        ADD_FAILURE() << "the row was written";
    } catch (const oledb::db_error& error) {
        EXPECT_NE(std::string(error.what()).find("column 'data' (9437184 bytes)"), std::string::npos) << error.what();
    }
    load->send_row({std::wstring(L"2"), std::wstring(L"short"), oledb::db_bytes(5000, 2)});
    load->commit(true);
    EXPECT_EQ(fetch_one(L"SELECT count(*), min(id) FROM dbo.big"),
              (std::vector<oledb::db_value>{std::wstring(L"1"), std::wstring(L"2")}));
}

// A statement's values of more than a part, text and bytes, are gathered on
// the server and read there in place of their markers: an INSERT and an
// UPDATE receive them whole. A blob the server cannot gather whole leaves
// the row as it was and names its column.
TEST_F(freetds_bcp_parts, streamed_parameters_of_a_statement_are_gathered_in_parts)
{
    std::wstring text;
    const std::wstring characters = L"a\u00fc\u20ac\U0001F600'?";
    for (std::size_t i = 0; text.size() < (2 << 20); ++i)
        text += characters[i % characters.size()];
    buffer_source body(std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t)));
    buffer_source data(blob);
    const std::vector<oledb::db_column> columns = {{L"id", DBTYPE_WSTR, 10, 0, 0, 0},
                                                   {L"body", DBTYPE_WSTR, ~0ull, 0, 0, 0},
                                                   {L"data", DBTYPE_BYTES, ~0ull, 0, 0, 0}};
    copy->execute(L"INSERT INTO dbo.big (id, body, data) VALUES (?, ?, ?)", columns,
                  {std::wstring(L"1"), body.stream(), data.stream()});
    std::string other(blob.rbegin(), blob.rend());
    buffer_source changed(other);
    copy->execute(L"UPDATE dbo.big SET data = ? WHERE id = ? AND body <> '?'", {columns[2], columns[0]},
                  {changed.stream(), std::wstring(L"1")});
    const std::vector<oledb::db_value> row = fetch_one(L"SELECT body, data FROM dbo.big WHERE id = 1");
    ASSERT_EQ(row.size(), 2u);
    EXPECT_TRUE(row[0] == oledb::db_value(text));
    EXPECT_TRUE(row[1] == oledb::db_value(oledb::db_bytes(other.begin(), other.end())));
    EXPECT_EQ(fetch_one(L"SELECT count(*) FROM temp.velmora_parts"), std::vector<oledb::db_value>{std::wstring(L"0")});

    copy->set_joins_bytes(false);
    buffer_source again(blob);
    try {
        copy->execute(L"UPDATE dbo.big SET data = ? WHERE id = ?", {columns[2], columns[0]},
                      {again.stream(), std::wstring(L"1")});
        ADD_FAILURE() << "the row was changed";
    } catch (const oledb::db_error& error) {
        EXPECT_NE(std::string(error.what()).find("column 'data' (9437184 bytes)"), std::string::npos) << error.what();
    }
    EXPECT_TRUE(fetch_one(L"SELECT data FROM dbo.big WHERE id = 1")[0] ==
                oledb::db_value(oledb::db_bytes(other.begin(), other.end())));
}

// What the server holds after it refused a batch: the rows of the bulk
// loads it took, and the statements the refused batch was made again by.
class freetds_bcp_refusals : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::filesystem::exists(VELMORA_SQLITE_ODBC_DRIVER))
            GTEST_SKIP() << "the SQLite ODBC driver is not installed";
        copy = std::make_unique<sqlite_bulk_copy>(VELMORA_SQLITE_ODBC_DRIVER,
                                                  L"CREATE TABLE dbo.r (id INTEGER CHECK (id <> 13), day DATE)");
        copy->settings().holds_bulk_rows = true;
        load = copy->open(L"[dbo].[r]", false);
    }

    void send(int id, const std::wstring& day = L"2020-01-01") { load->send_row({std::to_wstring(id), day}); }

    // The ids of the rows the server took from bulk loads.
    std::vector<int> bulk_ids() const
    {
        std::vector<int> ids;
        for (const auto& row : copy->record().rows)
            ids.push_back(std::stoi(std::string(row[0]->begin(), row[0]->end())));
        return ids;
    }
    // The ids of the rows the table holds.
    std::vector<int> held_ids()
    {
        std::vector<int> ids;
        const auto result = copy->query(L"SELECT id FROM dbo.r ORDER BY id");
        for (std::vector<oledb::db_value> row; result->fetch(row);)
            ids.push_back(std::stoi(std::get<std::wstring>(row[0])));
        return ids;
    }
    static std::vector<int> ids(int first, int last, int left_out = 0)
    {
        std::vector<int> all;
        for (int id = first; id <= last; ++id)
            if (id != left_out)
                all.push_back(id);
        return all;
    }

    std::unique_ptr<sqlite_bulk_copy> copy;
    std::unique_ptr<oledb::db_bulk_load> load;
};

// The server rolls the batch holding id 13 back: its other rows are made
// again by statements, the row the server refuses alone is named by its
// number, and the rest of the table goes by statements too.
TEST_F(freetds_bcp_refusals, a_refused_batch_costs_only_the_refused_row)
{
    copy->settings().refused_first_values = {"13"};
    for (int id = 1; id <= 30; ++id) {
        send(id);
        if (id % 10 == 0 && id < 30)
            load->commit(false);
    }
    load->commit(true);
    const std::vector<oledb::db_refused_row> refused = load->take_refused_rows();
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].row, 12u);
    EXPECT_FALSE(refused[0].error.records().empty());
    EXPECT_EQ(copy->record().refused_batches, 1);
    EXPECT_EQ(copy->record().inits, 1);
    EXPECT_EQ(bulk_ids(), ids(1, 10));
    EXPECT_EQ(held_ids(), ids(1, 30, 13));
    EXPECT_TRUE(load->take_refused_rows().empty()) << "each refusal is named once";
}

// A server that commits the first rows of a batch before it refuses the
// batch holds them once: only the rows after them are made again.
TEST_F(freetds_bcp_refusals, rows_a_refused_batch_left_committed_are_not_made_twice)
{
    copy->settings().refused_first_values = {"13"};
    copy->settings().kept_of_refused_batch = 2;
    for (int id = 11; id <= 20; ++id)
        send(id);
    load->commit(true);
    ASSERT_EQ(load->take_refused_rows().size(), 1u);
    EXPECT_EQ(bulk_ids(), ids(11, 12));
    EXPECT_EQ(held_ids(), ids(11, 20, 13));
}

TEST_F(freetds_bcp_refusals, a_lost_connection_ends_the_load)
{
    send(1);
    copy->settings().connection_lost = true;
    try {
        load->commit(false);
        ADD_FAILURE() << "the commit succeeded";
    } catch (const oledb::db_error& error) {
        EXPECT_TRUE(oledb::is_connection_lost(error)) << error.what();
    }
    EXPECT_TRUE(held_ids().empty()) << "nothing is sent again over a lost connection";
}

// A driver that reads a date of an earlier year as another gets the rows
// holding one by statement; the others stay in bulk.
TEST_F(freetds_bcp_refusals, early_dates_go_by_statement)
{
    copy->settings().first_date_year = 1753;
    ASSERT_EQ(load->columns()[1].type, DBTYPE_DBDATE);
    const std::vector<std::wstring> days = {L"0001-01-01", L"0099-12-31", L"1000-01-01",
                                            L"1582-10-15", L"1752-12-31", L"1753-01-01"};
    for (std::size_t i = 0; i < days.size(); ++i)
        send(static_cast<int>(i + 1), days[i]);
    load->send_row({std::wstring(L"7"), oledb::db_value()});
    load->commit(true);
    EXPECT_EQ(bulk_ids(), (std::vector<int>{6, 7})) << "a NULL date is no early date";
    const auto result = copy->query(L"SELECT id, day FROM dbo.r ORDER BY id");
    std::vector<oledb::db_value> row;
    for (std::size_t i = 0; i < 5; ++i) {
        ASSERT_TRUE(result->fetch(row));
        EXPECT_EQ(row[1], oledb::db_value(days[i]));
    }
}

}  // namespace
