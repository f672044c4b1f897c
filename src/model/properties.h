// The common base of the type-mapping rules: a named property set whose
// children (table rules, field rules) are looked up by name.
#pragma once

#include <map>
#include <string>

using udb_property_set = std::map<std::wstring, std::wstring>;

class udb_properties {
public:
    virtual ~udb_properties() = default;

    virtual udb_property_set& get_properties() { return properties; }
    virtual udb_properties* get_child(const std::wstring& name) = 0;
    virtual udb_properties* get_child2(const std::wstring& name) = 0;

    udb_property_set properties;
};
