#include "platform/oledb/property_set.h"

namespace oledb {

property_set::~property_set()
{
    for (DBPROP& property : properties_)
        VariantClear(&property.vValue);
}

void property_set::add(DBPROPID id, VARIANT value)
{
    DBPROP property{};
    property.dwPropertyID = id;
    property.dwOptions = DBPROPOPTIONS_REQUIRED;
    property.vValue = value;
    properties_.push_back(property);
}

void property_set::add_bool(DBPROPID id, bool value)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    add(id, v);
}

void property_set::add_text(DBPROPID id, const std::wstring& value)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
    add(id, v);
}

DBPROPSET* property_set::get()
{
    set_ = DBPROPSET{properties_.data(), static_cast<ULONG>(properties_.size()), guid_};
    return &set_;
}

}  // namespace oledb
