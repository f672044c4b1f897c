#include "mssql/odb_initializer.h"

#include "mssql/odb_exception.h"
#include "platform/oledb/property_set.h"
#include "platform/oledb/providers.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"

#include <algorithm>

namespace {

std::wstring quoted(const std::wstring& value)
{
    std::wstring text = L"\"";
    for (wchar_t c : value) {
        text += c;
        if (c == L'"')
            text += L'"';
    }
    return text + L"\"";
}

}  // namespace

std::wstring odb_hidden_password(const std::wstring& password)
{
    return password.empty() ? std::wstring() : std::wstring(L"********");
}

std::wstring odb_hidden_password_in(const std::wstring& initialization_string)
{
    const std::wstring key = L";Password=\"";
    const std::size_t start = initialization_string.find(key);
    if (start == std::wstring::npos)
        return initialization_string;
    std::size_t end = start + key.size();
    while (end < initialization_string.size()) {
        if (initialization_string[end] == L'"' &&
            (end + 1 >= initialization_string.size() || initialization_string[end + 1] != L'"'))
            break;
        end += initialization_string[end] == L'"' ? 2 : 1;
    }
    const std::wstring password = initialization_string.substr(start + key.size(), end - start - key.size());
    return initialization_string.substr(0, start) + L";Password=" + odb_hidden_password(password) +
           initialization_string.substr(std::min(end + 1, initialization_string.size()));
}

std::wstring odb_initialization_string(const std::wstring& server, const std::wstring& user,
                                       const std::wstring& password, const std::wstring& database)
{
    std::wstring text = L"Provider=sqloledb;Data Source=" + quoted(server);
    if (!database.empty())
        text += L";Initial Catalog=" + quoted(database);
    if (!user.empty())
        text += L";User Id=" + quoted(user) + L";Password=" + quoted(password) + L";";
    else
        text += L";Integrated Security=SSPI;";
    return text;
}

odb_initializer::odb_initializer()
{
    // The providers are the ODBC drivers, unless a test put others in place.
    oledb::install_odbc_providers();
    tk_log(1, "odb_initializer::ctor");
}

void odb_initializer::test_connection(ole_com_ptr<IDBInitialize>& source, const std::wstring& server,
                                      const std::wstring& user, const std::wstring& password,
                                      const std::wstring& database)
{
    tk_log(1, L"odb_initializer::test_connection(%ls,%ls,%ls,%ls)", server.c_str(), user.c_str(),
           odb_hidden_password(password).c_str(), database.c_str());
    if (test_native_connection(source, CLSID_SQLNCLI11, server, user, password, database)) {
        tk_log(2, "CLSID_SQLNCLI11 succeeded");
        native_client = true;
        return;
    }
    if (test_native_connection(source, CLSID_SQLNCLI10, server, user, password, database)) {
        tk_log(2, "CLSID_SQLNCLI10 succeeded");
        native_client = true;
        return;
    }
    if (!test_generic_connection(source, odb_initialization_string(server, user, password, database)))
        throw tk_exception(
            "Failed to load OLE DB support library. You should install it\r\nto proceed with the application.\r\n", 1);
    native_client = false;
}

bool odb_initializer::test_native_connection(ole_com_ptr<IDBInitialize>& source, REFCLSID provider,
                                             const std::wstring& server, const std::wstring& user,
                                             const std::wstring& password, const std::wstring& database)
{
    tk_log(1, "odb_initializer::test_native_connection");
    if (FAILED(
            CoCreateInstance(provider, nullptr, CLSCTX_INPROC_SERVER, IID_IDBInitialize, source.get_void_address()))) {
        tk_log(1, "CoCreateInstance failed");
        return false;
    }
    tk_log(1, "SQLNCLI1X initialization SUCCEEDED!");
    oledb::property_set properties(DBPROPSET_DBINIT);
    properties.add_text(DBPROP_INIT_DATASOURCE, server);
    if (!user.empty()) {
        properties.add_text(DBPROP_AUTH_USERID, user);
        properties.add_text(DBPROP_AUTH_PASSWORD, password);
    } else {
        properties.add_text(DBPROP_AUTH_INTEGRATED, L"SSPI");
    }
    if (!database.empty())
        properties.add_text(DBPROP_INIT_CATALOG, database);
    {
        ole_com_ptr<IDBProperties> setter;
        odb_check(source->QueryInterface(IID_IDBProperties, setter.get_void_address()));
        tk_log(1, "Right before pIDBProperties->SetProperties");
        odb_check(setter->SetProperties(1, properties.get()));
    }
    tk_log(1, "Right before db_initialize->Initialize");
    odb_check(source->Initialize());
    tk_log(1, "odb_initializer::test_native_connection - END");
    return true;
}

bool odb_initializer::test_generic_connection(ole_com_ptr<IDBInitialize>& source,
                                              const std::wstring& initialization_string)
{
    tk_log(1, L"odb_initializer::test_generic_connection(%ls)", odb_hidden_password_in(initialization_string).c_str());
    ole_com_ptr<IDataInitialize> service;
    const HRESULT hr = CoCreateInstance(CLSID_MSDAINITIALIZE, nullptr, CLSCTX_INPROC_SERVER, IID_IDataInitialize,
                                        service.get_void_address());
    if (FAILED(hr)) {
        tk_log(2, "Failed to initialize CLSID_MSDAINITIALIZE: %08X", static_cast<unsigned>(hr));
        return false;
    }
    ole_com_ptr<IUnknown> created;
    odb_check(service->GetDataSource(nullptr, CLSCTX_INPROC_SERVER, initialization_string.c_str(), IID_IUnknown,
                                     created.get_address()));
    odb_check(created->QueryInterface(IID_IDBInitialize, source.get_void_address()));
    odb_check(source->Initialize());
    return true;
}
