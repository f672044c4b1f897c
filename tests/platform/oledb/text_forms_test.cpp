#include "platform/oledb/connection_string.h"
#include "platform/oledb/create_table.h"
#include "platform/oledb/odbc_provider.h"
#include "platform/oledb/table_name.h"
#include "platform/oledb/utf16.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace {

using oledb::odbc_quote;
using oledb::parse_initialization_string;

TEST(odbc_quote, values_that_could_end_the_value_or_add_a_keyword_go_in_braces)
{
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"plain", L"plain"},         {L"p;UID=sa", L"{p;UID=sa}"}, {L"a}b", L"{a}}b}"},
        {L"{x}", L"{{x}}}"},          {L" padded ", L"{ padded }"}, {L"", L""},
        {L"srv\\inst", L"srv\\inst"}, {L"srv,1433", L"{srv,1433}"},
    };
    for (const auto& [value, quoted] : cases)
        EXPECT_EQ(odbc_quote(value), quoted);
}

// How each driver slot is told the address: the Microsoft drivers read it
// whole, FreeTDS wants the port in its own key and has none by default. An
// empty name and the names of the server on this machine reach the local
// address, on the default port unless one is given.
TEST(server_address, every_form_reaches_each_driver_slot_in_its_keys)
{
    using oledb::odbc::driver_family;
    const oledb::odbc::odbc_provider slots[] = {
        {L"ODBC Driver 18 for SQL Server", driver_family::sql_server},
        {L"ODBC Driver 17 for SQL Server", driver_family::sql_server},
        {L"FreeTDS", driver_family::freetds},
    };
    struct form {
        const wchar_t* address;
        const wchar_t* freetds_keys;
        const wchar_t* microsoft_keys;
    };
    const form forms[] = {
        {L"db.example.org", L"Server=db.example.org;Port=1433;", L"Server=db.example.org;"},
        {L"db,14330", L"Server=db;Port=14330;", L"Server={db,14330};"},
        {L" db , 1500 ", L"Server=db;Port=1500;", L"Server={db,1500};"},
        {L"db\\sales", L"Server=db\\sales;", L"Server=db\\sales;"},
        {L"db\\sales,1500", L"Server=db;Port=1500;", L"Server={db,1500};"},
        {L"fe80::1", L"Server=fe80::1;Port=1433;", L"Server=fe80::1;"},
        {L"", L"Server=127.0.0.1;Port=1433;", L"Server=127.0.0.1;"},
        {L"  ", L"Server=127.0.0.1;Port=1433;", L"Server=127.0.0.1;"},
        {L".", L"Server=127.0.0.1;Port=1433;", L"Server=127.0.0.1;"},
        {L"(local)", L"Server=127.0.0.1;Port=1433;", L"Server=127.0.0.1;"},
        {L"(LOCAL)", L"Server=127.0.0.1;Port=1433;", L"Server=127.0.0.1;"},
        {L"localhost", L"Server=127.0.0.1;Port=1433;", L"Server=127.0.0.1;"},
        {L".,1500", L"Server=127.0.0.1;Port=1500;", L"Server={127.0.0.1,1500};"},
        {L"(local)\\sqlexpress", L"Server=127.0.0.1\\sqlexpress;", L"Server=127.0.0.1\\sqlexpress;"},
    };
    for (const oledb::odbc::odbc_provider& slot : slots) {
        for (const form& f : forms) {
            oledb::db_login login;
            login.server = f.address;
            login.user = L"sa";
            const std::wstring keys = slot.name() == L"FreeTDS" ? f.freetds_keys : f.microsoft_keys;
            const std::wstring text = slot.connection_string(login);
            EXPECT_TRUE(text.starts_with(L"Driver=" + slot.name() + L";" + keys)) << oledb::to_utf8(text);
        }
    }
}

TEST(server_address, an_address_no_driver_can_use_is_refused_by_name)
{
    const oledb::odbc::odbc_provider freetds(L"FreeTDS", oledb::odbc::driver_family::freetds);
    for (const wchar_t* address :
         {L"db:1433", L"db,", L"db,0", L"db,65536", L"db,14a", L"db\\", L",1433", L"\\sales"}) {
        oledb::db_login login;
        login.server = address;
        try {
            freetds.connection_string(login);
            ADD_FAILURE() << "accepted: " << oledb::to_utf8(address);
        } catch (const oledb::db_error& e) {
            EXPECT_EQ(std::string(e.what()), "The server address '" + oledb::to_utf8(address) +
                                                 "' cannot be used: write it as host, host,port or host\\instance.");
        }
    }
}

TEST(initialization_string, keys_and_quoted_values)
{
    const auto pairs = parse_initialization_string(
        L"Provider=sqloledb; Data Source = srv ;Initial Catalog=\"a;b\";User Id='o''neil';Password=\"x\"\"y=z\";");
    EXPECT_EQ(pairs.at(L"provider"), L"sqloledb");
    EXPECT_EQ(pairs.at(L"data source"), L"srv");
    EXPECT_EQ(pairs.at(L"initial catalog"), L"a;b");
    EXPECT_EQ(pairs.at(L"user id"), L"o'neil");
    EXPECT_EQ(pairs.at(L"password"), L"x\"y=z");
    EXPECT_EQ(pairs.size(), 5u);
}

TEST(initialization_string, malformed_strings_are_refused)
{
    for (const wchar_t* text : {L"Password=\"open", L"Password=\"a\"b;", L"Provider"})
        EXPECT_THROW(parse_initialization_string(text), std::invalid_argument) << text;
}

TEST(utf16, text_outside_the_basic_plane_and_broken_surrogates)
{
    const std::wstring text = L"a\u00e9\u4e2d\U0001F600";
    const oledb::odbc_string utf16 = oledb::to_utf16(text);
    EXPECT_EQ(utf16.size(), 5u);
    EXPECT_EQ(oledb::from_utf16(utf16), text);
    const oledb::odbc_char lone[] = {0xD800, u'x', 0xDC00};
    EXPECT_EQ(oledb::from_utf16(lone, 3), L"\uFFFDx\uFFFD");
}

TEST(table_name, names_are_bracketed_part_by_part_unless_already_quoted)
{
    EXPECT_EQ(oledb::quoted_table_name(L"dbo.orders"), L"[dbo].[orders]");
    EXPECT_EQ(oledb::quoted_table_name(L"odd]name"), L"[odd]]name]");
    EXPECT_EQ(oledb::quoted_table_name(L"[dbo].[a.b]"), L"[dbo].[a.b]");
}

DBPROP column_property(DBPROPID id, VARIANT value)
{
    DBPROP p{};
    p.dwPropertyID = id;
    p.vValue = value;
    return p;
}

VARIANT boolean(bool on)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = on ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

TEST(create_table, columns_take_type_identity_nullability_and_default)
{
    VARIANT zero;
    VariantInit(&zero);
    zero.vt = VT_I4;
    zero.lVal = 0;
    DBPROP id_props[] = {column_property(DBPROP_COL_AUTOINCREMENT, boolean(true)),
                         column_property(DBPROP_COL_NULLABLE, boolean(false))};
    DBPROP n_props[] = {column_property(DBPROP_COL_NULLABLE, boolean(true)), column_property(DBPROP_COL_DEFAULT, zero)};
    DBPROPSET id_set{id_props, 2, DBPROPSET_COLUMN};
    DBPROPSET n_set{n_props, 2, DBPROPSET_COLUMN};

    DBCOLUMNDESC columns[4] = {};
    auto name = [](DBCOLUMNDESC& c, const wchar_t* n) {
        c.dbcid.eKind = DBKIND_NAME;
        c.dbcid.uName.pwszName = const_cast<wchar_t*>(n);
    };
    name(columns[0], L"[id]");
    columns[0].wType = DBTYPE_I4;
    columns[0].rgPropertySets = &id_set;
    columns[0].cPropertySets = 1;
    name(columns[1], L"n");
    columns[1].wType = DBTYPE_NUMERIC;
    columns[1].bPrecision = 10;
    columns[1].bScale = 2;
    columns[1].rgPropertySets = &n_set;
    columns[1].cPropertySets = 1;
    name(columns[2], L"memo");
    columns[2].wType = DBTYPE_WSTR;
    columns[2].ulColumnSize = ~DBLENGTH{0};
    name(columns[3], L"d");
    columns[3].pwszTypeName = const_cast<wchar_t*>(L"DATE");
    EXPECT_EQ(oledb::create_table_statement(L"[t]", 4, columns),
              L"CREATE TABLE [t] ([id] int IDENTITY(1,1) NOT NULL, [n] numeric(10,2) NULL DEFAULT 0, "
              L"[memo] nvarchar(max), [d] DATE)");
}

}  // namespace
