#include "mssql/odb/odb_meta_data.h"

#include "mssql/odb_exception.h"
#include "toolkit/tk_exception.h"
#include "toolkit/tk_log.h"

template <std::size_t N>
odb_meta_data<N>::odb_meta_data(IUnknown* session) : odb_recordset(std::wstring())
{
    tk_log(1, "odb_meta_data::ctor");
    if (!session)
        throw tk_mail_assertion("..\\MSS/odb_mdat", 38);
    odb_check(session->QueryInterface(IID_IDBSchemaRowset, schema_interface.get_void_address()));
    for (VARIANT& restriction : restrictions)
        VariantInit(&restriction);
}

template <std::size_t N>
odb_meta_data<N>::~odb_meta_data()
{
    for (VARIANT& restriction : restrictions)
        VariantClear(&restriction);
    schema_interface.release();
}

template <std::size_t N>
void odb_meta_data<N>::set_restriction(std::size_t index, const std::wstring& text)
{
    VariantClear(&restrictions[index]);
    restrictions[index].vt = VT_BSTR;
    restrictions[index].bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

template <std::size_t N>
void odb_meta_data<N>::internal_initialize(REFGUID schema_guid)
{
    tk_log(1, "odb_meta_data::internal_initialize");
    if (schema_interface.is_empty())
        throw tk_mail_assertion("..\\MSS/odb_mdat", 62);
    odb_check(schema_interface->GetRowset(nullptr, schema_guid, static_cast<ULONG>(N), restrictions.data(), IID_IRowset,
                                          0, nullptr, reinterpret_cast<IUnknown**>(rowset.get_address())));
    initialize(true);
}

template class odb_meta_data<3>;
template class odb_meta_data<4>;
template class odb_meta_data<5>;
template class odb_meta_data<6>;

odb_pk_meta_data::odb_pk_meta_data(IUnknown* session, const std::wstring& table, const std::wstring& schema_name)
    : odb_meta_data<3>(session)
{
    tk_log(1, L"odb_pk_meta_data::ctor(%ls)", table.c_str());
    if (!schema_name.empty())
        set_restriction(1, schema_name);
    set_restriction(2, table);
    internal_initialize(DBSCHEMA_PRIMARY_KEYS);
}

odb_pk_meta_data::~odb_pk_meta_data() = default;

odb_tl_meta_data::odb_tl_meta_data(IUnknown* session, const std::wstring& schema_name) : odb_meta_data<4>(session)
{
    tk_log(1, "odb_tl_meta_data::ctor");
    if (!schema_name.empty())
        set_restriction(1, schema_name);
    set_restriction(3, L"TABLE");
    internal_initialize(DBSCHEMA_TABLES);
}

odb_tl_meta_data::~odb_tl_meta_data() = default;

odb_id_meta_data::odb_id_meta_data(IUnknown* session, const std::wstring& table, const std::wstring& schema_name)
    : odb_meta_data<5>(session)
{
    tk_log(1, L"odb_id_meta_data::ctor(%ls)", table.c_str());
    if (!schema_name.empty())
        set_restriction(1, schema_name);
    set_restriction(4, table);
    internal_initialize(DBSCHEMA_INDEXES);
}

odb_id_meta_data::~odb_id_meta_data() = default;

odb_fk_meta_data::odb_fk_meta_data(IUnknown* session, const std::wstring& table, const std::wstring& schema_name)
    : odb_meta_data<6>(session)
{
    tk_log(1, L"odb_fk_meta_data::ctor(%ls)", table.c_str());
    if (!schema_name.empty())
        set_restriction(1, schema_name);
    set_restriction(2, table);
    internal_initialize(DBSCHEMA_FOREIGN_KEYS);
}

odb_fk_meta_data::~odb_fk_meta_data() = default;
