#include "platform/oledb/command.h"

#include "platform/oledb/bound_value.h"
#include "platform/oledb/error_records.h"
#include "platform/oledb/result_rowset.h"

#include <cwctype>

namespace oledb {

namespace {

// The column a parameter's values are read for, from its type's name.
bool parameter_column(const DBPARAMBINDINFO& info, db_column& column)
{
    if (!info.pwszDataSourceType)
        return false;
    std::wstring name(info.pwszDataSourceType);
    for (wchar_t& c : name)
        c = static_cast<wchar_t>(std::towupper(c));
    if (name == L"DBTYPE_WVARCHAR" || name == L"DBTYPE_WLONGVARCHAR" || name == L"DBTYPE_WCHAR")
        column.type = DBTYPE_WSTR;
    else if (name == L"DBTYPE_VARCHAR" || name == L"DBTYPE_LONGVARCHAR" || name == L"DBTYPE_CHAR")
        column.type = DBTYPE_STR;
    else if (name == L"DBTYPE_VARBINARY" || name == L"DBTYPE_LONGVARBINARY" || name == L"DBTYPE_BINARY")
        column.type = DBTYPE_BYTES;
    else
        return false;
    column.name = info.pwszName ? info.pwszName : L"";
    column.size = info.ulParamSize;
    column.precision = info.bPrecision;
    column.scale = info.bScale;
    column.flags = DBCOLUMNFLAGS_ISNULLABLE;
    return true;
}

}  // namespace

command::command(std::shared_ptr<session_link> link)
    : link_(std::move(link)), accessors_(parameters_, readable_type, DBACCESSOR_PARAMETERDATA)
{}

IUnknown* command::interface_for(REFIID riid)
{
    if (riid == IID_IUnknown || riid == IID_ICommand || riid == IID_ICommandText)
        return static_cast<ICommandText*>(this);
    if (riid == IID_ICommandWithParameters)
        return static_cast<ICommandWithParameters*>(this);
    if (riid == IID_IAccessor)
        return static_cast<IAccessor*>(this);
    return nullptr;
}

HRESULT command::SetCommandText(REFGUID, LPCOLESTR pwszCommand)
{
    has_text_ = pwszCommand && *pwszCommand;
    text_ = has_text_ ? pwszCommand : L"";
    // A statement has markers of its own.
    parameters_.clear();
    return S_OK;
}

HRESULT command::SetParameterInfo(DB_UPARAMS cParams, const DB_UPARAMS rgParamOrdinals[],
                                  const DBPARAMBINDINFO rgParamBindInfo[])
{
    if (cParams > 0 && (!rgParamOrdinals || !rgParamBindInfo))
        return E_INVALIDARG;
    // None given discards those described.
    std::vector<db_column> described = cParams == 0 ? std::vector<db_column>{} : parameters_;
    for (DB_UPARAMS i = 0; i < cParams; ++i) {
        const DB_UPARAMS ordinal = rgParamOrdinals[i];
        if (ordinal == 0)
            return E_INVALIDARG;
        db_column column;
        if (!parameter_column(rgParamBindInfo[i], column))
            return DB_E_BADTYPENAME;
        if (described.size() < ordinal)
            described.resize(ordinal);
        described[ordinal - 1] = std::move(column);
    }
    parameters_ = std::move(described);
    return S_OK;
}

HRESULT command::CreateAccessor(DBACCESSORFLAGS dwAccessorFlags, DBCOUNTITEM cBindings, const DBBINDING rgBindings[],
                                DBLENGTH, HACCESSOR* phAccessor, DBBINDSTATUS rgStatus[])
{
    return accessors_.create(dwAccessorFlags, cBindings, rgBindings, phAccessor, rgStatus);
}

HRESULT command::ReleaseAccessor(HACCESSOR hAccessor, DBREFCOUNT* pcRefCount)
{
    return accessors_.release(hAccessor, pcRefCount);
}

std::vector<db_value> command::parameter_values(const DBPARAMS& parameters) const
{
    const std::vector<DBBINDING>* bindings = accessors_.find(parameters.hAccessor);
    if (!bindings)
        throw db_error(L"OLE DB", {{L"HY000", 0, L"The parameter accessor is unknown."}}, DB_E_BADACCESSORHANDLE);
    if (parameters.cParamSets != 1 || (!parameters.pData && !bindings->empty()))
        throw db_error(L"OLE DB", {{L"HY000", 0, L"One set of parameter values is taken."}}, E_INVALIDARG);
    std::vector<db_value> values(parameters_.size());
    std::vector<bool> bound(parameters_.size());
    for (const DBBINDING& b : *bindings) {
        // An accessor made for the parameters of an earlier command text.
        if (b.iOrdinal > parameters_.size())
            throw db_error(L"OLE DB", {{L"07009", 0, L"A parameter accessor binds a parameter the command lacks."}},
                           DB_E_BADACCESSORHANDLE);
        values[b.iOrdinal - 1] = read_bound_value(b, parameters.pData, parameters_[b.iOrdinal - 1]);
        bound[b.iOrdinal - 1] = true;
    }
    for (const bool given : bound)
        if (!given)
            throw db_error(L"OLE DB", {{L"07002", 0, L"A parameter has no value."}}, DB_E_PARAMNOTOPTIONAL);
    return values;
}

HRESULT command::Execute(IUnknown* pUnkOuter, REFIID riid, DBPARAMS* pParams, DBROWCOUNT* pcRowsAffected,
                         IUnknown** ppRowset)
{
    return guarded([&]() -> HRESULT {
        if (ppRowset)
            *ppRowset = nullptr;
        if (pcRowsAffected)
            *pcRowsAffected = DB_COUNTUNAVAILABLE;
        if (pUnkOuter)
            return DB_E_NOAGGREGATION;
        if (!has_text_)
            return DB_E_NOCOMMAND;
        const std::vector<db_value> values = pParams ? parameter_values(*pParams) : std::vector<db_value>{};
        const bool rowset_wanted = ppRowset && riid != IID_NULL;
        const auto connection = rowset_wanted ? link_->reader_connection() : link_->home_connection();
        std::unique_ptr<db_result> result =
            values.empty() ? connection->link->execute(text_) : connection->link->execute(text_, parameters_, values);
        if (!result || !rowset_wanted)
            return S_OK;
        return hand_out(new result_rowset(std::move(result), busy_lease(connection)), riid, ppRowset);
    });
}

}  // namespace oledb
