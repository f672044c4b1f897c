#include "odb_session_fixture.h"

#include "mssql/odb_exception.h"
#include "platform/oledb/providers.h"

void odb_session_fixture::SetUp()
{
    oledb::install_providers({server, nullptr, nullptr});
    odb_initializer initializer;
    initializer.test_connection(data_source, L"srv", L"sa", L"pw", L"db");
    ole_com_ptr<IDBCreateSession> factory;
    odb_check(data_source->QueryInterface(IID_IDBCreateSession, factory.get_void_address()));
    odb_check(factory->CreateSession(nullptr, IID_IOpenRowset, reinterpret_cast<IUnknown**>(session.get_address())));
}

void odb_session_fixture::answer(const std::wstring& statement, std::vector<oledb::db_column> columns,
                                 std::vector<fake::row> rows)
{
    server->answer(statement, {std::move(columns), std::move(rows)});
}

void odb_session_fixture::set_native_date_time(bool on)
{
    engine.connected = on;
    engine.native_client = on;
    engine.version_code = on ? 15 : 4;
}

fake::row texts(std::initializer_list<const wchar_t*> values)
{
    fake::row row;
    for (const wchar_t* value : values)
        row.push_back(value ? oledb::db_value(std::wstring(value)) : oledb::db_value());
    return row;
}
