#include "platform/oledb/session.h"

#include "platform/oledb/command.h"
#include "platform/oledb/create_table.h"
#include "platform/oledb/error_records.h"
#include "platform/oledb/fast_load_rowset.h"
#include "platform/oledb/result_rowset.h"
#include "platform/oledb/schema_layout.h"

#include <optional>

namespace oledb {

namespace {

std::optional<schema_kind> schema_of(REFGUID schema)
{
    if (schema == DBSCHEMA_TABLES)
        return schema_kind::tables;
    if (schema == DBSCHEMA_PRIMARY_KEYS)
        return schema_kind::primary_keys;
    if (schema == DBSCHEMA_INDEXES)
        return schema_kind::indexes;
    if (schema == DBSCHEMA_FOREIGN_KEYS)
        return schema_kind::foreign_keys;
    return std::nullopt;
}

struct rowset_request {
    bool fast_load = false;
    bool keep_identity = false;
    bool refused = false;  // a required property this layer does not offer
};

// Rowset properties: change and updatability are taken (rows of a table are
// only ever added through statements or the fast-load rowset); the SQL
// Server rowset properties choose the fast-load rowset.
rowset_request read_rowset_properties(ULONG count, DBPROPSET sets[])
{
    rowset_request request;
    for (ULONG s = 0; s < count; ++s) {
        for (ULONG i = 0; i < sets[s].cProperties; ++i) {
            DBPROP& p = sets[s].rgProperties[i];
            const bool on = p.vValue.vt == VT_BOOL && p.vValue.boolVal != VARIANT_FALSE;
            p.dwStatus = DBPROPSTATUS_OK;
            if (sets[s].guidPropertySet == DBPROPSET_SQLSERVERROWSET && p.dwPropertyID == SSPROP_IRowsetFastLoad)
                request.fast_load = on;
            else if (sets[s].guidPropertySet == DBPROPSET_SQLSERVERROWSET &&
                     p.dwPropertyID == SSPROP_FASTLOADKEEPIDENTITY)
                request.keep_identity = on;
            else if (sets[s].guidPropertySet != DBPROPSET_ROWSET ||
                     (p.dwPropertyID != DBPROP_IRowsetChange && p.dwPropertyID != DBPROP_UPDATABILITY))
                p.dwStatus = DBPROPSTATUS_NOTSUPPORTED;
            request.refused =
                request.refused || (p.dwStatus != DBPROPSTATUS_OK && p.dwOptions == DBPROPOPTIONS_REQUIRED);
        }
    }
    return request;
}

const wchar_t* name_of(const DBID* id)
{
    return id && id->eKind == DBKIND_NAME && id->uName.pwszName && *id->uName.pwszName ? id->uName.pwszName : nullptr;
}

}  // namespace

session::session(std::shared_ptr<session_link> link) : link_(std::move(link)) {}

IUnknown* session::interface_for(REFIID riid)
{
    if (riid == IID_IUnknown || riid == IID_IOpenRowset)
        return static_cast<IOpenRowset*>(this);
    if (riid == IID_IDBCreateCommand)
        return static_cast<IDBCreateCommand*>(this);
    if (riid == IID_IDBSchemaRowset)
        return static_cast<IDBSchemaRowset*>(this);
    if (riid == IID_ITableDefinition)
        return static_cast<ITableDefinition*>(this);
    return nullptr;
}

HRESULT session::OpenRowset(IUnknown* pUnkOuter, DBID* pTableID, DBID*, REFIID riid, ULONG cPropertySets,
                            DBPROPSET rgPropertySets[], IUnknown** ppRowset)
{
    return guarded([&]() -> HRESULT {
        if (!ppRowset)
            return E_INVALIDARG;
        *ppRowset = nullptr;
        if (pUnkOuter)
            return DB_E_NOAGGREGATION;
        const wchar_t* table = name_of(pTableID);
        if (!table)
            return report(DB_E_NOTABLE, L"The table id names no table.");
        const rowset_request request = read_rowset_properties(cPropertySets, rgPropertySets);
        if (request.refused)
            return DB_E_ERRORSOCCURRED;
        if (request.fast_load || riid == IID_IRowsetFastLoad) {
            if (!link_->fast_load())
                return report(E_NOINTERFACE, L"Fast load is not enabled on the data source.");
            auto connection = link_->bulk_connection();
            auto load = connection->link->open_bulk_load(table, request.keep_identity);
            return hand_out(new fast_load_rowset(std::move(load), busy_lease(connection)), riid, ppRowset);
        }
        auto connection = link_->reader_connection();
        auto rows = connection->link->open_table(table);
        return hand_out(new result_rowset(std::move(rows), busy_lease(connection)), riid, ppRowset);
    });
}

HRESULT session::CreateCommand(IUnknown* pUnkOuter, REFIID riid, IUnknown** ppCommand)
{
    if (!ppCommand)
        return E_INVALIDARG;
    *ppCommand = nullptr;
    if (pUnkOuter)
        return DB_E_NOAGGREGATION;
    return hand_out(new command(link_), riid, ppCommand);
}

HRESULT session::GetRowset(IUnknown* pUnkOuter, REFGUID rguidSchema, ULONG cRestrictions,
                           const VARIANT rgRestrictions[], REFIID riid, ULONG, DBPROPSET[], IUnknown** ppRowset)
{
    return guarded([&]() -> HRESULT {
        if (!ppRowset || (cRestrictions > 0 && !rgRestrictions))
            return E_INVALIDARG;
        *ppRowset = nullptr;
        if (pUnkOuter)
            return DB_E_NOAGGREGATION;
        const std::optional<schema_kind> kind = schema_of(rguidSchema);
        if (!kind)
            return report(E_INVALIDARG, L"The schema rowset is not supported.");
        if (cRestrictions > schema_restriction_count(*kind))
            return report(E_INVALIDARG, L"Too many restrictions for the schema rowset.");
        schema_restrictions restrictions;
        for (ULONG i = 0; i < cRestrictions; ++i) {
            const VARIANT& v = rgRestrictions[i];
            if (v.vt == VT_EMPTY)
                restrictions.emplace_back();
            else if (v.vt == VT_BSTR)
                restrictions.emplace_back(std::wstring(v.bstrVal ? v.bstrVal : L"", SysStringLen(v.bstrVal)));
            else
                return report(E_INVALIDARG, L"A schema restriction is neither empty nor text.");
        }
        auto rows = link_->reader_connection()->link->open_schema(*kind, restrictions);
        return hand_out(new result_rowset(std::move(rows), busy_lease()), riid, ppRowset);
    });
}

HRESULT session::CreateTable(IUnknown* pUnkOuter, DBID* pTableID, DBORDINAL cColumnDescs,
                             const DBCOLUMNDESC rgColumnDescs[], REFIID riid, ULONG, DBPROPSET[], DBID** ppTableID,
                             IUnknown** ppRowset)
{
    return guarded([&]() -> HRESULT {
        if (ppTableID)
            *ppTableID = nullptr;
        if (ppRowset)
            *ppRowset = nullptr;
        if (pUnkOuter)
            return DB_E_NOAGGREGATION;
        const wchar_t* table = name_of(pTableID);
        if (!table || cColumnDescs == 0 || !rgColumnDescs)
            return report(E_INVALIDARG, L"A new table needs a name and columns.");
        link_->home_connection()->link->execute(create_table_statement(table, cColumnDescs, rgColumnDescs));
        if (!ppRowset)
            return S_OK;
        auto connection = link_->reader_connection();
        auto rows = connection->link->open_table(table);
        return hand_out(new result_rowset(std::move(rows), busy_lease(connection)), riid, ppRowset);
    });
}

}  // namespace oledb
