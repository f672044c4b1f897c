// The OLE DB layer over a real ODBC driver: SQLite's, registered for the
// test under the SQL Server driver names in a private odbcinst.ini. Only
// behaviour that does not depend on T-SQL is proved here.
#include "oledb_test_support.h"
#include "platform/oledb/providers.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace oledb_test;

namespace {

namespace fs = std::filesystem;

// A private driver registry for the process: Native Client 10.0 and SQLOLEDB
// find SQLite, 11.0 finds nothing. Empty when the driver is not installed.
class private_drivers {
public:
    private_drivers()
    {
        if (!fs::exists(VELMORA_SQLITE_ODBC_DRIVER))
            return;
        char pattern[] = "/tmp/velmora-odbc-XXXXXX";
        folder_ = mkdtemp(pattern);
        std::ofstream ini(folder_ / "odbcinst.ini");
        for (const char* name : {"ODBC Driver 17 for SQL Server", "FreeTDS"})
            ini << "[" << name << "]\nDriver=" << VELMORA_SQLITE_ODBC_DRIVER << "\n\n";
        ini.close();
        setenv("ODBCSYSINI", folder_.c_str(), 1);
        setenv("ODBCINSTINI", "odbcinst.ini", 1);
        oledb::install_odbc_providers();
    }
    ~private_drivers()
    {
        if (!folder_.empty())
            fs::remove_all(folder_);
    }
    const fs::path& folder() const { return folder_; }

private:
    fs::path folder_;
};

const fs::path& driver_folder()
{
    static const private_drivers drivers;
    return drivers.folder();
}

class sqlite_odbc : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (driver_folder().empty())
            GTEST_SKIP() << "the SQLite ODBC driver is not installed";
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string file = std::string(test->test_suite_name()) + "." + test->name() + ".db";
        for (char& c : file)
            if (c == '/')
                c = '_';
        database_ = (driver_folder() / file).wstring();
        opened_source opened = open_source(CLSID_SQLNCLI10, L"server", L"user", L"secret", database_);
        ASSERT_EQ(opened.hr, S_OK);
        source_ = std::move(opened.source);
        session_ = new_session(source_.get());
    }

    void fill(const std::wstring& table, int rows)
    {
        run(session_.get(), L"CREATE TABLE " + table + L" (id INTEGER PRIMARY KEY, name TEXT)");
        for (int i = 1; i <= rows; ++i)
            run(session_.get(),
                L"INSERT INTO " + table + L" VALUES (" + std::to_wstring(i) + L", 'n" + std::to_wstring(i) + L"')");
    }

    std::wstring database_;
    com_ref<IDBInitialize> source_;
    com_ref<IOpenRowset> session_;
};

TEST_F(sqlite_odbc, provider_slot_without_its_driver_cannot_be_created)
{
    IDBInitialize* source = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_SQLNCLI11, nullptr, CLSCTX_INPROC_SERVER, IID_IDBInitialize,
                               reinterpret_cast<void**>(&source)),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(source, nullptr);
}

TEST_F(sqlite_odbc, refused_connection_fails_initialize_with_the_driver_records)
{
    const opened_source refused = open_source(CLSID_SQLNCLI10, L"server", L"user", L"secret", L"/no/such/folder/x.db");
    EXPECT_EQ(refused.hr, E_FAIL);
    const auto records = current_error_records();
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records[0].sql_state, L"HY000");
    EXPECT_EQ(records[0].description, L"connect failed");
}

TEST_F(sqlite_odbc, statements_with_and_without_rowsets)
{
    com_ref<ICommandText> command = new_command(session_.get());
    com_ref<IRowset> rowset;
    EXPECT_EQ(execute(command.get(), L"CREATE TABLE t (a INTEGER, b TEXT)", rowset), S_OK);
    EXPECT_FALSE(rowset);
    EXPECT_EQ(execute(command.get(), L"INSERT INTO t VALUES (1, 'caf\u00e9'), (2, NULL)", rowset), S_OK);
    EXPECT_FALSE(rowset);
    EXPECT_EQ(execute(command.get(), L"SELECT a, b FROM t ORDER BY a", rowset), S_OK);
    ASSERT_TRUE(rowset);
    EXPECT_EQ(column_names(rowset.get()), (std::vector<std::wstring>{L"a", L"b"}));
    EXPECT_EQ(read_all(rowset.get()), (std::vector<text_row>{{L"1", L"caf\u00e9"}, {L"2", std::nullopt}}));
}

// A text read from memory, a few bytes at a time.
class text_stream final : public oledb::com_object<text_stream, ISequentialStream> {
public:
    explicit text_stream(std::wstring text) : text_(std::move(text)) {}
    IUnknown* interface_for(REFIID riid)
    {
        return riid == IID_IUnknown || riid == IID_ISequentialStream ? this : nullptr;
    }
    HRESULT Read(void* buffer, ULONG count, ULONG* read) override
    {
        const std::size_t left = text_.size() * sizeof(wchar_t) - position_;
        const std::size_t given = std::min<std::size_t>({count, left, 5});
        std::memcpy(buffer, reinterpret_cast<const char*>(text_.data()) + position_, given);
        position_ += given;
        *read = static_cast<ULONG>(given);
        return given < count ? S_FALSE : S_OK;
    }
    HRESULT Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }
    std::uint64_t length() const { return text_.size() * sizeof(wchar_t); }

private:
    std::wstring text_;
    std::size_t position_ = 0;
};

// Parameter values bound as streams reach the driver's markers in order; a
// question mark inside a literal is none.
TEST_F(sqlite_odbc, parameters_bound_as_streams_reach_the_markers)
{
    run(session_.get(), L"CREATE TABLE t (a TEXT, b TEXT, c TEXT)");
    com_ref<ICommandText> command = new_command(session_.get());
    ASSERT_EQ(command->SetCommandText(DBGUID_DEFAULT, L"INSERT INTO t (a, b, c) VALUES (?, 'why?', ?)"), S_OK);
    ICommandWithParameters* described = nullptr;
    ASSERT_EQ(command->QueryInterface(IID_ICommandWithParameters, reinterpret_cast<void**>(&described)), S_OK);
    const com_ref<ICommandWithParameters> parameters(described);
    wchar_t type[] = L"DBTYPE_WVARCHAR";
    const DB_UPARAMS ordinals[] = {1, 2};
    const DBPARAMBINDINFO infos[] = {{type, nullptr, ~DBLENGTH{0}, 0, 0, 0}, {type, nullptr, ~DBLENGTH{0}, 0, 0, 0}};
    ASSERT_EQ(parameters->SetParameterInfo(2, ordinals, infos), S_OK);
    struct slot {
        IUnknown* value;
        DBLENGTH length;
        DBSTATUS status;
    };
    text_stream* first = new text_stream(L"caf\u00e9 \U0001F600");
    text_stream* second = new text_stream(L"it's");
    slot slots[] = {{first, first->length(), DBSTATUS_S_OK}, {second, second->length(), DBSTATUS_S_OK}};
    DBOBJECT object{0, IID_ISequentialStream};
    std::vector<DBBINDING> bindings(2);
    for (std::size_t i = 0; i < bindings.size(); ++i) {
        DBBINDING& b = bindings[i];
        b = DBBINDING{};
        b.iOrdinal = i + 1;
        b.obValue = i * sizeof(slot) + offsetof(slot, value);
        b.obLength = i * sizeof(slot) + offsetof(slot, length);
        b.obStatus = i * sizeof(slot) + offsetof(slot, status);
        b.pObject = &object;
        b.dwPart = DBPART_VALUE | DBPART_LENGTH | DBPART_STATUS;
        b.eParamIO = DBPARAMIO_INPUT;
        b.cbMaxLen = sizeof(IUnknown*);
        b.wType = DBTYPE_IUNKNOWN;
    }
    IAccessor* accessor = nullptr;
    ASSERT_EQ(command->QueryInterface(IID_IAccessor, reinterpret_cast<void**>(&accessor)), S_OK);
    const com_ref<IAccessor> accessors(accessor);
    HACCESSOR handle = 0;
    EXPECT_EQ(accessors->CreateAccessor(DBACCESSOR_ROWDATA, 2, bindings.data(), 0, &handle, nullptr), DB_E_BADBINDINFO);
    ASSERT_EQ(accessors->CreateAccessor(DBACCESSOR_PARAMETERDATA, 2, bindings.data(), 0, &handle, nullptr), S_OK);
    DBPARAMS values{slots, 1, handle};
    EXPECT_EQ(command->Execute(nullptr, IID_NULL, &values, nullptr, nullptr), S_OK);
    for (const error_record& e : current_error_records())
        ADD_FAILURE() << std::string(e.description.begin(), e.description.end());
    // A new text has markers of its own, which the accessor made before does not bind.
    ASSERT_EQ(command->SetCommandText(DBGUID_DEFAULT, L"DELETE FROM t"), S_OK);
    EXPECT_EQ(command->Execute(nullptr, IID_NULL, &values, nullptr, nullptr), DB_E_BADACCESSORHANDLE);
    EXPECT_EQ(accessors->ReleaseAccessor(handle, nullptr), S_OK);
    first->Release();
    second->Release();
    EXPECT_EQ(read_all(query(session_.get(), L"SELECT a, b, c FROM t").get()),
              (std::vector<text_row>{{L"caf\u00e9 \U0001F600", L"why?", L"it's"}}));
}

struct batch_case {
    int rows;
    std::vector<std::pair<HRESULT, DBCOUNTITEM>> fetches;
};

class sqlite_batches : public sqlite_odbc, public ::testing::WithParamInterface<batch_case> {};

TEST_P(sqlite_batches, rows_arrive_in_batches_of_100_until_the_end_of_the_rowset)
{
    fill(L"t", GetParam().rows);
    com_ref<IRowset> rowset = query(session_.get(), L"SELECT * FROM t ORDER BY id");
    for (const auto& [expected_hr, expected_count] : GetParam().fetches) {
        HROW handles[100];
        HROW* pointer = handles;
        DBCOUNTITEM obtained = 99999;
        EXPECT_EQ(rowset->GetNextRows(DB_NULL_HCHAPTER, 0, 100, &obtained, &pointer), expected_hr);
        EXPECT_EQ(obtained, expected_count);
        EXPECT_EQ(rowset->ReleaseRows(obtained, handles, nullptr, nullptr, nullptr), S_OK);
    }
}

INSTANTIATE_TEST_SUITE_P(sizes, sqlite_batches,
                         ::testing::Values(batch_case{250, {{S_OK, 100}, {S_OK, 100}, {DB_S_ENDOFROWSET, 50}}},
                                           batch_case{100, {{S_OK, 100}, {DB_S_ENDOFROWSET, 0}}},
                                           batch_case{0, {{DB_S_ENDOFROWSET, 0}, {DB_S_ENDOFROWSET, 0}}}));

TEST_F(sqlite_odbc, values_too_long_for_the_buffer_are_truncated_and_nulls_flagged)
{
    run(session_.get(), L"CREATE TABLE t (s TEXT, b BLOB)");
    run(session_.get(), L"INSERT INTO t VALUES ('abcdefgh', x'00010203040506'), (NULL, NULL)");
    com_ref<IRowset> rowset = query(session_.get(), L"SELECT s, b FROM t");

    // Status at 0, length at 4, value at 12, as the reader lays out its rows.
    DBBINDING bindings[2] = {};
    bindings[0] = DBBINDING{1,
                            12,
                            4,
                            0,
                            nullptr,
                            nullptr,
                            nullptr,
                            DBPART_VALUE | DBPART_LENGTH | DBPART_STATUS,
                            DBMEMOWNER_CLIENTOWNED,
                            DBPARAMIO_NOTPARAM,
                            4 * sizeof(wchar_t),
                            0,
                            DBTYPE_WSTR,
                            0,
                            0};
    bindings[1] = DBBINDING{2,
                            28 + 12,
                            28 + 4,
                            28,
                            nullptr,
                            nullptr,
                            nullptr,
                            DBPART_VALUE | DBPART_LENGTH | DBPART_STATUS,
                            DBMEMOWNER_CLIENTOWNED,
                            DBPARAMIO_NOTPARAM,
                            4,
                            0,
                            DBTYPE_BYTES,
                            0,
                            0};
    IAccessor* accessor = nullptr;
    ASSERT_EQ(rowset->QueryInterface(IID_IAccessor, reinterpret_cast<void**>(&accessor)), S_OK);
    HACCESSOR handle = 0;
    ASSERT_EQ(accessor->CreateAccessor(DBACCESSOR_ROWDATA, 2, bindings, 0, &handle, nullptr), S_OK);

    HROW rows[2];
    HROW* pointer = rows;
    DBCOUNTITEM obtained = 0;
    ASSERT_EQ(rowset->GetNextRows(DB_NULL_HCHAPTER, 0, 2, &obtained, &pointer), S_OK);
    std::byte buffer[64] = {};
    ASSERT_EQ(rowset->GetData(rows[0], handle, buffer), S_OK);
    EXPECT_EQ(oledb::get<DBSTATUS>(buffer, 0), DBSTATUS_S_TRUNCATED);
    EXPECT_EQ(oledb::get<DBLENGTH>(buffer, 4), 8 * sizeof(wchar_t));
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(buffer + 12)), L"abc");
    EXPECT_EQ(oledb::get<DBSTATUS>(buffer, 28), DBSTATUS_S_TRUNCATED);
    EXPECT_EQ(oledb::get<DBLENGTH>(buffer, 28 + 4), 7u);
    EXPECT_EQ(std::to_integer<int>(buffer[28 + 12 + 3]), 3);

    ASSERT_EQ(rowset->GetData(rows[1], handle, buffer), S_OK);
    EXPECT_EQ(oledb::get<DBSTATUS>(buffer, 0), DBSTATUS_S_ISNULL);
    EXPECT_EQ(oledb::get<DBSTATUS>(buffer, 28), DBSTATUS_S_ISNULL);

    rowset->ReleaseRows(obtained, rows, nullptr, nullptr, nullptr);
    accessor->ReleaseAccessor(handle, nullptr);
    accessor->Release();
}

TEST_F(sqlite_odbc, restart_position_reads_the_rows_again)
{
    fill(L"t", 3);
    com_ref<IRowset> rowset = query(session_.get(), L"SELECT id FROM t ORDER BY id");
    EXPECT_EQ(read_all(rowset.get()).size(), 3u);
    EXPECT_EQ(rowset->RestartPosition(DB_NULL_HCHAPTER), S_OK);
    EXPECT_EQ(read_all(rowset.get()), (std::vector<text_row>{{L"1"}, {L"2"}, {L"3"}}));
}

TEST_F(sqlite_odbc, failing_statement_leaves_the_driver_diagnostics_as_error_records)
{
    com_ref<IRowset> rowset;
    EXPECT_EQ(execute(new_command(session_.get()).get(), L"SELECT * FROM missing", rowset), E_FAIL);
    const auto records = current_error_records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].hr, E_FAIL);
    EXPECT_EQ(records[0].sql_state, L"HY000");
    EXPECT_EQ(records[0].native_error, 1);
    EXPECT_EQ(records[0].description, L"no such table: missing (1)");
}

TEST_F(sqlite_odbc, opened_table_is_described_and_read)
{
    fill(L"people", 2);
    DBID table{};
    table.eKind = DBKIND_NAME;
    table.uName.pwszName = const_cast<wchar_t*>(L"people");
    IUnknown* opened = nullptr;
    ASSERT_EQ(session_->OpenRowset(nullptr, &table, nullptr, IID_IRowset, 0, nullptr, &opened), S_OK);
    com_ref<IRowset> rowset(static_cast<IRowset*>(opened));
    EXPECT_EQ(column_names(rowset.get()), (std::vector<std::wstring>{L"id", L"name"}));
    EXPECT_EQ(read_all(rowset.get()), (std::vector<text_row>{{L"1", L"n1"}, {L"2", L"n2"}}));

    table.uName.pwszName = const_cast<wchar_t*>(L"nobody");
    EXPECT_EQ(session_->OpenRowset(nullptr, &table, nullptr, IID_IRowset, 0, nullptr, &opened), E_FAIL);
    EXPECT_EQ(opened, nullptr);
}

com_ref<IRowset> schema_rowset(IOpenRowset* session, REFGUID schema, std::vector<std::optional<std::wstring>> values)
{
    IDBSchemaRowset* schemas = nullptr;
    EXPECT_EQ(session->QueryInterface(IID_IDBSchemaRowset, reinterpret_cast<void**>(&schemas)), S_OK);
    std::vector<VARIANT> restrictions;
    for (const auto& v : values) {
        VARIANT r;
        VariantInit(&r);
        if (v)
            r = text_variant(*v);
        restrictions.push_back(r);
    }
    IUnknown* rowset = nullptr;
    EXPECT_EQ(schemas->GetRowset(nullptr, schema, static_cast<ULONG>(restrictions.size()), restrictions.data(),
                                 IID_IRowset, 0, nullptr, &rowset),
              S_OK);
    for (VARIANT& r : restrictions)
        VariantClear(&r);
    schemas->Release();
    return com_ref<IRowset>(static_cast<IRowset*>(rowset));
}

TEST_F(sqlite_odbc, schema_rowsets_come_in_the_ole_db_column_layout)
{
    run(session_.get(), L"CREATE TABLE parent (id INTEGER, code TEXT, CONSTRAINT pk_parent PRIMARY KEY (id))");
    run(session_.get(), L"CREATE UNIQUE INDEX ix_code ON parent (code)");
    run(session_.get(),
        L"CREATE TABLE child (id INTEGER PRIMARY KEY, parent_id INTEGER REFERENCES parent (id) ON DELETE CASCADE)");
    run(session_.get(), L"CREATE VIEW v AS SELECT * FROM parent");

    com_ref<IRowset> tables =
        schema_rowset(session_.get(), DBSCHEMA_TABLES, {std::nullopt, std::nullopt, std::nullopt, L"TABLE"});
    const auto table_names = column_names(tables.get());
    ASSERT_EQ(table_names.size(), 9u);
    EXPECT_EQ(table_names[1], L"TABLE_SCHEMA");
    EXPECT_EQ(table_names[2], L"TABLE_NAME");
    std::vector<std::wstring> names;
    for (const text_row& r : read_all(tables.get()))
        names.push_back(r[2].value_or(L""));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"child", L"parent"}));

    com_ref<IRowset> keys =
        schema_rowset(session_.get(), DBSCHEMA_PRIMARY_KEYS, {std::nullopt, std::nullopt, L"parent"});
    EXPECT_EQ(column_names(keys.get())[6], L"ORDINAL");
    const auto key_rows = read_all(keys.get());
    ASSERT_EQ(key_rows.size(), 1u);
    EXPECT_EQ(key_rows[0][3], L"id");
    EXPECT_EQ(key_rows[0][6], L"1");

    com_ref<IRowset> indexes = schema_rowset(session_.get(), DBSCHEMA_INDEXES,
                                             {std::nullopt, std::nullopt, std::nullopt, std::nullopt, L"parent"});
    const auto index_columns = column_names(indexes.get());
    ASSERT_EQ(index_columns.size(), 25u);
    EXPECT_EQ(index_columns[5], L"INDEX_NAME");
    EXPECT_EQ(index_columns[17], L"COLUMN_NAME");
    bool found = false;
    for (const text_row& r : read_all(indexes.get())) {
        if (r[5] == L"ix_code") {
            found = true;
            EXPECT_EQ(r[7], L"1") << "UNIQUE";
            EXPECT_EQ(r[17], L"code");
        }
    }
    EXPECT_TRUE(found);

    com_ref<IRowset> foreign =
        schema_rowset(session_.get(), DBSCHEMA_FOREIGN_KEYS, {std::nullopt, std::nullopt, L"parent"});
    const auto fk_rows = read_all(foreign.get());
    ASSERT_EQ(fk_rows.size(), 1u);
    EXPECT_EQ(fk_rows[0][2], L"parent");
    EXPECT_EQ(fk_rows[0][3], L"id");
    EXPECT_EQ(fk_rows[0][8], L"child");
    EXPECT_EQ(fk_rows[0][9], L"parent_id");
    EXPECT_EQ(fk_rows[0][14], L"CASCADE") << "DELETE_RULE";

    com_ref<IRowset> none =
        schema_rowset(session_.get(), DBSCHEMA_FOREIGN_KEYS, {std::nullopt, std::nullopt, L"child"});
    EXPECT_TRUE(read_all(none.get()).empty());
}

TEST_F(sqlite_odbc, initialization_string_reaches_the_sqloledb_slot)
{
    IDataInitialize* service = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_MSDAINITIALIZE, nullptr, CLSCTX_INPROC_SERVER, IID_IDataInitialize,
                               reinterpret_cast<void**>(&service)),
              S_OK);
    const std::wstring text = L"Provider=sqloledb;Data Source=\"srv\";Initial Catalog=\"" + database_ +
                              L"\";User Id=\"me\";Password=\"secret\";";
    IUnknown* created = nullptr;
    ASSERT_EQ(service->GetDataSource(nullptr, CLSCTX_INPROC_SERVER, text.c_str(), IID_IDBInitialize, &created), S_OK);
    service->Release();
    com_ref<IDBInitialize> source(static_cast<IDBInitialize*>(created));
    ASSERT_EQ(source->Initialize(), S_OK);
    com_ref<IOpenRowset> session = new_session(source.get());
    run(session.get(), L"CREATE TABLE marker (x INTEGER)");
    EXPECT_EQ(read_all(query(session_.get(), L"SELECT name FROM sqlite_master").get()),
              (std::vector<text_row>{{L"marker"}}));
}

TEST_F(sqlite_odbc, driver_without_bulk_copy_refuses_the_fast_load_property)
{
    DBPROPSTATUS status = DBPROPSTATUS_OK;
    EXPECT_EQ(enable_fast_load(source_.get(), &status), DB_E_ERRORSOCCURRED);
    EXPECT_EQ(status, DBPROPSTATUS_NOTSUPPORTED);
}

}  // namespace
