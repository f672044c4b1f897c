#include "platform/oledb/accessors.h"

#include <cstring>

namespace oledb {

accessor_set::accessor_set(const std::vector<db_column>& columns, conversion_test test, DBACCESSORFLAGS kind)
    : columns_(columns), test_(std::move(test)), kind_(kind)
{}

HRESULT accessor_set::create(DBACCESSORFLAGS flags, DBCOUNTITEM count, const DBBINDING bindings[], HACCESSOR* handle,
                             DBBINDSTATUS statuses[])
{
    if (!handle || (count > 0 && !bindings))
        return E_INVALIDARG;
    *handle = 0;
    const DBACCESSORFLAGS kinds = DBACCESSOR_ROWDATA | DBACCESSOR_PARAMETERDATA;
    if ((flags & kinds) != kind_ || (flags & DBACCESSOR_PASSBYREF))
        return DB_E_BADBINDINFO;
    bool failed = false;
    for (DBCOUNTITEM i = 0; i < count; ++i) {
        DBBINDSTATUS status = DBBINDSTATUS_OK;
        const DBBINDING& b = bindings[i];
        if (b.iOrdinal == 0 || b.iOrdinal > columns_.size())
            status = DBBINDSTATUS_BADORDINAL;
        else if (b.dwPart == 0 || (b.wType & DBTYPE_BYREF))
            status = DBBINDSTATUS_BADBINDINFO;
        else if (!test_(columns_[b.iOrdinal - 1], b.wType))
            status = DBBINDSTATUS_UNSUPPORTEDCONVERSION;
        if (statuses)
            statuses[i] = status;
        failed = failed || status != DBBINDSTATUS_OK;
    }
    if (failed)
        return DB_E_ERRORSOCCURRED;
    *handle = next_++;
    accessors_[*handle] = std::vector<DBBINDING>(bindings, bindings + count);
    return S_OK;
}

HRESULT accessor_set::release(HACCESSOR handle, DBREFCOUNT* references)
{
    if (accessors_.erase(handle) == 0)
        return DB_E_BADACCESSORHANDLE;
    if (references)
        *references = 0;
    return S_OK;
}

const std::vector<DBBINDING>* accessor_set::find(HACCESSOR handle) const
{
    const auto it = accessors_.find(handle);
    return it == accessors_.end() ? nullptr : &it->second;
}

HRESULT copy_column_info(const std::vector<db_column>& columns, DBORDINAL* count, DBCOLUMNINFO** info,
                         OLECHAR** strings)
{
    if (!count || !info || !strings)
        return E_INVALIDARG;
    *count = 0;
    *info = nullptr;
    *strings = nullptr;
    std::size_t characters = 0;
    for (const db_column& c : columns)
        characters += c.name.size() + 1;
    auto* array = static_cast<DBCOLUMNINFO*>(CoTaskMemAlloc(sizeof(DBCOLUMNINFO) * (columns.size() + 1)));
    auto* names = static_cast<OLECHAR*>(CoTaskMemAlloc(sizeof(OLECHAR) * (characters + 1)));
    if (!array || !names) {
        CoTaskMemFree(array);
        CoTaskMemFree(names);
        return E_OUTOFMEMORY;
    }
    OLECHAR* next = names;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const db_column& c = columns[i];
        std::memcpy(next, c.name.c_str(), sizeof(OLECHAR) * (c.name.size() + 1));
        DBCOLUMNINFO& ci = array[i];
        ci = DBCOLUMNINFO{};
        ci.pwszName = next;
        ci.iOrdinal = i + 1;
        ci.dwFlags = c.flags;
        ci.ulColumnSize = c.size;
        ci.wType = c.type;
        ci.bPrecision = c.precision;
        ci.bScale = c.scale;
        ci.columnid.eKind = DBKIND_NAME;
        ci.columnid.uName.pwszName = next;
        next += c.name.size() + 1;
    }
    *count = columns.size();
    *info = array;
    *strings = names;
    return S_OK;
}

}  // namespace oledb
