// A property set under construction: it owns its properties' values and
// hands out the DBPROPSET that the OLE DB calls take.
#pragma once

#include "platform/oledb/oledb.h"

#include <string>
#include <vector>

namespace oledb {

class property_set {
public:
    explicit property_set(const GUID& set) : guid_(set) {}
    ~property_set();
    property_set(const property_set&) = delete;
    property_set& operator=(const property_set&) = delete;

    // Takes over the value; every property is required.
    void add(DBPROPID id, VARIANT value);
    void add_bool(DBPROPID id, bool value);
    void add_text(DBPROPID id, const std::wstring& value);
    // Valid until the next add.
    DBPROPSET* get();
    const std::vector<DBPROP>& properties() const { return properties_; }

private:
    GUID guid_;
    std::vector<DBPROP> properties_;
    DBPROPSET set_{};
};

}  // namespace oledb
