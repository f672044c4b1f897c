#include "converter/mss_mutators.h"

#include "converter/mapping_block.h"
#include "mssql/mss_engine.h"
#include "mssql/type_mapping.h"

template class udb_db_mutator<mss_table_mutator, mss_map, mss_typ>;

mss_field_mutator::mss_field_mutator(const std::wstring& new_name, const mss_native_type& type, std::uint32_t status)
    : udb_field_mutator(new_name, type, status)
{
    tk_log(2, "mss_field_mutator::ctor");
    tk_log(1, L"a_type.type=%ls, a_type.prec=%d, a_type.scale=%d", type.type.c_str(), static_cast<int>(type.prec),
           static_cast<int>(type.scale));
}

void mss_field_mutator::set_type(const mss_native_type& type)
{
    const DBTYPE oledb_type = mss_get_oledb_type(type.type);
    tk_log(2, L"mss_field_mutator::get_udb_type(%ls,%08X,%d)", type.type.c_str(), static_cast<unsigned>(oledb_type),
           static_cast<int>(type.length));
    vartype = odb_record::get_vartype(oledb_type, static_cast<DBLENGTH>(type.length), 0, subtype);
}

std::wstring mss_field_mutator::get_native_type_as_string() const
{
    return get_mss_native_type2(type);
}

void mss_db_mutator::get_native_type_info(t_ftd& column, mss_native_type& type)
{
    tk_log(2, "mss_db_mutator::get_native_type_info");
    tk_log(1, "get_native_type_as_string(bTypeOnly=%d)", 1);
    // What the run writes for the column while no rule changes it, so that a
    // rule kept as shown changes nothing.
    type = mss_written_type(column);
    type.type = get_mss_native_type1(column, true);
    column.native_type = get_mss_native_type2(type);
    tk_log(1, L"get_native_type_as_string(%ls)", column.native_type.c_str());
    if (column.dw_reserved == 2)
        column.vartype = VT_DATE;
}
