#include "oledb_test_support.h"

#include <cstring>
#include <gtest/gtest.h>

namespace oledb_test {

VARIANT text_variant(const std::wstring& text)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return v;
}

DBPROP bool_property(DBPROPID id, bool on)
{
    DBPROP property{};
    property.dwPropertyID = id;
    property.vValue.vt = VT_BOOL;
    property.vValue.boolVal = on ? VARIANT_TRUE : VARIANT_FALSE;
    return property;
}

HRESULT enable_fast_load(IDBInitialize* source, DBPROPSTATUS* status)
{
    DBPROP property = bool_property(SSPROP_ENABLEFASTLOAD, true);
    DBPROPSET set{&property, 1, DBPROPSET_SQLSERVERDATASOURCE};
    IDBProperties* properties = nullptr;
    EXPECT_EQ(source->QueryInterface(IID_IDBProperties, reinterpret_cast<void**>(&properties)), S_OK);
    const HRESULT hr = properties->SetProperties(1, &set);
    properties->Release();
    if (status)
        *status = property.dwStatus;
    return hr;
}

opened_source open_source(REFCLSID clsid, const std::wstring& server, const std::wstring& user,
                          const std::wstring& password, const std::wstring& database)
{
    IDBInitialize* created = nullptr;
    HRESULT hr =
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDBInitialize, reinterpret_cast<void**>(&created));
    if (FAILED(hr))
        return {hr, {}};
    com_ref<IDBInitialize> source(created);
    std::vector<DBPROP> props;
    auto add = [&](DBPROPID id, const std::wstring& value) {
        DBPROP p{};
        p.dwPropertyID = id;
        p.vValue = text_variant(value);
        props.push_back(p);
    };
    add(DBPROP_INIT_DATASOURCE, server);
    if (user.empty()) {
        add(DBPROP_AUTH_INTEGRATED, L"SSPI");
    } else {
        add(DBPROP_AUTH_USERID, user);
        add(DBPROP_AUTH_PASSWORD, password);
    }
    if (!database.empty())
        add(DBPROP_INIT_CATALOG, database);
    DBPROPSET set{props.data(), static_cast<ULONG>(props.size()), DBPROPSET_DBINIT};
    IDBProperties* properties = nullptr;
    source->QueryInterface(IID_IDBProperties, reinterpret_cast<void**>(&properties));
    hr = properties->SetProperties(1, &set);
    properties->Release();
    for (DBPROP& p : props)
        VariantClear(&p.vValue);
    if (SUCCEEDED(hr))
        hr = source->Initialize();
    return {hr, std::move(source)};
}

com_ref<IOpenRowset> new_session(IDBInitialize* source)
{
    IDBCreateSession* factory = nullptr;
    EXPECT_EQ(source->QueryInterface(IID_IDBCreateSession, reinterpret_cast<void**>(&factory)), S_OK);
    IUnknown* session = nullptr;
    EXPECT_EQ(factory->CreateSession(nullptr, IID_IOpenRowset, &session), S_OK);
    factory->Release();
    return com_ref<IOpenRowset>(static_cast<IOpenRowset*>(session));
}

com_ref<ICommandText> new_command(IOpenRowset* session)
{
    IDBCreateCommand* factory = nullptr;
    EXPECT_EQ(session->QueryInterface(IID_IDBCreateCommand, reinterpret_cast<void**>(&factory)), S_OK);
    IUnknown* command = nullptr;
    EXPECT_EQ(factory->CreateCommand(nullptr, IID_ICommandText, &command), S_OK);
    factory->Release();
    return com_ref<ICommandText>(static_cast<ICommandText*>(command));
}

HRESULT execute(ICommandText* command, const std::wstring& statement, com_ref<IRowset>& rowset)
{
    EXPECT_EQ(command->SetCommandText(DBGUID_DEFAULT, statement.c_str()), S_OK);
    IUnknown* result = nullptr;
    const HRESULT hr = command->Execute(nullptr, IID_IRowset, nullptr, nullptr, &result);
    rowset = com_ref<IRowset>(static_cast<IRowset*>(result));
    return hr;
}

HRESULT execute_only(ICommandText* command, const std::wstring& statement)
{
    EXPECT_EQ(command->SetCommandText(DBGUID_DEFAULT, statement.c_str()), S_OK);
    return command->Execute(nullptr, IID_NULL, nullptr, nullptr, nullptr);
}

com_ref<IRowset> query(IOpenRowset* session, const std::wstring& statement)
{
    com_ref<IRowset> rowset;
    EXPECT_EQ(execute(new_command(session).get(), statement, rowset), S_OK);
    return rowset;
}

void run(IOpenRowset* session, const std::wstring& statement)
{
    com_ref<IRowset> rowset;
    EXPECT_EQ(execute(new_command(session).get(), statement, rowset), S_OK)
        << std::string(statement.begin(), statement.end());
}

std::vector<std::wstring> column_names(IUnknown* rowset)
{
    IColumnsInfo* info = nullptr;
    EXPECT_EQ(rowset->QueryInterface(IID_IColumnsInfo, reinterpret_cast<void**>(&info)), S_OK);
    DBORDINAL count = 0;
    DBCOLUMNINFO* columns = nullptr;
    OLECHAR* strings = nullptr;
    EXPECT_EQ(info->GetColumnInfo(&count, &columns, &strings), S_OK);
    std::vector<std::wstring> names;
    for (DBORDINAL i = 0; i < count; ++i)
        names.emplace_back(columns[i].pwszName);
    CoTaskMemFree(columns);
    CoTaskMemFree(strings);
    info->Release();
    return names;
}

std::vector<text_row> read_all(IRowset* rowset)
{
    const std::size_t count = column_names(rowset).size();
    constexpr DBLENGTH room = 512 * sizeof(wchar_t);
    constexpr DBBYTEOFFSET stride = 16 + room;
    std::vector<DBBINDING> bindings(count);
    for (std::size_t i = 0; i < count; ++i) {
        DBBINDING& b = bindings[i];
        b = DBBINDING{};
        b.iOrdinal = i + 1;
        b.obStatus = i * stride;
        b.obLength = i * stride + 8;
        b.obValue = i * stride + 16;
        b.dwPart = DBPART_VALUE | DBPART_LENGTH | DBPART_STATUS;
        b.cbMaxLen = room;
        b.wType = DBTYPE_WSTR;
    }
    IAccessor* accessor = nullptr;
    EXPECT_EQ(rowset->QueryInterface(IID_IAccessor, reinterpret_cast<void**>(&accessor)), S_OK);
    HACCESSOR handle = 0;
    EXPECT_EQ(accessor->CreateAccessor(DBACCESSOR_ROWDATA, count, bindings.data(), 0, &handle, nullptr), S_OK);
    std::vector<std::byte> buffer(count * stride);
    std::vector<text_row> rows;
    for (;;) {
        HROW handles[10];
        HROW* pointer = handles;
        DBCOUNTITEM obtained = 0;
        const HRESULT hr = rowset->GetNextRows(DB_NULL_HCHAPTER, 0, 10, &obtained, &pointer);
        EXPECT_TRUE(SUCCEEDED(hr));
        for (DBCOUNTITEM r = 0; r < obtained; ++r) {
            EXPECT_EQ(rowset->GetData(handles[r], handle, buffer.data()), S_OK);
            text_row row;
            for (const DBBINDING& b : bindings) {
                DBSTATUS status;
                std::memcpy(&status, buffer.data() + b.obStatus, sizeof(status));
                if (status == DBSTATUS_S_ISNULL)
                    row.emplace_back();
                else
                    row.emplace_back(reinterpret_cast<const wchar_t*>(buffer.data() + b.obValue));
            }
            rows.push_back(row);
        }
        if (obtained)
            rowset->ReleaseRows(obtained, handles, nullptr, nullptr, nullptr);
        if (hr != S_OK || obtained == 0)
            break;
    }
    accessor->ReleaseAccessor(handle, nullptr);
    accessor->Release();
    return rows;
}

std::vector<error_record> current_error_records()
{
    std::vector<error_record> found;
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK)
        return found;
    IErrorRecords* records = nullptr;
    if (SUCCEEDED(info->QueryInterface(IID_IErrorRecords, reinterpret_cast<void**>(&records)))) {
        ULONG count = 0;
        records->GetRecordCount(&count);
        for (ULONG i = 0; i < count; ++i) {
            error_record r{};
            ERRORINFO basic{};
            records->GetBasicErrorInfo(i, &basic);
            r.hr = basic.hrError;
            r.minor = basic.dwMinor;
            IErrorInfo* one = nullptr;
            records->GetErrorInfo(i, GetUserDefaultLCID(), &one);
            BSTR text = nullptr;
            one->GetDescription(&text);
            r.description = text ? text : L"";
            SysFreeString(text);
            one->Release();
            IUnknown* custom = nullptr;
            records->GetCustomErrorObject(i, IID_ISQLErrorInfo, &custom);
            if (custom) {
                BSTR state = nullptr;
                static_cast<ISQLErrorInfo*>(custom)->GetSQLInfo(&state, &r.native_error);
                r.sql_state = state ? state : L"";
                SysFreeString(state);
                custom->Release();
            }
            found.push_back(r);
        }
        records->Release();
    }
    info->Release();
    return found;
}

}  // namespace oledb_test
