// The MS SQL instantiation of the type-mapping rules: a column rule's type
// name gives the VARIANT type of its values and the T-SQL type of its column.
#pragma once

#include "converter/db_mutator.h"
#include "model/mss_native_type.h"
#include "mssql/odb/odb_record.h"

// The type catalogue files of the column editor.
inline constexpr char mss_map[] = "mss.map";
inline constexpr char mss_typ[] = "mss.typ";

class mss_field_mutator : public udb_field_mutator<odb_field, mss_native_type> {
public:
    mss_field_mutator(const std::wstring& new_name, const mss_native_type& type, std::uint32_t status);

    // The VARIANT type (and subtype, for dates, times, GUIDs and XML) of the
    // type's values.
    void set_type(const mss_native_type& type);

protected:
    std::wstring get_native_type_as_string() const override;
};

using mss_table_mutator = udb_table_mutator<mss_field_mutator>;

class mss_db_mutator : public udb_db_mutator<mss_table_mutator, mss_map, mss_typ> {
public:
    // The column's type as the editor shows it; a pure date becomes VT_DATE.
    void get_native_type_info(t_ftd& column, mss_native_type& type) override;
};

extern template class udb_db_mutator<mss_table_mutator, mss_map, mss_typ>;
