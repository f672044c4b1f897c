// The OLE DB objects over the recording engine: what a SQL Server would
// answer is scripted, what the layer sends is recorded.
#include "oledb_test_support.h"
#include "platform/oledb/providers.h"
#include "support/fake_provider.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace oledb_test;

namespace {

class fake_engine : public ::testing::Test {
protected:
    void SetUp() override
    {
        oledb::install_providers({nullptr, nullptr, engine_});
        opened_source opened = open_source(CLSID_SQLOLEDB, L"srv", L"sa", L"pw", L"db");
        ASSERT_EQ(opened.hr, S_OK);
        source_ = std::move(opened.source);
    }

    void enable_fast_load() { ASSERT_EQ(oledb_test::enable_fast_load(source_.get()), S_OK); }

    std::shared_ptr<fake::provider> engine_ = std::make_shared<fake::provider>();
    com_ref<IDBInitialize> source_;
};

TEST_F(fake_engine, initialization_properties_become_the_login)
{
    ASSERT_EQ(engine_->logins().size(), 1u);
    const oledb::db_login login = engine_->logins()[0];
    EXPECT_EQ(login.server, L"srv");
    EXPECT_EQ(login.user, L"sa");
    EXPECT_EQ(login.password, L"pw");
    EXPECT_EQ(login.database, L"db");
    EXPECT_FALSE(login.integrated);
    EXPECT_EQ(open_source(CLSID_SQLOLEDB, L"srv", L"", L"", L"").hr, S_OK);
    EXPECT_TRUE(engine_->logins().back().integrated);
}

TEST_F(fake_engine, refused_login_gives_the_authentication_failure)
{
    engine_->refuse_login(fake::sql_error(18456, L"Login failed for user 'sa'.", L"28000"));
    EXPECT_EQ(open_source(CLSID_SQLOLEDB, L"srv", L"sa", L"bad", L"").hr, DB_SEC_E_AUTH_FAILED);
    const auto records = current_error_records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].description, L"Login failed for user 'sa'.");
    EXPECT_EQ(records[0].native_error, 18456);
}

struct native_case {
    std::int32_t native;
    HRESULT expected;
};

class native_errors : public fake_engine, public ::testing::WithParamInterface<native_case> {};

TEST_P(native_errors, map_to_their_ole_db_result_codes)
{
    engine_->fail(L"INSERT x", fake::sql_error(GetParam().native, L"it failed", L"23000"));
    com_ref<IOpenRowset> session = new_session(source_.get());
    com_ref<IRowset> rowset;
    EXPECT_EQ(execute(new_command(session.get()).get(), L"INSERT x", rowset), GetParam().expected);
    const auto records = current_error_records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].hr, GetParam().expected);
    EXPECT_EQ(records[0].minor, static_cast<DWORD>(GetParam().native));
    EXPECT_EQ(records[0].native_error, GetParam().native);
    EXPECT_EQ(records[0].sql_state, L"23000");
}

INSTANTIATE_TEST_SUITE_P(codes, native_errors,
                         ::testing::Values(native_case{2627, DB_E_INTEGRITYVIOLATION},
                                           native_case{2601, DB_E_INTEGRITYVIOLATION},
                                           native_case{547, DB_E_INTEGRITYVIOLATION}, native_case{208, DB_E_NOTABLE},
                                           native_case{18456, DB_SEC_E_AUTH_FAILED}, native_case{8152, E_FAIL}));

TEST_F(fake_engine, every_record_of_a_failure_is_kept_in_order)
{
    fake::scripted_failure failure;
    failure.records = {{L"01000", 0, L""},
                       {L"23000", 2627, L"Violation of PRIMARY KEY constraint 'pk'."},
                       {L"01000", 3621, L"The statement has been terminated."}};
    engine_->fail(L"INSERT y", failure);
    com_ref<IRowset> rowset;
    EXPECT_EQ(execute(new_command(new_session(source_.get()).get()).get(), L"INSERT y", rowset),
              DB_E_INTEGRITYVIOLATION);
    const auto records = current_error_records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].description, L"");
    EXPECT_EQ(records[1].native_error, 2627);
    EXPECT_EQ(records[2].description, L"The statement has been terminated.");
    IErrorInfo* none = nullptr;
    EXPECT_EQ(GetErrorInfo(0, &none), S_FALSE) << "the error object is handed out once";
}

TEST_F(fake_engine, statements_without_rowsets_share_one_connection_while_rowsets_keep_their_own)
{
    engine_->answer(L"SELECT 1", {{fake::int_column(L"x")}, {{std::wstring(L"1")}, {std::wstring(L"2")}}});
    com_ref<IOpenRowset> session = new_session(source_.get());
    com_ref<ICommandText> table_command = new_command(session.get());
    EXPECT_EQ(execute_only(table_command.get(), L"SET IDENTITY_INSERT [t] ON"), S_OK);
    com_ref<IRowset> first = query(session.get(), L"SELECT 1");
    com_ref<IRowset> second = query(session.get(), L"SELECT 1");
    EXPECT_EQ(execute_only(new_command(session.get()).get(), L"SET IDENTITY_INSERT [t] OFF"), S_OK);
    first = com_ref<IRowset>();
    com_ref<IRowset> third = query(session.get(), L"SELECT 1");

    std::vector<int> connections;
    for (const fake::statement_record& s : engine_->statements())
        connections.push_back(s.connection);
    // 1: home, 2 and 3: a reader per open rowset; 2 again once it is free.
    EXPECT_EQ(connections, (std::vector<int>{1, 2, 3, 1, 2}));
}

TEST_F(fake_engine, statements_while_a_bulk_load_holds_the_home_connection_run_elsewhere)
{
    engine_->define_table(L"t", {{fake::int_column(L"i")}, {}});
    enable_fast_load();
    com_ref<IOpenRowset> session = new_session(source_.get());
    EXPECT_EQ(execute_only(new_command(session.get()).get(), L"SET QUOTED_IDENTIFIER OFF"), S_OK);
    DBID table{};
    table.eKind = DBKIND_NAME;
    table.uName.pwszName = const_cast<wchar_t*>(L"t");
    IUnknown* opened = nullptr;
    ASSERT_EQ(session->OpenRowset(nullptr, &table, nullptr, IID_IRowsetFastLoad, 0, nullptr, &opened), S_OK);
    EXPECT_EQ(execute_only(new_command(session.get()).get(), L"SET IDENTITY_INSERT t ON"), S_OK);
    opened->Release();
    EXPECT_EQ(execute_only(new_command(session.get()).get(), L"DELETE FROM t"), S_OK);

    const auto statements = engine_->statements();
    ASSERT_EQ(statements.size(), 3u);
    EXPECT_EQ(engine_->bulk_loads().at(0).connection, statements[0].connection);
    EXPECT_NE(statements[1].connection, statements[0].connection);
    EXPECT_EQ(statements[2].connection, statements[0].connection);
}

TEST_F(fake_engine, fast_load_sends_every_bound_value_as_the_column_takes_it)
{
    engine_->define_table(
        L"[dbo].[t]",
        {{fake::int_column(L"i"), fake::typed_column(L"n", DBTYPE_NUMERIC, 19, true, 10, 2),
          fake::typed_column(L"ts", DBTYPE_DBTIMESTAMP, 16, true, 23, 3), fake::typed_column(L"d", DBTYPE_DBDATE, 10),
          fake::wide_text_column(L"w"), fake::text_column(L"s"), fake::typed_column(L"b", DBTYPE_BYTES, 8),
          fake::typed_column(L"g", DBTYPE_GUID, 16), fake::typed_column(L"f", DBTYPE_R8, 8),
          fake::typed_column(L"c", DBTYPE_CY, 8), fake::typed_column(L"x", DBTYPE_BOOL, 2)},
         {}});
    enable_fast_load();
    com_ref<IOpenRowset> session = new_session(source_.get());
    DBID table{};
    table.eKind = DBKIND_NAME;
    table.uName.pwszName = const_cast<wchar_t*>(L"[dbo].[t]");
    DBPROP keep = bool_property(SSPROP_FASTLOADKEEPIDENTITY, true);
    DBPROPSET set{&keep, 1, DBPROPSET_SQLSERVERROWSET};
    IUnknown* opened = nullptr;
    ASSERT_EQ(session->OpenRowset(nullptr, &table, nullptr, IID_IRowsetFastLoad, 1, &set, &opened), S_OK);
    com_ref<IRowsetFastLoad> load(static_cast<IRowsetFastLoad*>(opened));

    struct slot {
        DBTYPE type;
        DBLENGTH size;
    };
    const slot slots[] = {{DBTYPE_I4, 4},    {DBTYPE_NUMERIC, 19}, {DBTYPE_DBTIMESTAMP, 16}, {DBTYPE_DBDATE, 6},
                          {DBTYPE_WSTR, 40}, {DBTYPE_STR, 20},     {DBTYPE_BYTES, 8},        {DBTYPE_GUID, 16},
                          {DBTYPE_R8, 8},    {DBTYPE_CY, 8},       {DBTYPE_BOOL, 2}};
    std::vector<DBBINDING> bindings;
    DBBYTEOFFSET offset = 0;
    for (std::size_t i = 0; i < std::size(slots); ++i) {
        DBBINDING b{};
        b.iOrdinal = i + 1;
        b.obValue = offset;
        b.obLength = offset + slots[i].size;
        b.obStatus = b.obLength + 8;
        b.dwPart = DBPART_VALUE | DBPART_LENGTH | DBPART_STATUS;
        b.cbMaxLen = slots[i].size;
        b.wType = slots[i].type;
        bindings.push_back(b);
        offset = b.obStatus + 4;
    }
    IAccessor* accessor = nullptr;
    ASSERT_EQ(load->QueryInterface(IID_IAccessor, reinterpret_cast<void**>(&accessor)), S_OK);
    HACCESSOR handle = 0;
    ASSERT_EQ(accessor->CreateAccessor(DBACCESSOR_ROWDATA, bindings.size(), bindings.data(), 0, &handle, nullptr),
              S_OK);

    std::vector<std::byte> row(offset);
    auto value = [&](std::size_t i, const auto& v, DBLENGTH length) {
        oledb::put(row.data(), bindings[i].obValue, v);
        oledb::put(row.data(), bindings[i].obLength, length);
        oledb::put(row.data(), bindings[i].obStatus, DBSTATUS{DBSTATUS_S_OK});
    };
    value(0, std::int32_t{-42}, 4);
    DB_NUMERIC n{38, 2, 0, {}};
    n.val[0] = 0x39;  // 12345 = 0x3039
    n.val[1] = 0x30;
    value(1, n, 19);
    value(2, DBTIMESTAMP{2024, 2, 29, 23, 59, 58, 123456789}, 16);
    value(3, DBDATE{1899, 12, 30}, 6);
    const wchar_t wide[] = L"\u4e2d\u6587";
    std::memcpy(row.data() + bindings[4].obValue, wide, 2 * sizeof(wchar_t));
    oledb::put(row.data(), bindings[4].obLength, DBLENGTH{2 * sizeof(wchar_t)});
    const char narrow[] = "caf\xc3\xa9";
    std::memcpy(row.data() + bindings[5].obValue, narrow, 5);
    oledb::put(row.data(), bindings[5].obLength, DBLENGTH{5});
    const std::uint8_t bytes[] = {0xDE, 0xAD};
    std::memcpy(row.data() + bindings[6].obValue, bytes, 2);
    oledb::put(row.data(), bindings[6].obLength, DBLENGTH{2});
    value(7, GUID{0x6F9619FF, 0x8B86, 0xD011, {0xB4, 0x2D, 0x00, 0xC0, 0x4F, 0xC9, 0x64, 0xFF}}, 16);
    value(8, 0.1, 8);
    value(9, std::int64_t{-12345}, 8);
    value(10, VARIANT_BOOL{1}, 2);
    oledb::put(row.data(), bindings[10].obStatus, DBSTATUS{DBSTATUS_S_ISNULL});

    ASSERT_EQ(load->InsertRow(handle, row.data()), S_OK);
    ASSERT_EQ(load->Commit(false), S_OK);
    ASSERT_EQ(load->Commit(true), S_OK);
    EXPECT_EQ(load->InsertRow(handle, row.data()), E_UNEXPECTED) << "the load has ended";

    const auto loads = engine_->bulk_loads();
    ASSERT_EQ(loads.size(), 1u);
    EXPECT_TRUE(loads[0].keep_identity);
    EXPECT_EQ(loads[0].commits, 1);
    EXPECT_TRUE(loads[0].done);
    ASSERT_EQ(loads[0].rows.size(), 1u);
    const fake::row& sent = loads[0].rows[0];
    const std::vector<std::wstring> texts = {L"-42",        L"-123.45",      L"2024-02-29 23:59:58.123",
                                             L"1899-12-30", L"\u4e2d\u6587", L"caf\u00e9"};
    for (std::size_t i = 0; i < texts.size(); ++i)
        EXPECT_EQ(std::get<std::wstring>(sent[i]), texts[i]) << i;
    EXPECT_EQ(std::get<oledb::db_bytes>(sent[6]), (oledb::db_bytes{0xDE, 0xAD}));
    EXPECT_EQ(std::get<std::wstring>(sent[7]), L"6F9619FF-8B86-D011-B42D-00C04FC964FF");
    EXPECT_EQ(std::get<std::wstring>(sent[8]), L"0.10000000000000001");
    EXPECT_EQ(std::get<std::wstring>(sent[9]), L"-1.2345");
    EXPECT_TRUE(oledb::is_null(sent[10]));
    accessor->ReleaseAccessor(handle, nullptr);
    accessor->Release();
}

// A stream that hands out its bytes in small pieces.
class piece_stream final : public oledb::com_object<piece_stream, ISequentialStream> {
public:
    explicit piece_stream(std::string bytes) : bytes_(std::move(bytes)) {}
    IUnknown* interface_for(REFIID riid)
    {
        return riid == IID_IUnknown || riid == IID_ISequentialStream ? this : nullptr;
    }
    HRESULT Read(void* buffer, ULONG count, ULONG* read) override
    {
        const ULONG n = std::min<ULONG>({count, 3, static_cast<ULONG>(bytes_.size() - position_)});
        std::memcpy(buffer, bytes_.data() + position_, n);
        position_ += n;
        *read = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }

private:
    std::string bytes_;
    std::size_t position_ = 0;
};

TEST_F(fake_engine, fast_load_reads_a_bound_stream_and_leaves_its_reference_to_the_caller)
{
    engine_->define_table(
        L"blobs",
        {{fake::typed_column(L"b", DBTYPE_BYTES, ~std::uint64_t{0}), fake::text_column(L"t", ~std::uint64_t{0})}, {}});
    enable_fast_load();
    com_ref<IOpenRowset> session = new_session(source_.get());
    DBID table{};
    table.eKind = DBKIND_NAME;
    table.uName.pwszName = const_cast<wchar_t*>(L"blobs");
    IUnknown* opened = nullptr;
    ASSERT_EQ(session->OpenRowset(nullptr, &table, nullptr, IID_IRowsetFastLoad, 0, nullptr, &opened), S_OK);
    com_ref<IRowsetFastLoad> load(static_cast<IRowsetFastLoad*>(opened));
    DBOBJECT object{0, IID_ISequentialStream};
    DBBINDING bindings[2] = {};
    for (int i = 0; i < 2; ++i) {
        bindings[i].iOrdinal = static_cast<DBORDINAL>(i + 1);
        bindings[i].obValue = static_cast<DBBYTEOFFSET>(i * 24);
        bindings[i].obLength = bindings[i].obValue + 8;
        bindings[i].obStatus = bindings[i].obValue + 16;
        bindings[i].pObject = &object;
        bindings[i].dwPart = DBPART_VALUE | DBPART_LENGTH | DBPART_STATUS;
        bindings[i].cbMaxLen = 8;
        bindings[i].wType = DBTYPE_IUNKNOWN;
    }
    IAccessor* accessor = nullptr;
    ASSERT_EQ(load->QueryInterface(IID_IAccessor, reinterpret_cast<void**>(&accessor)), S_OK);
    HACCESSOR handle = 0;
    ASSERT_EQ(accessor->CreateAccessor(DBACCESSOR_ROWDATA, 2, bindings, 0, &handle, nullptr), S_OK);
    auto* binary = new piece_stream(std::string("\x01\x02\x03\x04\x05\x06\x07", 7));
    auto* text = new piece_stream("gr\xc3\xbc\xc3\x9f");
    std::byte row[48] = {};
    oledb::put(row, 0, static_cast<IUnknown*>(binary));
    oledb::put(row, 24, static_cast<IUnknown*>(text));
    ASSERT_EQ(load->InsertRow(handle, row), S_OK);
    EXPECT_EQ(binary->Release(), 0u);
    EXPECT_EQ(text->Release(), 0u);
    const auto sent = engine_->bulk_loads().at(0).rows.at(0);
    EXPECT_EQ(std::get<oledb::db_bytes>(sent[0]).size(), 7u);
    EXPECT_EQ(std::get<std::wstring>(sent[1]), L"gr\u00fc\u00df");
    accessor->ReleaseAccessor(handle, nullptr);
    accessor->Release();
}

TEST_F(fake_engine, fast_load_needs_the_data_source_property)
{
    engine_->define_table(L"t", {{fake::int_column(L"i")}, {}});
    com_ref<IOpenRowset> session = new_session(source_.get());
    DBID table{};
    table.eKind = DBKIND_NAME;
    table.uName.pwszName = const_cast<wchar_t*>(L"t");
    IUnknown* opened = nullptr;
    EXPECT_TRUE(FAILED(session->OpenRowset(nullptr, &table, nullptr, IID_IRowsetFastLoad, 0, nullptr, &opened)));
    EXPECT_EQ(opened, nullptr);
    EXPECT_TRUE(engine_->bulk_loads().empty());
}

TEST_F(fake_engine, table_definition_sends_its_create_table_statement)
{
    com_ref<IOpenRowset> session = new_session(source_.get());
    ITableDefinition* definition = nullptr;
    ASSERT_EQ(session->QueryInterface(IID_ITableDefinition, reinterpret_cast<void**>(&definition)), S_OK);
    DBID table{};
    table.eKind = DBKIND_NAME;
    table.uName.pwszName = const_cast<wchar_t*>(L"[t]");
    DBCOLUMNDESC column{};
    column.dbcid.eKind = DBKIND_NAME;
    column.dbcid.uName.pwszName = const_cast<wchar_t*>(L"[c]");
    column.wType = DBTYPE_STR;
    column.ulColumnSize = 20;
    EXPECT_EQ(definition->CreateTable(nullptr, &table, 1, &column, IID_IUnknown, 0, nullptr, nullptr, nullptr), S_OK);
    definition->Release();
    EXPECT_EQ(engine_->statement_texts(), (std::vector<std::wstring>{L"CREATE TABLE [t] ([c] varchar(20))"}));
}

}  // namespace
