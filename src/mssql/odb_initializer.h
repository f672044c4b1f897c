// Opens the OLE DB data source of an MS SQL connection: SQL Server Native
// Client 11.0, then 10.0, then SQLOLEDB through an initialization string.
#pragma once

#include "platform/oledb/oledb.h"
#include "variant/ole_com_ptr.h"

#include <string>

class odb_initializer {
public:
    odb_initializer();

    // An empty user selects Windows authentication; an empty database leaves
    // the login's default. The next provider is tried only when one cannot
    // be created; one that refuses the login raises odb_exception.
    void test_connection(ole_com_ptr<IDBInitialize>& source, const std::wstring& server, const std::wstring& user,
                         const std::wstring& password, const std::wstring& database);
    // False only when the provider cannot be created.
    bool test_native_connection(ole_com_ptr<IDBInitialize>& source, REFCLSID provider, const std::wstring& server,
                                const std::wstring& user, const std::wstring& password, const std::wstring& database);
    // False only when the data-initialize service cannot be created.
    bool test_generic_connection(ole_com_ptr<IDBInitialize>& source, const std::wstring& initialization_string);

    // The last successful connection went through a native client.
    bool is_native_client() const { return native_client; }

private:
    bool native_client = false;
};

// The SQLOLEDB initialization string; every value in double quotes, a quote
// inside doubled, so that no character of it can end the value or add a keyword.
std::wstring odb_initialization_string(const std::wstring& server, const std::wstring& user,
                                       const std::wstring& password, const std::wstring& database);

// What a log line shows in place of a password, and of the password of an
// initialization string.
std::wstring odb_hidden_password(const std::wstring& password);
std::wstring odb_hidden_password_in(const std::wstring& initialization_string);
