#include "platform/oledb/data_source.h"

#include "platform/compare_string.h"
#include "platform/oledb/connection_string.h"
#include "platform/oledb/error_records.h"
#include "platform/oledb/property_set.h"
#include "platform/oledb/session.h"

#include <map>
#include <optional>
#include <stdexcept>

namespace oledb {

namespace {

std::optional<std::wstring> text_of(const VARIANT& v)
{
    if (v.vt != VT_BSTR)
        return std::nullopt;
    return std::wstring(v.bstrVal ? v.bstrVal : L"", SysStringLen(v.bstrVal));
}

HRESULT overall_status(std::size_t total, std::size_t failed)
{
    if (failed == 0)
        return S_OK;
    return failed == total ? DB_E_ERRORSOCCURRED : DB_S_ERRORSOCCURRED;
}

std::optional<CLSID> provider_class(std::wstring program_id)
{
    if (const std::size_t dot = program_id.find(L'.'); dot != std::wstring::npos)
        program_id.erase(dot);  // "SQLOLEDB.1" names the same provider
    for (wchar_t& c : program_id)
        c = platform::ascii_lower(c);
    if (program_id == L"sqloledb")
        return CLSID_SQLOLEDB;
    if (program_id == L"sqlncli11")
        return CLSID_SQLNCLI11;
    if (program_id == L"sqlncli10")
        return CLSID_SQLNCLI10;
    return std::nullopt;
}

// The DBINIT property a keyword of an initialization string sets, or 0.
DBPROPID init_property(const std::wstring& keyword)
{
    if (keyword == L"data source" || keyword == L"server" || keyword == L"address")
        return DBPROP_INIT_DATASOURCE;
    if (keyword == L"initial catalog" || keyword == L"database")
        return DBPROP_INIT_CATALOG;
    if (keyword == L"user id" || keyword == L"uid")
        return DBPROP_AUTH_USERID;
    if (keyword == L"password" || keyword == L"pwd")
        return DBPROP_AUTH_PASSWORD;
    if (keyword == L"integrated security")
        return DBPROP_AUTH_INTEGRATED;
    return 0;
}

}  // namespace

data_source::data_source(std::shared_ptr<db_provider> provider) : provider_(std::move(provider)) {}

IUnknown* data_source::interface_for(REFIID riid)
{
    if (riid == IID_IUnknown || riid == IID_IDBInitialize)
        return static_cast<IDBInitialize*>(this);
    if (riid == IID_IDBProperties)
        return static_cast<IDBProperties*>(this);
    if (riid == IID_IDBCreateSession)
        return static_cast<IDBCreateSession*>(this);
    return nullptr;
}

HRESULT data_source::Initialize()
{
    return guarded([&]() -> HRESULT {
        if (factory_)
            return DB_E_ALREADYINITIALIZED;
        auto factory = std::make_shared<connection_factory>(provider_, login_);
        factory->open_first();
        factory_ = std::move(factory);
        return S_OK;
    });
}

HRESULT data_source::Uninitialize()
{
    factory_.reset();
    return S_OK;
}

DBPROPSTATUS data_source::set_property(const GUID& set, const DBPROP& property)
{
    if (set == DBPROPSET_SQLSERVERDATASOURCE && property.dwPropertyID == SSPROP_ENABLEFASTLOAD) {
        if (property.vValue.vt != VT_BOOL)
            return DBPROPSTATUS_BADVALUE;
        if (!provider_->supports_bulk_load())
            return DBPROPSTATUS_NOTSUPPORTED;
        *fast_load_ = property.vValue.boolVal != VARIANT_FALSE;
        return DBPROPSTATUS_OK;
    }
    if (set != DBPROPSET_DBINIT)
        return DBPROPSTATUS_NOTSUPPORTED;
    if (factory_)
        return DBPROPSTATUS_NOTSETTABLE;
    if (property.dwPropertyID == DBPROP_AUTH_INTEGRATED) {
        const auto value = text_of(property.vValue);
        login_.integrated = value && !value->empty();
        return property.vValue.vt == VT_EMPTY || value ? DBPROPSTATUS_OK : DBPROPSTATUS_BADVALUE;
    }
    std::wstring* target = nullptr;
    switch (property.dwPropertyID) {
    case DBPROP_INIT_DATASOURCE: target = &login_.server; break;
    case DBPROP_AUTH_USERID: target = &login_.user; break;
    case DBPROP_AUTH_PASSWORD: target = &login_.password; break;
    case DBPROP_INIT_CATALOG: target = &login_.database; break;
    default: return DBPROPSTATUS_NOTSUPPORTED;
    }
    const auto value = text_of(property.vValue);
    if (!value)
        return DBPROPSTATUS_BADVALUE;
    *target = *value;
    return DBPROPSTATUS_OK;
}

HRESULT data_source::SetProperties(ULONG cPropertySets, DBPROPSET rgPropertySets[])
{
    if (cPropertySets > 0 && !rgPropertySets)
        return E_INVALIDARG;
    std::size_t total = 0, failed = 0;
    for (ULONG s = 0; s < cPropertySets; ++s) {
        DBPROPSET& set = rgPropertySets[s];
        for (ULONG i = 0; i < set.cProperties; ++i) {
            DBPROP& p = set.rgProperties[i];
            p.dwStatus = set_property(set.guidPropertySet, p);
            ++total;
            failed += p.dwStatus != DBPROPSTATUS_OK;
        }
    }
    return overall_status(total, failed);
}

HRESULT data_source::CreateSession(IUnknown* pUnkOuter, REFIID riid, IUnknown** ppDBSession)
{
    if (!ppDBSession)
        return E_INVALIDARG;
    *ppDBSession = nullptr;
    if (pUnkOuter)
        return DB_E_NOAGGREGATION;
    if (!factory_)
        return E_UNEXPECTED;
    return hand_out(new session(std::make_shared<session_link>(factory_, fast_load_)), riid, ppDBSession);
}

IUnknown* data_initialize::interface_for(REFIID riid)
{
    return riid == IID_IUnknown || riid == IID_IDataInitialize ? this : nullptr;
}

HRESULT data_initialize::GetDataSource(IUnknown* pUnkOuter, DWORD, LPCOLESTR pwszInitializationString, REFIID riid,
                                       IUnknown** ppDataSource)
{
    return guarded([&]() -> HRESULT {
        if (!ppDataSource || !pwszInitializationString)
            return E_INVALIDARG;
        *ppDataSource = nullptr;
        if (pUnkOuter)
            return DB_E_NOAGGREGATION;
        std::map<std::wstring, std::wstring> pairs;
        try {
            pairs = parse_initialization_string(pwszInitializationString);
        } catch (const std::invalid_argument&) {
            return report(E_INVALIDARG, L"The initialization string is not valid.");
        }
        const auto provider = pairs.find(L"provider");
        const std::optional<CLSID> clsid = provider_class(provider == pairs.end() ? L"" : provider->second);
        if (!clsid)
            return report(REGDB_E_CLASSNOTREG, L"The provider of the initialization string is not registered.");
        property_set properties(DBPROPSET_DBINIT);
        for (const auto& [keyword, value] : pairs)
            if (const DBPROPID id = init_property(keyword))
                properties.add_text(id, value);
        IDBProperties* created = nullptr;
        HRESULT hr = CoCreateInstance(*clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDBProperties,
                                      reinterpret_cast<void**>(&created));
        if (FAILED(hr))
            return report(hr, L"The provider of the initialization string cannot be created.");
        com_ref<IDBProperties> source(created);
        hr = source->SetProperties(1, properties.get());
        if (FAILED(hr))
            return report(hr, L"The initialization string holds a value the provider does not take.");
        return source->QueryInterface(riid, reinterpret_cast<void**>(ppDataSource));
    });
}

}  // namespace oledb
