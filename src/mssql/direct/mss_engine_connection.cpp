// The connection half of the MS SQL engine: connecting, the server version
// and database list, and testing, opening, creating and dropping databases.
#include "model/name_compare.h"
#include "mssql/direct/mss_database.h"
#include "mssql/direct/result_rows.h"
#include "mssql/mss_engine.h"
#include "mssql/odb/odb_command.h"
#include "mssql/odb/odb_recordset.h"
#include "mssql/odb_exception.h"
#include "mssql/quoting.h"
#include "toolkit/tk_log.h"
#include "toolkit/tk_text_conversion.h"

#include <algorithm>
#include <memory>

namespace {

// A server whose version text names no known release is taken as current.
constexpr std::int32_t current_version_code = 18;
constexpr std::int32_t unknown_version_code = 1;

ole_com_ptr<IOpenRowset> open_session(IDBInitialize* source)
{
    ole_com_ptr<IDBCreateSession> factory;
    odb_check(source->QueryInterface(IID_IDBCreateSession, factory.get_void_address()));
    ole_com_ptr<IOpenRowset> session;
    odb_check(factory->CreateSession(nullptr, IID_IOpenRowset, reinterpret_cast<IUnknown**>(session.get_address())));
    return session;
}

// The rows of a statement, as a recordset that owns them.
std::unique_ptr<odb_recordset> run_query(odb_command& command, const std::wstring& statement)
{
    ole_com_ptr<IRowset> rowset;
    command.execute(statement, rowset.get_address());
    return std::make_unique<odb_recordset>(rowset.get());
}

std::string narrow(const std::wstring& text)
{
    std::string result;
    tk_unicode_to_ansi3(text.c_str(), result);
    return result;
}

}  // namespace

mss_no_perm_exception::mss_no_perm_exception(const std::wstring& user, const std::wstring& database)
    : tk_exception("User '" + narrow(user) + "' does not have permission to access database '" + narrow(database) + "'",
                   0)
{}

void mss_engine::connect(const std::wstring& server_name, const std::wstring& login, const std::wstring& secret,
                         const std::wstring& database, bool fast)
{
    tk_log(3, "Connecting to MS SQL server(3)...");
    open_data_source(server_name, login, secret, database, fast);
}

void mss_engine::connect(const std::wstring& server_name, const std::wstring& login, const std::wstring& secret,
                         bool fast)
{
    tk_log(3, "Connecting to MS SQL server(2)...");
    open_data_source(server_name, login, secret, std::wstring(), fast);
}

void mss_engine::connect(const std::wstring& server_name, bool fast)
{
    tk_log(3, "Connecting to MS SQL server(1)...");
    open_data_source(server_name, std::wstring(), std::wstring(), std::wstring(), fast);
}

// The login of the last connect is kept, also an empty one: names and later
// connections must follow the authentication in use.
void mss_engine::open_data_source(const std::wstring& server_name, const std::wstring& login,
                                  const std::wstring& secret, const std::wstring& database, bool fast)
{
    if (connected) {
        tk_log(2, "Connection exists, disconnect first");
        data_source->Uninitialize();
        connected = false;
    }
    initializer.test_connection(data_source, server_name, login, secret, database);
    native_client = initializer.is_native_client();
    fast_load = enable_fast_load(data_source.get(), fast);
    server = server_name;
    user = login;
    password = secret;
    connected = true;
    version_code = get_version(data_source.get());
    tk_log(2, "Got MS SQL version: %d", version_code);
    init_db_contents(data_source.get());
    tk_log(1, "mss_engine::connect - END");
}

bool mss_engine::enable_fast_load(IDBInitialize* source, bool on)
{
    tk_log(2, "mss_engine::enable_fast_load(%d)", on ? 1 : 0);
    DBPROP property{};
    property.dwPropertyID = SSPROP_ENABLEFASTLOAD;
    property.dwOptions = DBPROPOPTIONS_REQUIRED;
    property.vValue.vt = VT_BOOL;
    property.vValue.boolVal = on ? VARIANT_TRUE : VARIANT_FALSE;
    DBPROPSET set{&property, 1, DBPROPSET_SQLSERVERDATASOURCE};
    ole_com_ptr<IDBProperties> properties;
    odb_check(source->QueryInterface(IID_IDBProperties, properties.get_void_address()));
    if (FAILED(properties->SetProperties(1, &set)))
        return false;
    fast_load = on;
    return on;
}

std::int32_t mss_engine::get_version(IDBInitialize* source)
{
    tk_log(2, "mss_engine::get_version");
    odb_command command(static_cast<IUnknown*>(source));
    const std::unique_ptr<odb_recordset> result = run_query(command, L"SELECT @@VERSION");
    result->reset();
    const std::wstring text = mss_row_text(*result->get_item(), 0);
    tk_log(2, L"MS SQL version string: %ls", text.c_str());
    std::int32_t code = get_version_code(text);
    if (code == unknown_version_code) {
        tk_log(2, "Unknown MS SQL version, taken as the current one");
        code = current_version_code;
    }
    return code;
}

void mss_engine::init_db_contents(IDBInitialize* source)
{
    tk_log(2, "mss_engine::init_db_contents");
    databases.clear();
    if (version_code == mss_azure_version_code)
        return;
    const ole_com_ptr<IOpenRowset> session = open_session(source);
    odb_command command(session.get());
    const auto read_names = [&](const wchar_t* statement) {
        databases.clear();
        const std::unique_ptr<odb_recordset> result = run_query(command, statement);
        mss_for_each_row(*result, [&](const udb_record& row) {
            databases.push_back(mss_row_text(row, 0));
            tk_log(1, L"Got database: %ls", databases.back().c_str());
        });
    };
    try {
        read_names(version_code > 3 ? L"SELECT name from master.sys.databases ORDER BY name"
                                    : L"SELECT name from master.sys.sysdatabases ORDER BY name");
    } catch (const odb_exception&) {
        if (version_code > 3)
            throw;
        tk_log(2, "Try the second approach for MS SQL <= v2000...");
        read_names(L"SELECT name from master.dbo.sysdatabases ORDER BY name");
    }
}

std::vector<std::wstring> mss_engine::get_contents() const
{
    tk_log(2, "mss_engine::get_contents");
    if (!connected)
        throw tk_mail_assertion("mss_engi", 317);
    if (version_code == mss_azure_version_code) {
        tk_log(2, "Cannot get list of databases on Azure SQL");
        throw tk_exception(std::string("Azure SQL does not allow to list databases.\r\nEnter database name directly."),
                           1);
    }
    return databases;
}

std::string mss_engine::get_code_page(IDBInitialize* source)
{
    tk_log(2, "mss_engine::get_code_page");
    const ole_com_ptr<IOpenRowset> session = open_session(source);
    odb_command command(session.get());
    const std::unique_ptr<odb_recordset> result = run_query(command, L"exec sp_helpsort");
    result->reset();
    if (result->is_eof()) {
        tk_log(2, "Failed to extract code page");
        return std::string();
    }
    const std::string code_page = narrow(mss_row_text(*result->get_item(), 0));
    tk_log(1, "Got code page: [%s]", code_page.c_str());
    return code_page;
}

bool mss_engine::is_db_exist(const std::wstring& name)
{
    tk_log(2, L"mss_engine::is_db_exist(%ls)", name.c_str());
    if (!connected)
        throw tk_mail_assertion("mss_engi", 198);
    if (version_code != mss_azure_version_code) {
        tk_log(1, "Step #1: check via get_contents()");
        try {
            const std::vector<std::wstring> names = get_contents();
            const bool listed = std::any_of(names.begin(), names.end(),
                                            [&](const std::wstring& entry) { return udb_same_name(entry, name); });
            if (!listed) {
                tk_log(1, L"Database %ls has NOT been found", name.c_str());
                return false;
            }
        } catch (const odb_exception& e) {
            tk_log(1, "ERROR: %s", e.what());
            return false;
        }
        tk_log(1, L"Database %ls has been found", name.c_str());
    }
    // Whether the login may use the database: the server answers on the
    // connection the engine holds. A login into the database would cost a
    // connection, and one closed just before the database is dropped may
    // still hold it on the server. Azure SQL answers only for the database
    // a connection is in, so there the login itself is the test.
    if (version_code != mss_azure_version_code) {
        tk_log(1, "Step #2: check via HAS_DBACCESS");
        bool allowed = false;
        try {
            odb_command command(static_cast<IUnknown*>(data_source.get()));
            const std::unique_ptr<odb_recordset> result =
                run_query(command, L"SELECT HAS_DBACCESS(" + mss_unicode_literal(name) + L")");
            result->reset();
            allowed = !result->is_eof() && mss_row_long(*result->get_item(), 0) == 1;
        } catch (const odb_exception& e) {
            tk_log(1, "ERROR: %s", e.what());
        }
        if (!allowed)
            throw mss_no_perm_exception(user, name);
        tk_log(2, "mss_engine::is_db_exist -- end");
        return true;
    }
    tk_log(1, "Step #2: check via test_connection(...)");
    try {
        ole_com_ptr<IDBInitialize> probe;
        initializer.test_connection(probe, server, user, password, name);
        probe->Uninitialize();
    } catch (const odb_exception&) {
        throw mss_no_perm_exception(user, name);
    }
    tk_log(2, "mss_engine::is_db_exist -- end");
    return true;
}

mss_database* mss_engine::open_db(const std::wstring& name, std::uint32_t mode, const std::wstring& owner)
{
    tk_log(3, L"Opening MS SQL database '%ls'", name.c_str());
    if (!connected)
        throw tk_mail_assertion("mss_engi", 286);
    data_source->Uninitialize();
    connected = false;
    initializer.test_connection(data_source, server, user, password, name);
    native_client = initializer.is_native_client();
    connected = true;
    // The new data source has to offer bulk load to the sessions made on it.
    if (fast_load)
        enable_fast_load(data_source.get(), true);
    const ole_com_ptr<IOpenRowset> session = open_session(data_source.get());
    tk_log(1, "Connection to the database was establish successfully");
    return new mss_database(name, owner, data_source.get(), session.get(), mode);
}

mss_database* mss_engine::create_db(const std::wstring& name)
{
    tk_log(3, L"Creating MS SQL database '%ls'", name.c_str());
    if (!connected)
        throw tk_mail_assertion("mss_engi", 256);
    odb_command command(static_cast<IUnknown*>(data_source.get()));
    command.execute(L"CREATE DATABASE " + mss_quote_name(name), nullptr);
    return open_db(name, 2, std::wstring());
}

void mss_engine::delete_db(const std::wstring& name)
{
    tk_log(3, L"Deleting MS SQL database '%ls'", name.c_str());
    if (!connected)
        throw tk_mail_assertion("mss_engi", 163);
    odb_command command(static_cast<IUnknown*>(data_source.get()));
    command.execute(L"DROP DATABASE " + mss_quote_name(name), nullptr);
    const auto listed = std::find_if(databases.begin(), databases.end(),
                                     [&](const std::wstring& entry) { return udb_same_name(entry, name); });
    if (listed == databases.end()) {
        tk_log(2, "Database was not found in the list");
        return;
    }
    databases.erase(listed);
    tk_log(1, "Database has been removed from the list");
}
